#include "gif/GIFDIB.h"
#include "gif/GIFDither.h"
#include "gif/GIFImage.h"
#include "gif/GIFStrings.h"
#include "gif/GIFSubImage.h"

#include <cstring>
#include <optional>
#include <new>

using gifstrings::sProgressRendering;

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
        if (ditherer) {
            platform::Rgb chosen;
            if (makeMask) {
                const platform::Rgb clear = colors[static_cast<std::size_t>(transparent)];
                std::memset(target, webLookup.Lookup(clear.r, clear.g, clear.b, chosen), static_cast<std::size_t>(width));
            }
            // Transparent pixels are passed over, so that their colour spreads no error.
            for (int x = ditherer->Column; x >= 0 && x < width; x = ditherer->Column) {
                if (makeMask && source[x] == transparent) {
                    mask.setPixelIndex(x, row, 1);
                    anyTransparent = true;
                    ditherer->NextColumn();
                    continue;
                }
                const platform::Rgb color = colors[source[x]];
                target[x] = ditherer->Dither(color.r, color.g, color.b, chosen);
            }
            ditherer->NextLine();
            continue;
        }
        std::memcpy(target, source, static_cast<std::size_t>(width));
        if (!makeMask)
            continue;
        for (int x = 0; x < width; ++x)
            if (source[x] == transparent) {
                mask.setPixelIndex(x, row, 1);
                anyTransparent = true;
            }
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
