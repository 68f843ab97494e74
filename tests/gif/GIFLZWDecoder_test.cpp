#include "GifTestKit.h"

#include "gif/GIFEncoder.h"
#include "gif/GIFLZWDecoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

using namespace giftest;

namespace {

struct Decoded {
    Bytes pixels;
    std::vector<std::string> warnings;
    std::int64_t endPosition = 0;
    TGIFDecoded reached;
};

Decoded Decode(const Bytes& data, int width, int height, bool interlaced = false, std::uint8_t fill = 0xEE)
{
    Decoded result;
    result.pixels.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), fill);
    auto stream = platform::MemoryStream::borrowing(data);
    result.reached =
        DecompressLZW(stream, result.pixels.data(), width, height, interlaced, fill,
                      [&](TGIFSeverity, std::string_view message) { result.warnings.emplace_back(message); });
    result.endPosition = stream.position();
    return result;
}

Bytes RandomPixels(std::size_t count, int colors, unsigned seed)
{
    std::mt19937 random(seed);
    Bytes pixels(count);
    for (auto& p : pixels)
        p = static_cast<std::uint8_t>(random() % static_cast<unsigned>(colors));
    return pixels;
}

// Rows in the order an interlaced frame sends them, built as the format describes it.
std::vector<int> InterlacedOrder(int height)
{
    std::vector<int> rows;
    for (int y = 0; y < height; y += 8) rows.push_back(y);
    for (int y = 4; y < height; y += 8) rows.push_back(y);
    for (int y = 2; y < height; y += 4) rows.push_back(y);
    for (int y = 1; y < height; y += 2) rows.push_back(y);
    return rows;
}

} // namespace

TEST(LZWDecoder, RoundTripsEveryMinimumCodeSizeAndTableGrowth)
{
    for (int minCodeSize : {1, 2, 3, 5, 8, 11}) {
        const int colors = std::min(256, 1 << minCodeSize);
        // Noise grows the table through every width up to 12 bits and past a full table.
        const Bytes pixels = RandomPixels(40000, colors, static_cast<unsigned>(minCodeSize));
        const Decoded d = Decode(EncodeLZW(pixels, minCodeSize), 200, 200);
        EXPECT_EQ(d.pixels, pixels) << "minimum code size " << minCodeSize;
        EXPECT_TRUE(d.warnings.empty());
    }
}

TEST(LZWDecoder, StringThatRepeatsItsOwnFirstPixel)
{
    // "aaaa...": every new code is the one being defined (the KwKwK case).
    const Bytes pixels(1000, 3);
    EXPECT_EQ(Decode(EncodeLZW(pixels, 2), 1000, 1).pixels, pixels);
}

TEST(LZWDecoder, DeferredClearKeepsCodingWithAFullTable)
{
    const Bytes pixels = RandomPixels(60000, 256, 7);
    const Bytes deferred = EncodeLZW(pixels, 8, false, 10000);
    const Decoded d = Decode(deferred, 300, 200);
    EXPECT_EQ(d.pixels, pixels);
    EXPECT_TRUE(d.warnings.empty());
}

TEST(LZWDecoder, ClearsMidStreamAndInARow)
{
    CodeWriter w(2);
    for (int code : {4, 1, 4, 4, 2, 6, 4, 3, 3, 6, 5})
        w.put(code);
    // 1; after two clears 2 and code 6 = "2 2"; after another, 3, 3 and code 6 = "3 3".
    const Decoded d = Decode(w.imageData(), 9, 1);
    EXPECT_EQ(d.pixels, (Bytes{1, 2, 2, 2, 3, 3, 3, 3, 0xEE}));
}

TEST(LZWDecoder, RejectsMinimumCodeSizesNoWriterUses)
{
    for (int size : {0, 12, 255}) {
        const Bytes data{static_cast<std::uint8_t>(size), 1, 0, 0};
        EXPECT_THROW(Decode(data, 4, 4), GIFException) << size;
    }
}

TEST(LZWDecoder, InterlacedRowsLandInPlaceAndLeaveInPassOrder)
{
    for (int height : {1, 2, 3, 4, 5, 6, 7, 8, 9, 17}) {
        const int width = 3;
        Bytes sent; // row r of the file carries its target row number as its pixels
        for (int row : InterlacedOrder(height))
            sent.insert(sent.end(), width, static_cast<std::uint8_t>(row));
        const Decoded d = Decode(EncodeLZW(sent, 5), width, height, true);
        const std::vector<int> order = InterlacedOrder(height);
        for (int rank = 0; rank < height; ++rank)
            EXPECT_EQ(InterlacedRowRank(order[static_cast<std::size_t>(rank)], height), rank) << "height " << height;
        Bytes image;
        for (int y = 0; y < height; ++y) {
            EXPECT_EQ(d.pixels[static_cast<std::size_t>(y * width)], y) << "height " << height;
            image.insert(image.end(), width, static_cast<std::uint8_t>(y));
        }
        // Our encoder sends them in the same order: read as they come, they are `sent`.
        platform::MemoryStream encoded;
        MakeEncoder(gcLZW)->Encode(encoded, 5, 32, image.data(), true, height, width);
        const Bytes data(encoded.bytes().begin(), encoded.bytes().end());
        EXPECT_EQ(Decode(data, width, height, false).pixels, sent) << "height " << height;
    }
}

