#include "PanelCommandsFixture.h"
#include "support/gl/GlTestHelpers.h"

#include <QComboBox>

#include <fstream>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

// A gio that mounts "smb://server/NAME" as the directory mounts/NAME, recorded in a mount
// table the panels read, unmounts by that directory, and refuses anything else with its
// own text.
class NetworkLocations : public PanelCommands {
protected:
    void SetUp() override
    {
        table = tree.File("mounts.table");
        Script("bin/gio", "table='" + table + "'; mounts='" + tree.Dir("mounts") + "'\n"
               "if [ \"$2\" = -u ]; then grep -vxF \"$4\" \"$table\" > \"$table.new\"; mv \"$table.new\" \"$table\"; exit 0; fi\n"
               "case \"$3\" in smb://server/*) ;; *) echo \"gio: $3: Location is not mountable\" >&2; exit 2;; esac\n"
               "mkdir -p \"$mounts/${3#smb://server/}\" && echo \"$mounts/${3#smb://server/}\" >> \"$table\"\n");
        host.mountSource = [table = table] {
            std::vector<platform::MountEntry> mounts;
            std::ifstream lines(table);
            for (std::string line; std::getline(lines, line);)
                mounts.push_back({line, "fuse.gvfsd-fuse"});
            return mounts;
        };
    }
    // The next location dialog gets the text, or picks the offered item, and ends with OK.
    void AnswerLocation(const std::string& typed, Texts* offered = nullptr)
    {
        boxes.answerModal(QDialog::Accepted, [typed, offered](QDialog& dialog) {
            auto* box = dialog.findChild<QComboBox*>("LocationBox");
            for (int i = 0; offered && i < box->count(); ++i)
                offered->push_back(box->itemText(i).toStdString());
            if (typed.empty())
                box->setCurrentIndex(0);
            else
                box->setEditText(QString::fromStdString(typed));
        });
    }
    static std::string DriveShown(const Tglfr& panel) { return panel.drvComboBox->currentText().toStdString(); }

    std::string table;
};

TEST_F(NetworkLocations, AConnectedLocationIsTheNewDriveAndItsDisconnectionSendsPanelsHome)
{
    const ScopedPath path(tree.Path("bin") + ":/usr/bin:/bin");
    Open(tree.Dir("a"), tree.Dir("b"));
    AnswerLocation("smb://server/share");
    left->mapnetworkdrive1Click();
    const std::string share = tree.Path("mounts/share");
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(left->DirPath(), share);
    EXPECT_EQ(DriveShown(*left), "share");
    EXPECT_EQ(right->drives.Items().back().root, share) << "both drive lists follow";
    EXPECT_EQ(right->DirPath(), tree.Path("b"));

    right->GoToDirectory(share);
    Texts offered;
    AnswerLocation({}, &offered);
    left->unmapnetworkdrive1Click();
    EXPECT_EQ(offered, Texts{share});
    EXPECT_EQ(left->DirPath(), platform::HomeDirectory());
    EXPECT_EQ(right->DirPath(), platform::HomeDirectory());
    EXPECT_EQ(left->drives.Items().size(), 1u);
    EXPECT_EQ(DriveShown(*right), "/");
}

TEST_F(NetworkLocations, AFailureShowsGiosOwnTextAndNothingMovesWithoutANewDrive)
{
    const ScopedPath path(tree.Path("bin") + ":/usr/bin:/bin");
    Open(tree.Dir("a"), tree.Dir("b"));
    AnswerLocation("ftp://nowhere");
    left->mapnetworkdrive1Click();
    EXPECT_EQ(boxes.texts(), Texts{"gio: ftp://nowhere: Location is not mountable"});
    EXPECT_EQ(boxes.captions(), Texts{"Error"});
    EXPECT_EQ(left->DirPath(), tree.Path("a"));

    boxes.clear();
    AnswerLocation("smb://server/twice");
    left->mapnetworkdrive1Click();
    left->GoToDirectory(tree.Path("a"));
    AnswerLocation("smb://server/twice"); // mounted already: the same drive list
    left->mapnetworkdrive1Click();
    EXPECT_EQ(boxes.texts(), Texts{"no new drive found"});
    EXPECT_EQ(left->DirPath(), tree.Path("a"));

    boxes.clear();
    boxes.answerModal(QDialog::Rejected);
    left->mapnetworkdrive1Click();
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(NetworkLocations, WithoutGioTheUserIsToldSo)
{
    const ScopedPath path(tree.Dir("nothing"));
    Open(tree.Dir("a"), tree.Dir("b"));
    left->mapnetworkdrive1Click();
    left->unmapnetworkdrive1Click();
    ASSERT_EQ(boxes.texts().size(), 2u);
    EXPECT_NE(boxes.texts()[0].find("gio"), std::string::npos);
    EXPECT_TRUE(boxes.modalDialogs().empty());
}

} // namespace
