#include "gif/GIFImage.h"

#include "platform/graphics/FileReplace.h"
#include "platform/graphics/FileStream.h"

#include <algorithm>
#include <utility>

TGIFSettings& GIFSettings()
{
    static TGIFSettings settings;
    return settings;
}

TGIFImage::TGIFImage()
    : Header(this),
      Images(this),
      ColorReduction(GIFSettings().DefaultColorReduction),
      DitherMode(GIFSettings().DefaultDitherMode),
      Compression(GIFSettings().DefaultCompression),
      ThreadPriority(GIFSettings().DefaultThreadPriority),
      drawOptions_(GIFSettings().DefaultDrawOptions),
      animationSpeed_(GIFSettings().DefaultAnimationSpeed),
      reductionBits_(GIFSettings().DefaultColorReductionBits)
{
}

TGIFImage::~TGIFImage()
{
    PaintStop();
    // Painters still ending (stopped from within a hand-off) must not reach this picture.
    for (const auto& painter : painters_)
        painter->ForgetImage();
    painters_.clear();
    lastDrawPainter_ = nullptr;
}

void GifWarning(TGIFImage* image, GifPersistent* sender, TGIFSeverity severity, std::string_view message)
{
    if (image)
        image->Warning(sender, severity, message);
}

void TGIFImage::Clear()
{
    PaintStop();
    Images.Clear();
    Header.Clear();
    palette_.clear();
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

void TGIFImage::WriteData(platform::Stream& stream)
{
    if (GIFSettings().OptimizeOnStream)
        Optimize(ooCrop | ooMerge | ooCleanup | ooColorMap | ooReduceColors, TColorReduction::rmNone,
                 TDitherMode::dmNearest, 8);
    SaveToStream(stream);
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
    if (OnChange)
        OnChange(this);
}

void TGIFImage::ColorMapChanged()
{
    for (const auto& frame : Images)
        if (&frame->GetActiveColorMap() == &Header.ColorMap)
            frame->FreeBitmap();
    FreeBitmap();
    palette_.clear();
    Changed();
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

void TGIFImage::Assign(const TGIFImage* source)
{
    if (source == this)
        return;
    Clear();
    if (!source)
        return;
    using gifstrings::sProgressCopying;
    // The copy reports to the source's handlers, as its own work would.
    const TGIFWarning ownWarning = std::exchange(OnCodecWarning, source->OnCodecWarning);
    const TGIFProgress ownProgress = std::exchange(OnProgress, source->OnProgress);
    struct Restore {
        TGIFImage& image;
        const TGIFWarning& warning;
        const TGIFProgress& progress;
        ~Restore()
        {
            image.OnCodecWarning = warning;
            image.OnProgress = progress;
        }
    } restore{*this, ownWarning, ownProgress};
    Progress(this, psStarting, 0, false, sProgressCopying);
    try {
        Header.Assign(source->Header);
        ThreadPriority = source->ThreadPriority;
        disposalFillColor_ = source->disposalFillColor_;
        drawOptions_ = source->drawOptions_;
        ColorReduction = source->ColorReduction;
        DitherMode = source->DitherMode;
        const int count = source->Images.GetCount();
        for (int index = 0; index < count; ++index) {
            auto frame = std::make_unique<TGIFSubImage>(this);
            frame->Assign(*source->Images.GetImage(index));
            Images.Add(std::move(frame));
            Progress(this, psRunning, (index + 1) * 100 / count, false, sProgressCopying);
        }
    } catch (...) {
        Progress(this, psEnding, 0, false, sProgressCopying);
        throw;
    }
    Progress(this, psEnding, 100, false, sProgressCopying);
    Changed();
}

void TGIFImage::AssignTo(platform::Bitmap& target)
{
    const platform::Bitmap* still = GetBitmap();
    target = still ? *still : platform::Bitmap();
}

int TGIFImage::Add(std::unique_ptr<TGIFSubImage> frame)
{
    if (!frame || frame->Image != this)
        RaiseGIFError(gifstrings::sUnsupportedClass);
    const int index = Images.Add(std::move(frame));
    FreeBitmap();
    Changed();
    return index;
}

void TGIFImage::Pack()
{
    FreeBitmap();
    palette_.clear();
    for (const auto& frame : Images) {
        frame->FreeBitmap();
        frame->SetPalette({});
    }
    if (Header.ColorMap.GetCount() == 0 && Images.GetCount() == 1) {
        TGIFSubImage& frame = *Images.First();
        Header.ColorMap.Assign(frame.ColorMap);
        frame.ColorMap.Clear();
    }
}

void TGIFImage::SetWidth(int width)
{
    SetScreenSize(width, std::nullopt);
}

void TGIFImage::SetHeight(int height)
{
    SetScreenSize(std::nullopt, height);
}

void TGIFImage::SetScreenSize(std::optional<int> width, std::optional<int> height)
{
    for (const auto& frame : Images) {
        if (width && frame->GetLeft() + frame->GetWidth() > *width)
            RaiseGIFError(gifstrings::sBadWidth);
        if (height && frame->GetTop() + frame->GetHeight() > *height)
            RaiseGIFError(gifstrings::sBadHeight);
    }
    if (width.value_or(GetWidth()) == GetWidth() && height.value_or(GetHeight()) == GetHeight())
        return;
    Header.SetWidth(width.value_or(GetWidth()));
    Header.SetHeight(height.value_or(GetHeight()));
    FreeBitmap();
    Changed();
}

void TGIFImage::SetBackgroundColorIndex(int index)
{
    Header.SetBackgroundColorIndex(index);
    FreeBitmap();
}

void TGIFImage::SetBackgroundColor(platform::Rgb color)
{
    Header.SetBackgroundColor(color);
    FreeBitmap();
}

void TGIFImage::SetDrawOptions(TGIFDrawOptions options)
{
    if (options == drawOptions_)
        return;
    if (lastDrawPainter_)
        lastDrawPainter_->Stop();
    drawOptions_ = options;
    Pack();
    Changed();
}

void TGIFImage::SetAnimationSpeed(int speed)
{
    speed = std::clamp(speed, 0, 1000);
    if (speed == animationSpeed_)
        return;
    animationSpeed_ = speed;
    if (lastDrawPainter_)
        lastDrawPainter_->SetAnimationSpeed(speed);
}

void TGIFImage::SetReductionBits(int bits)
{
    if (bits < 3 || bits > 8)
        RaiseGIFError(gifstrings::sInvalidBitSize);
    reductionBits_ = bits;
}

void TGIFImage::SetDisposalFillColor(std::optional<platform::Rgb> color)
{
    disposalFillColor_ = color;
    FreeBitmap();
}

bool TGIFImage::DoDither() const
{
    return (drawOptions_ & goDither) && (!(drawOptions_ & goAutoDither) || GIFSettings().DoAutoDither);
}
