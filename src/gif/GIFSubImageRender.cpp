#include "gif/GIFDIB.h"
#include "gif/GIFImage.h"
#include "gif/GIFStrings.h"
#include "gif/GIFSubImage.h"

#include <cstring>
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
    const std::array<platform::Rgb, 256> palette = GetActiveColorMap().PaddedEntries();
    auto bitmap = std::make_unique<platform::Bitmap>();
    TDIBWriter writer(*bitmap, palette, height, width, platform::PixelFormat::Indexed8);

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
        std::memcpy(writer.ScanLine(row), source, static_cast<std::size_t>(width));
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
