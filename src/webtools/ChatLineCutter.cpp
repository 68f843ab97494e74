#include "webtools/ChatLineCutter.h"

#include <algorithm>
#include <cstring>

std::vector<std::string> ChatLineCutter::Take(std::int32_t count)
{
    rcvCount += std::clamp(count, 0, Room());
    std::vector<std::string> lines;
    const char* start = rcvBuffer;
    const char* const end = rcvBuffer + rcvCount;
    // memchr, not a string search: a NUL byte before the LF must not hide it.
    while (const void* found = std::memchr(start, '\n', static_cast<std::size_t>(end - start))) {
        const char* lineEnd = static_cast<const char*>(found);
        lines.emplace_back(start, lineEnd);
        start = lineEnd + 1;
    }
    rcvCount = static_cast<std::int32_t>(end - start);
    std::memmove(rcvBuffer, start, static_cast<std::size_t>(rcvCount));
    if (rcvCount == Capacity) {
        lines.emplace_back(rcvBuffer, rcvBuffer + rcvCount);
        rcvCount = 0;
    }
    return lines;
}
