#include "gif/GIFColorMap.h"

#include "gif/GIFException.h"
#include "gif/GIFStreamOps.h"
#include "gif/GIFStrings.h"

#include <algorithm>
#include <numeric>

using gifstrings::sBadColorIndex;

std::array<platform::Rgb, 216> WebPalette()
{
    std::array<platform::Rgb, 216> palette;
    for (int i = 0; i < 216; ++i)
        palette[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i / 36 * 51),
                                                static_cast<std::uint8_t>(i / 6 % 6 * 51),
                                                static_cast<std::uint8_t>(i % 6 * 51)};
    return palette;
}

void TGIFColorMap::Clear()
{
    count_ = 0;
    sorted_ = false;
}

void TGIFColorMap::LoadFromStream(platform::Stream& stream, int count)
{
    Clear();
    if (count < 0 || count > 256)
        RaiseGIFError(sBadColorIndex);
    std::uint8_t bytes[3 * 256];
    ReadExactly(stream, bytes, 3 * static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        entries_[static_cast<std::size_t>(i)] = {bytes[3 * i], bytes[3 * i + 1], bytes[3 * i + 2]};
    count_ = count;
}

void TGIFColorMap::SaveToStream(platform::Stream& stream) const
{
    if (count_ == 0)
        return;
    const int padded = 1 << GetBitsPerPixel();
    std::uint8_t bytes[3 * 256] = {};
    for (int i = 0; i < count_; ++i) {
        const Rgb& c = entries_[static_cast<std::size_t>(i)];
        bytes[3 * i] = c.r;
        bytes[3 * i + 1] = c.g;
        bytes[3 * i + 2] = c.b;
    }
    stream.write(bytes, 3 * static_cast<std::size_t>(padded));
}

int TGIFColorMap::GetBitsPerPixel() const
{
    return ColorBitsFor(static_cast<std::size_t>(count_));
}

int TGIFColorMap::IndexOf(Rgb color) const
{
    if (sorted_) {
        for (int i = 0; i < count_; ++i)
            if (entries_[static_cast<std::size_t>(i)] == color)
                return i;
        return -1;
    }
    for (int i = count_ - 1; i >= 0; --i)
        if (entries_[static_cast<std::size_t>(i)] == color)
            return i;
    return -1;
}

int TGIFColorMap::Add(Rgb color)
{
    if (count_ >= 256)
        RaiseGIFError(gifstrings::sTooManyColors);
    entries_[static_cast<std::size_t>(count_)] = color;
    sorted_ = false;
    Changed();
    return count_++;
}

int TGIFColorMap::AddUnique(Rgb color)
{
    const int index = IndexOf(color);
    return index >= 0 ? index : Add(color);
}

void TGIFColorMap::Delete(int index)
{
    if (index < 0 || index >= count_)
        RaiseGIFError(sBadColorIndex);
    std::copy(entries_.begin() + index + 1, entries_.begin() + count_, entries_.begin() + index);
    --count_;
    sorted_ = false;
    Changed();
}

TGIFColorMap::Rgb TGIFColorMap::GetColor(int index)
{
    if (index < 0 || index >= count_) {
        Warning(gsWarning, sBadColorIndex);
        if (count_ == 0)
            RaiseGIFError(gifstrings::sEmptyColorMap);
        index = 0;
    }
    return entries_[static_cast<std::size_t>(index)];
}

void TGIFColorMap::SetColor(int index, Rgb color)
{
    if (index < 0 || index >= count_)
        RaiseGIFError(sBadColorIndex);
    entries_[static_cast<std::size_t>(index)] = color;
    Changed();
}

void TGIFColorMap::ImportPalette(std::span<const Rgb> palette)
{
    ImportColorMap(palette);
}

void TGIFColorMap::ImportColorMap(std::span<const Rgb> colors)
{
    Clear();
    count_ = static_cast<int>(std::min<std::size_t>(colors.size(), 256));
    std::copy_n(colors.begin(), count_, entries_.begin());
    if (count_ > 0)
        Changed();
}

std::vector<TGIFColorMap::Rgb> TGIFColorMap::ExportPalette() const
{
    return {entries_.begin(), entries_.begin() + count_};
}

std::array<TGIFColorMap::Rgb, 256> TGIFColorMap::PaddedEntries() const
{
    std::array<Rgb, 256> padded{};
    std::copy_n(entries_.begin(), count_, padded.begin());
    return padded;
}

void TGIFColorMap::Assign(const TGIFColorMap& source)
{
    if (&source == this)
        return;
    entries_ = source.entries_;
    count_ = source.count_;
    sorted_ = source.sorted_;
    Changed();
}

bool TGIFColorMap::DoOptimize()
{
    if (count_ <= 1)
        return false;
    sorted_ = true;
    TUsageTable usage{};
    for (int i = 0; i < 256; ++i)
        usage[static_cast<std::size_t>(i)].index = i;
    BuildHistogram(usage);
    const auto used = usage.begin() + count_;
    // Stable, so that equal counts keep their order and a re-save gives the same bytes.
    std::stable_sort(usage.begin(), used, [](const TUsageCount& a, const TUsageCount& b) { return a.count > b.count; });
    const bool unchanged =
        std::all_of(usage.begin(), used, [&](const TUsageCount& u) { return u.index == &u - usage.data(); });
    if (unchanged)
        return true;

    TColorTranslation map;
    std::iota(map.begin(), map.end(), 0);
    for (int position = 0; position < count_; ++position)
        map[static_cast<std::size_t>(usage[static_cast<std::size_t>(position)].index)] =
            static_cast<std::uint8_t>(position);
    MapImages(map);

    const std::array<Rgb, 256> old = entries_;
    for (int position = 0; position < count_; ++position)
        entries_[static_cast<std::size_t>(position)] = old[static_cast<std::size_t>(usage[static_cast<std::size_t>(position)].index)];
    const auto firstUnused = std::find_if(usage.begin(), used, [](const TUsageCount& u) { return u.count == 0; });
    count_ = static_cast<int>(firstUnused - usage.begin());
    Changed();
    return true;
}
