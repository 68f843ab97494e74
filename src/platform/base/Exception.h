#pragma once

#include <stdexcept>
#include <string>

namespace platform {

// Root of every exception the program raises on purpose. Its message is what the user
// sees in the box the exception guard shows, so it names what failed and with what.
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};

} // namespace platform
