#include "platform/gl/ViewVolume.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace platform {
namespace {

// How far the driver may place an edge from where double precision puts it: its vertices
// are single precision and snapped to a fraction of a pixel.
constexpr double edgeSlack = 1.0 / 32;

int FloorToInt(double v)
{
    const int i = int(v);
    return i - (v < i);
}

// A mesh point as the viewport sees it.
struct WindowPoint {
    double x = 0, y = 0; // window coordinates, when in front of the eye
    // The pixels (i for the centre i + 0.5) whose centres lie within the slack of it or
    // beyond it: first on the right and above, last on the left and below.
    int firstX = 0, lastX = 0, firstY = 0, lastY = 0;
    unsigned beyond = 0; // ViewVolume::PlanesBeyond
    bool inFront = false;
};

// Whether the pixel centre (x, y) lies inside the triangle or within the slack of its edges.
bool NearlyInside(const WindowPoint& p0, const WindowPoint& p1, const WindowPoint& p2, double x, double y)
{
    const WindowPoint* corner[3] = {&p0, &p1, &p2};
    const double area = (p1.x - p0.x) * (p2.y - p0.y) - (p2.x - p0.x) * (p1.y - p0.y);
    const double side = area < 0 ? -1 : 1;
    for (int k = 0; k < 3; ++k) {
        const WindowPoint& a = *corner[k];
        const WindowPoint& b = *corner[(k + 1) % 3];
        const double dx = b.x - a.x, dy = b.y - a.y;
        if (side * (dx * (y - a.y) - dy * (x - a.x)) < -edgeSlack * std::sqrt(dx * dx + dy * dy))
            return false;
    }
    return true;
}

} // namespace

Matrix4 operator*(const Matrix4& a, const Matrix4& b)
{
    Matrix4 product{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a[std::size_t(k * 4 + row)] * b[std::size_t(column * 4 + k)];
            product[std::size_t(column * 4 + row)] = sum;
        }
    return product;
}

ViewVolume ViewVolume::Current()
{
    Matrix4 projection{}, modelView{};
    glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView.data());
    std::array<int, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    return ViewVolume(projection * modelView, viewport);
}

ViewVolume::ViewVolume(const Matrix4& projectionTimesModelView, const std::array<int, 4>& viewport)
    : matrix_(projectionTimesModelView), viewport_(viewport)
{
}

bool ViewVolume::Excludes(const std::array<double, 3>& low, const std::array<double, 3>& high) const
{
    unsigned beyondAll = ~0u;
    for (int corner = 0; corner < 8; ++corner) {
        const std::array<double, 3> p{corner & 1 ? high[0] : low[0], corner & 2 ? high[1] : low[1],
                                      corner & 4 ? high[2] : low[2]};
        beyondAll &= PlanesBeyond(ToClip(matrix_, p));
    }
    return beyondAll != 0;
}

void ViewVolume::CoveringTriangles(const Matrix4& toClip, const std::vector<std::array<float, 3>>& points,
                                   const std::vector<std::array<std::uint32_t, 3>>& triangles,
                                   std::vector<std::uint32_t>& kept) const
{
    thread_local std::vector<WindowPoint> window;
    window.resize(points.size());
    const double halfWidth = 0.5 * viewport_[2], halfHeight = 0.5 * viewport_[3];
    const double centreX = viewport_[0] + halfWidth, centreY = viewport_[1] + halfHeight;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const std::array<double, 4> clip = ToClip(toClip, points[i]);
        WindowPoint& w = window[i];
        w.beyond = PlanesBeyond(clip);
        w.inFront = clip[3] > 0;
        if (w.inFront) {
            w.x = centreX + clip[0] / clip[3] * halfWidth;
            w.y = centreY + clip[1] / clip[3] * halfHeight;
            w.firstX = -FloorToInt(-(w.x - edgeSlack - 0.5));
            w.lastX = FloorToInt(w.x + edgeSlack - 0.5);
            w.firstY = -FloorToInt(-(w.y - edgeSlack - 0.5));
            w.lastY = FloorToInt(w.y + edgeSlack - 0.5);
        }
    }
    const int firstColumn = viewport_[0], lastColumn = viewport_[0] + viewport_[2] - 1;
    const int firstRow = viewport_[1], lastRow = viewport_[1] + viewport_[3] - 1;
    // First the triangles that may show, without branching on each: most are slivers
    // between pixel centres.
    thread_local std::vector<std::uint32_t> candidates;
    candidates.resize(triangles.size());
    std::size_t count = 0;
    for (std::uint32_t t = 0; t < triangles.size(); ++t) {
        const WindowPoint& a = window[triangles[t][0]];
        const WindowPoint& b = window[triangles[t][1]];
        const WindowPoint& c = window[triangles[t][2]];
        const bool inFront = a.inFront & b.inFront & c.inFront;
        const int left = std::max(std::min({a.firstX, b.firstX, c.firstX}), firstColumn);
        const int right = std::min(std::max({a.lastX, b.lastX, c.lastX}), lastColumn);
        const int bottom = std::max(std::min({a.firstY, b.firstY, c.firstY}), firstRow);
        const int top = std::min(std::max({a.lastY, b.lastY, c.lastY}), lastRow);
        const bool centreNear = (left <= right) & (bottom <= top);
        // Behind the eye a triangle's window shadow bounds nothing.
        const bool may = ((a.beyond & b.beyond & c.beyond) == 0) & (!inFront | centreNear);
        candidates[count] = t;
        count += may;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t t = candidates[i];
        const WindowPoint& a = window[triangles[t][0]];
        const WindowPoint& b = window[triangles[t][1]];
        const WindowPoint& c = window[triangles[t][2]];
        const int left = std::max(std::min({a.firstX, b.firstX, c.firstX}), firstColumn);
        const int right = std::min(std::max({a.lastX, b.lastX, c.lastX}), lastColumn);
        const int bottom = std::max(std::min({a.firstY, b.firstY, c.firstY}), firstRow);
        const int top = std::min(std::max({a.lastY, b.lastY, c.lastY}), lastRow);
        // A large triangle surely covers a centre; a small one is tried on the few it may.
        bool covers = !(a.inFront & b.inFront & c.inFront) || right - left > 3 || top - bottom > 3;
        for (int y = bottom; y <= top && !covers; ++y)
            for (int x = left; x <= right && !covers; ++x)
                covers = NearlyInside(a, b, c, x + 0.5, y + 0.5);
        if (covers)
            kept.push_back(t);
    }
}

} // namespace platform
