#pragma once

#include "platform/base/FileDescriptor.h"
#include "platform/graphics/Stream.h"

#include <sys/types.h>

#include <string>
#include <vector>

namespace platform {

// A file as a Stream. Reads go through a buffer, since picture decoders read length bytes
// one at a time; writes go straight to the file.
class FileStream final : public Stream {
public:
    // As the FileAccess of the same name: Write keeps an existing file, Append writes at
    // its end, CreateNew makes a file that did not exist.
    enum class Mode { Read, Create, Write, Append, CreateNew };

    // Only a regular file is opened (platform::OpenRegularFile); throws
    // platform::Exception naming the file when it cannot be opened or created.
    FileStream(const std::string& fileName, Mode mode);
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    std::int64_t position() const override { return position_; }
    std::int64_t size() const override;
    std::size_t read(void* buffer, std::size_t count) override;
    void write(const void* buffer, std::size_t count) override;
    // Reading, the position is clamped to 0..size. Writing, a position past the end is kept
    // as asked, and a write there leaves a hole before it, as the system's own write does:
    // moved to the end, it would put the bytes where nobody asked.
    void setPosition(std::int64_t position) override;
    void cut(std::int64_t size) override;

    // Which file is open and how it stands now: two looks that differ saw it written to (or
    // cut) between them, by this program or any other.
    struct State {
        dev_t device = 0;
        ino_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedNs = 0;
        bool sameFile(const State& other) const { return device == other.device && inode == other.inode; }
        bool operator==(const State&) const = default;
    };
    State state() const;
    // The open file, for calls that take a file whole (a socket sending it without a copy).
    int descriptor() const { return fd_.get(); }

private:
    [[noreturn]] void fail(const char* what) const;
    bool fillBuffer();

    std::string fileName_;
    FileDescriptor fd_;
    // Known once for a file opened for reading; -1 when writes may change it.
    std::int64_t readOnlySize_ = -1;
    std::int64_t position_ = 0;
    // The buffer holds the file's bytes from bufferStart_ on.
    std::vector<unsigned char> buffer_;
    std::int64_t bufferStart_ = 0;
    std::size_t bufferLength_ = 0;
};

} // namespace platform
