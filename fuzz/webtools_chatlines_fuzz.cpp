// The chat's line cutter, fed what a peer sends. Input: the first byte picks the receive
// sizes, the rest is the byte stream. Every byte comes out again: in a line, as a cut LF,
// or still held.
#include "webtools/ChatLineCutter.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t step = 1 + data[0] % 64 * 17;
    ++data;
    --size;
    ChatLineCutter cutter;
    std::size_t out = 0;
    for (std::size_t at = 0; at < size;) {
        const std::size_t room = static_cast<std::size_t>(cutter.Room());
        if (room == 0)
            std::abort();
        std::size_t count = step < room ? step : room;
        if (count > size - at)
            count = size - at;
        std::memcpy(cutter.Free(), data + at, count);
        for (const std::string& line : cutter.Take(static_cast<std::int32_t>(count))) {
            if (line.size() > static_cast<std::size_t>(ChatLineCutter::Capacity) || line.find('\n') != std::string::npos)
                std::abort();
            out += line.size() + (line.size() == static_cast<std::size_t>(ChatLineCutter::Capacity) ? 0 : 1);
        }
        at += count;
        if (out + static_cast<std::size_t>(cutter.Held()) != at)
            std::abort();
    }
    return 0;
}
