#pragma once

#include "platform/gl/DisplayListFont.h"
#include "platform/gl/GlyphOutline.h"

#include <memory>
#include <vector>

struct GLUtesselator;

namespace platform {

// Fills glyph outlines with the GLU tessellator (non-zero winding) and extrudes them.
class GlyphExtruder {
public:
    GlyphExtruder();
    ~GlyphExtruder();
    GlyphExtruder(const GlyphExtruder&) = delete;
    GlyphExtruder& operator=(const GlyphExtruder&) = delete;

    // False when GLU could not make a tessellator.
    bool valid() const { return tess_ != nullptr; }
    // The faces alone with depth 0, both faces and the walls otherwise.
    GlyphSolid Extrude(const std::vector<Contour>& contours, double depth);

private:
    struct TessDeleter {
        void operator()(GLUtesselator* tess) const;
    };
    std::unique_ptr<GLUtesselator, TessDeleter> tess_;
};

} // namespace platform
