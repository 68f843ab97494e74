#include "filemanager/Converter.h"
#include "filemanager/dir.h"
#include "platform/base/AsciiCase.h"
#include "platform/graphics/FileStream.h"
#include "support/FileContents.h"
#include "support/RandomBytes.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> Counting(std::size_t count, int first = 0)
{
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

// Every block the conversion makes, one string each, until it answers 0.
std::vector<std::string> Blocks(TConversion& conversion, platform::Stream& stream, std::size_t bufSize = 2048)
{
    std::vector<std::string> blocks;
    std::string buffer(bufSize, '\0');
    while (const std::size_t length = conversion.ConvertReadStream(stream, buffer.data(), bufSize))
        blocks.push_back(buffer.substr(0, length));
    return blocks;
}

std::string Pages(TConversion& conversion, platform::Stream& stream)
{
    std::string all;
    for (const std::string& block : Blocks(conversion, stream))
        all += block;
    return all;
}

std::unique_ptr<TConversion> PageConversion(bool hexMode, TitleBar* title = nullptr)
{
    if (hexMode)
        return std::make_unique<THexConversion>(title);
    return std::make_unique<TBinConversion>(title);
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

class RecordingTitle : public TitleBar {
public:
    std::string Title() const override { return titles.empty() ? "" : titles.back(); }
    void SetTitle(const std::string& title) override { titles.push_back(title); }
    std::vector<std::string> titles;
};

TEST(THexConversion, LaysOutALineAsOffsetBytesAndCharacters)
{
    platform::MemoryStream stream(Counting(16, 0x41));
    THexConversion hex(nullptr);
    const std::string text = Pages(hex, stream);
    EXPECT_EQ(text, "00000000  41 42 43 44 45 46 47 48  49 4A 4B 4C 4D 4E 4F 50  ABCDEFGHIJKLMNOP\n");

    platform::MemoryStream seventeen(Counting(17, 0x41));
    const std::vector<std::string> lines = Lines(Pages(hex, seventeen));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "00000010  51" + std::string(3 * 15 + 2, ' ') + " Q");
}

TEST(PageConversions, ShowControlBytesAsTheMarkSoThatNoneBreaksALine)
{
    for (const bool hexMode : {true, false}) {
        platform::MemoryStream stream(Counting(32));
        const std::string text = Pages(*PageConversion(hexMode), stream);
        const std::string marks(hexMode ? 16 : 32, static_cast<char>(controlByteMark));
        EXPECT_EQ(text.find('\r'), std::string::npos);
        const std::vector<std::string> lines = Lines(text);
        ASSERT_EQ(lines.size(), hexMode ? 2u : 1u);
        for (const std::string& line : lines)
            EXPECT_EQ(line.substr(line.size() - marks.size()), marks);
    }
}

TEST(PageConversions, NeedABufferLargerThanTheirLargestBlock)
{
    char buffer[2048];
    for (const bool hexMode : {true, false}) {
        platform::MemoryStream stream(Counting(4000));
        const auto conversion = PageConversion(hexMode);
        const std::size_t needed = hexMode ? 1701 : 1926;
        EXPECT_EQ(conversion->ConvertReadStream(stream, buffer, needed - 1), 0u);
        EXPECT_EQ(stream.position(), 0);
        EXPECT_EQ(conversion->ConvertReadStream(stream, buffer, needed), hexMode ? 20u * 77 : 25u * 76);
    }
}

TEST(THexConversion, ContinuesTheOffsetsAcrossCallsAndReportsEachPosition)
{
    platform::MemoryStream stream(Counting(700));
    RecordingTitle title;
    THexConversion hex(&title);
    const std::vector<std::string> blocks = Blocks(hex, stream);
    ASSERT_EQ(blocks.size(), 3u);
    EXPECT_EQ(blocks[0].substr(0, 8), "00000000");
    EXPECT_EQ(blocks[1].substr(0, 8), "00000140");
    EXPECT_EQ(blocks[2].substr(0, 8), "00000280");
    EXPECT_EQ(Lines(blocks[0]).size(), 20u);
    EXPECT_EQ(Lines(blocks[2]).size(), 4u); // 60 bytes
    EXPECT_EQ(title.titles, (std::vector<std::string>{"320", "640", "700", "700"}));
}

TEST(TBinConversion, MakesBlocksOf25LinesOf75Bytes)
{
    const auto data = Counting(1875 + 80, 32);
    platform::MemoryStream stream(data);
    RecordingTitle title;
    TBinConversion bin(&title);
    const std::vector<std::string> blocks = Blocks(bin, stream);
    ASSERT_EQ(blocks.size(), 2u);
    const std::vector<std::string> first = Lines(blocks[0]);
    ASSERT_EQ(first.size(), 25u);
    for (const std::string& line : first)
        EXPECT_EQ(line.size(), 75u);
    EXPECT_EQ(first[1], std::string(data.begin() + 75, data.begin() + 150));
    const std::vector<std::string> last = Lines(blocks[1]);
    ASSERT_EQ(last.size(), 2u);
    EXPECT_EQ(last[0].size(), 75u);
    EXPECT_EQ(last[1].size(), 5u);
    EXPECT_EQ(blocks[1].back(), '\n');
    EXPECT_EQ(title.titles, (std::vector<std::string>{"1875", "1955", "1955"}));
}

TEST(Conversions, EndAtOnceOnAnEmptyStream)
{
    RecordingTitle title;
    THexConversion hex(&title);
    TBinConversion bin(&title);
    TConversion plain;
    for (TConversion* conversion : {static_cast<TConversion*>(&hex), static_cast<TConversion*>(&bin), &plain}) {
        platform::MemoryStream empty;
        EXPECT_TRUE(Blocks(*conversion, empty).empty());
    }
    EXPECT_EQ(title.titles, (std::vector<std::string>{"0", "0"}));

    platform::MemoryStream text(Bytes("a\r\nb\x01"));
    EXPECT_EQ(Pages(plain, text), "a\r\nb\x01");
}

TEST(THexConversion, WidensOffsetsPastFourGiB)
{
    testfs::TempTree tree;
    const std::int64_t size = std::int64_t(5) << 30;
    platform::FileStream stream(tree.Sparse("big.bin", size), platform::FileStream::Mode::Read);
    stream.setPosition(size - 24);
    THexConversion hex(nullptr);
    const std::vector<std::string> lines = Lines(Pages(hex, stream));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].substr(0, 13), "13FFFFFE8  00");
    EXPECT_EQ(lines[1].substr(0, 13), "13FFFFFF8  00");
    EXPECT_EQ(lines[0].size(), 77u);
}

