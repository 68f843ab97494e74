#include "gif/GIFStreamOps.h"

#include "gif/GIFException.h"
#include "gif/GIFStrings.h"
#include "platform/graphics/Bitmap.h"

#include <algorithm>
#include <cstring>

void ReadExactly(platform::Stream& stream, void* buffer, std::size_t count)
{
    if (stream.read(buffer, count) != count)
        RaiseGIFError(gifstrings::sOutOfData);
}

int ReadOneByte(platform::Stream& stream)
{
    return stream.readByte();
}

void WriteOneByte(platform::Stream& stream, std::uint8_t value)
{
    stream.write(&value, 1);
}

void ReadTextSubBlocks(platform::Stream& stream, std::vector<std::string>& strings)
{
    strings.clear();
    char block[255];
    for (int length = ReadOneByte(stream); length > 0; length = ReadOneByte(stream)) {
        ReadExactly(stream, block, static_cast<std::size_t>(length));
        strings.emplace_back(block, ::strnlen(block, static_cast<std::size_t>(length)));
    }
}

void WriteTextSubBlocks(platform::Stream& stream, const std::vector<std::string>& strings)
{
    for (const std::string& text : strings)
        for (std::size_t at = 0; at < text.size(); at += 255) {
            const std::size_t n = std::min<std::size_t>(255, text.size() - at);
            WriteOneByte(stream, static_cast<std::uint8_t>(n));
            stream.write(text.data() + at, n);
        }
    WriteOneByte(stream, 0);
}

void SkipSubBlocks(platform::Stream& stream)
{
    for (int length = ReadOneByte(stream); length > 0; length = ReadOneByte(stream))
        stream.seek(length);
}

int ColorBitsFor(std::size_t count)
{
    int bits = count == 0 ? 0 : 1;
    while ((std::size_t{1} << bits) < count)
        ++bits;
    return bits;
}

std::size_t ScanlineBytes(std::size_t width, std::size_t bitsPerPixel, std::size_t alignment)
{
    return platform::scanlineBytes(width, bitsPerPixel, alignment);
}
