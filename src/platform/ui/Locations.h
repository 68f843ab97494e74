#pragma once

#include <string>

namespace platform {

// The executable's directory, ending in "/": the program's read-only data (background
// picture, icon models, globe texture) lies beside it.
std::string programDirectory();

// "$XDG_CONFIG_HOME/pelvaxon/PELVAXON.INI" (~/.config when the variable is unset): the one
// settings file of the program.
std::string settingsFilePath();

// "$XDG_DATA_HOME/pelvaxon/" (~/.local/share when the variable is unset): where the program
// keeps the files it writes for itself.
std::string dataDirectory();

} // namespace platform
