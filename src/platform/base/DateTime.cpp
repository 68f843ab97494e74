#include "platform/base/DateTime.h"

#include <cmath>
#include <string>

namespace platform {

namespace {

constexpr long long kMSecsPerDay = 24LL * 60 * 60 * 1000;
// 1899-12-30 counted from 1970-01-01.
constexpr long long kEpochShift = -25569;
constexpr TDateTime kFirstDay = -693593; // 0001-01-01
constexpr TDateTime kLastDay = 2958465;  // 9999-12-31

// Days between 1970-01-01 and a proleptic Gregorian date; eras of 400 years keep every
// step in integers.
long long DaysFromCivil(long long y, int m, int d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

DateParts CivilFromDays(long long z)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    DateParts parts;
    parts.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    parts.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    parts.Year = static_cast<int>(yoe + era * 400 + (parts.Month <= 2));
    return parts;
}

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

} // namespace

TDateTime EncodeDate(int year, int month, int day)
{
    if (year < 1 || year > 9999 || day < 1 || day > DaysInMonth(year, month))
        throw EConvertError("Invalid argument to date encode: " + std::to_string(year) + "-"
                            + std::to_string(month) + "-" + std::to_string(day));
    return static_cast<TDateTime>(DaysFromCivil(year, month, day) - kEpochShift);
}

TDateTime EncodeTime(int hour, int min, int sec, int msec)
{
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        throw EConvertError("Invalid argument to time encode: " + std::to_string(hour) + ":"
                            + std::to_string(min) + ":" + std::to_string(sec) + "."
                            + std::to_string(msec));
    return static_cast<TDateTime>(((hour * 60LL + min) * 60 + sec) * 1000 + msec) / kMSecsPerDay;
}

TDateTime ComposeDateTime(TDateTime date, TDateTime time)
{
    return date < 0 ? date - time : date + time;
}

DayAndTime SplitDateTime(TDateTime value)
{
    if (!std::isfinite(value) || value <= kFirstDay - 1 || value >= kLastDay + 1)
        throw EConvertError("Invalid date-time value: " + std::to_string(value));
    DayAndTime result;
    const double whole = std::trunc(value);
    result.Day = static_cast<long long>(whole);
    long long msec = std::llround(std::fabs(value - whole) * kMSecsPerDay);
    if (msec >= kMSecsPerDay) {
        msec -= kMSecsPerDay;
        ++result.Day;
    }
    result.MSecOfDay = static_cast<int>(msec);
    return result;
}

DateParts DecodeDate(TDateTime value)
{
    return CivilFromDays(SplitDateTime(value).Day + kEpochShift);
}

TimeParts DecodeTime(TDateTime value)
{
    int msec = SplitDateTime(value).MSecOfDay;
    TimeParts parts;
    parts.MSec = msec % 1000;
    msec /= 1000;
    parts.Sec = msec % 60;
    msec /= 60;
    parts.Min = msec % 60;
    parts.Hour = msec / 60;
    return parts;
}

} // namespace platform
