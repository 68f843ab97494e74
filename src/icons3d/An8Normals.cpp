#include "icons3d/An8Normals.h"

#include <cassert>
#include <cmath>

namespace {

struct Vec {
    float x = 0, y = 0, z = 0;
};

Vec& operator+=(Vec& a, const Vec& b)
{
    a.x += b.x;
    a.y += b.y;
    a.z += b.z;
    return a;
}

float dot(const Vec& a, const Vec& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vec normalised(Vec v)
{
    const float length = std::sqrt(dot(v, v));
    if (length > 0) {
        v.x /= length;
        v.y /= length;
        v.z /= length;
    }
    return v;
}

// Newell's normal of the triangle of the face's first three corners, negated: the panel
// draws front faces clockwise.
Vec faceNormal(const An8Mesh& mesh, const An8Face& face)
{
    Vec sum;
    if (face.n < 3)
        return sum;
    const An8Corner* corners = &mesh.corners[face.firstCorner];
    for (int i = 0; i < 3; ++i) {
        const An8Point& p = mesh.points[corners[i].point];
        const An8Point& q = mesh.points[corners[(i + 1) % 3].point];
        sum.x += (p.y - q.y) * (p.z + q.z);
        sum.y += (p.z - q.z) * (p.x + q.x);
        sum.z += (p.x - q.x) * (p.y + q.y);
    }
    const Vec unit = normalised(sum);
    return {-unit.x, -unit.y, -unit.z};
}

// The faces each point lies in, in face order, at most kAn8MaxFacesPerPoint per point,
// packed in one array (first[p] .. first[p + 1]).
struct PointFaces {
    std::vector<int32_t> first;
    std::vector<int32_t> faces;
    bool overfull = false;

    const int32_t* begin(int32_t point) const { return faces.data() + first[point]; }
    const int32_t* end(int32_t point) const { return faces.data() + first[point + 1]; }
    int32_t count(int32_t point) const { return first[point + 1] - first[point]; }
};

PointFaces pointFaces(const An8Mesh& mesh)
{
    PointFaces table;
    const std::size_t points = mesh.points.size();
    std::vector<int32_t> fill(points + 1, 0);
    for (const An8Face& face : mesh.faces) {
        if (face.n < 3)
            continue;
        for (int32_t c = face.firstCorner; c < face.firstCorner + face.n; ++c) {
            int32_t& count = fill[mesh.corners[c].point + 1];
            if (count < kAn8MaxFacesPerPoint)
                ++count;
            else
                table.overfull = true;
        }
    }
    for (std::size_t p = 1; p <= points; ++p)
        fill[p] += fill[p - 1];
    table.first = fill;
    table.faces.resize(static_cast<std::size_t>(fill[points]));
    for (std::size_t f = 0; f < mesh.faces.size(); ++f) {
        const An8Face& face = mesh.faces[f];
        if (face.n < 3)
            continue;
        for (int32_t c = face.firstCorner; c < face.firstCorner + face.n; ++c) {
            const int32_t point = mesh.corners[c].point;
            if (fill[point] < table.first[point + 1])
                table.faces[fill[point]++] = static_cast<int32_t>(f);
        }
    }
    return table;
}

bool faceHolds(const An8Mesh& mesh, int32_t f, int32_t point)
{
    const An8Face& face = mesh.faces[f];
    for (int32_t c = face.firstCorner; c < face.firstCorner + face.n; ++c)
        if (mesh.corners[c].point == point)
            return true;
    return false;
}

// The point beside the first occurrence of vertex in face f that is not crossed, or -1.
int32_t otherNeighbour(const An8Mesh& mesh, int32_t f, int32_t vertex, int32_t crossed)
{
    const An8Face& face = mesh.faces[f];
    const An8Corner* corners = &mesh.corners[face.firstCorner];
    for (int32_t i = 0; i < face.n; ++i) {
        if (corners[i].point != vertex)
            continue;
        const int32_t after = corners[(i + 1) % face.n].point;
        const int32_t before = corners[(i + face.n - 1) % face.n].point;
        if (after == crossed)
            return before;
        return before == crossed ? after : -1;
    }
    return -1;
}

// The corner's face normal plus the normals of the faces reached by walking round the
// vertex, first across the edge to the next corner, then across the edge to the previous
// one, as long as each step bends by less than the smooth angle.
Vec smoothedCorner(const An8Mesh& mesh, const PointFaces& table, const std::vector<Vec>& normals, int32_t f,
                   int32_t corner, float threshold)
{
    const An8Face& face = mesh.faces[f];
    const int32_t vertex = mesh.corners[face.firstCorner + corner].point;
    const int32_t starts[2] = {mesh.corners[face.firstCorner + (corner + 1) % face.n].point,
                               mesh.corners[face.firstCorner + (corner + face.n - 1) % face.n].point};
    const int32_t limit = table.count(vertex);
    Vec sum = normals[f];
    int32_t visited = 1;
    for (int32_t neighbour : starts) {
        int32_t previous = f;
        while (visited < limit) {
            int32_t found = -1;
            for (const int32_t* g = table.begin(vertex); g != table.end(vertex); ++g)
                if (*g != previous && faceHolds(mesh, *g, neighbour)) {
                    found = *g;
                    break;
                }
            if (found < 0 || dot(normals[found], normals[previous]) < threshold)
                break;
            sum += normals[found];
            ++visited;
            const int32_t following = otherNeighbour(mesh, found, vertex, neighbour);
            if (following < 0)
                return sum;
            neighbour = following;
            previous = found;
        }
    }
    return sum;
}

void store(float* target, const Vec& v)
{
    target[0] = v.x;
    target[1] = v.y;
    target[2] = v.z;
}

} // namespace

void An8ComputeNormals(An8Mesh& mesh, const std::function<void(const std::string&)>& message)
{
    const std::size_t faceCount = mesh.faces.size();
    std::vector<Vec> normals(faceCount);
    for (std::size_t f = 0; f < faceCount; ++f) {
        const An8Face& face = mesh.faces[f];
        assert(face.firstCorner >= 0 && face.firstCorner + face.n <= static_cast<int32_t>(mesh.corners.size()));
        normals[f] = faceNormal(mesh, face);
        for (int32_t c = face.firstCorner; c < face.firstCorner + face.n; ++c)
            store(mesh.corners[c].normal, normals[f]);
    }
    const PointFaces table = pointFaces(mesh);
    if (table.overfull && message)
        message("vertex is in too many faces");
    mesh.vertexNormals.assign(mesh.points.size(), An8Point{});
    if (faceCount > 916 || mesh.smooth) {
        for (std::size_t p = 0; p < mesh.points.size(); ++p) {
            Vec sum;
            for (const int32_t* f = table.begin(static_cast<int32_t>(p)); f != table.end(static_cast<int32_t>(p)); ++f)
                sum += normals[*f];
            const Vec unit = normalised(sum);
            mesh.vertexNormals[p] = {unit.x, unit.y, unit.z};
        }
        return;
    }
    const float threshold = std::cos(mesh.smoothAngle * static_cast<float>(M_PI) / 180);
    for (std::size_t f = 0; f < faceCount; ++f) {
        const An8Face& face = mesh.faces[f];
        if (face.n < 3)
            continue;
        for (int32_t corner = 0; corner < face.n; ++corner)
            store(mesh.corners[face.firstCorner + corner].normal,
                  normalised(smoothedCorner(mesh, table, normals, static_cast<int32_t>(f), corner, threshold)));
    }
}
