#include "platform/fs/Names.h"
#include "platform/fs/Path.h"

#include <gtest/gtest.h>

using namespace platform;

TEST(Path, JoinsAndSplitsWithoutDoublingSeparators)
{
    EXPECT_EQ(JoinPath("/", "etc"), "/etc");
    EXPECT_EQ(JoinPath("/home/u", "a b"), "/home/u/a b");
    EXPECT_EQ(JoinPath("/home/u/", "x"), "/home/u/x");
    EXPECT_EQ(JoinPath("/d", "back\\slash:colon"), "/d/back\\slash:colon");
    EXPECT_EQ(WithTrailingSeparator("/a"), "/a/");
    EXPECT_EQ(WithTrailingSeparator("/a//"), "/a/");
    EXPECT_EQ(WithTrailingSeparator("/"), "/");
    EXPECT_EQ(FileNameOf("/a/b/c.txt"), "c.txt");
    EXPECT_EQ(FileNameOf("/a/b/"), "b");
    EXPECT_EQ(FileNameOf("/"), "");
    EXPECT_EQ(FileNameOf("name"), "name");
    EXPECT_EQ(DirectoryOf("/a/b/c"), "/a/b");
    EXPECT_EQ(DirectoryOf("/a"), "/");
    EXPECT_EQ(DirectoryOf("/"), "/");
    EXPECT_EQ(DirectoryOf("name"), "");
}

TEST(Path, ExtensionsAreLowerCaseFromTheLastDot)
{
    EXPECT_EQ(LowerExtensionOf("/x/Archive.TAR.GZ"), ".gz");
    EXPECT_EQ(LowerExtensionOf("/x.d/README"), "");
    EXPECT_EQ(ExtensionOf(".."), ".");
    EXPECT_EQ(ExtensionOf(".bashrc"), ".bashrc");
}

TEST(Path, AncestryComparesWholeComponentsExactly)
{
    EXPECT_TRUE(IsAncestorOrSame("/", "/home"));
    EXPECT_TRUE(IsAncestorOrSame("/a", "/a"));
    EXPECT_TRUE(IsAncestorOrSame("/a/", "/a/b"));
    EXPECT_TRUE(IsAncestorOrSame("/a", "/a/b/"));
    EXPECT_FALSE(IsAncestorOrSame("/a", "/ab"));
    EXPECT_FALSE(IsAncestorOrSame("/a/b", "/a"));
    EXPECT_FALSE(IsAncestorOrSame("/Data", "/data/x"));
    EXPECT_FALSE(IsAncestorOrSame("/user", "/home/user"));
    EXPECT_FALSE(IsAncestorOrSame("", "/a"));
}

TEST(Names, LowerCasingKeepsBytesThatAreNotUtf8)
{
    EXPECT_EQ(LowerName("ReadMe.TXT"), "readme.txt");
    EXPECT_EQ(LowerName("\xc3\x84pfel"), "\xc3\xa4pfel");                // Äpfel
    EXPECT_EQ(LowerName("AB\xff\xfe" "CD"), "ab\xff\xfe" "cd");            // not UTF-8: ASCII only
    EXPECT_EQ(LowerName(std::string("A\0B", 3)), std::string("a\0b", 3));
}
