#include "platform/win/WinSock.h"

#include "platform/win/AsyncSelect.h"
#include "platform/win/SocketTable.h"
#include "platform/win/WinSockInternal.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>

#include <atomic>
#include <fstream>

namespace platform {

using namespace winsock;

namespace {

std::atomic<int> startups{0};

int failErrno(int error, const SocketEntry* entry = nullptr)
{
    return fail(wsaErrorFromErrno(error, entry && entry->sendShutDown));
}

int succeed(int result = 0)
{
    WSASetLastError(0);
    return result;
}

// Runs a call on a known socket under the table lock.
template <class Call>
auto withSocket(SOCKET s, Call call) -> decltype(call(std::declval<SocketEntry&>()))
{
    if (!checkStarted())
        return SOCKET_ERROR;
    std::lock_guard guard(tableLock());
    SocketEntry* entry = findSocket(s);
    if (!entry)
        return fail(WSAENOTSOCK);
    return call(*entry);
}

// Interrupted calls are restarted: EINTR never reaches the caller.
template <class Call>
auto restarting(Call call)
{
    for (;;) {
        const auto result = call();
        if (result >= 0 || errno != EINTR)
            return result;
    }
}

int byteCount(ssize_t result, int error, const SocketEntry& entry)
{
    return result < 0 ? failErrno(error, &entry) : succeed(static_cast<int>(result));
}

// A send that would block asks for FD_WRITE once the socket can take data again.
int sent(ssize_t result, SocketEntry& entry)
{
    const int error = errno;
    if (result < 0 && (error == EAGAIN || error == EWOULDBLOCK))
        sendWouldBlock(entry);
    return byteCount(result, error, entry);
}

} // namespace

namespace winsock {

bool checkStarted()
{
    if (startups > 0)
        return true;
    WSASetLastError(WSANOTINITIALISED);
    return false;
}

} // namespace winsock

int WSAStartup(std::uint16_t versionRequested, WSADATA* data)
{
    const unsigned major = versionRequested & 0xFF;
    const unsigned minor = versionRequested >> 8;
    if (major < 1 || major > 2 || (major == 2 && minor > 2))
        return WSAVERNOTSUPPORTED;
    // Writes to a connection the peer has left must give an error, never end the process.
    std::signal(SIGPIPE, SIG_IGN);
    ++startups;
    if (data) {
        data->wVersion = versionRequested;
        data->wHighVersion = MAKEWORD(2, 2);
        data->szDescription = "Pelvaxon sockets over POSIX";
        data->szSystemStatus = "Running";
    }
    return 0;
}

int WSACleanup()
{
    int count = startups.load();
    while (count > 0 && !startups.compare_exchange_weak(count, count - 1)) {
    }
    return count > 0 ? succeed() : fail(WSANOTINITIALISED);
}

SOCKET socket(int family, int type, int protocol)
{
    if (!checkStarted())
        return INVALID_SOCKET;
    const int fd = ::socket(family, type | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        failErrno(errno);
        return INVALID_SOCKET;
    }
    std::lock_guard guard(tableLock());
    succeed();
    return addSocket(fd, type);
}

int bind(SOCKET s, const sockaddr* address, socklen_t length)
{
    return withSocket(s, [&](SocketEntry& entry) {
        if (entry.type == SOCK_STREAM) {
            const int on = 1;
            ::setsockopt(entry.fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        }
        return ::bind(entry.fd, address, length) == 0 ? succeed() : failErrno(errno);
    });
}

int listen(SOCKET s, int backlog)
{
    return withSocket(s, [&](SocketEntry& entry) {
        if (::listen(entry.fd, backlog) != 0)
            return failErrno(errno);
        listenStarted(entry);
        return succeed();
    });
}

SOCKET accept(SOCKET s, sockaddr* address, socklen_t* length)
{
    if (!checkStarted())
        return INVALID_SOCKET;
    std::lock_guard guard(tableLock());
    SocketEntry* listener = findSocket(s);
    if (!listener) {
        fail(WSAENOTSOCK);
        return INVALID_SOCKET;
    }
    const int fd = restarting([&] { return ::accept4(listener->fd, address, length, SOCK_CLOEXEC); });
    const int error = errno;
    readConsumed(*listener);
    if (fd < 0) {
        failErrno(error);
        return INVALID_SOCKET;
    }
    const SOCKET accepted = addSocket(fd, SOCK_STREAM);
    findSocket(accepted)->connected = true;
    succeed();
    return accepted;
}

int connect(SOCKET s, const sockaddr* address, socklen_t length)
{
    return withSocket(s, [&](SocketEntry& entry) {
        const int result = ::connect(entry.fd, address, length);
        const int error = errno;
        const bool stream = entry.type == SOCK_STREAM;
        if (result == 0 && !(stream && entry.events != 0)) {
            entry.connected = true;
            return succeed();
        }
        // Windows Sockets always completes a connect on a selected socket with FD_CONNECT,
        // even one that succeeded at once.
        if (result == 0 || error == EINPROGRESS || error == EINTR) {
            connectStarted(entry);
            return fail(WSAEWOULDBLOCK);
        }
        return failErrno(error);
    });
}

int send(SOCKET s, const void* data, int length, int flags)
{
    return withSocket(s, [&](SocketEntry& entry) {
        return sent(restarting([&] { return ::send(entry.fd, data, length, flags | MSG_NOSIGNAL); }), entry);
    });
}

int sendto(SOCKET s, const void* data, int length, int flags, const sockaddr* to, socklen_t toLength)
{
    return withSocket(s, [&](SocketEntry& entry) {
        return sent(restarting([&] { return ::sendto(entry.fd, data, length, flags | MSG_NOSIGNAL, to, toLength); }),
                    entry);
    });
}

int TransmitFile(SOCKET s, int fileFd, std::int64_t offset, int length)
{
    return withSocket(s, [&](SocketEntry& entry) {
        off_t from = offset;
        return sent(restarting([&] { return ::sendfile(entry.fd, fileFd, &from, static_cast<std::size_t>(length)); }),
                    entry);
    });
}

int recv(SOCKET s, void* buffer, int length, int flags)
{
    return recvfrom(s, buffer, length, flags, nullptr, nullptr);
}

int recvfrom(SOCKET s, void* buffer, int length, int flags, sockaddr* from, socklen_t* fromLength)
{
    return withSocket(s, [&](SocketEntry& entry) {
        const ssize_t received = restarting(
            [&] { return ::recvfrom(entry.fd, buffer, length, flags, from, fromLength); });
        const int error = errno;
        // Any receive, successful or not, re-enables FD_READ; a peek does too, as on Windows.
        readConsumed(entry);
        return byteCount(received, error, entry);
    });
}

int shutdown(SOCKET s, int how)
{
    return withSocket(s, [&](SocketEntry& entry) {
        if (::shutdown(entry.fd, how) != 0)
            return failErrno(errno);
        if (how == SHUT_WR || how == SHUT_RDWR)
            entry.sendShutDown = true;
        return succeed();
    });
}

int closesocket(SOCKET s)
{
    if (!checkStarted())
        return SOCKET_ERROR;
    std::unique_ptr<SocketEntry> entry;
    {
        std::lock_guard guard(tableLock());
        entry = removeSocket(s);
    }
    if (!entry)
        return fail(WSAENOTSOCK);
    const int fd = entry->fd;
    entry.reset(); // the notifiers go before their descriptor
    // Never retried: Linux has released the descriptor even when close reports EINTR.
    return ::close(fd) == 0 || errno == EINTR ? succeed() : failErrno(errno);
}

int setsockopt(SOCKET s, int level, int name, const void* value, socklen_t length)
{
    return withSocket(s, [&](SocketEntry& entry) {
        linger graceful{0, 0};
        if (level == SOL_SOCKET && name == SO_LINGER && value && length >= sizeof(linger)) {
            const auto* asked = static_cast<const linger*>(value);
            if (asked->l_onoff && asked->l_linger > 0)
                value = &graceful;
        }
        return ::setsockopt(entry.fd, level, name, value, length) == 0 ? succeed() : failErrno(errno);
    });
}

int getsockopt(SOCKET s, int level, int name, void* value, socklen_t* length)
{
    return withSocket(s, [&](SocketEntry& entry) {
        if (::getsockopt(entry.fd, level, name, value, length) != 0)
            return failErrno(errno);
        if (level == SOL_SOCKET && name == SO_ERROR && value && *length >= sizeof(int)) {
            int* error = static_cast<int*>(value);
            *error = *error ? wsaErrorFromErrno(*error) : 0;
        }
        return succeed();
    });
}

int getsockname(SOCKET s, sockaddr* address, socklen_t* length)
{
    return withSocket(s, [&](SocketEntry& entry) {
        return ::getsockname(entry.fd, address, length) == 0 ? succeed() : failErrno(errno);
    });
}

int getpeername(SOCKET s, sockaddr* address, socklen_t* length)
{
    return withSocket(s, [&](SocketEntry& entry) {
        return ::getpeername(entry.fd, address, length) == 0 ? succeed() : failErrno(errno);
    });
}

int ioctlsocket(SOCKET s, unsigned long command, unsigned long* argument)
{
    return withSocket(s, [&](SocketEntry& entry) {
        if (!argument)
            return fail(WSAEFAULT);
        if (command == FIONREAD) {
            int waiting = 0;
            if (::ioctl(entry.fd, FIONREAD, &waiting) != 0)
                return failErrno(errno);
            *argument = static_cast<unsigned long>(waiting);
            return succeed();
        }
        if (command == FIONBIO) {
            const int flags = ::fcntl(entry.fd, F_GETFL);
            const int wanted = *argument ? flags | O_NONBLOCK : flags & ~O_NONBLOCK;
            return flags >= 0 && ::fcntl(entry.fd, F_SETFL, wanted) == 0 ? succeed() : failErrno(errno);
        }
        return fail(WSAEINVAL);
    });
}

int WSAIoctl(SOCKET s, unsigned long code, const void*, unsigned long, void*, unsigned long,
             unsigned long* bytesReturned)
{
    return withSocket(s, [&](SocketEntry&) {
        if (bytesReturned)
            *bytesReturned = 0;
        return fail(code == SIO_RCVALL ? WSAEOPNOTSUPP : WSAEINVAL);
    });
}

int WSAAsyncSelect(SOCKET s, HWND wnd, UINT msg, long events)
{
    return withSocket(s, [&](SocketEntry& entry) {
        if (events != 0 && !IsWindow(wnd))
            return fail(WSAEINVAL);
        selectEvents(s, entry, wnd, msg, events);
        return succeed();
    });
}

int gethostname(char* name, int length)
{
    if (!checkStarted())
        return SOCKET_ERROR;
    if (!name || length <= 0)
        return fail(WSAEFAULT);
    return ::gethostname(name, static_cast<size_t>(length)) == 0 ? succeed() : fail(WSAEFAULT);
}

std::uint32_t inet_addr(const char* text)
{
    if (!text)
        return INADDR_NONE;
    const char* start = text + std::strspn(text, " \t");
    const std::size_t length = std::strcspn(start, " \t");
    if (length == 0 || start[length + std::strspn(start + length, " \t")] != '\0')
        return INADDR_NONE;
    const std::string address(start, length);
    in_addr converted{};
    return ::inet_aton(address.c_str(), &converted) ? converted.s_addr : INADDR_NONE;
}

std::pair<int, int> LocalPortRange()
{
    std::ifstream file("/proc/sys/net/ipv4/ip_local_port_range");
    int first = 0;
    int last = 0;
    if (file >> first >> last && first > 0 && first <= last && last <= 65535)
        return {first, last};
    return {32768, 60999};
}

const char* inet_ntoa(in_addr address)
{
    thread_local char text[INET_ADDRSTRLEN];
    return ::inet_ntop(AF_INET, &address, text, sizeof text);
}

} // namespace platform
