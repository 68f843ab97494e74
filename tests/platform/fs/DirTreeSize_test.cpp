#include "platform/fs/DirTreeSize.h"

#include "support/PrivateMount.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

using platform::DirTreeSize;

TEST(DirTreeSize, CountsEveryFileBelowOnceAndFollowsNoLink)
{
    testfs::TempTree tree;
    testfs::KeepCurrentDir keep;
    tree.File("top/a", std::string(100, 'a'));
    tree.Dir("top/.dot/deeper");
    tree.File("top/.dot/b", std::string(20, 'b'));
    tree.File("top/.dot/deeper/.c", std::string(3, 'c'));
    tree.File("elsewhere", std::string(1000, 'e'));
    tree.Link("..", "top/.dot/loop");               // a loop back up
    tree.Link(tree.Path("elsewhere"), "top/away");  // a file outside
    tree.Link(tree.Root(), "top/.dot/deeper/up");   // a directory outside
    ASSERT_EQ(chdir(tree.Path("top/.dot").c_str()), 0);

    EXPECT_EQ(DirTreeSize(tree.Path("top")), 123);
    EXPECT_EQ(testfs::CurrentDirectory(), tree.Path("top/.dot"));
    EXPECT_EQ(DirTreeSize(tree.Path("top/.dot/loop")), 0) << "the start is not followed either";
    EXPECT_EQ(DirTreeSize(tree.Path("missing")), 0);
}

TEST(DirTreeSize, AnUnreadableDirectoryCountsZero)
{
    testfs::TempTree tree;
    tree.Chmod("", 0755);
    tree.File("t/visible", std::string(7, 'v'));
    tree.Dir("t/closed");
    tree.File("t/closed/secret", std::string(50, 's'));
    tree.Chmod("t/closed", 0);
    {
        testfs::AsNobody nobody;
        EXPECT_EQ(DirTreeSize(tree.Path("t")), 7);
    }
    tree.Chmod("t/closed", 0755);
}

// A filesystem mounted inside the tree is not entered.
TEST(DirTreeSize, StaysOnTheStartingFilesystem)
{
    testfs::TempTree tree;
    tree.File("m/own", std::string(10, 'o'));
    const std::string mountPoint = tree.Dir("m/mounted");
    testfs::TmpfsMount mounted(mountPoint);
    SKIP_WITHOUT_TMPFS(mounted);
    tree.File("m/mounted/foreign", std::string(500, 'f'));
    EXPECT_EQ(DirTreeSize(tree.Path("m")), 10);
    EXPECT_EQ(DirTreeSize(mountPoint), 500);
}
