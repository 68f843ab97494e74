#include "net/FtpListingMemory.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using namespace ftplisting;

namespace {

std::string Written(platform::Stream& stream)
{
    std::string text(static_cast<std::size_t>(stream.size()), '\0');
    stream.setPosition(0);
    stream.read(text.data(), text.size());
    return text;
}

} // namespace

TEST(SpareRoom, KeepsTheLargestRoomWithinTheBoundEmpty)
{
    SpareRoom<int> spare;
    std::vector<int> room = spare.Take();
    room.assign(1000, 7);
    spare.GiveBack(std::move(room));
    EXPECT_EQ(spare.KeptBytes(), 1000 * sizeof(int));
    room = spare.Take();
    EXPECT_TRUE(room.empty()) << "a listing starts with none of the last one's entries";
    EXPECT_EQ(room.capacity(), 1000u);
    EXPECT_EQ(spare.KeptBytes(), 0u) << "taken room is the taker's alone";

    spare.GiveBack(std::move(room));
    std::vector<int> smaller(10);
    spare.GiveBack(std::move(smaller));
    EXPECT_EQ(spare.KeptBytes(), 1000 * sizeof(int)) << "the larger room stays";

    std::vector<int> huge;
    huge.reserve(keptRoomBytes / sizeof(int) + 1);
    spare.GiveBack(std::move(huge));
    EXPECT_EQ(spare.KeptBytes(), 1000 * sizeof(int)) << "room past the bound goes back to the system";
}

TEST(ListingStream, EachStreamHoldsItsOwnBytesOnRoomKeptFromTheLast)
{
    SpareRoom<std::uint8_t> spare;
    const std::string longListing(100000, 'x');
    {
        ListingStream stream(spare);
        stream.write(longListing.data(), longListing.size());
        EXPECT_EQ(Written(stream), longListing);
    }
    EXPECT_GE(spare.KeptBytes(), longListing.size()) << "a freed stream gives its room back";
    {
        ListingStream shorter(spare);
        EXPECT_EQ(shorter.size(), 0);
        EXPECT_EQ(spare.KeptBytes(), 0u);
        shorter.write("ab\r\n", 4);
        EXPECT_EQ(Written(shorter), "ab\r\n") << "nothing of the longer listing before it";

        // A second listing at the same time gets room of its own.
        ListingStream atOnce(spare);
        atOnce.write("cd\r\n", 4);
        EXPECT_EQ(Written(shorter), "ab\r\n");
        EXPECT_EQ(Written(atOnce), "cd\r\n");
    }
    EXPECT_GE(spare.KeptBytes(), longListing.size()) << "the larger of the two rooms is kept";

    auto stream = std::make_unique<ListingStream>(spare);
    stream->write("0123456789", 10);
    stream->setPosition(4);
    stream->cut(6);
    char rest[8] = {};
    EXPECT_EQ(stream->read(rest, sizeof rest), 2u);
    EXPECT_EQ(std::string(rest, 2), "45");
}
