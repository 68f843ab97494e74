#include "platform/base/AsciiCase.h"
#include "support/Locales.h"

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>

using namespace platform;

// In a Turkish single-byte locale the C library lowers 'I' to a dotless i; names and
// protocol words must fold the same everywhere.
TEST(AsciiCase, FoldsOnlyAsciiLettersInAnyLocale)
{
    const testsupport::ScopedLocale turkish(LC_CTYPE, testsupport::buildLocale("tr_TR", "ISO-8859-9"));
    ASSERT_NE(std::tolower('I'), 'i');

    EXPECT_EQ(AsciiLowerCase("MAILTO:Index.GIF"), "mailto:index.gif");
    EXPECT_EQ(AsciiLowerCase("\xC3\x89T\xC9"), "\xC3\x89t\xC9");
    EXPECT_EQ(AsciiUpperCase("list 4a \xE9"), "LIST 4A \xE9");
    EXPECT_TRUE(AsciiEqualNoCase("RAW_IP", "raw_ip"));
    EXPECT_FALSE(AsciiEqualNoCase("raw", "raw_"));
    EXPECT_FALSE(AsciiEqualNoCase("\xC9", "\xE9"));
    EXPECT_TRUE(AsciiStartsWithNoCase("HTTP://host", "http:"));
    EXPECT_FALSE(AsciiStartsWithNoCase("htt", "http:"));
}