// Offsets and bytes of each line, as hex text, from our pages or from xxd's dump.
std::vector<std::pair<std::string, std::string>> Reduced(const std::string& dump, bool fromXxd)
{
    std::vector<std::pair<std::string, std::string>> lines;
    for (const std::string& line : Lines(dump)) {
        const std::size_t offsetEnd = line.find(fromXxd ? ": " : "  ");
        const std::size_t hexStart = offsetEnd + 2;
        std::string offset = platform::AsciiUpperCase(line.substr(0, offsetEnd));
        std::string hex;
        std::istringstream tokens(line.substr(hexStart, fromXxd ? line.find("  ", hexStart) - hexStart : 50));
        for (std::string token; tokens >> token;)
            hex += platform::AsciiUpperCase(token);
        lines.emplace_back(std::move(offset), std::move(hex));
    }
    return lines;
}

std::string XxdDump(const std::string& path)
{
    std::string dump;
    FILE* pipe = popen(("xxd -g1 -c16 '" + path + "'").c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    char chunk[4096];
    while (const std::size_t got = std::fread(chunk, 1, sizeof chunk, pipe))
        dump.append(chunk, got);
    EXPECT_EQ(pclose(pipe), 0);
    return dump;
}

TEST(THexConversion, AgreesWithXxdOnOffsetsAndBytes)
{
    testfs::TempTree tree;
    std::uint32_t seed = 7;
    for (const std::size_t size : {1u, 15u, 16u, 17u, 319u, 320u, 321u, 5000u, 77777u}) {
        const std::string path = tree.Path("random-" + std::to_string(size));
        testsupport::writeFile(path, randomBytes(size, seed++));
        platform::FileStream stream(path, platform::FileStream::Mode::Read);
        THexConversion hex(nullptr);
        const auto ours = Reduced(Pages(hex, stream), false);
        const auto theirs = Reduced(XxdDump(path), true);
        EXPECT_EQ(ours.size(), (size + 15) / 16);
        EXPECT_EQ(ours, theirs) << size << " bytes";
    }
}

} // namespace
