#include "gif/GIFImage.h"
#include "gif/GIFQImage.h"
#include "gif/GIFSubImage.h"

#include <QPainter>

#include <algorithm>

namespace {

// a x b / c rounded to the nearest, halves away from zero; c > 0.
int MulDivRounded(int a, int b, int c)
{
    const std::int64_t product = std::int64_t{a} * b;
    const std::int64_t half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : -((-product + half) / c));
}

} // namespace

QRect TGIFSubImage::ScaleRect(const QRect& rect) const
{
    const int width = PictureWidth();
    const int height = PictureHeight();
    if (width <= 0 || height <= 0)
        return QRect();
    const int left = rect.left() + MulDivRounded(GetLeft(), rect.width(), width);
    const int top = rect.top() + MulDivRounded(GetTop(), rect.height(), height);
    const int right = rect.left() + MulDivRounded(GetLeft() + GetWidth(), rect.width(), width);
    const int bottom = rect.top() + MulDivRounded(GetTop() + GetHeight(), rect.height(), height);
    return QRect(left, top, right - left, bottom - top);
}

void TGIFSubImage::Draw(QPainter& canvas, const QRect& rect, bool transparent, bool tile)
{
    if (rect.isEmpty())
        return;
    // A frame that reaches beyond the screen is cut at the picture's edge.
    canvas.save();
    canvas.setClipRect(rect, Qt::IntersectClip);
    StretchDraw(canvas, tile ? rect : ScaleRect(rect), transparent, tile);
    canvas.restore();
}

void TGIFSubImage::StretchDraw(QPainter& canvas, const QRect& rect, bool transparent, bool tile)
{
    // Asked before the bitmap: finding the mask may draw the frame again.
    const bool masked = transparent && GetTransparent() && HasMask();
    const platform::Bitmap* bitmap = GetBitmap();
    if (!bitmap || rect.isEmpty())
        return;
    const QImage image = toQImage(*bitmap, masked ? GetMask() : nullptr);
    canvas.save();
    canvas.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (!tile) {
        canvas.drawImage(rect, image);
    } else if (PictureWidth() > GetLeft() && PictureHeight() > GetTop()) {
        // Each tile is the frame's part of one picture-sized cell.
        const QImage cell = image.copy(0, 0, std::min(GetWidth(), PictureWidth() - GetLeft()),
                                       std::min(GetHeight(), PictureHeight() - GetTop()));
        drawTiled(canvas, rect, cell, rect.topLeft() + QPoint(GetLeft(), GetTop()),
                  QSize(PictureWidth(), PictureHeight()));
    }
    canvas.restore();
}
