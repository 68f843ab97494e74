#include "platform/gl/DisplayListFont.h"

#include "platform/gl/FontLists.h"
#include "platform/gl/GlyphOutline.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <QFont>
#include <QPainterPath>
#include <QRawFont>

#include <array>
#include <cmath>
#include <deque>

namespace platform {
namespace {

// Outlines are taken at this pixel size and scaled down to the em square, so the
// flattening works on plenty of precision.
constexpr double outlinePixels = 1024;
constexpr double smallestDeviation = 0.002;

using Vertex = std::array<GLdouble, 3>;

// Vertices the tessellator points at must live until the polygon ends, those it makes at
// crossings included.
struct TessPolygon {
    std::deque<Vertex> vertices;
};

void GLAPIENTRY combineVertex(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* polygon)
{
    auto& vertices = static_cast<TessPolygon*>(polygon)->vertices;
    vertices.push_back({coords[0], coords[1], coords[2]});
    *out = vertices.back().data();
}

void GLAPIENTRY beginPrimitive(GLenum mode) { glBegin(mode); }
void GLAPIENTRY emitVertex(void* vertex) { glVertex3dv(static_cast<const GLdouble*>(vertex)); }
void GLAPIENTRY endPrimitive() { glEnd(); }

// Fills the glyph's face at depth z, facing the side `facing` (+1 towards +z, -1 towards -z).
void tessellateFace(GLUtesselator* tess, const std::vector<Contour>& contours, double z, double facing)
{
    TessPolygon polygon;
    glNormal3d(0, 0, facing);
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
void extrudeSides(const std::vector<Contour>& contours, double depth)
{
    double area = 0;
    for (const Contour& contour : contours)
        area += SignedArea2(contour);
    const double side = area >= 0 ? 1 : -1;
    glBegin(GL_QUADS);
    for (const Contour& contour : contours) {
        for (std::size_t i = 0, n = contour.size(); i < n; ++i) {
            QPointF a = contour[i], b = contour[(i + 1) % n];
            if (side < 0)
                std::swap(a, b);
            const double dx = b.x() - a.x(), dy = b.y() - a.y();
            const double length = std::hypot(dx, dy);
            if (length == 0)
                continue;
            glNormal3d(dy / length, -dx / length, 0);
            glVertex3d(a.x(), a.y(), 0);
            glVertex3d(a.x(), a.y(), -depth);
            glVertex3d(b.x(), b.y(), -depth);
            glVertex3d(b.x(), b.y(), 0);
        }
    }
    glEnd();
}

void outlineContours(const std::vector<Contour>& contours)
{
    for (const Contour& contour : contours) {
        glBegin(GL_LINE_LOOP);
        for (const QPointF& p : contour)
            glVertex3d(p.x(), p.y(), 0);
        glEnd();
    }
}

struct GlyphShape {
    std::vector<Contour> contours; // em units, y up
    GLYPHMETRICSFLOAT metrics;
};

GlyphShape glyphShape(const QRawFont& raw, char32_t code, double deviation)
{
    GlyphShape shape;
    const QList<quint32> indexes = raw.glyphIndexesForString(QString::fromUcs4(&code, 1));
    if (indexes.size() != 1 || indexes.front() == 0 || !raw.supportsCharacter(static_cast<uint>(code)))
        return shape;
    const QList<QPointF> advances = raw.advancesForGlyphIndexes(indexes);
    const double advance = advances.isEmpty() ? 0 : advances.front().x() / outlinePixels;
    shape.metrics.gmfCellIncX = static_cast<float>(advance);

    QPainterPath path = raw.pathForGlyph(indexes.front());
    shape.contours = FlattenOutline(path, deviation * outlinePixels);
    for (Contour& contour : shape.contours)
        for (QPointF& p : contour)
            p = QPointF(p.x() / outlinePixels, -p.y() / outlinePixels);
    const QRectF box = path.boundingRect();
    if (!shape.contours.empty()) {
        shape.metrics.gmfBlackBoxX = static_cast<float>(box.width() / outlinePixels);
        shape.metrics.gmfBlackBoxY = static_cast<float>(box.height() / outlinePixels);
        shape.metrics.gmfptGlyphOrigin.x = static_cast<float>(box.left() / outlinePixels);
        shape.metrics.gmfptGlyphOrigin.y = static_cast<float>(-box.top() / outlinePixels);
    }
    return shape;
}

void compileGlyph(GLUtesselator* tess, const GlyphShape& shape, int format, double extrusion)
{
    // Outline glyphs always wind counter-clockwise; callers that care keep their own winding.
    glFrontFace(GL_CCW);
    if (format == WGL_FONT_LINES) {
        outlineContours(shape.contours);
    } else if (!shape.contours.empty()) {
        tessellateFace(tess, shape.contours, 0, 1);
        if (extrusion != 0) {
            tessellateFace(tess, shape.contours, -extrusion, -1);
            extrudeSides(shape.contours, extrusion);
        }
    }
    glTranslated(shape.metrics.gmfCellIncX, 0, 0);
}

struct TessDeleter {
    void operator()(GLUtesselator* tess) const { gluDeleteTess(tess); }
};

} // namespace

std::unique_ptr<OpenGLFont3D> Create3DFont(const QFont* font, int first, int format, float extrusion,
                                           float deviation, int count)
{
    if (!font || count <= 0)
        return nullptr;
    std::unique_ptr<GLUtesselator, TessDeleter> tess(gluNewTess());
    if (!tess)
        return nullptr;
    auto result = ReserveFontLists<OpenGLFont3D>(first, count);
    if (!result)
        return nullptr;
    result->extrusion = extrusion;
    result->metrics.resize(static_cast<std::size_t>(count));

    gluTessProperty(tess.get(), GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessCallback(tess.get(), GLU_TESS_BEGIN, reinterpret_cast<_GLUfuncptr>(&beginPrimitive));
    gluTessCallback(tess.get(), GLU_TESS_VERTEX, reinterpret_cast<_GLUfuncptr>(&emitVertex));
    gluTessCallback(tess.get(), GLU_TESS_END, reinterpret_cast<_GLUfuncptr>(&endPrimitive));
    gluTessCallback(tess.get(), GLU_TESS_COMBINE_DATA, reinterpret_cast<_GLUfuncptr>(&combineVertex));

    QRawFont raw = QRawFont::fromFont(*font);
    raw.setPixelSize(outlinePixels);
    const double tolerance = std::max<double>(deviation, smallestDeviation);
    for (int i = 0; i < count; ++i) {
        const long long code = static_cast<long long>(first) + i;
        const GlyphShape shape = IsUnicodeScalar(code) && raw.isValid() ? glyphShape(raw, static_cast<char32_t>(code), tolerance)
                                                         : GlyphShape{};
        result->metrics[static_cast<std::size_t>(i)] = shape.metrics;
        glNewList(result->base + static_cast<GLuint>(i), GL_COMPILE);
        compileGlyph(tess.get(), shape, format, extrusion);
        glEndList();
    }
    return result;
}

} // namespace platform
