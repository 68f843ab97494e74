// A frame's transparency and its two space optimisations: cropping transparent borders
// and merging with what the frame before it shows.

#include "gif/GIFGraphicControlExtension.h"
#include "gif/GIFImage.h"
#include "gif/GIFSubImage.h"

#include <algorithm>

TGIFGraphicControlExtension& TGIFSubImage::NeedGraphicControlExtension()
{
    if (TGIFGraphicControlExtension* control = GetGraphicControlExtension())
        return *control;
    auto added = std::make_unique<TGIFGraphicControlExtension>(this);
    TGIFGraphicControlExtension& control = *added;
    Extensions.Add(std::move(added));
    return control;
}

void TGIFSubImage::SetTransparentIndex(int index)
{
    TGIFGraphicControlExtension& control = NeedGraphicControlExtension();
    control.SetTransparent(true);
    control.TransparentColorIndex = static_cast<std::uint8_t>(index);
    FreeBitmap();
}

void TGIFSubImage::DropTransparency()
{
    for (const auto& extension : Extensions)
        if (auto* control = dynamic_cast<TGIFGraphicControlExtension*>(extension.get())) {
            control->SetTransparent(false);
            control->TransparentColorIndex = 0;
        }
    FreeBitmap();
}

bool TGIFSubImage::UsesTransparentIndex() const
{
    const int transparent = GetTransparentIndex();
    return transparent >= 0 && std::find(pixels_.begin(), pixels_.end(), transparent) != pixels_.end();
}

void TGIFSubImage::Crop()
{
    const int transparent = GetTransparentIndex();
    if (GetEmpty() || transparent < 0)
        return;
    const int width = GetWidth();
    const int height = GetHeight();
    int left = width, right = -1, top = height, bottom = -1;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* row = pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        for (int x = 0; x < width; ++x)
            if (row[x] != transparent) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = y;
            }
    }
    if (right < 0) {
        Clear();
        return;
    }
    const int cutWidth = right - left + 1;
    const int cutHeight = bottom - top + 1;
    if (cutWidth == width && cutHeight == height)
        return;
    TGIFPixels cut = NewPixels(cutWidth, cutHeight, 0);
    for (int y = 0; y < cutHeight; ++y)
        std::copy_n(pixels_.data() + static_cast<std::size_t>(top + y) * static_cast<std::size_t>(width) + left,
                    cutWidth, cut.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(cutWidth));
    StoreLE(1, GetLeft() + left);
    StoreLE(3, GetTop() + top);
    StoreLE(5, cutWidth);
    StoreLE(7, cutHeight);
    pixels_ = std::move(cut);
    reach_.reset();
    FreeBitmap();
}

void TGIFSubImage::Merge(const TGIFSubImage* previous)
{
    if (!previous || previous == this || GetEmpty() || previous->GetEmpty())
        return;
    // What such a frame showed is gone by the time this one is drawn.
    if (const auto* control = previous->GetGraphicControlExtension())
        if (control->GetDisposal() == dmBackground || control->GetDisposal() == dmPrevious)
            return;
    const GifRect mine = GetBoundsRect();
    const GifRect theirs = previous->GetBoundsRect();
    const GifRect common{std::max(mine.left, theirs.left), std::max(mine.top, theirs.top),
                         std::min(mine.right, theirs.right), std::min(mine.bottom, theirs.bottom)};
    if (common.left >= common.right || common.top >= common.bottom)
        return;
    // Each index as its colour, padded so that indices beyond a table are the black they
    // are drawn in; a transparent one as a value no colour and no other side has.
    const auto keys = [](const TGIFSubImage& frame, std::uint32_t clear) {
        const std::array<platform::Rgb, 256> colours = frame.GetActiveColorMap().PaddedEntries();
        std::array<std::uint32_t, 256> key;
        for (std::size_t i = 0; i < 256; ++i)
            key[i] = std::uint32_t{colours[i].r} << 16 | std::uint32_t{colours[i].g} << 8 | colours[i].b;
        if (const int transparent = frame.GetTransparentIndex(); transparent >= 0)
            key[static_cast<std::size_t>(transparent)] = clear;
        return key;
    };
    const std::array<std::uint32_t, 256> mineKeys = keys(*this, 1u << 24);
    const std::array<std::uint32_t, 256> theirKeys = keys(*previous, 1u << 25);
    const auto offset = [](const GifRect& frame, int x, int y) {
        return static_cast<std::size_t>(y - frame.top) * static_cast<std::size_t>(frame.right - frame.left)
               + static_cast<std::size_t>(x - frame.left);
    };
    // 1 where the pixel shows what is already there.
    std::vector<std::uint8_t> merged(pixels_.size());
    bool any = false;
    for (int y = common.top; y < common.bottom; ++y) {
        const std::size_t at = offset(mine, common.left, y);
        const std::uint8_t* row = pixels_.data() + at;
        const std::uint8_t* theirRow = previous->pixels_.data() + offset(theirs, common.left, y);
        for (int x = 0; x < common.right - common.left; ++x) {
            const bool same = mineKeys[row[x]] == theirKeys[theirRow[x]];
            merged[at + static_cast<std::size_t>(x)] = same;
            any = any || same;
        }
    }
    if (!any)
        return;
    int index = GetTransparentIndex();
    if (index < 0) {
        index = NewTransparentIndex(merged);
        if (index < 0)
            return;
        SetTransparentIndex(index);
    }
    for (std::size_t at = 0; at < pixels_.size(); ++at)
        pixels_[at] = merged[at] ? static_cast<std::uint8_t>(index) : pixels_[at];
    reach_.reset();
    FreeBitmap();
}

int TGIFSubImage::NewTransparentIndex(const std::vector<std::uint8_t>& merged)
{
    TGIFColorMap& table = GetActiveColorMap();
    if (table.GetCount() < 1 || table.GetCount() > 255)
        return -1;
    // An index a pixel left as it is still has would turn that pixel see-through.
    std::array<std::uint8_t, 256> kept{};
    for (std::size_t at = 0; at < pixels_.size(); ++at)
        kept[pixels_[at]] |= merged[at] ^ 1;
    if (ColorMap.GetCount() == 0 && Image)
        for (const auto& frame : Image->Images) {
            const int other = frame->GetTransparentIndex();
            if (frame.get() != this && other >= 0 && &frame->GetActiveColorMap() == &table
                && !kept[static_cast<std::size_t>(other)])
                return other;
        }
    // Pixels beyond the table are drawn black, as the entries added for them are.
    int index = table.GetCount();
    while (index < 256 && kept[static_cast<std::size_t>(index)])
        ++index;
    if (index > 255)
        return -1;
    while (table.GetCount() <= index)
        table.Add(platform::Rgb{});
    return index;
}
