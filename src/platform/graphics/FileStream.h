#pragma once

#include "platform/base/FileDescriptor.h"
#include "platform/graphics/Stream.h"

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
    void setPosition(std::int64_t position) override;
    void cut(std::int64_t size) override;

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
