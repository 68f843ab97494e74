#pragma once

#include "gif/GIFTypes.h"
#include "platform/graphics/Stream.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

class TGIFHeader;
class TGIFSubImage;

// The 216 colours of the web palette: entry 36r + 6g + b (r, g, b = 0..5) is
// (51r, 51g, 51b).
std::array<platform::Rgb, 216> WebPalette();

// Usage of one entry while a table is sorted by use.
struct TUsageCount {
    std::uint64_t count = 0;
    int index = 0;
};
using TUsageTable = std::array<TUsageCount, 256>;
// Old index -> new index; entries beyond the table map to themselves.
using TColorTranslation = std::array<std::uint8_t, 256>;

// A GIF colour table of at most 256 entries and its "sorted by use" flag.
class TGIFColorMap : public GifPersistent {
public:
    using Rgb = platform::Rgb;

    void Clear();
    // Storage is always 256 entries; kept for callers that size tables ahead.
    void SetCapacity(int) {}
    // Reads `count` entries of red, green, blue.
    void LoadFromStream(platform::Stream& stream, int count);
    // The entries padded with black to 2^GetBitsPerPixel(); nothing when empty.
    void SaveToStream(platform::Stream& stream) const;

    int GetCount() const { return count_; }
    bool GetSorted() const { return sorted_; }
    void SetSorted(bool sorted) { sorted_ = sorted; }
    int GetBitsPerPixel() const;

    // A sorted table is searched from the most used entry, an unsorted one from the last.
    int IndexOf(Rgb color) const;
    int Add(Rgb color);
    int AddUnique(Rgb color);
    void Delete(int index);
    // Warns "Invalid color index" and answers entry 0 for an index outside the table.
    Rgb GetColor(int index);
    void SetColor(int index, Rgb color);
    // Every per-pixel lookup goes through this: indices beyond the table read as black
    // and never warn, as the files that carry them are common.
    Rgb LookupPadded(unsigned index) const { return index < static_cast<unsigned>(count_) ? entries_[index] : Rgb{}; }

    void ImportPalette(std::span<const Rgb> palette);
    void ImportColorMap(std::span<const Rgb> colors);
    // No palette (an empty vector) for an empty table.
    std::vector<Rgb> ExportPalette() const;
    // All 256 entries, those beyond the table black.
    std::array<Rgb, 256> PaddedEntries() const;
    void Assign(const TGIFColorMap& source);

    virtual void Warning(TGIFSeverity severity, std::string_view message) = 0;
    virtual void BuildHistogram(TUsageTable& usage) = 0;
    virtual void MapImages(const TColorTranslation& map) = 0;
    virtual bool Optimize() = 0;
    virtual void Changed() = 0;

protected:
    // Sorts the table by use, most used first, rewriting its users and dropping entries
    // no one uses from the end.
    bool DoOptimize();

private:
    std::array<Rgb, 256> entries_{};
    int count_ = 0;
    bool sorted_ = false;
};

// The header's table, shared by every frame without a local one.
class TGIFGlobalColorMap final : public TGIFColorMap {
public:
    explicit TGIFGlobalColorMap(TGIFHeader* header) : Header(header) {}

    void Warning(TGIFSeverity severity, std::string_view message) override;
    void BuildHistogram(TUsageTable& usage) override;
    void MapImages(const TColorTranslation& map) override;
    bool Optimize() override;
    void Changed() override;

    TGIFHeader* Header;
};

// A frame's own table.
class TGIFLocalColorMap final : public TGIFColorMap {
public:
    explicit TGIFLocalColorMap(TGIFSubImage* subImage) : SubImage(subImage) {}

    void Warning(TGIFSeverity severity, std::string_view message) override;
    void BuildHistogram(TUsageTable& usage) override;
    void MapImages(const TColorTranslation& map) override;
    bool Optimize() override;
    void Changed() override;

    TGIFSubImage* SubImage;
};
