#include "platform/gl/GlyphOutline.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace platform {
namespace {

// Chords per cubic so that none strays more than `tolerance` from the curve: the second
// differences of the control points bound the curvature of the whole span.
int chordCount(QPointF p0, QPointF p1, QPointF p2, QPointF p3, double tolerance)
{
    const auto length = [](QPointF v) { return std::hypot(v.x(), v.y()); };
    const double bend = std::max(length(p0 - 2 * p1 + p2), length(p1 - 2 * p2 + p3));
    const double n = std::ceil(std::sqrt(0.75 * bend / tolerance));
    return static_cast<int>(std::clamp(n, 1.0, 256.0));
}

void appendCubic(Contour& out, QPointF p0, QPointF p1, QPointF p2, QPointF p3, double tolerance)
{
    const int n = chordCount(p0, p1, p2, p3, tolerance);
    for (int i = 1; i <= n; ++i) {
        const double t = double(i) / n, u = 1 - t;
        out.push_back(u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3);
    }
}

void finish(std::vector<Contour>& contours, Contour& current)
{
    if (current.size() > 1 && current.front() == current.back())
        current.pop_back();
    if (current.size() >= 2)
        contours.push_back(std::move(current));
    current.clear();
}

} // namespace

std::vector<Contour> FlattenOutline(const QPainterPath& path, double tolerance)
{
    tolerance = std::max(tolerance, 1e-9);
    std::vector<Contour> contours;
    Contour current;
    const int count = path.elementCount();
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            finish(contours, current);
            current.push_back(e);
            break;
        case QPainterPath::LineToElement:
            current.push_back(e);
            break;
        case QPainterPath::CurveToElement:
            if (i + 2 < count && !current.empty()) {
                appendCubic(current, current.back(), e, path.elementAt(i + 1), path.elementAt(i + 2), tolerance);
                i += 2;
            }
            break;
        case QPainterPath::CurveToDataElement:
            break;
        }
    }
    finish(contours, current);
    return contours;
}

double SignedArea2(const Contour& contour)
{
    double area = 0;
    for (std::size_t i = 0, n = contour.size(); i < n; ++i) {
        const QPointF& a = contour[i];
        const QPointF& b = contour[(i + 1) % n];
        area += a.x() * b.y() - b.x() * a.y();
    }
    return area;
}

} // namespace platform
