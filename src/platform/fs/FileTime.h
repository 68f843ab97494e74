#pragma once

#include <cstdint>

namespace platform {

// A modification time broken down in local time, as the listing shows and sorts it.
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

LocalTime LocalTimeOf(std::int64_t secondsSinceEpoch);

} // namespace platform
