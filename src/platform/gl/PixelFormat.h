#pragma once

#include <QSurfaceFormat>

#include <cstdint>
#include <optional>
#include <vector>

namespace platform {

// The pixel-format request a panel makes, laid out as the system's descriptor so that the
// flag values and the palette rule keep their meaning. On Linux it chooses a surface format;
// nothing here ever needs a palette device.
inline constexpr std::uint32_t PFD_DOUBLEBUFFER = 0x1;
inline constexpr std::uint32_t PFD_STEREO = 0x2;
inline constexpr std::uint32_t PFD_DRAW_TO_WINDOW = 0x4;
inline constexpr std::uint32_t PFD_DRAW_TO_BITMAP = 0x8;
inline constexpr std::uint32_t PFD_SUPPORT_GDI = 0x10;
inline constexpr std::uint32_t PFD_SUPPORT_OPENGL = 0x20;
inline constexpr std::uint32_t PFD_GENERIC_FORMAT = 0x40;
inline constexpr std::uint32_t PFD_NEED_PALETTE = 0x80;
inline constexpr std::uint32_t PFD_NEED_SYSTEM_PALETTE = 0x100;
inline constexpr std::uint32_t PFD_SWAP_LAYER_BUFFERS = 0x800;
inline constexpr std::uint32_t PFD_GENERIC_ACCELERATED = 0x1000;

inline constexpr std::uint8_t PFD_TYPE_RGBA = 0;
inline constexpr std::uint8_t PFD_TYPE_COLORINDEX = 1;

struct PixelFormatDescriptor {
    std::uint16_t nSize = 40;
    std::uint16_t nVersion = 1;
    std::uint32_t dwFlags = 0;
    std::uint8_t iPixelType = PFD_TYPE_RGBA;
    std::uint8_t cColorBits = 0;
    std::uint8_t cRedBits = 0;
    std::uint8_t cRedShift = 0;
    std::uint8_t cGreenBits = 0;
    std::uint8_t cGreenShift = 0;
    std::uint8_t cBlueBits = 0;
    std::uint8_t cBlueShift = 0;
    std::uint8_t cAlphaBits = 0;
    std::uint8_t cDepthBits = 0;
    std::uint8_t cStencilBits = 0;
};

struct PaletteEntry {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;

    bool operator==(const PaletteEntry&) const = default;
};

// The surface format a request stands for: a compatibility profile of OpenGL 2.1 (the
// program draws with the fixed-function pipeline), 8 bits per colour channel, depth capped
// at what X servers offer, single buffering only when GDI drawing was asked for.
QSurfaceFormat SurfaceFormatFor(const PixelFormatDescriptor& requested);

// What the system made of a request: the requested descriptor with the channel sizes and
// shifts of the format actually obtained. Formats of 8 colour bits or fewer need a palette.
PixelFormatDescriptor DescribePixelFormat(const PixelFormatDescriptor& requested, const QSurfaceFormat& obtained);

// The logical palette of a format: 2^cColorBits entries spreading each channel's values over
// 0..255. A channel of zero bits stays 0. Formats too deep for a palette (more than 16 bits)
// give nothing, as an allocation of that size would fail.
std::optional<std::vector<PaletteEntry>> ConstructPalette(const PixelFormatDescriptor& pfd);

} // namespace platform
