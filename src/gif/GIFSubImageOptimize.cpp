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
    std::vector<std::uint8_t> cut = NewPixels(cutWidth, cutHeight, 0);
    for (int y = 0; y < cutHeight; ++y)
        std::copy_n(pixels_.data() + static_cast<std::size_t>(top + y) * static_cast<std::size_t>(width) + left,
                    cutWidth, cut.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(cutWidth));
    StoreLE(1, GetLeft() + left);
    StoreLE(3, GetTop() + top);
    StoreLE(5, cutWidth);
    StoreLE(7, cutHeight);
    pixels_ = std::move(cut);
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
    // Padded, so that indices beyond a table compare as the black they are drawn in.
    const std::array<platform::Rgb, 256> colours = GetActiveColorMap().PaddedEntries();
    const std::array<platform::Rgb, 256> theirColours = previous->GetActiveColorMap().PaddedEntries();
    const int transparent = GetTransparentIndex();
    const int theirTransparent = previous->GetTransparentIndex();
    const auto offset = [](const GifRect& frame, int x, int y) {
        return static_cast<std::size_t>(y - frame.top) * static_cast<std::size_t>(frame.right - frame.left)
               + static_cast<std::size_t>(x - frame.left);
    };
    std::vector<std::size_t> merged;
    for (int y = common.top; y < common.bottom; ++y) {
        const std::size_t at = offset(mine, common.left, y);
        const std::uint8_t* theirRow = previous->pixels_.data() + offset(theirs, common.left, y);
        for (int x = 0; x < common.right - common.left; ++x) {
            const std::uint8_t pixel = pixels_[at + static_cast<std::size_t>(x)];
            if (pixel != transparent && theirRow[x] != theirTransparent && colours[pixel] == theirColours[theirRow[x]])
                merged.push_back(at + static_cast<std::size_t>(x));
        }
    }
    if (merged.empty())
        return;
    int index = transparent;
    if (index < 0) {
        index = NewTransparentIndex(merged);
        if (index < 0)
            return;
        SetTransparentIndex(index);
    }
    for (const std::size_t at : merged)
        pixels_[at] = static_cast<std::uint8_t>(index);
    FreeBitmap();
}

int TGIFSubImage::NewTransparentIndex(const std::vector<std::size_t>& merged)
{
    TGIFColorMap& table = GetActiveColorMap();
    if (table.GetCount() < 1 || table.GetCount() > 255)
        return -1;
    std::vector<bool> isMerged(pixels_.size());
    for (const std::size_t at : merged)
        isMerged[at] = true;
    // An index a pixel left as it is still has would turn that pixel see-through.
    std::array<bool, 256> kept{};
    for (std::size_t at = 0; at < pixels_.size(); ++at)
        if (!isMerged[at])
            kept[pixels_[at]] = true;
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
