#pragma once

#include "gif/GIFSettings.h"
#include "platform/graphics/Bitmap.h"
#include "platform/graphics/Rgb.h"

#include <array>
#include <span>
#include <vector>

// The 20 colours a palette screen always shows: 16 VGA colours and four pale greys and
// blues, ten at each end of a 256-entry palette.
const std::array<platform::Rgb, 20>& StaticColors();
// Our own fixed 256-entry halftone palette, in place of the one a palette screen would make:
// the first ten static colours, the 216 colours of the web cube (36r + 6g + b, 51 a level),
// a ramp of 20 greys k x 255 / 21 (k = 1..20) between the cube's greys, and the last ten
// static colours.
const std::array<platform::Rgb, 256>& HalftonePalette();

// A new 8-bit bitmap of `bitmap`'s size whose palette is chosen by `reduction` and whose
// pixels are mapped to it through the dither engine of `ditherMode`, walking rows
// alternately left to right and right to left. rmNone gives a 24-bit copy instead;
// rmQuantize makes 2^reductionBits colours from the pixels (reductionBits 1..8, else
// "Invalid Bits Per Pixel value"); rmPalette takes `palette` ("Color table is empty" when
// it has no entry). The result's palette holds exactly the colours of the reduction.
platform::Bitmap ReduceColors(const platform::Bitmap& bitmap, TColorReduction reduction, TDitherMode ditherMode,
                              int reductionBits, std::span<const platform::Rgb> palette = {});

// An octree palette of `colors` entries from the bitmap's pixels, entries beyond the
// colours found black; with `windows`, 236 colours between the ten first and ten last
// static colours. "Invalid Bits Per Pixel value" for colours outside 1..256 or colorBits
// outside 1..8.
std::vector<platform::Rgb> CreateOptimizedPaletteFromBitmap(const platform::Bitmap& bitmap, int colors, int colorBits,
                                                            bool windows);
// The same over every bitmap of the list in turn; "Invalid bitmap list" for an empty list
// or a null entry.
std::vector<platform::Rgb> CreateOptimizedPaletteFromManyBitmaps(std::span<const platform::Bitmap* const> bitmaps,
                                                                 int colors, int colorBits, bool windows);
