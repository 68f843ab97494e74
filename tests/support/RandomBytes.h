#pragma once

#include <cstddef>
#include <random>
#include <string>

// Reproducible test data: the next size bytes of gen, or size bytes from a fresh generator.
inline std::string randomBytes(std::mt19937& gen, std::size_t size)
{
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(gen());
    return bytes;
}

inline std::string randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 gen(seed);
    return randomBytes(gen, size);
}
