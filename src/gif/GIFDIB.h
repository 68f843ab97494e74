#pragma once

#include "platform/graphics/Bitmap.h"

#include <cstdint>
#include <span>
#include <vector>

// Reads a bitmap's rows in a chosen format (1, 4, 8 or 24 bits a pixel), converting
// once when the bitmap has another; rows are top to bottom.
class TDIBReader {
public:
    // "Unsupported PixelFormat" for other formats, or for true colour read as indexed.
    TDIBReader(const platform::Bitmap& bitmap, platform::PixelFormat format);

    const std::uint8_t* ScanLine(int row) const;
    const platform::Bitmap& Bitmap() const { return *source_; }

private:
    platform::Bitmap converted_;
    const platform::Bitmap* source_;
};

// Builds a bitmap of 8 or 24 bits a pixel row by row. Memory is taken at the first
// ScanLine and handed to the target bitmap by Finish; a writer destroyed without Finish
// leaves the target as it was.
class TDIBWriter {
public:
    // "Unsupported PixelFormat" for formats other than 8 and 24 bits, "Invalid image
    // dimensions" for an empty size. An 8-bit bitmap gets the palette padded with black
    // to 256 entries, so that no index can fall outside it.
    TDIBWriter(platform::Bitmap& target, std::span<const platform::Rgb> palette, int height, int width,
               platform::PixelFormat format);

    // Row 0 is the top row. "Scan line index out of range" outside the bitmap.
    std::uint8_t* ScanLine(int row);
    void Finish();

private:
    platform::Bitmap& target_;
    std::vector<platform::Rgb> palette_;
    int height_;
    int width_;
    platform::PixelFormat format_;
    platform::Bitmap building_;
    bool finished_ = false;
};
