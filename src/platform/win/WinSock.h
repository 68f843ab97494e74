#pragma once

#include "platform/win/MessageWindow.h"
#include "platform/win/WinSockErrors.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// The socket calls the network components are written against, with Windows Sockets' shapes
// (handles, notification messages, error numbers) over POSIX sockets. Levels, option names,
// flags and address records are the POSIX ones; each call sets the thread's last error.
namespace platform {

// Handles come from a table and are never handed out twice: Linux reuses the lowest free
// descriptor at once, and a notice still queued for a closed socket must never reach the
// socket that happens to get the same descriptor next.
using SOCKET = std::int64_t;
constexpr SOCKET INVALID_SOCKET = -1;
constexpr int SOCKET_ERROR = -1;

// Asynchronous lookup handles; never 0, never reused.
using HANDLE = std::uint64_t;

// Notification bits of WSAAsyncSelect.
constexpr long FD_READ = 1;
constexpr long FD_WRITE = 2;
constexpr long FD_OOB = 4;
constexpr long FD_ACCEPT = 8;
constexpr long FD_CONNECT = 16;
constexpr long FD_CLOSE = 32;

constexpr unsigned long SIO_RCVALL = 0x98000001UL;

constexpr LPARAM WSAMAKESELECTREPLY(int event, int error)
{
    return static_cast<LPARAM>((static_cast<std::uint32_t>(error) & 0xFFFF) << 16 | (event & 0xFFFF));
}
constexpr int WSAGETSELECTEVENT(LPARAM lParam) { return static_cast<int>(lParam & 0xFFFF); }
constexpr int WSAGETSELECTERROR(LPARAM lParam) { return static_cast<int>((lParam >> 16) & 0xFFFF); }
constexpr int WSAGETASYNCERROR(LPARAM lParam) { return WSAGETSELECTERROR(lParam); }

constexpr std::uint16_t MAKEWORD(unsigned low, unsigned high)
{
    return static_cast<std::uint16_t>((low & 0xFF) | (high & 0xFF) << 8);
}

struct WSADATA {
    std::uint16_t wVersion = 0;
    std::uint16_t wHighVersion = 0;
    std::string szDescription;
    std::string szSystemStatus;
};

// A host entry: the official name and the IPv4 addresses (network order) in resolver order.
struct HostEntry {
    std::string name;
    std::vector<std::uint32_t> addresses;
};

struct ServEntry {
    std::string name;
    std::uint16_t port = 0; // network order
    std::string proto;
};

struct ProtoEntry {
    std::string name;
    int number = 0;
};

// Start-up is counted; every other call fails with WSANOTINITIALISED while the count is 0.
// Versions 1.0 to 2.2 are accepted; the answer carries the version asked for.
int WSAStartup(std::uint16_t versionRequested, WSADATA* data);
int WSACleanup();

SOCKET socket(int family, int type, int protocol);
// Every stream socket gets SO_REUSEADDR before it binds, so a listener can come back on its
// port while old connections linger in TIME_WAIT; a port that is actively listened on is
// still refused (WSAEADDRINUSE).
int bind(SOCKET s, const sockaddr* address, socklen_t length);
int listen(SOCKET s, int backlog);
// The ports the system hands out for port 0, first and last
// (/proc/sys/net/ipv4/ip_local_port_range; 32768-60999 where it cannot be read).
std::pair<int, int> LocalPortRange();
SOCKET accept(SOCKET s, sockaddr* address, socklen_t* length);
// On a socket with notifications selected, a connection in progress answers WSAEWOULDBLOCK
// and completes with FD_CONNECT.
int connect(SOCKET s, const sockaddr* address, socklen_t length);
// Never raises SIGPIPE; a connection the peer has gone from answers WSAECONNRESET.
int send(SOCKET s, const void* data, int length, int flags);
int sendto(SOCKET s, const void* data, int length, int flags, const sockaddr* to, socklen_t toLength);
// Sends up to length bytes of the open regular file fileFd from offset on, straight from the
// file's pages without copying them through the process (where the sockets' mswsock has
// TransmitFile). Answers as send: the bytes taken, and WSAEWOULDBLOCK with FD_WRITE to follow
// when the socket can take none now; 0 at the file's end.
int TransmitFile(SOCKET s, int fileFd, std::int64_t offset, int length);
int recv(SOCKET s, void* buffer, int length, int flags);
int recvfrom(SOCKET s, void* buffer, int length, int flags, sockaddr* from, socklen_t* fromLength);
int shutdown(SOCKET s, int how);
int closesocket(SOCKET s);
// SO_LINGER with a positive time-out is applied as a graceful background close: a lingering
// close(2) would block the caller's thread, and no caller may wait on the network.
int setsockopt(SOCKET s, int level, int name, const void* value, socklen_t length);
int getsockopt(SOCKET s, int level, int name, void* value, socklen_t* length);
int getsockname(SOCKET s, sockaddr* address, socklen_t* length);
int getpeername(SOCKET s, sockaddr* address, socklen_t* length);
// FIONREAD and FIONBIO.
int ioctlsocket(SOCKET s, unsigned long command, unsigned long* argument);
// Only SIO_RCVALL is known, and Linux has no such switch: WSAEOPNOTSUPP.
int WSAIoctl(SOCKET s, unsigned long code, const void* in, unsigned long inLength, void* out,
             unsigned long outLength, unsigned long* bytesReturned);

// Turns notifications of the socket into message msg (wParam the handle, lParam the event and
// error as WSAMAKESELECTREPLY) on window wnd, and makes the socket non-blocking. Each event is
// posted once and waits for the call that re-enables it: FD_READ a receive, FD_ACCEPT an
// accept, FD_WRITE a send that would block (or a connection becoming usable); FD_CLOSE comes
// once, after every byte that arrived before it was offered. Mask 0 stops all notices; a new
// selection reports again whatever holds at that moment.
int WSAAsyncSelect(SOCKET s, HWND wnd, UINT msg, long events);

// Looks up a name or an address on a worker thread and posts msg to wnd when done: wParam the
// returned handle, the error in the high word of lParam. The result is then taken, once, with
// takeLookupResult. Returns 0 on failure.
HANDLE WSAAsyncGetHostByName(HWND wnd, UINT msg, const std::string& name);
HANDLE WSAAsyncGetHostByAddr(HWND wnd, UINT msg, std::uint32_t address);
std::optional<HostEntry> takeLookupResult(HANDLE task);
// A lookup whose result has not been taken can always be cancelled: its message is then
// never posted or its result is gone. An unknown handle gives WSAEINVAL.
int WSACancelAsyncRequest(HANDLE task);

// Blocking lookups on the calling thread.
std::optional<HostEntry> gethostbyname(const std::string& name);
std::optional<HostEntry> gethostbyaddr(std::uint32_t address);
int gethostname(char* name, int length);
// The system's services and protocols files first, then the names the program itself uses,
// so they resolve on a system without those files.
std::optional<ServEntry> getservbyname(const std::string& name, const std::string& proto);
std::optional<ProtoEntry> getprotobyname(const std::string& name);

// Accepts the dotted, octal and hexadecimal forms Windows Sockets accepts; INADDR_NONE
// (255.255.255.255) when the text is not an address.
std::uint32_t inet_addr(const char* text);
// The dotted form in a buffer of the calling thread, valid until its next call.
const char* inet_ntoa(in_addr address);

// The IPv4 addresses of the interfaces that are up, loopback left out, in interface order;
// 127.0.0.1 alone when there is no other.
std::vector<std::string> localIPv4Addresses();

} // namespace platform
