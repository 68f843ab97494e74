#include "platform/fs/DirTreeSize.h"

#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {
constexpr int openFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// One directory being walked: its descriptor stays open while its subdirectories are
// visited, because they are opened relative to it; the walk is a loop over an explicit
// stack, so deep trees cannot exhaust the call stack.
struct Level {
    int fd = -1;
    std::vector<std::string> subdirs;
    std::size_t next = 0;
};

// Adds the sizes of the directory's files and collects its subdirectories. Takes
// ownership of fd: on failure it is closed and the directory counts what was read.
std::int64_t ScanDirectory(int fd, Level& level)
{
    level.fd = fd;
    const int streamFd = dup(fd);
    DIR* stream = streamFd < 0 ? nullptr : fdopendir(streamFd);
    if (!stream) {
        if (streamFd >= 0)
            close(streamFd);
        return 0;
    }
    std::int64_t total = 0;
    while (const dirent* entry = readdir(stream)) {
        const char* name = entry->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        if (entry->d_type == DT_DIR) {
            level.subdirs.emplace_back(name);
            continue;
        }
        struct stat status {};
        if (fstatat(fd, name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(status.st_mode))
            level.subdirs.emplace_back(name);
        else if (S_ISREG(status.st_mode))
            total += status.st_size;
    }
    closedir(stream);
    return total;
}

int OpenOnDevice(int parentFd, const char* name, dev_t device)
{
    const int fd = openat(parentFd, name, openFlags);
    if (fd < 0)
        return -1;
    struct stat status {};
    if (fstat(fd, &status) != 0 || status.st_dev != device) {
        close(fd);
        return -1;
    }
    return fd;
}
} // namespace

std::int64_t DirTreeSize(const std::string& dir)
{
    const int rootFd = open(dir.c_str(), openFlags);
    if (rootFd < 0)
        return 0;
    struct stat rootStatus {};
    if (fstat(rootFd, &rootStatus) != 0) {
        close(rootFd);
        return 0;
    }
    std::vector<Level> stack(1);
    std::int64_t total = ScanDirectory(rootFd, stack.back());
    while (!stack.empty()) {
        Level& top = stack.back();
        if (top.next == top.subdirs.size()) {
            close(top.fd);
            stack.pop_back();
            continue;
        }
        const int fd = OpenOnDevice(top.fd, top.subdirs[top.next++].c_str(), rootStatus.st_dev);
        if (fd < 0)
            continue;
        stack.emplace_back();
        total += ScanDirectory(fd, stack.back());
    }
    return total;
}

} // namespace platform
