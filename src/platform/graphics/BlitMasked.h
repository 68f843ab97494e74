#pragma once

#include "platform/graphics/Bitmap.h"

namespace platform {

struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Copies srcRect of `src` stretched (nearest neighbour) onto dstRect of `dst`, clipped to
// both bitmaps. Where `mask` (1 bit a pixel over `src`, may be null) has a 1 the target
// keeps its pixel: that is how transparent pixels are drawn. Both bitmaps must have the
// same whole-byte format (Indexed8, Rgb24 or Argb32); others are left untouched.
void blitMasked(Bitmap& dst, PixelRect dstRect, const Bitmap& src, PixelRect srcRect, const Bitmap* mask);

} // namespace platform
