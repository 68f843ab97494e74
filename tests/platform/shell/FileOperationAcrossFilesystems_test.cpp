#include "platform/shell/FileOperation.h"

#include "FileOperationTestSupport.h"
#include "support/FileContents.h"
#include "support/PrivateMount.h"
#include "support/RandomBytes.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

using platform::MsgResult;
using platform::OperationDone;
using platform::OperationIncomplete;
using namespace fileoptest;
using testsupport::readFile;

namespace {

TEST(FileOperationAcrossFilesystems, ASourceGoesOnlyOnceItsWholeCopyIsThere)
{
    testfs::TempTree tree;
    tree.Chmod("", 0777);
    const std::string target = tree.Dir("other");
    testfs::TmpfsMount other(target, "mode=0777");
    SKIP_WITHOUT_TMPFS(other);
    tree.File("src/a/x", "x");
    tree.File("src/a/sub/y", std::string(200000, 'y'));
    tree.Link("x", "src/a/link");
    tree.SetMtime("src/a/x", 1000000000);
    tree.File("src/b/readable", "r");
    tree.File("src/b/secret", "s");
    tree.Chmod("src/b/secret", 0);
    for (const char* dir : {"src", "src/a", "src/a/sub", "src/b"})
        tree.Chmod(dir, 0777);
    const Snapshot a = Take(tree.Path("src/a"));
    const Snapshot b = Take(tree.Path("src/b"));
    testsupport::ScriptedMessages boxes;
    boxes.answer(MsgResult::Yes); // go on after the unreadable file
    FakeProgress progress;
    int result = 0;
    {
        testfs::AsNobody nobody;
        result = platform::Move({tree.Path("src/a"), tree.Path("src/b")}, target, progress);
    }
    EXPECT_EQ(result, OperationIncomplete);
    EXPECT_FALSE(Exists(tree.Path("src/a")));
    EXPECT_EQ(Take(target + "/a"), a);
    EXPECT_EQ(Take(tree.Path("src/b")), b) << "the item that could not be copied whole stays whole";
    EXPECT_EQ(readFile(target + "/b/readable"), "r");
    EXPECT_TRUE(AnyTextHas(boxes.texts(), tree.Path("src/b/secret") + "\": Permission denied"));
    EXPECT_EQ(progress.done, 200001u + 1);
}

TEST(FileOperationAcrossFilesystems, AFullDiskLeavesNoPartialFileAndLosesNoBytes)
{
    testfs::TempTree tree;
    const std::string small = tree.Dir("small");
    testfs::TmpfsMount disk(small, "size=1m");
    SKIP_WITHOUT_TMPFS(disk);
    const std::string big = randomBytes(2 << 20, 7);
    tree.File("src/big", big);
    tree.File("small/big", "old bytes");
    testsupport::ScriptedMessages boxes;
    FakeProgress progress;
    boxes.answer(MsgResult::Yes); // replace the old file
    boxes.answer(MsgResult::Yes); // go on after the failure
    EXPECT_EQ(platform::Copy({tree.Path("src/big")}, small, progress), OperationIncomplete);
    EXPECT_TRUE(AnyTextHas(boxes.texts(), "No space left on device"));
    EXPECT_EQ(readFile(small + "/big"), "old bytes");
    EXPECT_EQ(readFile(tree.Path("src/big")), big);
    EXPECT_TRUE(Leftovers(small).empty());

    ASSERT_EQ(unlink((small + "/big").c_str()), 0);
    boxes.answer(MsgResult::Yes);
    EXPECT_EQ(platform::Move({tree.Path("src/big")}, small, progress), OperationIncomplete);
    EXPECT_EQ(readFile(tree.Path("src/big")), big);
    EXPECT_EQ(Take(small).size(), 1u) << "nothing but the mount's root";
}

TEST(FileOperationAcrossFilesystems, APermanentDeleteNeverEntersAnotherFilesystem)
{
    testfs::TempTree tree;
    tree.File("d/own", "own");
    const std::string mountPoint = tree.Dir("d/sub/mounted");
    testfs::TmpfsMount mounted(mountPoint);
    SKIP_WITHOUT_TMPFS(mounted);
    tree.File("d/sub/mounted/foreign", "foreign");
    testsupport::ScriptedMessages boxes;
    boxes.answer(MsgResult::Yes); // delete
    boxes.answer(MsgResult::Yes); // go on after the mount point
    FakeProgress progress;
    EXPECT_EQ(platform::Delete({tree.Path("d")}, false, progress), OperationIncomplete);
    EXPECT_FALSE(Exists(tree.Path("d/own")));
    EXPECT_EQ(readFile(mountPoint + "/foreign"), "foreign");
    EXPECT_TRUE(AnyTextHas(boxes.texts(), mountPoint + "\": another filesystem is mounted there"));
}

} // namespace
