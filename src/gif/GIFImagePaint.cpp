// The picture's side of its painters: making them, and stopping, pausing and waiting for
// them on the user-interface thread.

#include "gif/GIFHandOff.h"
#include "gif/GIFImage.h"
#include "gif/GIFHandOffWindow.h"

#include <algorithm>

std::shared_ptr<TGIFPainter> TGIFImage::InternalPaint(TGIFPainterSetup setup, bool asLastDraw)
{
    if (asLastDraw)
        lastDrawPainter_ = nullptr;
    const GifRect& rect = setup.rect;
    if (GetEmpty() || rect.left >= rect.right || rect.top >= rect.bottom)
        return nullptr;
    if (Images.GetCount() == 1)
        setup.options &= static_cast<TGIFDrawOptions>(~(goAsync | goAnimate));
    if (!setup.clock)
        setup.clock = PainterClock;
    if (!setup.pump)
        setup.pump = PainterPump;
    auto painter = std::make_shared<TGIFPainter>(*this, std::move(setup));
    painters_.push_back(painter);
    if (asLastDraw)
        lastDrawPainter_ = painter.get();
    if (painter->IsAsync()) {
        GifRegisterPainter(painter);
        return painter;
    }
    // Plays to its end here; the picture may be gone afterwards, so nothing of it is touched.
    painter->Execute();
    return nullptr;
}

std::shared_ptr<TGIFPainter> TGIFImage::Paint(TGIFPaintSink* sink, const GifRect& rect, TGIFDrawOptions options,
                                              platform::Rgb windowColor)
{
    TGIFPainterSetup setup;
    setup.options = options;
    setup.rect = rect;
    setup.sink = sink;
    setup.windowColor = windowColor;
    auto painter = InternalPaint(std::move(setup), false);
    if (painter)
        painter->Start();
    return painter;
}

void TGIFImage::PaintStart()
{
    for (const auto& painter : std::vector(painters_))
        painter->Start();
}

void TGIFImage::PaintPause()
{
    for (const auto& painter : painters_)
        painter->Pause();
}

void TGIFImage::PaintResume()
{
    PaintStart();
}

void TGIFImage::PaintRestart()
{
    for (const auto& painter : painters_)
        painter->Restart();
}

void TGIFImage::PaintStop()
{
    bool async = false;
    const auto painters = painters_;
    for (auto it = painters.rbegin(); it != painters.rend(); ++it) {
        async = async || (*it)->IsAsync();
        (*it)->Stop();
    }
    // From within a hand-off the painters would wait for this very wait: they end later.
    if (async && !GifHandOffs().Serving())
        GifHandOffs().ServeUntil([this] {
            return std::none_of(painters_.begin(), painters_.end(), [](const auto& p) { return p->IsAsync(); });
        });
    FreeBitmap();
}

void TGIFImage::StopDraw()
{
    while (TGIFPainter* painter = lastDrawPainter_) {
        painter->Stop();
        if (!painter->IsAsync() || GifHandOffs().Serving())
            break;
        GifHandOffs().ServeUntil([&] { return lastDrawPainter_ != painter; });
    }
    FreeBitmap();
}

void TGIFImage::PainterEnded(TGIFPainter* painter)
{
    if (lastDrawPainter_ == painter)
        lastDrawPainter_ = nullptr;
    std::erase_if(painters_, [painter](const auto& p) { return p.get() == painter; });
}
