#include "gif/GIFColorLookup.h"

#include <algorithm>
#include <cstdlib>

using platform::Rgb;

namespace {

constexpr std::int16_t kEmptyCell = -1;

std::uint8_t WebLevel(int value)
{
    return static_cast<std::uint8_t>((value + 3) / 51);
}

} // namespace

TFastColorLookup::TFastColorLookup(std::span<const Rgb> palette)
    : TColorLookup(static_cast<int>(std::min<std::size_t>(palette.size(), 256))),
      palette_(palette.begin(), palette.begin() + Colors)
{
    inverse_.fill(kEmptyCell);
    // An entry's own cell goes to the lowest index showing that exact cell.
    for (int index = 0; index < Colors; ++index) {
        const Rgb& entry = palette_[static_cast<std::size_t>(index)];
        std::int16_t& cell = inverse_[static_cast<std::size_t>(Cell(entry.r, entry.g, entry.b))];
        if (cell == kEmptyCell)
            cell = static_cast<std::int16_t>(index);
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

std::uint8_t TFastColorLookup::Lookup(int red, int green, int blue, Rgb& chosen)
{
    std::int16_t& cell = inverse_[static_cast<std::size_t>(Cell(red, green, blue))];
    if (cell == kEmptyCell)
        cell = static_cast<std::int16_t>(Nearest(red, green, blue));
    const auto index = static_cast<std::uint8_t>(cell);
    chosen = palette_.empty() ? Rgb{} : palette_[index];
    return index;
}

std::uint8_t TNetscapeColorLookup::Lookup(int red, int green, int blue, Rgb& chosen)
{
    const std::uint8_t r = WebLevel(red);
    const std::uint8_t g = WebLevel(green);
    const std::uint8_t b = WebLevel(blue);
    chosen = {static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51), static_cast<std::uint8_t>(b * 51)};
    return static_cast<std::uint8_t>(r * 36 + g * 6 + b);
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
