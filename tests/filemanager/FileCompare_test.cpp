#include "filemanager/FileCompare.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Texts = std::vector<std::string>;

class CompareFilesTest : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::string& content) { return tree.File(name, content); }
    static std::string Bytes(std::size_t size)
    {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>(i * 7 + i / 251);
        return bytes;
    }
    static std::string Flipped(std::string bytes, std::size_t at)
    {
        bytes[at] = static_cast<char>(bytes[at] ^ 0x5a);
        return bytes;
    }

    testfs::TempTree tree;
    testsupport::ScriptedMessages boxes;
};

TEST_F(CompareFilesTest, SameBytesUpToTheShorterFileAreIdentical)
{
    const std::string data = Bytes(3000);
    const std::string same = Write("same", data);
    EXPECT_EQ(CompareFiles(Write("a", data), same), CompareResult::Identical);
    EXPECT_EQ(CompareFiles(Write("prefix", data.substr(0, 700)), same), CompareResult::Identical);
    EXPECT_EQ(CompareFiles(same, Write("prefix2", data.substr(0, 1024))), CompareResult::Identical);
    EXPECT_EQ(CompareFiles(Write("empty", ""), same), CompareResult::Identical);
    EXPECT_EQ(CompareFiles(same, tree.Path("empty")), CompareResult::Identical);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(CompareFilesTest, ADifferenceAnywhereIsFoundAlsoThroughShortReads)
{
    const std::string data = Bytes(2000);
    const std::string original = Write("original", data);
    for (std::size_t at : {0u, 511u, 512u, 513u, 1999u}) {
        const std::string changed = Write("changed" + std::to_string(at), Flipped(data, at));
        EXPECT_EQ(CompareFiles(original, changed), CompareResult::Different) << at;
        // A longer file differing inside the shorter one's length is still different.
        EXPECT_EQ(CompareFiles(changed, Write("longer" + std::to_string(at), data + "tail")), CompareResult::Different)
            << at;
    }
    const std::string kilo = Bytes(1024);
    EXPECT_EQ(CompareFiles(Write("k1", kilo), Write("k2", Flipped(kilo, 1023))), CompareResult::Different);
    // Past the first large block, in the last partial one.
    const std::string big = Bytes((1u << 20) + 4097);
    EXPECT_EQ(CompareFiles(Write("big1", big), Write("big2", Flipped(big, big.size() - 3))), CompareResult::Different);
    EXPECT_EQ(CompareFiles(tree.Path("big1"), Write("big3", big)), CompareResult::Identical);

    // Short reads give the same verdicts.
    const std::string odd = Bytes(5000);
    const auto trickle = [](int fd, char* buffer, std::size_t size) {
        return ::read(fd, buffer, std::min<std::size_t>(size, 37));
    };
    EXPECT_EQ(CompareFiles(Write("t1", odd), Write("t2", odd), trickle), CompareResult::Identical);
    EXPECT_EQ(CompareFiles(tree.Path("t1"), Write("t3", Flipped(odd, 4321)), trickle), CompareResult::Different);
}

TEST_F(CompareFilesTest, WhatCannotBeOpenedOrReadGivesNoVerdict)
{
    const std::string file = Write("file", "abc");
    EXPECT_EQ(CompareFiles(tree.Path("missing"), file), CompareResult::Failed);
    EXPECT_EQ(CompareFiles(file, tree.Path("missing")), CompareResult::Failed);
    EXPECT_EQ(CompareFiles(file, tree.Dir("dir")), CompareResult::Failed);
    EXPECT_EQ(CompareFiles(tree.Fifo("fifo"), file), CompareResult::Failed);
    EXPECT_EQ(boxes.texts(), (Texts{"can't open: " + tree.Path("missing"), "can't open: " + tree.Path("missing"),
                                    "can't open: " + tree.Path("dir"), "can't open: " + tree.Path("fifo")}));
    boxes.clear();

    // A damaged file must not pass for the end of the file and compare as identical.
    int firstFd = -1;
    const auto failsOnSecondFile = [&firstFd](int fd, char* buffer, std::size_t size) -> ssize_t {
        if (firstFd < 0)
            firstFd = fd;
        if (fd != firstFd) {
            errno = EIO;
            return -1;
        }
        return ::read(fd, buffer, size);
    };
    const std::string other = Write("other", "abc");
    EXPECT_EQ(CompareFiles(file, other, failsOnSecondFile), CompareResult::Failed);
    EXPECT_EQ(boxes.texts(), (Texts{"can't read: " + other}));
}

} // namespace
