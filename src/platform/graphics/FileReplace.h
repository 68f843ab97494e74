#pragma once

#include "platform/graphics/FileStream.h"

#include <functional>
#include <memory>
#include <string>

namespace platform {

// A file written anew without ever being seen half-written: what goes to stream() fills a
// hidden file beside it, which takes the file's name (and mode) on commit(). Until then,
// and when anything fails, the old file stays as it was (a reader that has it open keeps
// reading it whole), and the new one goes with this object unless committed. A name that is
// a symbolic link replaces the file it points to. A file that could not be written in place
// (no regular file, no permission) is refused at once. Throws platform::Exception naming
// the file.
class FileReplacement {
public:
    explicit FileReplacement(const std::string& fileName);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    FileStream& stream() { return *stream_; }
    // Gives the new file the name, synced to disk first: a crash leaves the old file or the
    // new one whole.
    void commit();

private:
    std::string fileName_;
    std::string target_;
    std::string temporary_;
    // The mode of the file replaced, -1 when there was none.
    int mode_ = -1;
    std::unique_ptr<FileStream> stream_;
};

// Saves a file through a FileReplacement synced to disk; errors of `write` pass on unchanged.
void ReplaceFile(const std::string& fileName, const std::function<void(Stream&)>& write);

} // namespace platform
