// Frames composed by the painter equal an independent coalescing of the same frames, for
// every disposal, and ImageMagick's coalescing of animations that ImageMagick and gifsicle
// make.

#include "PainterTestKit.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

constexpr TGIFDrawOptions kPlay = goAsync | goAnimate | goTransparent;

Bytes Filled(int width, int height, int index)
{
    return Bytes(static_cast<std::size_t>(width) * height, static_cast<std::uint8_t>(index));
}

void ExpectCoalescedLikeTheReference(const Bytes& file, const std::string& what)
{
    Loaded l = Load(file);
    ASSERT_EQ(l.error, "") << what;
    Player player(*l.image);
    player.Play(kPlay);
    const auto expected = Coalesce(l.image->GetWidth(), l.image->GetHeight(), ReferenceFrames(*l.image));
    ASSERT_EQ(player.composites.size(), expected.size()) << what;
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(player.composites[i], expected[i]) << what << ": frame " << i;
}

} // namespace

TEST(GIFPainterDisposal, EveryDisposalComposesAsTheReference)
{
    GifBuilder b;
    b.header(6, 5, 8);
    b.graphicControl(1 << 2, 1, 0).frame(0, 0, 6, 5, Filled(6, 5, 0), 3);
    b.graphicControl(2 << 2, 1, 0).frame(1, 1, 2, 2, Filled(2, 2, 1), 3); // background
    b.graphicControl(3 << 2, 1, 0).frame(2, 2, 3, 2, Filled(3, 2, 2), 3); // previous after background
    b.graphicControl(3 << 2, 1, 0).frame(0, 0, 2, 2, Filled(2, 2, 3), 3); // previous after previous
    // Disposal 5 (no method), transparent index 1, reaching beyond the screen's corner.
    b.graphicControl(5 << 2 | 1, 1, 1).frame(4, 3, 4, 4, {4, 1, 4, 4, 1, 4, 4, 4, 4, 4, 1, 4, 4, 4, 4, 4}, 3);
    b.graphicControl(3 << 2, 1, 0).frame(0, 3, 2, 2, Filled(2, 2, 5), 3); // previous after 5: drawn
    b.graphicControl(1 << 2, 1, 0).frame(5, 0, 1, 1, {6}, 3);
    ExpectCoalescedLikeTheReference(b.trailer().bytes, "every disposal");

    // A transparent first frame over the transparent screen, cleared to it again, and a
    // frame wholly beyond the screen.
    GifBuilder clear;
    clear.header(5, 4, 4);
    clear.graphicControl(2 << 2 | 1, 1, 3).frame(1, 0, 3, 2, {0, 3, 1, 3, 2, 3}, 2);
    clear.graphicControl(3 << 2 | 1, 1, 3).frame(0, 1, 4, 3, {3, 3, 1, 1, 2, 3, 3, 0, 1, 1, 1, 1}, 2);
    clear.graphicControl(1 << 2, 1, 0).frame(300, 300, 20, 20, Filled(20, 20, 2), 2);
    clear.graphicControl(2 << 2, 1, 0).frame(2, 2, 3, 2, Filled(3, 2, 1), 2);
    clear.trailer();
    ExpectCoalescedLikeTheReference(clear.bytes, "transparent background");

    // Frames whose data stops within their second row, interlaced (flag 0x40) or not: the
    // rows the data never reached hold the fill, drawn without being read; a transparent
    // fill leaves what lay there.
    GifBuilder cut;
    cut.header(7, 9, 4);
    cut.graphicControl(0, 1, 0).frame(0, 0, 7, 9, Filled(9, 1, 2), 2);
    cut.graphicControl(1, 1, 3).frame(1, 0, 5, 9, Filled(7, 1, 1), 2, 0x40);
    cut.graphicControl(2 << 2, 1, 0).frame(0, 1, 6, 8, Filled(8, 1, 3), 2, 0x40);
    cut.graphicControl(1, 1, 0).frame(2, 2, 4, 7, Filled(5, 1, 1), 2);
    ExpectCoalescedLikeTheReference(cut.trailer().bytes, "data cut short");
}

