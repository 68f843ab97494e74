#include "platform/gl/DisplayListFont.h"

#include "platform/gl/FontLists.h"
#include "platform/gl/GlyphOutline.h"
#include "platform/gl/GlyphExtruder.h"

#include <GL/gl.h>
#include <QFont>
#include <QPainterPath>
#include <QRawFont>

namespace platform {
namespace {

// Outlines are taken at this pixel size and scaled down to the em square, so the
// flattening works on plenty of precision.
constexpr double outlinePixels = 1024;
constexpr double smallestDeviation = 0.002;

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

// One batch of triangles per glyph: a list replays fastest with few primitives.
void drawSolid(const GlyphSolid& solid)
{
    glBegin(GL_TRIANGLES);
    for (std::size_t t = 0; t < solid.normals.size(); ++t) {
        glNormal3fv(solid.normals[t].data());
        for (const std::uint32_t corner : solid.triangles[t])
            glVertex3fv(solid.points[corner].data());
    }
    glEnd();
}

void compileGlyph(const GlyphShape& shape, const GlyphSolid& solid, int format)
{
    // Outline glyphs always wind counter-clockwise; callers that care keep their own winding.
    glFrontFace(GL_CCW);
    if (format == WGL_FONT_LINES)
        outlineContours(shape.contours);
    else if (!solid.normals.empty())
        drawSolid(solid);
    glTranslated(shape.metrics.gmfCellIncX, 0, 0);
}

} // namespace

std::unique_ptr<OpenGLFont3D> Create3DFont(const QFont* font, int first, int format, float extrusion,
                                           float deviation, int count)
{
    if (!font || count <= 0)
        return nullptr;
    GlyphExtruder extruder;
    if (!extruder.valid())
        return nullptr;
    auto result = ReserveFontLists<OpenGLFont3D>(first, count);
    if (!result)
        return nullptr;
    result->extrusion = extrusion;
    result->metrics.resize(static_cast<std::size_t>(count));
    result->solids.resize(static_cast<std::size_t>(count));

    QRawFont raw = QRawFont::fromFont(*font);
    raw.setPixelSize(outlinePixels);
    const double tolerance = std::max<double>(deviation, smallestDeviation);
    for (int i = 0; i < count; ++i) {
        const long long code = static_cast<long long>(first) + i;
        const GlyphShape shape = IsUnicodeScalar(code) && raw.isValid() ? glyphShape(raw, static_cast<char32_t>(code), tolerance)
                                                         : GlyphShape{};
        result->metrics[static_cast<std::size_t>(i)] = shape.metrics;
        GlyphSolid& solid = result->solids[static_cast<std::size_t>(i)];
        if (format != WGL_FONT_LINES)
            solid = extruder.Extrude(shape.contours, extrusion);
        glNewList(result->base + static_cast<GLuint>(i), GL_COMPILE);
        compileGlyph(shape, solid, format);
        glEndList();
    }
    return result;
}

} // namespace platform
