#include "gif/GIFSubImage.h"

#include "gif/GIFException.h"
#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"
#include "gif/GIFLZWDecoder.h"
#include "gif/GIFStreamOps.h"
#include "gif/GIFStrings.h"
#include "gif/GIFTextExtension.h"

#include <algorithm>
#include <new>

TGIFSubImage::TGIFSubImage(TGIFImage* image) : TGIFItem(image), ColorMap(this), Extensions(image)
{
    Descriptor[0] = ',';
}

TGIFSubImage::~TGIFSubImage() = default;

void TGIFSubImage::Clear()
{
    Extensions.Clear();
    ColorMap.Clear();
    FreeImage();
    StoreLE(7, 0);
    StoreLE(5, 0);
    FreeBitmap();
}

void TGIFSubImage::Assign(const TGIFSubImage& source)
{
    if (&source == this)
        return;
    Clear();
    // Through the file format, so that every extension is a fresh one of this frame.
    platform::MemoryStream extensions;
    source.Extensions.SaveToStream(extensions);
    extensions.setPosition(0);
    Extensions.LoadFromStream(extensions, this);
    if (source.GetEmpty())
        return;
    Descriptor = source.Descriptor;
    try {
        pixels_ = source.pixels_;
        reach_ = source.reach_;
        ColorMap.Assign(source.ColorMap);
        if (source.bitmap_)
            bitmap_ = std::make_unique<platform::Bitmap>(*source.bitmap_);
        if (source.mask_)
            mask_ = std::make_unique<platform::Bitmap>(*source.mask_);
    } catch (const std::bad_alloc&) {
        Clear();
        RaiseGIFError(gifstrings::sOutOfMemDIB);
    }
    maskNeeded_ = source.maskNeeded_;
}

void TGIFSubImage::LoadFromStream(platform::Stream& stream)
{
    Clear();
    Extensions.LoadFromStream(stream, this);
    const int next = ReadOneByte(stream);
    if (next >= 0)
        stream.seek(-1);
    // Anything but an image separator ends the frame without an image; the block loop
    // then says what it found.
    if (next != ',')
        return;
    ReadExactly(stream, Descriptor.data(), Descriptor.size());
    if (GetWidth() == 0 || GetHeight() == 0) {
        StoreLE(7, Image ? Image->GetHeight() : 0);
        StoreLE(5, Image ? Image->GetWidth() : 0);
        Warning(gsWarning, gifstrings::sScreenSizeExceeded);
    }
    if (Descriptor[9] & kLocalTable)
        ColorMap.LoadFromStream(stream, 2 << (Descriptor[9] & 7));
    Decompress(stream);
    if (GIFSettings().RenderOnLoad)
        GetBitmap();
}

TGIFPixels TGIFSubImage::NewPixels(int width, int height, std::uint8_t fill) const
{
    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const GifLimits limits = Image ? Image->Limits : GifLimits{};
    if (count > limits.maxFramePixels)
        RaiseGIFError(gifstrings::sBadDimension);
    try {
        // Zero is what fresh memory holds: the pixels stay untouched until written.
        return fill == 0 ? TGIFPixels(count) : TGIFPixels(count, fill);
    } catch (const std::bad_alloc&) {
        RaiseGIFError(gifstrings::sOutOfMemDIB);
    }
}

void TGIFSubImage::Decompress(platform::Stream& stream)
{
    FreeBitmap();
    const int transparentIndex = GetTransparentIndex();
    if (Image)
        Image->CountLoadedPixels(static_cast<std::size_t>(GetWidth()) * static_cast<std::size_t>(GetHeight()));
    const auto fill = static_cast<std::uint8_t>(std::max(transparentIndex, 0));
    pixels_ = NewPixels(GetWidth(), GetHeight(), fill);
    reach_ = {0, fill, GetInterlaced()};
    const TGIFDecoded decoded =
        DecompressLZW(stream, pixels_.data(), GetWidth(), GetHeight(), GetInterlaced(), fill,
                      [this](TGIFSeverity severity, std::string_view message) { Warning(severity, message); });
    reach_ = {decoded.rows, fill, GetInterlaced()};
    // One warning a frame at most, however many pixels are beyond the table: drawing
    // shows them black.
    if (decoded.highest >= GetActiveColorMap().GetCount())
        Warning(gsWarning, gifstrings::sBadColorIndex);
}

bool TGIFSubImage::RowHoldsData(int row) const
{
    if (!reach_)
        return true;
    return (reach_->interlaced ? InterlacedRowRank(row, GetHeight()) : row) < reach_->rows;
}

TGIFVersion TGIFSubImage::GetVersion() const
{
    return ColorMap.GetSorted() || Extensions.GetCount() > 0 ? gv89a : gv87a;
}

int TGIFSubImage::GetBounds(int index) const
{
    return index >= 1 && index <= 4 ? LoadLE(2 * index - 1) : 0;
}

void TGIFSubImage::SetBounds(int index, int value)
{
    DoSetBounds(index == 1 ? value : GetLeft(), index == 2 ? value : GetTop(), index == 3 ? value : GetWidth(),
                index == 4 ? value : GetHeight());
}