TEST(LZWDecoder, DataCutShortKeepsWhatWasDecoded)
{
    const Bytes pixels = RandomPixels(400, 4, 3);
    const Bytes full = EncodeLZW(pixels, 2);

    // Cut inside a sub-block: a warning, the pixels decoded, the fill value after them.
    Bytes cut(full.begin(), full.begin() + 20);
    Decoded d = Decode(cut, 20, 20);
    EXPECT_EQ(d.warnings, std::vector<std::string>{std::string(gifstrings::sOutOfData)});
    EXPECT_EQ(d.pixels[0], pixels[0]);
    EXPECT_EQ(d.pixels.back(), 0xEE);
    // What was reached and the highest index are told without reading the pixels: the
    // fill counts as soon as the data falls short.
    const auto placed = static_cast<std::size_t>(std::find(d.pixels.begin(), d.pixels.end(), 0xEE) - d.pixels.begin());
    EXPECT_EQ(d.reached.rows, static_cast<int>((placed + 19) / 20));
    EXPECT_EQ(d.reached.highest, 0xEE);
    EXPECT_EQ(Decode(full, 20, 20).reached.highest, *std::max_element(pixels.begin(), pixels.end()));
    EXPECT_EQ(Decode(full, 20, 20).reached.rows, 20);
    EXPECT_EQ(Decode(full, 0, 0).reached.highest, -1);

    // The terminator comes before all pixels are placed (15 bits of codes: the padding
    // is too short to be read as one more).
    CodeWriter w(2);
    for (int code : {4, 1, 2, 1, 2})
        w.put(code);
    d = Decode(w.imageData(), 6, 1);
    EXPECT_EQ(d.pixels, (Bytes{1, 2, 1, 2, 0xEE, 0xEE}));
    EXPECT_EQ(d.warnings, std::vector<std::string>{std::string(gifstrings::sDecodeTooFewBits)});

    // An end code right after a short string: what its copy ran past holds the fill, not
    // the bytes copied along with it, in either row order.
    CodeWriter shortLast(2);
    for (int code : {4, 1, 2, 3, 6, 5})
        shortLast.put(code);
    Bytes expected(64, 0xEE);
    std::copy_n(Bytes{1, 2, 3, 1, 2}.begin(), 5, expected.begin());
    for (bool interlaced : {false, true})
        EXPECT_EQ(Decode(shortLast.imageData(), 8, 8, interlaced).pixels, expected) << interlaced;
}

TEST(LZWDecoder, StopsAfterTheTerminatorWhateverEndedTheFrame)
{
    const Bytes next{'!', 0xFE, 1, 'x', 0};
    auto withNext = [&](Bytes data) {
        data.insert(data.end(), next.begin(), next.end());
        return data;
    };
    // An early end code followed by more sub-blocks.
    CodeWriter early(2);
    for (int code : {4, 1, 5, 2, 2})
        early.put(code);
    Bytes data = early.imageData(true, 1);
    Decoded d = Decode(withNext(data), 4, 1);
    EXPECT_EQ(d.pixels, (Bytes{1, 0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(d.endPosition, static_cast<std::int64_t>(data.size()));

    // All pixels placed and the terminator right after, with no end code.
    CodeWriter exact(2);
    for (int code : {4, 1, 2})
        exact.put(code);
    data = exact.imageData();
    d = Decode(withNext(data), 2, 1);
    EXPECT_EQ(d.pixels, (Bytes{1, 2}));
    EXPECT_EQ(d.endPosition, static_cast<std::int64_t>(data.size()));
    EXPECT_TRUE(d.warnings.empty());

    // No pixels at all: the data is still skipped.
    data = EncodeLZW(Bytes(9, 1), 2);
    d = Decode(withNext(data), 0, 0);
    EXPECT_EQ(d.endPosition, static_cast<std::int64_t>(data.size()));
}

TEST(LZWDecoder, DamagedCodesEndTheFrameWithAWarning)
{
    // A code beyond the next free entry (8 is next); then a clear followed by the end
    // code; then a first code after a clear that names a string.
    for (const std::vector<int>& codes :
         {std::vector<int>{4, 1, 2, 1, 9, 1}, std::vector<int>{4, 5, 1}, std::vector<int>{4, 6, 1}}) {
        CodeWriter w(2);
        for (int code : codes)
            w.put(code);
        const Decoded d = Decode(w.imageData(), 6, 1);
        EXPECT_EQ(d.pixels[5], 0xEE);
        if (codes[1] == 5)
            EXPECT_TRUE(d.warnings.empty()) << "an end code right after a clear is a normal end";
        else
            EXPECT_EQ(d.warnings, std::vector<std::string>{std::string(gifstrings::sInvalidData)});
    }
}

TEST(LZWDecoder, TransparentFillShowsWhereDataStops)
{
    CodeWriter w(2);
    for (int code : {4, 1, 5})
        w.put(code);
    EXPECT_EQ(Decode(w.imageData(), 3, 1, false, 3).pixels, (Bytes{1, 3, 3}));
}

TEST(LZWDecoder, EndlessClearsCostLittle)
{
    // About 10 MB of alternating clear and literal codes.
    CodeWriter w(8);
    for (int i = 0; i < 4'000'000; ++i) {
        w.put(256);
        w.put(i & 0xFF);
    }
    const Bytes data = w.imageData();
    const auto start = std::chrono::steady_clock::now();
    const Decoded d = Decode(data, 2000, 2000);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(d.pixels[3], 3);
}
