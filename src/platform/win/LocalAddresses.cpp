#include "platform/win/WinSock.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <algorithm>

namespace platform {

// Built from the interfaces rather than from the host name: on Debian the host name
// resolves to 127.0.1.1, which tells a peer nothing.
std::vector<std::string> localIPv4Addresses()
{
    std::vector<std::string> addresses;
    ifaddrs* interfaces = nullptr;
    if (::getifaddrs(&interfaces) == 0) {
        for (const ifaddrs* item = interfaces; item; item = item->ifa_next) {
            if (!item->ifa_addr || item->ifa_addr->sa_family != AF_INET || !(item->ifa_flags & IFF_UP)
                || (item->ifa_flags & IFF_LOOPBACK))
                continue;
            char text[INET_ADDRSTRLEN];
            ::inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(item->ifa_addr)->sin_addr, text, sizeof text);
            if (std::find(addresses.begin(), addresses.end(), text) == addresses.end())
                addresses.emplace_back(text);
        }
        ::freeifaddrs(interfaces);
    }
    if (addresses.empty())
        addresses.emplace_back("127.0.0.1");
    return addresses;
}

} // namespace platform
