#include "platform/gl/BitmapTextBatch.h"

#include "platform/gl/FontLists.h"

#include <GL/gl.h>

#include <cmath>

namespace platform {
namespace {

constexpr std::size_t floatsPerCorner = 8;

} // namespace

void BitmapTextBatch::Clear()
{
    runs_.clear();
    vertices_.clear();
}

void BitmapTextBatch::Add(const OpenGLFont2D& font, std::string_view text, const std::array<float, 3>& colour)
{
    if (font.atlas == 0) {
        // Glyphs too large for an atlas go out at once through the font's lists.
        Draw2DText(&font, text);
        return;
    }
    GLboolean valid = GL_FALSE;
    glGetBooleanv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
    if (!valid || !GlyphOffsets(text, font.first, font.count, offsets_))
        return;
    GLfloat raster[4];
    glGetFloatv(GL_CURRENT_RASTER_POSITION, raster);
    if (runs_.empty() || runs_.back().font != &font)
        runs_.push_back({&font, vertices_.size() / floatsPerCorner});
    // The depth as the driver hands a bitmap's quad to the viewport.
    const float z = raster[2] * 2.0f - 1.0f;
    const float atlasWidth = float(font.atlasWidth), atlasHeight = float(font.atlasHeight);
    float x = raster[0];
    const float y = raster[1];
    for (const unsigned offset : offsets_) {
        const GlyphPlace& glyph = font.glyphs[offset];
        if (glyph.width > 0) {
            // A bitmap's corner is its raster position truncated to the pixel, with the
            // driver's tolerance for positions a rounding error short of the next one.
            const float left = std::floor(x + 0.0001f - glyph.xorig) + float(glyph.left);
            const float bottom = std::floor(y + 0.0001f - glyph.yorig) + float(glyph.bottom);
            const float right = left + float(glyph.width), top = bottom + float(glyph.height);
            const float s0 = float(glyph.atlasX) / atlasWidth, s1 = float(glyph.atlasX + glyph.width) / atlasWidth;
            const float t0 = float(glyph.atlasY) / atlasHeight, t1 = float(glyph.atlasY + glyph.height) / atlasHeight;
            const float corners[4][4] = {{left, bottom, s0, t0},
                                         {right, bottom, s1, t0},
                                         {right, top, s1, t1},
                                         {left, top, s0, t1}};
            for (const auto& c : corners)
                vertices_.insert(vertices_.end(), {c[0], c[1], z, colour[0], colour[1], colour[2], c[2], c[3]});
        }
        x += glyph.advance;
    }
}

void BitmapTextBatch::Draw()
{
    if (vertices_.empty())
        return;
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_COLOR_BUFFER_BIT | GL_LIGHTING_BIT | GL_CURRENT_BIT
                 | GL_TRANSFORM_BIT);
    glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
    // Window coordinates in x and y; z already as the viewport expects it.
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(viewport[0], viewport[0] + viewport[2], viewport[1], viewport[1] + viewport[3], 1, -1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glShadeModel(GL_FLAT);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.5f);
    for (const GLenum unused : {GL_NORMAL_ARRAY, GL_INDEX_ARRAY, GL_EDGE_FLAG_ARRAY})
        glDisableClientState(unused);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    constexpr GLsizei stride = floatsPerCorner * sizeof(float);
    glVertexPointer(3, GL_FLOAT, stride, vertices_.data());
    glColorPointer(3, GL_FLOAT, stride, vertices_.data() + 3);
    glTexCoordPointer(2, GL_FLOAT, stride, vertices_.data() + 6);
    const std::size_t corners = vertices_.size() / floatsPerCorner;
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        const std::size_t end = i + 1 < runs_.size() ? runs_[i + 1].first : corners;
        glBindTexture(GL_TEXTURE_2D, runs_[i].font->atlas);
        glDrawArrays(GL_QUADS, GLint(runs_[i].first), GLsizei(end - runs_[i].first));
    }
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopClientAttrib();
    glPopAttrib();
}

} // namespace platform
