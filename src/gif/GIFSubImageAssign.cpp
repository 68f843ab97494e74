#include "gif/GIFColorReduction.h"
#include "gif/GIFDIB.h"
#include "gif/GIFException.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"
#include "gif/GIFQImage.h"
#include "gif/GIFStrings.h"
#include "gif/GIFSubImage.h"

#include <array>
#include <memory>

using gifstrings::sProgressConverting;
using platform::Bitmap;
using platform::PixelFormat;
using platform::Rgb;

namespace {

constexpr int kMaxSide = 0xFFFF;

bool IsTrueColor(PixelFormat format)
{
    return format == PixelFormat::Rgb24 || format == PixelFormat::Argb32;
}

// The last few distinct colours of a 24-bit import and their table indices: neighbouring
// pixels mostly repeat one of them, which spares the search of the table.
class RecentColors {
public:
    int find(Rgb color) const
    {
        for (int k = 1; k <= filled_; ++k) {
            const std::size_t at = static_cast<std::size_t>((next_ - k + kSize) % kSize);
            if (colors_[at] == color)
                return indices_[at];
        }
        return -1;
    }

    void remember(Rgb color, int index)
    {
        colors_[static_cast<std::size_t>(next_)] = color;
        indices_[static_cast<std::size_t>(next_)] = index;
        next_ = (next_ + 1) % kSize;
        filled_ = std::min(filled_ + 1, kSize);
    }

private:
    static constexpr int kSize = 8;
    std::array<Rgb, kSize> colors_{};
    std::array<int, kSize> indices_{};
    int next_ = 0;
    int filled_ = 0;
};

} // namespace

void TGIFSubImage::Assign(const Bitmap& bitmap, const Bitmap* mask)
{
    Clear();
    if (bitmap.isNull())
        return;
    if (mask && mask->format() != PixelFormat::Indexed1)
        RaiseGIFError(gifstrings::sUnsupportedBitmap);
    const GifLimits limits = Image ? Image->Limits : GifLimits{};
    if (bitmap.width() > kMaxSide || bitmap.height() > kMaxSide
        || static_cast<std::size_t>(bitmap.width()) * static_cast<std::size_t>(bitmap.height()) > limits.maxFramePixels
        || (mask && (mask->width() != bitmap.width() || mask->height() != bitmap.height())))
        RaiseGIFError(gifstrings::sBadDimension);
    if (Image)
        Image->Progress(this, psStarting, 0, false, sProgressConverting);
    try {
        if (IsTrueColor(bitmap.format())) {
            const TGIFSettings& defaults = GIFSettings();
            const TColorReduction reduction = Image ? Image->ColorReduction : defaults.DefaultColorReduction;
            // A reduction to a given palette takes the picture's.
            const std::vector<Rgb> palette =
                Image && reduction == TColorReduction::rmPalette ? Image->GetPalette() : std::vector<Rgb>();
            ImportPixels(ReduceColors(bitmap, reduction, Image ? Image->DitherMode : defaults.DefaultDitherMode,
                                      Image ? Image->GetReductionBits() : defaults.DefaultColorReductionBits, palette));
        } else {
            ImportPixels(bitmap);
        }
        if (mask)
            TransparencyFromMask(*mask);
    } catch (...) {
        Clear();
        if (Image)
            Image->Progress(this, psEnding, 0, false, sProgressConverting);
        throw;
    }
    if (Image)
        Image->Progress(this, psEnding, 100, false, sProgressConverting);
}

void TGIFSubImage::Assign(const QImage& image)
{
    Bitmap mask;
    const Bitmap bitmap = fromQImage(image, &mask);
    Assign(bitmap, mask.isNull() ? nullptr : &mask);
}

void TGIFSubImage::AssignTo(Bitmap& target)
{
    const Bitmap* drawn = GetBitmap();
    target = drawn ? *drawn : Bitmap();
}

void TGIFSubImage::ImportPixels(const Bitmap& bitmap)
{
    const int width = bitmap.width();
    const int height = bitmap.height();
    DoSetBounds(GetLeft(), GetTop(), width, height);
    const bool trueColor = bitmap.format() == PixelFormat::Rgb24;
    if (!trueColor)
        ColorMap.ImportColorMap(bitmap.palette);
    const TDIBReader reader(bitmap, trueColor ? PixelFormat::Rgb24 : PixelFormat::Indexed8);
    RecentColors recent;
    for (int row = 0; row < height; ++row) {
        if (row % 32 == 0 && Image)
            Image->Progress(this, psRunning, static_cast<int>(std::int64_t{row} * 100 / height), false,
                            sProgressConverting);
        const std::uint8_t* source = reader.ScanLine(row);
        std::uint8_t* target = GetScanline(row);
        if (!trueColor) {
            std::copy_n(source, width, target);
            continue;
        }
        for (int x = 0; x < width; ++x, source += 3) {
            const Rgb color{source[0], source[1], source[2]};
            int index = recent.find(color);
            if (index < 0) {
                index = ColorMap.AddUnique(color);
                recent.remember(color, index);
            }
            target[x] = static_cast<std::uint8_t>(index);
        }
    }
}

void TGIFSubImage::TransparencyFromMask(const Bitmap& mask)
{
    ColorMap.Optimize();
    const int count = ColorMap.GetCount();
    if (count < 1)
        return;
    if (count >= 256) {
        Warning(gsWarning, gifstrings::sTooManyColors);
        return;
    }
    const int transparent = ColorMap.Add(Rgb{});
    bool any = false;
    for (int y = 0; y < GetHeight(); ++y) {
        std::uint8_t* row = GetScanline(y);
        for (int x = 0; x < GetWidth(); ++x)
            if (mask.pixelIndex(x, y) != 0) {
                row[x] = static_cast<std::uint8_t>(transparent);
                any = true;
            }
    }
    if (!any) {
        ColorMap.Delete(transparent);
        return;
    }
    SetTransparentIndex(transparent);
    FreeBitmap();
}
