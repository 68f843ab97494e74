#include "platform/fs/FindFiles.h"

#include "platform/base/Exception.h"
#include "platform/fs/Attributes.h"
#include "platform/fs/Wildcard.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {
namespace {
struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

[[noreturn]] void ThrowReadError(const std::string& dir)
{
    throw Exception("cannot read directory " + dir + ": " + std::strerror(errno));
}

bool IsSameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// ".." of a filesystem root is the root itself.
bool ParentLeadsNowhere(int dirFd)
{
    struct stat self {};
    struct stat parent {};
    return fstat(dirFd, &self) == 0 && fstatat(dirFd, "..", &parent, 0) == 0 && IsSameFile(self, parent);
}

// One status call per name: the birth time comes with the rest when it is asked for.
bool Status(int dirFd, const char* name, int flags, bool birthTime, struct statx& status)
{
    const unsigned mask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_MTIME | (birthTime ? STATX_BTIME : 0u);
    return statx(dirFd, name, flags, mask, &status) == 0;
}

FoundFile Describe(int dirFd, const char* name, bool birthTime)
{
    FoundFile found;
    found.name = name;
    struct statx status {};
    if (!Status(dirFd, name, AT_SYMLINK_NOFOLLOW, birthTime, status))
        return found; // vanished while we looked: an empty file, as good as any
    if (S_ISLNK(status.stx_mode)) {
        found.isSymlink = true;
        struct statx target {};
        if (Status(dirFd, name, 0, birthTime, target))
            status = target;
    }
    struct stat kind {};
    kind.st_mode = status.stx_mode;
    found.size = S_ISREG(status.stx_mode) ? std::int64_t(status.stx_size) : 0;
    found.attributes = AttributesOf(kind, found.name);
    found.mtime = status.stx_mtime.tv_sec;
    // When the file was made, if its file system keeps that.
    const bool born = (status.stx_mask & STATX_BTIME) && status.stx_btime.tv_sec != 0;
    found.btime = !birthTime ? 0 : born ? status.stx_btime.tv_sec : found.mtime;
    return found;
}

FoundFile DescribeKind(int dirFd, const dirent& entry)
{
    FoundFile found;
    switch (entry.d_type) {
    case DT_REG: break;
    case DT_DIR: found.attributes = attrDirectory; break;
    case DT_FIFO:
    case DT_CHR:
    case DT_BLK:
    case DT_SOCK: found.attributes = attrSystem; break;
    default: return Describe(dirFd, entry.d_name, false);
    }
    found.name = entry.d_name;
    if (IsHiddenName(found.name))
        found.attributes |= attrHidden;
    return found;
}
} // namespace

std::vector<FoundFile> ListDir(const std::string& dir, const std::string& pattern, ListOptions options)
{
    std::unique_ptr<DIR, DirCloser> stream(opendir(dir.c_str()));
    if (!stream)
        ThrowReadError(dir);
    const int dirFd = dirfd(stream.get());
    std::vector<FoundFile> found;
    for (;;) {
        errno = 0;
        const dirent* entry = readdir(stream.get());
        if (!entry) {
            if (errno != 0)
                ThrowReadError(dir);
            break;
        }
        const std::string_view name = entry->d_name;
        const bool skippedDot = !options.dots && (name == "." || (name == ".." && ParentLeadsNowhere(dirFd)));
        if (skippedDot || !WildcardMatch(pattern, name))
            continue;
        found.push_back(options.kindOnly ? DescribeKind(dirFd, *entry)
                                         : Describe(dirFd, entry->d_name, options.birthTime));
    }
    std::sort(found.begin(), found.end(), [](const FoundFile& a, const FoundFile& b) { return a.name < b.name; });
    return found;
}

} // namespace platform
