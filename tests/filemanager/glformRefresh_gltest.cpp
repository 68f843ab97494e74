#include "PanelCommandsFixture.h"
#include "filemanager/glform.h"
#include "platform/fs/CurrentDir.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"
#include "support/gl/GlTestHelpers.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <algorithm>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

std::vector<std::string> Names(const Tglfr& panel)
{
    std::vector<std::string> names;
    for (const auto& entry : panel.dir.entries)
        names.push_back(entry->name);
    return names;
}

// Two linked panels over a temporary tree; every listing read sets the title "Pelvaxon",
// so the host's titles count the reads of both.
class PanelRefresh : public PanelCommands {
protected:
    void Open(const std::string& leftDir, const std::string& rightDir)
    {
        PanelCommands::Open(leftDir, rightDir);
        host.titles.clear();
    }
    std::size_t Reads() const { return std::size_t(std::count(host.titles.begin(), host.titles.end(), "Pelvaxon")); }
    std::size_t ReadsOf(void (Tglfr::*command)(), Tglfr& panel)
    {
        host.titles.clear();
        (panel.*command)();
        return Reads();
    }
    std::size_t RefreshReads(Tglfr& panel)
    {
        host.titles.clear();
        panel.ChangeToListingDir();
        panel.RefreshListing(true);
        return Reads();
    }
};

TEST_F(PanelRefresh, ASiblingOnTheSameDirectoryOrBelowFollowsOnceAndNeverTheOtherWay)
{
    Open(tree.Dir("x/a"), tree.Dir("x/a"));
    tree.File("x/a/new");
    EXPECT_EQ(RefreshReads(*left), 2u);
    EXPECT_EQ(Names(*right), (std::vector<std::string>{"..", "new"}));
    EXPECT_EQ(RefreshReads(*right), 2u);
    host.titles.clear();
    left->ChangeToListingDir();
    left->RefreshListing(false);
    EXPECT_EQ(Reads(), 1u) << "no sibling without a repaint";

    Open(tree.Path("x/a"), tree.Dir("x/a/sub"));
    EXPECT_EQ(RefreshReads(*left), 2u);
    EXPECT_EQ(RefreshReads(*right), 1u);
    EXPECT_EQ(testfs::CurrentDirectory(), tree.Path("x/a/sub"));

    Open(tree.Path("x/a"), tree.Dir("x/ab"));
    EXPECT_EQ(RefreshReads(*left), 1u);
    EXPECT_FALSE(left->refreshingSibling || right->refreshingSibling);
}

TEST_F(PanelRefresh, AVanishedDirectoryGivesWayToItsNearestExistingAncestor)
{
    Open(tree.Dir("a/b/c"), tree.Dir("other"));
    // The sibling below this panel's directory loses its own.
    left->GoToDirectory(tree.Path("a"));
    right->GoToDirectory(tree.Path("a/b/c"));
    ASSERT_EQ(rmdir(tree.Path("a/b/c").c_str()), 0);
    ASSERT_EQ(rmdir(tree.Path("a/b").c_str()), 0);
    left->RefreshListing(true);
    EXPECT_EQ(right->DirPath(), tree.Path("a"));

    // A panel whose directory went while the process was elsewhere.
    left->GoToDirectory(tree.Dir("d/e"));
    right->GoToDirectory(tree.Path("other"));
    ASSERT_EQ(rmdir(tree.Path("d/e").c_str()), 0);
    boxes.clear();
    EXPECT_FALSE(left->ChangeToListingDir());
    left->RefreshListing(true);
    EXPECT_EQ(left->DirPath(), tree.Path("d"));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"cannot change to current dir: " + tree.Path("d/e")});
}

TEST_F(PanelRefresh, GoToDirectoryTakesAnyBytesAndLeavesEverythingAsItWasOnFailure)
{
    Open(tree.Root(), tree.Root());
    const std::string odd = tree.Dir("caf\xe9 \\ x");
    left->GoToDirectory(odd);
    EXPECT_EQ(left->DirPath(), odd);
    EXPECT_EQ(host.title, "Pelvaxon - " + odd);
    EXPECT_EQ(left->StatusBar1->currentMessage(), QFile::decodeName(QByteArray::fromStdString(odd)));
    EXPECT_EQ(left->tree.pickedNode ? left->tree.pickedNode->path : "", odd);

    const std::string gone = tree.Dir("gone");
    ASSERT_EQ(rmdir(gone.c_str()), 0);
    host.titles.clear();
    left->GoToDirectory(gone);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"cannot change to dir (resetdir): " + gone});
    EXPECT_EQ(left->DirPath(), odd);
    EXPECT_TRUE(host.titles.empty());
}

