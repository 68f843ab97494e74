#pragma once

#include "gif/GIFImage.h"
#include "gif/GIFPaintSink.h"
#include "platform/graphics/Picture.h"

#include <memory>
#include <string>

// A GIF as the picture registry hands it out: its size, its still composite for textures,
// and drawing through the picture itself, whose changes and animation repaint whoever
// shows it (OnFrameChanged). A GIF picture assigned from it gets all its frames.
class GifPicture final : public platform::Picture, public TGIFImageHolder {
public:
    explicit GifPicture(std::unique_ptr<TGIFImage> image);

    int width() const override { return image_->GetWidth(); }
    int height() const override { return image_->GetHeight(); }
    // The first frame on the logical screen over the background colour.
    QImage toImage() const override;
    // Transparent and uncovered parts show the window colour, as the picture's place would.
    void draw(QPainter& painter, const QRect& rect) override;

    TGIFImage& image() { return *image_; }
    const TGIFImage& GetGIFImage() const override { return *image_; }

private:
    std::unique_ptr<TGIFImage> image_;
    TGIFPaintSink sink_;
};

// Reads a GIF file through our codec, within the limits. Throws GIFException naming the file
// when the file is no GIF it can read, platform::Exception when it cannot be opened.
std::unique_ptr<platform::Picture> ReadGifPicture(const std::string& fileName, const GifLimits& limits = {});

// Makes "gif" (any case) a picture format, "GIF Image", read by ReadGifPicture; once per
// program however often it is called.
void registerGifFormat();
