#include "platform/graphics/Bitmap.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

using namespace platform;

TEST(Bitmap, RowArithmetic)
{
    struct Case { std::size_t width, bits, alignment, bytes; };
    for (const Case& c : {Case{1, 8, 32, 4}, Case{3, 24, 32, 12}, Case{33, 1, 32, 8}, Case{0, 8, 32, 0},
                          Case{5, 4, 16, 4}, Case{17, 1, 16, 4}}) {
        EXPECT_EQ(scanlineBytes(c.width, c.bits, c.alignment), c.bytes) << c.width << "x" << c.bits;
    }
    const Bitmap b(3, 2, PixelFormat::Rgb24);
    EXPECT_EQ(b.stride(), 12u);
    EXPECT_EQ(b.scanLine(1) - b.scanLine(0), 12);
    EXPECT_TRUE(Bitmap(0, 5, PixelFormat::Indexed8).isNull());
}

TEST(Bitmap, IndexedFormatsConvertTopDown)
{
    const std::vector<Rgb> palette{{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (PixelFormat format : {PixelFormat::Indexed1, PixelFormat::Indexed4, PixelFormat::Indexed8}) {
        Bitmap b(9, 3, format);
        b.palette = palette;
        const unsigned colors = format == PixelFormat::Indexed1 ? 2 : 4;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 9; ++x)
                b.setPixelIndex(x, y, static_cast<unsigned>(x + y) % colors);
        // Most significant bits first: pixel 0 of a 1-bit row is the top bit.
        if (format == PixelFormat::Indexed1) {
            EXPECT_EQ(b.scanLine(0)[0], 0b01010101);
        }
        if (format == PixelFormat::Indexed4) {
            EXPECT_EQ(b.scanLine(1)[0], 0x12);
        }
        const Bitmap rgb = b.convertedTo(PixelFormat::Rgb24);
        const Bitmap wide = b.convertedTo(PixelFormat::Indexed8);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 9; ++x) {
                const Rgb expected = palette[static_cast<std::size_t>(x + y) % colors];
                const std::uint8_t* p = rgb.scanLine(y) + 3 * x;
                EXPECT_EQ((Rgb{p[0], p[1], p[2]}), expected);
                EXPECT_EQ(wide.pixelIndex(x, y), static_cast<unsigned>(x + y) % colors);
            }
    }
    Bitmap eight(2, 1, PixelFormat::Indexed8);
    eight.setPixelIndex(1, 0, 200);
    EXPECT_EQ(eight.pixelColor(1, 0), (Rgb{})) << "beyond the palette: black";
    EXPECT_THROW(eight.convertedTo(PixelFormat::Indexed4), std::invalid_argument);
    EXPECT_THROW(Bitmap(1, 1, PixelFormat::Rgb24).convertedTo(PixelFormat::Indexed8), std::invalid_argument);
}

TEST(Bitmap, TrueColourFormatsConvertIntoEachOther)
{
    Bitmap rgb(2, 1, PixelFormat::Rgb24);
    const std::uint8_t pixels[6] = {10, 20, 30, 200, 100, 0};
    std::copy(pixels, pixels + 6, rgb.scanLine(0));
    const Bitmap argb = rgb.convertedTo(PixelFormat::Argb32);
    std::uint32_t first;
    std::memcpy(&first, argb.scanLine(0), 4);
    EXPECT_EQ(first, 0xFF0A141Eu);
    const Bitmap back = argb.convertedTo(PixelFormat::Rgb24);
    EXPECT_TRUE(std::equal(pixels, pixels + 6, back.scanLine(0)));

    Bitmap half(1, 1, PixelFormat::Argb32);
    const std::uint32_t premultiplied = 0x80402000u; // alpha 128, red 64 premultiplied
    std::memcpy(half.scanLine(0), &premultiplied, 4);
    EXPECT_EQ(half.pixelColor(0, 0), (Rgb{128, 64, 0}));
}
