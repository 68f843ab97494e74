#pragma once

#include "platform/graphics/Stream.h"

#include <cstdint>
#include <vector>

// One data sub-block kept as read (1..255 bytes), for extensions whose content we do
// not interpret and write back unchanged.
struct TGIFBlock {
    std::vector<std::uint8_t> Data;
};

// Sub-blocks up to the zero terminator; the end of the stream also ends them.
std::vector<TGIFBlock> ReadBlocks(platform::Stream& stream);
// The blocks and the zero terminator.
void WriteBlocks(platform::Stream& stream, const std::vector<TGIFBlock>& blocks);
