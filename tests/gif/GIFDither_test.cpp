// The dither engines against a plain reference written from the published filters: a whole
// error matrix per channel, nothing rotated, nothing shared between the engines.

#include "gif/GIFColorLookup.h"
#include "gif/GIFColorMap.h"
#include "gif/GIFColorReduction.h"
#include "gif/GIFDither.h"
#include "gif/GIFException.h"
#include "gif/GIFStrings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using platform::Rgb;

// A published filter as printed: its rows below and beside the current pixel, which sits
// in the middle column of the first row (its own cell and those before it hold 0).
struct Published {
    TDitherMode mode;
    const char* name;
    int divisor;
    std::vector<std::vector<int>> matrix;
};

// clang-format off
const std::vector<Published>& PublishedFilters()
{
    static const std::vector<Published> filters = {
        {TDitherMode::dmFloydSteinberg, "Floyd-Steinberg", 16, {
            {0, 0, 7},
            {3, 5, 1}}},
        {TDitherMode::dmStucki, "Stucki", 42, {
            {0, 0, 0, 8, 4},
            {2, 4, 8, 4, 2},
            {1, 2, 4, 2, 1}}},
        {TDitherMode::dmSierra, "Sierra", 32, {
            {0, 0, 0, 5, 3},
            {2, 4, 5, 4, 2},
            {0, 2, 3, 2, 0}}},
        {TDitherMode::dmJaJuNI, "Jarvis-Judice-Ninke", 48, {
            {0, 0, 0, 7, 5},
            {3, 5, 7, 5, 3},
            {1, 3, 5, 3, 1}}},
        {TDitherMode::dmSteveArche, "Stevenson-Arce", 200, {
            { 0,  0,  0,  0,  0, 32,  0},
            {12,  0, 26,  0, 30,  0, 16},
            { 0, 12,  0, 26,  0, 12,  0},
            { 5,  0, 12,  0, 12,  0,  5}}},
        {TDitherMode::dmBurkes, "Burkes", 32, {
            {0, 0, 0, 8, 4},
            {2, 4, 8, 4, 2}}},
    };
    return filters;
}
// clang-format on

const std::vector<TDitherMode> kAllModes = {
    TDitherMode::dmNearest, TDitherMode::dmFloydSteinberg, TDitherMode::dmStucki, TDitherMode::dmSierra,
    TDitherMode::dmJaJuNI,  TDitherMode::dmSteveArche,     TDitherMode::dmBurkes};

struct Picture {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;
    std::vector<bool> skipped;
};

constexpr int kSkippedIndex = 999;

// Reference: every pixel reads its whole incoming error from the matrix, and spreads its own
// to the cells the filter names in the direction the row is walked. A skipped pixel neither
// reads nor spreads.
std::vector<int> ReferenceDither(const Picture& picture, const Published& filter, TColorLookup& lookup)
{
    const int pad = 3;
    const int columns = picture.width + 2 * pad;
    std::vector<long> error[3];
    for (auto& channel : error)
        channel.assign(static_cast<std::size_t>((picture.height + 4) * columns), 0);
    std::vector<int> indices(picture.pixels.size(), kSkippedIndex);
    for (int y = 0; y < picture.height; ++y) {
        const int direction = y % 2 == 0 ? 1 : -1;
        for (int step = 0; step < picture.width; ++step) {
            const int x = direction > 0 ? step : picture.width - 1 - step;
            const std::size_t at = static_cast<std::size_t>(y * picture.width + x);
            if (picture.skipped[at])
                continue;
            const Rgb pixel = picture.pixels[at];
            const int wanted[3] = {pixel.r, pixel.g, pixel.b};
            int value[3];
            for (int c = 0; c < 3; ++c) {
                const long sum = error[c][static_cast<std::size_t>(y * columns + x + pad)];
                const long quotient = (sum + filter.divisor / 2) / filter.divisor; // truncates towards zero
                value[c] = static_cast<int>(std::clamp<long>(wanted[c] + quotient, 0, 255));
            }
            Rgb chosen;
            indices[at] = lookup.Lookup(value[0], value[1], value[2], chosen);
            const int chosenValue[3] = {chosen.r, chosen.g, chosen.b};
            for (std::size_t row = 0; row < filter.matrix.size(); ++row) {
                const std::vector<int>& weights = filter.matrix[row];
                const int middle = static_cast<int>(weights.size()) / 2;
                for (int column = 0; column < static_cast<int>(weights.size()); ++column) {
                    const int target = x + direction * (column - middle) + pad;
                    for (int c = 0; c < 3; ++c)
                        error[c][(static_cast<std::size_t>(y) + row) * static_cast<std::size_t>(columns)
                                 + static_cast<std::size_t>(target)] +=
                            static_cast<long>(value[c] - chosenValue[c]) * weights[static_cast<std::size_t>(column)];
                }
            }
        }
    }
    return indices;
}

