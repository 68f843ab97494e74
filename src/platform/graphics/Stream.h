#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform {

// A seekable byte stream. Short reads are normal at the end and are answered by the count;
// seeking clamps to 0..size and never fails, so a reader that skips past the end of a
// damaged file simply finds nothing more to read.
class Stream {
public:
    virtual ~Stream() = default;

    virtual std::int64_t position() const = 0;
    virtual std::int64_t size() const = 0;
    // Answers the number of bytes read (fewer than `count` only at the end).
    virtual std::size_t read(void* buffer, std::size_t count) = 0;
    // Writes everything or throws platform::Exception.
    virtual void write(const void* buffer, std::size_t count) = 0;
    // Moves to an absolute position, clamped to 0..size (a file open for writing keeps a
    // position past its end: see FileStream).
    virtual void setPosition(std::int64_t position) = 0;
    // Cuts the stream to size bytes (a size beyond the end is the current size); the position
    // stays within it. Throws platform::Exception for a stream that cannot be cut.
    virtual void cut(std::int64_t size);
    // About this many bytes are to be written from the position on: a stream that grows in
    // steps may make room for them at once. Only a hint.
    virtual void reserve(std::int64_t) {}

    // Relative seek, clamped like setPosition.
    void seek(std::int64_t offset);
    // The next byte, or -1 at the end.
    int readByte();
};

// A stream over bytes in memory; writing past the end grows it. It either owns its bytes
// or reads bytes that the caller keeps alive, copying them only when written to.
class MemoryStream final : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> bytes);
    static MemoryStream borrowing(std::span<const std::uint8_t> bytes);
    // Moving keeps the bytes where they are; a copy would read the original's.
    MemoryStream(MemoryStream&&) = default;
    MemoryStream& operator=(MemoryStream&&) = default;
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    std::int64_t position() const override { return static_cast<std::int64_t>(position_); }
    std::int64_t size() const override { return static_cast<std::int64_t>(view_.size()); }
    std::size_t read(void* buffer, std::size_t count) override;
    void write(const void* buffer, std::size_t count) override;
    void setPosition(std::int64_t position) override;
    void cut(std::int64_t size) override;
    void reserve(std::int64_t count) override;

    std::span<const std::uint8_t> bytes() const { return view_; }
    // Hands the bytes over with all their room and leaves the stream empty: a caller that
    // fills stream after stream keeps the room for the next.
    std::vector<std::uint8_t> takeBytes();

private:
    // Copies borrowed bytes into storage of its own before they change.
    void own();
    std::vector<std::uint8_t> owned_;
    std::span<const std::uint8_t> view_;
    std::size_t position_ = 0;
};

} // namespace platform
