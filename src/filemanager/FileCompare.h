#pragma once

#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

// How a file's bytes are read; a test puts a failing reader in.
using BlockReader = std::function<ssize_t(int fd, char* buffer, std::size_t size)>;
ssize_t ReadFromDescriptor(int fd, char* buffer, std::size_t size);

enum class CompareResult {
    Identical, // the same bytes up to the length of the shorter file
    Different,
    Failed,    // a file could not be opened or read; the user has been told which
};

// Compares two regular files by their bytes up to the length of the shorter one; a file
// that cannot be opened gives "can't open: " and one that fails to read "can't read: ".
CompareResult CompareFiles(const std::string& first, const std::string& second,
                           const BlockReader& read = ReadFromDescriptor);
