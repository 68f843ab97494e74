#include "net/WSockBuf.h"

#include <algorithm>
#include <cstring>

TBuffer::TBuffer(std::int32_t size)
{
    SetBufSize(size);
}

void TBuffer::SetBufSize(std::int32_t size)
{
    if (size <= 0)
        size = DefaultBufSize;
    // A block too small for the bytes already stored would lose them: it grows to hold them.
    size = std::max(size, GetBufUsed() > 0 ? written_ : 0);
    if (size == size_)
        return;
    auto block = std::make_unique<char[]>(static_cast<std::size_t>(size));
    if (GetBufUsed() > 0)
        std::memcpy(block.get(), data_.get(), static_cast<std::size_t>(written_));
    data_ = std::move(block);
    size_ = size;
}

std::int32_t TBuffer::Write(const void* data, std::int32_t length)
{
    const std::int32_t count = std::clamp(length, 0, size_ - written_);
    if (count > 0)
        std::memcpy(data_.get() + written_, data, static_cast<std::size_t>(count));
    written_ += count;
    return count;
}

std::int32_t TBuffer::Read(void* buffer, std::int32_t length)
{
    const std::int32_t count = std::clamp(length, 0, GetBufUsed());
    if (count > 0)
        std::memcpy(buffer, data_.get() + read_, static_cast<std::size_t>(count));
    read_ += count;
    ResetWhenDrained();
    return count;
}

const char* TBuffer::Peek(std::int32_t& length) const
{
    length = GetBufUsed();
    return length > 0 ? data_.get() + read_ : nullptr;
}

std::int32_t TBuffer::Remove(std::int32_t length)
{
    const std::int32_t count = std::clamp(length, 0, GetBufUsed());
    read_ += count;
    ResetWhenDrained();
    return count;
}

void TBuffer::ResetWhenDrained()
{
    if (read_ >= written_)
        read_ = written_ = 0;
}

void TBufferList::PutData(const void* data, std::int32_t length)
{
    if (length <= 0 || !data)
        return;
    const auto* bytes = static_cast<const char*>(data);
    if (chunks_.empty())
        chunks_.emplace_back(chunkSize_);
    for (;;) {
        const std::int32_t stored = chunks_.back().Write(bytes, length);
        bytes += stored;
        length -= stored;
        if (length <= 0)
            return;
        chunks_.emplace_back(chunkSize_);
    }
}

const char* TBufferList::PeekFirst(std::int32_t& length)
{
    length = 0;
    while (!chunks_.empty()) {
        if (const char* data = chunks_.front().Peek(length))
            return data;
        if (chunks_.size() == 1)
            return nullptr; // the last chunk stays, to be filled again
        chunks_.pop_front();
    }
    return nullptr;
}

void TBufferList::RemoveFirst(std::int32_t length)
{
    if (!chunks_.empty())
        chunks_.front().Remove(length);
}

bool TBufferList::IsEmpty() const
{
    return std::all_of(chunks_.begin(), chunks_.end(), [](const TBuffer& chunk) { return chunk.GetBufUsed() == 0; });
}
