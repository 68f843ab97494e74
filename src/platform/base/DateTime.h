#pragma once

#include "platform/base/Exception.h"

namespace platform {

// A point in time as days since 1899-12-30 00:00, the fraction being the time of day.
// Before that day the whole part counts backwards while the fraction still counts
// forwards from midnight (-1.25 is 1899-12-29 06:00), so a date and a time are combined
// with ComposeDateTime, never by plain addition.
using TDateTime = double;

// Raised for a date or time that does not exist (day 31 of April, hour 24, a year
// outside 1 to 9999) or a value that is no date at all.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

struct DateParts {
    int Year = 0, Month = 0, Day = 0;
};

struct TimeParts {
    int Hour = 0, Min = 0, Sec = 0, MSec = 0;
};

TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
TDateTime ComposeDateTime(TDateTime date, TDateTime time);

// Whole days of the value (its calendar day, days since 1899-12-30) and its time of day
// in milliseconds, rounded to the nearest millisecond; a time that rounds up to
// midnight moves to the next day.
struct DayAndTime {
    long long Day = 0;
    int MSecOfDay = 0;
};
DayAndTime SplitDateTime(TDateTime value);

DateParts DecodeDate(TDateTime value);
TimeParts DecodeTime(TDateTime value);

} // namespace platform
