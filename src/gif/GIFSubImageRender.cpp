#include "gif/GIFDIB.h"
#include "gif/GIFImage.h"
#include "gif/GIFStrings.h"
#include "gif/GIFSubImage.h"

#include <cstring>

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
