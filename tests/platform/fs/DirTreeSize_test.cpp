#include "platform/fs/DirTreeSize.h"

#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>

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

// A filesystem mounted inside the tree is not entered. Mounting needs a private mount
// namespace, so the walk runs in a child process that makes one.
TEST(DirTreeSize, StaysOnTheStartingFilesystem)
{
    testfs::TempTree tree;
    tree.File("m/own", std::string(10, 'o'));
    const std::string mountPoint = tree.Dir("m/mounted");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0
            || mount("none", mountPoint.c_str(), "tmpfs", 0, nullptr) != 0)
            _exit(77);
        tree.File("m/mounted/foreign", std::string(500, 'f'));
        _exit(DirTreeSize(tree.Path("m")) == 10 && DirTreeSize(mountPoint) == 500 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77)
        GTEST_SKIP() << "no private mount namespace here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
