#include "net/HttpProt.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace {

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char kDayNames[] = "MonTueWedThuFriSatSun";
constexpr char kMonthNames[] = "JanFebMarAprMayJunJulAugSepOctNovDec";

// The uuencode alphabet: value 0 is "`" rather than a blank, so that no line ends in
// blanks a mail gateway might strip.
char UUChar(unsigned value)
{
    return value == 0 ? '`' : static_cast<char>(value + 32);
}

// Calls put(a, b, c, count) for every group of three bytes, the last group padded with
// zero bytes; count says how many of the three were real.
template <typename Put>
void ForEachTriple(const unsigned char* bytes, std::size_t len, Put put)
{
    for (std::size_t i = 0; i < len; i += 3) {
        const std::size_t count = len - i < 3 ? len - i : 3;
        const unsigned a = bytes[i];
        const unsigned b = count > 1 ? bytes[i + 1] : 0;
        const unsigned c = count > 2 ? bytes[i + 2] : 0;
        put((a << 16) | (b << 8) | c, count);
    }
}

std::string Base64(const unsigned char* bytes, std::size_t len)
{
    std::string out;
    out.reserve((len + 2) / 3 * 4);
    ForEachTriple(bytes, len, [&](unsigned group, std::size_t count) {
        out += kBase64Alphabet[(group >> 18) & 63];
        out += kBase64Alphabet[(group >> 12) & 63];
        out += count > 1 ? kBase64Alphabet[(group >> 6) & 63] : '=';
        out += count > 2 ? kBase64Alphabet[group & 63] : '=';
    });
    return out;
}

std::string UULine(const unsigned char* bytes, std::size_t len)
{
    // The length character holds six bits; a longer line would decode as a shorter one.
    if (len > 63)
        throw platform::Exception("Cannot uuencode a line of " + std::to_string(len)
                                  + " bytes: a line holds at most 63");
    std::string out(1, UUChar(static_cast<unsigned>(len)));
    ForEachTriple(bytes, len, [&](unsigned group, std::size_t) {
        for (int shift = 18; shift >= 0; shift -= 6)
            out += UUChar((group >> shift) & 63);
    });
    return out;
}

// A fixed column of a date text: 1-based first character and length; blanks before the
// digits are allowed, anything else makes the field read as 0.
int DateField(const std::string& S, std::size_t first, std::size_t len)
{
    if (S.size() < first)
        return 0;
    std::string_view field(S.data() + first - 1, std::min(len, S.size() - first + 1));
    while (!field.empty() && field.front() == ' ')
        field.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    return error == std::errc() && end == field.data() + field.size() && !field.empty() ? value : 0;
}

// 1 to 12 for a month name written as RFC1123_Date writes it, 0 otherwise.
int MonthField(const std::string& S)
{
    if (S.size() < 11)
        return 0;
    const std::string_view name(S.data() + 8, 3);
    const std::string_view names(kMonthNames);
    for (std::size_t at = 0; at < names.size(); at += 3)
        if (names.substr(at, 3) == name)
            return static_cast<int>(at / 3 + 1);
    return 0;
}

} // namespace

std::string EncodeLine(THttpEncoding Encoding, const void* Data, std::size_t Len)
{
    const auto* bytes = static_cast<const unsigned char*>(Data);
    return Encoding == encUUEncode ? UULine(bytes, Len) : Base64(bytes, Len);
}

std::string EncodeStr(THttpEncoding Encoding, const std::string& Value)
{
    return EncodeLine(Encoding, Value.data(), Value.size());
}

std::string RFC1123_Date(platform::TDateTime D)
{
    const platform::DayAndTime split = platform::SplitDateTime(D);
    // Day 2, 1900-01-01, was a Monday.
    const int weekday = static_cast<int>(((split.Day - 2) % 7 + 7) % 7);
    const platform::DateParts date = platform::DecodeDate(D);
    const platform::TimeParts time = platform::DecodeTime(D);
    char text[64];
    std::snprintf(text, sizeof text, "%.3s, %2.2d %.3s %4.4d %2.2d:%2.2d:%2.2d", kDayNames + weekday * 3,
                  date.Day, kMonthNames + (date.Month - 1) * 3, date.Year, time.Hour, time.Min, time.Sec);
    return text;
}

platform::TDateTime RFC1123_StrToDate(const std::string& S)
{
    try {
        return platform::ComposeDateTime(
            platform::EncodeDate(DateField(S, 13, 4), MonthField(S), DateField(S, 6, 2)),
            platform::EncodeTime(DateField(S, 18, 2), DateField(S, 21, 2), DateField(S, 24, 2), 0));
    } catch (const platform::EConvertError& error) {
        throw platform::EConvertError("Invalid HTTP date \"" + S + "\": " + error.what());
    }
}

void ReplaceExt(std::string& FName, const std::string& NewExt)
{
    const std::size_t dot = FName.rfind('.');
    if (dot == std::string::npos)
        FName += "." + NewExt;
    else
        FName = FName.substr(0, dot + 1) + NewExt;
}

std::string DocNameFromPath(const std::string& Path)
{
    const std::string path = Path.substr(0, Path.find('?'));
    if (path.empty() || path.back() == '/')
        return "document.htm";
    return path.substr(path.rfind('/') + 1);
}
