#include "platform/shell/TreeRemove.h"

#include "platform/base/FileDescriptor.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform::fileop {
namespace {

bool IsMountRoot(const struct statx& status)
{
    return (status.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (status.stx_attributes & STATX_ATTR_MOUNT_ROOT);
}

bool Remove(OperationRun& run, const Place& item, dev_t device, bool stoppable, bool notDirectory)
{
    if (stoppable && !run.begin(item.path))
        return false;
    // What the directory listed as no directory goes at once; unlink never removes one.
    if (notDirectory && unlinkat(item.dir, item.name.c_str(), 0) == 0)
        return true;
    struct statx status {};
    if (statx(item.dir, item.name.c_str(), AT_SYMLINK_NOFOLLOW, STATX_TYPE, &status) != 0)
        return run.fail(item.path, errno);
    if (!S_ISDIR(status.stx_mode))
        return unlinkat(item.dir, item.name.c_str(), 0) == 0 || run.fail(item.path, errno);
    if (IsMountRoot(status) || makedev(status.stx_dev_major, status.stx_dev_minor) != device)
        return run.fail(item.path, "another filesystem is mounted there; it is kept");
    FileDescriptor dir(openat(item.dir, item.name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    std::vector<Listed> names;
    if (!dir || !ReadNames(dir.get(), names))
        return run.fail(item.path, errno);
    bool whole = true;
    for (const auto& [name, notDir] : names) {
        if (run.stopped())
            return false;
        whole = Remove(run, item.child(dir.get(), name), device, stoppable, notDir) && whole;
    }
    // What could not go was reported already; its directory stays without another word.
    if (!whole)
        return false;
    return unlinkat(item.dir, item.name.c_str(), AT_REMOVEDIR) == 0 || run.fail(item.path, errno);
}
} // namespace

bool RemoveTree(OperationRun& run, const Place& item, bool stoppable)
{
    struct stat status {};
    if (fstatat(item.dir, item.name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return run.fail(item.path, errno);
    return Remove(run, item, status.st_dev, stoppable, false);
}

} // namespace platform::fileop
