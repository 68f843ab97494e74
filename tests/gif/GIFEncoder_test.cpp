// What we write must read back the same everywhere: by our decoder, by giflib's giftext,
// by ImageMagick and by gifsicle, whatever the size, depth, interlacing and compression.

#include "GifTestKit.h"

#include "gif/GIFEncoder.h"
#include "gif/GIFLZWDecoder.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

using namespace giftest;
using namespace gifstrings;

namespace {

Bytes Encoded(TGIFCompression compression, int bits, int colors, const Bytes& pixels, int width, int height,
              bool interlaced = false)
{
    platform::MemoryStream out;
    MakeEncoder(compression)->Encode(out, bits, colors, pixels.data(), interlaced, height, width);
    return {out.bytes().begin(), out.bytes().end()};
}

Bytes RandomIndices(std::mt19937& random, std::size_t count, int colors)
{
    Bytes pixels(count);
    for (auto& p : pixels)
        p = static_cast<std::uint8_t>(random() % static_cast<unsigned>(colors));
    return pixels;
}

// Runs of one index after another, each at most `longest` long; lengths are mostly short.
Bytes RandomRuns(std::mt19937& random, std::size_t count, int colors, unsigned longest)
{
    Bytes pixels;
    while (pixels.size() < count) {
        const unsigned bound = random() % 2 ? std::min(longest, 4u) : longest;
        const std::size_t length = std::min<std::size_t>(1 + random() % bound, count - pixels.size());
        pixels.insert(pixels.end(), length, static_cast<std::uint8_t>(random() % static_cast<unsigned>(colors)));
    }
    return pixels;
}

// Reads the codes of one frame's image data (the minimum code size byte, then sub-blocks)
// with the widths a decoder uses, mirroring CodeWriter.
class CodeReader : public CodeWidth {
public:
    explicit CodeReader(const Bytes& imageData) : CodeWidth(imageData.at(0))
    {
        std::size_t at = 1;
        while (at < imageData.size() && imageData[at] != 0) {
            const std::size_t n = imageData[at];
            blockSizes.push_back(static_cast<int>(n));
            data_.insert(data_.end(), imageData.begin() + static_cast<std::ptrdiff_t>(at + 1),
                         imageData.begin() + static_cast<std::ptrdiff_t>(std::min(imageData.size(), at + 1 + n)));
            at += 1 + n;
        }
        terminated = at < imageData.size();
    }

    int minCodeSize() const { return min_; }
    // Bits left after the codes read so far.
    std::size_t bitsLeft() const { return data_.size() * 8 - position_; }

    // The next code, or -1 when the data has too few bits left.
    int next()
    {
        if (bitsLeft() < static_cast<std::size_t>(width()))
            return -1;
        int code = 0;
        for (int bit = 0; bit < width(); ++bit, ++position_)
            code |= ((data_[position_ / 8] >> (position_ % 8)) & 1) << bit;
        step(code);
        return code;
    }

