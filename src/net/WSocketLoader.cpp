#include "net/WSocketLoader.h"

#include "net/WSocketErrors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <mutex>

namespace {

const char* const winsockLibrary = "wsock32.dll";
const char* const winsock2Library = "ws2_32.dll";

struct LoaderState {
    std::mutex lock;
    std::int32_t count = 0;
    bool forced = false;
    bool loaded = false;
    std::uint8_t reqVerLow = 1;
    std::uint8_t reqVerHigh = 1;
    platform::WSADATA info;
};

LoaderState& loader()
{
    static LoaderState state;
    return state;
}

// Callers hold the loader lock.
void loadLocked(LoaderState& state)
{
    if (state.loaded)
        return;
    const int result = platform::WSAStartup(platform::MAKEWORD(state.reqVerLow, state.reqVerHigh), &state.info);
    if (result != 0)
        throw ESocketException(std::string(winsockLibrary) + ": WSAStartup error #" + std::to_string(result));
    state.loaded = true;
}

void unloadLocked(LoaderState& state)
{
    if (state.loaded && state.count == 0) {
        platform::WSACleanup();
        state.loaded = false;
        state.info = {};
    }
    state.forced = false;
}

void load()
{
    LoaderState& state = loader();
    std::lock_guard guard(state.lock);
    loadLocked(state);
}

// Runs one entry point with the library loaded and held.
template <class Call>
auto held(Call call)
{
    WSocketCountHold hold;
    load();
    return call();
}

template <class Function>
WSocketProc proc(Function* function)
{
    return reinterpret_cast<WSocketProc>(function);
}

struct EntryPoint {
    const char* name;
    WSocketProc proc;
};

const EntryPoint winsockEntries[] = {
    {"WSAStartup", proc(&WSocket_WSAStartup)},
    {"WSACleanup", proc(&WSocket_WSACleanup)},
    {"WSASetLastError", proc(&WSocket_WSASetLastError)},
    {"WSAGetLastError", proc(&WSocket_WSAGetLastError)},
    {"WSACancelAsyncRequest", proc(&WSocket_WSACancelAsyncRequest)},
    {"WSAAsyncGetHostByName", proc(&WSocket_WSAAsyncGetHostByName)},
    {"WSAAsyncGetHostByAddr", proc(&WSocket_WSAAsyncGetHostByAddr)},
    {"WSAAsyncSelect", proc(&WSocket_WSAAsyncSelect)},
    {"getservbyname", proc(&WSocket_getservbyname)},
    {"getprotobyname", proc(&WSocket_getprotobyname)},
    {"gethostbyname", proc(&WSocket_gethostbyname)},
    {"gethostbyaddr", proc(&WSocket_gethostbyaddr)},
    {"gethostname", proc(&WSocket_gethostname)},
    {"socket", proc(&WSocket_socket)},
    {"shutdown", proc(&WSocket_shutdown)},
    {"setsockopt", proc(&WSocket_setsockopt)},
    {"getsockopt", proc(&WSocket_getsockopt)},
    {"sendto", proc(&WSocket_sendto)},
    {"send", proc(&WSocket_send)},
    {"recv", proc(&WSocket_recv)},
    {"recvfrom", proc(&WSocket_recvfrom)},
    {"ntohs", proc(&WSocket_ntohs)},
    {"ntohl", proc(&WSocket_ntohl)},
    {"listen", proc(&WSocket_listen)},
    {"ioctlsocket", proc(&WSocket_ioctlsocket)},
    {"inet_ntoa", proc(&WSocket_inet_ntoa)},
    {"inet_addr", proc(&WSocket_inet_addr)},
    {"htons", proc(&WSocket_htons)},
    {"htonl", proc(&WSocket_htonl)},
    {"getsockname", proc(&WSocket_getsockname)},
    {"getpeername", proc(&WSocket_getpeername)},
    {"connect", proc(&WSocket_connect)},
    {"closesocket", proc(&WSocket_closesocket)},
    {"bind", proc(&WSocket_bind)},
    {"accept", proc(&WSocket_accept)},
};

const EntryPoint winsock2Entries[] = {
    {"WSAIoctl", proc(&WSocket_WSAIoctl)},
};

template <std::size_t N>
WSocketProc find(const EntryPoint (&entries)[N], const std::string& name, const char* library)
{
    if (name.empty())
        return nullptr;
    for (const EntryPoint& entry : entries)
        if (name == entry.name)
            return entry.proc;
    // The system's answer for a name a library does not export.
    throw ESocketException("Procedure " + name + " not found in " + library + " Error #" + std::to_string(ENOENT));
}

bool setVersion(std::uint8_t LoaderState::*field, std::uint8_t version)
{
    LoaderState& state = loader();
    std::lock_guard guard(state.lock);
    if (state.*field == version)
        return true;
    if (state.loaded)
        return false;
    state.*field = version;
    return true;
}

} // namespace

