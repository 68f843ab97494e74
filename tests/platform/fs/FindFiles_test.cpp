#include "platform/fs/FindFiles.h"

#include "platform/base/Exception.h"
#include "platform/fs/Attributes.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

using namespace platform;

namespace {
const FoundFile& Named(const std::vector<FoundFile>& found, const std::string& name)
{
    const auto it = std::find_if(found.begin(), found.end(), [&](const FoundFile& f) { return f.name == name; });
    if (it == found.end())
        throw std::runtime_error("not listed: " + name);
    return *it;
}

std::vector<std::string> Names(const std::vector<FoundFile>& found)
{
    std::vector<std::string> names;
    for (const FoundFile& f : found)
        names.push_back(f.name);
    return names;
}
} // namespace

TEST(ListDir, MapsKindsToAttributesAndFollowsLinks)
{
    testfs::TempTree tree;
    tree.Dir("d/sub");
    tree.File("d/plain.txt", "12345");
    tree.File("d/.hidden", "x");
    tree.File("d/locked", "abc");
    tree.Chmod("d/locked", 0444);
    tree.Fifo("d/pipe");
    tree.Link("plain.txt", "d/tofile");
    tree.Link("sub", "d/todir");
    tree.Link("nowhere", "d/dangling");
    tree.SetMtime("d/plain.txt", 1700000000);

    const auto found = ListDir(tree.Path("d"), "*.*");
    EXPECT_EQ(Names(found), (std::vector<std::string>{"..", ".hidden", "dangling", "locked", "pipe", "plain.txt",
                                                      "sub", "todir", "tofile"}));
    EXPECT_EQ(Named(found, "plain.txt").attributes, 0u);
    EXPECT_EQ(Named(found, "plain.txt").size, 5);
    EXPECT_EQ(Named(found, "plain.txt").mtime, 1700000000);
    EXPECT_EQ(Named(found, ".hidden").attributes, attrHidden);
    EXPECT_EQ(Named(found, "locked").attributes, attrReadOnly);
    EXPECT_EQ(Named(found, "pipe").attributes, attrSystem);
    EXPECT_EQ(Named(found, "sub").attributes, attrDirectory);
    EXPECT_EQ(Named(found, "sub").size, 0);
    EXPECT_EQ(Named(found, "..").attributes, attrDirectory);
    EXPECT_EQ(Named(found, "todir").attributes, attrDirectory);
    EXPECT_TRUE(Named(found, "todir").isSymlink);
    EXPECT_EQ(Named(found, "tofile").size, 5);
    EXPECT_EQ(Named(found, "dangling").size, 0);
    EXPECT_EQ(Named(found, "dangling").attributes & attrDirectory, 0u);
    EXPECT_EQ(Named(found, "plain.txt").btime, 0) << "only when asked for";

    // The birth time where the file system keeps one (through a link too), else the mtime.
    struct statx born {};
    ASSERT_EQ(statx(AT_FDCWD, tree.Path("d/plain.txt").c_str(), 0, STATX_BTIME, &born), 0);
    const std::int64_t expected = (born.stx_mask & STATX_BTIME) ? born.stx_btime.tv_sec : 1700000000;
    const auto withBirth = ListDir(tree.Path("d"), "*.*", {.birthTime = true});
    EXPECT_EQ(Named(withBirth, "plain.txt").btime, expected);
    EXPECT_EQ(Named(withBirth, "tofile").btime, expected);
    EXPECT_EQ(Named(withBirth, "tofile").mtime, 1700000000);
    EXPECT_EQ(Named(withBirth, "locked").attributes, attrReadOnly);
}

