#include "platform/graphics/Bitmap.h"

#include <cstring>
#include <stdexcept>

namespace platform {

namespace {

bool isIndexed(PixelFormat format)
{
    return format == PixelFormat::Indexed1 || format == PixelFormat::Indexed4 || format == PixelFormat::Indexed8;
}

std::uint32_t loadArgb(const std::uint8_t* p)
{
    std::uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void storeArgb(std::uint8_t* p, std::uint32_t v)
{
    std::memcpy(p, &v, sizeof v);
}

// Undoes the premultiplication, rounding to the nearest value.
std::uint8_t unpremultiply(std::uint32_t component, std::uint32_t alpha)
{
    return alpha == 0 ? 0 : static_cast<std::uint8_t>((component * 255 + alpha / 2) / alpha);
}

} // namespace

int bitsPerPixel(PixelFormat format)
{
    switch (format) {
    case PixelFormat::Indexed1: return 1;
    case PixelFormat::Indexed4: return 4;
    case PixelFormat::Indexed8: return 8;
    case PixelFormat::Rgb24: return 24;
    case PixelFormat::Argb32: return 32;
    }
    return 8;
}

std::size_t scanlineBytes(std::size_t width, std::size_t bits, std::size_t alignment)
{
    return (width * bits + alignment - 1) / alignment * alignment / 8;
}

Bitmap::Bitmap(int width, int height, PixelFormat format)
    : width_(width > 0 && height > 0 ? width : 0), height_(width > 0 && height > 0 ? height : 0), format_(format),
      stride_(scanlineBytes(static_cast<std::size_t>(width_), static_cast<std::size_t>(bitsPerPixel(format)), 32)),
      data_(stride_ * static_cast<std::size_t>(height_))
{
}

unsigned Bitmap::pixelIndex(int x, int y) const
{
    const std::uint8_t* row = scanLine(y);
    switch (format_) {
    case PixelFormat::Indexed1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case PixelFormat::Indexed4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15u;
    case PixelFormat::Indexed8: return row[x];
    default: throw std::invalid_argument("pixelIndex of a bitmap without palette");
    }
}

void Bitmap::setPixelIndex(int x, int y, unsigned index)
{
    std::uint8_t* row = scanLine(y);
    switch (format_) {
    case PixelFormat::Indexed1: {
        const std::uint8_t bit = static_cast<std::uint8_t>(0x80u >> (x & 7));
        row[x >> 3] = static_cast<std::uint8_t>((index & 1u) ? row[x >> 3] | bit : row[x >> 3] & ~bit);
        break;
    }
    case PixelFormat::Indexed4: {
        const int shift = (x & 1) ? 0 : 4;
        row[x >> 1] = static_cast<std::uint8_t>((row[x >> 1] & ~(15u << shift)) | ((index & 15u) << shift));
        break;
    }
    case PixelFormat::Indexed8: row[x] = static_cast<std::uint8_t>(index); break;
    default: throw std::invalid_argument("setPixelIndex of a bitmap without palette");
    }
}

Rgb Bitmap::pixelColor(int x, int y) const
{
    if (isIndexed(format_)) {
        const unsigned index = pixelIndex(x, y);
        return index < palette.size() ? palette[index] : Rgb{};
    }
    const std::uint8_t* row = scanLine(y);
    if (format_ == PixelFormat::Rgb24)
        return {row[3 * x], row[3 * x + 1], row[3 * x + 2]};
    const std::uint32_t v = loadArgb(row + 4 * x);
    const std::uint32_t a = v >> 24;
    return {unpremultiply((v >> 16) & 0xFF, a), unpremultiply((v >> 8) & 0xFF, a), unpremultiply(v & 0xFF, a)};
}

Bitmap Bitmap::convertedTo(PixelFormat format) const
{
    if (format == format_)
        return *this;
    if (isIndexed(format) && !isIndexed(format_))
        throw std::invalid_argument("converting true colour to indexed needs a colour reduction");
    Bitmap out(width_, height_, format);
    if (format_ == PixelFormat::Indexed8 && format == PixelFormat::Argb32) {
        // Pictures of millions of pixels take this path: one table lookup a pixel.
        std::uint32_t colours[256];
        for (unsigned i = 0; i < 256; ++i) {
            const Rgb c = i < palette.size() ? palette[i] : Rgb{};
            colours[i] = 0xFF000000u | (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
        }
        for (int y = 0; y < height_; ++y) {
            const std::uint8_t* in = scanLine(y);
            std::uint8_t* row = out.scanLine(y);
            for (int x = 0; x < width_; ++x)
                storeArgb(row + 4 * static_cast<std::size_t>(x), colours[in[x]]);
        }
        return out;
    }
    if (isIndexed(format)) {
        const unsigned limit = 1u << bitsPerPixel(format);
        out.palette = palette;
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x) {
                const unsigned index = pixelIndex(x, y);
                if (index >= limit)
                    throw std::invalid_argument("colour index does not fit the narrower format");
                out.setPixelIndex(x, y, index);
            }
        return out;
    }
    for (int y = 0; y < height_; ++y) {
        std::uint8_t* row = out.scanLine(y);
        for (int x = 0; x < width_; ++x) {
            const Rgb c = pixelColor(x, y);
            if (format == PixelFormat::Rgb24) {
                row[3 * x] = c.r;
                row[3 * x + 1] = c.g;
                row[3 * x + 2] = c.b;
            } else {
                storeArgb(row + 4 * x, 0xFF000000u | (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b);
            }
        }
    }
    return out;
}

} // namespace platform
