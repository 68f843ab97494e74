#include "filemanager/PanelBlocks.h"

#include "filemanager/dir.h"

#include <algorithm>
#include <cmath>

namespace {

BlockMesh TriangleMesh(std::vector<Vec3> vertices, std::initializer_list<std::array<int, 3>> triangles)
{
    BlockMesh mesh{std::move(vertices), {}};
    for (const auto& t : triangles) {
        MeshFace face{3, {t[0], t[1], t[2], 0}, {}};
        face.normal = NewellNormal({mesh.vertices[t[0]], mesh.vertices[t[1]], mesh.vertices[t[2]]});
        mesh.faces.push_back(face);
    }
    return mesh;
}

} // namespace

Vec3 NewellNormal(const std::vector<Vec3>& polygon)
{
    double nx = 0, ny = 0, nz = 0;
    for (std::size_t i = 0; i < polygon.size(); ++i) {
        const Vec3& a = polygon[i];
        const Vec3& b = polygon[(i + 1) % polygon.size()];
        nx += double(a[1] - b[1]) * (a[2] + b[2]);
        ny += double(a[2] - b[2]) * (a[0] + b[0]);
        nz += double(a[0] - b[0]) * (a[1] + b[1]);
    }
    const double length = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (length > 0) {
        nx /= length;
        ny /= length;
        nz /= length;
    }
    return {float(nx), float(ny), float(nz)};
}

BlockMesh MakeBoxMesh()
{
    // Corners: bit 0 x, bit 1 y, bit 2 z, each at its low or high side.
    BlockMesh mesh;
    for (int i = 0; i < 8; ++i)
        mesh.vertices.push_back({i & 1 ? 0.5f : -0.5f, i & 2 ? 0.5f : 0.0f, i & 4 ? 0.5f : -0.5f});
    mesh.faces = {
        {4, {4, 5, 7, 6}, {0, 0, 1}}, // front
        {4, {0, 2, 3, 1}, {0, 0, -1}}, // back
        {4, {2, 6, 7, 3}, {0, 1, 0}}, // top
        {4, {0, 1, 5, 4}, {0, -1, 0}}, // bottom
        {4, {1, 3, 7, 5}, {1, 0, 0}}, // right
        {4, {0, 4, 6, 2}, {-1, 0, 0}}, // left
    };
    return mesh;
}

BlockMesh MakeTetrahedronMesh()
{
    return TriangleMesh({{-0.5f, 0, 0}, {0.5f, 0, 0}, {0, 0.5f, 0.25f}, {0, 0, 0.5f}},
                        {{0, 1, 2}, {1, 3, 2}, {3, 2, 0}, {0, 1, 3}});
}

BlockMesh MakePrismMesh()
{
    return TriangleMesh(
        {{0, 0.5f, -0.5f}, {0.4f, 0.5f, 0.4f}, {-0.4f, 0.5f, 0.4f}, {0, 0, -0.5f}, {0.4f, 0, 0.4f}, {-0.4f, 0, 0.4f}},
        {{0, 1, 2}, {0, 2, 3}, {2, 5, 3}, {1, 0, 3}, {1, 4, 3}, {4, 3, 5}, {2, 1, 5}, {4, 5, 1}});
}

std::array<std::int8_t, 3> NameFaceColour(const std::string& name, int face)
{
    std::array<std::int8_t, 3> colour{};
    if (name.empty())
        return colour;
    for (std::size_t c = 0; c < 3; ++c)
        colour[c] = static_cast<std::int8_t>(name[(std::size_t(face) * 3 + c) % name.size()]);
    return colour;
}

int GridColumns(std::size_t entryCount)
{
    return std::max(10, static_cast<int>(std::sqrt(double(entryCount))));
}

double BlockHeight(const ff& entry, bool sizeAsHeight, std::int64_t& largest)
{
    if (!sizeAsHeight)
        return entry.IsDirectory() ? 1.0 : 0.11;
    const std::int64_t size = entry.size == 0 ? 10 : entry.size;
    if (largest <= 0)
        largest = 10;
    if (entry.IsDirectory() && size > largest)
        largest = size;
    return 50.0 * double(size) / double(largest);
}