WSocketCountHold::WSocketCountHold()
{
    std::lock_guard guard(loader().lock);
    ++loader().count;
}

WSocketCountHold::~WSocketCountHold()
{
    std::lock_guard guard(loader().lock);
    --loader().count;
}

void WSocketAddSocket()
{
    std::lock_guard guard(loader().lock);
    ++loader().count;
}

void WSocketRemoveSocket()
{
    LoaderState& state = loader();
    std::lock_guard guard(state.lock);
    if (--state.count < 1)
        unloadLocked(state);
}

std::int32_t WSocketGCount()
{
    std::lock_guard guard(loader().lock);
    return loader().count;
}

bool WSocketLoaded()
{
    std::lock_guard guard(loader().lock);
    return loader().loaded;
}

std::uint8_t WSocketReqVerLow()
{
    std::lock_guard guard(loader().lock);
    return loader().reqVerLow;
}

std::uint8_t WSocketReqVerHigh()
{
    std::lock_guard guard(loader().lock);
    return loader().reqVerHigh;
}

bool WSocketSetReqVerLow(std::uint8_t version)
{
    return setVersion(&LoaderState::reqVerLow, version);
}

bool WSocketSetReqVerHigh(std::uint8_t version)
{
    return setVersion(&LoaderState::reqVerHigh, version);
}

WSocketProc WSocketGetProc(const std::string& name)
{
    load();
    return find(winsockEntries, name, winsockLibrary);
}

WSocketProc WSocket2GetProc(const std::string& name)
{
    load();
    return find(winsock2Entries, name, winsock2Library);
}

void WSocketForceLoadWinsock()
{
    LoaderState& state = loader();
    std::lock_guard guard(state.lock);
    if (state.forced)
        return;
    state.forced = true;
    ++state.count;
    loadLocked(state);
}

void WSocketCancelForceLoadWinsock()
{
    LoaderState& state = loader();
    std::lock_guard guard(state.lock);
    if (!state.forced)
        return;
    state.forced = false;
    if (--state.count <= 0)
        unloadLocked(state);
}

void WSocketUnloadWinsock()
{
    LoaderState& state = loader();
    std::lock_guard guard(state.lock);
    unloadLocked(state);
}

void WinsockInfo(platform::WSADATA& info)
{
    LoaderState& state = loader();
    std::lock_guard guard(state.lock);
    loadLocked(state);
    info = state.info;
    if (state.count < 1)
        unloadLocked(state);
}

int WSocket_WSAStartup(std::uint16_t version, platform::WSADATA* data)
{
    return held([&] { return platform::WSAStartup(version, data); });
}

int WSocket_WSACleanup()
{
    return held([&] { return platform::WSACleanup(); });
}

void WSocket_WSASetLastError(int error)
{
    held([&] { platform::WSASetLastError(error); });
}

int WSocket_WSAGetLastError()
{
    return held([&] { return platform::WSAGetLastError(); });
}

int WSocket_WSACancelAsyncRequest(platform::HANDLE task)
{
    return held([&] { return platform::WSACancelAsyncRequest(task); });
}

platform::HANDLE WSocket_WSAAsyncGetHostByName(platform::HWND wnd, platform::UINT msg, const std::string& name)
{
    return held([&] { return platform::WSAAsyncGetHostByName(wnd, msg, name); });
}

platform::HANDLE WSocket_WSAAsyncGetHostByAddr(platform::HWND wnd, platform::UINT msg, std::uint32_t address)
{
    return held([&] { return platform::WSAAsyncGetHostByAddr(wnd, msg, address); });
}

int WSocket_WSAAsyncSelect(platform::SOCKET s, platform::HWND wnd, platform::UINT msg, long events)
{
    return held([&] { return platform::WSAAsyncSelect(s, wnd, msg, events); });
}

std::optional<platform::ServEntry> WSocket_getservbyname(const std::string& name, const std::string& proto)
{
    return held([&] { return platform::getservbyname(name, proto); });
}