TEST(ListDir, TheKindAloneIsEnoughForATreeWalk)
{
    testfs::TempTree tree;
    tree.Dir("d/sub");
    tree.File("d/plain.txt", "12345");
    tree.Fifo("d/pipe");
    tree.Link("sub", "d/todir");
    tree.Link("pipe", "d/topipe");
    tree.Link("nowhere", "d/dangling");
    tree.File("d/.profile", "x");
    tree.Dir("d/.cache");
    const auto found = ListDir(tree.Path("d"), "*.*", {.kindOnly = true});
    EXPECT_EQ(Names(found), (std::vector<std::string>{"..", ".cache", ".profile", "dangling", "pipe", "plain.txt",
                                                      "sub", "todir", "topipe"}));
    EXPECT_EQ(Named(found, ".profile").attributes, attrHidden);
    EXPECT_EQ(Named(found, ".cache").attributes, attrHidden | attrDirectory);
    EXPECT_EQ(Named(found, "plain.txt").attributes, 0u);
    EXPECT_EQ(Named(found, "pipe").attributes, attrSystem);
    EXPECT_EQ(Named(found, "sub").attributes, attrDirectory);
    EXPECT_EQ(Named(found, "..").attributes & attrDirectory, attrDirectory);
    for (const char* link : {"todir", "topipe", "dangling"})
        EXPECT_TRUE(Named(found, link).isSymlink) << link;
    EXPECT_EQ(Named(found, "todir").attributes, attrDirectory);
    EXPECT_EQ(Named(found, "topipe").attributes, attrSystem);
    EXPECT_EQ(Named(found, "dangling").attributes, 0u);
}

TEST(ListDir, FiltersByPatternAndNeverReachesAnotherDirectory)
{
    testfs::TempTree tree;
    tree.Dir("d/docs");
    tree.File("d/a.txt");
    tree.File("d/B.TXT");
    tree.File("d/c.md");
    tree.File("outside.txt");
    EXPECT_EQ(Names(ListDir(tree.Path("d"), "*.txt")), (std::vector<std::string>{"B.TXT", "a.txt"}));
    EXPECT_TRUE(ListDir(tree.Path("d"), "../*.txt").empty());
    EXPECT_TRUE(ListDir(tree.Path("d"), "nothing*").empty());
    // Listed into room that holds an earlier listing, only the new entries are there.
    std::vector<FoundFile> room = ListDir(tree.Path("d"), "*.*");
    ListDir(tree.Path("d"), "*.md", {}, room);
    EXPECT_EQ(Names(room), (std::vector<std::string>{"c.md"}));
    EXPECT_THROW(ListDir(tree.Path("gone"), "*.*", {}, room), Exception);
    EXPECT_TRUE(room.empty()) << "a directory that cannot be read leaves none of the last listing";
}

TEST(ListDir, NamesComeSortedByTheirBytesWhateverOrderTheyWereMadeIn)
{
    testfs::TempTree tree;
    std::vector<std::string> names{"a", "ab", "abcdefghij", "abcdefghijk", "abcdefghi", "b\xff", "b\x80x", "B"};
    for (int i = 0; i < 300; ++i)
        names.push_back("shared-long-prefix-" + std::to_string((i * 7919) % 1000));
    for (const std::string& name : names)
        tree.File("d/" + name, "");
    std::sort(names.begin(), names.end());
    names.insert(names.begin(), "..");
    EXPECT_EQ(Names(ListDir(tree.Path("d"), "*.*")), names);

    testfs::TempTree alike;
    std::vector<std::string> prefixed;
    for (int i = 300; i > 0; --i)
        prefixed.push_back("run" + std::to_string(i) + (i % 3 ? ".txt" : ""));
    for (const std::string& name : prefixed)
        alike.File("d/" + name, "");
    std::sort(prefixed.begin(), prefixed.end());
    EXPECT_EQ(Names(ListDir(alike.Path("d"), "run*")), prefixed) << "names that share a prefix, \"..\" left out";
}

TEST(ListDir, AMissingDirectoryIsAnErrorNamingIt)
{
    testfs::TempTree tree;
    try {
        ListDir(tree.Path("gone"), "*.*");
        FAIL() << "no error";
    } catch (const Exception& error) {
        EXPECT_NE(std::string(error.what()).find(tree.Path("gone")), std::string::npos) << error.what();
    }
}