TEST_F(PanelRefresh, RootParentAndTheDriveListMoveThePanelAcrossDrives)
{
    const std::string drive = tree.Dir("drive");
    const std::string gone = tree.Dir("gone");
    host.MountDrives({drive, gone});
    Open("/", tree.Dir("drive/a/b"));
    ASSERT_EQ(left->drvComboBox->count(), 3);

    left->parentSpeedButtonClick();
    EXPECT_EQ(left->DirPath(), "/");
    left->rootSpeedButtonClick();
    EXPECT_EQ(left->DirPath(), "/");

    right->parentSpeedButtonClick();
    EXPECT_EQ(right->DirPath(), tree.Path("drive/a"));
    right->GoToDirectory(tree.Path("drive/a/b"));
    right->rootSpeedButtonClick();
    EXPECT_EQ(right->DirPath(), drive);
    EXPECT_EQ(right->drvComboBox->currentText(), "drive");
    right->rootSpeedButtonClick();
    EXPECT_EQ(right->DirPath(), drive);
    right->parentSpeedButtonClick();
    EXPECT_EQ(right->DirPath(), tree.Root());
    EXPECT_EQ(right->drvComboBox->currentText(), "/") << "out of the mount, on the drive that holds it";

    left->drvComboBox->setCurrentIndex(1);
    left->drvComboBoxClick();
    EXPECT_EQ(left->DirPath(), drive);
    ASSERT_EQ(rmdir(gone.c_str()), 0);
    left->drvComboBox->setCurrentIndex(2);
    left->drvComboBoxClick();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"cannot change to root dir"});
    EXPECT_EQ(left->drvComboBox->currentIndex(), 1);
    EXPECT_EQ(left->DirPath(), drive);
}

TEST_F(PanelRefresh, TheFilterBoxReadsAtEveryKeystrokeAndTheAttributeDialogSetsTheMask)
{
    for (const char* name : {"a.txt", "B.TXT", "c.dat", ".hidden.txt", "locked.txt"})
        tree.File(std::string("f/") + name);
    Open(tree.Path("f"), tree.Root());
    tree.Chmod("f/locked.txt", 0444);
    left->FilterEdit->clear();
    host.titles.clear();
    QTest::keyClicks(left->FilterEdit, "*.txt");
    EXPECT_EQ(Reads(), 5u);
    EXPECT_EQ(Names(*left), (std::vector<std::string>{".hidden.txt", "a.txt", "B.TXT", "locked.txt"}));
    QTest::mouseClick(left->FilterEdit, Qt::LeftButton);
    EXPECT_TRUE(host.filterEditFocused);

    QString title;
    boxes.answerModal(QDialog::Accepted, [&](QDialog& dialog) {
        title = dialog.windowTitle();
        for (const char* box : {"ROCheckBox", "HiCheckBox", "SyCheckBox", "ArCheckBox"})
            EXPECT_TRUE(dialog.findChild<QCheckBox*>(box)->isChecked()) << box;
        dialog.findChild<QCheckBox*>("ROCheckBox")->setChecked(false);
        dialog.findChild<QCheckBox*>("HiCheckBox")->setChecked(false);
    });
    left->AttrSpeedButton->click();
    EXPECT_EQ(title, "Set filter attributes");
    EXPECT_EQ(left->attrMask, 0x24);
    EXPECT_EQ(left->AttrSpeedButton->text(), "--sa");
    EXPECT_EQ(Names(*left), (std::vector<std::string>{"a.txt", "B.TXT"}));

    boxes.answerModal(QDialog::Rejected, [](QDialog& dialog) {
        EXPECT_FALSE(dialog.findChild<QCheckBox*>("ROCheckBox")->isChecked());
        dialog.findChild<QCheckBox*>("ROCheckBox")->setChecked(true);
    });
    left->AttrSpeedButtonClick();
    EXPECT_EQ(left->attrMask, 0x24) << "a cancelled dialog changes nothing";
}

