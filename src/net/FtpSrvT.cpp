#include "net/FtpSrvT.h"

#include "platform/base/AsciiCase.h"
#include "platform/fs/OpenRegularFile.h"

#include <sys/stat.h>

#include <cmath>
#include <ctime>

using namespace platform;

namespace {

// Days from 1899-12-30, where TDateTime counts from, to 1970-01-01.
constexpr std::int64_t unixEpochDay = 25569;

bool Digits(const std::string& text, std::size_t from, std::size_t count, int& value)
{
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9')
            return false;
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

// The broken-down parts of a TDateTime, for the C time functions.
std::tm PartsOf(TDateTime Value)
{
    const DateParts date = DecodeDate(Value);
    const TimeParts time = DecodeTime(Value);
    std::tm parts{};
    parts.tm_year = date.Year - 1900;
    parts.tm_mon = date.Month - 1;
    parts.tm_mday = date.Day;
    parts.tm_hour = time.Hour;
    parts.tm_min = time.Min;
    parts.tm_sec = time.Sec;
    parts.tm_isdst = -1;
    return parts;
}

bool SetModificationTime(const std::string& FileName, std::int64_t Seconds)
{
    try {
        const FileDescriptor file = OpenRegularFile(FileName, FileAccess::Write);
        const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(Seconds), 0}};
        return ::futimens(file.get(), times) == 0;
    } catch (const Exception&) {
        return false;
    }
}

} // namespace

int GetLocalBiasUTC()
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    return static_cast<int>(-parts.tm_gmtoff / 60);
}

TDateTime DateTimeToUTC(TDateTime Local)
{
    return Local + GetLocalBiasUTC() / 1440.0;
}

TDateTime UTCToLocalDT(TDateTime Utc)
{
    return Utc - GetLocalBiasUTC() / 1440.0;
}

std::string PadDigits(std::int64_t Value, int Digits)
{
    std::string text = std::to_string(Value);
    if (static_cast<int>(text.size()) < Digits)
        text.insert(0, static_cast<std::size_t>(Digits) - text.size(), '0');
    return text;
}

std::string TimeDateStr(TDateTime Value)
{
    const DateParts date = DecodeDate(Value);
    const TimeParts time = DecodeTime(Value);
    return PadDigits(date.Year, 4) + PadDigits(date.Month, 2) + PadDigits(date.Day, 2) + PadDigits(time.Hour, 2)
        + PadDigits(time.Min, 2) + PadDigits(time.Sec, 2) + "." + PadDigits(time.MSec, 3);
}

TDateTime DateTimeOfUnixSeconds(std::int64_t Seconds)
{
    const std::int64_t days = Seconds >= 0 ? Seconds / 86400 : -((-Seconds + 86399) / 86400);
    const std::int64_t secondOfDay = Seconds - days * 86400;
    return ComposeDateTime(static_cast<TDateTime>(days + unixEpochDay),
                           EncodeTime(static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                                      static_cast<int>(secondOfDay % 60), 0));
}

std::int64_t UnixSecondsOfUTC(TDateTime Utc)
{
    std::tm parts = PartsOf(Utc);
    return static_cast<std::int64_t>(timegm(&parts));
}

std::string FileUtcStr(const std::string& FileName)
{
    std::string name = FileName;
    if (!name.empty() && (name.back() == '/' || name.back() == '\\'))
        name += '.';
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0)
        return {};
    // The file's own UTC time: no bias of today is applied to a time of another season.
    return TimeDateStr(DateTimeOfUnixSeconds(status.st_mtim.tv_sec));
}

TDateTime MDTM2Date(const std::string& Text)
{
    if (Text.size() <= 13)
        return 0;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, msec = 0;
    if (!Digits(Text, 0, 4, year) || !Digits(Text, 4, 2, month) || !Digits(Text, 6, 2, day))
        return 0;
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return 0;
    TDateTime date = 0;
    try {
        date = EncodeDate(year, month, day);
    } catch (const EConvertError&) {
        return -1;
    }
    if (!Digits(Text, 8, 2, hour) || !Digits(Text, 10, 2, minute) || !Digits(Text, 12, 2, second))
        return -1;
    if (Text.size() > 17 && !Digits(Text, 15, 3, msec))
        msec = 0;
    try {
        return ComposeDateTime(date, EncodeTime(hour, minute, second, msec));
    } catch (const EConvertError&) {
        return -1;
    }
}

int ParseTimeZoneMinutes(const std::string& Text)
{
    std::size_t at = 0;
    while (at < Text.size() && Text[at] == ' ')
        ++at;
    const bool negative = at + 1 < Text.size() && Text[at] == '-';
    while (at < Text.size() && (Text[at] == '+' || Text[at] == '-'))
        ++at;
    int minutes = 0;
    for (; at < Text.size() && Text[at] >= '0' && Text[at] <= '9' && minutes < 100000; ++at)
        minutes = minutes * 10 + (Text[at] - '0');
    return negative ? -minutes : minutes;
}

bool UpdateFileAge(const std::string& FileName, TDateTime Local)
{
    // The library decides whether daylight saving was in force at that time.
    std::tm parts = PartsOf(Local);
    const std::time_t seconds = std::mktime(&parts);
    return seconds != static_cast<std::time_t>(-1) && SetModificationTime(FileName, seconds);
}

bool UpdateUFileAge(const std::string& FileName, TDateTime Utc)
{
    return SetModificationTime(FileName, UnixSecondsOfUTC(Utc));
}

std::string MlsFactValue(const std::string& Response, const std::string& Fact)
{
    const std::size_t at = Response.find(Fact);
    if (at == std::string::npos)
        return {};
    const std::size_t start = at + Fact.size();
    const std::size_t end = Response.find(';', start);
    return end == std::string::npos ? std::string() : Response.substr(start, end - start);
}

std::int64_t MlsFactNumber(const std::string& Response, const std::string& Fact)
{
    const std::string value = MlsFactValue(Response, Fact);
    std::size_t at = 0;
    while (at < value.size() && value[at] == ' ')
        ++at;
    std::int64_t number = 0;
    for (; at < value.size() && value[at] >= '0' && value[at] <= '9' && number < (std::int64_t{1} << 58); ++at)
        number = number * 10 + (value[at] - '0');
    return number;
}

bool DecodeMlsResp(const std::string& Response, std::string& FileName, std::string& FileType,
                   std::string& FilePerm, std::int64_t& FileSize, TDateTime& FileTime)
{
    FileName.clear();
    FileType.clear();
    FilePerm.clear();
    FileSize = 0;
    FileTime = 0;
    if (Response.empty() || Response.front() == ' ')
        return false;
    const std::size_t blank = Response.find(' ');
    FileName = blank == std::string::npos ? Response : Response.substr(blank + 1);
    const std::string facts = AsciiLowerCase(Response);
    FileType = MlsFactValue(facts, "type=");
    FileSize = MlsFactNumber(facts, "size=");
    FileTime = MDTM2Date(MlsFactValue(facts, "modify="));
    FilePerm = MlsFactValue(facts, "perm=");
    return true;
}
