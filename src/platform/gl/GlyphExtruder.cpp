#include "platform/gl/GlyphExtruder.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <array>
#include <cmath>
#include <deque>
#include <map>

namespace platform {
namespace {

using Vertex = std::array<GLdouble, 3>;

// A solid being built: each corner is kept once, however many triangles share it.
struct SolidBuilder {
    GlyphSolid solid;
    std::map<std::array<float, 3>, std::uint32_t> corners;

    std::uint32_t corner(const GLdouble* v)
    {
        const std::array<float, 3> point{float(v[0]), float(v[1]), float(v[2])};
        const auto [at, added] = corners.try_emplace(point, std::uint32_t(solid.points.size()));
        if (added)
            solid.points.push_back(point);
        return at->second;
    }
    void addTriangle(const std::array<float, 3>& normal, const GLdouble* a, const GLdouble* b, const GLdouble* c)
    {
        solid.triangles.push_back({corner(a), corner(b), corner(c)});
        solid.normals.push_back(normal);
    }
};

// One face being tessellated. Vertices the tessellator points at must live until the
// polygon ends, those it makes at crossings included.
struct TessPolygon {
    std::deque<Vertex> vertices;
    GLenum mode = GL_TRIANGLES;
    std::vector<const GLdouble*> primitive;
    std::array<float, 3> normal{};
    SolidBuilder* out = nullptr;
};

void GLAPIENTRY beginPrimitive(GLenum mode, void* polygon)
{
    auto& p = *static_cast<TessPolygon*>(polygon);
    p.mode = mode;
    p.primitive.clear();
}

void GLAPIENTRY emitVertex(void* vertex, void* polygon)
{
    static_cast<TessPolygon*>(polygon)->primitive.push_back(static_cast<const GLdouble*>(vertex));
}

// Fans and strips become the triangles OpenGL would make of them, in the same order.
void GLAPIENTRY endPrimitive(void* polygon)
{
    auto& p = *static_cast<TessPolygon*>(polygon);
    const auto& v = p.primitive;
    for (std::size_t i = 0; i + 2 < v.size(); i += p.mode == GL_TRIANGLES ? 3 : 1) {
        if (p.mode == GL_TRIANGLE_FAN)
            p.out->addTriangle(p.normal, v[0], v[i + 1], v[i + 2]);
        else if (p.mode == GL_TRIANGLE_STRIP && i % 2 == 1)
            p.out->addTriangle(p.normal, v[i + 1], v[i], v[i + 2]);
        else
            p.out->addTriangle(p.normal, v[i], v[i + 1], v[i + 2]);
    }
}

void GLAPIENTRY combineVertex(GLdouble coords[3], void* [4], GLfloat[4], void** out, void* polygon)
{
    auto& vertices = static_cast<TessPolygon*>(polygon)->vertices;
    vertices.push_back({coords[0], coords[1], coords[2]});
    *out = vertices.back().data();
}

// Fills the glyph's face at depth z, facing the side `facing` (+1 towards +z, -1 towards -z).
void tessellateFace(GLUtesselator* tess, const std::vector<Contour>& contours, double z, double facing, SolidBuilder& out)
{
    TessPolygon polygon;
    polygon.normal = {0, 0, float(facing)};
    polygon.out = &out;
    gluTessNormal(tess, 0, 0, facing);
    gluTessBeginPolygon(tess, &polygon);
    for (const Contour& contour : contours) {
        gluTessBeginContour(tess);
        for (const QPointF& p : contour) {
            polygon.vertices.push_back({p.x(), p.y(), z});
            gluTessVertex(tess, polygon.vertices.back().data(), polygon.vertices.back().data());
        }
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
}

// The walls between the faces. Glyph outlines wind consistently (holes against the outer
// contours), so the sign of the total area says on which side of each edge the glyph lies.
void extrudeSides(const std::vector<Contour>& contours, double depth, SolidBuilder& out)
{
    double area = 0;
    for (const Contour& contour : contours)
        area += SignedArea2(contour);
    const bool reversed = area < 0;
    for (const Contour& contour : contours) {
        for (std::size_t i = 0, n = contour.size(); i < n; ++i) {
            QPointF a = contour[i], b = contour[(i + 1) % n];
            if (reversed)
                std::swap(a, b);
            const double dx = b.x() - a.x(), dy = b.y() - a.y();
            const double length = std::hypot(dx, dy);
            if (length == 0)
                continue;
            const std::array<float, 3> normal{float(dy / length), float(-dx / length), 0};
            const Vertex nearA{a.x(), a.y(), 0}, farA{a.x(), a.y(), -depth};
            const Vertex nearB{b.x(), b.y(), 0}, farB{b.x(), b.y(), -depth};
            out.addTriangle(normal, nearA.data(), farA.data(), farB.data());
            out.addTriangle(normal, nearA.data(), farB.data(), nearB.data());
        }
    }
}

} // namespace

void GlyphExtruder::TessDeleter::operator()(GLUtesselator* tess) const
{
    gluDeleteTess(tess);
}

GlyphExtruder::GlyphExtruder() : tess_(gluNewTess())
{
    if (!tess_)
        return;
    GLUtesselator* tess = tess_.get();
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<_GLUfuncptr>(&beginPrimitive));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<_GLUfuncptr>(&emitVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<_GLUfuncptr>(&endPrimitive));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(&combineVertex));
}

GlyphExtruder::~GlyphExtruder() = default;

GlyphSolid GlyphExtruder::Extrude(const std::vector<Contour>& contours, double depth)
{
    SolidBuilder builder;
    if (!tess_ || contours.empty())
        return builder.solid;
    tessellateFace(tess_.get(), contours, 0, 1, builder);
    if (depth != 0) {
        tessellateFace(tess_.get(), contours, -depth, -1, builder);
        extrudeSides(contours, depth, builder);
    }
    return builder.solid;
}

} // namespace platform
