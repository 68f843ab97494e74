// The location cache reader, fed a file's bytes. Input: the first byte picks the size of the
// pieces the bytes arrive in, the rest is the file. Every record read is whole and on the
// globe, and what the writer keeps of it reads back as that very record.
#include "webtools/LocationCache.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = 1 + data[0] % 32 * 509;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    LocationCacheParser parser;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        parser.Feed(bytes.substr(at, piece));
    for (const LocationRecord& record : parser.Finish()) {
        for (const std::string* field : {&record.ip, &record.host, &record.city, &record.country})
            if (field->empty() || field->size() > 999 || field->find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos)
                std::abort();
        if (!ValidCoordinates(record.lat, record.lon))
            std::abort();
        const std::optional<LocationRecord> kept = StorableLocation(record);
        if (!kept)
            continue;
        LocationCacheParser again;
        again.Feed(FormatLocationRecord(*kept));
        const std::vector<LocationRecord> back = again.Finish();
        if (back.size() != 1 || back[0].ip != kept->ip || back[0].host != kept->host || back[0].city != kept->city
            || back[0].country != kept->country || back[0].lat != kept->lat || back[0].lon != kept->lon)
            std::abort();
    }
    return 0;
}
