#pragma once

#include "platform/gl/DisplayListFont.h"
#include "platform/gl/ViewVolume.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace platform {

// How far any glyph of the font reaches from its origin, or beyond its advance, in em units:
// a text of n glyphs lies within [-reach, n * reach] along its x axis and [-reach, reach]
// along its y axis.
double GlyphReach(const OpenGLFont3D& font);

// Many labels of outline text drawn as one batch: the same triangles, or for a font drawn as
// lines the same line segments, Draw3DText would draw for each label under its matrix, in
// the order added, each label in one flat colour with lighting off. A triangle that cannot
// cover a pixel centre of the viewport and a segment wholly outside the view are left out,
// and a frame that adds the same labels under the same view draws what the last one drew.
class OutlineTextBatch {
public:
    // The labels of a new frame, in the space of the model-view matrix current at Draw.
    void Clear() { labels_.clear(); }
    // `place` takes the text's em units (the font's origin at the start of the text) into
    // the batch's space. Like Draw3DText, a text holding a character outside the font's
    // range adds nothing.
    void Add(const OpenGLFont3D& font, std::string_view text, const Matrix4& place, const std::array<float, 3>& colour);
    // Draws the labels under the current matrices and viewport.
    void Draw();

private:
    struct Label {
        const OpenGLFont3D* font;
        std::uint64_t fontSerial;
        std::vector<std::uint32_t> glyphs; // offsets into the font
        Matrix4 place;
        std::array<float, 3> colour;
        bool operator==(const Label&) const = default;
    };
    // Appends the triangles and segments of a label that may reach the picture.
    void Keep(const Label& label, const ViewVolume& view);
    void KeepTriangles(const GlyphSolid& solid, const Matrix4& clip, const Matrix4& place,
                       const std::array<float, 3>& colour, const ViewVolume& view);
    void KeepLines(const GlyphLoops& loops, const Matrix4& clip, const Matrix4& place,
                   const std::array<float, 3>& colour);
    static void Append(std::vector<float>& vertices, const std::array<double, 4>& point,
                       const std::array<float, 3>& colour);

    std::vector<Label> labels_;
    std::vector<Label> drawnLabels_;
    ViewVolume drawnView_{{}, {}};
    std::vector<float> triangles_; // x, y, z, red, green, blue of each vertex
    std::vector<float> lines_; // the same, two vertices a segment
    std::vector<std::uint32_t> covering_; // scratch: a glyph's triangles that may show
};

} // namespace platform
