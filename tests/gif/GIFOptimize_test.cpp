// Cropping, merging and optimising change how a picture is stored, never what it shows.

#include "OptimizeTestKit.h"

#include <gtest/gtest.h>

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
