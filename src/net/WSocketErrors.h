#pragma once

#include "platform/base/Exception.h"

#include <string>

// The exception of the socket unit; it carries only its message.
class ESocketException : public platform::Exception {
public:
    using platform::Exception::Exception;
};

// The Windows Sockets text for an error number ("Not a WinSock error" for any other number).
std::string WSocketErrorDesc(int errCode);

// "Error N in function WHERE" CR LF and the text of N: what every socket failure reads.
std::string WSocketErrorText(int errCode, const std::string& where);
