#include "gif/GIFQImage.h"

#include <QPainter>

#include <algorithm>
#include <cstring>

namespace {

QImage::Format qtFormatOf(platform::PixelFormat format)
{
    switch (format) {
    case platform::PixelFormat::Indexed8: return QImage::Format_Indexed8;
    case platform::PixelFormat::Rgb24: return QImage::Format_RGB888;
    case platform::PixelFormat::Argb32: return QImage::Format_ARGB32_Premultiplied;
    case platform::PixelFormat::Indexed1:
    case platform::PixelFormat::Indexed4: break;
    }
    return QImage::Format_Invalid;
}

QImage copyRows(const platform::Bitmap& bitmap)
{
    QImage image(bitmap.width(), bitmap.height(), qtFormatOf(bitmap.format()));
    if (image.isNull())
        return image;
    const std::size_t rowBytes = std::min(bitmap.stride(), static_cast<std::size_t>(image.bytesPerLine()));
    for (int y = 0; y < bitmap.height(); ++y)
        std::memcpy(image.scanLine(y), bitmap.scanLine(y), rowBytes);
    if (bitmap.format() == platform::PixelFormat::Indexed8) {
        QList<QRgb> table(256, qRgb(0, 0, 0));
        for (std::size_t i = 0; i < std::min<std::size_t>(bitmap.palette.size(), 256); ++i)
            table[static_cast<qsizetype>(i)] = qRgb(bitmap.palette[i].r, bitmap.palette[i].g, bitmap.palette[i].b);
        image.setColorTable(table);
    }
    return image;
}

// Floor and ceiling of a / b for b > 0.
std::int64_t floorDiv(std::int64_t a, std::int64_t b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

std::int64_t ceilDiv(std::int64_t a, std::int64_t b)
{
    return -floorDiv(-a, b);
}

// The tiles k >= 0 at start + k x step, `size` long, that reach into [low, high).
std::pair<std::int64_t, std::int64_t> tilesWithin(int low, int high, int start, int size, int step)
{
    const std::int64_t first = std::max<std::int64_t>(0, floorDiv(std::int64_t{low} - start - size, step) + 1);
    return {first, ceilDiv(std::int64_t{high} - start, step)};
}

} // namespace

QImage toQImage(const platform::Bitmap& bitmap, const platform::Bitmap* mask)
{
    if (bitmap.isNull())
        return QImage();
    const bool narrow =
        bitmap.format() == platform::PixelFormat::Indexed1 || bitmap.format() == platform::PixelFormat::Indexed4;
    if (!mask)
        return copyRows(narrow ? bitmap.convertedTo(platform::PixelFormat::Indexed8) : bitmap);
    platform::Bitmap colours = bitmap.convertedTo(platform::PixelFormat::Argb32);
    const int width = std::min(colours.width(), mask->width());
    const int height = std::min(colours.height(), mask->height());
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = colours.scanLine(y);
        for (int x = 0; x < width; ++x)
            if (mask->pixelIndex(x, y) != 0)
                std::memset(row + 4 * static_cast<std::size_t>(x), 0, 4);
    }
    return copyRows(colours);
}

void drawTiled(QPainter& painter, const QRect& area, const QImage& tile, QPoint origin, QSize step)
{
    if (tile.isNull() || step.width() <= 0 || step.height() <= 0)
        return;
    QRect visible = area;
    if (painter.hasClipping())
        visible &= painter.clipBoundingRect().toAlignedRect();
    const int tileWidth = std::min(tile.width(), step.width());
    const int tileHeight = std::min(tile.height(), step.height());
    const auto [column, columnEnd] =
        tilesWithin(visible.left(), visible.left() + visible.width(), origin.x(), tileWidth, step.width());
    const auto [row, rowEnd] =
        tilesWithin(visible.top(), visible.top() + visible.height(), origin.y(), tileHeight, step.height());
    if (visible.isEmpty() || column >= columnEnd || row >= rowEnd)
        return;
    const int stripLeft = static_cast<int>(std::max<std::int64_t>(visible.left(), origin.x() + column * step.width()));
    const int stripRight = static_cast<int>(std::min<std::int64_t>(
        visible.left() + visible.width(), origin.x() + (columnEnd - 1) * step.width() + tileWidth));
    const QImage source = tile.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QImage strip(stripRight - stripLeft, tileHeight, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    for (int y = 0; y < tileHeight; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(strip.scanLine(y));
        for (int x = 0; x < strip.width(); ++x) {
            const auto at =
                static_cast<int>(std::int64_t{stripLeft + x - origin.x()}
                                 - floorDiv(std::int64_t{stripLeft + x - origin.x()}, step.width()) * step.width());
            if (at < tileWidth)
                out[x] = in[at];
        }
    }
    painter.save();
    painter.setClipRect(visible, Qt::IntersectClip);
    for (std::int64_t k = row; k < rowEnd; ++k)
        painter.drawImage(QPoint(stripLeft, static_cast<int>(origin.y() + k * step.height())), strip);
    painter.restore();
}

QImage toQImage(platform::Bitmap&& bitmap)
{
    const QImage::Format format = qtFormatOf(bitmap.format());
    if (bitmap.isNull() || (format != QImage::Format_ARGB32_Premultiplied && format != QImage::Format_RGB888))
        return toQImage(bitmap);
    auto* owned = new platform::Bitmap(std::move(bitmap));
    // Read-only pixels: the image copies them first if anyone writes to it.
    return QImage(
        static_cast<const uchar*>(owned->bits()), owned->width(), owned->height(),
        static_cast<qsizetype>(owned->stride()), format,
        [](void* pixels) { delete static_cast<platform::Bitmap*>(pixels); }, owned);
}
