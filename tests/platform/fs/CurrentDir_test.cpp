#include "platform/fs/CurrentDir.h"
#include "platform/fs/RenameNoReplace.h"
#include "support/TempTree.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace platform;

TEST(CurrentDir, FallsBackToTheNearestExistingAncestorOfADeletedDirectory)
{
    testfs::TempTree tree;
    testfs::KeepCurrentDir keep;
    const std::string deep = tree.Dir("a/b/c");
    ASSERT_TRUE(ChangeDir(deep));
    EXPECT_EQ(CurrentDir(), deep);
    ASSERT_TRUE(QDir(QString::fromStdString(tree.Path("a/b"))).removeRecursively());

    EXPECT_EQ(CurrentDir(), tree.Path("a"));
    EXPECT_EQ(testfs::CurrentDirectory(), tree.Path("a"));
    EXPECT_FALSE(ChangeDir(tree.Path("a/b")));
    EXPECT_EQ(CurrentDir(), tree.Path("a"));
}

TEST(CurrentDir, TheHomeDirectoryIsAnAbsoluteHomeOrThePasswordEntrys)
{
    const std::string saved = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", "/tmp/home\xff", 1);
    EXPECT_EQ(HomeDirectory(), "/tmp/home\xff");
    setenv("HOME", "relative", 1);
    EXPECT_EQ(HomeDirectory().front(), '/');
    unsetenv("HOME");
    EXPECT_EQ(HomeDirectory().front(), '/');
    setenv("HOME", saved.c_str(), 1);
}

TEST(RenameNoReplace, RenamesButNeverOverwrites)
{
    testfs::TempTree tree;
    tree.File("one", "1");
    tree.File("two", "2");
    tree.Dir("dir");
    EXPECT_EQ(RenameNoReplace(tree.Path("one"), tree.Path("two")), EEXIST);
    EXPECT_EQ(RenameNoReplace(tree.Path("dir"), tree.Path("two")), EEXIST);
    EXPECT_EQ(RenameNoReplace(tree.Path("one"), tree.Path("three")), 0);
    EXPECT_EQ(RenameNoReplace(tree.Path("dir"), tree.Path("dir2")), 0);
    EXPECT_EQ(RenameNoReplace(tree.Path("missing"), tree.Path("four")), ENOENT);

    QFile two(QString::fromStdString(tree.Path("two")));
    ASSERT_TRUE(two.open(QIODevice::ReadOnly));
    EXPECT_EQ(two.readAll(), "2");
    EXPECT_TRUE(QFile::exists(QString::fromStdString(tree.Path("three"))));
    EXPECT_TRUE(QDir(QString::fromStdString(tree.Path("dir2"))).exists());
}
