#include "icons3d/An8Keywords.h"
#include "icons3d/An8Lexer.h"
#include "platform/fs/OpenRegularFile.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

std::string describe(const An8Lexer& lexer)
{
    switch (lexer.token()) {
    case An8Token::Word: return "w:" + lexer.text();
    case An8Token::String: return "s:" + lexer.stringValue();
    case An8Token::Integer: return "i:" + std::to_string(lexer.integer());
    case An8Token::Real: {
        std::ostringstream text;
        text << "r:" << lexer.real();
        return text.str();
    }
    case An8Token::LBrace: return "{";
    case An8Token::RBrace: return "}";
    case An8Token::LParen: return "(";
    case An8Token::RParen: return ")";
    case An8Token::Minus: return "-";
    case An8Token::Plus: return "+";
    case An8Token::Hash: return "#";
    case An8Token::End: return "end";
    case An8Token::Overlong: return std::string("overlong:") + lexer.problem();
    case An8Token::Malformed: return std::string("malformed:") + lexer.problem();
    case An8Token::Failed: return std::string("failed:") + lexer.problem();
    }
    return "?";
}

// Every token up to the end, or up to the first one no rule accepts.
std::string tokens(An8File& file)
{
    An8Lexer lexer(file);
    std::string all;
    for (int count = 0; count < 1000; ++count) {
        lexer.An8NextToken();
        if (!all.empty())
            all.append(" ");
        all.append(describe(lexer));
        if (lexer.token() == An8Token::End || lexer.token() == An8Token::Overlong ||
            lexer.token() == An8Token::Malformed || lexer.token() == An8Token::Failed)
            return all;
    }
    return all + " ...never ends";
}

std::string tokens(std::string_view text)
{
    An8File file(An8File::InMemory{}, text);
    return tokens(file);
}

struct Case {
    const char* name;
    std::string text;
    std::string expected;
};

class LexerTable : public testing::TestWithParam<Case> {};

TEST_P(LexerTable, SplitsTheTextIntoTheExpectedTokens)
{
    EXPECT_EQ(tokens(GetParam().text), GetParam().expected);
}

const std::string k499(499, 'a');

INSTANTIATE_TEST_SUITE_P(
    An8, LexerTable,
    testing::Values(
        Case{"StringWithBlanks", "\"a b\" x", "s:a b w:x end"},
        Case{"StringGluedToBrace", "{ \"glued\"}", "{ s:glued } end"},
        Case{"StringWithBraces", "\"{ }\"", "s:{ } end"},
        Case{"Point", "(1 2 3)", "( i:1 i:2 i:3 ) end"},
        Case{"NumberGluedToParenAndBrace", "12)}", "i:12 ) } end"},
        Case{"WordGluedToParen", "word)", "w:word) end"},
        Case{"LeadingDotIsAWord", ".5", "w:.5 end"},
        Case{"SignIsItsOwnToken", "-1.5 +2", "- r:1.5 + i:2 end"},
        Case{"SignInsideAWord", "a-b 1e-5", "w:a-b r:1e-05 end"},
        Case{"RealPrefixAsInC", "1x2", "r:1 end"},
        Case{"Hash", "#", "# end"},
        Case{"ParenDropsTheWord", "ab(", "( end"},
        Case{"KeywordGluedToBraceIsLost", "header{", "{ end"},
        Case{"CommentBetweenTokens", "a /* c */ b", "w:a w:b end"},
        Case{"CommentInsideAWordDropsItsStart", "ab/* c */cd", "w:cd end"},
        Case{"CommentInsideQuotes", "\"x /* c */ y\"", "w: y\" end"},
        Case{"SlashStarSlashOpensAndCloses", "/*/ x */ y", "w:x w:*/ w:y end"},
        Case{"UnterminatedCommentEndsTheData", "a /* b", "w:a end"},
        Case{"LongestToken", k499, "w:" + k499 + " end"},
        Case{"OverlongToken", k499 + "a", "overlong:token longer than 499 characters"},
        Case{"LoneCarriageReturnIsPartOfAWord", "a\rb", "w:a\rb end"},
        Case{"CtrlZEndsTheData", "a\x1a b", "w:a end"},
        Case{"NulIsAnOrdinaryByte", std::string("a\0b", 3), std::string("w:a\0b end", 9)},
        Case{"UnterminatedStringAtTheEnd", "{ \"abc", "{ failed:unterminated string"},
        Case{"ThreeQuotesAtTheEnd", "\"a\"\"b\"", "malformed:malformed string"},
        Case{"ThreeQuotesMidFile", "\"x\"y\" z }", "malformed:malformed string"},
        Case{"IntegerOutOfRange", "2147483647 2147483648", "i:2147483647 failed:number out of range"},
        Case{"RealOutOfRange", "1e39", "failed:number out of range"},
        Case{"RealUnderflowIsZero", "1e-999", "r:0 end"}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(An8Lexer, CrLfIsFoldedAcrossABufferRefillAndLinesAreCounted)
{
    std::string text = "x";
    text.resize(65535, ' ');
    text += "\r\ny \r z\n\"w\"";
    const std::string path = testing::TempDir() + "/crlf.an8";
    std::ofstream(path, std::ios::binary) << text;
    An8File file(platform::OpenRegularFile(path));
    An8Lexer lexer(file);
    lexer.An8NextToken();
    EXPECT_EQ(lexer.text(), "x");
    lexer.An8NextToken();
    EXPECT_EQ(lexer.text(), "y");
    EXPECT_EQ(lexer.line(), 2);
    lexer.An8NextToken();
    EXPECT_EQ(lexer.text(), "\r");
    lexer.An8NextToken();
    EXPECT_EQ(lexer.text(), "z");
    lexer.An8NextToken();
    EXPECT_EQ(lexer.stringValue(), "w");
    EXPECT_EQ(lexer.line(), 3);
}

TEST(An8Keywords, TableIsCompleteSortedAndExact)
{
    EXPECT_EQ(kAn8KeywordCount, 112);
    for (int code = 0; code < kAn8KeywordCount; ++code) {
        const auto keyword = static_cast<An8Keyword>(code);
        EXPECT_EQ(An8LookupKeyword(An8KeywordName(keyword)), keyword) << An8KeywordName(keyword);
    }
    EXPECT_EQ(An8LookupKeyword("textcom"), kTextcom);
    EXPECT_EQ(An8LookupKeyword("alpha"), kAlpha);
    EXPECT_EQ(An8LookupKeyword("working"), kWorking);
    for (const char* word : {"Header", "", "a", "zzz", "header ", "texturenam"})
        EXPECT_EQ(An8LookupKeyword(word), kUnknownKeyword) << word;
}

} // namespace
