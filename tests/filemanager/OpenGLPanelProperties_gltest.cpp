#include "filemanager/OpenGLPanel.h"

#include "support/gl/GlTestHelpers.h"

#include <gtest/gtest.h>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

const TPFDFlagSet defaultFlags{f_PFD_DRAW_TO_WINDOW, f_PFD_SUPPORT_OPENGL, f_PFD_DOUBLEBUFFER};

TEST(OpenGLPanelProperties, DefaultsAskForADoubleBufferedWindowFormat)
{
    TOpenGLPanel panel;
    EXPECT_EQ(panel.PixelType(), f_PFD_TYPE_RGBA);
    EXPECT_EQ(panel.PFDFlags(), defaultFlags);
    EXPECT_EQ(panel.cColorBits, 32);
    EXPECT_EQ(panel.cDepthBits, 32);
    EXPECT_EQ(panel.GLSwapBuffers, TOpenGLSwapBuffers::Auto);
    EXPECT_EQ(panel.PrintScale, pglProportional);
    EXPECT_EQ(panel.PixelsPerInch, 96);
    EXPECT_EQ(panel.Font3D_Format(), f_WGL_FONT_POLYGONS);
    EXPECT_FLOAT_EQ(panel.Font3D_Extrustion, 0.1f);
    EXPECT_EQ(panel.Font2D_FirstGylph, 32);
    EXPECT_EQ(panel.Font2D_NumGylph, 96);
    EXPECT_EQ(panel.Font2D_Type().family(), "Arial");
    EXPECT_EQ(panel.Font2D_Type().pixelSize(), 9);
    EXPECT_FALSE(panel.Font2D_Enabled);
    EXPECT_FALSE(panel.Font3D_Enabled);

    const platform::PixelFormatDescriptor pfd = panel.RequestedPixelFormat();
    EXPECT_EQ(pfd.nSize, 40);
    EXPECT_EQ(pfd.nVersion, 1);
    EXPECT_EQ(pfd.dwFlags, platform::PFD_DRAW_TO_WINDOW | platform::PFD_SUPPORT_OPENGL | platform::PFD_DOUBLEBUFFER);
    EXPECT_EQ(pfd.cColorBits, 32);
    EXPECT_EQ(pfd.cDepthBits, 32);
}

TEST(OpenGLPanelProperties, GdiSupportAndDoubleBufferingStayExclusive)
{
    struct Case {
        TPFDFlagSet old, requested, expected;
    };
    const Case cases[] = {
        // Both asked for: the one the old set lacked wins.
        {defaultFlags, {f_PFD_SUPPORT_GDI, f_PFD_DOUBLEBUFFER, f_PFD_STEREO}, {f_PFD_SUPPORT_GDI, f_PFD_STEREO}},
        {{f_PFD_SUPPORT_GDI}, {f_PFD_SUPPORT_GDI, f_PFD_DOUBLEBUFFER}, {f_PFD_DOUBLEBUFFER}},
        // Neither: the one the old set lacked is added.
        {defaultFlags, {f_PFD_DRAW_TO_WINDOW}, {f_PFD_DRAW_TO_WINDOW, f_PFD_SUPPORT_GDI}},
        {{f_PFD_SUPPORT_GDI, f_PFD_DRAW_TO_BITMAP}, {}, {f_PFD_DOUBLEBUFFER}},
        // Exactly one: kept as asked.
        {defaultFlags, {f_PFD_SUPPORT_GDI, f_PFD_DRAW_TO_BITMAP}, {f_PFD_SUPPORT_GDI, f_PFD_DRAW_TO_BITMAP}},
        {{f_PFD_SUPPORT_GDI}, {f_PFD_DOUBLEBUFFER}, {f_PFD_DOUBLEBUFFER}},
    };
    for (const Case& c : cases) {
        TOpenGLPanel panel;
        panel.SetPFDFlags({});
        panel.SetPFDFlags(c.old);
        ASSERT_EQ(panel.PFDFlags(), c.old);
        panel.SetPFDFlags(c.requested);
        EXPECT_EQ(panel.PFDFlags(), c.expected);
    }
}

TEST(OpenGLPanelProperties, FlagsMapToDescriptorBitsAndGdiDecidesTheBuffering)
{
    TOpenGLPanel panel;
    panel.SetPFDFlags({f_PFD_DRAW_TO_BITMAP, f_PFD_SUPPORT_GDI, f_PFD_GENERIC_FORMAT, f_PFD_NEED_PALETTE,
                       f_PFD_NEED_SYSTEM_PALETTE, f_PFD_STEREO, f_PFD_SWAP_LAYER_BUFFERS, f_PFD_GENERIC_ACCELERATED});
    panel.SetPixelType(f_PFD_TYPE_COLORINDEX);
    panel.cColorBits = 8;
    panel.cDepthBits = 16;
    const platform::PixelFormatDescriptor pfd = panel.RequestedPixelFormat();
    EXPECT_EQ(pfd.dwFlags, 0x8u | 0x10 | 0x40 | 0x80 | 0x100 | 0x2 | 0x800 | 0x1000);
    EXPECT_EQ(pfd.iPixelType, platform::PFD_TYPE_COLORINDEX);
    EXPECT_EQ(pfd.cColorBits, 8);
    EXPECT_EQ(pfd.cDepthBits, 16);
    EXPECT_EQ(platform::SurfaceFormatFor(pfd).swapBehavior(), QSurfaceFormat::SingleBuffer);
    EXPECT_EQ(platform::SurfaceFormatFor(pfd).depthBufferSize(), 16);
}

} // namespace
