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
    found.size = S_ISREG(status.stx_mode) ? std::int64_t(status.stx_size) : 0;
    found.attributes = AttributesOf(status.stx_mode, found.name);
    found.mtime = status.stx_mtime.tv_sec;
    // When the file was made, if its file system keeps that.
    const bool born = (status.stx_mask & STATX_BTIME) && status.stx_btime.tv_sec != 0;
    found.btime = !birthTime ? 0 : born ? status.stx_btime.tv_sec : found.mtime;
    return found;
}

// Sorts by the names' bytes, moving small records rather than entries: the 8 bytes that
// follow the prefix every name shares, read as one number, and the entry's place. Only
// records whose numbers are equal compare whole names. A merge sort, since a directory
// often gives its names in long runs of the order they were made in.
void SortByName(std::vector<FoundFile>& found)
{
    if (found.size() < 2)
        return;
    const std::string& first = found.front().name;
    std::size_t common = first.size();
    for (const FoundFile& entry : found) {
        const auto shared = first.begin() + static_cast<std::ptrdiff_t>(std::min(common, entry.name.size()));
        common = static_cast<std::size_t>(std::mismatch(first.begin(), shared, entry.name.begin()).first - first.begin());
    }
    struct Key {
        std::uint64_t bytes;
        std::size_t index;
    };
    std::vector<Key> keys(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        const std::string& name = found[i].name;
        std::uint64_t bytes = 0;
        for (std::size_t at = common; at < common + 8; ++at)
            bytes = bytes << 8 | (at < name.size() ? static_cast<unsigned char>(name[at]) : 0u);
        keys[i] = {bytes, i};
    }
    std::stable_sort(keys.begin(), keys.end(), [&found](const Key& a, const Key& b) {
        return a.bytes != b.bytes ? a.bytes < b.bytes : found[a.index].name < found[b.index].name;
    });
    // Entries go to their places along the cycles of the order: no second vector of entries.
    for (std::size_t start = 0; start < keys.size(); ++start) {
        if (keys[start].index == start)
            continue;
        FoundFile held = std::move(found[start]);
        std::size_t at = start;
        while (keys[at].index != start) {
            const std::size_t from = keys[at].index;
            found[at] = std::move(found[from]);
            keys[at].index = at;
            at = from;
        }
        found[at] = std::move(held);
        keys[at].index = at;
    }
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
    std::vector<FoundFile> found;
    ListDir(dir, pattern, options, found);
    return found;
}

void ListDir(const std::string& dir, const std::string& pattern, ListOptions options, std::vector<FoundFile>& found)
{
    found.clear();
    std::unique_ptr<DIR, DirCloser> stream(opendir(dir.c_str()));
    if (!stream)
        ThrowReadError(dir);
    const int dirFd = dirfd(stream.get());
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
    SortByName(found);
}

} // namespace platform
