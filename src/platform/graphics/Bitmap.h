#pragma once

#include "platform/graphics/Rgb.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

enum class PixelFormat {
    Indexed1, // 8 pixels a byte, most significant bit first
    Indexed4, // 2 pixels a byte, high nibble first
    Indexed8,
    Rgb24,    // red, green, blue bytes
    Argb32,   // premultiplied 0xAARRGGBB in a native uint32_t (QImage's ARGB32_Premultiplied)
};

int bitsPerPixel(PixelFormat format);

// Bytes of one row of `width` pixels of `bits` each, padded to a multiple of `alignment` bits.
std::size_t scanlineBytes(std::size_t width, std::size_t bits, std::size_t alignment);

// A device-independent bitmap as a plain pixel buffer: rows top to bottom, each padded to
// 32 bits (the stride QImage expects too, so the two can share the buffer), and a palette
// for the indexed formats.
class Bitmap {
public:
    Bitmap() = default;
    // Pixels start as zero bytes. The caller checks the size against its own limits first;
    // an allocation that still fails throws std::bad_alloc.
    Bitmap(int width, int height, PixelFormat format);

    int width() const { return width_; }
    int height() const { return height_; }
    PixelFormat format() const { return format_; }
    std::size_t stride() const { return stride_; }
    bool isNull() const { return width_ == 0 || height_ == 0; }

    std::uint8_t* scanLine(int row) { return data_.data() + static_cast<std::size_t>(row) * stride_; }
    const std::uint8_t* scanLine(int row) const { return data_.data() + static_cast<std::size_t>(row) * stride_; }
    std::uint8_t* bits() { return data_.data(); }
    const std::uint8_t* bits() const { return data_.data(); }

    // The colour index at (x, y) of an indexed bitmap.
    unsigned pixelIndex(int x, int y) const;
    void setPixelIndex(int x, int y, unsigned index);
    // The colour at (x, y) in any format; indices beyond the palette read as black.
    Rgb pixelColor(int x, int y) const;

    std::vector<Rgb> palette;

    // A copy in another format. Indexed formats widen to wider indexed formats and to
    // Rgb24 or Argb32 through the palette; Argb32 and Rgb24 convert into each other.
    // Narrowing an indexed bitmap keeps it only when every index fits; anything else
    // (true colour to indexed) throws std::invalid_argument, as it needs a colour reduction.
    Bitmap convertedTo(PixelFormat format) const;

private:
    int width_ = 0;
    int height_ = 0;
    PixelFormat format_ = PixelFormat::Indexed8;
    std::size_t stride_ = 0;
    std::vector<std::uint8_t> data_;
};

} // namespace platform
