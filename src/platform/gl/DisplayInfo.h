#pragma once

#include <string_view>

namespace platform {

// Bits per pixel of the primary screen; 0 when there is no screen.
int DisplayBitsPerPixel();

// Whether a blank-separated extension list (as GL_EXTENSIONS gives it) holds `name` as a
// whole entry, exactly and with the same case.
bool ExtensionListHas(std::string_view list, std::string_view name);

} // namespace platform
