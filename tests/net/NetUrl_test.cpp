#include "net/NetUrl.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

namespace {

struct UrlCase {
    const char* url;
    const char* base;
    const char* proto;
    const char* user;
    const char* pass;
    const char* host;
    const char* port;
    const char* path;
};

} // namespace

TEST(NetUrl, ParseUrlTable)
{
    const UrlCase cases[] = {
        // url, incoming path | proto, user, pass, host, port, path
        {"http://user:pw@host.example:8080/a/b?x=1", "", "http", "user", "pw", "host.example", "8080", "/a/b?x=1"},
        {"host.example/x", "", "", "", "", "host.example", "", "/x"},
        {"HTTP://Host.Example/P", "", "http", "", "", "Host.Example", "", "/P"},
        {"svn+ssh://h/p", "", "svn+ssh", "", "", "h", "", "/p"},
        {"bad scheme://h/p", "", "http", "", "", "bad scheme", "", "//h/p"},
        {"http://10.0.0.1:8080", "", "http", "", "", "10.0.0.1", "8080", ""},
        {"http://host?q=1/2", "", "http", "", "", "host", "", "?q=1/2"},
        {"http://u@host:81?q", "", "http", "u", "", "host", "81", "?q"},
        // The user part ends at the last "@"; user and password split at its first ":".
        {"ftp://a@b@host:21/f", "", "ftp", "a@b", "", "host", "21", "/f"},
        {"http://us:er:p@ss@host/", "", "http", "us", "er:p@ss", "host", "", "/"},
        {"http://user:pa:ss@10.0.0.1", "", "http", "user", "pa:ss", "10.0.0.1", "", ""},
        {"http://:secret@host", "", "http", "", "secret", "host", "", ""},
        {"http://host:", "", "http", "", "", "host", "", ""},
        // Scheme-less forms.
        {"/only/path?x", "/old", "http", "", "", "", "", "/only/path?x"},
        {"//host:81/p", "", "http", "", "", "host", "81", "/p"},
        {"http:/x", "", "http", "", "", "", "", "/x"},
        {"http:index.html", "", "http", "", "", "", "", "index.html"},
        {"Http:", "", "http", "", "", "", "", ""},
        {"mailto:someone@example.org", "", "mailto", "someone", "", "example.org", "", ""},
        {"?q", "", "", "", "", "", "", "?q"},
        // Relative to the incoming path.
        {"", "/a/b", "", "", "", "", "", ""},
        {"./c", "/a/b/d", "", "", "", "", "", "/a/b/c"},
        {"./c", "d", "", "", "", "", "", "/c"},
        {"../c", "/a/b/d", "", "", "", "", "", "/a/c"},
        {"../../c/../e", "/a/b/d", "", "", "", "", "", "/c/../e"},
        {"../../../../c", "/a/b/d", "", "", "", "", "", "/c"},
        {"../c", "", "", "", "", "", "", "/c"},
    };
    for (const UrlCase& c : cases) {
        std::string proto = "x", user = "x", pass = "x", host = "x", port = "x", path = c.base;
        ParseURL(c.url, proto, user, pass, host, port, path);
        EXPECT_EQ(proto, c.proto) << c.url;
        EXPECT_EQ(user, c.user) << c.url;
        EXPECT_EQ(pass, c.pass) << c.url;
        EXPECT_EQ(host, c.host) << c.url;
        EXPECT_EQ(port, c.port) << c.url;
        EXPECT_EQ(path, c.path) << c.url;
    }
}

TEST(NetUrl, PosnCountsFromEitherEnd)
{
    EXPECT_EQ(Posn("/", "a/b/c", -1), 4);
    EXPECT_EQ(Posn("/", "a/b/c", -2), 2);
    EXPECT_EQ(Posn("/", "a/b/c", -3), 0);
    EXPECT_EQ(Posn("/", "abc", -1), 0);
    EXPECT_EQ(Posn("/", "a/b/c", 0), 0);
    EXPECT_EQ(Posn("/", "a/b/c", 1), 2);
    EXPECT_EQ(Posn("/", "a/b/c", 2), 4);
    // Missing occurrences: the length plus one per round that found nothing.
    EXPECT_EQ(Posn("/", "a/b/c", 3), 6);
    EXPECT_EQ(Posn("/", "a/b/c", 5), 8);
    EXPECT_EQ(Posn("", "abc", 2), 5);
    EXPECT_EQ(Posn("", "abc", -1), 0);
    // Occurrences may overlap: each search resumes one character after a match.
    EXPECT_EQ(Posn("aa", "aaaa", 3), 3);
    EXPECT_EQ(Posn("aa", "aaaa", -1), 3);
    EXPECT_EQ(Posn("aa", "aaaa", -3), 1);
    EXPECT_EQ(Posn("ab", "abab", -2), 1);
    // Extreme counts answer at once and do not overflow.
    EXPECT_EQ(Posn("/", "abc", INT_MAX), 3LL + INT_MAX);
    EXPECT_EQ(Posn("/", "a/c", INT_MIN), 0);
}

TEST(NetUrl, PercentEncodingRoundTrips)
{
    EXPECT_EQ(UrlEncode("a b&c"), "a%20b%26c");
    EXPECT_EQ(UrlEncode(std::string("\x00\xff-_.~", 6)), "%00%FF%2D%5F%2E%7E");
    EXPECT_EQ(UrlDecode("a+b%41&c"), "a bA");
    EXPECT_EQ(UrlDecode("%4a%4A"), "JJ");
    // A "%" without two characters after it stays as it is.
    EXPECT_EQ(UrlDecode("50%"), "50%");
    EXPECT_EQ(UrlDecode("5%4"), "5%4");
    EXPECT_EQ(UrlDecode("%4&1"), "%4");

    std::mt19937 gen(5);
    for (int trial = 0; trial < 200; ++trial) {
        std::string bytes(gen() % 40, '\0');
        for (char& c : bytes)
            c = static_cast<char>(gen());
        const std::string encoded = UrlEncode(bytes);
        ASSERT_EQ(encoded.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789%"),
                  std::string::npos);
        ASSERT_EQ(UrlDecode(encoded), bytes);
    }
}

TEST(NetUrl, HexadecimalHelpers)
{
    EXPECT_TRUE(IsDigit('0') && IsDigit('9') && !IsDigit('a') && !IsDigit('/'));
    EXPECT_TRUE(IsXDigit('a') && IsXDigit('F') && !IsXDigit('g') && !IsXDigit('G'));
    EXPECT_EQ(XDigit('7'), 7);
    EXPECT_EQ(XDigit('a'), 10);
    EXPECT_EQ(XDigit('F'), 15);
    EXPECT_EQ(htoin("  1F", 4), 31);
    EXPECT_EQ(htoin("  1F", 3), 1);
    EXPECT_EQ(htoin("1F", 9), 31);
    EXPECT_EQ(htoin("7g3", 3), 7);
    EXPECT_EQ(htoin("1F", 0), 0);
    EXPECT_EQ(htoin("1F", -1), 0);
    EXPECT_EQ(htoin("FFFFFFFF", 8), -1);
    EXPECT_EQ(htoin("100000001", 9), 1);
    EXPECT_EQ(htoi2("ff7"), 255);
}
