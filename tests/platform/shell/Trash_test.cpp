#include "platform/shell/Trash.h"

#include "FileOperationTestSupport.h"
#include "platform/shell/FileOperation.h"
#include "support/FileContents.h"
#include "support/PrivateMount.h"
#include "support/ProgramRun.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using platform::MsgResult;
using platform::OperationDone;
using namespace fileoptest;
using testsupport::readFile;

namespace {

// Sets an environment variable (or removes it) for the test's duration.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

std::string Decoded(const std::string& encoded)
{
    std::string bytes;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size()) {
            bytes += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            bytes += encoded[i];
        }
    }
    return bytes;
}

std::string PathKeyOf(const std::string& infoFile)
{
    const std::string info = readFile(infoFile);
    const std::size_t at = info.find("\nPath=");
    if (info.rfind("[Trash Info]\n", 0) != 0 || at == std::string::npos || info.find("\nDeletionDate=") == std::string::npos)
        return "(not a trash info file)";
    return Decoded(info.substr(at + 6, info.find('\n', at + 6) - at - 6));
}

TEST(Trash, EntriesLandInTheHomeTrashAndAnIndependentReaderListsThem)
{
    testfs::TempTree tree;
    ScopedEnv dataHome("XDG_DATA_HOME", tree.Path("data").c_str());
    const std::string raw = "\xff\xfe.txt";
    const std::string lookalike = "\xef\xbf\xbd\xef\xbf\xbd.txt";
    tree.File("panel/" + raw, "raw bytes");
    tree.File("panel/" + lookalike, "lookalike");
    tree.File("panel/same", "first");
    tree.File("panel/d/inner", "inner");
    testsupport::ScriptedMessages boxes;
    FakeProgress progress;
    boxes.answer(MsgResult::Yes);
    EXPECT_EQ(platform::Delete({tree.Path("panel/" + raw), tree.Path("panel/same"), tree.Path("panel/d")}, true,
                               progress),
              OperationDone);
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0], "Move 3 item(s) to the trash?");
    EXPECT_EQ(boxes.buttons()[0], platform::MsgButtons::YesNo) << "Yes is the default, so Enter trashes";
    tree.File("panel/same", "second");
    EXPECT_EQ(platform::MoveToTrash(tree.Path("panel/same")), 0);

    const std::string trash = tree.Path("data/Trash");
    EXPECT_EQ(readFile(trash + "/files/" + raw), "raw bytes");
    EXPECT_EQ(PathKeyOf(trash + "/info/" + raw + ".trashinfo"), tree.Path("panel/" + raw));
    EXPECT_EQ(readFile(trash + "/files/same"), "first");
    EXPECT_EQ(readFile(trash + "/files/same.2"), "second");
    EXPECT_EQ(readFile(trash + "/files/d/inner"), "inner");
    EXPECT_EQ(readFile(tree.Path("panel/" + lookalike)), "lookalike");
    struct stat status {};
    ASSERT_EQ(stat(trash.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);

    // trash-list shows a name that is not UTF-8 as it decodes it, like the lookalike's.
    std::string listed;
    ASSERT_EQ(testsupport::runProgram({"trash-list"}, &listed), 0);
    for (const std::string& item : {lookalike, std::string("d")})
        EXPECT_NE(listed.find(" " + tree.Path("panel/" + item) + "\n"), std::string::npos) << listed;
    const std::string same = " " + tree.Path("panel/same") + "\n";
    EXPECT_NE(listed.find(same, listed.find(same) + 1), std::string::npos) << "both entries\n" << listed;
}

TEST(Trash, AMissingDataDirectoryIsMadeAndNothingLandsBesideTheFile)
{
    testfs::TempTree tree;
    testfs::KeepCurrentDir keep;
    tree.Dir("home");
    ScopedEnv dataHome("XDG_DATA_HOME", nullptr);
    ScopedEnv home("HOME", tree.Path("home").c_str());
    tree.File("panel/f", "f");
    ASSERT_EQ(chdir(tree.Path("panel").c_str()), 0);
    EXPECT_EQ(platform::MoveToTrash("f"), 0);
    EXPECT_EQ(readFile(tree.Path("home/.local/share/Trash/files/f")), "f");
    EXPECT_EQ(PathKeyOf(tree.Path("home/.local/share/Trash/info/f.trashinfo")), tree.Path("panel/f"));
    EXPECT_EQ(Take(tree.Path("panel")).size(), 1u) << "the panel's directory holds nothing new";
}

TEST(Trash, OtherFilesystemsUseTheirOwnTrashAndAnUnusableOneKeepsTheFile)
{
    testfs::TempTree tree;
    ScopedEnv dataHome("XDG_DATA_HOME", tree.Path("data").c_str());
    const std::string top = tree.Dir("stick");
    testfs::TmpfsMount stick(top);
    SKIP_WITHOUT_TMPFS(stick);
    tree.File("stick/dir/f", "on the stick");
    testsupport::ScriptedMessages boxes;
    FakeProgress progress;
    boxes.answer(MsgResult::Yes);
    EXPECT_EQ(platform::Delete({tree.Path("stick/dir/f")}, true, progress), OperationDone);
    const std::string trash = top + "/.Trash-" + std::to_string(getuid());
    EXPECT_EQ(readFile(trash + "/files/f"), "on the stick");
    EXPECT_EQ(PathKeyOf(trash + "/info/f.trashinfo"), "dir/f") << "relative to the top of its filesystem";
    std::string listed;
    EXPECT_EQ(testsupport::runProgram({"trash-list"}, &listed), 0);
    EXPECT_NE(listed.find(tree.Path("stick/dir/f")), std::string::npos) << listed;

    // A trash that is not a directory of the user's is never used, nor is the file removed.
    const std::string other = tree.Dir("other");
    testfs::TmpfsMount otherStick(other);
    tree.File("other/.Trash-" + std::to_string(getuid()), "planted");
    tree.File("other/g", "stays");
    boxes.clear();
    boxes.answer(MsgResult::Yes);
    boxes.answer(MsgResult::Yes);
    EXPECT_EQ(platform::Delete({tree.Path("other/g")}, true, progress), platform::OperationIncomplete);
    EXPECT_EQ(readFile(tree.Path("other/g")), "stays");
    EXPECT_TRUE(AnyTextHas(boxes.texts(), "Cannot move \"" + tree.Path("other/g") + "\" to the trash"));
}

TEST(Trash, PathsArePercentEncodedFromTheirBytes)
{
    EXPECT_EQ(platform::EncodeTrashPath("/a b/\xff\xfe.txt"), "/a%20b/%FF%FE.txt");
    EXPECT_EQ(platform::EncodeTrashPath("/x%y#z/A-Z_0.9~"), "/x%25y%23z/A-Z_0.9~");
    EXPECT_EQ(Decoded(platform::EncodeTrashPath("\n\x01\x80")), "\n\x01\x80");
}

} // namespace
