#pragma once

#include "platform/graphics/Bitmap.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

class QPainter;

// A bitmap as a QImage of its own (no buffer shared). An 8-bit bitmap becomes
// Format_Indexed8 with its palette padded to 256 entries; with a mask (1 bit a pixel, 1 =
// transparent) any bitmap becomes premultiplied ARGB with alpha 0 where the mask is set.
// Row 0 stays the top row.
QImage toQImage(const platform::Bitmap& bitmap, const platform::Bitmap* mask = nullptr);
// The same, taking the bitmap: true colour pixels become the image's without a copy.
QImage toQImage(platform::Bitmap&& bitmap);

// Any image as a bitmap: indexed and monochrome images as 8-bit with their colour table,
// greyscale as 8-bit with a grey ramp, anything else as 24-bit colour. With `mask` given,
// pixels whose alpha is below 128 are set in it (1 bit a pixel, 1 = transparent); it stays
// empty when no pixel is. Row 0 stays the top row. "Failed to allocate memory for GIF DIB"
// when memory runs out.
platform::Bitmap fromQImage(const QImage& image, platform::Bitmap* mask = nullptr);

// Draws `tile` at origin + (i x step.width, j x step.height) for every i, j >= 0, within
// `area` and the painter's clip only. A tile wider or taller than the step is cut to it.
// One row of tiles is built once as a strip, drawn once a row: a 1 x 1 tile in a large
// window costs a draw per row, not one per pixel.
void drawTiled(QPainter& painter, const QRect& area, const QImage& tile, QPoint origin, QSize step);
