#pragma once

#include "platform/gl/DisplayListFont.h"

#include <array>
#include <string_view>
#include <vector>

namespace platform {

// Many labels of bitmap text drawn as one batch of textured quads from the fonts' atlases:
// the same pixels, colours and depths Draw2DText would give each label at the raster
// position it had when added, in the order added.
class BitmapTextBatch {
public:
    void Clear();
    // The text at the current raster position, in `colour` (lighting off). Like Draw2DText, an
    // invalid raster position or a character outside the font's range adds nothing. A font
    // without an atlas draws the text at once, in the raster position's colour.
    void Add(const OpenGLFont2D& font, std::string_view text, const std::array<float, 3>& colour);
    // Draws the texts over the current viewport and depth buffer; leaves the GL state as it was.
    void Draw();

private:
    struct Run {
        const OpenGLFont2D* font;
        std::size_t first; // vertex
    };
    std::vector<Run> runs_;
    std::vector<float> vertices_; // x, y, z, red, green, blue, s, t of each quad's corners
    std::vector<unsigned> offsets_; // scratch
};

} // namespace platform
