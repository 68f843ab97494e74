#include "gif/GIFBlock.h"

#include "gif/GIFStreamOps.h"

std::vector<TGIFBlock> ReadBlocks(platform::Stream& stream)
{
    std::vector<TGIFBlock> blocks;
    for (int length = ReadOneByte(stream); length > 0; length = ReadOneByte(stream)) {
        TGIFBlock block;
        block.Data.resize(static_cast<std::size_t>(length));
        ReadExactly(stream, block.Data.data(), block.Data.size());
        blocks.push_back(std::move(block));
    }
    return blocks;
}

void WriteBlocks(platform::Stream& stream, const std::vector<TGIFBlock>& blocks)
{
    for (const TGIFBlock& block : blocks) {
        WriteOneByte(stream, static_cast<std::uint8_t>(block.Data.size()));
        stream.write(block.Data.data(), block.Data.size());
    }
    WriteOneByte(stream, 0);
}
