#include "filemanager/dir.h"

#include "platform/fs/Attributes.h"
#include "platform/fs/Path.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
constexpr int allAttributes = 0x27;

std::vector<std::string> Names(const Tdir& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : dir.entries)
        names.push_back(entry->name);
    return names;
}

const ff& Entry(const Tdir& dir, const std::string& name)
{
    const auto it = std::find_if(dir.entries.begin(), dir.entries.end(), [&](const auto& e) { return e->name == name; });
    if (it == dir.entries.end())
        throw std::runtime_error("not listed: " + name);
    return **it;
}

class RecordingTitle : public TitleBar {
public:
    std::string Title() const override { return shown.back(); }
    void SetTitle(const std::string& title) override { shown.push_back(title); }
    std::vector<std::string> shown{"Pelvaxon - before"};
};

// Each test reads a tree of its own from inside it.
class TdirRead : public ::testing::Test {
protected:
    void Enter(const std::string& relative) { ASSERT_EQ(chdir(tree.Path(relative).c_str()), 0); }
    std::vector<std::string> Read(const std::string& mask, int attrMask = allAttributes)
    {
        dir.ReadDirectory(mask, attrMask, false);
        dir.SortByName(false);
        return Names(dir);
    }

    testfs::KeepCurrentDir keep;
    testfs::TempTree tree;
    Tdir dir;
};

TEST_F(TdirRead, NamePatternsSelectFilesAndDirectoriesAlike)
{
    tree.Dir("d/docs");
    tree.Dir("d/old.txt");
    tree.File("d/a.txt");
    tree.File("d/B.TXT");
    tree.File("d/README");
    tree.File("d/x");
    Enter("d");
    EXPECT_EQ(Read("*.txt"), (std::vector<std::string>{"old.txt", "a.txt", "B.TXT"}));
    EXPECT_EQ(Read("*.*"), (std::vector<std::string>{"..", "docs", "old.txt", "a.txt", "B.TXT", "README", "x"}));
    EXPECT_EQ(Read("?"), (std::vector<std::string>{"x"}));
    EXPECT_EQ(Read("readme"), (std::vector<std::string>{"README"}));
    EXPECT_TRUE(Read("../*").empty());
    EXPECT_EQ(dir.maxSize, 0);
    EXPECT_EQ(dir.path, tree.Path("d"));
}

TEST_F(TdirRead, AttributeMaskHidesOnlyEntriesWhoseBitsAreAllUnchecked)
{
    tree.Dir("d/plain-dir");
    tree.File("d/.x");
    tree.Chmod("d/.x", 0444);
    tree.File("d/.y");
    tree.File("d/plain");
    tree.File("d/locked");
    tree.Chmod("d/locked", 0400);
    tree.Fifo("d/pipe");
    Enter("d");
    EXPECT_EQ(Read("*.*", 0x25), (std::vector<std::string>{"..", "plain-dir", ".x", "locked", "pipe", "plain"}));
    EXPECT_EQ(Read("*.*", 0), (std::vector<std::string>{"..", "plain-dir", "plain"}));
    EXPECT_EQ(Read("*.*"), (std::vector<std::string>{"..", "plain-dir", ".x", ".y", "locked", "pipe", "plain"}));
    EXPECT_EQ(Entry(dir, "pipe").attrib, platform::attrSystem);
    EXPECT_EQ(Entry(dir, ".x").attrib, platform::attrHidden | platform::attrReadOnly);
    EXPECT_EQ(Entry(dir, ".x").lext, ".x");
}

TEST_F(TdirRead, HugeSparseFilesHavePositiveSizesAndSortRight)
{
    tree.File("small", "12");
    tree.Sparse("three-gib", 3LL << 30);
    tree.Sparse("two-tib", 2LL << 40);
    Enter("");
    dir.ReadDirectory("*.*", allAttributes, false);
    dir.SortBySize(false);
    EXPECT_EQ(Names(dir), (std::vector<std::string>{"..", "small", "three-gib", "two-tib"}));
    EXPECT_EQ(Entry(dir, "three-gib").size, 3LL << 30);
    EXPECT_EQ(Entry(dir, "two-tib").fsize, 2LL << 40);
    EXPECT_EQ(dir.maxSize, 2LL << 40);
}

