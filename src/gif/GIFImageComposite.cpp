#include "gif/GIFImage.h"

#include "platform/graphics/BlitMasked.h"

#include <cstring>
#include <new>

using platform::PixelFormat;
using platform::Rgb;

namespace {

void FillOpaque(platform::Bitmap& canvas, Rgb color)
{
    if (canvas.isNull())
        return;
    const std::uint32_t pixel =
        0xFF000000u | (std::uint32_t{color.r} << 16) | (std::uint32_t{color.g} << 8) | std::uint32_t{color.b};
    std::uint8_t* first = canvas.scanLine(0);
    for (int x = 0; x < canvas.width(); ++x)
        std::memcpy(first + 4 * static_cast<std::size_t>(x), &pixel, 4);
    for (int y = 1; y < canvas.height(); ++y)
        std::memcpy(canvas.scanLine(y), first, canvas.stride());
}

} // namespace

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
    // Asked before the bitmap: finding the mask may draw the frame again.
    const bool masked = frame.HasMask();
    const platform::Bitmap* bitmap = frame.GetBitmap();
    try {
        // The usual still, an opaque first frame that is the whole screen, is just its colours.
        if (bitmap && !masked && frame.GetLeft() == 0 && frame.GetTop() == 0 && frame.GetWidth() == GetWidth()
            && frame.GetHeight() == GetHeight())
            return bitmap->convertedTo(PixelFormat::Argb32);
        platform::Bitmap canvas = NewCanvas();
        if (!transparentBackground)
            FillOpaque(canvas, disposalFillColor_.value_or(GetBackgroundColor()));
        if (bitmap && !canvas.isNull() && frame.GetLeft() < GetWidth() && frame.GetTop() < GetHeight()) {
            const platform::Bitmap colours = bitmap->convertedTo(PixelFormat::Argb32);
            platform::blitMasked(canvas, {frame.GetLeft(), frame.GetTop(), colours.width(), colours.height()},
                                 colours, {0, 0, colours.width(), colours.height()},
                                 masked ? frame.GetMask() : nullptr);
        }
        return canvas;
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sOutOfMemDIB);
    }
}

const platform::Bitmap* TGIFImage::GetBitmap()
{
    if (!bitmap_ && !GetEmpty())
        bitmap_ = std::make_unique<platform::Bitmap>(ComposeStill());
    return bitmap_.get();
}

void TGIFImage::NewBitmap()
{
    FreeBitmap();
    bitmap_ = std::make_unique<platform::Bitmap>(NewCanvas());
}

void TGIFImage::FreeBitmap()
{
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