// Walks an engine of `mode` over `rows` rows of `width` in its own order; `pixel` dithers (or
// skips) the pixel at (x, y).
void Walk(TDitherMode mode, int width, int rows, TColorLookup& lookup,
          const std::function<void(TDitherEngine&, int, int)>& pixel)
{
    const std::unique_ptr<TDitherEngine> engine = MakeDitherEngine(mode, width, lookup);
    for (int y = 0; y < rows; ++y) {
        for (int x = engine->Column; x >= 0 && x < width; x = engine->Column)
            pixel(*engine, x, y);
        engine->NextLine();
    }
}

std::vector<int> EngineDither(const Picture& picture, TDitherMode mode, TColorLookup& lookup)
{
    std::vector<int> indices(picture.pixels.size(), kSkippedIndex);
    Walk(mode, picture.width, picture.height, lookup, [&](TDitherEngine& engine, int x, int y) {
        const std::size_t at = static_cast<std::size_t>(y * picture.width + x);
        Rgb chosen;
        if (picture.skipped[at])
            engine.NextColumn();
        else
            indices[at] = engine.Dither(picture.pixels[at].r, picture.pixels[at].g, picture.pixels[at].b, chosen);
    });
    return indices;
}

Picture RandomPicture(std::mt19937& random, int width, int height, bool withSkips)
{
    Picture picture{width, height, {}, {}};
    std::uniform_int_distribution<int> channel(0, 255);
    std::bernoulli_distribution skip(withSkips ? 0.15 : 0.0);
    // Smooth ramps with noise, so that errors carry across many pixels, and a few extremes.
    const int base[3] = {channel(random), channel(random), channel(random)};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Rgb pixel;
            std::uint8_t* out[3] = {&pixel.r, &pixel.g, &pixel.b};
            for (int c = 0; c < 3; ++c)
                *out[c] = static_cast<std::uint8_t>(
                    std::clamp(base[c] + (x * 7 + y * 5) * (c + 1) % 200 - 100 + channel(random) % 40 - 20, 0, 255));
            if (channel(random) < 8)
                pixel = channel(random) < 128 ? Rgb{0, 0, 0} : Rgb{255, 255, 255};
            picture.pixels.push_back(pixel);
            picture.skipped.push_back(skip(random));
        }
    return picture;
}

// The lookups the engines are checked over, made afresh for each run so that the fast
// lookup's table fills in the same order for the engine and the reference.
std::vector<std::pair<std::string, std::function<std::unique_ptr<TColorLookup>()>>> Lookups(std::mt19937& random)
{
    const auto palette = [&](int size) {
        std::vector<Rgb> colours(static_cast<std::size_t>(size));
        for (Rgb& c : colours)
            c = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random())};
        return colours;
    };
    const std::vector<Rgb> sixteen = palette(16), three = palette(3);
    const std::vector<Rgb> statics(StaticColors().begin(), StaticColors().end());
    return {
        {"web", [] { return std::make_unique<TNetscapeColorLookup>(); }},
        {"grey", [] { return std::make_unique<TGrayScaleLookup>(); }},
        {"monochrome", [] { return std::make_unique<TMonochromeLookup>(); }},
        {"16 random colours", [sixteen] { return std::make_unique<TFastColorLookup>(sixteen); }},
        {"3 random colours", [three] { return std::make_unique<TFastColorLookup>(three); }},
        {"20 static colours", [statics] { return std::make_unique<TFastColorLookup>(statics); }},
    };
}

} // namespace

