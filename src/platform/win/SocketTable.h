#pragma once

#include "platform/win/WinSock.h"

#include <QSocketNotifier>

#include <memory>
#include <mutex>

namespace platform::winsock {

// What the layer knows of one socket besides its descriptor: the selected notifications and
// the Windows Sockets "posted, waiting for the re-enabling call" flags.
struct SocketEntry {
    int fd = -1;
    int type = 0;
    bool listening = false;
    bool connecting = false;
    bool connected = false;
    bool connectFailed = false;
    bool closePosted = false;
    bool readPosted = false;    // FD_READ or FD_ACCEPT posted, waiting for recv or accept
    bool writeWanted = false;   // FD_WRITE to post once the socket can take data
    bool sendShutDown = false;
    HWND wnd = 0;
    UINT msg = 0;
    long events = 0;
    std::unique_ptr<QSocketNotifier> readNotifier;
    std::unique_ptr<QSocketNotifier> writeNotifier;
};

// One lock guards the table and every entry; notifier callbacks take it too.
std::mutex& tableLock();

// Adds a descriptor and returns its new handle; the caller holds the lock.
SOCKET addSocket(int fd, int type);
// The entry of a handle or nullptr; caller holds the lock.
SocketEntry* findSocket(SOCKET s);
// Forgets the handle and gives back its entry; caller holds the lock.
std::unique_ptr<SocketEntry> removeSocket(SOCKET s);

} // namespace platform::winsock
