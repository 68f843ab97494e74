#include "net/WSocketHelpers.h"

#include "net/WSocketErrors.h"
#include "net/WSocketLoader.h"
#include "platform/base/AsciiCase.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t maxNameLength = 256;
constexpr std::size_t maxPortLength = 31;
constexpr std::uint32_t noAddress = 0xFFFFFFFFu;

bool isBlank(char c)
{
    return c == ' ';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool validLength(const std::string& text, std::size_t maxLength)
{
    return !text.empty() && text.size() <= maxLength;
}

// The decimal number at the start of text, up to the first non-digit; nullopt when it is
// larger than limit.
std::optional<long> leadingNumber(const std::string& text, long limit)
{
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at]))
        ++at;
    long value = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > limit)
            return std::nullopt;
    }
    return value;
}

} // namespace

std::string WSocketTrim(const std::string& s)
{
    const auto isSpace = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    const auto first = std::find_if_not(s.begin(), s.end(), isSpace);
    const auto last = std::find_if_not(s.rbegin(), s.rend(), isSpace).base();
    return first < last ? std::string(first, last) : std::string();
}

bool WSocketIsDottedIP(const std::string& s)
{
    std::size_t at = 0;
    while (at < s.size() && isBlank(s[at]))
        ++at;
    if (at < s.size() && s[at] == '.')
        return false;
    int dots = 0;
    int part = 0;
    for (; at < s.size(); ++at) {
        const char c = s[at];
        if (isDigit(c)) {
            part = part * 10 + (c - '0');
            if (part > 255)
                return false;
        } else if (c == '.') {
            if (++dots > 3 || at + 1 >= s.size() || !isDigit(s[at + 1]))
                return false;
            part = 0;
        } else {
            // Anything else must start blanks that last to the end.
            if (!std::all_of(s.begin() + static_cast<std::ptrdiff_t>(at), s.end(), isBlank))
                return false;
            break;
        }
    }
    return dots == 3 && part <= 255;
}

std::uint32_t WSocketResolveHost(const std::string& host)
{
    WSocketCountHold hold;
    if (!validLength(host, maxNameLength))
        throw ESocketException("WSocketResolveHost: '" + host + "' Invalid Hostname.");
    const std::string trimmed = WSocketTrim(host);
    if (WSocketIsDottedIP(host)) {
        const std::uint32_t address = WSocket_inet_addr(host);
        if (address == noAddress && trimmed != "255.255.255.255")
            throw ESocketException("WSocketResolveHost: '" + host + "' Invalid IP address.");
        return address;
    }
    const auto entry = WSocket_gethostbyname(trimmed);
    if (!entry || entry->addresses.empty())
        throw ESocketException("WSocketResolveHost: Cannot convert host address '" + host + "', Error #"
                               + std::to_string(WSocket_WSAGetLastError()));
    return entry->addresses.front();
}

std::uint16_t WSocketResolvePort(const std::string& port, const std::string& proto)
{
    WSocketCountHold hold;
    if (!validLength(port, maxPortLength))
        throw ESocketException("WSocketResolvePort: Invalid Port.");
    if (!validLength(proto, maxPortLength))
        throw ESocketException("WSocketResolvePort: Invalid Proto.");
    if (isDigit(port[0])) {
        // A number beyond the port range would be cut to 16 bits and name another port.
        const auto number = leadingNumber(port, 65535);
        if (!number)
            throw ESocketException("WSocketResolvePort: Invalid Port.");
        return static_cast<std::uint16_t>(*number);
    }
    const auto entry = WSocket_getservbyname(WSocketTrim(port), WSocketTrim(proto));
    if (!entry)
        throw ESocketException("WSocketResolvePort: Cannot convert port '" + port + "', Error #"
                               + std::to_string(WSocket_WSAGetLastError()));
    return WSocket_ntohs(entry->port);
}

int WSocketResolveProto(const std::string& proto)
{
    WSocketCountHold hold;
    if (!validLength(proto, maxPortLength))
        throw ESocketException("WSocketResolveProto: Invalid Protocol.");
    if (isDigit(proto[0])) {
        const auto number = leadingNumber(proto, 255);
        if (!number)
            throw ESocketException("WSocketResolveProto: Invalid Protocol.");
        return static_cast<int>(*number);
    }
    const std::string name = platform::AsciiLowerCase(WSocketTrim(proto));
    if (name == "tcp")
        return IPPROTO_TCP;
    if (name == "udp")
        return IPPROTO_UDP;
    if (name == "raw")
        return IPPROTO_RAW;
    const auto entry = WSocket_getprotobyname(name);
    if (!entry)
        throw ESocketException("WSocketResolveProto: Cannot convert protocol '" + proto + "', Error #"
                               + std::to_string(WSocket_WSAGetLastError()));
    return entry->number;
}

std::optional<platform::HostEntry> WSocketGetHostByAddr(const std::string& addr)
{
    if (!validLength(addr, maxNameLength))
        throw ESocketException("WSocketGetHostByAddr: Invalid address.");
    return WSocket_gethostbyaddr(WSocket_inet_addr(addr));
}

std::optional<platform::HostEntry> WSocketGetHostByName(const std::string& name)
{
    if (!validLength(name, maxNameLength))
        throw ESocketException("WSocketGetHostByName: Invalid Hostname.");
    return WSocket_gethostbyname(name);
}

std::string WSocketResolveIp(const std::string& ipAddr)
{
    const auto entry = WSocketGetHostByAddr(ipAddr);
    return entry ? entry->name : std::string();
}

std::string LocalHostName()
{
    char name[64];
    if (WSocket_gethostname(name, sizeof name) != 0)
        throw ESocketException("Winsock.GetHostName failed");
    return std::string(name, strnlen(name, sizeof name));
}

std::vector<std::string> LocalIPList()
{
    WSocketCountHold hold;
    return platform::localIPv4Addresses();
}
