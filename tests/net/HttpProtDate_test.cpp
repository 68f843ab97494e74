#include "net/HttpProt.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <string>

namespace {

constexpr long long kDaysTo1970 = 25569;

// The date-time of a Unix time, built as dates and times are combined (days before
// 1899-12-30 count backwards, the time of day forwards).
platform::TDateTime FromUnix(long long t)
{
    const long long day = t >= 0 ? t / 86400 : -((-t + 86399) / 86400);
    return platform::ComposeDateTime(static_cast<double>(day + kDaysTo1970),
                                     static_cast<double>(t - day * 86400) / 86400);
}

std::string Strftime(long long t)
{
    const std::time_t time = static_cast<std::time_t>(t);
    std::tm tm {};
    gmtime_r(&time, &tm);
    char text[64];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S", &tm);
    return text;
}

std::string DateError(const std::string& text)
{
    try {
        RFC1123_StrToDate(text);
    } catch (const platform::EConvertError& error) {
        return error.what();
    }
    return "no error";
}

} // namespace

TEST(HttpProtDate, WritesKnownDatesAcrossTheCenturyBoundaries)
{
    using platform::EncodeDate;
    using platform::EncodeTime;
    EXPECT_EQ(RFC1123_Date(EncodeDate(2000, 1, 1)), "Sat, 01 Jan 2000 00:00:00");
    EXPECT_EQ(RFC1123_Date(2), "Mon, 01 Jan 1900 00:00:00");
    EXPECT_EQ(RFC1123_Date(1.5), "Sun, 31 Dec 1899 12:00:00");
    EXPECT_EQ(RFC1123_Date(-1.25), "Fri, 29 Dec 1899 06:00:00");
    EXPECT_EQ(RFC1123_Date(EncodeDate(1999, 12, 31) + EncodeTime(23, 59, 59, 0)), "Fri, 31 Dec 1999 23:59:59");
    // Half a millisecond before midnight rounds into the next day, and the next year.
    EXPECT_EQ(RFC1123_Date(EncodeDate(1999, 12, 31) + (86400000 - 0.4) / 86400000), "Sat, 01 Jan 2000 00:00:00");
    EXPECT_EQ(RFC1123_Date(EncodeDate(2000, 2, 29) + EncodeTime(8, 5, 3, 0)), "Tue, 29 Feb 2000 08:05:03");
    EXPECT_EQ(RFC1123_Date(EncodeDate(9999, 12, 31)), "Fri, 31 Dec 9999 00:00:00");
    EXPECT_EQ(RFC1123_Date(EncodeDate(999, 1, 2)), "Wed, 02 Jan 0999 00:00:00");
    EXPECT_THROW(RFC1123_Date(std::numeric_limits<double>::quiet_NaN()), platform::EConvertError);
    EXPECT_THROW(RFC1123_Date(1e12), platform::EConvertError);
    EXPECT_THROW(platform::EncodeDate(1900, 2, 29), platform::EConvertError);
}

// Every day from 1800 to 2200 at a changing time of day, and a sample up to 9999,
// against the C library's own calendar; each text must read back as the same value.
TEST(HttpProtDate, AgreesWithTheCLibraryAndReadsItsOwnTextBack)
{
    const long long from = -5364662400LL; // 1800-01-01
    const long long to = 7258118400LL;    // 2200-01-01
    const auto check = [](long long t) {
        const platform::TDateTime d = FromUnix(t);
        const std::string text = RFC1123_Date(d);
        ASSERT_EQ(text, Strftime(t)) << t;
        ASSERT_DOUBLE_EQ(RFC1123_StrToDate(text + " GMT"), d) << text;
    };
    for (long long t = from; t < to; t += 86400 + 7919)
        check(t);
    for (long long t = to; t < 253402300800LL; t += 86400LL * 9973 + 3601)
        check(t);
}

TEST(HttpProtDate, ReadsFixedColumnsAndRefusesImpossibleDates)
{
    using platform::EncodeDate;
    using platform::EncodeTime;
    EXPECT_DOUBLE_EQ(RFC1123_StrToDate("Sat, 01 Jan 2000"), EncodeDate(2000, 1, 1));
    EXPECT_DOUBLE_EQ(RFC1123_StrToDate("xxx, 01 Jan 2000 1x:30:05"), EncodeDate(2000, 1, 1) + EncodeTime(0, 30, 5, 0));
    EXPECT_DOUBLE_EQ(RFC1123_StrToDate("Mon,  1 Dec 1800 12:00:00"),
                     platform::ComposeDateTime(EncodeDate(1800, 12, 1), 0.5));
    EXPECT_EQ(DateError("Tue, 31 Feb 2000 00:00:00"),
              "Invalid HTTP date \"Tue, 31 Feb 2000 00:00:00\": Invalid argument to date encode: 2000-2-31");
    EXPECT_EQ(DateError("Sat, 01 Jan 2000 24:00:00"),
              "Invalid HTTP date \"Sat, 01 Jan 2000 24:00:00\": Invalid argument to time encode: 24:0:0.0");
    // A month must be one of the twelve names as written, not three letters that
    // happen to appear in the joined list.
    for (const char* bad : {"Sat, 01 anF 2000 00:00:00", "Sat, 01 JAN 2000 00:00:00", "Sat, 01 Ja", "", "garbage"})
        EXPECT_NE(DateError(bad), "no error") << bad;
}