TEST_F(TdirRead, NamesThatAreNotUtf8ListSortAndCanBeActedOn)
{
    const std::string odd = "\xff\xfe" "ABC.TXT";
    tree.File(odd, "abc");
    tree.File("b.txt");
    tree.File("\xc3\x84rger.txt"); // Ärger
    Enter("");
    EXPECT_EQ(Read("*.txt"), (std::vector<std::string>{"b.txt", "\xc3\x84rger.txt", odd}));
    EXPECT_EQ(Entry(dir, odd).lname, "\xff\xfe" "abc.txt");
    EXPECT_EQ(Entry(dir, "\xc3\x84rger.txt").lname, "\xc3\xa4rger.txt");
    EXPECT_EQ(Entry(dir, odd).size, 3);
    EXPECT_EQ(unlink(platform::JoinPath(dir.path, odd).c_str()), 0);
}

TEST_F(TdirRead, ReReadingKeepsTheCursorOnTheSameNameAndDropsMarks)
{
    tree.File("d/a");
    tree.File("d/b");
    tree.File("d/c");
    tree.Dir("e");
    Enter("d");
    Read("*.*");
    const auto at = [&](const std::string& name) -> ff& {
        return const_cast<ff&>(Entry(dir, name));
    };
    at("b").current = true;
    at("a").selected = true;
    tree.File("d/0-new");
    Read("*.*");
    EXPECT_TRUE(Entry(dir, "b").current);
    EXPECT_EQ(std::count_if(dir.entries.begin(), dir.entries.end(), [](const auto& e) { return e->current; }), 1);
    EXPECT_TRUE(std::none_of(dir.entries.begin(), dir.entries.end(), [](const auto& e) { return e->selected; }));

    unlink(tree.Path("d/b").c_str());
    Read("*.*");
    EXPECT_TRUE(std::none_of(dir.entries.begin(), dir.entries.end(), [](const auto& e) { return e->current; }));

    at("c").current = true;
    Enter("e");
    Read("*.*");
    EXPECT_TRUE(std::none_of(dir.entries.begin(), dir.entries.end(), [](const auto& e) { return e->current; }));
}

TEST_F(TdirRead, TheRootHasNoParentEntry)
{
    ASSERT_EQ(chdir("/"), 0);
    const auto names = Read("*.*");
    EXPECT_EQ(dir.path, "/");
    EXPECT_EQ(std::count(names.begin(), names.end(), ".."), 0);
}

TEST_F(TdirRead, DirectorySizesTotalEachTreeAndLeaveTheCurrentDirectory)
{
    tree.Chmod("", 0755);
    tree.File("d/sub/one", std::string(100, '1'));
    tree.File("d/sub/.dot", std::string(10, '.'));
    tree.File("d/sub/deeper/.two", std::string(5, '2'));
    tree.Link("..", "d/sub/loop");
    tree.File("d/closed/secret", std::string(40, 's'));
    tree.Chmod("d/closed", 0);
    tree.File("d/file", std::string(3, 'f'));
    tree.Dir("d/empty");
    Enter("d");
    RecordingTitle title;
    dir.titleBar = &title;
    {
        testfs::AsNobody nobody;
        dir.ReadDirectory("*.*", allAttributes, true);
    }
    EXPECT_EQ(Entry(dir, "sub").size, 115);
    EXPECT_EQ(Entry(dir, "sub").fsize, 0);
    EXPECT_EQ(Entry(dir, "closed").size, 0);
    EXPECT_EQ(Entry(dir, "empty").size, 0);
    EXPECT_EQ(Entry(dir, "..").size, 0);
    EXPECT_EQ(Entry(dir, "file").size, 3);
    EXPECT_EQ(dir.maxSize, 115);
    EXPECT_EQ(testfs::CurrentDirectory(), tree.Path("d"));
    EXPECT_NE(std::find(title.shown.begin(), title.shown.end(), "getting directory size"), title.shown.end());
    EXPECT_EQ(title.shown.back(), "Pelvaxon");
}
} // namespace