TEST(GIFDither, EveryEngineGivesTheReferenceIndicesOnRandomPictures)
{
    std::mt19937 random(20261209);
    const auto lookups = Lookups(random);
    for (int run = 0; run < 50; ++run) {
        const int width = 1 + run % 40;
        const int height = 1 + static_cast<int>(random() % 12);
        const Picture picture = RandomPicture(random, width, height, run % 2 == 1);
        const auto& [lookupName, makeLookup] = lookups[static_cast<std::size_t>(run) % lookups.size()];
        for (const Published& filter : PublishedFilters()) {
            const auto forEngine = makeLookup();
            const auto forReference = makeLookup();
            EXPECT_EQ(EngineDither(picture, filter.mode, *forEngine), ReferenceDither(picture, filter, *forReference))
                << filter.name << " over " << lookupName << ", run " << run << ", " << width << "x" << height;
        }
    }
}

TEST(GIFDither, ExactColoursStayRowsAlternateErrorsClampAndEmptyRowsHaveNoColumn)
{
    // Grey pictures into the grey ramp: nothing to diffuse, so every engine gives the grey
    // values themselves, in the right columns on rows walked either way.
    platform::Bitmap grey(37, 9, platform::PixelFormat::Rgb24);
    std::mt19937 random(5);
    for (int y = 0; y < grey.height(); ++y)
        for (int x = 0; x < grey.width(); ++x)
            std::fill_n(grey.scanLine(y) + 3 * x, 3, static_cast<std::uint8_t>(random()));
    // Records the order in which a lookup is asked.
    class Recording final : public TColorLookup {
    public:
        Recording() : TColorLookup(256) {}
        std::uint8_t Lookup(int red, int, int, Rgb& chosen) override
        {
            order.push_back(red);
            chosen = {static_cast<std::uint8_t>(red), 0, 0};
            return static_cast<std::uint8_t>(red);
        }
        std::vector<int> order;
    };
    for (TDitherMode mode : kAllModes) {
        const platform::Bitmap dithered = ReduceColors(grey, TColorReduction::rmGrayScale, mode, 8);
        for (int y = 0; y < grey.height(); ++y)
            for (int x = 0; x < grey.width(); ++x)
                ASSERT_EQ(dithered.pixelIndex(x, y), grey.scanLine(y)[3 * x]) << "mode " << static_cast<int>(mode);

        // Left to right, then right to left.
        Recording lookup;
        Walk(mode, 4, 3, lookup, [](TDitherEngine& engine, int x, int row) {
            Rgb chosen;
            engine.Dither(row * 10 + x, 0, 0, chosen);
        });
        EXPECT_EQ(lookup.order, (std::vector<int>{0, 1, 2, 3, 13, 12, 11, 10, 20, 21, 22, 23}))
            << "mode " << static_cast<int>(mode);

        // White against a palette whose brightest entry is mid grey: the error keeps adding
        // up, and a channel that wrapped past 255 would pick black (and black past 0, white).
        for (const auto& [palette, pixel, expected] :
             {std::tuple{std::vector<Rgb>{{0, 0, 0}, {128, 128, 128}}, 255, 1},
              std::tuple{std::vector<Rgb>{{128, 128, 128}, {255, 255, 255}}, 0, 0}}) {
            TFastColorLookup fixed(palette);
            Walk(mode, 9, 6, fixed, [&, pixel = pixel, expected = expected](TDitherEngine& engine, int, int row) {
                Rgb chosen;
                EXPECT_EQ(engine.Dither(pixel, pixel, pixel, chosen), expected)
                    << "mode " << static_cast<int>(mode) << " row " << row;
            });
        }

        const auto empty = MakeDitherEngine(mode, 0, lookup);
        EXPECT_FALSE(empty->Column >= 0 && empty->Column < empty->Width);
        empty->NextLine();
        EXPECT_FALSE(empty->Column >= 0 && empty->Column < empty->Width);
    }
    TNetscapeColorLookup web;
    try {
        MakeDitherEngine(static_cast<TDitherMode>(42), 10, web);
        ADD_FAILURE() << "an unknown dither mode was accepted";
    } catch (const GIFException& e) {
        EXPECT_EQ(e.what(), gifstrings::sInvalidReduction);
    }
}
