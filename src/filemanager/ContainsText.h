#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>

// Where the text search reads its bytes: a file, or a scripted stand-in in tests.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // The size claimed before reading; the bytes actually read may be fewer or more.
    virtual std::int64_t size() = 0;
    // Up to `max` bytes into `into`: how many were read, 0 at the end, -1 on a read error.
    virtual std::ptrdiff_t read(char* into, std::size_t max) = 0;
};

// The bytes of an open file descriptor (which stays the caller's).
class DescriptorSource final : public ByteSource {
public:
    explicit DescriptorSource(int fd) : fd_(fd) {}
    std::int64_t size() override;
    std::ptrdiff_t read(char* into, std::size_t max) override;

private:
    int fd_;
};

// Bytes are read in blocks of this size, the last needle.size() - 1 bytes of one block
// carried into the next, so a needle straddling two blocks is found.
inline constexpr std::size_t kTextSearchBlock = 65536;

// Whether the source holds the needle's bytes; with `fold`, ASCII letters match either case.
// A source whose claimed size is 0 or smaller than the needle is never read. `cancelled` is
// asked once per block compared; when it says yes the answer is false. A read error gives
// false. The needle must be shorter than kTextSearchBlock. Throws std::bad_alloc when the
// block cannot be had.
bool containsText(ByteSource& source, std::string_view needle, bool fold, const std::function<bool()>& cancelled);
