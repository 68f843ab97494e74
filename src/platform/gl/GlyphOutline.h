#pragma once

#include <QPointF>

#include <vector>

class QPainterPath;

namespace platform {

using Contour = std::vector<QPointF>;

// The closed contours of a glyph outline with every curve replaced by chords that stay
// within `tolerance` of it (in the path's units). A contour's closing point is not
// repeated; contours of fewer than two points are dropped.
std::vector<Contour> FlattenOutline(const QPainterPath& path, double tolerance);

// Twice the signed area of a contour (positive when counter-clockwise with y up).
double SignedArea2(const Contour& contour);

} // namespace platform
