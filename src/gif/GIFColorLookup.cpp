#include "gif/GIFColorLookup.h"

#include <algorithm>
#include <cstdlib>

using platform::Rgb;

TFastColorLookup::TFastColorLookup(std::span<const Rgb> palette)
    : TColorLookup(static_cast<int>(std::min<std::size_t>(palette.size(), 256))),
      palette_(palette.begin(), palette.begin() + Colors)
{
    // No palette answers black at index 0 rather than reading past the end.
    if (palette_.empty())
        palette_.push_back({});
    // An entry's own cell goes to the lowest index showing that exact cell.
    for (int index = 0; index < Colors; ++index) {
        const Rgb& entry = palette_[static_cast<std::size_t>(index)];
        const auto cell = static_cast<std::size_t>(Cell(entry.r, entry.g, entry.b));
        if (!Filled(cell))
            Fill(cell, index);
    }
}

int TFastColorLookup::Nearest(int red, int green, int blue) const
{
    int best = 0;
    int bestDistance = 3 * 65536; // beyond any real distance, so entry 0 wins when it is the only one
    for (int index = 0; index < Colors; ++index) {
        const Rgb& entry = palette_[static_cast<std::size_t>(index)];
        const int distance = std::abs(entry.r - red) + std::abs(entry.g - green) + std::abs(entry.b - blue);
        if (distance < bestDistance) {
            best = index;
            bestDistance = distance;
        }
    }
    return best;
}

std::uint8_t TGrayScaleLookup::Lookup(int red, int green, int blue, Rgb& chosen)
{
    const auto grey = static_cast<std::uint8_t>((red * 77 + green * 150 + blue * 29) >> 8);
    chosen = {grey, grey, grey};
    return grey;
}

std::uint8_t TMonochromeLookup::Lookup(int red, int green, int blue, Rgb& chosen)
{
    if (red * 77 + green * 150 + blue * 29 < 32513) {
        chosen = {0, 0, 0};
        return 0;
    }
    chosen = {255, 255, 255};
    return 1;
}
