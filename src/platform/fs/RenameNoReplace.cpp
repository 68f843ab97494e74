#include "platform/fs/RenameNoReplace.h"

#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {
// For filesystems without RENAME_NOREPLACE: a hard link fails atomically when the target
// exists; directories cannot be linked, so for them the check and the rename are two steps.
int RenameByLink(const std::string& from, const std::string& to)
{
    struct stat status {};
    if (lstat(from.c_str(), &status) != 0)
        return errno;
    if (!S_ISDIR(status.st_mode)) {
        if (link(from.c_str(), to.c_str()) != 0)
            return errno;
        return unlink(from.c_str()) == 0 ? 0 : errno;
    }
    if (lstat(to.c_str(), &status) == 0)
        return EEXIST;
    return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}
} // namespace

int RenameNoReplace(const std::string& from, const std::string& to)
{
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno == EINVAL || errno == ENOSYS)
        return RenameByLink(from, to);
    return errno;
}

} // namespace platform