    std::vector<int> blockSizes;
    bool terminated = false;

private:
    Bytes data_;
    std::size_t position_ = 0;
};

// Decodes one frame's image data as the format describes it, from CodeReader's codes and a
// table of whole strings: the pixels in the order the file holds them. `codes` counts the
// data codes; `valid` turns false at a code no decoder can take (decoding stops there).
Bytes DecodeCodes(const Bytes& imageData, std::size_t* codes = nullptr, bool* valid = nullptr)
{
    CodeReader reader(imageData);
    std::vector<Bytes> table;
    Bytes previous;
    const auto reset = [&] {
        table.assign(static_cast<std::size_t>(reader.clearCode()) + 2, Bytes{});
        for (int i = 0; i < reader.clearCode(); ++i)
            table[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(i)};
        previous.clear();
    };
    reset();
    Bytes out;
    std::size_t count = 0;
    bool ok = true;
    for (int code = reader.next(); code >= 0 && code != reader.endCode(); code = reader.next()) {
        if (code == reader.clearCode()) {
            reset();
            continue;
        }
        const auto at = static_cast<std::size_t>(code);
        Bytes entry;
        if (at < table.size() && !table[at].empty()) {
            entry = table[at];
        } else if (at == table.size() && !previous.empty()) {
            entry = previous;
            entry.push_back(previous[0]);
        } else {
            ok = false;
            break;
        }
        if (!previous.empty() && table.size() < 4096) {
            previous.push_back(entry[0]);
            table.push_back(previous);
        }
        out.insert(out.end(), entry.begin(), entry.end());
        previous = entry;
        ++count;
    }
    if (codes)
        *codes = count;
    if (valid)
        *valid = ok;
    return out;
}

// The pixels of `imageData` as a decoder following the format reads them; it must read
// them all and take no more codes than there are pixels.
void ExpectDecodesTo(const Bytes& imageData, const Bytes& pixels, const std::string& what)
{
    std::size_t codes = 0;
    bool valid = false;
    ASSERT_EQ(DecodeCodes(imageData, &codes, &valid), pixels) << what;
    EXPECT_TRUE(valid) << what;
    EXPECT_LE(codes, pixels.size()) << what;
}

std::vector<platform::Rgb> RandomColors(std::mt19937& random, int count)
{
    std::vector<platform::Rgb> colors(static_cast<std::size_t>(count));
    for (auto& c : colors)
        c = {static_cast<std::uint8_t>(random()), static_cast<std::uint8_t>(random()),
             static_cast<std::uint8_t>(random())};
    return colors;
}

// Adds a frame at the top left with these pixels; `colors` empty draws with the global table.
TGIFSubImage& AddFrame(TGIFImage& image, int width, int height, const Bytes& pixels,
                       const std::vector<platform::Rgb>& colors = {}, bool interlaced = false)
{
    auto frame = std::make_unique<TGIFSubImage>(&image);
    frame->DoSetBounds(0, 0, width, height);
    frame->SetInterlaced(interlaced);
    frame->ColorMap.ImportColorMap(colors);
    for (int y = 0; y < height; ++y)
        std::copy_n(pixels.begin() + static_cast<std::ptrdiff_t>(y) * width, width, frame->GetScanline(y));
    TGIFSubImage& added = *frame;
    image.Images.Add(std::move(frame));
    return added;
}

// Every frame's indices in the order the file holds its rows.
Bytes InFileOrder(const TGIFImage& image)
{
    Bytes all;
    for (const auto& frame : image.Images) {
        const auto width = static_cast<std::ptrdiff_t>(frame->GetWidth());
        const auto row = [&](int y) {
            const auto from = frame->GetData().begin() + y * width;
            all.insert(all.end(), from, from + width);
        };
        if (frame->GetInterlaced())
            ForEachInterlacedRow(frame->GetHeight(), row);
        else
            for (int y = 0; y < frame->GetHeight(); ++y)
                row(y);
    }
    return all;
}

// Saves the picture into `dir`, then has every decoder read it back.
void ExpectEveryDecoderReadsBack(TGIFImage& image, const QTemporaryDir& dir, const std::string& name)
{
    const QString path = dir.filePath(QString::fromStdString(name));
    WriteBytes(path, Saved(image));
    const Loaded ours = Load(ReadBytes(path));
    ASSERT_EQ(ours.error, "") << name;
    EXPECT_TRUE(ours.warnings.empty()) << name;
    ASSERT_EQ(ours.image->Images.GetCount(), image.Images.GetCount()) << name;
    for (int i = 0; i < image.Images.GetCount(); ++i)
        EXPECT_EQ(ours.frame(i).GetData(), image.Images.GetImage(i)->GetData()) << name << " frame " << i;
    EXPECT_EQ(GiftextIndices(path), InFileOrder(image)) << name;
    CompareWithImageMagick(path);
    ExpectGifsicleDecodesCleanly(path);
}

} // namespace

