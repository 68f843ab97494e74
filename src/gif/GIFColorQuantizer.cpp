#include "gif/GIFColorQuantizer.h"

#include "gif/GIFDIB.h"
#include "gif/GIFException.h"
#include "gif/GIFStrings.h"

#include <algorithm>

using platform::Rgb;

TColorQuantizer::TColorQuantizer(int maxColors, int colorBits) : MaxColors(maxColors), ColorBits(colorBits)
{
    if (maxColors < 1 || maxColors > 256 || colorBits < 1 || colorBits > 8)
        RaiseGIFError(gifstrings::sInvalidBitSize);
    cache_.resize(32768);
}

void TColorQuantizer::ProcessImage(const TDIBReader& reader)
{
    const int width = reader.Bitmap().width();
    const int height = reader.Bitmap().height();
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* pixel = reader.ScanLine(row);
        for (int x = 0; x < width; ++x, pixel += 3)
            AddPixel(pixel[0], pixel[1], pixel[2]);
    }
}

void TColorQuantizer::AddUncached(int red, int green, int blue, CachedLeaf& cached)
{
    int level = 0;
    Node* leaf = AddColor(red, green, blue, level);
    if (level <= kCachedLevels)
        cached = {epoch_, leaf};
    while (leafCount_ > MaxColors && ReduceTree()) {
        // Folding frees leaves the cache may name.
        if (++epoch_ == 0) {
            std::fill(cache_.begin(), cache_.end(), CachedLeaf{});
            epoch_ = 1;
        }
    }
}

TColorQuantizer::Node* TColorQuantizer::AddColor(int red, int green, int blue, int& level)
{
    Node** slot = &root_;
    for (level = 0;; ++level) {
        if (!*slot)
            *slot = NewNode(level);
        Node* node = *slot;
        if (node->leaf) {
            Count(*node, red, green, blue);
            return node;
        }
        const int shift = 7 - level;
        const int child = (((red >> shift) & 1) << 2) | (((green >> shift) & 1) << 1) | ((blue >> shift) & 1);
        slot = &node->children[static_cast<std::size_t>(child)];
    }
}

TColorQuantizer::Node* TColorQuantizer::NewNode(int level)
{
    Node* node;
    if (free_.empty()) {
        node = &pool_.emplace_back();
    } else {
        node = free_.back();
        free_.pop_back();
        *node = Node{};
    }
    if (level == ColorBits) {
        node->leaf = true;
        ++leafCount_;
    } else {
        node->nextReducible = reducible_[static_cast<std::size_t>(level)];
        reducible_[static_cast<std::size_t>(level)] = node;
    }
    return node;
}

bool TColorQuantizer::ReduceTree()
{
    int level = ColorBits - 1;
    while (level >= 0 && !reducible_[static_cast<std::size_t>(level)])
        --level;
    if (level < 0)
        return false;
    Node* node = reducible_[static_cast<std::size_t>(level)];
    reducible_[static_cast<std::size_t>(level)] = node->nextReducible;
    int children = 0;
    for (Node*& child : node->children) {
        if (!child)
            continue;
        node->pixelCount += child->pixelCount;
        node->red += child->red;
        node->green += child->green;
        node->blue += child->blue;
        free_.push_back(child);
        child = nullptr;
        ++children;
    }
    node->leaf = true;
    leafCount_ -= children - 1;
    return true;
}

std::vector<Rgb> TColorQuantizer::GetColorTable() const
{
    std::vector<Rgb> table;
    table.reserve(static_cast<std::size_t>(leafCount_));
    CollectColors(root_, table);
    return table;
}

void TColorQuantizer::CollectColors(const Node* node, std::vector<Rgb>& table) const
{
    if (!node)
        return;
    if (node->leaf) {
        const std::uint64_t count = node->pixelCount;
        table.push_back(count == 0 ? Rgb{}
                                   : Rgb{static_cast<std::uint8_t>(node->red / count),
                                         static_cast<std::uint8_t>(node->green / count),
                                         static_cast<std::uint8_t>(node->blue / count)});
        return;
    }
    for (const Node* child : node->children)
        CollectColors(child, table);
}
