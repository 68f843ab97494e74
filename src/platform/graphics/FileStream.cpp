#include "platform/graphics/FileStream.h"

#include "platform/base/Exception.h"
#include "platform/fs/OpenRegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;

FileAccess AccessFor(FileStream::Mode mode)
{
    switch (mode) {
    case FileStream::Mode::Read:
        return FileAccess::Read;
    case FileStream::Mode::Write:
        return FileAccess::Write;
    case FileStream::Mode::Append:
        return FileAccess::Append;
    case FileStream::Mode::CreateNew:
        return FileAccess::CreateNew;
    case FileStream::Mode::Create:
        break;
    }
    return FileAccess::Create;
}
} // namespace

FileStream::FileStream(const std::string& fileName, Mode mode)
    : fileName_(fileName), fd_(OpenRegularFile(fileName, AccessFor(mode)))
{
    if (mode == Mode::Read)
        readOnlySize_ = size();
}

void FileStream::fail(const char* what) const
{
    throw Exception(std::string(what) + " file \"" + fileName_ + "\": " + std::strerror(errno));
}

std::int64_t FileStream::size() const
{
    if (readOnlySize_ >= 0)
        return readOnlySize_;
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0)
        fail("Cannot examine");
    return st.st_size;
}

bool FileStream::fillBuffer()
{
    buffer_.resize(kBufferSize);
    bufferStart_ = position_;
    bufferLength_ = 0;
    for (;;) {
        const ssize_t n = ::pread(fd_.get(), buffer_.data(), buffer_.size(), position_);
        if (n >= 0) {
            bufferLength_ = static_cast<std::size_t>(n);
            return n > 0;
        }
        if (errno != EINTR)
            fail("Cannot read");
    }
}

std::size_t FileStream::read(void* buffer, std::size_t count)
{
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const std::int64_t offset = position_ - bufferStart_;
        if (offset < 0 || offset >= static_cast<std::int64_t>(bufferLength_)) {
            if (!fillBuffer())
                break;
            continue;
        }
        const std::size_t n = std::min(count - done, bufferLength_ - static_cast<std::size_t>(offset));
        std::memcpy(out + done, buffer_.data() + offset, n);
        done += n;
        position_ += static_cast<std::int64_t>(n);
    }
    return done;
}

void FileStream::write(const void* buffer, std::size_t count)
{
    bufferLength_ = 0; // what was buffered may be overwritten now
    const auto* in = static_cast<const unsigned char*>(buffer);
    while (count > 0) {
        const ssize_t n = ::pwrite(fd_.get(), in, count, position_);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            fail("Cannot write");
        }
        in += n;
        count -= static_cast<std::size_t>(n);
        position_ += n;
    }
}

void FileStream::setPosition(std::int64_t position)
{
    const bool reading = readOnlySize_ >= 0;
    position_ = reading ? std::clamp<std::int64_t>(position, 0, size()) : std::max<std::int64_t>(position, 0);
}

FileStream::State FileStream::state() const
{
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0)
        fail("Cannot examine");
    return {st.st_dev, st.st_ino, st.st_size, std::int64_t{st.st_mtim.tv_sec} * 1'000'000'000 + st.st_mtim.tv_nsec};
}

void FileStream::cut(std::int64_t size)
{
    const std::int64_t kept = std::clamp<std::int64_t>(size, 0, this->size());
    if (::ftruncate(fd_.get(), kept) != 0)
        fail("Cannot cut");
    bufferLength_ = 0;
    position_ = std::min(position_, kept);
}

} // namespace platform
