#include "filemanager/ContainsText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Hands out its bytes at most `chunk` at a time (or the whole request when 0), fails at the
// read numbered `failAt` (from 1), and claims whatever size it is told to.
class ScriptedSource final : public ByteSource {
public:
    explicit ScriptedSource(std::string bytes) : bytes_(std::move(bytes)), claimed_(std::int64_t(bytes_.size())) {}

    std::size_t chunk = 0;
    int failAt = 0;
    std::int64_t& claimed() { return claimed_; }
    int reads() const { return reads_; }

    std::int64_t size() override { return claimed_; }
    std::ptrdiff_t read(char* into, std::size_t max) override
    {
        if (++reads_ == failAt)
            return -1;
        std::size_t count = std::min(max, bytes_.size() - at_);
        if (chunk)
            count = std::min(count, chunk);
        std::memcpy(into, bytes_.data() + at_, count);
        at_ += count;
        return std::ptrdiff_t(count);
    }

private:
    std::string bytes_;
    std::int64_t claimed_;
    std::size_t at_ = 0;
    int reads_ = 0;
};

bool Contains(ScriptedSource& source, const std::string& needle, bool fold = false)
{
    return containsText(source, needle, fold, {});
}

// `size` filler bytes with the needle at `offset`.
std::string WithNeedleAt(const std::string& needle, std::size_t offset, std::size_t size)
{
    std::string bytes(size, 'x');
    bytes.replace(offset, needle.size(), needle);
    return bytes;
}

std::string NeedleOf(std::size_t n)
{
    std::string needle;
    for (std::size_t i = 0; i < n; ++i)
        needle += char('a' + i % 26);
    return needle;
}

} // namespace

TEST(ContainsText, FindsTheNeedleWhereverItLiesAcrossBlockBoundaries)
{
    const std::size_t block = kTextSearchBlock;
    for (const std::size_t n : {std::size_t(1), std::size_t(2), std::size_t(7), std::size_t(499)}) {
        const std::string needle = NeedleOf(n);
        // The second block holds the n - 1 bytes carried over and block - (n - 1) new ones.
        const std::size_t secondBoundary = block + block - (n - 1);
        const std::size_t size = 3 * block;
        for (const std::size_t offset : {std::size_t(0), block - n / 2 - (n > 1 ? 0 : 1), block - n, block,
                                         secondBoundary - n / 2 - (n > 1 ? 0 : 1), secondBoundary, size - n}) {
            ScriptedSource source(WithNeedleAt(needle, offset, size));
            EXPECT_TRUE(Contains(source, needle)) << "n=" << n << " offset=" << offset;
        }
        ScriptedSource without(std::string(size, 'x'));
        EXPECT_FALSE(Contains(without, needle)) << "n=" << n;
        // Three blocks, the tail the carries left over (none for n = 1), the end.
        EXPECT_EQ(without.reads(), n == 1 ? 4 : 5) << "n=" << n;
    }
}

TEST(ContainsText, ShortReadsKeepOnlyTheBytesActuallyHeld)
{
    const std::string needle = NeedleOf(40);
    for (const std::size_t chunk : {std::size_t(1), std::size_t(3), std::size_t(39), std::size_t(41)}) {
        ScriptedSource found(WithNeedleAt(needle, 100, 300));
        found.chunk = chunk;
        EXPECT_TRUE(Contains(found, needle)) << chunk;
        // A file that shrank after its size was taken: fewer bytes than the needle arrive.
        ScriptedSource shrunk("abc");
        shrunk.claimed() = 4096;
        shrunk.chunk = chunk;
        EXPECT_FALSE(Contains(shrunk, needle)) << chunk;
    }
}

TEST(ContainsText, ReadErrorsSizesAndCancelGiveNoMatch)
{
    const std::string needle = "needle";
    ScriptedSource failing(WithNeedleAt(needle, 2 * kTextSearchBlock, 3 * kTextSearchBlock));
    failing.failAt = 2;
    EXPECT_FALSE(Contains(failing, needle));

    ScriptedSource tooShort("needle and more");
    tooShort.claimed() = 5;
    EXPECT_FALSE(Contains(tooShort, needle));
    EXPECT_EQ(tooShort.reads(), 0);
    tooShort.claimed() = 0;
    EXPECT_FALSE(Contains(tooShort, "n"));
    EXPECT_EQ(tooShort.reads(), 0);

    // A pseudo-file that claims less than it holds is still read to its end.
    ScriptedSource understated(WithNeedleAt(needle, 9000, 10000));
    understated.claimed() = 6;
    EXPECT_TRUE(Contains(understated, needle));

    int asked = 0;
    ScriptedSource cancelled(WithNeedleAt(needle, 0, 100));
    EXPECT_FALSE(containsText(cancelled, needle, false, [&] { return ++asked > 0; }));
    EXPECT_EQ(asked, 1);
}

TEST(ContainsText, FoldsAsciiLettersOnlyWhenAsked)
{
    ScriptedSource mixed(WithNeedleAt("HeLLo WoRLD", kTextSearchBlock - 4, 2 * kTextSearchBlock));
    EXPECT_TRUE(Contains(mixed, "HELLO world", true));
    ScriptedSource exact(WithNeedleAt("HeLLo WoRLD", 10, 100));
    EXPECT_FALSE(Contains(exact, "HELLO world", false));
    ScriptedSource same(WithNeedleAt("HeLLo WoRLD", 10, 100));
    EXPECT_TRUE(Contains(same, "HeLLo WoRLD", false));
    // Bytes beyond ASCII are compared as they are, whatever the fold.
    ScriptedSource accented(WithNeedleAt("\xc3\x89t\xc3\xa9", 10, 100));
    EXPECT_FALSE(Contains(accented, "\xc3\xa9t\xc3\xa9", true));
    ScriptedSource symbols(WithNeedleAt("[@]", 10, 100));
    EXPECT_FALSE(Contains(symbols, "{`}", true));
}
