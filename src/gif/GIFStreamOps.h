#pragma once

#include "platform/graphics/Stream.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads exactly `count` bytes; fewer raise "Premature end of data".
void ReadExactly(platform::Stream& stream, void* buffer, std::size_t count);
// The next byte, or -1 at the end of the stream.
int ReadOneByte(platform::Stream& stream);
void WriteOneByte(platform::Stream& stream, std::uint8_t value);

// Text kept in data sub-blocks (comments, plain text): one string per sub-block, cut at
// its first zero byte. A zero length byte or the end of the stream ends the text.
void ReadTextSubBlocks(platform::Stream& stream, std::vector<std::string>& strings);
// Each string in pieces of at most 255 bytes, then the zero terminator.
void WriteTextSubBlocks(platform::Stream& stream, const std::vector<std::string>& strings);

// Skips data sub-blocks up to and including the zero terminator, or to the end of the stream.
void SkipSubBlocks(platform::Stream& stream);

// 0 for 0, else the smallest b >= 1 with 2^b >= count.
int ColorBitsFor(std::size_t count);
std::size_t ScanlineBytes(std::size_t width, std::size_t bitsPerPixel, std::size_t alignment);

inline std::uint16_t LoadLE16(const std::uint8_t* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline void StoreLE16(std::uint8_t* p, std::uint16_t value)
{
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}

// A size or position into a 16-bit field of the file, clamped to what the field holds.
inline void StoreClampedLE16(std::uint8_t* p, int value)
{
    StoreLE16(p, static_cast<std::uint16_t>(std::clamp(value, 0, 0xFFFF)));
}
