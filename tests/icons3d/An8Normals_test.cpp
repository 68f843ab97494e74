#include "icons3d/An8Normals.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Builds meshes in memory: points, then faces as lists of point indices.
struct MeshBuilder {
    An8Mesh mesh;
    std::vector<std::string> messages;

    MeshBuilder& points(std::initializer_list<An8Point> list)
    {
        mesh.points.assign(list);
        return *this;
    }
    MeshBuilder& face(std::initializer_list<int32_t> corners)
    {
        An8Face face;
        face.firstCorner = static_cast<int32_t>(mesh.corners.size());
        face.n = static_cast<int32_t>(corners.size());
        for (int32_t point : corners) {
            An8Corner corner;
            corner.point = point;
            mesh.corners.push_back(corner);
        }
        mesh.faces.push_back(face);
        return *this;
    }
    An8Mesh& compute(float smoothAngle = 45)
    {
        mesh.smoothAngle = smoothAngle;
        An8ComputeNormals(mesh, [this](const std::string& text) { messages.push_back(text); });
        return mesh;
    }
};

void expectNormal(const float* n, float x, float y, float z)
{
    EXPECT_NEAR(n[0], x, 1e-5);
    EXPECT_NEAR(n[1], y, 1e-5);
    EXPECT_NEAR(n[2], z, 1e-5);
}

void expectNormal(const An8Point& n, float x, float y, float z)
{
    const float v[3] = {n.x, n.y, n.z};
    expectNormal(v, x, y, z);
}

// A unit cube of six quads, each wound counter-clockwise seen from outside.
MeshBuilder cube()
{
    MeshBuilder b;
    b.points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}});
    b.face({0, 3, 2, 1}).face({4, 5, 6, 7}).face({0, 1, 5, 4}).face({2, 3, 7, 6}).face({1, 2, 6, 5}).face({0, 4, 7, 3});
    return b;
}

TEST(An8Normals, FlatSquareGetsTheFaceNormalAtEveryCorner)
{
    MeshBuilder b;
    An8Mesh& mesh = b.points({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}).face({0, 1, 2}).face({0, 2, 3}).compute();
    for (const An8Corner& corner : mesh.corners)
        expectNormal(corner.normal, 0, 0, -1);
    for (const An8Point& n : mesh.vertexNormals)
        expectNormal(n, 0, 0, 0);
    EXPECT_TRUE(b.messages.empty());
}

TEST(An8Normals, CubeCornersStayFlatAt45AndAverageThreeFacesAt100)
{
    MeshBuilder flat = cube();
    An8Mesh& sharp = flat.compute(45);
    expectNormal(sharp.corners[0].normal, 0, 0, 1);     // face 0 (z = 0), negated outward normal
    expectNormal(sharp.corners[4].normal, 0, 0, -1);    // face 1 (z = 1)
    MeshBuilder round = cube();
    An8Mesh& soft = round.compute(100);
    const float k = 1 / std::sqrt(3.0f);
    expectNormal(soft.corners[0].normal, k, k, k);      // point 0 of face 0
    expectNormal(soft.corners[6].normal, -k, -k, -k);   // point 6 of face 1
}

TEST(An8Normals, LargeOrSmoothMeshesGetVertexNormalsAndFlatCorners)
{
    auto strip = [](int faces) {
        MeshBuilder b;
        for (int i = 0; i <= faces; ++i) {
            b.mesh.points.push_back({static_cast<float>(i), 0, 0});
            b.mesh.points.push_back({static_cast<float>(i), 1, 0});
        }
        for (int i = 0; i < faces; ++i)
            b.face({2 * i, 2 * i + 2, 2 * i + 3});
        return b;
    };
    MeshBuilder small = strip(916);
    small.compute();
    expectNormal(small.mesh.vertexNormals[0], 0, 0, 0);
    MeshBuilder large = strip(917);
    large.compute();
    expectNormal(large.mesh.vertexNormals[0], 0, 0, -1);
    expectNormal(large.mesh.corners[0].normal, 0, 0, -1);
    MeshBuilder marked = strip(2);
    marked.mesh.smooth = 1;
    marked.compute();
    expectNormal(marked.mesh.vertexNormals[2], 0, 0, -1);
    expectNormal(marked.mesh.vertexNormals[1], 0, 0, 0);   // in no face
}

TEST(An8Normals, DegenerateFacesGetZeroNormalsWithoutHarm)
{
    MeshBuilder b;
    b.points({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 1, 0}});
    b.face({0, 1, 2});     // collinear
    b.face({});            // no corners
    b.face({0});           // one
    b.face({0, 3});        // two
    b.face({0, 1, 0, 3});  // the same point twice
    An8Mesh& mesh = b.compute();
    for (int c = 0; c < 3; ++c)
        expectNormal(mesh.corners[c].normal, 0, 0, 0);
    expectNormal(mesh.corners[3].normal, 0, 0, 0);
    expectNormal(mesh.corners[4].normal, 0, 0, 0);
    for (int c = 6; c < 10; ++c)
        EXPECT_TRUE(std::isfinite(mesh.corners[c].normal[2]));
}

// A point in 131 faces: the 131st is left out of its table, with one message.
TEST(An8Normals, PointInTooManyFacesUsesTheFirst130)
{
    MeshBuilder b;
    b.mesh.points.push_back({0, 0, 0});
    for (int i = 0; i <= 131; ++i)
        b.mesh.points.push_back({std::cos(i * 0.04f), std::sin(i * 0.04f), 0});
    b.mesh.points.push_back({0, 0, 5});   // tilts the last face
    for (int i = 1; i <= 130; ++i)
        b.face({0, i, i + 1});
    b.face({0, 131, 133});
    b.mesh.smooth = 1;
    An8Mesh& mesh = b.compute();
    EXPECT_EQ(b.messages, std::vector<std::string>{"vertex is in too many faces"});
    expectNormal(mesh.vertexNormals[0], 0, 0, -1);
}

} // namespace
