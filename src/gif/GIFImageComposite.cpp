#include "gif/GIFImage.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <new>

using platform::PixelFormat;
using platform::Rgb;

void GifFillRect(platform::Bitmap& canvas, const GifRect& rect, std::optional<Rgb> colour)
{
    const int left = std::clamp(rect.left, 0, canvas.width());
    const int right = std::clamp(rect.right, left, canvas.width());
    const int top = std::clamp(rect.top, 0, canvas.height());
    const int bottom = std::clamp(rect.bottom, top, canvas.height());
    if (canvas.format() != PixelFormat::Argb32 || left == right)
        return;
    const std::uint32_t pixel = colour ? 0xFF000000u | (std::uint32_t{colour->r} << 16)
                                             | (std::uint32_t{colour->g} << 8) | std::uint32_t{colour->b}
                                       : 0u;
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* row = canvas.scanLine(y);
        for (int x = left; x < right; ++x)
            std::memcpy(row + 4 * static_cast<std::size_t>(x), &pixel, 4);
    }
}

void TGIFSubImage::DrawInto(platform::Bitmap& canvas, bool transparent)
{
    if (GetEmpty() || canvas.format() != PixelFormat::Argb32)
        return;
    const int width = GetWidth();
    const int left = GetLeft();
    const int top = GetTop();
    const int right = std::min(left + width, canvas.width());
    const int bottom = std::min(top + GetHeight(), canvas.height());
    if (left >= right || top >= bottom)
        return;
    // A picture that dithers shows its frames in the web palette, as they draw on their own.
    const platform::Bitmap* dithered = Image && Image->DoDither() ? GetBitmap() : nullptr;
    std::array<Rgb, 256> entries{};
    if (dithered)
        std::copy_n(dithered->palette.begin(), std::min<std::size_t>(dithered->palette.size(), 256), entries.begin());
    else
        entries = GetActiveColorMap().PaddedEntries();
    std::array<std::uint32_t, 256> colours{};
    for (std::size_t i = 0; i < 256; ++i)
        colours[i] = 0xFF000000u | std::uint32_t{entries[i].r} << 16 | std::uint32_t{entries[i].g} << 8 | entries[i].b;
    const int clear = transparent ? GetTransparentIndex() : -1;
    const auto count = static_cast<std::size_t>(right - left);
    for (int y = top; y < bottom; ++y) {
        std::uint8_t* out = canvas.scanLine(y) + 4 * static_cast<std::size_t>(left);
        if (!dithered && !RowHoldsData(y - top)) {
            // The fill alone, drawn without reading the row: its memory stays untouched.
            if (reach_->fill != clear)
                for (std::size_t x = 0; x < count; ++x)
                    std::memcpy(out + 4 * x, &colours[reach_->fill], 4);
            continue;
        }
        const std::uint8_t* indices = pixels_.data() + static_cast<std::size_t>(y - top) * static_cast<std::size_t>(width);
        const std::uint8_t* shades = dithered ? dithered->scanLine(y - top) : indices;
        if (clear < 0) {
            for (std::size_t x = 0; x < count; ++x)
                std::memcpy(out + 4 * x, &colours[shades[x]], 4);
            continue;
        }
        for (std::size_t x = 0; x < count; ++x)
            if (indices[x] != clear)
                std::memcpy(out + 4 * x, &colours[shades[x]], 4);
    }
}

void TGIFImage::CheckCanvasSize() const
{
    const std::size_t pixels = static_cast<std::size_t>(GetWidth()) * static_cast<std::size_t>(GetHeight());
    if (pixels > Limits.maxCanvasPixels)
        RaiseGIFError(gifstrings::sBadDimension);
}

platform::Bitmap TGIFImage::NewCanvas() const
{
    CheckCanvasSize();
    try {
        return platform::Bitmap(GetWidth(), GetHeight(), PixelFormat::Argb32);
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sOutOfMemDIB);
    }
}

// The background goes first, then the frame with its transparency; a frame that lies
// partly or wholly beyond the screen is cut to it.
platform::Bitmap TGIFImage::ComposeStill(bool transparentBackground)
{
    if (GetEmpty())
        return platform::Bitmap();
    platform::Bitmap canvas = NewCanvas();
    if (!transparentBackground)
        GifFillRect(canvas, {0, 0, GetWidth(), GetHeight()}, disposalFillColor_.value_or(GetBackgroundColor()));
    Images.First()->DrawInto(canvas, true);
    return canvas;
}

const platform::Bitmap* TGIFImage::GetBitmap()
{
    if (!bitmap_ && !GetEmpty())
        bitmap_ = std::make_shared<platform::Bitmap>(ComposeStill());
    return bitmap_.get();
}

void TGIFImage::NewBitmap()
{
    FreeBitmap();
    bitmap_ = std::make_shared<platform::Bitmap>(NewCanvas());
}

void TGIFImage::FreeBitmap()
{
    if (lastDrawPainter_)
        lastDrawPainter_->Stop();
    bitmap_.reset();
}

std::vector<Rgb> TGIFImage::GetPalette()
{
    if (inGetPalette_)
        RaiseGIFError(gifstrings::sNoColorTable);
    const GifBusyFlag busy(inGetPalette_);
    if (!palette_.empty())
        return palette_;
    if (DoDither()) {
        const auto web = WebPalette();
        return palette_ = std::vector<Rgb>(web.begin(), web.end());
    }
    if (Header.ColorMap.GetCount() > 0)
        return palette_ = Header.ColorMap.ExportPalette();
    return GetEmpty() ? std::vector<Rgb>() : Images.First()->GetPalette();
}

void TGIFImage::SetPalette(std::vector<Rgb> palette)
{
    if (palette != palette_)
        palette_ = std::move(palette);
    if (bitmap_ && bitmap_->palette != palette_) {
        FreeBitmap();
        PaletteModified = true;
        Changed();
    }
}
