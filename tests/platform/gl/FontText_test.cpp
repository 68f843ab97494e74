#include "platform/gl/DisplayListFont.h"
#include "platform/gl/GlyphOutline.h"

#include <QPainterPath>
#include <gtest/gtest.h>

#include <cmath>

namespace {

using Codes = std::vector<std::uint32_t>;

TEST(FontText, Utf8DecodesStrictlyAndBadBytesStandAlone)
{
    EXPECT_EQ(platform::CodePoints("aZ"), (Codes{'a', 'Z'}));
    EXPECT_EQ(platform::CodePoints("\xC3\x88\xE2\x82\xAC\xF0\x9F\x98\x80"), (Codes{200, 0x20AC, 0x1F600}));
    // Overlong, surrogate, truncated and stray continuation bytes each give one U+FFFD per byte.
    EXPECT_EQ(platform::CodePoints("\xC0\xAF"), (Codes{0xFFFD, 0xFFFD}));
    EXPECT_EQ(platform::CodePoints("\xED\xA0\x80"), (Codes{0xFFFD, 0xFFFD, 0xFFFD}));
    EXPECT_EQ(platform::CodePoints("a\xE2\x82"), (Codes{'a', 0xFFFD, 0xFFFD}));
    EXPECT_EQ(platform::CodePoints("\x80z"), (Codes{0xFFFD, 'z'}));
    EXPECT_EQ(platform::CodePoints("\xF4\x90\x80\x80"), (Codes{0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}));
}

TEST(FontText, GlyphTextKeepsWhatTheFontCoversAndMarksTheRest)
{
    EXPECT_EQ(platform::GlyphText("readme.txt", 32, 96), "readme.txt");
    EXPECT_EQ(platform::GlyphText("caf\xC3\xA9\tx\xFF", 32, 96), "caf??x?");
    EXPECT_EQ(platform::GlyphText("caf\xC3\xA9", 32, 224), "caf\xC3\xA9");
    EXPECT_EQ(platform::GlyphText("", 32, 96), "");
}

TEST(FontText, TextSizeAddsCellsThenTheLastBlackBox)
{
    platform::OpenGLFont3D font; // metrics only: no display lists behind it
    font.first = 'a';
    font.count = 3;
    font.extrusion = 0.5f;
    font.metrics.resize(3);
    font.metrics[0].gmfBlackBoxX = 0.4f, font.metrics[0].gmfBlackBoxY = 0.6f;
    font.metrics[0].gmfCellIncX = 0.5f, font.metrics[0].gmfCellIncY = 0.125f;
    font.metrics[1].gmfBlackBoxX = 0.25f, font.metrics[1].gmfBlackBoxY = 0.75f;
    font.metrics[1].gmfCellIncX = 0.3f;

    double size[3] = {9, 9, 9};
    platform::Get3DTextSize(&font, "", size);
    platform::Get3DTextSize(nullptr, "a", size);
    platform::Get3DTextSize(&font, "a", nullptr);
    EXPECT_EQ(size[0], 9);
    EXPECT_EQ(size[2], 9);

    platform::Get3DTextSize(&font, "a", size);
    EXPECT_DOUBLE_EQ(size[0], 0.4f);
    EXPECT_DOUBLE_EQ(size[1], 0.6f);
    EXPECT_DOUBLE_EQ(size[2], 0.5);

    platform::Get3DTextSize(&font, "aab", size);
    EXPECT_DOUBLE_EQ(size[0], 0.5 + 0.5 + 0.25);
    EXPECT_DOUBLE_EQ(size[1], 0.125 + 0.125 + 0.75);

    platform::Get3DTextSize(&font, "abz", size);
    EXPECT_EQ(size[0], 0);
    EXPECT_EQ(size[1], 0);
    EXPECT_EQ(size[2], 0);
}

TEST(GlyphOutline, CurvesBecomeChordsWithinTheTolerance)
{
    QPainterPath path;
    path.addEllipse(QPointF(0, 0), 100, 100);
    path.addRect(200, 0, 10, 10);
    for (const double tolerance : {2.0, 0.1}) {
        const std::vector<platform::Contour> contours = platform::FlattenOutline(path, tolerance);
        ASSERT_EQ(contours.size(), 2u);
        const platform::Contour& circle = contours[0];
        EXPECT_NE(circle.front(), circle.back()) << "the closing point is not repeated";
        for (std::size_t i = 0; i < circle.size(); ++i) {
            const QPointF a = circle[i], b = circle[(i + 1) % circle.size()];
            EXPECT_NEAR(std::hypot(a.x(), a.y()), 100, 0.5);
            // The middle of a chord is the farthest it gets from the arc.
            const QPointF m = (a + b) / 2;
            EXPECT_LE(100 - std::hypot(m.x(), m.y()), tolerance + 0.3);
        }
        EXPECT_EQ(contours[1].size(), 4u);
        EXPECT_DOUBLE_EQ(std::abs(platform::SignedArea2(contours[1])), 200);
    }
    EXPECT_GT(platform::FlattenOutline(path, 0.1)[0].size(), 2 * platform::FlattenOutline(path, 2)[0].size());
}

} // namespace
