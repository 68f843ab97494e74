#pragma once

#include "platform/base/Exception.h"
#include "platform/base/FileDescriptor.h"

#include <string>

namespace platform {

// A file that could not be opened; the message names it and says why.
class FileOpenError : public Exception {
public:
    FileOpenError(const std::string& message, int errorNumber) : Exception(message), errorNumber_(errorNumber) {}
    // errno of the call that failed (ENOENT: the file is not there); EISDIR for a
    // directory, 0 for anything else that is no regular file.
    int errorNumber() const { return errorNumber_; }

private:
    int errorNumber_;
};

enum class FileAccess {
    Read,      // an existing file, read-only
    Create,    // read and write, made or emptied
    Write,     // an existing file, read and write, kept as it is
    Append,    // read and write, made when missing, every write at the end
    CreateNew, // read and write, made now: an existing name fails with EEXIST
};

// The one way every reader and writer of a user's file opens it. Symbolic links are
// followed; anything but a regular file (directory, FIFO, socket, device) is refused at
// once, so a named pipe can never block the program and a device never streams forever.
// The descriptor is close-on-exec and blocking. Throws FileOpenError:
//   Cannot open file "<name>": is a directory | is not a regular file | <system reason>
// ("Cannot create file" for FileAccess::Create and CreateNew).
FileDescriptor OpenRegularFile(const std::string& fileName, FileAccess access = FileAccess::Read);

} // namespace platform
