#pragma once

#include <string>

#include <sys/types.h>

namespace platform::fileop {

// Makes every missing directory of `path` with `mode` (under the umask), as "mkdir -p";
// 0 when `path` is then a directory, else the errno of the failure.
int MakeDirectories(const std::string& path, mode_t mode);

} // namespace platform::fileop
