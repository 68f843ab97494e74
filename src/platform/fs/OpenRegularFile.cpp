#include "platform/fs/OpenRegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {
namespace {

class Opening {
public:
    Opening(const std::string& fileName, FileAccess access)
        : prefix_((access == FileAccess::Create || access == FileAccess::CreateNew ? "Cannot create file \""
                                                                                     : "Cannot open file \"")
                  + fileName + "\": ")
    {
    }

    [[noreturn]] void failSystem(int error) const { throw FileOpenError(prefix_ + std::strerror(error), error); }

    void requireRegular(const struct stat& st) const
    {
        if (S_ISDIR(st.st_mode))
            throw FileOpenError(prefix_ + "is a directory", EISDIR);
        if (!S_ISREG(st.st_mode))
            throw FileOpenError(prefix_ + "is not a regular file", 0);
    }

private:
    std::string prefix_;
};

} // namespace

FileDescriptor OpenRegularFile(const std::string& fileName, FileAccess access)
{
    const Opening opening(fileName, access);
    const bool create = access == FileAccess::Create || access == FileAccess::Append || access == FileAccess::CreateNew;
    // Looked at before opening: merely opening some devices acts (rewinds a tape, hangs up a line).
    struct stat st {};
    if (::lstat(fileName.c_str(), &st) == 0 && access == FileAccess::CreateNew)
        opening.failSystem(EEXIST);
    if (::stat(fileName.c_str(), &st) == 0)
        opening.requireRegular(st);
    else if (!create || errno != ENOENT)
        opening.failSystem(errno);

    int flags = O_RDONLY;
    switch (access) {
    case FileAccess::Read:
        break;
    case FileAccess::Create:
        flags = O_RDWR | O_CREAT | O_TRUNC;
        break;
    case FileAccess::Write:
        flags = O_RDWR;
        break;
    case FileAccess::Append:
        flags = O_RDWR | O_CREAT | O_APPEND;
        break;
    case FileAccess::CreateNew:
        flags = O_RDWR | O_CREAT | O_EXCL;
        break;
    }
    FileDescriptor fd(::open(fileName.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    if (!fd)
        opening.failSystem(errno);
    // The name may lead elsewhere since the look; what was opened is what counts.
    if (::fstat(fd.get(), &st) != 0)
        opening.failSystem(errno);
    opening.requireRegular(st);
    const int status = ::fcntl(fd.get(), F_GETFL);
    if (status < 0 || ::fcntl(fd.get(), F_SETFL, status & ~O_NONBLOCK) != 0)
        opening.failSystem(errno);
    return fd;
}

} // namespace platform
