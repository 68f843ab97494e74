// The user-interface half of a painter: each frame composed onto the logical screen with
// its disposal, and the painter's end.

#include "gif/GIFImage.h"
#include "gif/GIFPaintSink.h"
#include "gif/GIFPainter.h"

void TGIFPainter::MakeBuffers(TGIFImage& image)
{
    if (!target_)
        target_ = std::make_shared<platform::Bitmap>(image.NewCanvas());
    if (const auto fill = image.GetDisposalFillColor())
        background_ = *fill;
    else if (image.GetGlobalColorMap().GetCount() == 0)
        background_ = setup_.windowColor;
    else
        background_ = image.GetBackgroundColor();
    bool restores = (setup_.options & goClearOnLoop) != 0;
    for (const auto& frame : image.Images)
        if (const auto* control = frame->GetGraphicControlExtension())
            restores = restores || control->GetDisposal() == dmBackground || control->GetDisposal() == dmPrevious;
    if (!restores)
        return;
    // The buffer starts as the target is: transparent where the caller's place shows through.
    back_ = *target_;
}

void TGIFPainter::PaintStep(TGIFImage& image, FrameStep& step)
{
    if (step.index >= image.Images.GetCount())
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
    if (SinkGone())
        return;
    if (back_.isNull())
        DoPaint(frame);
    else
        DoPaintFrame(frame, step);
    step.painted = true;
    {
        const std::lock_guard lock(mutex_);
        painted_ = true;
    }
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

void TGIFPainter::DoPaint(TGIFSubImage& frame)
{
    frame.DrawInto(*target_, setup_.options & goTransparent, scratch_);
}

void TGIFPainter::DoPaintFrame(TGIFSubImage& frame, const FrameStep& step)
{
    // A "previous" frame is drawn over what the back buffer holds and leaves it as it was:
    // after a frame that stays, the target shows just that already.
    const bool keepBack = step.disposal == dmPrevious;
    if (keepBack && step.previous != dmNone && step.previous != dmNoDisposal)
        *target_ = back_;
    if ((setup_.options & goClearOnLoop) && step.index == 0)
        RestoreBackground(frame);
    frame.DrawInto(keepBack ? *target_ : back_, setup_.options & goTransparent, scratch_);
    if (!keepBack)
        *target_ = back_;
    if (step.disposal == dmBackground)
        RestoreBackground(frame);
}

void TGIFPainter::RestoreBackground(const TGIFSubImage& frame)
{
    const std::optional<platform::Rgb> colour =
        (setup_.options & goTransparent) ? std::nullopt : std::optional<platform::Rgb>(background_);
    GifFillRect(back_, frame.GetBoundsRect(), colour);
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
    back_ = platform::Bitmap();
    scratch_ = platform::Bitmap();
    target_.reset();
    sinkWatch_.clear();
    OnPainterStart = OnFramePaint = OnFramePainted = OnAnimationLoop = OnPainterEnd = nullptr;
}
