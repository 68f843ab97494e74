#pragma once

#include "platform/win/WinSock.h"

namespace platform {

// Sockets asked together, outside the message loop and in one call, whether any has bytes
// (or its end) waiting: long work between two looks at the loop gives way as soon as a peer
// has said something. A socket leaves the set when it is closed or removed.
class InputWatch {
public:
    InputWatch();
    ~InputWatch();
    InputWatch(const InputWatch&) = delete;
    InputWatch& operator=(const InputWatch&) = delete;

    // False for a handle that is not a socket of this process.
    bool add(SOCKET s);
    // For a socket whose input is left unread on purpose, which would else always be waiting.
    void remove(SOCKET s);
    bool anyWaiting() const;

private:
    int epollFd_;
};

} // namespace platform
