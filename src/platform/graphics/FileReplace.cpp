#include "platform/graphics/FileReplace.h"

#include "platform/base/Exception.h"
#include "platform/fs/OpenRegularFile.h"
#include "platform/fs/Path.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

[[noreturn]] void Fail(const char* what, const std::string& fileName, int error)
{
    throw Exception(std::string(what) + " file \"" + fileName + "\": " + std::strerror(error));
}

// The file a save really replaces: the target of a link, else the name as given.
std::string ResolvedTarget(const std::string& fileName)
{
    char* resolved = ::realpath(fileName.c_str(), nullptr);
    const std::string target = resolved ? resolved : fileName;
    std::free(resolved);
    return target;
}

// A hidden name in the same directory (a rename cannot cross filesystems) that still shows
// which file it belongs to, kept well inside the 255-byte name limit.
std::string TemporaryBeside(const std::string& target)
{
    std::random_device random;
    const std::uint64_t tag = (std::uint64_t{random()} << 32) ^ random();
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016" PRIx64 ".tmp", tag);
    std::string name(1, '.');
    name.append(FileNameOf(target), 0, 200).append(suffix);
    return JoinPath(DirectoryOf(target), name);
}

void SyncToDisk(const std::string& fileName)
{
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        Fail("Cannot write", fileName, error);
    }
    ::close(fd);
}

} // namespace

FileReplacement::FileReplacement(const std::string& fileName)
    : fileName_(fileName), target_(ResolvedTarget(fileName)), temporary_(TemporaryBeside(target_))
{
    struct stat existing {};
    if (::stat(target_.c_str(), &existing) == 0) {
        // Writing in place would be refused too; a rename must not get round the file's mode,
        // nor put a file where a directory or a pipe was. Asked without opening it, so that
        // nothing watching the file hears of a write that did not happen.
        const auto refuse = [this](int error, const std::string& reason) {
            throw FileOpenError("Cannot write file \"" + fileName_ + "\": " + reason, error);
        };
        if (S_ISDIR(existing.st_mode))
            refuse(EISDIR, "is a directory");
        if (!S_ISREG(existing.st_mode))
            refuse(0, "is not a regular file");
        if (::access(target_.c_str(), W_OK) != 0)
            refuse(errno, std::strerror(errno));
        mode_ = static_cast<int>(existing.st_mode & 07777);
    }
    try {
        stream_ = std::make_unique<FileStream>(temporary_, FileStream::Mode::CreateNew);
    } catch (const FileOpenError& error) {
        // Said of the file asked for: the hidden name means nothing to anyone.
        Fail("Cannot create", fileName_, error.errorNumber());
    }
}

FileReplacement::~FileReplacement()
{
    if (stream_) {
        stream_.reset();
        ::unlink(temporary_.c_str());
    }
}

void FileReplacement::commit()
{
    stream_.reset();
    try {
        SyncToDisk(temporary_);
        if (mode_ >= 0)
            ::chmod(temporary_.c_str(), static_cast<mode_t>(mode_));
        if (::rename(temporary_.c_str(), target_.c_str()) != 0)
            Fail("Cannot replace", fileName_, errno);
    } catch (...) {
        ::unlink(temporary_.c_str());
        throw;
    }
}

void ReplaceFile(const std::string& fileName, const std::function<void(Stream&)>& write)
{
    FileReplacement replacement(fileName);
    write(replacement.stream());
    replacement.commit();
}

} // namespace platform
