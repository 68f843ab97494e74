#include "gif/GIFDrawingImport.h"

#include "platform/graphics/Picture.h"

QImage FrameImageOf(const platform::Picture& graphic)
{
    const QImage onWhite = graphic.drawnOver(Qt::white);
    if (onWhite.isNull())
        return graphic.toImage();
    const QImage onBlack = graphic.drawnOver(Qt::black).convertToFormat(QImage::Format_RGB32);
    QImage framed = onWhite.convertToFormat(QImage::Format_ARGB32);
    if (onBlack.size() != framed.size())
        return framed;
    for (int y = 0; y < framed.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(framed.scanLine(y));
        const auto* black = reinterpret_cast<const QRgb*>(onBlack.constScanLine(y));
        for (int x = 0; x < framed.width(); ++x)
            if ((row[x] & RGB_MASK) != (black[x] & RGB_MASK))
                row[x] = 0;
    }
    return framed;
}