TEST_F(PanelRefresh, SortItemsAreExclusiveAndTheMenuShowsEveryField)
{
    tree.File("s/big.b", std::string(300, 'b'));
    tree.File("s/mid.c", std::string(200, 'm'));
    tree.File("s/small.a", std::string(100, 's'));
    tree.File("s/sub/inner", std::string(1000, 'i'));
    Open(tree.Path("s"), tree.Root());
    host.titles.clear();
    left->bysize2->trigger();
    EXPECT_EQ(Names(*left), (std::vector<std::string>{"..", "sub", "small.a", "mid.c", "big.b"}));
    left->byextension2->trigger();
    left->byextension2->trigger();
    EXPECT_EQ(Names(*left), (std::vector<std::string>{"..", "sub", "small.a", "big.b", "mid.c"}));
    for (QAction* item : {left->byname2, left->bysize2, left->bydate2})
        EXPECT_FALSE(item->isChecked());
    EXPECT_TRUE(left->byextension2->isChecked());
    left->reversesort1->trigger();
    EXPECT_TRUE(left->reversesort && left->reversesort1->isChecked());
    EXPECT_EQ(Names(*left), (std::vector<std::string>{"..", "mid.c", "big.b", "small.a", "sub"}));
    EXPECT_EQ(Reads(), 0u);

    for (auto [field, item] : {std::pair{&Tglfr::dspnam, left->displaynames2},
                               {&Tglfr::dspsiz, left->size1},
                               {&Tglfr::dspdat, left->date1},
                               {&Tglfr::dspatr, left->attributes1},
                               {&Tglfr::dirtreevisible, left->directorytree2}}) {
        const bool before = (*left).*field;
        item->trigger();
        EXPECT_NE((*left).*field, before) << item->text().toStdString();
        EXPECT_EQ(item->isChecked(), (*left).*field) << item->text().toStdString();
    }

    left->dspsiz = left->dspsizasheight = false;
    left->size1->setChecked(false);
    left->directorysize1->trigger();
    EXPECT_TRUE(left->dirsizevisible && left->directorysize1->isChecked());
    EXPECT_TRUE(left->dspsizasheight && left->sizeasheight->isChecked());
    EXPECT_EQ(left->dir.maxSize, 1000);
    left->directorysize1->trigger();
    EXPECT_FALSE(left->dirsizevisible || left->directorysize1->isChecked());
    EXPECT_TRUE(left->dspsizasheight) << "turning sizes off leaves the heights";
}

TEST_F(PanelRefresh, ThePopupMenuHoldsEveryItemInOrderAllWired)
{
    Open(tree.Root(), tree.Root());
    std::vector<std::string> captions;
    for (QAction* item : left->PopupMenu1->actions())
        if (!item->menu())
            captions.push_back(item->text().toStdString() + (item->isEnabled() ? "" : " (off)"));
    EXPECT_EQ(captions, (std::vector<std::string>{"Invert selection", "set attributes", "reset view", "DOS window",
                                                  "ZIP", "unZIP", "connect network drive",
                                                  "disconnect network drive"}));
    EXPECT_EQ(left->PopupMenu1->actions().value(0)->text(), "display");
    EXPECT_EQ(left->PopupMenu1->actions().value(1)->text(), "sort");
    left->tranx = 3;
    left->resetview1->trigger();
    EXPECT_EQ(left->tranx, -8.0);
}

TEST_F(PanelRefresh, AnUnreadableDirectoryIsReportedOnceAndADirectoryAboveNever)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to act as nobody";
    tree.Chmod("", 0755);
    tree.File("locked/secret");
    tree.Chmod("locked", 0311);
    tree.File("home/user/notes");
    tree.Chmod("home", 0711);
    host.MountDrives({tree.Root()});
    Open(tree.Root(), tree.Root());
    testfs::AsNobody nobody;
    left->GoToDirectory(tree.Path("locked"));
    EXPECT_EQ(left->DirPath(), tree.Path("locked"));
    EXPECT_TRUE(left->dir.entries.empty());
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find(tree.Path("locked")), std::string::npos);
    left->ChangeToListingDir();
    left->RefreshListing(true);
    EXPECT_EQ(boxes.texts().size(), 1u);

    boxes.clear();
    left->GoToDirectory(tree.Path("home/user"));
    left->RefreshListing(true);
    EXPECT_EQ(Names(*left), (std::vector<std::string>{"..", "notes"}));
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{});
}

} // namespace
