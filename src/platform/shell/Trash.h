#pragma once

#include <string>

namespace platform {

// Moves one file or directory (bytes, relative to the current directory or absolute) into
// the user's trash in the freedesktop layout that desktop file managers share: the home trash
// ($XDG_DATA_HOME/Trash, made when missing) for items on its filesystem, else
// "$topdir/.Trash-$uid" at the top of the item's own filesystem. The ".trashinfo" holding
// the original path (percent-encoded from its bytes) is written first under a name no
// other entry has, then the item is renamed in. Returns 0, or the errno of the failure;
// without a usable trash the item stays where it is.
int MoveToTrash(const std::string& path);

// The percent-encoding of the ".trashinfo" Path key: every byte but letters, digits,
// "/" and the unreserved marks becomes "%XX".
std::string EncodeTrashPath(const std::string& path);

} // namespace platform
