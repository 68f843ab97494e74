#include "webtools/LocationCache.h"

#include "net/NetUrl.h"
#include "platform/base/Exception.h"
#include "platform/fs/OpenRegularFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>

#include <unistd.h>

namespace {

constexpr std::size_t LongestLine = 999;
// A text written longer would be cut into two lines on reading.
constexpr std::size_t LongestField = LongestLine - 1;
constexpr std::size_t ReadBlock = 65536;
constexpr std::size_t FieldCount = 6;
constexpr std::string_view CoordinateMarker = "<pre>Lat, Lon:";

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string CleanField(const std::string& text)
{
    std::string clean;
    for (const char c : text)
        if (c != '\r' && c != '\n' && c != '\0' && (c != '/' || !clean.empty()) && clean.size() < LongestField)
            clean += c;
    return clean;
}

std::string FormatNumber(double value)
{
    std::array<char, 64> text{};
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::general, 15);
    return std::string(text.data(), result.ptr);
}

std::string_view TextAfter(std::string_view text, std::size_t at)
{
    return at < text.size() ? text.substr(at) : std::string_view();
}

// The reply's lines, split at LF with a CR before it dropped.
std::vector<std::string_view> ReplyLines(std::string_view reply)
{
    std::vector<std::string_view> lines;
    while (!reply.empty()) {
        const std::size_t end = std::min(reply.find('\n'), reply.size());
        std::string_view line = reply.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        reply = TextAfter(reply, end + 1);
    }
    return lines;
}

// City and country from "...>City<abc" + country + four more characters, every position
// checked: a line without "<" or too short gives empty texts.
void ReadPlaceLine(std::string_view line, LocationReply& place)
{
    const std::size_t gt = line.find('>');
    const std::string_view text = gt == std::string_view::npos ? line : line.substr(gt + 1);
    const std::size_t lt = text.find('<');
    place.city.clear();
    place.country.clear();
    if (lt == std::string_view::npos)
        return;
    place.city = text.substr(0, lt);
    const long countryLength = static_cast<long>(text.size()) - static_cast<long>(lt) - 8;
    if (countryLength > 0)
        place.country = text.substr(lt + 4, static_cast<std::size_t>(countryLength));
}

} // namespace

double ParseLocationNumber(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    if (text.size() > 1 && text.front() == '+' && text[1] != '-' && text[1] != '+')
        text.remove_prefix(1);
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        return std::numeric_limits<double>::quiet_NaN();
    return result.ec == std::errc() ? value : 0;
}

bool ValidCoordinates(double lat, double lon)
{
    return std::isfinite(lat) && std::isfinite(lon) && std::fabs(lat) <= 90 && std::fabs(lon) <= 180;
}

void LocationCacheParser::Feed(std::string_view bytes)
{
    for (const char c : bytes) {
        if (c == '\r' || c == '\0') {
            EndLine(true);
            afterLineEnd_ = true;
        } else if (c == '\n') {
            // The LF of a CR LF belongs to the line end before it; a bare one ends a line.
            if (!afterLineEnd_)
                EndLine(true);
            afterLineEnd_ = false;
        } else {
            afterLineEnd_ = false;
            line_ += c;
            if (line_.size() == LongestLine)
                EndLine(false);
        }
    }
}

void LocationCacheParser::EndLine(bool ended)
{
    std::string line;
    line.swap(line_);
    if (ended && line.starts_with('/'))
        CloseRecord();
    else
        Field(std::move(line));
}

void LocationCacheParser::Field(std::string line)
{
    if (skipping_)
        return;
    if (fields_.size() == FieldCount) {
        // A seventh line where the record should have ended: the record is damaged.
        fields_.clear();
        skipping_ = true;
        return;
    }
    fields_.push_back(std::move(line));
}

void LocationCacheParser::CloseRecord()
{
    const bool complete = !skipping_ && fields_.size() == FieldCount;
    skipping_ = false;
    if (!complete) {
        fields_.clear();
        return;
    }
    for (std::size_t number : {4u, 5u})
        std::replace(fields_[number].begin(), fields_[number].end(), ',', '.');
    LocationRecord record{fields_[0], fields_[1], fields_[2], fields_[3], ParseLocationNumber(fields_[4]),
                          ParseLocationNumber(fields_[5])};
    fields_.clear();
    if (record.ip.empty() || record.host.empty() || record.city.empty() || record.country.empty()
        || !ValidCoordinates(record.lat, record.lon))
        return;
    records_.push_back(std::move(record));
}

