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
        // A 1-bit mask is read from its row directly: a large transparent frame tests every pixel.
        const bool inMask = mask && sy < mask->height();
        const std::uint8_t* maskRow = inMask && mask->format() == PixelFormat::Indexed1 ? mask->scanLine(sy) : nullptr;
        const int maskWidth = inMask ? mask->width() : 0;
        const auto masked = [&](int sx) {
            if (sx >= maskWidth)
                return false;
            return maskRow ? ((maskRow[sx >> 3] >> (7 - (sx & 7))) & 1) != 0 : mask->pixelIndex(sx, sy) != 0;
        };
        if (unscaled) {
            // Runs of pixels to copy, each in one go: the whole span without a mask.
            const int shift = srcRect.x - dstRect.x;
            const int from = std::max(x0, -shift);
            const int to = std::min(x1, src.width() - shift);
            for (int x = from; x < to;) {
                while (x < to && masked(x + shift))
                    ++x;
                const int run = x;
                while (x < to && !masked(x + shift)) {
                    const int sx = x + shift;
                    // Whole bytes of clear mask bits at once.
                    x += maskRow && (sx & 7) == 0 && sx + 8 <= maskWidth && x + 8 <= to && maskRow[sx >> 3] == 0 ? 8 : 1;
                }
                if (x > run)
                    std::memcpy(out + static_cast<std::size_t>(run) * bytes,
                                in + static_cast<std::size_t>(run + shift) * bytes,
                                static_cast<std::size_t>(x - run) * bytes);
            }
            continue;
        }
        for (int x = x0; x < x1; ++x) {
            const int sx = srcRect.x + static_cast<int>(std::int64_t{x - dstRect.x} * srcRect.width / dstRect.width);
            if (sx >= 0 && sx < src.width() && !masked(sx))
                std::memcpy(out + static_cast<std::size_t>(x) * bytes, in + static_cast<std::size_t>(sx) * bytes,
                            bytes);
        }
    }
}

} // namespace platform
