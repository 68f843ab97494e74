#include "platform/gl/PixelFormat.h"

#include <algorithm>

namespace platform {
namespace {

constexpr int maxPaletteBits = 16;
constexpr int maxDepthBits = 24;

std::uint8_t channelValue(unsigned index, std::uint8_t bits, std::uint8_t shift)
{
    if (bits == 0)
        return 0;
    // A descriptor is plain data: keep odd channel sizes and shifts from shifting past the word.
    const unsigned mask = (1u << std::min<unsigned>(bits, maxPaletteBits)) - 1;
    const unsigned shifted = shift < 32 ? index >> shift : 0;
    return static_cast<std::uint8_t>((shifted & mask) * 255u / mask);
}

} // namespace

QSurfaceFormat SurfaceFormatFor(const PixelFormatDescriptor& requested)
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    format.setDepthBufferSize(std::min<int>(requested.cDepthBits, maxDepthBits));
    format.setStencilBufferSize(requested.cStencilBits);
    format.setSwapBehavior((requested.dwFlags & PFD_DOUBLEBUFFER) ? QSurfaceFormat::DoubleBuffer
                                                                  : QSurfaceFormat::SingleBuffer);
    return format;
}

PixelFormatDescriptor DescribePixelFormat(const PixelFormatDescriptor& requested, const QSurfaceFormat& obtained)
{
    PixelFormatDescriptor described = requested;
    const auto bits = [](int size) { return static_cast<std::uint8_t>(std::clamp(size, 0, 255)); };
    described.cRedBits = bits(obtained.redBufferSize());
    described.cGreenBits = bits(obtained.greenBufferSize());
    described.cBlueBits = bits(obtained.blueBufferSize());
    described.cAlphaBits = bits(obtained.alphaBufferSize());
    described.cBlueShift = 0;
    described.cGreenShift = described.cBlueBits;
    described.cRedShift = static_cast<std::uint8_t>(described.cBlueBits + described.cGreenBits);
    described.cColorBits = bits(described.cRedBits + described.cGreenBits + described.cBlueBits);
    described.cDepthBits = bits(obtained.depthBufferSize());
    described.cStencilBits = bits(obtained.stencilBufferSize());
    described.dwFlags &= ~PFD_NEED_PALETTE;
    if (described.cColorBits > 0 && described.cColorBits <= 8)
        described.dwFlags |= PFD_NEED_PALETTE;
    return described;
}

std::optional<std::vector<PaletteEntry>> ConstructPalette(const PixelFormatDescriptor& pfd)
{
    if (pfd.cColorBits > maxPaletteBits)
        return std::nullopt;
    std::vector<PaletteEntry> entries(std::size_t{1} << pfd.cColorBits);
    for (unsigned i = 0; i < entries.size(); ++i) {
        entries[i].peRed = channelValue(i, pfd.cRedBits, pfd.cRedShift);
        entries[i].peGreen = channelValue(i, pfd.cGreenBits, pfd.cGreenShift);
        entries[i].peBlue = channelValue(i, pfd.cBlueBits, pfd.cBlueShift);
    }
    return entries;
}

} // namespace platform
