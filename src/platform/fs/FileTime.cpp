#include "platform/fs/FileTime.h"

#include <ctime>

namespace platform {

LocalTime LocalTimeOf(std::int64_t secondsSinceEpoch)
{
    const std::time_t when = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm parts{};
    if (!localtime_r(&when, &parts))
        return {};
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

} // namespace platform
