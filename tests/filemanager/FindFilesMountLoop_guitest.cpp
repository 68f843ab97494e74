#include "filemanager/findfiledlg.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"

#include <QLineEdit>
#include <QListView>
#include <gtest/gtest.h>

#include <fstream>
#include <sched.h>
#include <sys/mount.h>

namespace {

// A mount namespace of this program's own, so it may bind-mount without touching the
// machine's mounts. Made before any thread exists, as unshare requires.
bool EnterPrivateMounts()
{
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    if (::unshare(CLONE_NEWNS) != 0) {
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0)
            return false;
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    }
    return ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

const bool privateMounts = EnterPrivateMounts();

class Unmount {
public:
    explicit Unmount(std::string path) : path_(std::move(path)) {}
    ~Unmount() { ::umount2(path_.c_str(), MNT_DETACH); }
    Unmount(const Unmount&) = delete;
    Unmount& operator=(const Unmount&) = delete;

private:
    std::string path_;
};

} // namespace

TEST(FindFilDlg, ADirectoryMountedInsideItselfIsWalkedOnce)
{
    if (!privateMounts)
        GTEST_SKIP() << "no private mount namespace can be made here";
    testfs::TempTree tree;
    tree.File("a/one.txt", "x");
    const std::string loop = tree.Dir("a/b/loop");
    ASSERT_EQ(::mount((tree.Root() + "/a").c_str(), loop.c_str(), nullptr, MS_BIND, nullptr), 0);
    const Unmount unmount(loop);
    testsupport::ScriptedMessages messages;
    TFindFilDlg dialog;
    dialog.SetStartDir(tree.Root());
    dialog.FilnamEdit->setText("*");
    dialog.FindButtonClick();
    std::vector<std::string> found;
    for (int row = 0; row < dialog.FileCheckListBox->model()->rowCount(); ++row) {
        dialog.FileCheckListBox->setCurrentIndex(dialog.FileCheckListBox->model()->index(row, 0));
        found.push_back(dialog.ChosenEntry().value_or(TFindFilDlg::FoundEntry{}).path);
    }
    const std::string root = tree.Root() + "/";
    EXPECT_EQ(found, (std::vector<std::string>{root + "a/b/loop", root + "a/b", root + "a/one.txt", root + "a"}));
    EXPECT_EQ(dialog.windowTitle(), "file:1, directory:3, skipped:0");
    EXPECT_TRUE(messages.texts().empty());
}
