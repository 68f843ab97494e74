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

    // Inline, as every pixel of a reduction asks it.
    std::uint8_t Lookup(int red, int green, int blue, platform::Rgb& chosen) override
    {
        const auto cell = static_cast<std::size_t>(Cell(red, green, blue));
        if (!Filled(cell))
            Fill(cell, Nearest(red, green, blue));
        const std::uint8_t index = inverse_[cell];
        chosen = palette_[index];
        return index;
    }

private:
    static int Cell(int red, int green, int blue) { return (blue >> 3) * 1024 + (green >> 3) * 32 + (red >> 3); }
    int Nearest(int red, int green, int blue) const;
    bool Filled(std::size_t cell) const { return ((filled_[cell >> 6] >> (cell & 63)) & 1) != 0; }
    void Fill(std::size_t cell, int index)
    {
        inverse_[cell] = static_cast<std::uint8_t>(index);
        filled_[cell >> 6] |= std::uint64_t{1} << (cell & 63);
    }

    std::vector<platform::Rgb> palette_;
    // The answer of each cell, and which cells have one: bytes and bits keep the pair small
    // enough to stay in the processor's nearest cache.
    std::array<std::uint8_t, 32768> inverse_{};
    std::array<std::uint64_t, 512> filled_{};
};

// The 216-colour web palette: each channel to the nearest of its six levels 0, 51, .., 255.
class TNetscapeColorLookup final : public TColorLookup {
public:
    TNetscapeColorLookup() : TColorLookup(216) {}

    std::uint8_t Lookup(int red, int green, int blue, platform::Rgb& chosen) override
    {
        const int r = (red + 3) / 51;
        const int g = (green + 3) / 51;
        const int b = (blue + 3) / 51;
        chosen = {static_cast<std::uint8_t>(r * 51), static_cast<std::uint8_t>(g * 51),
                  static_cast<std::uint8_t>(b * 51)};
        return static_cast<std::uint8_t>(r * 36 + g * 6 + b);
    }
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
