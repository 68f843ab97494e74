#pragma once

#include "platform/win/SocketTable.h"

namespace platform::winsock {

// The Windows Sockets notification rules on top of Qt socket notifiers. Each function is
// called with the table lock held.

void selectEvents(SOCKET s, SocketEntry& entry, HWND wnd, UINT msg, long events);

// A receive or an accept was made: FD_READ or FD_ACCEPT may be reported again.
void readConsumed(SocketEntry& entry);
// A send would block: FD_WRITE comes once the socket can take data again.
void sendWouldBlock(SocketEntry& entry);
// A non-blocking connect is under way: FD_CONNECT comes when it ends.
void connectStarted(SocketEntry& entry);
void listenStarted(SocketEntry& entry);

} // namespace platform::winsock
