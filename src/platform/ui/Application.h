#pragma once

#include <string>

namespace platform {

// The application's title: the caption of every message box and the main window's title
// base. Set once at start-up by the program entry.
const std::string& applicationTitle();
void setApplicationTitle(const std::string& title);

} // namespace platform
