#include "webtools/ChatLineCutter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// Hands the bytes over as one receive would, at most as many as fit.
Lines feed(ChatLineCutter& cutter, const std::string& bytes)
{
    const auto count = std::min<std::int32_t>(static_cast<std::int32_t>(bytes.size()), cutter.Room());
    std::memcpy(cutter.Free(), bytes.data(), static_cast<std::size_t>(count));
    return cutter.Take(count);
}

TEST(ChatLineCutter, CutsAtEveryLfAcrossReceivesKeepingCrAndNul)
{
    ChatLineCutter cutter;
    EXPECT_EQ(feed(cutter, "hel"), Lines{});
    EXPECT_EQ(feed(cutter, "lo\r\n"), Lines{"hello\r"});
    EXPECT_EQ(feed(cutter, "a\nb"), Lines{"a"});
    EXPECT_EQ(feed(cutter, "c\n\n"), (Lines{"bc", ""}));
    EXPECT_EQ(feed(cutter, std::string("x\0y\nz", 5)), Lines{std::string("x\0y", 3)});
    EXPECT_EQ(cutter.Held(), 1);
    cutter.Reset();
    EXPECT_EQ(feed(cutter, "fresh\n"), Lines{"fresh"});
}

TEST(ChatLineCutter, AFullLineWithoutItsEndIsGivenOutSoReceivingGoesOn)
{
    ChatLineCutter cutter;
    const std::string flood(5000, 'z');
    Lines lines;
    for (std::size_t offered = 0; offered < flood.size();) {
        ASSERT_GT(cutter.Room(), 0);
        const std::string chunk = flood.substr(offered, static_cast<std::size_t>(cutter.Room()));
        offered += chunk.size();
        for (std::string& line : feed(cutter, chunk))
            lines.push_back(std::move(line));
    }
    EXPECT_EQ(lines, Lines(4, std::string(ChatLineCutter::Capacity, 'z')));
    EXPECT_EQ(feed(cutter, "end\n"), Lines{std::string(5000 - 4 * ChatLineCutter::Capacity, 'z') + "end"});

    // A line end as the last byte that fits still ends the line it belongs to.
    EXPECT_EQ(feed(cutter, std::string(ChatLineCutter::Capacity - 1, 'q') + "\n"),
              Lines{std::string(ChatLineCutter::Capacity - 1, 'q')});
    EXPECT_EQ(cutter.Held(), 0);
    // A count beyond the room takes only what fits.
    std::memset(cutter.Free(), 'w', static_cast<std::size_t>(cutter.Room()));
    EXPECT_EQ(cutter.Take(cutter.Room() + 100), Lines{std::string(ChatLineCutter::Capacity, 'w')});
}

} // namespace
