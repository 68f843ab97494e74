#include "GifTestKit.h"

#include <gtest/gtest.h>

using namespace giftest;
using namespace gifstrings;
using platform::Rgb;

namespace {

// A picture whose global table has `colors` entries and one frame showing `pixels`.
Loaded Picture(int colors, const Bytes& pixels, int background = 0, const Bytes& before = {})
{
    GifBuilder b;
    b.header(static_cast<int>(pixels.size()), 1, colors, background).raw(before);
    b.frame(0, 0, static_cast<int>(pixels.size()), 1, pixels, std::max(2, ColorBitsFor(static_cast<std::size_t>(colors))));
    return Load(b.trailer().bytes);
}

Bytes Saved(const TGIFColorMap& map)
{
    platform::MemoryStream out;
    map.SaveToStream(out);
    return {out.bytes().begin(), out.bytes().end()};
}

} // namespace

TEST(GIFColorMap, SavingPadsToAPowerOfTwo)
{
    TGIFImage image;
    TGIFColorMap& map = image.GetGlobalColorMap();
    EXPECT_TRUE(Saved(map).empty());
    for (auto [count, written] : {std::pair{1, 2}, {3, 4}, {5, 8}, {256, 256}}) {
        std::vector<Rgb> colors(static_cast<std::size_t>(count), Rgb{9, 9, 9});
        map.ImportColorMap(colors);
        const Bytes bytes = Saved(map);
        ASSERT_EQ(bytes.size(), 3u * static_cast<std::size_t>(written)) << count;
        EXPECT_EQ(bytes.back(), count == written ? 9 : 0);
    }
    EXPECT_EQ(ColorBitsFor(0), 0);
    EXPECT_EQ(ColorBitsFor(2), 1);
    EXPECT_EQ(ColorBitsFor(3), 2);
    EXPECT_EQ(ColorBitsFor(256), 8);
    EXPECT_EQ(ColorBitsFor(257), 9);
}

TEST(GIFColorMap, WebPalette)
{
    const auto web = WebPalette();
    EXPECT_EQ(web[0], (Rgb{0, 0, 0}));
    EXPECT_EQ(web[36 * 1 + 6 * 2 + 3], (Rgb{51, 102, 153}));
    EXPECT_EQ(web[215], (Rgb{255, 255, 255}));
}

TEST(GIFColorMap, EditingAndLookups)
{
    TGIFImage image;
    std::vector<std::string> warnings;
    image.OnCodecWarning = [&](GifPersistent*, TGIFSeverity, std::string_view m) { warnings.emplace_back(m); };
    TGIFColorMap& map = image.GetGlobalColorMap();
    EXPECT_THROW(map.GetColor(0), GIFException);
    EXPECT_EQ(warnings, std::vector<std::string>{std::string(sBadColorIndex)});

    const Rgb red{255, 0, 0}, blue{0, 0, 255};
    EXPECT_EQ(map.Add(red), 0);
    EXPECT_EQ(map.Add(blue), 1);
    EXPECT_EQ(map.Add(red), 2);
    EXPECT_EQ(map.IndexOf(red), 2) << "unsorted: the last equal entry";
    map.SetSorted(true);
    EXPECT_EQ(map.IndexOf(red), 0) << "sorted: the most used one";
    EXPECT_EQ(map.AddUnique(blue), 1);
    EXPECT_EQ(map.IndexOf({1, 2, 3}), -1);
    EXPECT_EQ(map.GetColor(7), red) << "out of range reads entry 0, with a warning";
    EXPECT_EQ(warnings.size(), 2u);
    EXPECT_EQ(map.LookupPadded(7), (Rgb{}));
    EXPECT_THROW(map.SetColor(3, red), GIFException);
    EXPECT_THROW(map.Delete(-1), GIFException);
    map.Delete(0);
    EXPECT_EQ(map.GetColor(0), blue);
    EXPECT_EQ(map.ExportPalette(), (std::vector<Rgb>{blue, red}));
    while (map.GetCount() < 256)
        map.Add(red);
    EXPECT_THROW(map.Add(red), GIFException);
}

TEST(GIFColorMap, SortingByUseRewritesItsUsers)
{
    // Entry 3 most used, then 1 (with the background), then 0 (with transparency);
    // entry 2 unused.
    const Bytes gce{'!', 0xF9, 4, 1, 0, 0, 0, 0};
    Loaded l = Picture(4, {3, 3, 3, 3, 3, 1, 1, 0}, 1, gce);
    ASSERT_EQ(l.error, "");
    TGIFColorMap& map = l.image->GetGlobalColorMap();
    const std::array<Rgb, 256> before = map.PaddedEntries();
    EXPECT_TRUE(map.Optimize());
    EXPECT_TRUE(map.GetSorted());
    EXPECT_EQ(map.GetCount(), 3) << "the unused entry is dropped";
    EXPECT_EQ(map.GetColor(0), before[3]);
    EXPECT_EQ(map.GetColor(1), before[1]);
    EXPECT_EQ(map.GetColor(2), before[0]);
    EXPECT_EQ(l.frame(0).GetData(), (Bytes{0, 0, 0, 0, 0, 1, 1, 2}));
    EXPECT_EQ(l.image->GetBackgroundColor(), before[1]);
    EXPECT_EQ(l.frame(0).GetTransparentIndex(), 2);

    // A transparent colour no pixel shows keeps its entry.
    l = Picture(4, {3, 3, 1}, 0, {'!', 0xF9, 4, 1, 0, 0, 2, 0});
    EXPECT_TRUE(l.image->GetGlobalColorMap().Optimize());
    const int transparent = l.frame(0).GetTransparentIndex();
    ASSERT_GE(transparent, 0);
    EXPECT_LT(transparent, l.image->GetGlobalColorMap().GetCount());

    // Nothing to sort in a table of one entry.
    l = Picture(2, {0, 0});
    l.image->GetGlobalColorMap().ImportColorMap(std::vector<Rgb>{{1, 1, 1}});
    EXPECT_FALSE(l.image->GetGlobalColorMap().Optimize());
}
