#include "PanelCommandsFixture.h"
#include "filemanager/CommandInProgress.h"
#include "filemanager/mainfr.h"
#include "platform/ui/Application.h"
#include "support/gl/GlTestHelpers.h"

#include <QCoreApplication>
#include <QStatusBar>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

TEST_F(PanelCommands, RenameNeedsExactlyOneMarkNeverReplacesAndKeepsNamesAsBytes)
{
    const std::string bad = "\xff\xfe.txt", lookalike = "\xef\xbf\xbd\xef\xbf\xbd.txt";
    tree.File("a/one", "1");
    tree.File("a/two", "2");
    tree.File("a/" + bad, "bytes");
    tree.File("a/" + lookalike, "lookalike");
    Open(tree.Path("a"), tree.Dir("b"));
    left->RenameMarked();
    Mark(*left, {".."});
    left->RenameMarked();
    Mark(*left, {"one", "two"});
    left->RenameMarked();
    EXPECT_EQ(boxes.texts(), (Texts{"No files selected", "No files selected", "select one item only"}));
    EXPECT_TRUE(boxes.modalDialogs().empty());

    boxes.clear();
    Mark(*left, {"one", ".."});
    TypeIntoNextDialog("NewNameEdit", "two");
    left->RenameMarked();
    Mark(*left, {bad});
    boxes.answerModal(QDialog::Accepted); // the name as shown is kept: the rename is refused
    left->RenameMarked();
    EXPECT_EQ(boxes.texts(), (Texts{"unsuccessful rename: one", "unsuccessful rename: " + bad}));
    EXPECT_EQ(readFile(tree.Path("a/one")), "1");
    EXPECT_EQ(readFile(tree.Path("a/two")), "2");

    boxes.clear();
    Mark(*left, {"one"});
    left->StatusBar1->showMessage("old");
    TypeIntoNextDialog("NewNameEdit", "three");
    left->RenameMarked();
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(readFile(tree.Path("a/three")), "1");
    EXPECT_TRUE(Lists(*left, "three"));
    EXPECT_FALSE(Lists(*left, "one"));
    EXPECT_TRUE(left->StatusBar1->currentMessage().isEmpty());

    Mark(*left, {bad});
    left->MoveMarked(right->DirPath());
    EXPECT_EQ(readFile(tree.Path("b/" + bad)), "bytes");
    EXPECT_EQ(readFile(tree.Path("a/" + lookalike)), "lookalike");
    EXPECT_FALSE(Exists(tree.Path("a/" + bad)));
}

TEST_F(PanelCommands, DeleteActsOnlyOnConfirmedMarksAndNeverOnTheParent)
{
    tree.File("a/f", "f");
    tree.File("a/d/inner", "i");
    Open(tree.Path("a"), tree.Path("a/d"));
    left->DeleteMarked(false);
    Mark(*left, {".."});
    left->DeleteMarked(true);
    EXPECT_TRUE(boxes.texts().empty()) << "nothing marked asks nothing";

    Mark(*left, {"f", ".."});
    boxes.answer(MsgResult::No);
    left->DeleteMarked(false);
    EXPECT_EQ(boxes.texts(), (Texts{"Move 1 item(s) to the trash?", "unsuccessful deletion"}));
    EXPECT_EQ(readFile(tree.Path("a/f")), "f");

    boxes.clear();
    Mark(*left, {"f", ".."});
    boxes.answer(MsgResult::Yes);
    left->DeleteMarked(false);
    EXPECT_EQ(boxes.texts(), Texts{"Move 1 item(s) to the trash?"});
    EXPECT_EQ(readFile(Trashed("f")), "f");
    EXPECT_TRUE(Exists(tree.Root())) << "the parent stays";
    EXPECT_FALSE(Lists(*left, "f"));

    boxes.clear();
    Mark(*left, {"d"});
    boxes.answer(MsgResult::Yes);
    left->DeleteMarked(true);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find("Permanently delete 1 item(s)"), std::string::npos);
    EXPECT_FALSE(Exists(tree.Path("a/d")));
    EXPECT_EQ(right->DirPath(), tree.Path("a")) << "the sibling inside it moves up";
}

