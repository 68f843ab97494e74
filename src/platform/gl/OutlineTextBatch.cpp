#include "platform/gl/OutlineTextBatch.h"

#include "platform/gl/FontLists.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace platform {
namespace {

// The matrix moved along its own x axis by `pen`, as the glyph lists' advances move it.
Matrix4 Advanced(Matrix4 m, double pen)
{
    for (std::size_t row = 0; row < 4; ++row)
        m[12 + row] += pen * m[row];
    return m;
}

} // namespace

double GlyphReach(const OpenGLFont3D& font)
{
    double reach = 0;
    for (const GLYPHMETRICSFLOAT& m : font.metrics)
        for (const double extent : {m.gmfCellIncX, m.gmfptGlyphOrigin.x, m.gmfptGlyphOrigin.x + m.gmfBlackBoxX,
                                    m.gmfptGlyphOrigin.y, m.gmfptGlyphOrigin.y - m.gmfBlackBoxY})
            reach = std::max(reach, std::abs(extent));
    return reach;
}

void OutlineTextBatch::Add(const OpenGLFont3D& font, std::string_view text, const Matrix4& place,
                           const std::array<float, 3>& colour)
{
    Label label{&font, font.serial, {}, place, colour};
    if (GlyphOffsets(text, font.first, font.count, label.glyphs))
        labels_.push_back(std::move(label));
}

void OutlineTextBatch::Keep(const Label& label, const ViewVolume& view)
{
    const OpenGLFont3D& font = *label.font;
    const Matrix4 toClip = view.matrix() * label.place;
    double pen = 0;
    for (const std::uint32_t glyph : label.glyphs) {
        const GlyphSolid* solid = glyph < font.solids.size() ? &font.solids[glyph] : nullptr;
        const GlyphLoops* loops = glyph < font.loops.size() ? &font.loops[glyph] : nullptr;
        if ((solid && !solid->triangles.empty()) || (loops && !loops->ends.empty())) {
            const Matrix4 clip = Advanced(toClip, pen);
            const Matrix4 place = Advanced(label.place, pen);
            if (solid)
                KeepTriangles(*solid, clip, place, label.colour, view);
            else
                KeepLines(*loops, clip, place, label.colour);
        }
        if (glyph < font.metrics.size())
            pen += font.metrics[glyph].gmfCellIncX;
    }
}

void OutlineTextBatch::KeepTriangles(const GlyphSolid& solid, const Matrix4& clip, const Matrix4& place,
                                     const std::array<float, 3>& colour, const ViewVolume& view)
{
    covering_.clear();
    view.CoveringTriangles(clip, solid.points, solid.triangles, covering_);
    for (const std::uint32_t t : covering_) {
        for (const std::uint32_t corner : solid.triangles[t])
            Append(triangles_, ToClip(place, solid.points[corner]), colour);
    }
}

// Each outline as its edges, a line loop's segments; an edge wholly beyond a plane of the
// view goes.
void OutlineTextBatch::KeepLines(const GlyphLoops& loops, const Matrix4& clip, const Matrix4& place,
                                 const std::array<float, 3>& colour)
{
    std::uint32_t start = 0;
    for (const std::uint32_t end : loops.ends) {
        for (std::uint32_t corner = start; corner < end; ++corner) {
            const std::array<float, 3>& from = loops.points[corner];
            const std::array<float, 3>& to = loops.points[corner + 1 < end ? corner + 1 : start];
            if ((ViewVolume::PlanesBeyond(ToClip(clip, from)) & ViewVolume::PlanesBeyond(ToClip(clip, to))) != 0)
                continue;
            Append(lines_, ToClip(place, from), colour);
            Append(lines_, ToClip(place, to), colour);
        }
        start = end;
    }
}

void OutlineTextBatch::Append(std::vector<float>& vertices, const std::array<double, 4>& point,
                              const std::array<float, 3>& colour)
{
    vertices.insert(vertices.end(), {float(point[0]), float(point[1]), float(point[2])});
    vertices.insert(vertices.end(), colour.begin(), colour.end());
}

void OutlineTextBatch::Draw()
{
    const ViewVolume view = ViewVolume::Current();
    if (!(view == drawnView_ && labels_ == drawnLabels_)) {
        triangles_.clear();
        lines_.clear();
        for (const Label& label : labels_)
            Keep(label, view);
        drawnView_ = view;
        drawnLabels_ = labels_;
    }
    if (triangles_.empty() && lines_.empty())
        return;
    glPushAttrib(GL_CURRENT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    for (const GLenum unused : {GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_INDEX_ARRAY, GL_EDGE_FLAG_ARRAY})
        glDisableClientState(unused);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    for (const auto& [mode, vertices] :
         {std::pair{GLenum(GL_TRIANGLES), &triangles_}, std::pair{GLenum(GL_LINES), &lines_}}) {
        if (vertices->empty())
            continue;
        constexpr GLsizei stride = 6 * sizeof(float);
        glVertexPointer(3, GL_FLOAT, stride, vertices->data());
        glColorPointer(3, GL_FLOAT, stride, vertices->data() + 3);
        glDrawArrays(mode, 0, GLsizei(vertices->size() / 6));
    }
    glPopClientAttrib();
    glPopAttrib();
}

} // namespace platform
