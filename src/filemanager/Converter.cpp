#include "filemanager/Converter.h"

#include "filemanager/dir.h"

#include <algorithm>
#include <string>

namespace {

constexpr char hexDigits[] = "0123456789ABCDEF";

char Shown(unsigned char byte) { return static_cast<char>(byte < 32 ? controlByteMark : byte); }

// "%.8X": at least eight upper-case digits, more once the offset needs them.
char* PutOffset(char* out, std::uint64_t offset)
{
    int digits = 8;
    while (digits < 16 && (offset >> (4 * digits)) != 0)
        ++digits;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        *out++ = hexDigits[(offset >> shift) & 0xF];
    return out;
}

char* PutHexLine(char* out, std::uint64_t offset, const unsigned char* bytes, std::size_t count)
{
    out = PutOffset(out, offset);
    *out++ = ' ';
    *out++ = ' ';
    for (std::size_t i = 0; i < THexConversion::lineBytes; ++i) {
        if (i < count) {
            *out++ = hexDigits[bytes[i] >> 4];
            *out++ = hexDigits[bytes[i] & 0xF];
        } else {
            *out++ = ' ';
            *out++ = ' ';
        }
        *out++ = ' ';
        if (i == 7 || i == 15)
            *out++ = ' ';
    }
    for (std::size_t i = 0; i < count; ++i)
        *out++ = Shown(bytes[i]);
    *out++ = '\n';
    return out;
}

} // namespace

std::size_t TConversion::ConvertReadStream(platform::Stream& stream, char* buffer, std::size_t bufSize)
{
    return stream.read(buffer, bufSize);
}

void TPageConversion::ReportPosition(const platform::Stream& stream) const
{
    if (titleBar_)
        titleBar_->SetTitle(std::to_string(stream.position()));
}

std::size_t THexConversion::ConvertReadStream(platform::Stream& stream, char* buffer, std::size_t bufSize)
{
    if (bufSize <= minBuffer)
        return 0;
    const auto base = static_cast<std::uint64_t>(stream.position());
    unsigned char bytes[blockBytes];
    const std::size_t count = stream.read(bytes, blockBytes);
    char* out = buffer;
    for (std::size_t first = 0; first < count; first += lineBytes)
        out = PutHexLine(out, base + first, bytes + first, std::min(lineBytes, count - first));
    ReportPosition(stream);
    return static_cast<std::size_t>(out - buffer);
}

std::size_t TBinConversion::ConvertReadStream(platform::Stream& stream, char* buffer, std::size_t bufSize)
{
    if (bufSize <= minBuffer)
        return 0;
    unsigned char bytes[blockBytes];
    const std::size_t count = stream.read(bytes, blockBytes);
    char* out = buffer;
    for (std::size_t i = 0; i < count; ++i) {
        *out++ = Shown(bytes[i]);
        if (i % lineBytes == lineBytes - 1 || i + 1 == count)
            *out++ = '\n';
    }
    ReportPosition(stream);
    return static_cast<std::size_t>(out - buffer);
}
