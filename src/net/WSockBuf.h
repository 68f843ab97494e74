#pragma once

#include <cstdint>
#include <deque>
#include <memory>

// One fixed-size chunk of a socket's send queue, and the queue itself.

constexpr std::int32_t DefaultBufSize = 1514;

class TBuffer {
public:
    explicit TBuffer(std::int32_t size);

    // A size of 0 or less means DefaultBufSize; unread bytes are kept (the block never
    // shrinks below them).
    void SetBufSize(std::int32_t size);
    std::int32_t BufSize() const { return size_; }

    // Stores as many bytes as fit after those already stored; returns their number.
    std::int32_t Write(const void* data, std::int32_t length);
    // Takes up to length unread bytes; returns their number.
    std::int32_t Read(void* buffer, std::int32_t length);
    // The unread bytes and their number in length (nullptr and 0 when empty).
    const char* Peek(std::int32_t& length) const;
    // Drops up to length unread bytes from the front; returns their number.
    std::int32_t Remove(std::int32_t length);
    std::int32_t GetBufUsed() const { return written_ - read_; }

private:
    // Once everything stored was taken, the chunk is filled from its start again.
    void ResetWhenDrained();

    std::unique_ptr<char[]> data_;
    std::int32_t size_ = 0;
    std::int32_t written_ = 0;
    std::int32_t read_ = 0;
};

// The send queue: data goes into the last chunk and into new ones as each fills; the sender
// takes from the first.
class TBufferList {
public:
    explicit TBufferList(std::int32_t chunkSize) : chunkSize_(chunkSize) {}

    // Nothing for a length of 0 or less or no data.
    void PutData(const void* data, std::int32_t length);
    // The unread bytes of the first chunk that holds any, freeing empty chunks before it;
    // nullptr and 0 when the queue holds nothing to send.
    const char* PeekFirst(std::int32_t& length);
    // Drops bytes that were sent from the first chunk.
    void RemoveFirst(std::int32_t length);
    bool IsEmpty() const;
    std::size_t ChunkCount() const { return chunks_.size(); }
    const TBuffer& Chunk(std::size_t index) const { return chunks_[index]; }
    void Clear() { chunks_.clear(); }

private:
    std::int32_t chunkSize_;
    std::deque<TBuffer> chunks_;
};
