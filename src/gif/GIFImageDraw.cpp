#include "gif/GIFHandOff.h"
#include "gif/GIFImage.h"
#include "gif/GIFPaintSink.h"
#include "gif/GIFQImage.h"

#include <QGuiApplication>
#include <QMimeData>
#include <QPainter>
#include <QPalette>

#include <new>

namespace {

constexpr const char* kGifMimeType = "image/gif";

// A composite of the logical screen stretched into `rect`, or repeated at its own size.
void DrawComposite(QPainter& canvas, const QRect& rect, const platform::Bitmap& composite, bool tile)
{
    if (composite.isNull())
        return;
    // Only read while drawing: the bitmap's own rows serve as the image.
    const QImage image(composite.bits(), composite.width(), composite.height(),
                       static_cast<qsizetype>(composite.stride()), QImage::Format_ARGB32_Premultiplied);
    canvas.save();
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    canvas.setClipRect(rect, Qt::IntersectClip);
    if (tile)
        drawTiled(canvas, rect, image, rect.topLeft(), image.size());
    else
        canvas.drawImage(rect, image);
    canvas.restore();
}

} // namespace

void TGIFImage::Draw(QPainter& canvas, const QRect& rect, TGIFPaintSink* sink)
{
    // Nothing to show in an empty place, and nothing to change: the animation elsewhere
    // goes on, and the next draw starts one when there is none.
    if (drawing_ || GetEmpty() || rect.isEmpty())
        return;
    const bool tile = drawOptions_ & goTile;
    if (Images.GetCount() == 1 || !(drawOptions_ & goAnimate)) {
        const GifBusyFlag busy(drawing_);
        Images.First()->Draw(canvas, rect, drawOptions_ & goTransparent, tile);
        return;
    }
    if (bitmap_ && !(drawOptions_ & goDirectDraw)) {
        DrawComposite(canvas, rect, *bitmap_, tile);
        return;
    }
    const GifRect place{rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
    std::shared_ptr<const platform::Bitmap> shown;
    if (lastDrawPainter_ && lastDrawPainter_->Sink() == sink && lastDrawPainter_->Rect() == place)
        shown = lastDrawPainter_->Target();
    if (!shown) {
        // Handlers run while this waits for the first frame; one of them may delete the picture.
        const std::weak_ptr<int> alive = liveness_;
        drawing_ = true;
        try {
            StopDraw();
            std::shared_ptr<platform::Bitmap> target;
            if (drawOptions_ & goDirectDraw) {
                target = std::make_shared<platform::Bitmap>(NewCanvas());
            } else {
                NewBitmap();
                target = bitmap_;
            }
            shown = target;
            const QColor window = QGuiApplication::palette().color(QPalette::Window);
            TGIFPainterSetup setup;
            setup.options = drawOptions_;
            setup.rect = place;
            setup.sink = sink;
            setup.target = target;
            setup.windowColor = {static_cast<std::uint8_t>(window.red()), static_cast<std::uint8_t>(window.green()),
                                 static_cast<std::uint8_t>(window.blue())};
            const auto painter = InternalPaint(std::move(setup), true);
            if (painter) {
                painter->Start();
                if (!GifHandOffs().Serving())
                    GifHandOffs().ServeUntil([&] {
                        return alive.expired() || painter->Painted() || lastDrawPainter_ != painter.get();
                    });
            }
        } catch (...) {
            if (!alive.expired())
                drawing_ = false;
            throw;
        }
        if (alive.expired())
            return;
        drawing_ = false;
    }
    DrawComposite(canvas, rect, *shown, tile);
}

void TGIFImage::SaveToClipboardFormat(QMimeData& data)
{
    QImage still;
    QByteArray bytes;
    try {
        if (!GetEmpty())
            still = toQImage(*GetBitmap());
        platform::MemoryStream stream;
        SaveToStream(stream);
        bytes = QByteArray(reinterpret_cast<const char*>(stream.bytes().data()),
                           static_cast<qsizetype>(stream.bytes().size()));
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sFailedPaste);
    }
    // Both or neither: the data is only touched once everything is ready.
    if (!still.isNull())
        data.setImageData(still);
    data.setData(kGifMimeType, bytes);
}

void TGIFImage::LoadFromClipboardFormat(const QMimeData& data)
{
    if (!data.hasFormat(kGifMimeType)) {
        if (!data.hasImage())
            RaiseGIFError(gifstrings::sUnsupportedClipboard);
        AssignConverted(qvariant_cast<QImage>(data.imageData()));
        return;
    }
    const QByteArray bytes = data.data(kGifMimeType);
    auto stream = platform::MemoryStream::borrowing(
        {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())});
    LoadFromStream(stream);
}
