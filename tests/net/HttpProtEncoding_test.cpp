#include "net/HttpProt.h"
#include "support/RandomBytes.h"

#include <QByteArray>
#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

// Reads one uuencoded line back, the way uudecode does.
std::string UUDecodeLine(const std::string& line)
{
    const auto value = [](char c) { return static_cast<unsigned>(c - 32) & 63; };
    const std::size_t len = value(line.at(0));
    std::string out;
    for (std::size_t i = 1; i + 3 < line.size() && out.size() < len; i += 4) {
        const unsigned group = value(line[i]) << 18 | value(line[i + 1]) << 12 | value(line[i + 2]) << 6 | value(line[i + 3]);
        for (int shift = 16; shift >= 0 && out.size() < len; shift -= 8)
            out += static_cast<char>((group >> shift) & 255);
    }
    return out;
}

} // namespace

TEST(HttpProtEncoding, Base64MatchesAnIndependentEncoder)
{
    EXPECT_EQ(EncodeStr(encBase64, "abc"), "YWJj");
    EXPECT_EQ(EncodeStr(encBase64, "user:p@ss:word"), "dXNlcjpwQHNzOndvcmQ=");
    EXPECT_EQ(EncodeStr(encMime, "ab"), "YWI=");
    EXPECT_EQ(EncodeStr(encBase64, ""), "");
    std::mt19937 gen(1);
    for (std::size_t len = 0; len < 200; ++len) {
        const std::string bytes = randomBytes(gen, len);
        const QByteArray expected = QByteArray(bytes.data(), static_cast<qsizetype>(len)).toBase64();
        ASSERT_EQ(EncodeLine(encBase64, bytes.data(), len), expected.toStdString()) << len;
    }
}

TEST(HttpProtEncoding, UuencodedLinesDecodeBackAndStayWithinOneLine)
{
    EXPECT_EQ(EncodeStr(encUUEncode, "Cat"), "#0V%T");
    EXPECT_EQ(EncodeStr(encUUEncode, std::string(3, '\0')), "#````");
    EXPECT_EQ(EncodeStr(encUUEncode, ""), "`");
    std::mt19937 gen(2);
    for (std::size_t len = 1; len <= 63; ++len) {
        const std::string bytes = randomBytes(gen, len);
        const std::string line = EncodeStr(encUUEncode, bytes);
        ASSERT_EQ(line.size(), 1 + (len + 2) / 3 * 4);
        ASSERT_EQ(line.find(' '), std::string::npos);
        ASSERT_EQ(UUDecodeLine(line), bytes) << len;
    }
    EXPECT_THROW(EncodeStr(encUUEncode, std::string(64, 'x')), platform::Exception);
}

TEST(HttpProtEncoding, ExtensionsAndDocumentNames)
{
    const std::pair<const char*, const char*> extensions[] = {
        {"index", "index.htm"}, {"a.b.exe", "a.b.htm"}, {"name.", "name.htm"}, {"", ".htm"}};
    for (const auto& [name, expected] : extensions) {
        std::string fname = name;
        ReplaceExt(fname, "htm");
        EXPECT_EQ(fname, expected);
    }
    const std::pair<const char*, const char*> names[] = {
        {"", "document.htm"},   {"/", "document.htm"}, {"/dir/", "document.htm"},
        {"?q=/x", "document.htm"}, {"/dir/?q", "document.htm"}, {"/a/b.html?x=/y", "b.html"},
        {"/a?b/c", "a"},        {"name", "name"},      {"/cgi-bin/q.cgi", "q.cgi"},
    };
    for (const auto& [path, expected] : names)
        EXPECT_EQ(DocNameFromPath(path), expected) << path;
}
