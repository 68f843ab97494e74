#pragma once

#include <string>
#include <string_view>

namespace platform {

// Names are bytes. These give the lower-case forms that sort keys and name filters use:
// Unicode lower-casing for valid UTF-8, plain ASCII lower-casing for anything else, so a
// name that is not UTF-8 still gets a stable key and is never altered on disk.
std::string LowerName(std::string_view name);

// The extension of a (lower-case) name: from its last "." to the end, dot included;
// "" when the name holds no dot.
std::string ExtensionOf(std::string_view name);

// Length in bytes of the character that begins at position `at` (1 for a stray byte).
std::size_t CharacterLength(std::string_view text, std::size_t at);

} // namespace platform
