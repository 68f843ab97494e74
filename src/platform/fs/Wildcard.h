#pragma once

#include <string_view>

namespace platform {

// Matches a file name against a name pattern: "*" any run of characters, "?" exactly one
// character, "*.*" every name (with or without a dot), letter case ignored. A pattern
// holding "/" matches nothing: a pattern selects names in one directory and can never
// reach into another. An empty pattern matches nothing.
bool WildcardMatch(std::string_view pattern, std::string_view name);

} // namespace platform
