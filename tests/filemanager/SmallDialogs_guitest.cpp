#include "filemanager/About.h"
#include "filemanager/attrib.h"
#include "filemanager/newdirdial.h"
#include "filemanager/renamdial.h"
#include "filemanager/zipdial.h"
#include "support/RecordingLauncher.h"
#include "support/ScriptedMessages.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Clicks the button once the dialog runs and gives what the dialog returned.
int ClickWhileRunning(QDialog& dialog, QPushButton* button)
{
    QTimer::singleShot(0, button, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    return dialog.exec();
}

// The control that has the focus once the dialog shows.
QWidget* FocusOnShowing(QDialog& dialog)
{
    dialog.show();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QWidget* focused = QApplication::focusWidget();
    dialog.hide();
    return focused;
}

void ExpectFixedAndCentred(const QDialog& dialog)
{
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    EXPECT_LE((dialog.frameGeometry().center() - screen.center()).manhattanLength(), 4);
}

TEST(RenameDlg, ShowsTheOldNameInLabelAndEdit)
{
    TRenameDlg dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Pelvaxon: Rename file/directory");
    EXPECT_EQ(dialog.OldnameLabel->text(), "oldname");
    dialog.SetOldName("report 2.txt");
    EXPECT_EQ(dialog.OldnameLabel->text(), "report 2.txt");
    EXPECT_EQ(dialog.NewNameEdit->text(), "report 2.txt");
    EXPECT_EQ(FocusOnShowing(dialog), dialog.NewNameEdit);
    EXPECT_TRUE(dialog.OKBtn->isDefault());
    ExpectFixedAndCentred(dialog);
    EXPECT_EQ(ClickWhileRunning(dialog, dialog.CancelBtn), QDialog::Rejected);
    EXPECT_EQ(ClickWhileRunning(dialog, dialog.OKBtn), QDialog::Accepted);
}

TEST(MakedirDlg, AsksForTheNameInAFixedCentredDialog)
{
    TMakedirDlg dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Pelvaxon: make new directory");
    EXPECT_EQ(dialog.size(), QSize(310, 113));
    EXPECT_EQ(dialog.Label1->text(), "Name of the new directory:");
    EXPECT_EQ(FocusOnShowing(dialog), dialog.newdirnameEdit);
    EXPECT_TRUE(dialog.OKBtn->isDefault());
    ExpectFixedAndCentred(dialog);
    dialog.newdirnameEdit->setText("neu/über");
    EXPECT_EQ(dialog.NewDirName(), "neu/\xc3\xbc" "ber");
    EXPECT_EQ(ClickWhileRunning(dialog, dialog.CancelBtn), QDialog::Rejected);
    EXPECT_EQ(ClickWhileRunning(dialog, dialog.OKBtn), QDialog::Accepted);
}

TEST(RenameDlg, ANameThatIsNotTextSurvivesWhenLeftAlone)
{
    TRenameDlg dialog(nullptr);
    const std::string name = "caf\xe9.txt";
    dialog.SetOldName(name);
    EXPECT_EQ(dialog.NewName(), name);
    dialog.NewNameEdit->setText("café.txt");
    EXPECT_EQ(dialog.NewName(), "caf\xc3\xa9.txt");
}

TEST(AttrDlg, TicksTheBoxesOfTheSetBitsAndLeavesTheOthers)
{
    TAttrDlg all(nullptr);
    EXPECT_EQ(all.windowTitle(), "Set attributes");
    all.SetCheckBoxes(0x27);
    for (QCheckBox* box : {all.ROCheckBox, all.HiCheckBox, all.SyCheckBox, all.ArCheckBox}) {
        EXPECT_TRUE(box->isChecked()) << box->objectName().toStdString();
        EXPECT_EQ(box->parentWidget(), all.GroupBox1);
    }
    EXPECT_EQ(all.CheckedBits(), 0x27u);

    TAttrDlg directory(nullptr);
    directory.SetCheckBoxes(0x10);
    EXPECT_EQ(directory.CheckedBits(), 0u);

    TAttrDlg kept(nullptr);
    kept.ArCheckBox->setChecked(true);
    kept.SetCheckBoxes(0x02);
    EXPECT_TRUE(kept.ArCheckBox->isChecked());
    EXPECT_TRUE(kept.HiCheckBox->isChecked());
    EXPECT_FALSE(kept.ROCheckBox->isChecked());
    EXPECT_EQ(kept.CheckedBits(), 0x22u);
    EXPECT_EQ(ClickWhileRunning(kept, kept.CancelBtn), QDialog::Rejected);
}

TEST(zipDlg, TakesTitleAndProposedName)
{
    TzipDlg dialog(nullptr);
    EXPECT_EQ(dialog.windowTitle(), "Pelvaxon");
    dialog.SetTitle("archive name");
    dialog.SetDirName("/home/user/\xff.zip");
    EXPECT_EQ(dialog.windowTitle(), "archive name");
    EXPECT_EQ(dialog.DirName(), "/home/user/\xff.zip");
    dialog.dirnameEdit->setText("/tmp/b.zip");
    EXPECT_EQ(dialog.DirName(), "/tmp/b.zip");
    EXPECT_EQ(FocusOnShowing(dialog), dialog.dirnameEdit);
    ExpectFixedAndCentred(dialog);
    EXPECT_EQ(ClickWhileRunning(dialog, dialog.CancelBtn), QDialog::Rejected);
}

TEST(AboutBox, LinksOpenMailAndPageThroughTheLauncher)
{
    testsupport::RecordingLauncher launcher;
    TAboutBox box;
    EXPECT_EQ(box.ProductName->text(), "Pelvaxon");
    EXPECT_EQ(box.Version->text(), "version 1.4");
    EXPECT_TRUE(box.Copyright->text().contains("NASA Visible Earth"));
    EXPECT_FALSE(box.ProgramIcon->pixmap().isNull());
    EXPECT_EQ(box.email->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(box.HPLabel->cursor().shape(), Qt::PointingHandCursor);
    box.show();
    QTest::mouseClick(box.email, Qt::LeftButton);
    QTest::mouseClick(box.HPLabel, Qt::LeftButton);
    QTest::mouseClick(box.Version, Qt::LeftButton);
    ASSERT_EQ(launcher.urls().size(), 2u);
    EXPECT_EQ(launcher.urls()[0], "mailto:" + box.email->text().toStdString());
    EXPECT_EQ(launcher.urls()[1], box.HPLabel->text().toStdString());
    EXPECT_TRUE(launcher.urls()[1].starts_with("https://"));

    // Where nothing can open them, each click says so once, naming the address.
    testsupport::ScriptedMessages boxes;
    launcher.failWith("xdg-open: no method available");
    QTest::mouseClick(box.email, Qt::LeftButton);
    QTest::mouseClick(box.HPLabel, Qt::LeftButton);
    EXPECT_EQ(boxes.texts(),
              (std::vector<std::string>{"cannot open " + launcher.urls()[0] + ": xdg-open: no method available",
                                        "cannot open " + launcher.urls()[1] + ": xdg-open: no method available"}));
    EXPECT_EQ(ClickWhileRunning(box, box.OKButton), QDialog::Accepted);
}

} // namespace
