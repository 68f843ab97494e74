#include "gif/GIFDIB.h"
#include "gif/GIFDither.h"
#include "gif/GIFImage.h"
#include "gif/GIFStrings.h"
#include "gif/GIFSubImage.h"

#include <cstring>
#include <optional>
#include <new>

using gifstrings::sProgressRendering;

namespace {

// One row of indices as they are; pixels of index `transparent` (none when negative) are set
// in the mask. Answers whether any was.
bool CopyRow(const std::uint8_t* source, std::uint8_t* target, int width, int transparent, platform::Bitmap& mask,
             int row)
{
    std::memcpy(target, source, static_cast<std::size_t>(width));
    bool any = false;
    for (int x = 0; transparent >= 0 && x < width; ++x)
        if (source[x] == transparent) {
            mask.setPixelIndex(x, row, 1);
            any = true;
        }
    return any;
}

// One row drawn in the web palette, error diffused in the ditherer's walking direction. Pixels
// of index `transparent` are passed over, so that their colour spreads no error, set in the
// mask and drawn in the web colour nearest to theirs. Answers whether any was.
bool DitherRow(TFloydSteinbergDitherer& ditherer, const std::array<platform::Rgb, 256>& colors,
               const std::uint8_t* source, std::uint8_t* target, int width, int transparent, platform::Bitmap& mask,
               int row)
{
    platform::Rgb chosen;
    if (transparent >= 0) {
        const platform::Rgb clear = colors[static_cast<std::size_t>(transparent)];
        std::memset(target, ditherer.Lookup.Lookup(clear.r, clear.g, clear.b, chosen), static_cast<std::size_t>(width));
    }
    bool any = false;
    for (int x = ditherer.Column; x >= 0 && x < width; x = ditherer.Column) {
        if (source[x] == transparent) {
            mask.setPixelIndex(x, row, 1);
            any = true;
            ditherer.NextColumn();
            continue;
        }
        const platform::Rgb color = colors[source[x]];
        target[x] = ditherer.Dither(color.r, color.g, color.b, chosen);
    }
    ditherer.NextLine();
    return any;
}

} // namespace

const platform::Bitmap* TGIFSubImage::GetBitmap()
{
    if (!bitmap_ && !GetEmpty()) {
        if (Image)
            Image->Progress(this, psStarting, 0, false, sProgressRendering);
        try {
            Render();
        } catch (...) {
            if (Image)
                Image->Progress(this, psEnding, 0, false, sProgressRendering);
            throw;
        }
        if (Image)
            Image->Progress(this, psEnding, 100, false, sProgressRendering);
    }
    return bitmap_.get();
}

bool TGIFSubImage::HasMask()
{
    if (maskNeeded_ && GetTransparent()) {
        FreeBitmap();
        GetBitmap();
    }
    return mask_ != nullptr;
}

void TGIFSubImage::Render()
{
    const int width = GetWidth();
    const int height = GetHeight();
    const std::array<platform::Rgb, 256> colors = GetActiveColorMap().PaddedEntries();
    // A picture that dithers is drawn in the web palette, error diffused.
    const bool dither = Image && Image->DoDither();
    const auto web = WebPalette();
    auto bitmap = std::make_unique<platform::Bitmap>();
    TDIBWriter writer(*bitmap, dither ? std::span<const platform::Rgb>(web) : std::span<const platform::Rgb>(colors),
                      height, width, platform::PixelFormat::Indexed8);
    TNetscapeColorLookup webLookup;
    std::optional<TFloydSteinbergDitherer> ditherer;
    if (dither)
        ditherer.emplace(width, webLookup);

    const int transparent = GetTransparentIndex();
    const bool makeMask = maskNeeded_ && transparent >= 0 && !mask_;
    platform::Bitmap mask = makeMask ? platform::Bitmap(width, height, platform::PixelFormat::Indexed1)
                                     : platform::Bitmap();
    bool anyTransparent = false;
    for (int row = 0; row < height; ++row) {
        if (row % 32 == 0 && Image)
            Image->Progress(this, psRunning, static_cast<int>(std::int64_t{row} * 100 / height), false,
                            sProgressRendering);
        const std::uint8_t* source = pixels_.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
        std::uint8_t* target = writer.ScanLine(row);
        const int masked = makeMask ? transparent : -1;
        if (ditherer)
            anyTransparent |= DitherRow(*ditherer, colors, source, target, width, masked, mask, row);
        else
            anyTransparent |= CopyRow(source, target, width, masked, mask, row);
    }
    writer.Finish();
    if (makeMask)
        maskNeeded_ = false;
    if (anyTransparent)
        mask_ = std::make_unique<platform::Bitmap>(std::move(mask));
    bitmap_ = std::move(bitmap);
}

void TGIFSubImage::NewBitmap()
{
    FreeBitmap();
    if (GetWidth() == 0 || GetHeight() == 0)
        return;
    const std::array<platform::Rgb, 256> palette = GetActiveColorMap().PaddedEntries();
    try {
        auto bitmap = std::make_unique<platform::Bitmap>(GetWidth(), GetHeight(), platform::PixelFormat::Indexed8);
        bitmap->palette.assign(palette.begin(), palette.end());
        bitmap_ = std::move(bitmap);
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sOutOfMemDIB);
    }
}

void TGIFSubImage::SetBitmap(const platform::Bitmap* bitmap)
{
    FreeBitmap();
    if (!bitmap)
        return;
    try {
        bitmap_ = std::make_unique<platform::Bitmap>(*bitmap);
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sOutOfMemDIB);
    }
}

void TGIFSubImage::SetHasBitmap(bool hasBitmap)
{
    if (hasBitmap)
        GetBitmap();
    else
        FreeBitmap();
}

std::vector<platform::Rgb> TGIFSubImage::GetPalette()
{
    if (bitmap_ && !bitmap_->palette.empty())
        return bitmap_->palette;
    if (!palette_.empty())
        return palette_;
    if (Image && Image->DoDither()) {
        const auto web = WebPalette();
        return palette_ = std::vector<platform::Rgb>(web.begin(), web.end());
    }
    if (ColorMap.GetCount() == 0)
        return Image ? Image->GetPalette() : std::vector<platform::Rgb>();
    return palette_ = ColorMap.ExportPalette();
}

void TGIFSubImage::SetPalette(std::vector<platform::Rgb> palette)
{
    if (palette != palette_)
        palette_ = std::move(palette);
    if (bitmap_ && bitmap_->palette != palette_) {
        FreeBitmap();
        if (Image) {
            Image->PaletteModified = true;
            Image->Changed();
        }
    }
}
