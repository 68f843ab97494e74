#include "platform/shell/TreeCopy.h"

#include "platform/base/FileDescriptor.h"
#include "platform/fs/RenameNoReplace.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <unistd.h>

namespace platform::fileop {
namespace {

constexpr int directoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Makes something new under a fresh temporary name through `make(name)` (0 or errno);
// gives the name, or "" with errno set.
template <class Make>
std::string MakeTemporary(Make make)
{
    static std::mt19937 random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        char name[32];
        std::snprintf(name, sizeof name, ".pelvaxon-%08x.part", static_cast<unsigned>(random()));
        const int error = make(std::string(name));
        if (error == 0)
            return name;
        if (error != EEXIST) {
            errno = error;
            return {};
        }
    }
    errno = EEXIST;
    return {};
}

// Gives a complete temporary its final name: over the old target only when the user agreed.
int PutInPlace(int dir, const std::string& temporary, const std::string& name, bool replace)
{
    if (replace)
        return renameat(dir, temporary.c_str(), dir, name.c_str()) == 0 ? 0 : errno;
    return RenameNoReplaceAt(dir, temporary, dir, name);
}

bool WriteAll(int out, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = write(out, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::string WriteFailure(const Place& to, int error)
{
    return "\"" + to.path + "\" cannot be written: " + std::strerror(error);
}

// The link's text, of any length; false with errno set.
bool ReadLink(const Place& link, std::size_t sizeHint, std::string& text)
{
    std::vector<char> buffer(std::max<std::size_t>(sizeHint, 63) + 1);
    for (;;) {
        const ssize_t length = readlinkat(link.dir, link.name.c_str(), buffer.data(), buffer.size());
        if (length < 0)
            return false;
        if (static_cast<std::size_t>(length) < buffer.size()) {
            text.assign(buffer.data(), static_cast<std::size_t>(length));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}
} // namespace

TreeCopier::TreeCopier(OperationRun& run) : run_(run) {}

bool TreeCopier::copy(const Place& from, const Place& to, bool askFirst)
{
    ItemStatus status;
    if (run_.takeUp(from, to, askFirst, status) == Existing::Skip)
        return false;
    return copyAgreed(status.source, from, to, status.exists);
}

bool TreeCopier::copyAgreed(const struct stat& status, const Place& from, const Place& to, bool exists)
{
    if (S_ISDIR(status.st_mode))
        return copyDirectory(status, from, to, exists);
    if (S_ISREG(status.st_mode))
        return copyFile(status, from, to, exists);
    if (S_ISLNK(status.st_mode))
        return copyLink(status, from, to, exists);
    return run_.fail(from.path, "it is a device, FIFO or socket, which is never copied");
}

bool TreeCopier::copyFile(const struct stat& status, const Place& from, const Place& to, bool replace)
{
    // O_NONBLOCK: should a FIFO have taken the file's place, opening it cannot hang.
    FileDescriptor in(openat(from.dir, from.name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!in)
        return run_.fail(from.path, errno);
    struct stat opened {};
    if (fstat(in.get(), &opened) != 0)
        return run_.fail(from.path, errno);
    if (!S_ISREG(opened.st_mode) || opened.st_ino != status.st_ino || opened.st_dev != status.st_dev)
        return run_.fail(from.path, "it was replaced while being copied");
    FileDescriptor out;
    const std::string temporary = MakeTemporary([&](const std::string& name) {
        out.reset(openat(to.dir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
        return out ? 0 : errno;
    });
    if (temporary.empty())
        return run_.fail(from.path, WriteFailure(to, errno));
    int error = copyData(in.get(), out.get());
    const timespec times[2] = {status.st_atim, status.st_mtim};
    if (error == 0 && (fchmod(out.get(), status.st_mode & 01777) != 0 || futimens(out.get(), times) != 0))
        error = errno;
    if (close(out.release()) != 0 && error == 0)
        error = errno;
    if (error == 0)
        error = PutInPlace(to.dir, temporary, to.name, replace);
    if (error == 0)
        return true;
    unlinkat(to.dir, temporary.c_str(), 0);
    if (error == ECANCELED)
        return false;
    if (error == -EIO)
        return run_.fail(from.path, EIO);
    return run_.fail(from.path, WriteFailure(to, error));
}

// Gives 0, ECANCELED when the user stopped, -EIO for a failed read, else the write's errno.
int TreeCopier::copyData(int in, int out)
{
    constexpr std::size_t chunk = std::size_t{8} << 20;
    bool ranges = true;
    for (;;) {
        ssize_t done = 0;
        if (ranges) {
            done = copy_file_range(in, nullptr, out, nullptr, chunk, 0);
            // Across filesystems, or where the kernel cannot, the data goes through a buffer.
            if (done < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                ranges = false;
                continue;
            }
            if (done < 0 && errno != EINTR && errno != ENOSPC && errno != EDQUOT && errno != EFBIG)
                return -EIO;
        } else {
            if (buffer_.empty())
                buffer_.resize(std::size_t{1} << 20);
            done = read(in, buffer_.data(), buffer_.size());
            if (done < 0 && errno != EINTR)
                return -EIO;
            if (done > 0 && !WriteAll(out, buffer_.data(), static_cast<std::size_t>(done)))
                return errno == 0 ? EIO : errno;
        }
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (done == 0)
            return 0;
        if (!run_.advance(static_cast<std::uint64_t>(done)))
            return ECANCELED;
    }
}

bool TreeCopier::copyLink(const struct stat& status, const Place& from, const Place& to, bool replace)
{
    std::string text;
    if (!ReadLink(from, static_cast<std::size_t>(status.st_size), text))
        return run_.fail(from.path, errno);
    const std::string temporary = MakeTemporary([&](const std::string& name) {
        return symlinkat(text.c_str(), to.dir, name.c_str()) == 0 ? 0 : errno;
    });
    if (temporary.empty())
        return run_.fail(from.path, WriteFailure(to, errno));
    const timespec times[2] = {status.st_atim, status.st_mtim};
    int error = utimensat(to.dir, temporary.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
    if (error == 0)
        error = PutInPlace(to.dir, temporary, to.name, replace);
    if (error == 0)
        return true;
    unlinkat(to.dir, temporary.c_str(), 0);
    return run_.fail(from.path, WriteFailure(to, error));
}

bool TreeCopier::copyDirectory(const struct stat& status, const Place& from, const Place& to, bool merge)
{
    const auto identity = std::make_pair(status.st_dev, status.st_ino);
    if (std::find(open_.begin(), open_.end(), identity) != open_.end())
        return run_.fail(from.path, "it lies inside itself (a mount loop)");
    FileDescriptor in(openat(from.dir, from.name.c_str(), directoryFlags));
    std::vector<Listed> names;
    if (!in || !ReadNames(in.get(), names))
        return run_.fail(from.path, errno);
    // Made private first so nobody else writes into it before its own mode is given.
    if (!merge && mkdirat(to.dir, to.name.c_str(), 0700) != 0)
        return run_.fail(from.path, WriteFailure(to, errno));
    FileDescriptor out(openat(to.dir, to.name.c_str(), directoryFlags));
    if (!out)
        return run_.fail(from.path, WriteFailure(to, errno));
    open_.push_back(identity);
    bool whole = true;
    for (const auto& [name, notDirectory] : names) {
        if (run_.stopped()) {
            whole = false;
            break;
        }
        // One question covers a merged directory: what lies inside it is replaced.
        whole = copy(from.child(in.get(), name), to.child(out.get(), name), false) && whole;
    }
    open_.pop_back();
    if (merge)
        return whole;
    const timespec times[2] = {status.st_atim, status.st_mtim};
    if (fchmod(out.get(), status.st_mode & 01777) != 0 || futimens(out.get(), times) != 0)
        return run_.fail(from.path, WriteFailure(to, errno));
    return whole;
}

} // namespace platform::fileop
