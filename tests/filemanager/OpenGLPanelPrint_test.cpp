#include "filemanager/OpenGLPanelPrint.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace {

TEST(PrintRect, OnePrinterPixelPerPicturePixelFromTheMargins)
{
    // 0.18 inch truncated: 108 printer pixels at 600 dpi, 54 at 300 dpi.
    EXPECT_EQ(PrintRect({300, 200}, {600, 600}, {4800, 6600}, pglNone, 96), QRect(108, 108, 300, 200));
    EXPECT_EQ(PrintRect({300, 200}, {300, 600}, {2400, 6600}, pglNone, 96), QRect(54, 108, 300, 200));
    EXPECT_EQ(PrintRect({300, 200}, {100, 100}, {800, 1100}, pglNone, 96), QRect(18, 18, 300, 200));
}

TEST(PrintRect, ProportionalPrintsThePictureAtItsPixelsPerInch)
{
    EXPECT_EQ(PrintRect({96, 48}, {600, 600}, {4800, 6600}, pglProportional, 96), QRect(108, 108, 600, 300));
    // Below 1 pixel per inch counts as 96.
    EXPECT_EQ(PrintRect({96, 48}, {600, 600}, {4800, 6600}, pglProportional, 0), QRect(108, 108, 600, 300));
    EXPECT_EQ(PrintRect({96, 48}, {600, 600}, {4800, 6600}, pglProportional, -3), QRect(108, 108, 600, 300));
    EXPECT_EQ(PrintRect({96, 48}, {600, 600}, {4800, 6600}, pglProportional, 48), QRect(108, 108, 1200, 600));
    EXPECT_EQ(PrintRect({96, 48}, {600, 300}, {4800, 3300}, pglProportional, 96), QRect(108, 54, 600, 150));
    // Exact whole-number scaling: 100 pixels at 96 per inch are 625 printer pixels, not 624.
    EXPECT_EQ(PrintRect({100, 100}, {600, 600}, {4800, 6600}, pglProportional, 96).width(), 625);
}

TEST(PrintRect, PrintToFitFillsTheSpaceInsideTheMarginsKeepingTheAspect)
{
    struct Case {
        QSize bitmap, page;
    };
    const Case cases[] = {
        {{300, 200}, {4800, 6600}},   // smaller than a portrait page
        {{300, 200}, {6600, 4800}},   // smaller than a landscape page
        {{10000, 2000}, {4800, 6600}}, // wider than the page
        {{200, 30000}, {4800, 6600}},  // taller than the page
        {{20000, 9000}, {6600, 4800}}, // larger both ways, landscape
        {{1, 1}, {4800, 6600}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.bitmap.width() << "x" << c.bitmap.height() << " on "
                                        << c.page.width() << "x" << c.page.height());
        const QRect r = PrintRect(c.bitmap, {600, 600}, c.page, pglPrintToFit, 96);
        const int right = c.page.width() - 108, bottom = c.page.height() - 108;
        EXPECT_EQ(r.topLeft(), QPoint(108, 108));
        ASSERT_FALSE(r.isEmpty());
        EXPECT_LE(r.x() + r.width(), right);
        EXPECT_LE(r.y() + r.height(), bottom);
        EXPECT_TRUE(r.x() + r.width() == right || r.y() + r.height() == bottom) << "one side reaches its margin";
        // Truncation costs at most one printer pixel of the other side.
        EXPECT_LE(std::abs(std::int64_t{r.width()} * c.bitmap.height() - std::int64_t{r.height()} * c.bitmap.width()),
                  std::max(c.bitmap.width(), c.bitmap.height()));
    }
    EXPECT_EQ(PrintRect({300, 200}, {600, 600}, {4800, 6600}, pglPrintToFit, 96), QRect(108, 108, 4584, 3056));
}

TEST(PrintRect, NothingToPrintGivesAnEmptyRectangle)
{
    for (TOpenGLPrintScale scale : {pglNone, pglProportional, pglPrintToFit}) {
        EXPECT_TRUE(PrintRect({0, 200}, {600, 600}, {4800, 6600}, scale, 96).isEmpty());
        EXPECT_TRUE(PrintRect({300, 0}, {600, 600}, {4800, 6600}, scale, 96).isEmpty());
    }
    // A page no larger than its margins has no room to fit a picture in.
    EXPECT_TRUE(PrintRect({300, 200}, {600, 600}, {216, 6600}, pglPrintToFit, 96).isEmpty());
}

} // namespace
