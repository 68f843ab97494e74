#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QFont;

namespace platform {

// Text handed to the fonts is UTF-8; each code point selects the glyph of that code.
// Fonts cover the codes first .. first + count - 1, one display list per code.

// Where a bitmap glyph's list puts its pixels, and where the font's atlas holds them.
struct GlyphPlace {
    float xorig = 0; // the bitmap's origin, from its lower left corner
    float yorig = 0;
    float advance = 0;
    // The box of the bitmap's set pixels, from its lower left corner; empty when none is set.
    int left = 0, bottom = 0, width = 0, height = 0;
    int atlasX = 0, atlasY = 0; // the box's lower left corner in the atlas
};

// Bitmap glyphs, drawn at the current raster position.
struct OpenGLFont2D {
    int first = 0;
    int count = 0;
    std::uint32_t base = 0;
    std::vector<GlyphPlace> glyphs;
    // Every glyph's pixels side by side in one alpha texture, for drawing many texts at once.
    std::uint32_t atlas = 0;
    int atlasWidth = 0;
    int atlasHeight = 0;

    OpenGLFont2D() = default;
    OpenGLFont2D(const OpenGLFont2D&) = delete;
    OpenGLFont2D& operator=(const OpenGLFont2D&) = delete;
    // Deletes the lists and the atlas in the current context (any context sharing with the one
    // they were made in); without a current context there is nothing left to delete them from.
    ~OpenGLFont2D();
};

// Per-glyph metrics of an outline font, in em units (the em square is 1.0).
struct GLYPHMETRICSFLOAT {
    float gmfBlackBoxX = 0;
    float gmfBlackBoxY = 0;
    struct {
        float x = 0;
        float y = 0;
    } gmfptGlyphOrigin;
    float gmfCellIncX = 0;
    float gmfCellIncY = 0;
};

// A glyph's solid as the plain triangles its display list draws, in em units: the front face
// at z = 0 facing +z, the back face at z = -extrusion facing -z, and the walls between them.
struct GlyphSolid {
    std::vector<std::array<float, 3>> points; // each corner once
    std::vector<std::array<std::uint32_t, 3>> triangles; // corners of each triangle, in drawing order
    std::vector<std::array<float, 3>> normals; // one per triangle
};

// A glyph drawn as lines: the closed outlines its display list draws, in em units at z = 0.
struct GlyphLoops {
    std::vector<std::array<float, 3>> points; // the corners of one outline after another
    std::vector<std::uint32_t> ends; // where each outline's corners end in `points`
};

inline constexpr int WGL_FONT_LINES = 0;
inline constexpr int WGL_FONT_POLYGONS = 1;

// Extruded outline glyphs, drawn at the current model-view transformation: the front face
// lies at z = 0, the back at z = -extrusion, and each glyph's list advances the origin.
struct OpenGLFont3D {
    int first = 0;
    int count = 0;
    std::uint32_t base = 0;
    std::uint64_t serial = 0; // tells fonts apart, even one made where another was
    float extrusion = 0;
    std::vector<GLYPHMETRICSFLOAT> metrics;
    std::vector<GlyphSolid> solids; // per glyph, for solid glyphs
    std::vector<GlyphLoops> loops; // per glyph, for glyphs drawn as lines

    OpenGLFont3D() = default;
    OpenGLFont3D(const OpenGLFont3D&) = delete;
    OpenGLFont3D& operator=(const OpenGLFont3D&) = delete;
    ~OpenGLFont3D();
};

// Both need a current context; they give null for a null font, an empty range or when no
// display lists can be reserved. The 2D glyphs are rendered without antialiasing at the
// font's size; the 3D glyphs come from the font's outlines, flattened within `deviation` em.
std::unique_ptr<OpenGLFont2D> Create2DFont(const QFont* font, int first, int count);
std::unique_ptr<OpenGLFont3D> Create3DFont(const QFont* font, int first, int format, float extrusion, float deviation,
                                           int count);

// Draw nothing for a null font or an empty text, and nothing at all when any character lies
// outside the font's range. The 3D form leaves the front-face winding as it found it.
void Draw2DText(const OpenGLFont2D* font, std::string_view text);
void Draw3DText(const OpenGLFont3D* font, std::string_view text);

// Extent of a text in a 3D font into size[0..2] (x, y, z): the cell increments of all but
// the last character plus the last one's black box, and the extrusion as depth. A character
// outside the range gives all zeros; a null font or result or an empty text leaves it alone.
void Get3DTextSize(const OpenGLFont3D* font, std::string_view text, double* size);

// The code points of UTF-8 text; a byte that starts no valid sequence stands for U+FFFD.
std::vector<std::uint32_t> CodePoints(std::string_view text);

// Text for labels: every character outside the range becomes "?", so a name with characters
// the font lacks still shows rather than vanishing.
std::string GlyphText(std::string_view text, int first, int count);

} // namespace platform
