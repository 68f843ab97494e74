#include "platform/shell/Directories.h"

#include <cerrno>

#include <sys/stat.h>

namespace platform::fileop {

int MakeDirectories(const std::string& path, mode_t mode)
{
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/')
            continue;
        if (mkdir(path.substr(0, at).c_str(), mode) != 0 && errno != EEXIST)
            return errno;
    }
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        return errno;
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

} // namespace platform::fileop
