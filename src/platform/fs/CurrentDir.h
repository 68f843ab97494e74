#pragma once

#include <string>

namespace platform {

// Changes the process's current directory; false when that fails (errno tells why).
// A successful change is remembered as the last known directory.
bool ChangeDir(const std::string& path);

// The process's current directory, of any length. When it has been deleted under us,
// moves to the nearest existing ancestor of the last known directory (at worst "/") and
// returns that instead, so a panel never shows a path that no longer exists.
std::string CurrentDir();

// Changes to the path, or when it cannot be entered (gone, or closed to us) to its nearest
// ancestor that can, at worst "/"; returns the directory it changed to.
std::string ChangeToNearestDir(const std::string& path);

// The user's home directory: $HOME when it is an absolute path, else the password entry's,
// else "/".
std::string HomeDirectory();

} // namespace platform
