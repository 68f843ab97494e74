#pragma once

#include "platform/base/FileDescriptor.h"

#include <cstddef>
#include <string>
#include <string_view>

// The bytes of an .an8 file as the modeller's text mode delivers them: CR LF arrives as
// LF (also when the pair straddles two buffer fills), a lone CR passes through and a
// Ctrl-Z byte ends the data.
class An8File {
public:
    // Reads an open file (platform::OpenRegularFile, so a FIFO or a directory under an
    // icon's name can neither block a paint nor read as an empty model).
    explicit An8File(platform::FileDescriptor file);
    // Reads bytes already in memory (tests, fuzzing); they must outlive the reader.
    struct InMemory {};
    An8File(InMemory, std::string_view bytes);
    An8File(const An8File&) = delete;
    An8File& operator=(const An8File&) = delete;

    // True when a read failed: the data ended early and must not count as complete.
    bool readFailed() const { return readFailed_; }

    // The next byte, or -1 at the end of the data.
    int An8GetChar()
    {
        if (pos_ == end_ && !refill())
            return -1;
        unsigned char c = static_cast<unsigned char>(*pos_++);
        if (c == 0x1A) {
            finish();
            return -1;
        }
        if (c == '\r' && (pos_ != end_ || refill()) && *pos_ == '\n') {
            ++pos_;
            return '\n';
        }
        return c;
    }

private:
    bool refill();
    void finish();

    static constexpr std::size_t kBufferSize = 65536;
    platform::FileDescriptor fd_;
    bool memory_ = false;
    bool ended_ = false;
    bool readFailed_ = false;
    const char* pos_ = nullptr;
    const char* end_ = nullptr;
    std::string buffer_;
};
