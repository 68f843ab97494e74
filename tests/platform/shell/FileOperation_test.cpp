#include "platform/shell/FileOperation.h"

#include "FileOperationTestSupport.h"
#include "support/Deadline.h"
#include "support/FileContents.h"
#include "support/ProgramRun.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <chrono>

using platform::MsgResult;
using platform::OperationCancelled;
using platform::OperationDone;
using namespace fileoptest;
using testsupport::readFile;

namespace {

TEST(FileOperation, NothingIsCopiedOrMovedOntoItself)
{
    testfs::TempTree tree;
    tree.File("a/f", "precious");
    tree.Link(tree.Path("a"), "alias");
    const Snapshot before = Take(tree.Root());
    testsupport::ScriptedMessages boxes;
    FakeProgress progress;
    // Both panels on one directory, and a target reached through a link to it.
    EXPECT_NE(platform::Copy({tree.Path("a/f")}, tree.Path("a"), progress), OperationDone);
    EXPECT_NE(platform::Move({tree.Path("a/f")}, tree.Path("a"), progress), OperationDone);
    EXPECT_NE(platform::Copy({tree.Path("a/f")}, tree.Path("alias"), progress), OperationDone);
    EXPECT_EQ(Take(tree.Root()), before);
    EXPECT_TRUE(AnyTextHas(boxes.texts(), "is the same file"));
    EXPECT_TRUE(progress.items.empty()) << "refused before anything was touched";

    // A hard link of the source in the target is the same file too, even when the user
    // would have agreed to replace it.
    ASSERT_EQ(link(tree.Path("a/f").c_str(), tree.Path("b/f").c_str()), 0);
    boxes.answer(MsgResult::Yes);
    EXPECT_NE(platform::Copy({tree.Path("a/f")}, tree.Path("b"), progress), OperationDone);
    EXPECT_NE(platform::Move({tree.Path("a/f")}, tree.Path("b"), progress), OperationDone);
    EXPECT_EQ(readFile(tree.Path("a/f")), "precious");
    EXPECT_EQ(readFile(tree.Path("b/f")), "precious");
}

TEST(FileOperation, ADirectoryNeverGoesIntoItsOwnSubtree)
{
    testfs::TempTree tree;
    tree.File("d/sub/x", "x");
    tree.Link(tree.Path("d/sub"), "to-sub");
    const Snapshot before = Take(tree.Root());
    testsupport::ScriptedMessages boxes;
    FakeProgress progress;
    for (const char* target : {"d/sub", "to-sub", "d", "d/sub/new"}) {
        EXPECT_NE(platform::Copy({tree.Path("d")}, tree.Path(target), progress), OperationDone) << target;
        EXPECT_NE(platform::Move({tree.Path("d")}, tree.Path(target), progress), OperationDone) << target;
    }
    EXPECT_EQ(Take(tree.Root()), before);
    EXPECT_TRUE(AnyTextHas(boxes.texts(), "lies inside it"));
}

TEST(FileOperation, ExistingTargetsGoOnlyWhenTheUserSaysSo)
{
    testfs::TempTree tree;
    for (const char* name : {"f1", "f2", "f3"}) {
        tree.File(std::string("src/") + name, std::string("new ") + name);
        tree.File(std::string("dst/") + name, std::string("old ") + name);
    }
    const std::vector<std::string> sources{tree.Path("src/f1"), tree.Path("src/f2"), tree.Path("src/f3")};
    testsupport::ScriptedMessages boxes;
    FakeProgress progress;

    boxes.answer(MsgResult::Cancel);
    EXPECT_EQ(platform::Copy(sources, tree.Path("dst"), progress), OperationCancelled);
    EXPECT_EQ(readFile(tree.Path("dst/f1")), "old f1");
    EXPECT_EQ(boxes.texts().size(), 1u);

    boxes.answer(MsgResult::Yes);
    boxes.answer(MsgResult::No);
    boxes.answer(MsgResult::Yes);
    EXPECT_EQ(platform::Copy(sources, tree.Path("dst"), progress), OperationDone) << "a chosen skip is no failure";
    EXPECT_EQ(readFile(tree.Path("dst/f1")), "new f1");
    EXPECT_EQ(readFile(tree.Path("dst/f2")), "old f2");
    EXPECT_EQ(readFile(tree.Path("dst/f3")), "new f3");
    EXPECT_EQ(boxes.buttons().back(), platform::MsgButtons::YesAllNoCancel);

    tree.File("dst/f1", "old f1");
    tree.File("dst/f3", "old f3");
    boxes.clear();
    boxes.answer(MsgResult::YesToAll);
    EXPECT_EQ(platform::Move(sources, tree.Path("dst"), progress), OperationDone);
    EXPECT_EQ(boxes.texts().size(), 1u) << "one answer for all";
    EXPECT_EQ(readFile(tree.Path("dst/f2")), "new f2");
    EXPECT_FALSE(Exists(tree.Path("src/f2")));
    EXPECT_TRUE(Leftovers(tree.Root()).empty());
}

TEST(FileOperation, AReplacedLinkIsReplacedItselfAndKindsNeverSwap)
{
    testfs::TempTree tree;
    tree.File("src/f", "new");
    tree.File("third", "third party");
    tree.Link(tree.Path("third"), "dst/f");
    testsupport::ScriptedMessages boxes;
    FakeProgress progress;
    boxes.answer(MsgResult::Yes);
    EXPECT_EQ(platform::Copy({tree.Path("src/f")}, tree.Path("dst"), progress), OperationDone);
    EXPECT_EQ(readFile(tree.Path("third")), "third party");
    struct stat status {};
    ASSERT_EQ(lstat(tree.Path("dst/f").c_str(), &status), 0);
    EXPECT_TRUE(S_ISREG(status.st_mode));
    EXPECT_EQ(readFile(tree.Path("dst/f")), "new");

    // A directory over a file, and a file over a directory, are refused.
    tree.File("src/d/inner", "i");
    tree.File("dst/d", "a file");
    tree.Dir("dst/g");
    tree.File("src/g", "g");
    const Snapshot before = Take(tree.Root());
    boxes.clear();
    for (const char* item : {"src/d", "src/g"}) {
        EXPECT_NE(platform::Copy({tree.Path(item)}, tree.Path("dst"), progress), OperationDone) << item;
        EXPECT_NE(platform::Move({tree.Path(item)}, tree.Path("dst"), progress), OperationDone) << item;
    }
    EXPECT_EQ(Take(tree.Root()), before);
    EXPECT_TRUE(AnyTextHas(boxes.texts(), "is a file and would be replaced by a directory"));
    EXPECT_TRUE(AnyTextHas(boxes.texts(), "is a directory and would be replaced by a file"));
}

TEST(FileOperation, ACopiedTreeEqualsWhatCpArchiveMakes)
{
    testfs::TempTree tree;
    tree.File("t/plain", "plain bytes");
    tree.File("t/tool", "#!/bin/sh\n");
    tree.Chmod("t/tool", 0751);
    tree.File("t/sub/deep/file", std::string(300000, 'z'));
    tree.Chmod("t/sub", 0705);
    tree.File("t/sub/.hidden", "h");
    tree.File("t/empty");
    tree.Link("plain", "t/rel-link");
    tree.Link("/nowhere/at/all", "t/sub/dangling");
    tree.SetMtime("t/plain", 1000000000);
    tree.SetMtime("t/sub/deep/file", 1200000000);
    tree.SetMtime("t/rel-link", 1300000000);
    tree.SetMtime("t/sub/deep", 1100000000);
    tree.Dir("mine");
    ASSERT_EQ(testsupport::runProgram({"cp", "-a", tree.Path("t"), tree.Path("theirs")}), 0);

    testsupport::ScriptedMessages boxes;
    FakeProgress progress;
    EXPECT_EQ(platform::Copy({tree.Path("t")}, tree.Path("mine"), progress), OperationDone);
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(testsupport::runProgram({"diff", "-r", "--no-dereference", tree.Path("mine/t"), tree.Path("theirs")}),
              0);
    EXPECT_EQ(Take(tree.Path("mine/t")), Take(tree.Path("theirs")));
    struct stat mine {}, theirs {};
    ASSERT_EQ(lstat(tree.Path("mine/t/sub/deep").c_str(), &mine), 0);
    ASSERT_EQ(lstat(tree.Path("theirs/sub/deep").c_str(), &theirs), 0);
    EXPECT_EQ(mine.st_mtim.tv_sec, theirs.st_mtim.tv_sec);
    EXPECT_EQ(progress.work, 300000u + 11 + 10 + 1);
    EXPECT_EQ(progress.done, progress.work);
}

TEST(FileOperation, SpecialFilesAreSkippedWithAnErrorNeverOpened)
{
    testfs::TempTree tree;
    tree.File("t/a", "a");
    tree.Fifo("t/pipe");
    tree.File("t/z", "z");
    testsupport::ScriptedMessages boxes;
    boxes.answer(MsgResult::Yes); // go on after the FIFO
    FakeProgress progress;
    const int result = testsupport::finishWithin(std::chrono::seconds(20), [&] {
        return platform::Copy({tree.Path("t")}, tree.Path("dst"), progress);
    });
    EXPECT_EQ(result, platform::OperationIncomplete);
    EXPECT_TRUE(AnyTextHas(boxes.texts(), tree.Path("t/pipe") + "\": it is a device, FIFO or socket"));
    EXPECT_EQ(readFile(tree.Path("dst/t/z")), "z");
    EXPECT_FALSE(Exists(tree.Path("dst/t/pipe")));
}

TEST(FileOperation, MergingAskesOnceForTheDirectory)
{
    testfs::TempTree tree;
    tree.File("src/d/same", "new");
    tree.File("src/d/sub/added", "added");
    tree.File("dst/d/same", "old");
    tree.File("dst/d/kept", "kept");
    testsupport::ScriptedMessages boxes;
    FakeProgress progress;
    boxes.answer(MsgResult::No);
    EXPECT_EQ(platform::Copy({tree.Path("src/d")}, tree.Path("dst"), progress), OperationDone);
    EXPECT_EQ(readFile(tree.Path("dst/d/same")), "old");
    EXPECT_FALSE(Exists(tree.Path("dst/d/sub"))) << "nothing of a directory not merged";
    boxes.clear();
    boxes.answer(MsgResult::Yes);
    EXPECT_EQ(platform::Move({tree.Path("src/d")}, tree.Path("dst"), progress), OperationDone);
    EXPECT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(readFile(tree.Path("dst/d/same")), "new");
    EXPECT_EQ(readFile(tree.Path("dst/d/kept")), "kept");
    EXPECT_EQ(readFile(tree.Path("dst/d/sub/added")), "added");
    EXPECT_FALSE(Exists(tree.Path("src/d")));
}

TEST(FileOperation, UnreadableAndUnwritablePlacesAreNamedAndTheRestCopied)
{
    testfs::TempTree tree;
    tree.Chmod("", 0777);
    tree.File("src/t/readable", "r");
    tree.File("src/t/secret", "s");
    tree.Chmod("src/t/secret", 0);
    tree.File("src/t/ro/x", "x");
    tree.File("src/t/ro/y", "y");
    tree.Dir("dst/t/ro");
    for (const char* dir : {"src", "src/t", "src/t/ro", "dst", "dst/t"})
        tree.Chmod(dir, 0777);
    tree.Chmod("dst/t/ro", 0555);
    const Snapshot sources = Take(tree.Path("src"));
    testsupport::ScriptedMessages boxes;
    boxes.answer(MsgResult::Yes); // merge into dst/t
    for (int i = 0; i < 3; ++i)
        boxes.answer(MsgResult::Yes); // go on after each failure
    FakeProgress progress;
    int result = 0;
    {
        testfs::AsNobody nobody;
        result = platform::Copy({tree.Path("src/t")}, tree.Path("dst"), progress);
    }
    EXPECT_EQ(result, platform::OperationIncomplete);
    EXPECT_EQ(readFile(tree.Path("dst/t/readable")), "r");
    EXPECT_TRUE(AnyTextHas(boxes.texts(), tree.Path("src/t/secret") + "\": Permission denied"));
    EXPECT_TRUE(AnyTextHas(boxes.texts(), tree.Path("dst/t/ro/x") + "\" cannot be written"));
    EXPECT_TRUE(AnyTextHas(boxes.texts(), tree.Path("dst/t/ro/y") + "\" cannot be written"));
    EXPECT_EQ(Take(tree.Path("src")), sources);
    EXPECT_TRUE(Leftovers(tree.Root()).empty());
}

TEST(FileOperation, CancelLeavesEverySourceWholeAndNoPartialFile)
{
    testfs::TempTree tree;
    tree.File("src/a/1", std::string(100000, '1'));
    tree.File("src/a/2", "2");
    tree.File("src/b", "b");
    const Snapshot sources = Take(tree.Path("src"));
    testsupport::ScriptedMessages boxes;
    FakeProgress progress(2);
    EXPECT_EQ(platform::Copy({tree.Path("src/a"), tree.Path("src/b")}, tree.Path("dst"), progress),
              OperationCancelled);
    EXPECT_EQ(Take(tree.Path("src")), sources);
    EXPECT_EQ(readFile(tree.Path("dst/a/1")), std::string(100000, '1'));
    EXPECT_FALSE(Exists(tree.Path("dst/b")));
    EXPECT_TRUE(Leftovers(tree.Root()).empty());
}

TEST(FileOperation, NamesThatAreNotTextAreActedOnByTheirBytes)
{
    testfs::TempTree tree;
    const std::string raw = "\xff\xfe.txt";
    const std::string lookalike = "\xef\xbf\xbd\xef\xbf\xbd.txt"; // how the raw name displays
    tree.File("a/" + raw, "raw bytes");
    tree.File("a/" + lookalike, "lookalike");
    tree.Dir("b");
    testsupport::ScriptedMessages boxes;
    FakeProgress progress;
    EXPECT_EQ(platform::Copy({tree.Path("a/" + raw)}, tree.Path("b"), progress), OperationDone);
    EXPECT_EQ(readFile(tree.Path("b/" + raw)), "raw bytes");
    EXPECT_FALSE(Exists(tree.Path("b/" + lookalike)));
    ASSERT_EQ(unlink(tree.Path("b/" + raw).c_str()), 0);
    EXPECT_EQ(platform::Move({tree.Path("a/" + raw)}, tree.Path("b"), progress), OperationDone);
    EXPECT_EQ(platform::Move({tree.Path("b/" + raw)}, tree.Path("a"), progress), OperationDone);
    EXPECT_EQ(readFile(tree.Path("a/" + raw)), "raw bytes");
    EXPECT_EQ(readFile(tree.Path("a/" + lookalike)), "lookalike");
    boxes.answer(MsgResult::Yes);
    EXPECT_EQ(platform::Delete({tree.Path("a/" + raw)}, false, progress), OperationDone);
    EXPECT_FALSE(Exists(tree.Path("a/" + raw)));
    EXPECT_EQ(readFile(tree.Path("a/" + lookalike)), "lookalike");
}

TEST(FileOperation, PermanentDeleteAsksWithNoAsDefaultAndKeepsWhatIsNotItsOwn)
{
    testfs::TempTree tree;
    tree.File("outside/keep", "keep");
    tree.File("d/sub/f", "f");
    tree.Link(tree.Path("outside"), "d/sub/to-outside");
    tree.Link(tree.Path("outside/keep"), "d/link-to-file");
    tree.File("d/.dot", "");
    testsupport::ScriptedMessages boxes;
    FakeProgress progress;
    boxes.answer(MsgResult::No);
    EXPECT_EQ(platform::Delete({tree.Path("d")}, false, progress), OperationCancelled);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("Permanently delete 1 item(s)?"), std::string::npos);
    EXPECT_EQ(boxes.buttons()[0], platform::MsgButtons::YesNoDefaultNo);
    EXPECT_TRUE(Exists(tree.Path("d/sub/f")));

    boxes.answer(MsgResult::Yes);
    EXPECT_EQ(platform::Delete({tree.Path("d")}, false, progress), OperationDone);
    EXPECT_FALSE(Exists(tree.Path("d")));
    EXPECT_EQ(readFile(tree.Path("outside/keep")), "keep");

    // "." and ".." are never acted on, not even after a confirmation.
    boxes.clear();
    EXPECT_NE(platform::Delete({tree.Path("outside/..")}, false, progress), OperationDone);
    EXPECT_NE(platform::Copy({".."}, tree.Path("outside"), progress), OperationDone);
    EXPECT_TRUE(AnyTextHas(boxes.texts(), "are never acted on"));
    EXPECT_TRUE(Exists(tree.Path("outside/keep")));
}

} // namespace
