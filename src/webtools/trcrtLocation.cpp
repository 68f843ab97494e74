// Where the trace window's hops are. No place is known for any hop yet: every hop keeps
// coordinates 0 and no city, and nothing is kept between runs of the program.
#include "webtools/trcrt.h"

#include "net/Ping.h"

#include <algorithm>
#include <climits>

HopInfo TtracertForm::LookupHopLocation(const std::string& ip, const std::string& host, std::string&)
{
    HopInfo hop;
    hop.ip = ip;
    hop.host = host;
    hop.rtt = static_cast<int>(std::min<std::uint32_t>(Trace->Reply().RoundTripTime, INT_MAX));
    if (hop.rtt > 0)
        hopList.push_back(hop);
    RepaintPanel();
    return hop;
}

void TtracertForm::RememberLocation(const HopInfo& hop)
{
    locationList.push_back({hop.ip, hop.host, hop.city, hop.country, hop.lat, hop.lon});
}

void TtracertForm::LoadLocationCache()
{
    locationList.clear();
}
