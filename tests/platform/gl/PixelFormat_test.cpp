#include "platform/gl/PixelFormat.h"

#include <gtest/gtest.h>

namespace {

using platform::PaletteEntry;
using platform::PixelFormatDescriptor;

PixelFormatDescriptor format332()
{
    PixelFormatDescriptor pfd;
    pfd.cColorBits = 8;
    pfd.cRedBits = 3, pfd.cRedShift = 0;
    pfd.cGreenBits = 3, pfd.cGreenShift = 3;
    pfd.cBlueBits = 2, pfd.cBlueShift = 6;
    return pfd;
}

TEST(ConstructPalette, SpreadsEachChannelOverTheFullRange)
{
    const auto palette = platform::ConstructPalette(format332());
    ASSERT_TRUE(palette);
    ASSERT_EQ(palette->size(), 256u);
    EXPECT_EQ((*palette)[0], (PaletteEntry{0, 0, 0, 0}));
    EXPECT_EQ((*palette)[255], (PaletteEntry{255, 255, 255, 0}));
    EXPECT_EQ((*palette)[7], (PaletteEntry{255, 0, 0, 0}));
    EXPECT_EQ((*palette)[0x38], (PaletteEntry{0, 255, 0, 0}));
    EXPECT_EQ((*palette)[0xC0], (PaletteEntry{0, 0, 255, 0}));
    // 3 of 7 red steps, 5 of 7 green, 1 of 3 blue, rounded down.
    EXPECT_EQ((*palette)[3 | 5 << 3 | 1 << 6], (PaletteEntry{109, 182, 85, 0}));
}

TEST(ConstructPalette, OddFormatsGiveBlackChannelsOrNoPalette)
{
    PixelFormatDescriptor grey;
    grey.cColorBits = 4;
    grey.cGreenBits = 4;
    const auto palette = platform::ConstructPalette(grey);
    ASSERT_TRUE(palette);
    ASSERT_EQ(palette->size(), 16u);
    EXPECT_EQ((*palette)[15], (PaletteEntry{0, 255, 0, 0}));
    EXPECT_EQ((*palette)[5], (PaletteEntry{0, 85, 0, 0}));

    PixelFormatDescriptor wild = format332();
    wild.cRedShift = 200;
    wild.cBlueBits = 40;
    ASSERT_TRUE(platform::ConstructPalette(wild));

    PixelFormatDescriptor deep;
    deep.cColorBits = 24;
    EXPECT_FALSE(platform::ConstructPalette(deep));
}

TEST(PixelFormat, RequestsBecomeCompatibilityFormatsAndDescriptionsOfWhatWasObtained)
{
    PixelFormatDescriptor request;
    request.dwFlags = platform::PFD_DRAW_TO_WINDOW | platform::PFD_SUPPORT_OPENGL | platform::PFD_DOUBLEBUFFER;
    request.cColorBits = 32;
    request.cDepthBits = 32;
    const QSurfaceFormat format = platform::SurfaceFormatFor(request);
    EXPECT_EQ(format.profile(), QSurfaceFormat::CompatibilityProfile);
    EXPECT_EQ(format.majorVersion(), 2);
    EXPECT_EQ(format.minorVersion(), 1);
    EXPECT_EQ(format.depthBufferSize(), 24);
    EXPECT_EQ(format.swapBehavior(), QSurfaceFormat::DoubleBuffer);

    const PixelFormatDescriptor described = platform::DescribePixelFormat(request, format);
    EXPECT_EQ(described.cRedShift, 16);
    EXPECT_EQ(described.cGreenShift, 8);
    EXPECT_EQ(described.cBlueShift, 0);
    EXPECT_EQ(described.cColorBits, 24);
    EXPECT_EQ(described.dwFlags & platform::PFD_NEED_PALETTE, 0u);

    QSurfaceFormat tiny = format;
    tiny.setRedBufferSize(3);
    tiny.setGreenBufferSize(3);
    tiny.setBlueBufferSize(2);
    EXPECT_NE(platform::DescribePixelFormat(request, tiny).dwFlags & platform::PFD_NEED_PALETTE, 0u);
}

} // namespace
