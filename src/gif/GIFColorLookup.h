#pragma once

#include "platform/graphics/Rgb.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

// Maps a wanted colour to an entry of a palette: the index, and in `chosen` the colour
// that entry really has, from which a ditherer measures its error.
class TColorLookup {
public:
    explicit TColorLookup(int colors) : Colors(colors) {}
    TColorLookup(const TColorLookup&) = delete;
    TColorLookup& operator=(const TColorLookup&) = delete;
    virtual ~TColorLookup() = default;

    virtual std::uint8_t Lookup(int red, int green, int blue, platform::Rgb& chosen) = 0;

    // Entries of the palette; no colour can be chosen from none.
    int Colors;
};

// Any palette of up to 256 entries: the nearest entry by the sum of the channels' absolute
// differences, the lowest index on ties. Answers are kept in an inverse table of 32768
// cells, one per colour with the same top five bits in each channel; a cell is searched
// once and then serves every colour that falls into it.
class TFastColorLookup final : public TColorLookup {
public:
    explicit TFastColorLookup(std::span<const platform::Rgb> palette);

    std::uint8_t Lookup(int red, int green, int blue, platform::Rgb& chosen) override;

private:
    static int Cell(int red, int green, int blue) { return (blue >> 3) * 1024 + (green >> 3) * 32 + (red >> 3); }
    int Nearest(int red, int green, int blue) const;

    std::vector<platform::Rgb> palette_;
    std::array<std::int16_t, 32768> inverse_;
};

// The 216-colour web palette: each channel to the nearest of its six levels 0, 51, .., 255.
class TNetscapeColorLookup final : public TColorLookup {
public:
    TNetscapeColorLookup() : TColorLookup(216) {}

    std::uint8_t Lookup(int red, int green, int blue, platform::Rgb& chosen) override;
};

// 256 greys, entry i being (i, i, i), by the weighted luminance.
class TGrayScaleLookup final : public TColorLookup {
public:
    TGrayScaleLookup() : TColorLookup(256) {}

    std::uint8_t Lookup(int red, int green, int blue, platform::Rgb& chosen) override;
};

// Black (0) and white (1), split at the middle of the weighted luminance.
class TMonochromeLookup final : public TColorLookup {
public:
    TMonochromeLookup() : TColorLookup(2) {}

    std::uint8_t Lookup(int red, int green, int blue, platform::Rgb& chosen) override;
};
