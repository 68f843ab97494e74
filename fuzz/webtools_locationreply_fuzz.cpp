// The location service's reply, as any server may send it: a place found is on the globe,
// and coordinates that are not come with no place.
#include "webtools/LocationCache.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const LocationReply place = ScanLocationReply(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!ValidCoordinates(place.lat, place.lon))
        std::abort();
    if (!place.found && (place.lat != 0 || place.lon != 0 || !place.city.empty() || !place.country.empty()))
        std::abort();
    if (place.city.size() + place.country.size() > size)
        std::abort();
    return 0;
}
