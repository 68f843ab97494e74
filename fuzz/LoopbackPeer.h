#pragma once

// The far end of a socket under test, played on loopback by the fuzz target's own thread:
// the bytes a target feeds arrive through a real connection, read by the socket's own
// notices, and the loop that serves them is bounded, so a socket that stops reading is
// never waited for.

#include "net/WSocketBase.h"
#include "platform/base/FileDescriptor.h"
#include "platform/win/MessagePump.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace loopbackpeer {

// Serves the thread's messages until done() holds; false when it did not within about a second.
inline bool serveUntil(const std::function<bool()>& done)
{
    for (int round = 0; round < 1000; ++round) {
        if (done())
            return true;
        platform::WaitForMessages(1);
    }
    return done();
}

inline bool readable(int fd)
{
    pollfd wanted{fd, POLLIN, 0};
    return ::poll(&wanted, 1, 0) == 1;
}

// What the socket sent is read and dropped, so that it never waits for room to send.
inline void drain(int fd)
{
    char sink[4096];
    while (::recv(fd, sink, sizeof sink, MSG_DONTWAIT) > 0) {}
}

inline bool unreadByTheSocket(TCustomWSocket& socket)
{
    unsigned long count = 0;
    return socket.HSocket() != platform::INVALID_SOCKET
           && platform::ioctlsocket(socket.HSocket(), FIONREAD, &count) == 0 && count > 0;
}

// A listener on 127.0.0.1 at a port the system picks, for the whole run.
class Listener {
public:
    Listener() : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (!fd_ || ::bind(fd_.get(), reinterpret_cast<sockaddr*>(&address), length) != 0
            || ::listen(fd_.get(), 16) != 0
            || ::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0)
            std::abort();
        port_ = std::to_string(ntohs(address.sin_port));
    }

    const std::string& port() const { return port_; }

    // The connection the socket under test makes, served while it comes; none after a bound.
    platform::FileDescriptor accept()
    {
        if (!serveUntil([this] { return readable(fd_.get()); }))
            return {};
        return platform::FileDescriptor(::accept4(fd_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
    }

private:
    platform::FileDescriptor fd_;
    std::string port_;
};

// Sends each piece once the socket has read the one before, then ends the connection's sending
// side, and serves the socket until it has read everything or closed.
inline void sendPieces(int peer, TCustomWSocket& socket, const std::vector<std::string_view>& pieces)
{
    for (const std::string_view piece : pieces) {
        if (socket.HSocket() == platform::INVALID_SOCKET
            || ::send(peer, piece.data(), piece.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(piece.size()))
            break;
        serveUntil([&] {
            drain(peer);
            return !unreadByTheSocket(socket);
        });
    }
    ::shutdown(peer, SHUT_WR);
    serveUntil([&] {
        drain(peer);
        return socket.HSocket() == platform::INVALID_SOCKET || socket.State() == wsClosed;
    });
}

} // namespace loopbackpeer
