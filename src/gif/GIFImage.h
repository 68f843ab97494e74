#pragma once

// The GIF picture: header, frames, extensions and colour tables as read from a file.

#include "gif/GIFApplicationExtension.h"
#include "gif/GIFColorMap.h"
#include "gif/GIFException.h"
#include "gif/GIFExtension.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFHeader.h"
#include "gif/GIFImageList.h"
#include "gif/GIFStrings.h"
#include "gif/GIFSubImage.h"
#include "gif/GIFTextExtension.h"
#include "gif/GIFTypes.h"
#include "platform/graphics/Stream.h"

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class TGIFImage : public GifPersistent {
public:
    TGIFImage();
    ~TGIFImage() override;

    // A failed load leaves the picture empty and the stream where it was.
    void LoadFromStream(platform::Stream& stream);
    void LoadFromFile(const std::string& fileName);
    // Header, frames and trailer; a write error passes on with nothing said to be done.
    void SaveToStream(platform::Stream& stream);
    // The file is replaced only once everything is written; a failed save keeps it.
    void SaveToFile(const std::string& fileName);
    void Clear();

    int GetWidth() const { return Header.GetWidth(); }
    int GetHeight() const { return Header.GetHeight(); }
    bool GetEmpty() const { return Images.GetCount() == 0; }
    // The highest version any frame needs; unknown without frames.
    TGIFVersion GetVersion() const;
    // The version a save writes: what the header and every frame need, at least 87a.
    TGIFVersion GetSaveVersion() const;
    int GetColorResolution() const;
    int GetBitsPerPixel() const;
    bool GetIsTransparent() const;
    TGIFGlobalColorMap& GetGlobalColorMap() { return Header.ColorMap; }
    int GetBackgroundColorIndex() const { return Header.GetBackgroundColorIndex(); }
    platform::Rgb GetBackgroundColor() const { return Header.GetBackgroundColor(); }

    void Warning(GifPersistent* sender, TGIFSeverity severity, std::string_view message);
    void Progress(GifPersistent* sender, TProgressStage stage, int percentDone, bool redrawNow,
                  std::string_view message);
    // The global table changed: every frame drawn with it is drawn again.
    void Changed();

    // Load bookkeeping against Limits: each raises when its limit is passed. A frame's own
    // size is checked where its pixels are made.
    void CountLoadedFrame();
    void CountLoadedExtension();
    void CountLoadedPixels(std::size_t pixels);

    TGIFHeader Header;
    TGIFImageList Images;
    GifLimits Limits;
    bool RenderOnLoad = false; // draw each frame's bitmap as it is read
    TGIFCompression Compression = gcLZW;
    TGIFWarning OnCodecWarning;
    TGIFProgress OnProgress;

private:
    void FixEmptyScreen();

    std::size_t loadedFrames_ = 0;
    std::size_t loadedExtensions_ = 0;
    std::size_t loadedPixels_ = 0;
};
