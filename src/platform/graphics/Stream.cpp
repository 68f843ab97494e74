#include "platform/graphics/Stream.h"

#include "platform/base/Exception.h"

#include <algorithm>
#include <cstring>

namespace platform {

void Stream::seek(std::int64_t offset)
{
    setPosition(position() + offset);
}

void Stream::cut(std::int64_t)
{
    throw Exception("This stream cannot be cut to a size");
}

int Stream::readByte()
{
    std::uint8_t byte = 0;
    return read(&byte, 1) == 1 ? byte : -1;
}

MemoryStream::MemoryStream(std::vector<std::uint8_t> bytes) : owned_(std::move(bytes)), view_(owned_) {}

MemoryStream MemoryStream::borrowing(std::span<const std::uint8_t> bytes)
{
    MemoryStream stream;
    stream.view_ = bytes;
    return stream;
}

std::size_t MemoryStream::read(void* buffer, std::size_t count)
{
    const std::size_t n = std::min(count, view_.size() - position_);
    if (n > 0)
        std::memcpy(buffer, view_.data() + position_, n);
    position_ += n;
    return n;
}

void MemoryStream::write(const void* buffer, std::size_t count)
{
    if (count == 0)
        return;
    own();
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    const std::size_t overlap = std::min(count, owned_.size() - position_);
    if (overlap > 0)
        std::memcpy(owned_.data() + position_, bytes, overlap);
    // Appending grows the storage geometrically without zeroing what is written at once.
    owned_.insert(owned_.end(), bytes + overlap, bytes + count);
    view_ = owned_;
    position_ += count;
}

void MemoryStream::reserve(std::int64_t count)
{
    if (count <= 0)
        return;
    own();
    owned_.reserve(position_ + static_cast<std::size_t>(count));
    view_ = owned_;
}

std::vector<std::uint8_t> MemoryStream::takeBytes()
{
    own();
    std::vector<std::uint8_t> bytes = std::move(owned_);
    owned_.clear();
    view_ = owned_;
    position_ = 0;
    return bytes;
}

void MemoryStream::own()
{
    // Borrowed bytes are never written.
    if (view_.data() != owned_.data())
        owned_.assign(view_.begin(), view_.end());
}

void MemoryStream::setPosition(std::int64_t position)
{
    position_ = static_cast<std::size_t>(std::clamp<std::int64_t>(position, 0, size()));
}

void MemoryStream::cut(std::int64_t size)
{
    const auto kept = static_cast<std::size_t>(std::clamp<std::int64_t>(size, 0, this->size()));
    if (view_.data() != owned_.data())
        owned_.assign(view_.begin(), view_.begin() + static_cast<std::ptrdiff_t>(kept));
    owned_.resize(kept);
    view_ = owned_;
    position_ = std::min(position_, kept);
}

} // namespace platform
