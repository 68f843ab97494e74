#include "gif/GIFColorReduction.h"

#include "gif/GIFColorLookup.h"
#include "gif/GIFColorMap.h"
#include "gif/GIFColorQuantizer.h"
#include "gif/GIFDIB.h"
#include "gif/GIFDither.h"
#include "gif/GIFException.h"
#include "gif/GIFStrings.h"

#include <algorithm>
#include <memory>
#include <new>

using platform::Bitmap;
using platform::PixelFormat;
using platform::Rgb;

namespace {

constexpr int kQuantizedWindowsColors = 236;

std::vector<Rgb> Greys(std::initializer_list<std::uint8_t> levels)
{
    std::vector<Rgb> greys;
    for (std::uint8_t level : levels)
        greys.push_back({level, level, level});
    return greys;
}

std::vector<Rgb> GreyRamp()
{
    std::vector<Rgb> greys(256);
    for (std::size_t i = 0; i < greys.size(); ++i)
        greys[i] = {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i)};
    return greys;
}

// Colors entries of the quantiser's table, black beyond the leaves it made; with Windows
// colours, the static colours around them.
std::vector<Rgb> OptimizedPalette(const TColorQuantizer& quantizer, bool windows)
{
    const std::vector<Rgb> table = quantizer.GetColorTable();
    std::vector<Rgb> palette(static_cast<std::size_t>(quantizer.MaxColors));
    std::copy_n(table.begin(), std::min(table.size(), palette.size()), palette.begin());
    if (!windows)
        return palette;
    const auto& statics = StaticColors();
    std::vector<Rgb> framed(statics.begin(), statics.begin() + 10);
    framed.insert(framed.end(), palette.begin(), palette.end());
    framed.insert(framed.end(), statics.begin() + 10, statics.end());
    return framed;
}

std::vector<Rgb> QuantizedPalette(const TDIBReader& reader, int colors, bool windows)
{
    TColorQuantizer quantizer(windows ? kQuantizedWindowsColors : colors, 8);
    quantizer.ProcessImage(reader);
    return OptimizedPalette(quantizer, windows);
}

// The palette of a reduction and the lookup that maps colours into it.
struct Reduction {
    std::vector<Rgb> palette;
    std::unique_ptr<TColorLookup> lookup;
};

Reduction MakeReduction(TColorReduction reduction, const TDIBReader& reader, int reductionBits,
                        std::span<const Rgb> given)
{
    Reduction made;
    switch (reduction) {
    case TColorReduction::rmNone: break;
    case TColorReduction::rmWindows20: made.palette.assign(StaticColors().begin(), StaticColors().end()); break;
    case TColorReduction::rmWindows256: made.palette.assign(HalftonePalette().begin(), HalftonePalette().end()); break;
    case TColorReduction::rmWindowsGray: made.palette = Greys({0, 128, 192, 255}); break;
    case TColorReduction::rmMonochrome:
        made.palette = Greys({0, 255});
        made.lookup = std::make_unique<TMonochromeLookup>();
        break;
    case TColorReduction::rmGrayScale:
        made.palette = GreyRamp();
        made.lookup = std::make_unique<TGrayScaleLookup>();
        break;
    case TColorReduction::rmNetscape: {
        const auto web = WebPalette();
        made.palette.assign(web.begin(), web.end());
        made.lookup = std::make_unique<TNetscapeColorLookup>();
        break;
    }
    case TColorReduction::rmQuantize:
        if (reductionBits < 1 || reductionBits > 8)
            RaiseGIFError(gifstrings::sInvalidBitSize);
        made.palette = QuantizedPalette(reader, 1 << reductionBits, false);
        break;
    case TColorReduction::rmQuantizeWindows: made.palette = QuantizedPalette(reader, 256, true); break;
    case TColorReduction::rmPalette:
        if (given.empty())
            RaiseGIFError(gifstrings::sEmptyColorMap);
        made.palette.assign(given.begin(),
                            given.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(given.size(), 256)));
        break;
    }
    if (made.palette.empty())
        RaiseGIFError(gifstrings::sInvalidReduction);
    if (!made.lookup)
        made.lookup = std::make_unique<TFastColorLookup>(made.palette);
    return made;
}

} // namespace

const std::array<Rgb, 20>& StaticColors()
{
    static constexpr std::array<Rgb, 20> colors{{
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
    }};
    return colors;
}

const std::array<Rgb, 256>& HalftonePalette()
{
    static const std::array<Rgb, 256> palette = [] {
        std::array<Rgb, 256> made{};
        const auto& statics = StaticColors();
        std::copy_n(statics.begin(), 10, made.begin());
        const auto web = WebPalette();
        std::copy(web.begin(), web.end(), made.begin() + 10);
        for (int k = 1; k <= 20; ++k) {
            const auto grey = static_cast<std::uint8_t>(k * 255 / 21);
            made[static_cast<std::size_t>(225 + k)] = {grey, grey, grey};
        }
        std::copy(statics.begin() + 10, statics.end(), made.begin() + 246);
        return made;
    }();
    return palette;
}

Bitmap ReduceColors(const Bitmap& bitmap, TColorReduction reduction, TDitherMode ditherMode, int reductionBits,
                    std::span<const Rgb> palette)
{
    try {
        if (reduction == TColorReduction::rmNone)
            return bitmap.convertedTo(PixelFormat::Rgb24);
        const TDIBReader reader(bitmap, PixelFormat::Rgb24);
        const Reduction made = MakeReduction(reduction, reader, reductionBits, palette);
        const int width = bitmap.width();
        const int height = bitmap.height();
        const std::unique_ptr<TDitherEngine> engine = MakeDitherEngine(ditherMode, width, *made.lookup);
        Bitmap result;
        TDIBWriter writer(result, made.palette, height, width, PixelFormat::Indexed8);
        for (int row = 0; row < height; ++row)
            engine->DitherRow(reader.ScanLine(row), writer.ScanLine(row));
        writer.Finish();
        result.palette = made.palette;
        return result;
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sOutOfMemDIB);
    }
}

std::vector<Rgb> CreateOptimizedPaletteFromBitmap(const Bitmap& bitmap, int colors, int colorBits, bool windows)
{
    const Bitmap* bitmaps[] = {&bitmap};
    return CreateOptimizedPaletteFromManyBitmaps(bitmaps, colors, colorBits, windows);
}

std::vector<Rgb> CreateOptimizedPaletteFromManyBitmaps(std::span<const Bitmap* const> bitmaps, int colors,
                                                       int colorBits, bool windows)
{
    if (bitmaps.empty() || std::find(bitmaps.begin(), bitmaps.end(), nullptr) != bitmaps.end())
        RaiseGIFError(gifstrings::sInvalidBitmapList);
    TColorQuantizer quantizer(windows ? kQuantizedWindowsColors : colors, colorBits);
    for (const Bitmap* bitmap : bitmaps)
        quantizer.ProcessImage(TDIBReader(*bitmap, PixelFormat::Rgb24));
    return OptimizedPalette(quantizer, windows);
}
