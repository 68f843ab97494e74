#include "platform/graphics/BlitMasked.h"

#include <algorithm>
#include <cstring>

namespace platform {

void blitMasked(Bitmap& dst, PixelRect dstRect, const Bitmap& src, PixelRect srcRect, const Bitmap* mask)
{
    const int bits = bitsPerPixel(src.format());
    if (dst.format() != src.format() || bits < 8 || dstRect.width <= 0 || dstRect.height <= 0 ||
        srcRect.width <= 0 || srcRect.height <= 0)
        return;
    const std::size_t bytes = static_cast<std::size_t>(bits / 8);
    const int x0 = std::max(dstRect.x, 0);
    const int y0 = std::max(dstRect.y, 0);
    const int x1 = std::min(dstRect.x + dstRect.width, dst.width());
    const int y1 = std::min(dstRect.y + dstRect.height, dst.height());
    const bool unscaled = dstRect.width == srcRect.width && dstRect.height == srcRect.height;
    for (int y = y0; y < y1; ++y) {
        // The source pixel whose area the target pixel's top-left corner falls in.
        const int sy = unscaled ? srcRect.y + (y - dstRect.y)
                                : srcRect.y + static_cast<int>(std::int64_t{y - dstRect.y} * srcRect.height /
                                                               dstRect.height);
        if (sy < 0 || sy >= src.height())
            continue;
        std::uint8_t* out = dst.scanLine(y);
        const std::uint8_t* in = src.scanLine(sy);
        if (unscaled && !mask) {
            // A plain copy of the row's span: the common case of a picture's first frame.
            const int from = std::max(x0, dstRect.x - srcRect.x);
            const int to = std::min(x1, dstRect.x - srcRect.x + src.width());
            if (from < to)
                std::memcpy(out + static_cast<std::size_t>(from) * bytes,
                            in + static_cast<std::size_t>(from - dstRect.x + srcRect.x) * bytes,
                            static_cast<std::size_t>(to - from) * bytes);
            continue;
        }
        for (int x = x0; x < x1; ++x) {
            const int sx = unscaled ? srcRect.x + (x - dstRect.x)
                                    : srcRect.x + static_cast<int>(std::int64_t{x - dstRect.x} * srcRect.width /
                                                                   dstRect.width);
            if (sx < 0 || sx >= src.width())
                continue;
            if (mask && sx < mask->width() && sy < mask->height() && mask->pixelIndex(sx, sy) != 0)
                continue;
            std::memcpy(out + static_cast<std::size_t>(x) * bytes, in + static_cast<std::size_t>(sx) * bytes, bytes);
        }
    }
}

} // namespace platform
