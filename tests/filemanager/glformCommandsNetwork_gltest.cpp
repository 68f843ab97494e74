#include "PanelCommandsFixture.h"
#include "support/gl/GlTestHelpers.h"

#include <QComboBox>

#include <fstream>
#include <optional>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

// Panels on a and b, and a gio found first on the PATH that mounts "smb://server/NAME" as
// the directory mounts/NAME, recorded in a mount table the panels read, unmounts by that
// directory, and refuses anything else with its own text.
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
        path.emplace(tree.Path("bin") + ":/usr/bin:/bin");
        Open(tree.Dir("a"), tree.Dir("b"));
    }
    // The next location dialog, its items kept in offered, gets the text or picks the first item and ends with OK.
    void Answer(const std::string& typed)
    {
        boxes.answerModal(QDialog::Accepted, [this, typed](QDialog& dialog) {
            auto* box = dialog.findChild<QComboBox*>("LocationBox");
            offered.clear();
            for (int i = 0; i < box->count(); ++i)
                offered.push_back(box->itemText(i).toStdString());
            typed.empty() ? box->setCurrentIndex(0) : box->setEditText(QString::fromStdString(typed));
        });
    }
    void Connect(const std::string& typed) { Answer(typed); left->mapnetworkdrive1Click(); }

    std::string table;
    Texts offered;
    std::optional<ScopedPath> path;
};

TEST_F(NetworkLocations, AConnectedLocationIsTheNewDriveAndItsDisconnectionSendsPanelsHome)
{
    Connect("smb://server/share");
    const std::string share = tree.Path("mounts/share");
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(left->DirPath(), share);
    EXPECT_EQ(left->drvComboBox->currentText().toStdString(), "share");
    EXPECT_EQ(right->drives.Items().back().root, share) << "both drive lists follow";
    EXPECT_EQ(right->DirPath(), tree.Path("b"));

    right->GoToDirectory(share);
    Answer({});
    left->unmapnetworkdrive1Click();
    EXPECT_EQ(offered, Texts{share});
    EXPECT_EQ(left->DirPath(), platform::HomeDirectory());
    EXPECT_EQ(right->DirPath(), platform::HomeDirectory());
    EXPECT_EQ(left->drives.Items().size(), 1u);
    EXPECT_EQ(right->drvComboBox->currentText().toStdString(), "/");
}

TEST_F(NetworkLocations, AFailureShowsGiosOwnTextAndNothingMovesWithoutANewDrive)
{
    Connect("ftp://nowhere");
    EXPECT_EQ(boxes.texts(), Texts{"gio: ftp://nowhere: Location is not mountable"});
    EXPECT_EQ(left->DirPath(), tree.Path("a"));

    boxes.clear();
    Connect("smb://server/twice");
    left->GoToDirectory(tree.Path("a"));
    Connect("smb://server/twice"); // mounted already: the same drive list
    EXPECT_EQ(boxes.texts(), Texts{"no new drive found"});
    EXPECT_EQ(left->DirPath(), tree.Path("a"));

    boxes.clear();
    boxes.answerModal(QDialog::Rejected);
    left->mapnetworkdrive1Click();
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(NetworkLocations, WithoutGioTheUserIsToldSo)
{
    path.emplace(tree.Dir("nothing"));
    left->mapnetworkdrive1Click();
    left->unmapnetworkdrive1Click();
    ASSERT_EQ(boxes.texts().size(), 2u);
    EXPECT_NE(boxes.texts()[0].find("gio"), std::string::npos);
    EXPECT_TRUE(boxes.modalDialogs().empty());
}

} // namespace
