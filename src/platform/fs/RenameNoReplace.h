#pragma once

#include <string>

namespace platform {

// Renames `from` to `to` unless `to` already exists, in which case nothing changes and the
// result is EEXIST. Returns 0 on success, else the errno value of the failure.
int RenameNoReplace(const std::string& from, const std::string& to);
// The same with each name relative to a directory descriptor (AT_FDCWD for the current one).
int RenameNoReplaceAt(int fromDir, const std::string& from, int toDir, const std::string& to);

} // namespace platform
