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
int RenameByLink(int fromDir, const std::string& from, int toDir, const std::string& to)
{
    struct stat status {};
    if (fstatat(fromDir, from.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return errno;
    if (!S_ISDIR(status.st_mode)) {
        if (linkat(fromDir, from.c_str(), toDir, to.c_str(), 0) != 0)
            return errno;
        return unlinkat(fromDir, from.c_str(), 0) == 0 ? 0 : errno;
    }
    if (fstatat(toDir, to.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0)
        return EEXIST;
    return renameat(fromDir, from.c_str(), toDir, to.c_str()) == 0 ? 0 : errno;
}
} // namespace

int RenameNoReplaceAt(int fromDir, const std::string& from, int toDir, const std::string& to)
{
    if (renameat2(fromDir, from.c_str(), toDir, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno == EINVAL || errno == ENOSYS)
        return RenameByLink(fromDir, from, toDir, to);
    return errno;
}

int RenameNoReplace(const std::string& from, const std::string& to)
{
    return RenameNoReplaceAt(AT_FDCWD, from, AT_FDCWD, to);
}

} // namespace platform
