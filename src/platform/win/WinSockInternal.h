#pragma once

#include "platform/win/WinSock.h"

namespace platform::winsock {

// False, with WSANOTINITIALISED as the last error, while the layer is not started.
bool checkStarted();

// Sets the last error and gives the failure result.
inline int fail(int error)
{
    WSASetLastError(error);
    return SOCKET_ERROR;
}

} // namespace platform::winsock
