#include "platform/shell/FileOperation.h"

#include "platform/base/FileDescriptor.h"
#include "platform/fs/DirTreeSize.h"
#include "platform/fs/Path.h"
#include "platform/shell/Directories.h"
#include "platform/shell/OperationRun.h"
#include "platform/shell/Trash.h"
#include "platform/shell/TreeMove.h"
#include "platform/shell/TreeRemove.h"
#include "platform/ui/MessageService.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>

namespace platform {
using namespace fileop;
namespace {

constexpr int directoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

struct FileId {
    dev_t device;
    ino_t inode;
    bool operator==(const FileId&) const = default;
};

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// The target directory and every real directory above it; for a target still to be
// made, those of its nearest existing ancestor.
std::vector<FileId> RealAncestors(const std::string& targetDir)
{
    std::string existing = targetDir;
    char* real = nullptr;
    while (!(real = realpath(existing.c_str(), nullptr))) {
        if (errno != ENOENT || existing == "." || existing == "/")
            return {};
        existing = ContainingDirectory(existing);
    }
    std::string path = real;
    std::free(real);
    std::vector<FileId> chain;
    for (;;) {
        struct stat status {};
        if (stat(path.c_str(), &status) == 0)
            chain.push_back({status.st_dev, status.st_ino});
        if (path == "/")
            return chain;
        path = DirectoryOf(path);
    }
}

bool Named(OperationRun& run, const SplitPath& item, const std::string& given)
{
    if (!item.name.empty())
        return true;
    run.refuse("Cannot " + run.verb() + " " + Quoted(given) + ": \".\", \"..\" and \"/\" are never acted on.");
    return false;
}

// The refusals made before anything is touched; true when the item may go ahead.
bool Admissible(OperationRun& run, const SplitPath& item, const std::string& given, const std::string& targetDir,
                const std::vector<FileId>& targetChain)
{
    if (!Named(run, item, given))
        return false;
    struct stat status {};
    if (lstat(item.path.c_str(), &status) != 0)
        return true; // reported when its turn comes
    const std::string cannot = "Cannot " + run.verb() + " " + Quoted(item.path);
    const FileId id{status.st_dev, status.st_ino};
    if (S_ISDIR(status.st_mode) && std::find(targetChain.begin(), targetChain.end(), id) != targetChain.end()) {
        run.refuse(cannot + " into " + Quoted(targetDir) + ": that is the directory itself or lies inside it.");
        return false;
    }
    const std::string target = JoinPath(targetDir, item.name);
    struct stat existing {};
    if (lstat(target.c_str(), &existing) != 0)
        return true;
    if (FileId{existing.st_dev, existing.st_ino} == id) {
        run.refuse(cannot + " onto itself: " + Quoted(target) + " is the same file.");
        return false;
    }
    if (S_ISDIR(status.st_mode) != S_ISDIR(existing.st_mode)) {
        run.refuse(cannot + ": " + Quoted(target)
                   + (S_ISDIR(status.st_mode) ? " is a file and would be replaced by a directory."
                                              : " is a directory and would be replaced by a file."));
        return false;
    }
    return true;
}

std::uint64_t BytesOf(const std::string& path)
{
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0)
        return 0;
    if (S_ISDIR(status.st_mode))
        return static_cast<std::uint64_t>(DirTreeSize(path));
    return S_ISREG(status.st_mode) ? static_cast<std::uint64_t>(status.st_size) : 0;
}

int Transfer(OperationRun& run, const std::vector<std::string>& paths, const std::string& targetDir, bool move)
{
    std::vector<SplitPath> items;
    for (const std::string& path : paths)
        items.push_back(Split(path));
    const std::vector<FileId> targetChain = RealAncestors(targetDir);
    bool admissible = true;
    for (std::size_t i = 0; i < items.size(); ++i)
        admissible = Admissible(run, items[i], paths[i], targetDir, targetChain) && admissible;
    if (!admissible)
        return run.result();
    if (const int error = MakeDirectories(targetDir, 0777)) {
        run.refuse("Cannot make the directory " + Quoted(targetDir) + ": " + std::strerror(error) + ".");
        return run.result();
    }
    FileDescriptor target(open(targetDir.c_str(), directoryFlags));
    if (!target) {
        run.refuse("Cannot open the directory " + Quoted(targetDir) + ": " + std::strerror(errno) + ".");
        return run.result();
    }
    // A move renames; only what has to cross filesystems adds its bytes as it comes.
    if (!move) {
        for (const SplitPath& item : items)
            run.addWork(BytesOf(item.path));
    }
    TreeCopier copier(run);
    for (const SplitPath& item : items) {
        if (run.stopped())
            break;
        FileDescriptor from(open(item.directory.c_str(), directoryFlags));
        if (!from) {
            run.fail(item.path, errno);
            continue;
        }
        const Place source{from.get(), item.name, item.path};
        const Place to{target.get(), item.name, JoinPath(targetDir, item.name)};
        if (move)
            MoveItem(run, copier, source, to, true);
        else
            copier.copy(source, to, true);
    }
    return run.result();
}
} // namespace

int Delete(const std::vector<std::string>& paths, bool toTrash, OperationProgress& progress)
{
    OperationRun run(toTrash ? "move" : "delete", toTrash ? " to the trash" : "", progress);
    std::vector<SplitPath> items;
    for (const std::string& path : paths) {
        items.push_back(Split(path));
        if (!Named(run, items.back(), path))
            return run.result();
    }
    if (items.empty())
        return OperationDone;
    const std::string count = std::to_string(items.size());
    const MsgResult answer = toTrash
        ? run.ask("Move " + count + " item(s) to the trash?", MsgButtons::YesNo, MsgIcon::Question)
        : run.ask("Permanently delete " + count + " item(s)? They cannot be restored.", MsgButtons::YesNoDefaultNo,
                  MsgIcon::Warning);
    if (answer != MsgResult::Yes)
        return OperationCancelled;
    for (const SplitPath& item : items) {
        if (run.stopped())
            break;
        if (toTrash) {
            if (!run.begin(item.path))
                break;
            if (const int error = MoveToTrash(item.path))
                run.fail(item.path, error);
            continue;
        }
        FileDescriptor dir(open(item.directory.c_str(), directoryFlags));
        if (!dir)
            run.fail(item.path, errno);
        else
            RemoveTree(run, {dir.get(), item.name, item.path}, true);
    }
    return run.result();
}

int Copy(const std::vector<std::string>& paths, const std::string& targetDir, OperationProgress& progress)
{
    OperationRun run("copy", "", progress);
    return Transfer(run, paths, targetDir, false);
}

int Move(const std::vector<std::string>& paths, const std::string& targetDir, OperationProgress& progress)
{
    OperationRun run("move", "", progress);
    return Transfer(run, paths, targetDir, true);
}

int Delete(const std::vector<std::string>& paths, bool toTrash)
{
    return Delete(paths, toTrash, *MakeProgressDialog("delete"));
}

int Copy(const std::vector<std::string>& paths, const std::string& targetDir)
{
    return Copy(paths, targetDir, *MakeProgressDialog("copy"));
}

int Move(const std::vector<std::string>& paths, const std::string& targetDir)
{
    return Move(paths, targetDir, *MakeProgressDialog("move"));
}

} // namespace platform