void TGIFSubImage::DoSetBounds(int left, int top, int width, int height)
{
    left = std::clamp(left, 0, 0xFFFF);
    top = std::clamp(top, 0, 0xFFFF);
    width = std::clamp(width, 0, 0xFFFF);
    height = std::clamp(height, 0, 0xFFFF);
    const bool resized = width != GetWidth() || height != GetHeight();
    // Made before anything changes, so that a size the limits refuse leaves the frame as it was.
    TGIFPixels resizedPixels = resized ? NewPixels(width, height, 0) : TGIFPixels();
    StoreLE(1, left);
    StoreLE(3, top);
    StoreLE(5, width);
    StoreLE(7, height);
    if (resized) {
        FreeBitmap();
        pixels_ = std::move(resizedPixels);
        reach_.reset();
    }
    if (!Image)
        return;
    bool grown = false;
    if (Image->GetWidth() < left + width) {
        if (Image->GetWidth() > 0) {
            Warning(gsWarning, gifstrings::sBadWidth);
            grown = true;
        }
        Image->Header.SetWidth(left + width);
    }
    if (Image->GetHeight() < top + height) {
        if (Image->GetHeight() > 0) {
            Warning(gsWarning, gifstrings::sBadHeight);
            grown = true;
        }
        Image->Header.SetHeight(top + height);
    }
    if (grown)
        Warning(gsWarning, gifstrings::sScreenSizeExceeded);
}

void TGIFSubImage::SetBoundsRect(const GifRect& rect)
{
    DoSetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

int TGIFSubImage::PictureWidth() const
{
    return Image && Image->GetWidth() > 0 ? Image->GetWidth() : GetLeft() + GetWidth();
}

int TGIFSubImage::PictureHeight() const
{
    return Image && Image->GetHeight() > 0 ? Image->GetHeight() : GetTop() + GetHeight();
}

void TGIFSubImage::SetInterlaced(bool interlaced)
{
    Descriptor[9] = static_cast<std::uint8_t>(interlaced ? Descriptor[9] | kInterlaced : Descriptor[9] & ~kInterlaced);
}

TGIFColorMap& TGIFSubImage::GetActiveColorMap() const
{
    if (ColorMap.GetCount() > 0 || !Image || Image->Header.ColorMap.GetCount() == 0)
        return const_cast<TGIFLocalColorMap&>(ColorMap);
    return Image->Header.ColorMap;
}

TGIFGraphicControlExtension* TGIFSubImage::GetGraphicControlExtension() const
{
    for (const auto& extension : Extensions)
        if (auto* control = dynamic_cast<TGIFGraphicControlExtension*>(extension.get()))
            return control;
    return nullptr;
}

int TGIFSubImage::GetTransparentIndex() const
{
    for (const auto& extension : Extensions)
        if (const auto* control = dynamic_cast<const TGIFGraphicControlExtension*>(extension.get()))
            if (control->GetTransparent())
                return control->GetTransparentColorIndex();
    return -1;
}

std::uint8_t TGIFSubImage::GetPixel(int x, int y) const
{
    if (x < 0 || x >= GetWidth() || y < 0 || y >= GetHeight() || pixels_.empty())
        RaiseGIFError(gifstrings::sBadPixelCoordinates);
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(GetWidth()) + static_cast<std::size_t>(x)];
}

std::uint8_t* TGIFSubImage::GetScanline(int y)
{
    if (y < 0 || y >= GetHeight())
        RaiseGIFError(gifstrings::sBadPixelCoordinates);
    NeedImage();
    // The caller may write any row.
    reach_.reset();
    return pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(GetWidth());
}

void TGIFSubImage::NewImage()
{
    FreeImage();
    pixels_ = NewPixels(GetWidth(), GetHeight(), 0);
}

void TGIFSubImage::FreeImage()
{
    pixels_.clear();
    pixels_.shrink_to_fit();
    reach_.reset();
}

void TGIFSubImage::NeedImage()
{
    if (pixels_.empty())
        NewImage();
    if (pixels_.empty())
        RaiseGIFError(gifstrings::sEmptyImage);
}

void TGIFSubImage::CountColorUse(TUsageTable& usage) const
{
    std::uint64_t counts[256] = {};
    for (const std::uint8_t index : pixels_)
        ++counts[index];
    for (std::size_t i = 0; i < 256; ++i)
        usage[i].count += counts[i];
    // A transparent entry stays even when no pixel shows it, or the next colour added
    // to the table would land on it and turn invisible.
    const int transparent = GetTransparentIndex();
    if (transparent >= 0)
        ++usage[static_cast<std::size_t>(transparent)].count;
}

void TGIFSubImage::MapColors(const TColorTranslation& map)
{
    for (std::uint8_t& index : pixels_)
        index = map[index];
    reach_.reset();
    for (const auto& extension : Extensions) {
        if (auto* control = dynamic_cast<TGIFGraphicControlExtension*>(extension.get()))
            control->TransparentColorIndex = map[control->TransparentColorIndex];
        else if (auto* text = dynamic_cast<TGIFTextExtension*>(extension.get())) {
            text->ForegroundColorIndex = map[text->ForegroundColorIndex];
            text->BackgroundColorIndex = map[text->BackgroundColorIndex];
        }
    }
    FreeBitmap();
}

void TGIFSubImage::FreeBitmap()
{
    bitmap_.reset();
    FreeMask();
}

void TGIFSubImage::FreeMask()
{
    mask_.reset();
    maskNeeded_ = true;
}