TEST(GIFEncoder, RandomPicturesReadBackByEveryDecoder)
{
    QTemporaryDir dir;
    for (const TGIFCompression compression : {gcLZW, gcRLE}) {
        std::mt19937 random(compression == gcLZW ? 11 : 12);
        TGIFImage image;
        image.Compression = compression;
        image.Header.SetWidth(300);
        image.Header.SetHeight(200);
        image.GetGlobalColorMap().ImportColorMap(RandomColors(random, 13));
        // Depths 1 to 8, each plain and interlaced, with tables of any size that needs
        // that depth; depth 4 draws with the 13-colour global table.
        for (int depth = 1; depth <= 8; ++depth)
            for (const bool interlaced : {false, true}) {
                const int count =
                    depth == 4 ? 13 : (1 << (depth - 1)) + 1 + static_cast<int>(random() % (1u << (depth - 1)));
                const bool first = depth == 1 && !interlaced;
                const int width = first ? 1 : 1 + static_cast<int>(random() % 300);
                const int height = first ? 1 : 1 + static_cast<int>(random() % 200);
                const auto area = static_cast<std::size_t>(width * height);
                const Bytes pixels = compression == gcLZW ? RandomIndices(random, area, count)
                                                          : RandomRuns(random, area, count, 1u << (depth + 2));
                AddFrame(image, width, height, pixels,
                         depth == 4 ? std::vector<platform::Rgb>{} : RandomColors(random, count), interlaced);
            }
        ExpectEveryDecoderReadsBack(image, dir, compression == gcLZW ? "random-lzw.gif" : "random-rle.gif");
    }
}

TEST(GIFEncoder, LowEntropyPictures)
{
    QTemporaryDir dir;
    for (const TGIFCompression compression : {gcLZW, gcRLE}) {
        TGIFImage image;
        image.Compression = compression;
        image.GetGlobalColorMap().ImportColorMap(std::vector<platform::Rgb>{{0, 0, 0}, {9, 9, 9}, {200, 0, 0}});
        AddFrame(image, 300, 200, Bytes(60000, 2));
        AddFrame(image, 10000, 1, Bytes(10000, 1));
        AddFrame(image, 1, 10000, Bytes(10000, 1), {}, true);
        ExpectEveryDecoderReadsBack(image, dir, compression == gcLZW ? "flat-lzw.gif" : "flat-rle.gif");
    }
    // A run of one colour grows one string after another: 60,000 pixels in a few hundred codes.
    EXPECT_LT(Encoded(gcLZW, 2, 3, Bytes(60000, 2), 300, 200).size(), 600u);
}

TEST(GIFEncoder, CodesWidenAndClearExactlyWhenADecoderExpects)
{
    std::mt19937 random(5);
    const Bytes pixels = RandomIndices(random, 1000 * 1000, 256);
    CodeReader reader(Encoded(gcLZW, 8, 256, pixels, 1000, 1000));
    EXPECT_EQ(reader.next(), reader.clearCode());
    int clears = 0;
    int previous = -1;
    for (int before = reader.nextFree(), code = reader.next(); code != reader.endCode();
         before = reader.nextFree(), code = reader.next()) {
        ASSERT_GE(code, 0) << "the data ended without an end code";
        if (code == reader.clearCode()) {
            EXPECT_EQ(before, 4095) << "a clear once code 4094 is taken, and only then";
            ++clears;
        } else {
            EXPECT_LE(code, std::min(before, 4094));
        }
        previous = code;
    }
    EXPECT_NE(previous, reader.clearCode()) << "the end code follows a data code";
    EXPECT_GT(clears, 100);
    EXPECT_LT(reader.bitsLeft(), 8u) << "only the padding of the last byte follows the end code";
    EXPECT_TRUE(reader.terminated);
    ASSERT_GT(reader.blockSizes.size(), 1u);
    for (std::size_t i = 0; i + 1 < reader.blockSizes.size(); ++i)
        ASSERT_EQ(reader.blockSizes[i], 255) << "sub-block " << i;
    EXPECT_GT(reader.blockSizes.back(), 0);
}

