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
    frame.Crop();
    EXPECT_EQ(frame.GetBoundsRect(), (GifRect{5, 1, 8, 4}));
    EXPECT_EQ(frame.GetData(), (Bytes{1, 2, 3, 2, 3, 1, 3, 1, 2}));

    TGIFSubImage& clear = AddFrame(*image, {1, 1, 3, 2}, Filled(6, 2), 2, 1, 7);
    clear.Crop();
    EXPECT_TRUE(clear.GetEmpty());
}

TEST(GIFOptimize, MergeReusesAnotherFramesTransparentIndexOnlyWhereNoKeptPixelHasIt)
{
    for (const bool otherPixelHasIt : {false, true}) {
        auto image = NewPicture(3, 1, kFour);
        AddFrame(*image, {0, 0, 3, 1}, {1, 1, 1}, -1, 1, 5);
        AddFrame(*image, {0, 0, 1, 1}, {2}, 2, 1, 5);
        TGIFSubImage& last =
            AddFrame(*image, {0, 0, 3, 1}, {1, 1, static_cast<std::uint8_t>(otherPixelHasIt ? 2 : 3)}, -1, 1, 5);
        last.Merge(image->Images.First());
        EXPECT_EQ(last.GetTransparentIndex(), otherPixelHasIt ? 4 : 2);
        EXPECT_EQ(image->GetGlobalColorMap().GetCount(), otherPixelHasIt ? 5 : 4);
        const std::uint8_t hidden = otherPixelHasIt ? 4 : 2, kept = otherPixelHasIt ? 2 : 3;
        EXPECT_EQ(last.GetData(), (Bytes{hidden, hidden, kept}));
    }
}