std::optional<platform::ProtoEntry> WSocket_getprotobyname(const std::string& name)
{
    return held([&] { return platform::getprotobyname(name); });
}

std::optional<platform::HostEntry> WSocket_gethostbyname(const std::string& name)
{
    return held([&] { return platform::gethostbyname(name); });
}

std::optional<platform::HostEntry> WSocket_gethostbyaddr(std::uint32_t address)
{
    return held([&] { return platform::gethostbyaddr(address); });
}

int WSocket_gethostname(char* name, int length)
{
    return held([&] { return platform::gethostname(name, length); });
}

platform::SOCKET WSocket_socket(int family, int type, int protocol)
{
    return held([&] { return platform::socket(family, type, protocol); });
}

int WSocket_shutdown(platform::SOCKET s, int how)
{
    return held([&] { return platform::shutdown(s, how); });
}

int WSocket_setsockopt(platform::SOCKET s, int level, int name, const void* value, socklen_t length)
{
    return held([&] { return platform::setsockopt(s, level, name, value, length); });
}

int WSocket_getsockopt(platform::SOCKET s, int level, int name, void* value, socklen_t* length)
{
    return held([&] { return platform::getsockopt(s, level, name, value, length); });
}

int WSocket_sendto(platform::SOCKET s, const void* data, int length, int flags, const sockaddr* to, socklen_t toLength)
{
    return held([&] { return platform::sendto(s, data, length, flags, to, toLength); });
}

int WSocket_send(platform::SOCKET s, const void* data, int length, int flags)
{
    return held([&] { return platform::send(s, data, length, flags); });
}

int WSocket_TransmitFile(platform::SOCKET s, int fileFd, std::int64_t offset, int length)
{
    return held([&] { return platform::TransmitFile(s, fileFd, offset, length); });
}

std::uint16_t WSocket_ntohs(std::uint16_t value)
{
    return ntohs(value);
}

std::uint32_t WSocket_ntohl(std::uint32_t value)
{
    return ntohl(value);
}

int WSocket_listen(platform::SOCKET s, int backlog)
{
    return held([&] { return platform::listen(s, backlog); });
}

int WSocket_ioctlsocket(platform::SOCKET s, unsigned long command, unsigned long* argument)
{
    return held([&] { return platform::ioctlsocket(s, command, argument); });
}

int WSocket_WSAIoctl(platform::SOCKET s, unsigned long code, const void* in, unsigned long inLength, void* out,
                     unsigned long outLength, unsigned long* bytesReturned)
{
    return held([&] { return platform::WSAIoctl(s, code, in, inLength, out, outLength, bytesReturned); });
}

std::string WSocket_inet_ntoa(in_addr address)
{
    return platform::inet_ntoa(address);
}

std::uint32_t WSocket_inet_addr(const std::string& text)
{
    return platform::inet_addr(text.c_str());
}

std::uint16_t WSocket_htons(std::uint16_t value)
{
    return htons(value);
}

std::uint32_t WSocket_htonl(std::uint32_t value)
{
    return htonl(value);
}

int WSocket_getsockname(platform::SOCKET s, sockaddr* address, socklen_t* length)
{
    return held([&] { return platform::getsockname(s, address, length); });
}

int WSocket_getpeername(platform::SOCKET s, sockaddr* address, socklen_t* length)
{
    return held([&] { return platform::getpeername(s, address, length); });
}

int WSocket_connect(platform::SOCKET s, const sockaddr* address, socklen_t length)
{
    return held([&] { return platform::connect(s, address, length); });
}

int WSocket_closesocket(platform::SOCKET s)
{
    return held([&] { return platform::closesocket(s); });
}

int WSocket_bind(platform::SOCKET s, const sockaddr* address, socklen_t length)
{
    return held([&] { return platform::bind(s, address, length); });
}

platform::SOCKET WSocket_accept(platform::SOCKET s, sockaddr* address, socklen_t* length)
{
    return held([&] { return platform::accept(s, address, length); });
}

int WSocket_recv(platform::SOCKET s, void* buffer, int length, int flags)
{
    return held([&] { return platform::recv(s, buffer, length, flags); });
}

int WSocket_recvfrom(platform::SOCKET s, void* buffer, int length, int flags, sockaddr* from, socklen_t* fromLength)
{
    return held([&] { return platform::recvfrom(s, buffer, length, flags, from, fromLength); });
}
