#include "icons3d/An8File.h"

#include <cerrno>
#include <unistd.h>

#include <utility>

An8File::An8File(platform::FileDescriptor file) : fd_(std::move(file))
{
    buffer_.resize(kBufferSize);
}

An8File::An8File(InMemory, std::string_view bytes) : memory_(true), pos_(bytes.data()), end_(bytes.data() + bytes.size())
{
}

void An8File::finish()
{
    ended_ = true;
    pos_ = end_;
}

bool An8File::refill()
{
    if (ended_ || memory_)
        return false;
    for (;;) {
        ssize_t got = ::read(fd_.get(), buffer_.data(), buffer_.size());
        if (got > 0) {
            pos_ = buffer_.data();
            end_ = pos_ + got;
            return true;
        }
        if (got < 0 && errno == EINTR)
            continue;
        readFailed_ = got < 0;
        finish();
        return false;
    }
}
