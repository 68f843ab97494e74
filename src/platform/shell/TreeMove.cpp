#include "platform/shell/TreeMove.h"

#include "platform/base/FileDescriptor.h"
#include "platform/fs/DirTreeSize.h"
#include "platform/fs/RenameNoReplace.h"
#include "platform/shell/TreeRemove.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace platform::fileop {
namespace {

bool CopyThenRemove(OperationRun& run, TreeCopier& copier, const struct stat& status, const Place& from,
                    const Place& to, bool exists)
{
    if (S_ISDIR(status.st_mode))
        run.addWork(static_cast<std::uint64_t>(DirTreeSize(from.path)));
    else if (S_ISREG(status.st_mode))
        run.addWork(static_cast<std::uint64_t>(status.st_size));
    const std::size_t failuresBefore = run.failures();
    if (!copier.copyAgreed(status, from, to, exists) || run.failures() != failuresBefore || run.stopped())
        return false;
    // The copy is on disk before the only other copy goes.
    if (syncfs(to.dir) != 0)
        return run.fail(from.path, std::string("its copy could not be flushed to disk: ") + std::strerror(errno));
    return RemoveTree(run, from, false);
}

bool MergeInto(OperationRun& run, TreeCopier& copier, const Place& from, const Place& to)
{
    constexpr int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    FileDescriptor in(openat(from.dir, from.name.c_str(), flags));
    std::vector<Listed> names;
    if (!in || !ReadNames(in.get(), names))
        return run.fail(from.path, errno);
    FileDescriptor out(openat(to.dir, to.name.c_str(), flags));
    if (!out)
        return run.fail(to.path, errno);
    bool whole = true;
    for (const auto& [name, notDirectory] : names) {
        if (run.stopped())
            return false;
        whole = MoveItem(run, copier, from.child(in.get(), name), to.child(out.get(), name), false) && whole;
    }
    if (!whole)
        return false;
    return unlinkat(from.dir, from.name.c_str(), AT_REMOVEDIR) == 0 || run.fail(from.path, errno);
}
} // namespace

bool MoveItem(OperationRun& run, TreeCopier& copier, const Place& from, const Place& to, bool askFirst)
{
    ItemStatus item;
    const Existing decision = run.takeUp(from, to, askFirst, item);
    if (decision == Existing::Skip)
        return false;
    const struct stat& status = item.source;
    const bool exists = item.exists;
    struct stat targetDir {};
    const bool sameDevice = fstat(to.dir, &targetDir) == 0 && targetDir.st_dev == status.st_dev;
    if (!sameDevice)
        return CopyThenRemove(run, copier, status, from, to, exists);
    if (decision == Existing::Merge)
        return MergeInto(run, copier, from, to);
    const int error = exists ? (renameat(from.dir, from.name.c_str(), to.dir, to.name.c_str()) == 0 ? 0 : errno)
                             : RenameNoReplaceAt(from.dir, from.name, to.dir, to.name);
    if (error == EXDEV) // one filesystem mounted twice
        return CopyThenRemove(run, copier, status, from, to, exists);
    return error == 0 || run.fail(from.path, error);
}

} // namespace platform::fileop
