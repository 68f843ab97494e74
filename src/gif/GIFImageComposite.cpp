#include "gif/GIFImage.h"

#include "platform/graphics/BlitMasked.h"

#include <algorithm>
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

void TGIFSubImage::DrawInto(platform::Bitmap& canvas, bool transparent, platform::Bitmap& scratch)
{
    // Asked before the bitmap: finding the mask may draw the frame again.
    const bool masked = transparent && GetTransparent() && HasMask();
    const platform::Bitmap* bitmap = GetBitmap();
    if (!bitmap || canvas.isNull() || GetLeft() >= canvas.width() || GetTop() >= canvas.height())
        return;
    try {
        bitmap->convertInto(scratch, PixelFormat::Argb32);
        platform::blitMasked(canvas, {GetLeft(), GetTop(), scratch.width(), scratch.height()}, scratch,
                             {0, 0, scratch.width(), scratch.height()}, masked ? GetMask() : nullptr);
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sOutOfMemDIB);
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
    CheckCanvasSize();
    TGIFSubImage& frame = *Images.First();
    // The usual still, an opaque first frame that is the whole screen, is just its colours.
    const platform::Bitmap* bitmap = frame.HasMask() ? nullptr : frame.GetBitmap();
    if (bitmap && frame.GetLeft() == 0 && frame.GetTop() == 0 && frame.GetWidth() == GetWidth()
        && frame.GetHeight() == GetHeight()) {
        try {
            return bitmap->convertedTo(PixelFormat::Argb32);
        } catch (const std::bad_alloc&) {
            RaiseGIFError(gifstrings::sOutOfMemDIB);
        }
    }
    platform::Bitmap canvas = NewCanvas();
    if (!transparentBackground)
        GifFillRect(canvas, {0, 0, GetWidth(), GetHeight()}, disposalFillColor_.value_or(GetBackgroundColor()));
    platform::Bitmap scratch;
    frame.DrawInto(canvas, true, scratch);
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
