#pragma once

#include "platform/win/WinSock.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Address, port and protocol helpers of the socket unit. All raise ESocketException on
// failure. The name resolvers block the calling thread.

// Dotted IPv4 text with three dots, each part 0-255, blanks allowed before and after.
bool WSocketIsDottedIP(const std::string& s);

// IPv4 address in network order: dotted text converted, a name resolved.
std::uint32_t WSocketResolveHost(const std::string& host);
// Port number in host order: a number (read up to the first non-digit) or a service name.
std::uint16_t WSocketResolvePort(const std::string& port, const std::string& proto);
int WSocketResolveProto(const std::string& proto);

std::optional<platform::HostEntry> WSocketGetHostByAddr(const std::string& addr);
std::optional<platform::HostEntry> WSocketGetHostByName(const std::string& name);
// The host name of a dotted address, empty when it has none.
std::string WSocketResolveIp(const std::string& ipAddr);

std::string LocalHostName();
// The dotted addresses of this host's interfaces that are up, loopback left out; 127.0.0.1
// when there is no other.
std::vector<std::string> LocalIPList();

// Blanks and control characters cut from both ends.
std::string WSocketTrim(const std::string& s);
