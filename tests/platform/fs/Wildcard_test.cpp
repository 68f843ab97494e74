#include "platform/fs/Wildcard.h"

#include <gtest/gtest.h>

namespace {
struct Case {
    const char* pattern;
    const char* name;
    bool matches;
};

TEST(WildcardMatch, FollowsTheFilterRules)
{
    const Case cases[] = {
        {"*.txt", "notes.txt", true},       {"*.txt", "NOTES.TXT", true},    {"*.TXT", "notes.txt", true},
        {"*.txt", "notes.txt.bak", false},  {"*.txt", "txt", false},         {"*.*", "README", true},
        {"*.*", ".profile", true},          {"*", "anything.at.all", true},  {"?", "a", true},
        {"?", "ab", false},                 {"?", "", false},                {"a?c", "abc", true},
        {"?.txt", "\xc3\xa9.txt", true},    {"\xc3\x89*", "\xc3\xa9t\xc3\xa9", true},
        {"*ab", "aab", true},               {"a*b*c", "axxbyyc", true},      {"a*b*c", "axxbyy", false},
        {"**x", "yx", true},                {"data.*", "data.tar.gz", true}, {"\xff*", "\xff\x01", true},
        {"", "a", false},                   {"../*", "x", false},            {"sub/x", "x", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::WildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " vs " << c.name;
}
} // namespace
