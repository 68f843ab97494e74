// Cropping, merging and optimising change how a picture is stored, never what it shows.

#include "OptimizeTestKit.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

using namespace giftest;
using platform::Rgb;

namespace {

const std::vector<Rgb> kFour{{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};

Bytes Filled(int count, int index)
{
    return Bytes(static_cast<std::size_t>(count), static_cast<std::uint8_t>(index));
}

} // namespace

TEST(GIFOptimize, CropCutsTransparentBordersAndEmptiesAnAllTransparentFrame)
{
    auto image = NewPicture(10, 10, kFour);
    // Left three columns and the bottom row transparent (index 0).
    Bytes pixels(24, 0);
    for (int y = 0; y < 3; ++y)
        for (int x = 3; x < 6; ++x)
            pixels[static_cast<std::size_t>(y * 6 + x)] = static_cast<std::uint8_t>(1 + (x + y) % 3);
    TGIFSubImage& frame = AddFrame(*image, {2, 1, 8, 5}, pixels, 0, 1, 7);
    const auto before = Timeline(*image);
    frame.Crop();
    EXPECT_EQ(frame.GetBoundsRect(), (GifRect{5, 1, 8, 4}));
    EXPECT_EQ(frame.GetData(), (Bytes{1, 2, 3, 2, 3, 1, 3, 1, 2}));
    EXPECT_EQ(Timeline(*image), before);

    TGIFSubImage& opaque = AddFrame(*image, {0, 0, 2, 1}, {0, 0}, -1, 1, 7);
    opaque.Crop();
    EXPECT_EQ(opaque.GetBoundsRect(), (GifRect{0, 0, 2, 1})) << "only a transparent frame is cropped";

    TGIFSubImage& clear = AddFrame(*image, {1, 1, 3, 2}, Filled(6, 2), 2, 1, 7);
    clear.Crop();
    EXPECT_TRUE(clear.GetEmpty());
}

TEST(GIFOptimize, MergeMakesWhatThePreviousFrameShowsTransparent)
{
    // The same colours at other indices of another table count as the same.
    auto image = NewPicture(4, 2, kFour);
    AddFrame(*image, {0, 0, 4, 2}, {1, 2, 3, 0, 1, 2, 3, 3}, 3, 1, 5);
    TGIFSubImage& next = AddFrame(*image, {1, 0, 4, 2}, {0, 1, 2, 0, 0, 2}, -1, 1, 5, {kFour[2], kFour[1], kFour[3]});
    const auto before = Timeline(*image);
    next.Merge(image->Images.First());
    EXPECT_EQ(next.GetTransparentIndex(), 3) << "black added to the local table";
    EXPECT_EQ(next.GetData(), (Bytes{3, 1, 2, 3, 0, 2}))
        << "the previous frame's transparent pixels and other colours are left";
    EXPECT_EQ(Timeline(*image), before);

    // Nothing is merged against a frame whose picture is gone when the next one is drawn.
    for (int disposal : {dmBackground, dmPrevious}) {
        auto cleared = NewPicture(2, 1, kFour);
        AddFrame(*cleared, {0, 0, 2, 1}, {1, 2}, -1, disposal, 5);
        TGIFSubImage& same = AddFrame(*cleared, {0, 0, 2, 1}, {1, 2}, -1, 1, 5);
        same.Merge(cleared->Images.First());
        EXPECT_EQ(same.GetData(), (Bytes{1, 2})) << disposal;
        EXPECT_FALSE(same.GetTransparent()) << disposal;
    }
}

TEST(GIFOptimize, MergeReusesAnotherFramesTransparentIndexOnlyWhereNoPixelShowsIt)
{
    for (const bool otherPixelHasIt : {false, true}) {
        auto image = NewPicture(3, 1, kFour);
        AddFrame(*image, {0, 0, 3, 1}, {1, 1, 1}, -1, 1, 5);
        AddFrame(*image, {0, 0, 1, 1}, {2}, 2, 1, 5); // transparent with index 2
        TGIFSubImage& last =
            AddFrame(*image, {0, 0, 3, 1}, {1, 1, static_cast<std::uint8_t>(otherPixelHasIt ? 2 : 3)}, -1, 1, 5);
        const auto before = Timeline(*image);
        last.Merge(image->Images.First());
        EXPECT_EQ(last.GetTransparentIndex(), otherPixelHasIt ? 4 : 2);
        EXPECT_EQ(image->GetGlobalColorMap().GetCount(), otherPixelHasIt ? 5 : 4);
        EXPECT_EQ(Timeline(*image), before);
    }

    // A full table takes no transparent entry: nothing changes.
    std::vector<Rgb> full(256, Rgb{9, 9, 9});
    auto image = NewPicture(1, 1, full);
    AddFrame(*image, {0, 0, 1, 1}, {7}, -1, 1, 5);
    TGIFSubImage& same = AddFrame(*image, {0, 0, 1, 1}, {7}, -1, 1, 5);
    same.Merge(image->Images.First());
    EXPECT_FALSE(same.GetTransparent());
}

namespace {

std::unique_ptr<TGIFImage> Copy(const TGIFImage& image)
{
    auto copy = std::make_unique<TGIFImage>();
    copy->Assign(&image);
    return copy;
}

std::uint32_t Argb(Rgb c)
{
    return 0xFF000000u | std::uint32_t{c.r} << 16 | std::uint32_t{c.g} << 8 | c.b;
}

// What a table of more than 256 colours may show instead: a kept colour stays, any other
// becomes the kept one nearest by the sum of channel differences, the first on ties.
std::vector<Shown> Substituted(std::vector<Shown> timeline, const std::vector<Rgb>& kept)
{
    for (Shown& shown : timeline)
        for (std::uint32_t& pixel : shown.screen) {
            if (pixel == 0 || kept.empty())
                continue;
            const Rgb c{static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
                        static_cast<std::uint8_t>(pixel)};
            int best = 0, bestDistance = 1000;
            for (std::size_t i = 0; i < kept.size(); ++i) {
                const int distance = std::abs(kept[i].r - c.r) + std::abs(kept[i].g - c.g) + std::abs(kept[i].b - c.b);
                if (distance < bestDistance)
                    best = static_cast<int>(i), bestDistance = distance;
            }
            pixel = Argb(kept[static_cast<std::size_t>(best)]);
        }
    return timeline;
}

// After OptimizeColorMap: one global table, each colour in it once, a transparent entry
// last when some frame is transparent; the animation shows what it showed, but for the
// colours beyond the 256 kept.
void ExpectOneTableShowingTheSame(const TGIFImage& original, TGIFImage& optimized, const std::string& what)
{
    std::vector<Rgb> kept = optimized.GetGlobalColorMap().ExportPalette();
    if (optimized.GetIsTransparent())
        kept.pop_back();
    for (const auto& frame : optimized.Images) {
        EXPECT_EQ(frame->ColorMap.GetCount(), 0) << what;
        EXPECT_TRUE(frame->GetTransparentIndex() < 0 || frame->GetTransparentIndex() == static_cast<int>(kept.size()))
            << what;
    }
    for (std::size_t i = 0; i < kept.size(); ++i)
        ASSERT_EQ(std::count(kept.begin(), kept.end(), kept[i]), 1) << what;
    EXPECT_EQ(Timeline(optimized), Substituted(Timeline(original), kept)) << what;
    if (original.Header.ColorMap.GetCount() > 0) {
        EXPECT_EQ(Argb(optimized.GetBackgroundColor()),
                  Substituted({{{Argb(original.GetBackgroundColor())}, 0}}, kept)[0].screen[0])
            << what;
    }
}

} // namespace

TEST(GIFOptimize, ColoursBeyondTheKeptOnesTakeTheNearestByEveryChannel)
{
    // 256 colours of the first frame are used twice each, 44 of the second once: dark red,
    // blue and 254 greys are kept. Red has blue's red + green + blue sum, but dark red is
    // nearer by its channels.
    std::vector<Rgb> many{{0, 0, 255}, {128, 0, 0}}, few{{255, 0, 0}};
    for (int g = 0; g < 254; ++g)
        many.push_back({static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(g)});
    for (int k = 0; k < 43; ++k)
        few.push_back({255, static_cast<std::uint8_t>(k + 1), 255});
    for (const bool transparent : {false, true}) {
        auto image = NewPicture(256, 2);
        Bytes pixels(512);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<std::uint8_t>(i % 256);
        AddFrame(*image, {0, 0, 256, 2}, pixels, -1, 1, 5, many);
        Bytes once(44);
        for (std::size_t i = 0; i < once.size(); ++i)
            once[i] = static_cast<std::uint8_t>(i);
        if (transparent)
            once.push_back(44);
        AddFrame(*image, {0, 0, static_cast<int>(once.size()), 1}, once, transparent ? 44 : -1, 1, 5, few);
        const auto original = Copy(*image);
        image->OptimizeColorMap();
        EXPECT_EQ(image->GetGlobalColorMap().GetCount(), 256);
        ExpectOneTableShowingTheSame(*original, *image, transparent ? "with transparency" : "opaque");
        const TGIFSubImage& second = *image->Images.GetImage(1);
        EXPECT_EQ(image->GetGlobalColorMap().LookupPadded(second.GetData()[0]), (Rgb{128, 0, 0}));
    }
}

TEST(GIFOptimize, OneTableHoldsEveryColourOnceAndTheBackgroundKeepsItsColour)
{
    auto image = NewPicture(4, 1, {kFour[3], kFour[2], {7, 7, 7}}, 2);
    AddFrame(*image, {0, 0, 2, 1}, {0, 1}, -1, 1, 5, {kFour[1], kFour[2]});
    AddFrame(*image, {2, 0, 4, 1}, {0, 1}, -1, 1, 5, {kFour[2], kFour[3]});
    std::vector<std::string> warnings;
    image->OnCodecWarning = [&](GifPersistent*, TGIFSeverity, std::string_view m) { warnings.emplace_back(m); };
    AddFrame(*image, {0, 0, 4, 1}, {0, 9, 9, 0}, -1, 1, 5); // the global table, two pixels beyond it
    const auto original = Copy(*image);
    image->OptimizeColorMap();
    EXPECT_EQ(image->GetGlobalColorMap().GetCount(), 5) << "red, green, blue, the background's grey and black";
    EXPECT_EQ(image->GetBackgroundColor(), (Rgb{7, 7, 7}));
    EXPECT_EQ(warnings, std::vector<std::string>{"Color not in color table: 2 pixels"});
    ExpectOneTableShowingTheSame(*original, *image, "shared colours");
}
