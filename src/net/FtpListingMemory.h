#pragma once

// The memory the server builds its listings in, kept from one listing to the next. Taken
// fresh, the room for a listing of a large directory comes from the system as new pages and
// goes back to it when the listing ends, and each listing pays for faulting every page in
// again. Room grown past keptRoomBytes by a larger listing goes with it: a huge directory
// does not pin its memory for the life of the server.

#include "platform/fs/FindFiles.h"
#include "platform/graphics/Stream.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace ftplisting {

// The most room kept of each kind: the entries of 131,072 names (the next doubling is past
// it) or the Unix lines of 200,000, more than most directories hold. The allocator keeps
// as much by itself once transfers have raised its thresholds.
constexpr std::size_t keptRoomBytes = 16 << 20;

// One spare vector's room: a listing takes it empty and gives it back when done.
template <class T>
class SpareRoom {
public:
    std::vector<T> Take() { return std::exchange(spare_, {}); }
    // Kept while within the bound and larger than the room kept already.
    void GiveBack(std::vector<T> Room)
    {
        if (Room.capacity() * sizeof(T) > keptRoomBytes || Room.capacity() <= spare_.capacity())
            return;
        Room.clear();
        spare_ = std::move(Room);
    }
    std::size_t KeptBytes() const { return spare_.capacity() * sizeof(T); }

private:
    std::vector<T> spare_;
};

// A listing's memory stream on the spare room for listing lines, given back when the transfer
// frees the stream. The spare outlives the stream: the server frees its clients, and with
// them their streams, before its own members.
class ListingStream final : public platform::Stream {
public:
    explicit ListingStream(SpareRoom<std::uint8_t>& Spare) : bytes_(Spare.Take()), spare_(Spare) {}
    ~ListingStream() override { spare_.GiveBack(bytes_.takeBytes()); }
    ListingStream(const ListingStream&) = delete;
    ListingStream& operator=(const ListingStream&) = delete;

    std::int64_t position() const override { return bytes_.position(); }
    std::int64_t size() const override { return bytes_.size(); }
    std::size_t read(void* Buffer, std::size_t Count) override { return bytes_.read(Buffer, Count); }
    void write(const void* Buffer, std::size_t Count) override { bytes_.write(Buffer, Count); }
    void setPosition(std::int64_t Position) override { bytes_.setPosition(Position); }
    void cut(std::int64_t Size) override { bytes_.cut(Size); }
    void reserve(std::int64_t Count) override { bytes_.reserve(Count); }

private:
    platform::MemoryStream bytes_;
    SpareRoom<std::uint8_t>& spare_;
};

} // namespace ftplisting
