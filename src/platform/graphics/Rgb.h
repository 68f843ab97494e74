#pragma once

#include <cstdint>

namespace platform {

// One palette entry or 24-bit pixel, always in red, green, blue order: no 0x00BBGGRR
// integers anywhere, so red and blue can never be swapped by accident.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;

    friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

} // namespace platform
