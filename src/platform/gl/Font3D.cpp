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

GlyphLoops loopsOf(const std::vector<Contour>& contours)
{
    GlyphLoops loops;
    for (const Contour& contour : contours) {
        for (const QPointF& p : contour)
            loops.points.push_back({float(p.x()), float(p.y()), 0.0f});
        loops.ends.push_back(std::uint32_t(loops.points.size()));
    }
    return loops;
}

void drawLoops(const GlyphLoops& loops)
{
    std::uint32_t start = 0;
    for (const std::uint32_t end : loops.ends) {
        glBegin(GL_LINE_LOOP);
        for (std::uint32_t corner = start; corner < end; ++corner)
            glVertex3fv(loops.points[corner].data());
        glEnd();
        start = end;
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

void compileGlyph(const GLYPHMETRICSFLOAT& metrics, const GlyphSolid* solid, const GlyphLoops* loops)
{
    // Outline glyphs always wind counter-clockwise; callers that care keep their own winding.
    glFrontFace(GL_CCW);
    if (loops)
        drawLoops(*loops);
    else if (solid && !solid->normals.empty())
        drawSolid(*solid);
    glTranslated(metrics.gmfCellIncX, 0, 0);
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
    const bool lines = format == WGL_FONT_LINES;
    result->metrics.resize(static_cast<std::size_t>(count));
    if (lines)
        result->loops.resize(static_cast<std::size_t>(count));
    else
        result->solids.resize(static_cast<std::size_t>(count));

    QRawFont raw = QRawFont::fromFont(*font);
    raw.setPixelSize(outlinePixels);
    const double tolerance = std::max<double>(deviation, smallestDeviation);
    for (int i = 0; i < count; ++i) {
        const long long code = static_cast<long long>(first) + i;
        const GlyphShape shape = IsUnicodeScalar(code) && raw.isValid() ? glyphShape(raw, static_cast<char32_t>(code), tolerance)
                                                         : GlyphShape{};
        const std::size_t glyph = static_cast<std::size_t>(i);
        result->metrics[glyph] = shape.metrics;
        if (lines)
            result->loops[glyph] = loopsOf(shape.contours);
        else
            result->solids[glyph] = extruder.Extrude(shape.contours, extrusion);
        glNewList(result->base + static_cast<GLuint>(i), GL_COMPILE);
        compileGlyph(shape.metrics, lines ? nullptr : &result->solids[glyph], lines ? &result->loops[glyph] : nullptr);
        glEndList();
    }
    return result;
}

} // namespace platform
