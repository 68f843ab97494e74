#include "platform/win/WinSock.h"

#include "platform/win/WinSockInternal.h"

#include <netdb.h>
#include <strings.h>

namespace platform {

using namespace winsock;

namespace {

// The names the program itself asks for, so the FTP server and the HTTP client work on a
// system without the services and protocols files.
struct KnownService {
    const char* name;
    std::uint16_t port;
};
constexpr KnownService knownServices[] = {
    {"ftp-data", 20}, {"ftp", 21}, {"http", 80}, {"https", 443}, {"socks", 1080},
};

struct KnownProtocol {
    const char* name;
    int number;
};
constexpr KnownProtocol knownProtocols[] = {
    {"ip", 0}, {"icmp", 1}, {"tcp", 6}, {"udp", 17},
};

// Buffer for the reentrant lookups; the services file lines are short.
constexpr std::size_t lookupBufferSize = 4096;

std::optional<ServEntry> fromFiles(const std::string& name, const std::string& proto)
{
    servent entry{};
    servent* found = nullptr;
    char buffer[lookupBufferSize];
    ::getservbyname_r(name.c_str(), proto.empty() ? nullptr : proto.c_str(), &entry, buffer, sizeof buffer, &found);
    if (!found)
        return std::nullopt;
    return ServEntry{found->s_name, static_cast<std::uint16_t>(found->s_port), found->s_proto};
}

} // namespace

std::optional<ServEntry> getservbyname(const std::string& name, const std::string& proto)
{
    if (!checkStarted())
        return std::nullopt;
    WSASetLastError(0);
    if (auto entry = fromFiles(name, proto))
        return entry;
    if (proto.empty() || ::strcasecmp(proto.c_str(), "tcp") == 0)
        for (const KnownService& known : knownServices)
            if (::strcasecmp(known.name, name.c_str()) == 0)
                return ServEntry{known.name, htons(known.port), "tcp"};
    WSASetLastError(WSANO_DATA);
    return std::nullopt;
}

std::optional<ProtoEntry> getprotobyname(const std::string& name)
{
    if (!checkStarted())
        return std::nullopt;
    WSASetLastError(0);
    protoent entry{};
    protoent* found = nullptr;
    char buffer[lookupBufferSize];
    ::getprotobyname_r(name.c_str(), &entry, buffer, sizeof buffer, &found);
    if (found)
        return ProtoEntry{found->p_name, found->p_proto};
    for (const KnownProtocol& known : knownProtocols)
        if (::strcasecmp(known.name, name.c_str()) == 0)
            return ProtoEntry{known.name, known.number};
    WSASetLastError(WSANO_DATA);
    return std::nullopt;
}

} // namespace platform