namespace {

constexpr TGIFOptimizeOptions kEveryOption = ooCrop | ooMerge | ooCleanup | ooColorMap | ooReduceColors;

// A random animation on a 16 x 16 screen: 2 to 8 frames of 1 to 20 pixels, global and local
// tables drawn from one pool of colours (so that tables share some), pixels beyond their
// table, transparency, the four disposals, delays, a loop extension and a comment.
std::unique_ptr<TGIFImage> RandomAnimation(unsigned seed)
{
    std::mt19937 random(seed);
    const auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    std::vector<Rgb> pool(400);
    for (Rgb& c : pool)
        c = {static_cast<std::uint8_t>(pick(0, 255)), static_cast<std::uint8_t>(pick(0, 255)),
             static_cast<std::uint8_t>(pick(0, 255))};
    const auto table = [&](int most) {
        std::vector<Rgb> colours(static_cast<std::size_t>(pick(1, most)));
        for (Rgb& c : colours)
            c = pool[static_cast<std::size_t>(pick(0, 399))];
        return colours;
    };
    const std::vector<Rgb> global = pick(0, 3) > 0 ? table(pick(0, 3) > 0 ? 12 : 200) : std::vector<Rgb>{};
    auto image = NewPicture(16, 16, global);
    image->Header.Descriptor[5] = static_cast<std::uint8_t>(pick(0, static_cast<int>(global.size()) + 1));
    const int count = pick(2, 8);
    GifRect rect;
    Bytes previous;
    for (int i = 0; i < count; ++i) {
        // Often on the place of the frame before, whose pixels it may partly repeat.
        const bool samePlace = i > 0 && pick(0, 2) == 0;
        if (!samePlace) {
            const int width = pick(1, 5);
            const int height = pick(1, std::min(16, 20 / width));
            const int left = pick(0, 16 - width);
            const int top = pick(0, 16 - height);
            rect = {left, top, left + width, top + height};
        }
        const std::vector<Rgb> local =
            global.empty() || pick(0, 1) ? table(pick(0, 3) > 0 ? 12 : 120) : std::vector<Rgb>{};
        const int colours = static_cast<int>(local.empty() ? global.size() : local.size());
        const bool control = pick(0, 4) > 0;
        const int transparent = control && pick(0, 1) ? pick(0, colours - 1) : -1;
        const bool invisible = transparent >= 0 && pick(0, 5) == 0;
        Bytes pixels(static_cast<std::size_t>((rect.right - rect.left) * (rect.bottom - rect.top)));
        for (std::size_t p = 0; p < pixels.size(); ++p) {
            int index = pick(0, 40) == 0 ? colours + pick(0, 3) : pick(0, colours - 1);
            if (samePlace && pick(0, 1))
                index = previous[p];
            if (invisible || (transparent >= 0 && pick(0, 3) == 0))
                index = transparent;
            pixels[p] = static_cast<std::uint8_t>(index);
        }
        TGIFSubImage& frame = AddFrame(*image, rect, pixels, transparent, control ? pick(0, 3) : -1,
                                       control ? pick(0, 3) * pick(0, 5) : -1, local);
        if (pick(0, 5) == 0)
            frame.Extensions.Add(std::make_unique<TGIFCommentExtension>(&frame));
        if (i == 0 || pick(0, 8) == 0)
            if (pick(0, 1)) {
                auto loop = std::make_unique<TGIFAppExtNSLoop>(&frame);
                loop->Loops = static_cast<std::uint16_t>(pick(0, 3));
                frame.Extensions.Insert(0, std::move(loop));
            }
        previous = std::move(pixels);
    }
    return image;
}

std::vector<Shown> Timeless(std::vector<Shown> timeline)
{
    for (Shown& shown : timeline)
        shown.delay = 0;
    return timeline;
}

std::unique_ptr<TGIFImage> Copy(const TGIFImage& image)
{
    auto copy = std::make_unique<TGIFImage>();
    copy->Assign(&image);
    return copy;
}

std::vector<int> LoopCounts(const TGIFImage& image)
{
    std::vector<int> loops;
    for (const auto& frame : image.Images)
        for (const auto& extension : frame->Extensions)
            if (const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(extension.get()))
                loops.push_back(loop->Loops);
    return loops;
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

// After each table sorted itself by use: the background colour and every frame's
// transparent index stay within their table, which the pixels use in falling counts.
void ExpectTablesSortedByUse(const TGIFImage& original, TGIFImage& optimized, const std::string& what)
{
    if (original.Header.ColorMap.GetCount() > 1) {
        EXPECT_EQ(optimized.GetBackgroundColor(), original.GetBackgroundColor()) << what;
    }
    std::map<const TGIFColorMap*, std::vector<std::uint64_t>> uses;
    uses[&optimized.GetGlobalColorMap()].assign(256, 0);
    ++uses[&optimized.GetGlobalColorMap()][static_cast<std::size_t>(optimized.GetBackgroundColorIndex())];
    for (const auto& frame : optimized.Images) {
        std::vector<std::uint64_t>& counts = uses[&frame->GetActiveColorMap()];
        counts.resize(256);
        for (const std::uint8_t index : frame->GetData())
            ++counts[index];
        const int transparent = frame->GetTransparentIndex();
        if (transparent >= 0) {
            ++counts[static_cast<std::size_t>(transparent)];
            EXPECT_LT(transparent, std::max(frame->GetActiveColorMap().GetCount(), 1)) << what;
        }
    }
    for (const auto& [table, counts] : uses)
        if (table->GetCount() > 1) {
            EXPECT_TRUE(std::is_sorted(counts.begin(), counts.begin() + table->GetCount(), std::greater<>())) << what;
        }
}

} // namespace

// The key property: whatever the options, an optimised animation shows the same screens for
// the same times as the original. OPTIMIZE_SEEDS sets how many animations (1000 by default).
TEST(GIFOptimize, OptimisedAnimationsShowWhatTheOriginalsShowed)
{
    const char* seeds = std::getenv("OPTIMIZE_SEEDS");
    for (unsigned seed = 1; seed <= (seeds ? std::strtoul(seeds, nullptr, 10) : 1000u); ++seed) {
        const auto original = RandomAnimation(seed);
        const auto expected = Timeline(*original);
        for (TGIFOptimizeOptions options = 0; options <= kEveryOption; ++options) {
            const std::string what = "seed " + std::to_string(seed) + ", options " + std::to_string(options);
            const auto optimized = Copy(*original);
            optimized->Optimize(options, TColorReduction::rmNone, TDitherMode::dmNearest, 8);
            // A still picture shows its frame for no particular time.
            if (optimized->Images.GetCount() == 1)
                ASSERT_EQ(Timeless(Timeline(*optimized)), Timeless(expected)) << what;
            else
                ASSERT_EQ(Timeline(*optimized), expected) << what;
            for (const auto& frame : optimized->Images)
                ASSERT_FALSE(frame->GetEmpty()) << what << ": an empty frame ends a painter's pass";
            if (optimized->Images.GetCount() > 1) {
                EXPECT_EQ(LoopCounts(*optimized), LoopCounts(*original)) << what;
            }
            if (options == ooColorMap)
                ExpectTablesSortedByUse(*original, *optimized, what);
        }
        const auto merged = Copy(*original);
        merged->OptimizeColorMap();
        ExpectOneTableShowingTheSame(*original, *merged, "seed " + std::to_string(seed) + ", one table");
        if (HasFailure())
            break;
    }
}
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
    EXPECT_EQ(warnings, std::vector<std::string>{"Color not in color table: 2 pixels"});
    ExpectOneTableShowingTheSame(*original, *image, "shared colours");
}

