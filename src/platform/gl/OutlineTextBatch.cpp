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
        if (solid && !solid->triangles.empty()) {
            const Matrix4 clip = Advanced(toClip, pen);
            const Matrix4 place = Advanced(label.place, pen);
            covering_.clear();
            view.CoveringTriangles(clip, solid->points, solid->triangles, covering_);
            for (const std::uint32_t t : covering_) {
                for (const std::uint32_t corner : solid->triangles[t]) {
                    const std::array<double, 4> p = ToClip(place, solid->points[corner]);
                    kept_.insert(kept_.end(), {float(p[0]), float(p[1]), float(p[2])});
                    kept_.insert(kept_.end(), label.colour.begin(), label.colour.end());
                }
            }
        }
        if (glyph < font.metrics.size())
            pen += font.metrics[glyph].gmfCellIncX;
    }
}

void OutlineTextBatch::Draw()
{
    const ViewVolume view = ViewVolume::Current();
    if (!(view == drawnView_ && labels_ == drawnLabels_)) {
        kept_.clear();
        for (const Label& label : labels_)
            Keep(label, view);
        drawnView_ = view;
        drawnLabels_ = labels_;
    }
    if (kept_.empty())
        return;
    constexpr GLsizei stride = 6 * sizeof(float);
    glPushAttrib(GL_CURRENT_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    for (const GLenum unused : {GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_INDEX_ARRAY, GL_EDGE_FLAG_ARRAY})
        glDisableClientState(unused);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, kept_.data());
    glColorPointer(3, GL_FLOAT, stride, kept_.data() + 3);
    glDrawArrays(GL_TRIANGLES, 0, GLsizei(kept_.size() / 6));
    glPopClientAttrib();
    glPopAttrib();
}

} // namespace platform
