#pragma once

#include "platform/graphics/Rgb.h"

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

class TDIBReader;

// An octree quantiser: colours are sorted into a tree by their bits, most significant
// first, down to ColorBits levels, and whenever the tree holds more than MaxColors leaves
// the deepest, most recently made branch is folded into one leaf holding its average. The
// tree never holds more than MaxColors leaves, whatever the number of pixels.
class TColorQuantizer {
public:
    // "Invalid Bits Per Pixel value" unless maxColors lies in 1..256 and colorBits in 1..8.
    TColorQuantizer(int maxColors, int colorBits);
    TColorQuantizer(const TColorQuantizer&) = delete;
    TColorQuantizer& operator=(const TColorQuantizer&) = delete;

    // Every pixel of a reader of 24-bit rows, the top row first, each row from the left.
    void ProcessImage(const TDIBReader& reader);
    // One pixel, each channel 0..255.
    inline void AddPixel(int red, int green, int blue);
    // The leaves' average colours, depth first with the children in index order.
    std::vector<platform::Rgb> GetColorTable() const;

    int GetLeafCount() const { return leafCount_; }
    const int MaxColors;
    const int ColorBits;

private:
    struct Node {
        bool leaf = false;
        // 64 bits: a leaf of some 8.4 million white pixels passes 2^31 in its sums.
        std::uint64_t pixelCount = 0;
        std::uint64_t red = 0;
        std::uint64_t green = 0;
        std::uint64_t blue = 0;
        Node* nextReducible = nullptr;
        std::array<Node*, 8> children{};
    };

    struct CachedLeaf;
    static void Count(Node& leaf, int red, int green, int blue)
    {
        ++leaf.pixelCount;
        leaf.red += static_cast<std::uint64_t>(red);
        leaf.green += static_cast<std::uint64_t>(green);
        leaf.blue += static_cast<std::uint64_t>(blue);
    }
    void AddUncached(int red, int green, int blue, CachedLeaf& cached);
    // The leaf the colour was counted in, and its level.
    Node* AddColor(int red, int green, int blue, int& level);
    Node* NewNode(int level);
    // Folds the newest branch of the deepest level into a leaf; false when there is none.
    bool ReduceTree();
    void CollectColors(const Node* node, std::vector<platform::Rgb>& table) const;

    // Nodes live in the pool and are recycled through the free list: folding and growing
    // the tree at every new colour would otherwise allocate for almost every pixel.
    std::deque<Node> pool_;
    std::vector<Node*> free_;
    Node* root_ = nullptr;
    std::array<Node*, 8> reducible_{};
    int leafCount_ = 0;
    // The leaf of each cell of colours sharing their top five bits, while that leaf lies no
    // deeper than level 5 (so that every colour of the cell walks to it) and no branch has
    // been folded since: most pixels of a picture then skip the walk down the tree.
    struct CachedLeaf {
        std::uint32_t epoch = 0;
        Node* leaf = nullptr;
    };
    static constexpr int kCachedLevels = 5;
    std::vector<CachedLeaf> cache_;
    std::uint32_t epoch_ = 1;
};

void TColorQuantizer::AddPixel(int red, int green, int blue)
{
    CachedLeaf& cached = cache_[static_cast<std::size_t>(((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3))];
    if (cached.epoch == epoch_)
        Count(*cached.leaf, red, green, blue);
    else
        AddUncached(red, green, blue, cached);
}
