#pragma once

// The trace window's knowledge of places: the cache file of locations fetched before, and
// the reading of the location service's reply. Bytes in, records out; no widgets.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A place the location lookup knows, as the location cache keeps it.
struct LocationRecord {
    std::string ip;
    std::string host;
    std::string city;
    std::string country;
    double lat = 0;
    double lon = 0;
};

// A host the location lookup could not place; not asked for again while the program runs.
struct UnlocatedHost {
    std::string ip;
    std::string host;
};

// The cache file's name in the program's data directory.
inline constexpr const char* LocationCacheName = "pelvcloc.txt";

// The first entry, in list order, whose ip or host is not empty and equals the one given
// (exactly); null when there is none or the ip is empty.
template <typename Entry>
const Entry* FindLocationEntry(const std::vector<Entry>& entries, const std::string& ip, const std::string& host)
{
    if (ip.empty())
        return nullptr;
    for (const Entry& entry : entries)
        if ((!entry.ip.empty() && entry.ip == ip) || (!entry.host.empty() && entry.host == host))
            return &entry;
    return nullptr;
}

// A number as the C library's text-to-double reads it (leading blanks skipped, the text up
// to the first unusable character, 0 when there is none), "." the only separator and never
// the locale; NaN when the text holds a value too large for a double.
double ParseLocationNumber(std::string_view text);
// Whether a latitude and longitude name a place on the globe.
bool ValidCoordinates(double lat, double lon);

// Reads the cache file's records from bytes given in any pieces. A line ends at CR, LF or
// NUL (CR LF is one end); 999 characters without an end make a line too. Records are six
// lines (ip, host, city, country, latitude, longitude) closed by a line beginning with "/";
// a record that is not closed where it should be is dropped up to the next "/" line, so one
// damaged record never shifts the ones after it. Records with an empty text field or
// coordinates off the globe are dropped; "," reads as "." in the numbers.
class LocationCacheParser {
public:
    void Feed(std::string_view bytes);
    // The records read; a line or record the bytes end in the middle of is not used.
    std::vector<LocationRecord> Finish();

private:
    void EndLine(bool ended);
    void Field(std::string line);
    void CloseRecord();

    std::string line_;
    bool afterLineEnd_ = false;
    std::vector<std::string> fields_;
    bool skipping_ = false;
    std::vector<LocationRecord> records_;
};

// The cache file's records, read in blocks of 65536 bytes. Throws platform::FileOpenError
// when the file cannot be opened.
std::vector<LocationRecord> ReadLocationCache(const std::string& fileName);

// The record's seven lines with CR LF, numbers in the shortest form of up to 15 digits with
// "."; CR, LF and NUL left out of the texts, "/" left out at their start (a line beginning
// with it closes a record) and each text cut to 998 bytes, so that no text breaks the framing.
std::string FormatLocationRecord(const LocationRecord& record);
// The record as the file gives it back once written as above; none when the reader would
// drop it (a text left empty, coordinates off the globe).
std::optional<LocationRecord> StorableLocation(const LocationRecord& record);
// Adds the record to the end of the file (made when missing) in one write, so two programs
// appending at once never mix their lines; false, and nothing written, for a record the file
// cannot give back, which would be fetched and appended again at every start. Throws
// platform::FileOpenError when the file cannot be opened, platform::Exception when it cannot
// be written.
bool AppendLocationRecord(const std::string& fileName, const LocationRecord& record);

// The form body asking the location service about a host: "name=" and the host with every
// byte but letters, digits, "." and "-" percent-encoded.
std::string LocationRequestBody(const std::string& host);

// What the service's reply says of a place. Every line holding "<pre>Lat, Lon:" gives the
// latitude and longitude after the marker and, from the next line, the city and country
// ("...>City<abc" + country + four more characters); a later such line overrides an earlier
// one. Coordinates off the globe give no place at all.
struct LocationReply {
    bool found = false; // a coordinate line was there
    double lat = 0;
    double lon = 0;
    std::string city;
    std::string country;
};
LocationReply ScanLocationReply(std::string_view reply);
