#include "support/Deadline.h"
#include "support/LoadText.h"
#include "support/TempTree.h"

#include <unistd.h>

namespace {

struct ErrorCase {
    const char* name;
    std::string text;
    int number;
    std::string detail;   // empty: the number's own reason
    int line;
};

class ErrorTable : public testing::TestWithParam<ErrorCase> {};

TEST_P(ErrorTable, GivesItsNumberOnceAndNoModel)
{
    const ErrorCase& c = GetParam();
    LoadText load(c.text);
    EXPECT_FALSE(load.model);
    EXPECT_EQ(load.error.number, c.number);
    EXPECT_EQ(load.error.detail, c.detail);
    EXPECT_EQ(load.error.line, c.line);
    ASSERT_EQ(load.messages.size(), 1u);
    EXPECT_EQ(load.messages[0], An8ErrorMessage(load.error, "t.an8"));
}

const std::string kDeepGroups = [] {
    std::string text = "object { \"deep\"\n";
    for (int i = 0; i < 300; ++i)
        text += "group { ";
    return text;
}();

const std::string kDeepBones = [] {
    std::string text = "figure { \"f\" ";
    for (int i = 0; i < 300; ++i)
        text += "bone { ";
    return text;
}();

const std::string kDeepElements = [] {
    std::string text = "scene { \"s\" ";
    for (int i = 0; i < 300; ++i)
        text += "null { ";
    return text;
}();

INSTANTIATE_TEST_SUITE_P(
    An8, ErrorTable,
    testing::Values(
        ErrorCase{"StringExpected", "header { version { 1 } }", 0, "", 1},
        ErrorCase{"RealExpected", "object { sphere {\n diameter { .5 } } }", 0, "", 2},
        ErrorCase{"PointWithoutParen", "object { sphere { base { origin { 1 2 3 } } } }", 0, "", 1},
        ErrorCase{"TopLevelBrace", "\n\n{ }", 1, "", 3},
        ErrorCase{"KeywordGluedToBrace", "header{ }", 1, "", 1},
        ErrorCase{"TopLevelOverlong", std::string(600, 'x'), 1, "token longer than 499 characters", 1},
        ErrorCase{"ChunkWithoutBrace", "header\nversion", 2, "", 2},
        ErrorCase{"ElementWithoutBrace", "scene { camera 1 }", 2, "", 1},
        ErrorCase{"FlagWithoutBrace", "object { textcom { bold } }", 2, "", 1},
        ErrorCase{"StringChunkWithoutBrace", "object { sphere { name \"s\" } }", 5, "", 1},
        ErrorCase{"EndInsideSkippedChunk", "build { { }", 3, "", 1},
        ErrorCase{"NumberInBody", "object { 5 }", 4, "", 1},
        ErrorCase{"MalformedStringInBody", "object { \"a\" \"x\"y\" }", 4, "malformed string", 1},
        ErrorCase{"EndInsideBody", "object { \"a\"\n", 5, "end of file inside a chunk", 2},
        ErrorCase{"ParenForBrace", "material { surface { rgb { 1 2 3 ) ) } } }", 5, "", 1},
        ErrorCase{"UnknownWordWithoutBrace", "\n\nstuff 12", 6, "", 3},
        ErrorCase{"UnknownKeywordValue", "material { surface { textureparams { blendmode { sparkle } } } }", 7,
                  "unknown keyword \"sparkle\"", 1},
        ErrorCase{"GroupsTooDeep", kDeepGroups, 8, "", 2},
        ErrorCase{"BonesTooDeep", kDeepBones, 8, "", 1},
        ErrorCase{"ElementsTooDeep", kDeepElements, 8, "", 1},
        ErrorCase{"NumberOutOfRange", "object { sphere { diameter { 1e99 } } }", 0, "number out of range", 1},
        ErrorCase{"IntegerOutOfRange", "object { sphere { longlat { 99999999999 8 } } }", 0, "number out of range",
                  1},
        ErrorCase{"UnterminatedString", "material { \"abc }\n}\n", 0, "unterminated string", 1},
        ErrorCase{"FaceCountMismatch", "object { mesh { faces { 3 0 0 -1 ( (0) (1) ) } } }", 0,
                  "face has 2 corners, header says 3", 1},
        ErrorCase{"HugeFaceCountIsNeverReserved", "object { mesh { faces { 2000000000 0 0 -1 ( (0) (1) (2) ) } } }", 0,
                  "face has 3 corners, header says 2000000000", 1},
        ErrorCase{"FigureElementWithoutItsStrings", "scene { figureelement { \"only\" } }", 0, "", 1}),
    [](const testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

TEST(An8Errors, MessageNamesNumberFileLineAndReason)
{
    LoadText load("\n\nstuff 12");
    ASSERT_EQ(load.messages.size(), 1u);
    EXPECT_EQ(load.messages[0], "error 6\nt.an8, line 3: missing '{' after an unknown chunk name");
}

TEST(An8Errors, TexturesOfAFailedLoadGiveTheirNamesBack)
{
    LoadText load("texture { \"a\" file { \"a.bmp\" } }\ntexture { \"b\" file { \"b.bmp\" } }\n{");
    EXPECT_FALSE(load.model);
    EXPECT_EQ(load.textures.deleted, (std::vector<uint32_t>{1, 2}));
}

// Most extensions have no model: an absent file is silent. Anything else that cannot be
// opened says why at once, a FIFO without waiting for a writer.
TEST(An8Errors, AbsentFilesAreSilentOthersThatCannotBeOpenedSaySo)
{
    testfs::TempTree tree;
    const std::string fifo = tree.Fifo("txt.an8");
    const std::string dir = tree.Dir("dir.an8");
    const auto messagesOf = [](const std::string& path) {
        return testsupport::finishWithin(std::chrono::seconds(5), [path] {
            std::vector<std::string> messages;
            FakeTextures textures;
            EXPECT_FALSE(LoadAn8Model(path, kAn8ReadAll, textures,
                                      [&](const std::string& m) { messages.push_back(m); }));
            return messages;
        });
    };
    EXPECT_TRUE(messagesOf(tree.Path("missing.an8")).empty());
    EXPECT_TRUE(messagesOf(tree.File("plain") + "/y.an8").empty());
    EXPECT_EQ(messagesOf(dir), std::vector<std::string>{"Cannot open file \"" + dir + "\": is a directory"});
    EXPECT_EQ(messagesOf(fifo), std::vector<std::string>{"Cannot open file \"" + fifo + "\": is not a regular file"});
}

// Reading this file fails at its first byte (address 0 is never mapped): a read error must
// not pass for the end of an empty, valid model.
TEST(An8Errors, AReadErrorIsReportedAndGivesNoModel)
{
    if (::access("/proc/self/mem", R_OK) != 0)
        GTEST_SKIP() << "/proc/self/mem cannot be read here";
    std::vector<std::string> messages;
    FakeTextures textures;
    EXPECT_FALSE(LoadAn8Model("/proc/self/mem", kAn8ReadAll, textures,
                              [&](const std::string& m) { messages.push_back(m); }));
    EXPECT_EQ(messages, std::vector<std::string>{"error reading /proc/self/mem"});
}

} // namespace
