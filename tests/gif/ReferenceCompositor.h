#pragma once

// Coalesces an animation the way every GIF viewer does, written from the GIF89a rules and
// nothing of ours: a transparent screen; each frame is drawn over it with its transparent
// index left out, shown, and then disposed of: "background" clears its area to
// transparent, "previous" puts back what was there before it, anything else keeps it.

#include <cstdint>
#include <vector>

namespace giftest {

struct ReferenceFrame {
    int left = 0, top = 0, width = 0, height = 0;
    std::vector<std::uint8_t> indices; // width x height, rows top to bottom
    std::vector<std::uint32_t> colours; // 0xAARRGGBB by index; missing ones are opaque black
    int transparent = -1; // the index left out, or -1
    int disposal = 0; // 2 background, 3 previous, anything else none
};

// One 0xAARRGGBB screen after each frame; transparent pixels are 0.
inline std::vector<std::vector<std::uint32_t>> Coalesce(int screenWidth, int screenHeight,
                                                        const std::vector<ReferenceFrame>& frames)
{
    std::vector<std::uint32_t> screen(static_cast<std::size_t>(screenWidth) * screenHeight, 0);
    std::vector<std::vector<std::uint32_t>> shown;
    for (const ReferenceFrame& f : frames) {
        const std::vector<std::uint32_t> before = screen;
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x) {
                const int sx = f.left + x, sy = f.top + y;
                const int index = f.indices[static_cast<std::size_t>(y) * f.width + x];
                if (sx >= screenWidth || sy >= screenHeight || index == f.transparent)
                    continue;
                const std::size_t at = static_cast<std::size_t>(sy) * screenWidth + sx;
                screen[at] = static_cast<std::size_t>(index) < f.colours.size() ? f.colours[index] : 0xFF000000u;
            }
        shown.push_back(screen);
        if (f.disposal == 3) {
            screen = before;
        } else if (f.disposal == 2) {
            for (int y = f.top; y < f.top + f.height && y < screenHeight; ++y)
                for (int x = f.left; x < f.left + f.width && x < screenWidth; ++x)
                    screen[static_cast<std::size_t>(y) * screenWidth + x] = 0;
        }
    }
    return shown;
}

} // namespace giftest
