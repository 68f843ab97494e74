// Truncated and mutated files: every one must load (perhaps with warnings) or fail with a
// GIFException, quickly, and without touching memory it does not own (the suite also runs
// under AddressSanitizer and UBSan).

#include "GifTestKit.h"

#include <gtest/gtest.h>


using namespace giftest;

namespace {

// A small animation using most of what the reader knows.
Bytes Corpus()
{
    Bytes pixels;
    for (int i = 0; i < 12 * 9; ++i)
        pixels.push_back(static_cast<std::uint8_t>((i * 7 + i / 12) % 16));
    GifBuilder b;
    b.header(16, 12, 16, 3);
    Append(b.bytes, {'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
    Append(b.bytes, {'!', 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 0});
    b.graphicControl(0x09, 10, 5).frame(1, 2, 12, 9, pixels, 4, 0x40);
    b.graphicControl(0x0C, 20, 0).descriptor(0, 0, 5, 4, 0x81).colorTable(4).raw(EncodeLZW(Bytes(20, 3), 2));
    Append(b.bytes, {'!', 0x01, 12, 0, 0, 0, 0, 8, 0, 8, 0, 4, 4, 1, 0, 2, 'h', 'i', 0});
    return b.trailer().bytes;
}

} // namespace

TEST(GIFHostile, EveryPrefixLoadsOrFailsCleanly)
{
    const Bytes corpus = Corpus();
    ASSERT_EQ(Load(corpus).error, "");
    for (std::size_t n = 0; n < corpus.size(); ++n)
        LoadsOrFailsCleanly(Bytes(corpus.begin(), corpus.begin() + static_cast<std::ptrdiff_t>(n)),
                   "prefix of " + std::to_string(n));
}

TEST(GIFHostile, EveryByteFlippedLoadsOrFailsCleanly)
{
    const Bytes corpus = Corpus();
    for (std::size_t i = 0; i < corpus.size(); ++i)
        for (std::uint8_t value : {0x00, 0xFF, 0x2C, 0x21}) {
            Bytes mutated = corpus;
            mutated[i] = value;
            LoadsOrFailsCleanly(mutated, "byte " + std::to_string(i) + " = " + std::to_string(value));
        }
}

TEST(GIFHostile, CraftedCasesStayBounded)
{
    // Pixels far beyond the table, a frame beyond a huge screen: they load, and the
    // bitmap's palette pads the indices.
    GifBuilder b;
    b.header(65535, 65535, 2).frame(65530, 65530, 20, 20, Bytes(400, 200), 8).trailer();
    const Loaded l = Load(b.bytes);
    ASSERT_EQ(l.error, "");
    EXPECT_TRUE(l.warned(gifstrings::sBadColorIndex));
    const platform::Bitmap* bitmap = l.frame(0).GetBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->pixelColor(0, 0), (platform::Rgb{}));

    // A zero-sized frame takes the screen's size, which is then too large to allocate.
    GifBuilder zero;
    zero.header(65535, 65535, 2).descriptor(0, 0, 0, 0).raw(EncodeLZW(Bytes(100, 1), 2)).trailer();
    EXPECT_EQ(Load(zero.bytes).error, gifstrings::sBadDimension);

    // A 0x0 frame on a 0x0 screen keeps nothing and skips its data.
    GifBuilder empty;
    empty.header(0, 0).descriptor(0, 0, 0, 0).raw(EncodeLZW(Bytes(50, 1), 2)).trailer();
    EXPECT_EQ(Load(empty.bytes).error, "");

    // A legal 223-byte file of eight 8192 x 8192 frames whose data stops after one pixel: the
    // frames have their declared size and hold the fill beyond it (what the rows the data
    // never reached cost in memory is measured by bench/gif-memory.sh).
    GifBuilder huge;
    huge.header(8192, 8192, 2).raw({'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0});
    for (int i = 0; i < 8; ++i)
        huge.graphicControl(3 << 2, 10, 0).frame(0, 0, 8192, 8192, Bytes{static_cast<std::uint8_t>(i & 1)});
    huge.trailer();
    ASSERT_EQ(huge.bytes.size(), 223u);
    const Loaded eight = Load(huge.bytes);
    ASSERT_EQ(eight.error, "");
    ASSERT_EQ(eight.image->Images.GetCount(), 8);
    for (int i = 0; i < 8; ++i) {
        const TGIFSubImage& frame = eight.frame(i);
        EXPECT_EQ(frame.GetBoundsRect(), (GifRect{0, 0, 8192, 8192}));
        EXPECT_EQ(frame.GetData().size(), std::size_t{8192} * 8192);
        EXPECT_EQ(frame.GetPixel(0, 0), i & 1);
        EXPECT_EQ(frame.GetPixel(8191, 8191), 0);
        EXPECT_TRUE(frame.RowHoldsData(0));
        EXPECT_FALSE(frame.RowHoldsData(1));
    }
    EXPECT_FALSE(eight.warned(gifstrings::sBadColorIndex));

    // Millions of empty frames hit the frame limit instead of exhausting memory.
    GifBuilder many;
    many.header(1, 1);
    for (int i = 0; i < 100001; ++i)
        many.raw({',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 0});
    EXPECT_EQ(Load(many.bytes).error, gifstrings::sInvalidData);
}
