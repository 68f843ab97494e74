#include "gif/GIFImage.h"
#include "gif/GIFPaintSink.h"
#include "gif/GIFQImage.h"

#include <QMimeData>
#include <QPainter>

#include <new>

namespace {

constexpr const char* kGifMimeType = "image/gif";

} // namespace

void TGIFImage::Draw(QPainter& canvas, const QRect& rect, [[maybe_unused]] TGIFPaintSink* sink)
{
    if (drawing_ || GetEmpty())
        return;
    const GifBusyFlag busy(drawing_);
    // An animated picture shows its first frame here too: its animation, when one runs,
    // composes the frames off screen and has the sink repaint.
    Images.First()->Draw(canvas, rect, drawOptions_ & goTransparent, drawOptions_ & goTile);
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
    if (!data.hasFormat(kGifMimeType))
        RaiseGIFError(gifstrings::sUnsupportedClipboard);
    const QByteArray bytes = data.data(kGifMimeType);
    auto stream = platform::MemoryStream::borrowing(
        {reinterpret_cast<const std::uint8_t*>(bytes.constData()), static_cast<std::size_t>(bytes.size())});
    LoadFromStream(stream);
}