std::vector<LocationRecord> LocationCacheParser::Finish()
{
    // A last record whose closing line is missing still holds all its lines.
    if (!skipping_ && fields_.size() == FieldCount)
        CloseRecord();
    fields_.clear();
    line_.clear();
    return std::move(records_);
}

std::vector<LocationRecord> ReadLocationCache(const std::string& fileName)
{
    const platform::FileDescriptor file = platform::OpenRegularFile(fileName);
    LocationCacheParser parser;
    std::vector<char> block(ReadBlock);
    for (;;) {
        const ssize_t count = ::read(file.get(), block.data(), block.size());
        if (count < 0 && errno == EINTR)
            continue;
        // A read error ends the file where it stands, as its end would.
        if (count <= 0)
            break;
        parser.Feed(std::string_view(block.data(), static_cast<std::size_t>(count)));
    }
    return parser.Finish();
}

std::optional<LocationRecord> StorableLocation(const LocationRecord& record)
{
    LocationRecord kept{CleanField(record.ip),
                        CleanField(record.host),
                        CleanField(record.city),
                        CleanField(record.country),
                        ParseLocationNumber(FormatNumber(record.lat)),
                        ParseLocationNumber(FormatNumber(record.lon))};
    if (kept.ip.empty() || kept.host.empty() || kept.city.empty() || kept.country.empty()
        || !ValidCoordinates(kept.lat, kept.lon))
        return std::nullopt;
    return kept;
}

std::string FormatLocationRecord(const LocationRecord& record)
{
    std::string text;
    for (const std::string* field : {&record.ip, &record.host, &record.city, &record.country})
        text += CleanField(*field) + "\r\n";
    text += FormatNumber(record.lat) + "\r\n" + FormatNumber(record.lon) + "\r\n/\r\n";
    return text;
}

bool AppendLocationRecord(const std::string& fileName, const LocationRecord& record)
{
    const std::optional<LocationRecord> kept = StorableLocation(record);
    if (!kept)
        return false;
    const platform::FileDescriptor file = platform::OpenRegularFile(fileName, platform::FileAccess::Append);
    const std::string text = FormatLocationRecord(*kept);
    for (std::size_t written = 0; written < text.size();) {
        const ssize_t count = ::write(file.get(), text.data() + written, text.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            throw platform::Exception("Cannot write file \"" + fileName + "\": " + std::strerror(errno));
        written += static_cast<std::size_t>(count);
    }
    return true;
}

std::string LocationRequestBody(const std::string& host)
{
    // Letters and digits come through as they are; "." and "-" are kept readable too, as
    // "%" never stands before "2E" or "2D" otherwise ("%" itself is "%25").
    std::string body = "name=" + UrlEncode(host);
    for (const auto& [escaped, plain] : {std::pair{"%2E", '.'}, std::pair{"%2D", '-'}})
        for (std::size_t at = body.find(escaped); at != std::string::npos; at = body.find(escaped, at + 1))
            body.replace(at, 3, 1, plain);
    return body;
}

LocationReply ScanLocationReply(std::string_view reply)
{
    LocationReply place;
    const std::vector<std::string_view> lines = ReplyLines(reply);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t marker = lines[i].find(CoordinateMarker);
        if (marker == std::string_view::npos)
            continue;
        place.found = true;
        const std::string_view numbers = TextAfter(lines[i], marker + CoordinateMarker.size());
        const std::size_t comma = numbers.find(',');
        place.lat = ParseLocationNumber(numbers.substr(0, comma));
        place.lon = comma == std::string_view::npos ? 0 : ParseLocationNumber(numbers.substr(comma + 1));
        ReadPlaceLine(i + 1 < lines.size() ? lines[i + 1] : std::string_view(), place);
        if (!ValidCoordinates(place.lat, place.lon)) {
            place.lat = place.lon = 0;
            place.city.clear();
            place.country.clear();
        }
    }
    return place;
}