TEST(GIFPainterDisposal, ABackgroundDisposalBringsBackTheBackgroundBuffer)
{
    // 5 x 4, background entry 0: frame 0 covers (1, 0)-(3, 1) and is disposed of to the
    // background; frame 1 below it leaves row 0 as the disposal made it.
    GifBuilder b;
    b.header(5, 4, 4);
    b.graphicControl(2 << 2, 1, 0).frame(1, 0, 3, 2, Filled(3, 2, 2), 2);
    b.graphicControl(1 << 2, 1, 0).frame(0, 2, 5, 2, Filled(5, 2, 1), 2);
    Loaded l = Load(b.trailer().bytes);
    ASSERT_EQ(l.error, "");
    const platform::Rgb background = l.image->GetBackgroundColor();
    const std::uint32_t opaque = 0xFF000000u | std::uint32_t{background.r} << 16 | std::uint32_t{background.g} << 8
                                 | background.b;
    for (const TGIFDrawOptions options : {kPlay, TGIFDrawOptions(goAsync | goAnimate)}) {
        Player player(*l.image);
        player.Play(options);
        ASSERT_EQ(player.composites.size(), 2u);
        const bool seeThrough = (options & goTransparent) != 0;
        EXPECT_EQ(player.painter->GetBackgroundBuffer(), seeThrough ? std::nullopt : std::optional(background));
        EXPECT_EQ(player.composites[1][2], seeThrough ? 0u : opaque) << "restored by the disposal";
        EXPECT_EQ(player.composites[1][0], 0u) << "never drawn";
    }
}

TEST(GIFPainterDisposal, ProducersAnimationsComposeAsImageMagickCoalescesThem)
{
    QTemporaryDir dir;
    for (const QString& tool : {ImageMagick(), QStringLiteral("gifsicle")})
        if (RunTool(tool, {QStringLiteral("--version")}) < 0)
            GTEST_SKIP() << tool.toStdString() << " is not installed (scripts/deps/test-gif.txt)";
    const QString made = dir.filePath("made.gif");
    for (const char* disposal : {"previous", "background", "none"}) {
        // A screen, then smaller frames of which some overlap, one partly transparent. The
        // screen stays: viewers differ on a first frame that restores what came before it.
        ASSERT_EQ(RunTool(ImageMagick(),
                          {"-dispose", "none", "-size", "16x12", "xc:red", "-dispose", disposal, "(", "-size", "6x5", "xc:blue", "-repage",
                           "+2+3", ")", "(", "-size", "7x4", "xc:none", "-fill", "lime", "-draw", "rectangle 0,0 3,3",
                           "-repage", "+5+4", ")", "(", "-size", "5x5", "xc:yellow", "-repage", "+9+6", ")", "-loop",
                           "0", made}),
                  0);
        const QStringList gifsicle{made, "--disposal=none", "#0", QStringLiteral("--disposal=") + disposal, "#1-"};
        for (const QStringList& remake : {QStringList{}, gifsicle}) {
            QString file = made;
            if (!remake.isEmpty()) {
                file = dir.filePath("gifsicle.gif");
                ASSERT_EQ(RunTool(QStringLiteral("gifsicle"), remake + QStringList{"-o", file}), 0);
            }
            const std::string what = std::string(disposal) + (remake.isEmpty() ? " (ImageMagick)" : " (gifsicle)");
            QByteArray coalesced;
            ASSERT_EQ(RunTool(ImageMagick(), {file, "-coalesce", "-depth", "8", "rgba:-"}, &coalesced), 0);
            Loaded l = Load(ReadBytes(file));
            ASSERT_EQ(l.error, "") << what;
            Player player(*l.image);
            player.Play(kPlay);
            const std::size_t pixels = static_cast<std::size_t>(l.image->GetWidth()) * l.image->GetHeight();
            ASSERT_EQ(static_cast<std::size_t>(coalesced.size()), player.composites.size() * pixels * 4) << what;
            const auto* theirs = reinterpret_cast<const std::uint8_t*>(coalesced.constData());
            for (std::size_t f = 0; f < player.composites.size(); ++f) {
                int differences = 0;
                for (std::size_t i = 0; i < pixels; ++i, theirs += 4) {
                    const std::uint32_t expected = theirs[3] == 0 ? 0u
                                                                  : 0xFF000000u | std::uint32_t{theirs[0]} << 16
                                                                        | std::uint32_t{theirs[1]} << 8 | theirs[2];
                    differences += player.composites[f][i] != expected;
                }
                EXPECT_EQ(differences, 0) << what << ": frame " << f;
            }
        }
    }
}
