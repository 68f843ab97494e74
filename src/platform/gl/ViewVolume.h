#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace platform {

// A 4x4 matrix in OpenGL's column-major order.
using Matrix4 = std::array<double, 16>;

Matrix4 operator*(const Matrix4& a, const Matrix4& b);
// The point (x, y, z, 1) taken through the matrix, in double precision whatever the point's.
template <class T>
std::array<double, 4> ToClip(const Matrix4& m, const std::array<T, 3>& p)
{
    std::array<double, 4> clip{};
    for (std::size_t row = 0; row < 4; ++row)
        clip[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row];
    return clip;
}

// What the current context's matrices and viewport show of the model-view's space, for
// leaving out what cannot reach the picture.
class ViewVolume {
public:
    // From the current projection, model-view and viewport.
    static ViewVolume Current();
    ViewVolume(const Matrix4& projectionTimesModelView, const std::array<int, 4>& viewport);

    const Matrix4& matrix() const { return matrix_; }
    const std::array<int, 4>& viewport() const { return viewport_; }
    // The planes of the volume a point in clip coordinates lies clearly beyond, one bit each:
    // near the planes the driver's rounding may decide either way, so a point there counts
    // as inside.
    static unsigned PlanesBeyond(const std::array<double, 4>& clip)
    {
        const double reach = clip[3] + 1e-4 * (clip[3] < 0 ? -clip[3] : clip[3]);
        unsigned planes = 0;
        for (unsigned axis = 0; axis < 3; ++axis)
            planes |= (clip[axis] < -reach ? 1u : 0u) << (2 * axis) | (clip[axis] > reach ? 2u : 0u) << (2 * axis);
        return planes;
    }
    // Whether the box lies wholly beyond one of the six planes: nothing in it is drawn.
    bool Excludes(const std::array<double, 3>& low, const std::array<double, 3>& high) const;

    // The triangles of a mesh that may colour a pixel of the viewport, in order, into `kept`:
    // a triangle is left out only when no pixel centre lies within the driver's rounding of
    // it. `toClip` takes the mesh's points to clip coordinates (this volume's matrix times the
    // mesh's placement in the model-view's space).
    void CoveringTriangles(const Matrix4& toClip, const std::vector<std::array<float, 3>>& points,
                           const std::vector<std::array<std::uint32_t, 3>>& triangles,
                           std::vector<std::uint32_t>& kept) const;
    bool operator==(const ViewVolume&) const = default;

private:
    Matrix4 matrix_;
    std::array<int, 4> viewport_;
};

} // namespace platform
