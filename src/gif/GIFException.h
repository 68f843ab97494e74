#pragma once

#include "platform/base/Exception.h"

#include <string_view>

// Every error the codec raises on purpose: a damaged file, a value out of range, a limit
// exceeded. The message is one of the fixed texts of GIFStrings.h.
class GIFException : public platform::Exception {
public:
    explicit GIFException(std::string_view message) : platform::Exception(std::string(message)) {}
};

[[noreturn]] inline void RaiseGIFError(std::string_view message)
{
    throw GIFException(message);
}
