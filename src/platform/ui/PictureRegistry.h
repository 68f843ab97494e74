#pragma once

#include "platform/graphics/Picture.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// Reads one file into a picture; throws platform::Exception naming the file when it cannot.
using PictureReader = std::function<std::unique_ptr<Picture>(const std::string& fileName)>;

struct PictureFormat {
    std::string extension; // lower case, without the dot: "jpg"
    std::string description;
};

// Pictures are read by the file's extension, compared without case. bmp, ico, wmf, emf, jpg
// and jpeg are known from the start; other formats (gif) are added by the program at start-up. A
// format registered again replaces the earlier reader.
void RegisterPictureFormat(const std::string& extension, const std::string& description, PictureReader reader);
// The known formats in the order they were registered.
std::vector<PictureFormat> PictureFormats();
// The picture in the file, read by the reader of its extension. Throws platform::Exception
// naming the file when no reader takes the extension or the reader fails.
std::unique_ptr<Picture> LoadPicture(const std::string& fileName);

// "the picture is too large (W x H pixels)" when its pixels would pass the allocation limit
// Qt's own readers keep to, else empty: every reader asks before it allocates.
std::string OversizeReason(long long width, long long height);

// A picture that is one image, as the built-in readers give.
class StillPicture final : public Picture {
public:
    explicit StillPicture(QImage image) : image_(std::move(image)) {}
    int width() const override { return image_.width(); }
    int height() const override { return image_.height(); }
    QImage toImage() const override { return image_; }
    void draw(QPainter& painter, const QRect& rect) override { painter.drawImage(rect, image_); }

private:
    QImage image_;
};

} // namespace platform
