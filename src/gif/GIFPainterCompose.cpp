// The user-interface half of a painter: each frame composed onto the logical screen with
// its disposal, and the painter's end.

#include "gif/GIFImage.h"
#include "gif/GIFPaintSink.h"
#include "gif/GIFPainter.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

// `rect` cut to `bitmap`.
GifRect ClipTo(const GifRect& rect, const platform::Bitmap& bitmap)
{
    const int left = std::clamp(rect.left, 0, bitmap.width());
    const int top = std::clamp(rect.top, 0, bitmap.height());
    return {left, top, std::clamp(rect.right, left, bitmap.width()), std::clamp(rect.bottom, top, bitmap.height())};
}

// `area` of `from` into the same place of `to`, a bitmap of the same size.
void CopyArea(const platform::Bitmap& from, platform::Bitmap& to, const GifRect& area)
{
    const auto bytes = 4 * static_cast<std::size_t>(area.right - area.left);
    const auto offset = 4 * static_cast<std::size_t>(area.left);
    for (int y = area.top; y < area.bottom; ++y)
        std::memcpy(to.scanLine(y) + offset, from.scanLine(y) + offset, bytes);
}

} // namespace

void TGIFPainter::MakeBuffers(TGIFImage& image)
{
    if (!BackBuffer)
        BackBuffer = std::make_shared<platform::Bitmap>(image.NewCanvas());
    if (setup_.options & goTransparent)
        BackgroundBuffer.reset();
    else if (const auto fill = image.GetDisposalFillColor())
        BackgroundBuffer = *fill;
    else if (image.GetGlobalColorMap().GetCount() == 0)
        BackgroundBuffer = setup_.windowColor;
    else
        BackgroundBuffer = image.GetBackgroundColor();
}

void TGIFPainter::PaintStep(TGIFImage& image, FrameStep& step)
{
    const int count = image.Images.GetCount();
    if (step.index >= count || image.Images.GetImage(step.index)->GetEmpty())
        return;
    TGIFSubImage& frame = *image.Images.GetImage(step.index);
    for (const auto& extension : frame.Extensions)
        if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(extension.get()); loop && !step.loopSeen) {
            step.loops = loop->Loops;
            break;
        }
    if (const auto* control = frame.GetGraphicControlExtension()) {
        step.disposal = control->GetDisposal();
        step.delay = control->GetDelay();
    }
    step.nextPresent = step.index + 1 < count && !image.Images.GetImage(step.index + 1)->GetEmpty();
    if (SinkGone())
        return;
    DoPaintFrame(frame, step);
    step.painted = true;
    Repaint();
}

bool TGIFPainter::SinkGone()
{
    if (!(setup_.options & goValidateCanvas) || !setup_.sink || sinkWatch_)
        return false;
    Terminate();
    return true;
}

void TGIFPainter::Repaint()
{
    if (sinkWatch_)
        sinkWatch_->Repaint();
}

// Frames are drawn over what the ones before them left; a frame's disposal is done just
// before the next one, so that it shows until then. Only areas are copied: the one frame
// that disposes to "previous" keeps what lay under it.
void TGIFPainter::DoPaintFrame(TGIFSubImage& frame, const FrameStep& step)
{
    Dispose();
    platform::Bitmap& screen = *BackBuffer;
    const GifRect area = ClipTo(frame.GetBoundsRect(), screen);
    if ((setup_.options & goClearOnLoop) && step.index == 0)
        RestoreBackground(area);
    if (step.disposal == dmPrevious) {
        try {
            if (PreviousBuffer.width() != screen.width() || PreviousBuffer.height() != screen.height())
                PreviousBuffer = platform::Bitmap(screen.width(), screen.height(), platform::PixelFormat::Argb32);
        } catch (const std::bad_alloc&) {
            RaiseGIFError(gifstrings::sOutOfMemDIB);
        }
        CopyArea(screen, PreviousBuffer, area);
    }
    DoPaint(frame);
    lastArea_ = area;
    lastDisposal_ = step.disposal;
}

void TGIFPainter::DoPaint(TGIFSubImage& frame)
{
    frame.DrawInto(*BackBuffer, setup_.options & goTransparent);
    const std::lock_guard lock(mutex_);
    painted_ = true;
}

void TGIFPainter::Dispose()
{
    if (lastDisposal_ == dmBackground)
        RestoreBackground(lastArea_);
    else if (lastDisposal_ == dmPrevious)
        CopyArea(PreviousBuffer, *BackBuffer, lastArea_);
    lastDisposal_ = dmNoDisposal;
}

void TGIFPainter::RestoreBackground(const GifRect& area)
{
    GifFillRect(*BackBuffer, area, BackgroundBuffer);
}

void TGIFPainter::DoOnTerminate()
{
    TGIFImage* image = nullptr;
    {
        const std::lock_guard lock(mutex_);
        std::swap(image, image_);
    }
    if (image) {
        image->PainterEnded(this);
        if (error_ && IsAsync()) {
            try {
                std::rethrow_exception(error_);
            } catch (const std::exception& e) {
                image->Warning(image, gsError, e.what());
            }
        }
    }
    BackBuffer.reset();
    PreviousBuffer = platform::Bitmap();
    sinkWatch_.clear();
    OnPainterStart = OnFramePaint = OnFramePainted = OnAnimationLoop = OnPainterEnd = nullptr;
}
