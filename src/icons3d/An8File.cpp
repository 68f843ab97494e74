#include "icons3d/An8File.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

An8File::An8File(const std::string& path)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    fd_ = fd;
    buffer_.resize(kBufferSize);
}

An8File::An8File(InMemory, std::string_view bytes) : memory_(true), pos_(bytes.data()), end_(bytes.data() + bytes.size())
{
}

An8File::~An8File()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void An8File::finish()
{
    ended_ = true;
    pos_ = end_;
}

bool An8File::refill()
{
    if (ended_ || memory_ || fd_ < 0)
        return false;
    for (;;) {
        ssize_t got = ::read(fd_, buffer_.data(), buffer_.size());
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
