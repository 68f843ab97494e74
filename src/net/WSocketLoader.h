#pragma once

#include "platform/win/WinSock.h"

#include <cstdint>
#include <string>

// Windows Sockets is bound when the program is built. What stays of loading it on first use
// is the count of its users, the start-up with the requested version (1.1) before the first
// call, the clean-up when the last user is gone, and the look-up of entry points by name.

using WSocketProc = void (*)();

// Holds the library for one call: the count cannot drop to 0 and unload it meanwhile.
class WSocketCountHold {
public:
    WSocketCountHold();
    ~WSocketCountHold();
    WSocketCountHold(const WSocketCountHold&) = delete;
    WSocketCountHold& operator=(const WSocketCountHold&) = delete;
};

// Every socket holds one count for its lifetime; releasing the last unloads.
void WSocketAddSocket();
void WSocketRemoveSocket();
std::int32_t WSocketGCount();
bool WSocketLoaded();

// The version asked for at start-up; false (nothing changed) for a different value while
// the library is loaded.
std::uint8_t WSocketReqVerLow();
std::uint8_t WSocketReqVerHigh();
bool WSocketSetReqVerLow(std::uint8_t version);
bool WSocketSetReqVerHigh(std::uint8_t version);

// Loads and starts the library, then finds an entry point: nullptr for an empty name, an
// ESocketException naming the entry point and the library when there is none.
WSocketProc WSocketGetProc(const std::string& name);
WSocketProc WSocket2GetProc(const std::string& name);

void WSocketForceLoadWinsock();
void WSocketCancelForceLoadWinsock();
void WSocketUnloadWinsock();
void WinsockInfo(platform::WSADATA& info);

// One wrapper per entry point: loads the library when needed and holds it during the call;
// arguments and results pass unchanged.
int WSocket_WSAStartup(std::uint16_t version, platform::WSADATA* data);
int WSocket_WSACleanup();
void WSocket_WSASetLastError(int error);
int WSocket_WSAGetLastError();
int WSocket_WSACancelAsyncRequest(platform::HANDLE task);
platform::HANDLE WSocket_WSAAsyncGetHostByName(platform::HWND wnd, platform::UINT msg, const std::string& name);
platform::HANDLE WSocket_WSAAsyncGetHostByAddr(platform::HWND wnd, platform::UINT msg, std::uint32_t address);
int WSocket_WSAAsyncSelect(platform::SOCKET s, platform::HWND wnd, platform::UINT msg, long events);
std::optional<platform::ServEntry> WSocket_getservbyname(const std::string& name, const std::string& proto);
std::optional<platform::ProtoEntry> WSocket_getprotobyname(const std::string& name);
std::optional<platform::HostEntry> WSocket_gethostbyname(const std::string& name);
std::optional<platform::HostEntry> WSocket_gethostbyaddr(std::uint32_t address);
int WSocket_gethostname(char* name, int length);
platform::SOCKET WSocket_socket(int family, int type, int protocol);
int WSocket_shutdown(platform::SOCKET s, int how);
int WSocket_setsockopt(platform::SOCKET s, int level, int name, const void* value, socklen_t length);
int WSocket_getsockopt(platform::SOCKET s, int level, int name, void* value, socklen_t* length);
int WSocket_sendto(platform::SOCKET s, const void* data, int length, int flags, const sockaddr* to, socklen_t toLength);
int WSocket_send(platform::SOCKET s, const void* data, int length, int flags);
int WSocket_TransmitFile(platform::SOCKET s, int fileFd, std::int64_t offset, int length);
std::uint16_t WSocket_ntohs(std::uint16_t value);
std::uint32_t WSocket_ntohl(std::uint32_t value);
int WSocket_listen(platform::SOCKET s, int backlog);
int WSocket_ioctlsocket(platform::SOCKET s, unsigned long command, unsigned long* argument);
int WSocket_WSAIoctl(platform::SOCKET s, unsigned long code, const void* in, unsigned long inLength, void* out,
                     unsigned long outLength, unsigned long* bytesReturned);
std::string WSocket_inet_ntoa(in_addr address);
std::uint32_t WSocket_inet_addr(const std::string& text);
std::uint16_t WSocket_htons(std::uint16_t value);
std::uint32_t WSocket_htonl(std::uint32_t value);
int WSocket_getsockname(platform::SOCKET s, sockaddr* address, socklen_t* length);
int WSocket_getpeername(platform::SOCKET s, sockaddr* address, socklen_t* length);
int WSocket_connect(platform::SOCKET s, const sockaddr* address, socklen_t length);
int WSocket_closesocket(platform::SOCKET s);
int WSocket_bind(platform::SOCKET s, const sockaddr* address, socklen_t length);
platform::SOCKET WSocket_accept(platform::SOCKET s, sockaddr* address, socklen_t* length);
int WSocket_recv(platform::SOCKET s, void* buffer, int length, int flags);
int WSocket_recvfrom(platform::SOCKET s, void* buffer, int length, int flags, sockaddr* from, socklen_t* fromLength);
