#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Total size of every file below a directory, dot files included. The walk never follows
// a symbolic link (the start included), never leaves the starting directory's filesystem
// (so /proc, /sys and network mounts below it are not entered) and never changes the
// current directory. A directory that cannot be read counts 0.
std::int64_t DirTreeSize(const std::string& dir);

} // namespace platform