TEST_F(PanelCommands, CopyAndMoveTakeTheMarksIntoTheTargetAndNeverOntoThemselves)
{
    tree.File("a/f", "content");
    tree.File("a/g", "g");
    Open(tree.Path("a"), tree.Path("a"));
    left->CopyMarked(right->DirPath());
    left->MoveMarked(right->DirPath());
    Mark(*left, {".."});
    left->CopyMarked(right->DirPath());
    EXPECT_EQ(boxes.texts(), (Texts{"No file selected", "No files selected", "No file selected"}));

    boxes.clear();
    Mark(*left, {"f"});
    left->CopyMarked(right->DirPath());
    ASSERT_FALSE(boxes.texts().empty());
    EXPECT_EQ(boxes.texts().back(), "unsuccessful copy");
    Mark(*left, {"f"});
    left->MoveMarked(right->DirPath());
    EXPECT_EQ(boxes.texts().back(), "unsuccessful move");
    EXPECT_EQ(readFile(tree.Path("a/f")), "content") << "a copy onto itself truncates nothing";

    boxes.clear();
    tree.Dir("b");
    Mark(*left, {"..", "f"});
    left->CopyMarked(tree.Path("b"));
    Mark(*left, {"g"});
    left->MoveMarked(tree.Path("b/new"));
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(readFile(tree.Path("b/f")), "content");
    EXPECT_EQ(readFile(tree.Path("b/new/g")), "g");
    EXPECT_FALSE(Exists(tree.Path("b/a"))) << "the parent is never copied";
    EXPECT_FALSE(Lists(*left, "g"));

    // No to replacing one file skips it and is no failure; Cancel is.
    boxes.clear();
    tree.File("a/h", "h");
    tree.File("b/f", "old");
    left->ChangeToListingDir();
    left->RefreshListing(true);
    Mark(*left, {"f", "h"});
    boxes.answer(MsgResult::No);
    left->CopyMarked(tree.Path("b"));
    ASSERT_EQ(boxes.texts().size(), 1u) << "the question alone";
    EXPECT_NE(boxes.texts()[0].find("already exists. Replace it"), std::string::npos);
    EXPECT_EQ(readFile(tree.Path("b/f")), "old");
    EXPECT_EQ(readFile(tree.Path("b/h")), "h");
    boxes.clear();
    Mark(*left, {"f"});
    boxes.answer(MsgResult::Cancel);
    left->MoveMarked(tree.Path("b"));
    EXPECT_EQ(boxes.texts().back(), "unsuccessful move");
    EXPECT_EQ(readFile(tree.Path("a/f")), "content");
}

TEST_F(PanelCommands, ANewDirectoryLandsInThePanelsDirectory)
{
    Open(tree.Dir("a"), tree.Dir("b"));
    ASSERT_TRUE(platform::ChangeDir(tree.Path("b")));
    TypeIntoNextDialog("newdirnameEdit", "made");
    left->MakeDirectory();
    EXPECT_TRUE(Exists(tree.Path("a/made")));
    EXPECT_FALSE(Exists(tree.Path("b/made")));
    EXPECT_TRUE(Lists(*left, "made"));

    TypeIntoNextDialog("newdirnameEdit", "made");
    left->MakeDirectory();
    boxes.answerModal(QDialog::Rejected);
    left->MakeDirectory();
    EXPECT_EQ(boxes.texts(), Texts{"unsuccessful directory creation"}) << "a cancel is no failure";
}

TEST(CommandGuard, TheActivationRefreshWaitsUntilTheCommandHasEnded)
{
    testfs::KeepCurrentDir keep;
    testfs::TempTree tree;
    testsupport::ScriptedMessages boxes;
    tree.File("a/old", "o");
    tree.Dir("b");
    TMainForm form;
    platform::Application::instance().OnActivate = nullptr;
    form.resize(800, 600);
    form.show();
    QCoreApplication::processEvents();
    form.AppActivate();
    form.leftPanel->GoToDirectory(tree.Path("a"));
    form.rightPanel->GoToDirectory(tree.Path("b"));
    for (const auto& entry : form.leftPanel->dir.entries)
        entry->selected = entry->name == "old";

    const ff* before = form.leftPanel->dir.entries.back().get();
    bool heldDuringDialog = false;
    boxes.answerModal(QDialog::Accepted, [&](QDialog& dialog) {
        tree.File("b/late");
        form.AppActivate();
        heldDuringDialog = form.leftPanel->dir.entries.back().get() == before && form.rightPanel->dir.entries.size() == 1;
        dialog.findChild<QLineEdit*>("NewNameEdit")->setText("new");
    });
    form.leftPanel->RenameMarked();
    EXPECT_TRUE(heldDuringDialog);
    EXPECT_FALSE(CommandInProgress::Running());
    EXPECT_EQ(readFile(tree.Path("a/new")), "o");
    EXPECT_EQ(form.rightPanel->dir.entries.size(), 2u) << "the activation's refresh came after the command";
    form.FormClose();
}

} // namespace