TEST(GIFOptimize, InvisibleFramesGiveTheirTimeToTheFrameBeforeUnlessTheyClearTheScreen)
{
    auto image = NewPicture(4, 2, kFour);
    AddFrame(*image, {0, 0, 4, 2}, Filled(8, 1));
    AddFrame(*image, {1, 0, 3, 2}, Filled(4, 3), 3, dmNone, 7);
    AddFrame(*image, {0, 0, 4, 2}, Filled(8, 2), -1, dmNone, 4);
    // A "clear screen": all transparent, disposing to background.
    AddFrame(*image, {0, 0, 4, 2}, Filled(8, 3), 3, dmBackground, 6);
    AddFrame(*image, {0, 0, 1, 1}, {1}, -1, dmNone, 4);
    std::vector<std::string> progress;
    image->OnProgress = [&](GifPersistent*, TProgressStage, int percent, bool, std::string_view m) {
        progress.push_back(std::string(m) + " " + std::to_string(percent));
    };
    image->Optimize(kEveryOption, TColorReduction::rmNone, TDitherMode::dmNearest, 8);
    ASSERT_EQ(image->Images.GetCount(), 4);
    EXPECT_EQ(image->Images.GetImage(0)->GetGraphicControlExtension()->GetDelay(), 7);
    EXPECT_EQ(progress.front(), "Optimizing... 0");
    EXPECT_EQ(progress.back(), "Optimizing... 100");

    // Reducing to the picture's palette is refused before anything changes.
    const Bytes before = Saved(*image);
    progress.clear();
    EXPECT_THROW(image->Optimize(ooCrop | ooReduceColors, TColorReduction::rmPalette, TDitherMode::dmNearest, 8),
                 GIFException);
    EXPECT_EQ(progress, (std::vector<std::string>{"Optimizing... 0", "Optimizing... 0"}));
    EXPECT_EQ(Saved(*image), before);
}

TEST(GIFOptimize, StreamedWithTheSettingAPictureLeavesOutWhatItNeedsNotAndShowsTheSame)
{
    // A red screen, then the same with one blue pixel; both with comments and timing.
    auto image = NewPicture(16, 16, kFour);
    AddFrame(*image, {0, 0, 16, 16}, Filled(256, 1), -1, dmNone, 10);
    Bytes changed = Filled(256, 1);
    changed[17] = 3;
    AddFrame(*image, {0, 0, 16, 16}, changed, -1, dmNone, 10);
    for (const auto& frame : image->Images) {
        auto comment = std::make_unique<TGIFCommentExtension>(frame.get());
        comment->Text = {"made by hand for this test, and of no use to a viewer"};
        frame->Extensions.Add(std::move(comment));
    }
    const auto expected = Timeline(*image);
    const Bytes plain = Saved(*Copy(*image));

    const auto written = [&](bool optimizeOnStream) {
        const bool before = GIFSettings().OptimizeOnStream;
        GIFSettings().OptimizeOnStream = optimizeOnStream;
        platform::MemoryStream out;
        Copy(*image)->WriteData(out);
        GIFSettings().OptimizeOnStream = before;
        return Bytes(out.bytes().begin(), out.bytes().end());
    };
    EXPECT_EQ(written(false), plain);
    const Bytes optimized = written(true);
    EXPECT_LT(optimized.size(), plain.size() - 100);
    const Loaded loaded = Load(optimized);
    ASSERT_EQ(loaded.error, "");
    EXPECT_EQ(Timeline(*loaded.image), expected);
}
