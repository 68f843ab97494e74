#include "gif/GIFImage.h"

#include "platform/graphics/FileReplace.h"
#include "platform/graphics/FileStream.h"

#include <algorithm>

TGIFImage::TGIFImage() : Header(this), Images(this) {}

TGIFImage::~TGIFImage() = default;

void GifWarning(TGIFImage* image, GifPersistent* sender, TGIFSeverity severity, std::string_view message)
{
    if (image)
        image->Warning(sender, severity, message);
}

void TGIFImage::Clear()
{
    Images.Clear();
    Header.Clear();
    loadedFrames_ = loadedExtensions_ = loadedPixels_ = 0;
}

void TGIFImage::LoadFromStream(platform::Stream& stream)
{
    using gifstrings::sProgressLoading;
    Progress(this, psStarting, 0, false, sProgressLoading);
    Clear();
    const std::int64_t start = stream.position();
    try {
        Header.LoadFromStream(stream);
        Images.LoadFromStream(stream, this);
        TGIFTrailer(this).LoadFromStream(stream);
        FixEmptyScreen();
    } catch (...) {
        stream.setPosition(start);
        Clear();
        Progress(this, psEnding, 0, true, sProgressLoading);
        throw;
    }
    Progress(this, psEnding, 100, true, sProgressLoading);
}

void TGIFImage::LoadFromFile(const std::string& fileName)
{
    platform::FileStream stream(fileName, platform::FileStream::Mode::Read);
    LoadFromStream(stream);
}

void TGIFImage::SaveToStream(platform::Stream& stream)
{
    using gifstrings::sProgressSaving;
    Progress(this, psStarting, 0, false, sProgressSaving);
    try {
        // Tables grow before the header writes the global one.
        for (const auto& frame : Images)
            frame->PadColorMapToPixels();
        Header.SaveToStream(stream);
        Images.SaveToStream(stream);
        TGIFTrailer(this).SaveToStream(stream);
    } catch (...) {
        Progress(this, psEnding, 0, false, sProgressSaving);
        throw;
    }
    Progress(this, psEnding, 100, false, sProgressSaving);
}

void TGIFImage::SaveToFile(const std::string& fileName)
{
    platform::ReplaceFile(fileName, [this](platform::Stream& stream) { SaveToStream(stream); });
}

// A screen of no width or height would leave nothing to draw the frames on: it takes the
// size of the frames it holds.
void TGIFImage::FixEmptyScreen()
{
    if ((GetWidth() > 0 && GetHeight() > 0) || GetEmpty())
        return;
    int right = 0;
    int bottom = 0;
    for (const auto& frame : Images) {
        const GifRect bounds = frame->GetBoundsRect();
        right = std::max(right, bounds.right);
        bottom = std::max(bottom, bounds.bottom);
    }
    if (GetWidth() == 0)
        Header.SetWidth(right);
    if (GetHeight() == 0)
        Header.SetHeight(bottom);
    Warning(this, gsWarning, gifstrings::sScreenSizeExceeded);
}

TGIFVersion TGIFImage::GetVersion() const
{
    TGIFVersion version = GetEmpty() ? gvUnknown : gv87a;
    for (const auto& frame : Images)
        if ((version = frame->GetVersion()) > gv87a)
            break;
    return version;
}

TGIFVersion TGIFImage::GetSaveVersion() const
{
    TGIFVersion version = std::max(gv87a, Header.GetVersion());
    for (const auto& frame : Images)
        version = std::max(version, frame->GetVersion());
    return version;
}

int TGIFImage::GetColorResolution() const
{
    int resolution = Header.GetColorResolution();
    for (const auto& frame : Images)
        resolution = std::max(resolution, frame->GetColorResolution());
    return resolution;
}

int TGIFImage::GetBitsPerPixel() const
{
    int bits = Header.GetBitsPerPixel();
    for (const auto& frame : Images)
        bits = std::max(bits, frame->GetBitsPerPixel());
    return bits;
}

bool TGIFImage::GetIsTransparent() const
{
    return std::any_of(Images.begin(), Images.end(), [](const auto& frame) { return frame->GetTransparent(); });
}

void TGIFImage::Warning(GifPersistent* sender, TGIFSeverity severity, std::string_view message)
{
    if (OnCodecWarning)
        OnCodecWarning(sender, severity, message);
}

void TGIFImage::Progress(GifPersistent* sender, TProgressStage stage, int percentDone, bool redrawNow,
                         std::string_view message)
{
    if (OnProgress)
        OnProgress(sender, stage, percentDone, redrawNow, message);
}

void TGIFImage::Changed()
{
    for (const auto& frame : Images)
        if (&frame->GetActiveColorMap() == &Header.ColorMap)
            frame->FreeBitmap();
}

void TGIFImage::CountLoadedFrame()
{
    if (++loadedFrames_ > Limits.maxFrames)
        RaiseGIFError(gifstrings::sInvalidData);
}

void TGIFImage::CountLoadedExtension()
{
    if (++loadedExtensions_ > Limits.maxExtensions)
        RaiseGIFError(gifstrings::sInvalidData);
}

void TGIFImage::CountLoadedPixels(std::size_t pixels)
{
    if (pixels > Limits.maxTotalPixels - std::min(loadedPixels_, Limits.maxTotalPixels))
        RaiseGIFError(gifstrings::sBadDimension);
    loadedPixels_ += pixels;
}
