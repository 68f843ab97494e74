#pragma once

// One global colour table of the colours a picture's frames use, in place of the global
// table and every local one (TGIFImage::OptimizeColorMap).

#include "gif/GIFColorMap.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class TGIFImage;
class TGIFSubImage;

// One entry of a table and how much the frames use it.
struct TColorRecord {
    std::uint64_t count = 0;
    int index = 0; // in its own table
    int newIndex = 256; // in the merged table; 256 until given one
    platform::Rgb color;
    int mergedInto = -1; // the record, in the optimiser's list, whose colour this one shares
};

// How the frames drawn with one table use its entries. Indices beyond the table count as
// the black they are drawn in.
class THistogram {
public:
    explicit THistogram(const TGIFColorMap& map);

    // Counts the frame's pixels; its transparent ones only tell that transparency is used,
    // and a frame with none loses its transparency. Answers whether some pixel was
    // transparent.
    bool ProcessSubImage(TGIFSubImage& frame);
    // Counts `index` as used once: a colour something other than a pixel is drawn in.
    void CountUse(int index) { ++records_[static_cast<std::size_t>(index & 0xFF)].count; }
    // The used records, most used first.
    std::vector<TColorRecord*> Prune();
    // Old index -> new index; unused entries go to 0.
    TColorTranslation Translation() const;

    std::vector<TGIFSubImage*> Frames;

private:
    std::array<TColorRecord, 256> records_;
    int colorCount_;
};

class TColorMapOptimizer {
public:
    explicit TColorMapOptimizer(TGIFImage& image) : image_(image) {}
    void Optimize();

private:
    void Analyze();
    void MergeColors();
    void GetBestColors();
    // The kept colour nearest to `color` by the sum of channel differences, the lowest
    // index on ties.
    int Nearest(platform::Rgb color) const;
    void ApplyColorMap();
    void MapImages();

    TGIFImage& image_;
    std::vector<std::unique_ptr<THistogram>> histograms_;
    THistogram* global_ = nullptr;
    std::vector<TColorRecord*> records_; // every used record, in the order gathered
    std::vector<int> order_; // positions in records_, as last sorted
    bool UseTransparency = false;
    std::uint8_t NewTransparentColorIndex = 0;
    std::vector<platform::Rgb> newColorMap_;
};
