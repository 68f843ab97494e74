// Making a picture smaller before it is saved. Every step leaves each screen a viewer shows,
// and how long it shows it, as it was.

#include "gif/GIFImage.h"

#include <algorithm>

namespace {

using gifstrings::sProgressOptimizing;

// "Optimizing..." after each frame of each of the six steps.
class OptimizeProgress {
public:
    explicit OptimizeProgress(TGIFImage& image) : image_(image), steps_(6 * image.Images.GetCount()) {}
    void FrameDone()
    {
        ++done_;
        image_.Progress(&image_, psRunning, std::min(100, done_ * 100 / steps_), false, sProgressOptimizing);
    }

private:
    TGIFImage& image_;
    int steps_;
    int done_ = 0;
};

TDisposalMethod DisposalOf(const TGIFSubImage& frame)
{
    const auto* control = frame.GetGraphicControlExtension();
    return control ? control->GetDisposal() : dmNoDisposal;
}

bool Restores(TDisposalMethod disposal)
{
    return disposal == dmBackground || disposal == dmPrevious;
}

// Whether `next` paints over every pixel of `frame` and keeps them: then how `frame` is
// disposed of makes no difference.
bool Covers(const TGIFSubImage& next, const TGIFSubImage& frame)
{
    if (next.GetEmpty() || next.UsesTransparentIndex() || DisposalOf(next) == dmPrevious)
        return false;
    const GifRect outer = next.GetBoundsRect();
    const GifRect inner = frame.GetBoundsRect();
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right
           && outer.bottom >= inner.bottom;
}

bool AllTransparent(const TGIFSubImage& frame)
{
    const int transparent = frame.GetTransparentIndex();
    return std::all_of(frame.GetData().begin(), frame.GetData().end(),
                       [transparent](std::uint8_t index) { return index == transparent; });
}

bool OnlyGraphicControl(const TGIFSubImage& frame)
{
    return std::all_of(frame.Extensions.begin(), frame.Extensions.end(), [](const auto& extension) {
        return dynamic_cast<const TGIFGraphicControlExtension*>(extension.get()) != nullptr;
    });
}

void AddDelay(TGIFSubImage& frame, int delay)
{
    if (delay <= 0)
        return;
    TGIFGraphicControlExtension& control = frame.NeedGraphicControlExtension();
    control.SetDelay(std::min(0xFFFF, control.GetDelay() + delay));
}

void SortTablesByUse(TGIFImage& image, OptimizeProgress& progress)
{
    if (image.GetGlobalColorMap().GetCount() > 0)
        image.GetGlobalColorMap().Optimize();
    for (const auto& frame : image.Images) {
        if (frame->ColorMap.GetCount() > 0)
            frame->ColorMap.Optimize();
        progress.FrameDone();
    }
}

void DropNeedlessTransparencyAndDisposals(TGIFImage& image, OptimizeProgress& progress)
{
    for (const auto& frame : image.Images)
        if (frame->GetTransparent() && !frame->UsesTransparentIndex())
            frame->DropTransparency();
    const int count = image.Images.GetCount();
    for (int i = 0; i < count; ++i) {
        TGIFSubImage& frame = *image.Images.GetImage(i);
        TGIFGraphicControlExtension* control = frame.GetGraphicControlExtension();
        if (i + 1 < count && control && !frame.GetEmpty() && Restores(control->GetDisposal())
            && Covers(*image.Images.GetImage(i + 1), frame))
            control->SetDisposal(dmNone);
        progress.FrameDone();
    }
}

void MergeFrames(TGIFImage& image, OptimizeProgress& progress)
{
    for (int i = image.Images.GetCount() - 1; i >= 1; --i) {
        // Frames that put back what was there before them leave the one before them shown.
        int shown = i - 1;
        while (shown > 0 && DisposalOf(*image.Images.GetImage(shown)) == dmPrevious)
            --shown;
        image.Images.GetImage(i)->Merge(image.Images.GetImage(shown));
        progress.FrameDone();
    }
}

void CropFrames(TGIFImage& image, OptimizeProgress& progress)
{
    for (int i = image.Images.GetCount() - 1; i >= 0; --i, progress.FrameDone()) {
        TGIFSubImage& frame = *image.Images.GetImage(i);
        // A cropped "background" frame would clear a smaller area after it.
        if (frame.GetEmpty() || !frame.GetTransparent() || DisposalOf(frame) == dmBackground)
            continue;
        if (!AllTransparent(frame)) {
            frame.Crop();
            continue;
        }
        // An invisible frame shows what the one before left; it goes only where that is what
        // the one before showed, and its time goes to that one. Otherwise it stays as it is:
        // an empty frame would end a painter's pass.
        TGIFSubImage* previous = i > 0 ? image.Images.GetImage(i - 1) : nullptr;
        if (!previous || Restores(DisposalOf(*previous)) || !OnlyGraphicControl(frame))
            continue;
        const int delay = frame.GetGraphicControlExtension()->GetDelay();
        image.Images.Delete(i);
        AddDelay(*previous, delay);
    }
}

void RemoveNeedlessExtensions(TGIFImage& image, OptimizeProgress& progress)
{
    const bool single = image.Images.GetCount() == 1;
    for (int i = image.Images.GetCount() - 1; i >= 0; --i, progress.FrameDone()) {
        TGIFSubImage& frame = *image.Images.GetImage(i);
        TGIFExtensionList& extensions = frame.Extensions;
        const auto controls = std::count_if(extensions.begin(), extensions.end(), [](const auto& extension) {
            return dynamic_cast<const TGIFGraphicControlExtension*>(extension.get()) != nullptr;
        });
        for (int e = extensions.GetCount() - 1; e >= 0; --e) {
            TGIFExtension* extension = extensions.GetExtension(e);
            const auto* control = dynamic_cast<const TGIFGraphicControlExtension*>(extension);
            // A second one would take the place of the first.
            const bool needlessControl = control && controls == 1 && !control->GetTransparent()
                                         && !control->GetUserInput()
                                         && (single || (control->GetDelay() == 0 && !Restores(control->GetDisposal())));
            // A loop extension on a later frame sets where the loop starts again.
            if (needlessControl || dynamic_cast<const TGIFCommentExtension*>(extension)
                || dynamic_cast<const TGIFTextExtension*>(extension)
                || dynamic_cast<const TGIFUnknownAppExtension*>(extension)
                || (single && dynamic_cast<const TGIFAppExtNSLoop*>(extension)))
                extensions.Delete(e);
        }
        if (frame.GetEmpty() && extensions.GetCount() == 0)
            image.Images.Delete(i);
    }
}

} // namespace

// Colours are never reduced here: the dither mode and bits are the interface's only.
void TGIFImage::Optimize(TGIFOptimizeOptions options, TColorReduction colorReduction, TDitherMode, int)
{
    if (GetEmpty())
        return;
    PaintStop();
    Progress(this, psStarting, 0, false, sProgressOptimizing);
    try {
        if ((options & ooReduceColors) && colorReduction == TColorReduction::rmPalette)
            RaiseGIFError(gifstrings::sInvalidReduction);
        OptimizeProgress progress(*this);
        if (options & ooColorMap)
            SortTablesByUse(*this, progress);
        if (options & ooCleanup)
            DropNeedlessTransparencyAndDisposals(*this, progress);
        if (options & ooMerge)
            MergeFrames(*this, progress);
        if (options & ooCrop)
            CropFrames(*this, progress);
        if (options & ooCleanup)
            RemoveNeedlessExtensions(*this, progress);
    } catch (...) {
        Progress(this, psEnding, 0, false, sProgressOptimizing);
        throw;
    }
    FreeBitmap();
    Changed();
    Progress(this, psEnding, 100, false, sProgressOptimizing);
}
