// Colour lookups, the octree quantiser, the optimised palettes and ReduceColors' tables.

#include "gif/GIFColorLookup.h"
#include "gif/GIFColorMap.h"
#include "gif/GIFColorQuantizer.h"
#include "gif/GIFColorReduction.h"
#include "gif/GIFDIB.h"
#include "gif/GIFException.h"
#include "gif/GIFStrings.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string_view>
#include <tuple>
#include <vector>

namespace {

using platform::Bitmap;
using platform::PixelFormat;
using platform::Rgb;

// The message `work` fails with.
std::string GIFError(const std::function<void()>& work)
{
    try {
        work();
    } catch (const GIFException& e) {
        return e.what();
    }
    return "no error";
}

Bitmap TrueColor(int width, int height, const std::function<Rgb(int, int)>& color)
{
    Bitmap bitmap(width, height, PixelFormat::Rgb24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const Rgb c = color(x, y);
            std::uint8_t* p = bitmap.scanLine(y) + 3 * x;
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    return bitmap;
}

std::tuple<int, Rgb> Look(TColorLookup& lookup, int r, int g, int b)
{
    Rgb chosen;
    const int index = lookup.Lookup(r, g, b, chosen);
    return {index, chosen};
}

// The octree walked plainly for every pixel: nodes made on the way, the newest branch of the
// deepest level folded while there are too many leaves.
class ReferenceOctree {
public:
    ReferenceOctree(int maxColors, int colorBits) : maxColors_(maxColors), bits_(colorBits) {}

    void add(int r, int g, int b)
    {
        std::unique_ptr<Node>* slot = &root_;
        for (int level = 0;; ++level) {
            if (!*slot) {
                *slot = std::make_unique<Node>();
                if (level == bits_) {
                    (*slot)->leaf = true;
                    ++leaves_;
                } else {
                    reducible_[static_cast<std::size_t>(level)].push_back(slot->get());
                }
            }
            Node& node = **slot;
            if (node.leaf) {
                node.count += 1;
                for (int c = 0; c < 3; ++c)
                    node.sums[c] += static_cast<std::uint64_t>(std::array{r, g, b}[static_cast<std::size_t>(c)]);
                break;
            }
            const int bit = 7 - level;
            slot = &node.children[static_cast<std::size_t>(((r >> bit) & 1) * 4 + ((g >> bit) & 1) * 2
                                                           + ((b >> bit) & 1))];
        }
        while (leaves_ > maxColors_) {
            int level = bits_ - 1;
            while (level >= 0 && reducible_[static_cast<std::size_t>(level)].empty())
                --level;
            if (level < 0)
                break;
            Node* node = reducible_[static_cast<std::size_t>(level)].back();
            reducible_[static_cast<std::size_t>(level)].pop_back();
            for (auto& child : node->children)
                if (child) {
                    node->count += child->count;
                    for (int c = 0; c < 3; ++c)
                        node->sums[c] += child->sums[c];
                    child.reset();
                    --leaves_;
                }
            node->leaf = true;
            ++leaves_;
        }
    }

    std::vector<Rgb> colors() const
    {
        std::vector<Rgb> out;
        collect(root_.get(), out);
        return out;
    }

private:
    struct Node {
        bool leaf = false;
        std::uint64_t count = 0;
        std::uint64_t sums[3] = {};
        std::array<std::unique_ptr<Node>, 8> children;
    };

    static void collect(const Node* node, std::vector<Rgb>& out)
    {
        if (!node)
            return;
        if (node->leaf) {
            out.push_back({static_cast<std::uint8_t>(node->sums[0] / node->count),
                           static_cast<std::uint8_t>(node->sums[1] / node->count),
                           static_cast<std::uint8_t>(node->sums[2] / node->count)});
            return;
        }
        for (const auto& child : node->children)
            collect(child.get(), out);
    }

    int maxColors_;
    int bits_;
    int leaves_ = 0;
    std::unique_ptr<Node> root_;
    std::array<std::vector<Node*>, 8> reducible_;
};

} // namespace

TEST(GIFColorReduction, LookupThresholds)
{
    TNetscapeColorLookup web;
    EXPECT_EQ(Look(web, 0, 0, 0), std::tuple(0, Rgb{0, 0, 0}));
    EXPECT_EQ(Look(web, 255, 255, 255), std::tuple(215, Rgb{255, 255, 255}));
    EXPECT_EQ(Look(web, 47, 48, 0), std::tuple(6, Rgb{0, 51, 0}));
    EXPECT_EQ(Look(web, 48, 47, 255), std::tuple(36 + 5, Rgb{51, 0, 255}));

    TMonochromeLookup mono;
    EXPECT_EQ(Look(mono, 127, 127, 127), std::tuple(0, Rgb{0, 0, 0}));
    EXPECT_EQ(Look(mono, 128, 128, 128), std::tuple(1, Rgb{255, 255, 255}));

    TGrayScaleLookup grey;
    EXPECT_EQ(Look(grey, 200, 100, 50), std::tuple(124, Rgb{124, 124, 124})); // (15400 + 15000 + 1450) >> 8

    // Ties go to the lowest index, duplicates included.
    TFastColorLookup ties(std::vector<Rgb>{{10, 0, 0}, {0, 10, 0}, {10, 0, 0}});
    EXPECT_EQ(Look(ties, 5, 5, 0), std::tuple(0, Rgb{10, 0, 0}));
    EXPECT_EQ(Look(ties, 0, 200, 0), std::tuple(1, Rgb{0, 10, 0}));
    // (9, 9, 9) fills its cell with the grey nearest to it; (8, 8, 8), equally far from both
    // entries, shares the cell and gets that answer, not the lower index.
    TFastColorLookup shared(std::vector<Rgb>{{0, 0, 0}, {16, 16, 16}});
    EXPECT_EQ(std::get<0>(Look(shared, 9, 9, 9)), 1);
    EXPECT_EQ(std::get<0>(Look(shared, 8, 8, 8)), 1);
    TFastColorLookup fresh(std::vector<Rgb>{{0, 0, 0}, {16, 16, 16}});
    EXPECT_EQ(std::get<0>(Look(fresh, 8, 8, 8)), 0);
}

TEST(GIFColorReduction, OctreeKeepsAtMostMaxColorsAndExactColoursBelowIt)
{
    std::mt19937 random(11);
    std::set<std::tuple<int, int, int>> distinct;
    std::vector<Rgb> colours;
    while (colours.size() < 256) {
        const Rgb c{static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
                    static_cast<std::uint8_t>(random())};
        if (distinct.insert({c.r, c.g, c.b}).second)
            colours.push_back(c);
    }
    const Bitmap few =
        TrueColor(64, 64, [&](int x, int y) { return colours[static_cast<std::size_t>(x * 7 + y * 3) % 256]; });
    const std::vector<Rgb> palette = CreateOptimizedPaletteFromBitmap(few, 256, 8, false);
    std::set<std::tuple<int, int, int>> back;
    for (const Rgb& c : palette)
        back.insert({c.r, c.g, c.b});
    EXPECT_EQ(back, distinct);

    // Photos, noise and flat areas give the plain walk's palette, in its order, a colour a leaf
    // (so never more than asked).
    for (int run = 0; run < 12; ++run) {
        const int maxColors = std::array{256, 64, 7, 1}[static_cast<std::size_t>(run % 4)];
        const int bits = run % 3 == 2 ? 5 : 8;
        const int noise = std::array{0, 6, 255}[static_cast<std::size_t>(run % 3)];
        const Bitmap photo = TrueColor(150, 100, [&](int x, int y) {
            const int n = noise ? static_cast<int>(random() % static_cast<unsigned>(noise)) : 0;
            // The later runs keep to a few cells of the colour space, where leaves lie deep.
            const int range = run < 6 ? 255 : 23;
            return Rgb{static_cast<std::uint8_t>((x * 255 / 150 + n) & range),
                       static_cast<std::uint8_t>((y * 2 + n) & range),
                       static_cast<std::uint8_t>(((x ^ y) + run * 20) & range)};
        });
        TColorQuantizer quantizer(maxColors, bits);
        quantizer.ProcessImage(TDIBReader(photo, PixelFormat::Rgb24));
        ReferenceOctree reference(maxColors, bits);
        for (int y = 0; y < photo.height(); ++y)
            for (int x = 0; x < photo.width(); ++x)
                reference.add(photo.scanLine(y)[3 * x], photo.scanLine(y)[3 * x + 1], photo.scanLine(y)[3 * x + 2]);
        const std::vector<Rgb> colours = reference.colors();
        EXPECT_EQ(quantizer.GetColorTable(), colours) << "run " << run;
        EXPECT_EQ(quantizer.GetLeafCount(), static_cast<int>(colours.size())) << "run " << run;
    }

    // Sums beyond 2^32 in one leaf.
    const Bitmap white = TrueColor(4200, 4200, [](int, int) { return Rgb{255, 255, 255}; });
    const std::vector<Rgb> one = CreateOptimizedPaletteFromBitmap(white, 256, 8, false);
    ASSERT_EQ(one.size(), 256u);
    EXPECT_EQ(one[0], (Rgb{255, 255, 255}));
    EXPECT_EQ(std::count(one.begin() + 1, one.end(), Rgb{}), 255);
}

TEST(GIFColorReduction, OptimizedPalettesAndTheirRefusals)
{
    const Bitmap red = TrueColor(8, 8, [](int, int) { return Rgb{200, 0, 0}; });
    const Bitmap blue = TrueColor(4, 4, [](int, int) { return Rgb{0, 0, 200}; });
    const Bitmap* both[] = {&red, &blue};
    const std::vector<Rgb> windows = CreateOptimizedPaletteFromManyBitmaps(both, 0, 8, true);
    ASSERT_EQ(windows.size(), 256u);
    EXPECT_TRUE(std::equal(StaticColors().begin(), StaticColors().begin() + 10, windows.begin()));
    EXPECT_TRUE(std::equal(StaticColors().begin() + 10, StaticColors().end(), windows.begin() + 246));
    // Depth first: blue's branch (child 1) comes before red's (child 4).
    EXPECT_EQ(windows[10], (Rgb{0, 0, 200}));
    EXPECT_EQ(windows[11], (Rgb{200, 0, 0}));
    EXPECT_EQ(windows[12], Rgb{});

    EXPECT_EQ(GIFError([] { CreateOptimizedPaletteFromManyBitmaps({}, 16, 8, false); }),
              gifstrings::sInvalidBitmapList);
    const Bitmap* missing[] = {&red, nullptr};
    EXPECT_EQ(GIFError([&] { CreateOptimizedPaletteFromManyBitmaps(missing, 16, 8, false); }),
              gifstrings::sInvalidBitmapList);
    for (const auto& [colors, bits] : {std::pair{0, 8}, {257, 8}, {16, 0}, {16, 9}}) {
        const int colorCount = colors, bitCount = bits;
        EXPECT_EQ(GIFError([&] { CreateOptimizedPaletteFromBitmap(red, colorCount, bitCount, false); }),
                  gifstrings::sInvalidBitSize)
            << colors << " colours, " << bits << " bits";
    }
}

TEST(GIFColorReduction, EveryReductionHasItsPaletteAndKeepsRowsTopDown)
{
    std::mt19937 random(3);
    const Bitmap picture = TrueColor(31, 17, [&](int x, int y) {
        if (x == 0 && y == 0)
            return Rgb{255, 0, 0};
        if (x == 30 && y == 16)
            return Rgb{0, 0, 255};
        return Rgb{static_cast<std::uint8_t>(x * 8), static_cast<std::uint8_t>(y * 15),
                   static_cast<std::uint8_t>(random())};
    });
    const auto web = WebPalette();
    const std::vector<Rgb> given = {{255, 0, 0}, {0, 0, 255}, {0, 0, 0}};
    const std::pair<TColorReduction, std::size_t> cases[] = {
        {TColorReduction::rmWindows20, 20},  {TColorReduction::rmWindows256, 256},
        {TColorReduction::rmWindowsGray, 4}, {TColorReduction::rmMonochrome, 2},
        {TColorReduction::rmGrayScale, 256}, {TColorReduction::rmNetscape, 216},
        {TColorReduction::rmQuantize, 8},    {TColorReduction::rmQuantizeWindows, 256},
        {TColorReduction::rmPalette, 3},
    };
    for (const auto& [reduction, colours] : cases) {
        const Bitmap reduced = ReduceColors(picture, reduction, TDitherMode::dmNearest, 3, given);
        const std::string what = "reduction " + std::to_string(static_cast<int>(reduction));
        ASSERT_EQ(reduced.format(), PixelFormat::Indexed8) << what;
        ASSERT_EQ(reduced.palette.size(), colours) << what;
        for (int y = 0; y < reduced.height(); ++y)
            for (int x = 0; x < reduced.width(); ++x)
                ASSERT_LT(reduced.pixelIndex(x, y), colours) << what;
        if (reduction == TColorReduction::rmPalette || reduction == TColorReduction::rmWindows20
            || reduction == TColorReduction::rmNetscape) {
            EXPECT_EQ(reduced.pixelColor(0, 0), (Rgb{255, 0, 0})) << what;
            EXPECT_EQ(reduced.pixelColor(30, 16), (Rgb{0, 0, 255})) << what;
        }
    }
    const Bitmap halftone = ReduceColors(picture, TColorReduction::rmWindows256, TDitherMode::dmNearest, 8);
    EXPECT_TRUE(std::equal(web.begin(), web.end(), halftone.palette.begin() + 10));
    EXPECT_EQ(halftone.palette[226], (Rgb{12, 12, 12}));
    EXPECT_EQ(halftone.palette[245], (Rgb{242, 242, 242}));

    const Bitmap copy = ReduceColors(picture, TColorReduction::rmNone, TDitherMode::dmNearest, 8);
    EXPECT_EQ(copy.format(), PixelFormat::Rgb24);
    EXPECT_TRUE(std::equal(copy.bits(), copy.bits() + copy.stride() * 17, picture.bits()));

    const auto reduce = [&](TColorReduction reduction, TDitherMode dither, int bits, const std::vector<Rgb>& palette) {
        return GIFError([&] { ReduceColors(picture, reduction, dither, bits, palette); });
    };
    for (int bits : {0, 9})
        EXPECT_EQ(reduce(TColorReduction::rmQuantize, TDitherMode::dmNearest, bits, {}), gifstrings::sInvalidBitSize);
    EXPECT_EQ(reduce(TColorReduction::rmPalette, TDitherMode::dmNearest, 8, {}), gifstrings::sEmptyColorMap);
    EXPECT_EQ(reduce(static_cast<TColorReduction>(77), TDitherMode::dmNearest, 8, {}), gifstrings::sInvalidReduction);
    EXPECT_EQ(reduce(TColorReduction::rmNetscape, static_cast<TDitherMode>(77), 8, {}), gifstrings::sInvalidReduction);
}