TEST(GIFEncoder, RunLengthCodesGiveBackTheirPixelsAndStaySmall)
{
    // Any depth, any mix of short and long runs.
    std::mt19937 random(21);
    for (int i = 0; i < 300; ++i) {
        const int depth = 1 + static_cast<int>(random() % 8);
        const int colors = (1 << (depth - 1)) + 1 + static_cast<int>(random() % (1u << (depth - 1)));
        const int width = 1 + static_cast<int>(random() % 64);
        const int height = 1 + static_cast<int>(random() % 64);
        const Bytes pixels =
            RandomRuns(random, static_cast<std::size_t>(width * height), colors, 1u << (random() % 12));
        ExpectDecodesTo(Encoded(gcRLE, depth, colors, pixels, width, height), pixels, "picture " + std::to_string(i));
    }
    // A million pixels fill the decoder's table many times over, runs going on across clears.
    const Bytes many = RandomRuns(random, 2000 * 500, 2, 3000);
    ExpectDecodesTo(Encoded(gcRLE, 1, 2, many, 2000, 500), many, "a million pixels");

    // One colour, and shapes: near the LZW size, and far below a code a pixel (3 bits).
    Bytes shapes(300 * 200, 0);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 300; ++x)
            if ((x - 150) * (x - 150) + (y - 100) * (y - 100) < 70 * 70 || (x > 10 && x < 60 && y > 10 && y < 190))
                shapes[static_cast<std::size_t>(y * 300 + x)] = 1;
    for (const Bytes& pixels : {Bytes(300 * 200, 1), shapes}) {
        const Bytes runs = Encoded(gcRLE, 1, 2, pixels, 300, 200);
        ExpectDecodesTo(runs, pixels, "300 x 200");
        EXPECT_LE(runs.size(), 2 * Encoded(gcLZW, 1, 2, pixels, 300, 200).size());
        EXPECT_LT(runs.size() * 8, pixels.size() * 3 / 10);
    }
}

TEST(GIFEncoder, MinimumCodeSizeAndEmptyFrames)
{
    EXPECT_EQ(Encoded(gcLZW, 1, 2, {0, 1}, 2, 1)[0], 2);
    EXPECT_EQ(Encoded(gcLZW, 2, 4, {3, 1}, 2, 1)[0], 2);
    EXPECT_EQ(Encoded(gcLZW, 8, 256, {255, 0}, 2, 1)[0], 8);
    // No pixels: the code size byte, the end code alone, the terminator.
    for (int bits = 0; bits <= 7; ++bits) {
        const int min = std::max(bits, 2);
        for (const TGIFCompression compression : {gcLZW, gcRLE})
            EXPECT_EQ(Encoded(compression, bits, 1 << bits, {}, 0, 5),
                      (Bytes{static_cast<std::uint8_t>(min), 1, static_cast<std::uint8_t>((1 << min) + 1), 0}));
    }
    EXPECT_EQ(Encoded(gcLZW, 8, 256, {}, 0, 5), (Bytes{8, 2, 1, 1, 0}));

    platform::MemoryStream refused;
    EXPECT_THROW(MakeEncoder(gcLZW)->Encode(refused, 2, 3, Bytes{0, 3}.data(), false, 1, 2), GIFException);
    EXPECT_EQ(refused.size(), 0) << "nothing written before the error";

    // A frame on a 4-colour global table codes with 2 bits beside a 256-colour frame.
    QTemporaryDir dir;
    TGIFImage image;
    image.GetGlobalColorMap().ImportColorMap(std::vector<platform::Rgb>(4, {1, 2, 3}));
    TGIFSubImage& small = AddFrame(image, 3, 1, {0, 3, 1});
    std::mt19937 random(2);
    AddFrame(image, 16, 16, RandomIndices(random, 256, 256), RandomColors(random, 256));
    platform::MemoryStream out;
    small.Compress(out);
    EXPECT_EQ(out.bytes()[0], 2);
    ExpectEveryDecoderReadsBack(image, dir, "small-beside-large.gif");
}
