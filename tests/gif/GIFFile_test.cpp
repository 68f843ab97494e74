#include "GifTestKit.h"
#include "support/Deadline.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

using namespace giftest;
using namespace gifstrings;

namespace {

Bytes OneFrame(const char* signature = "GIF")
{
    GifBuilder b;
    b.header(4, 2);
    std::copy(signature, signature + 3, b.bytes.begin());
    b.frame(0, 0, 4, 2, {0, 1, 2, 3, 3, 2, 1, 0}).trailer();
    return b.bytes;
}

} // namespace

TEST(GIFFile, SignatureIsFoundWithoutCaseAndAfterAFourBytePrefix)
{
    EXPECT_EQ(Load(OneFrame("gif")).error, "");
    Bytes prefixed = OneFrame();
    for (int prefix : {3, 4, 5}) {
        Bytes bytes(static_cast<std::size_t>(prefix), 'x');
        bytes.insert(bytes.end(), prefixed.begin(), prefixed.end());
        EXPECT_EQ(Load(bytes).error, prefix == 4 ? "" : std::string(sBadSignature)) << prefix;
    }
    Bytes anyVersion = OneFrame();
    std::copy_n("zz!", 3, anyVersion.begin() + 3);
    EXPECT_EQ(Load(anyVersion).error, "");
}

TEST(GIFFile, ReadsHeaderFramesAndPixels)
{
    const Loaded l = Load(OneFrame());
    ASSERT_EQ(l.error, "");
    EXPECT_TRUE(l.warnings.empty());
    EXPECT_EQ(l.image->GetWidth(), 4);
    EXPECT_EQ(l.image->GetHeight(), 2);
    ASSERT_EQ(l.image->Images.GetCount(), 1);
    EXPECT_EQ(l.frame(0).GetData(), (Bytes{0, 1, 2, 3, 3, 2, 1, 0}));
    EXPECT_EQ(l.frame(0).GetPixel(3, 0), 3); // rows top to bottom
    EXPECT_THROW(l.frame(0).GetPixel(4, 0), GIFException);
    EXPECT_EQ(l.image->GetGlobalColorMap().GetCount(), 4);
    EXPECT_EQ(l.image->GetGlobalColorMap().GetColor(1), (platform::Rgb{40, 254, 7}));
}

TEST(GIFFile, ShortAndOddlyEndingFiles)
{
    GifBuilder b;
    b.header(10, 10);
    Loaded l = Load(b.bytes); // ends after the screen descriptor and table
    EXPECT_EQ(l.error, "");
    EXPECT_TRUE(l.image->GetEmpty());
    EXPECT_TRUE(l.warnings.empty());

    Bytes noTrailer = OneFrame();
    noTrailer.pop_back();
    l = Load(noTrailer);
    EXPECT_EQ(l.image->Images.GetCount(), 1);
    EXPECT_TRUE(l.warnings.empty());

    Bytes cut = OneFrame();
    cut.resize(9); // inside the screen descriptor
    EXPECT_EQ(Load(cut).error, sOutOfData);
}

TEST(GIFFile, ZeroPaddingAndStrayBytesBetweenBlocks)
{
    GifBuilder b;
    b.header(2, 1).raw({0, 0}).frame(0, 0, 2, 1, {1, 2}).raw({0}).frame(0, 0, 2, 1, {3, 0}).trailer();
    Loaded l = Load(b.bytes);
    EXPECT_EQ(l.image->Images.GetCount(), 2);
    EXPECT_TRUE(l.warnings.empty());

    // A stray byte: the frames so far stay; the trailer then reads the byte before the
    // stray one (here the frame's terminator, or a zero pad) and finds no ';' there.
    const std::vector<std::string> expected{std::string(sBadBlock), std::string(sBadTrailer)};
    for (const Bytes& tail : {Bytes{0x2A, ';'}, Bytes{0, 0x2A}}) {
        GifBuilder stray;
        stray.header(2, 1).frame(0, 0, 2, 1, {1, 2}).raw(tail);
        l = Load(stray.bytes);
        EXPECT_EQ(l.error, "");
        EXPECT_EQ(l.image->Images.GetCount(), 1);
        EXPECT_EQ(l.warnings, expected);
    }
}

TEST(GIFFile, GlobalTableFlagDecidesWhatFollows)
{
    GifBuilder b;
    b.header(2, 1, 0).frame(0, 0, 2, 1, {0, 1}).trailer();
    const Loaded l = Load(b.bytes);
    EXPECT_EQ(l.image->GetGlobalColorMap().GetCount(), 0);
    EXPECT_EQ(l.frame(0).GetData(), (Bytes{0, 1}));
    EXPECT_TRUE(l.warned(sBadColorIndex)) << "pixels without any table";
}

TEST(GIFFile, FailedLoadLeavesThePictureEmptyAndTheStreamInPlace)
{
    Bytes bytes{'x', 'y'};
    const Bytes bad = OneFrame("BAD");
    bytes.insert(bytes.end(), bad.begin(), bad.end());
    TGIFImage image;
    auto stream = platform::MemoryStream::borrowing(bytes);
    stream.setPosition(2);
    EXPECT_THROW(image.LoadFromStream(stream), GIFException);
    EXPECT_EQ(stream.position(), 2);
    EXPECT_TRUE(image.GetEmpty());
}

TEST(GIFFile, AFifoIsRefusedAtOnceNamingIt)
{
    testfs::TempTree tree;
    const std::string fifo = tree.Fifo("picture.gif");
    const std::string error = testsupport::finishWithin(std::chrono::seconds(5), [&] {
        TGIFImage image;
        try {
            image.LoadFromFile(fifo);
        } catch (const platform::Exception& e) {
            return std::string(e.what());
        }
        return std::string("loaded");
    });
    EXPECT_EQ(error, "Cannot open file \"" + fifo + "\": is not a regular file");
}

TEST(GIFFile, FrameSizesAgainstTheScreen)
{
    // A zero width takes the screen's size, with a warning.
    GifBuilder zero;
    zero.header(3, 2).frame(0, 0, 0, 5, Bytes(6, 1)).trailer();
    Loaded l = Load(zero.bytes);
    EXPECT_EQ(l.frame(0).GetWidth(), 3);
    EXPECT_EQ(l.frame(0).GetHeight(), 2);
    EXPECT_EQ(l.frame(0).GetData(), Bytes(6, 1));
    EXPECT_TRUE(l.warned(sScreenSizeExceeded));

    // A frame beyond the screen loads as it is, silently.
    GifBuilder off;
    off.header(100, 100).frame(300, 300, 20, 20, Bytes(400, 2)).trailer();
    l = Load(off.bytes);
    EXPECT_TRUE(l.warnings.empty());
    EXPECT_EQ(l.frame(0).GetBoundsRect(), (GifRect{300, 300, 320, 320}));

    // A screen of no size takes the frames' extent.
    GifBuilder empty;
    empty.header(0, 0).frame(2, 1, 3, 3, Bytes(9, 1)).trailer();
    l = Load(empty.bytes);
    EXPECT_EQ(l.image->GetWidth(), 5);
    EXPECT_EQ(l.image->GetHeight(), 4);
    EXPECT_TRUE(l.warned(sScreenSizeExceeded));
}

TEST(GIFFile, HugeDimensionsAreRefusedBeforeAllocating)
{
    GifBuilder screen;
    screen.header(65535, 65535).frame(0, 0, 1, 1, {1}).trailer();
    EXPECT_EQ(Load(screen.bytes).error, "");

    GifBuilder frame;
    frame.header(10, 10).descriptor(0, 0, 65535, 65535).raw({2, 1, 0x44, 0}).trailer();
    EXPECT_EQ(Load(frame.bytes).error, sBadDimension);

    // Many frames that each pass can still exceed the picture's total.
    GifLimits small;
    small.maxTotalPixels = 15;
    GifBuilder many;
    many.header(2, 2);
    for (int i = 0; i < 4; ++i)
        many.frame(0, 0, 2, 2, Bytes(4, 1));
    EXPECT_EQ(Load(many.trailer().bytes, small).error, sBadDimension);
}

TEST(GIFFile, CountLimitsStopEndlessFramesAndExtensions)
{
    GifLimits limits;
    limits.maxFrames = 3;
    limits.maxExtensions = 3;
    GifBuilder frames;
    frames.header(1, 1);
    for (int i = 0; i < 4; ++i)
        frames.frame(0, 0, 1, 1, {0});
    EXPECT_EQ(Load(frames.bytes, limits).error, sInvalidData);
    GifBuilder comments;
    comments.header(1, 1);
    for (int i = 0; i < 4; ++i)
        comments.raw({'!', 0xFE, 1, 'c', 0});
    EXPECT_EQ(Load(comments.bytes, limits).error, sInvalidData);
}

TEST(GIFFile, EarlyEndCodeAndEmptyFrameDoNotSwallowTheNextBlock)
{
    CodeWriter early(2);
    for (int code : {4, 1, 5})
        early.put(code);
    GifBuilder b;
    b.header(0, 0).descriptor(0, 0, 0, 0).raw(EncodeLZW(Bytes(30, 2), 2));
    b.descriptor(0, 0, 4, 1).raw(early.imageData());
    b.frame(0, 0, 4, 1, {3, 3, 2, 1}).trailer();
    const Loaded l = Load(b.bytes);
    ASSERT_EQ(l.image->Images.GetCount(), 3);
    EXPECT_TRUE(l.frame(0).GetEmpty());
    EXPECT_EQ(l.frame(1).GetData(), (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(l.frame(2).GetData(), (Bytes{3, 3, 2, 1}));
    EXPECT_FALSE(l.warned(sBadBlock));
}

TEST(GIFFile, FrameListRefusesBadIndicesWithoutLosingFrames)
{
    TGIFImage image;
    for (int i = 0; i < 3; ++i)
        image.Images.Add(std::make_unique<TGIFSubImage>(&image));
    const TGIFSubImage* first = image.Images.First();
    EXPECT_THROW(image.Images.Move(0, 3), std::out_of_range);
    EXPECT_EQ(image.Images.GetCount(), 3);
    EXPECT_EQ(image.Images.First(), first);
    image.Images.Move(0, 2);
    EXPECT_EQ(image.Images.Last(), first);
}

TEST(GIFFile, ProgressReportsLoadingInOrder)
{
    TGIFImage image;
    std::vector<std::pair<TProgressStage, int>> seen;
    image.OnProgress = [&](GifPersistent*, TProgressStage stage, int percent, bool, std::string_view message) {
        EXPECT_EQ(message, sProgressLoading);
        seen.emplace_back(stage, percent);
    };
    const Bytes bytes = OneFrame();
    auto stream = platform::MemoryStream::borrowing(bytes);
    image.LoadFromStream(stream);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen.front(), std::make_pair(psStarting, 0));
    EXPECT_EQ(seen[1].first, psRunning);
    EXPECT_EQ(seen.back(), std::make_pair(psEnding, 100));
}

TEST(GIFFile, HeaderIsWrittenWithTheTableItCarries)
{
    TGIFImage image;
    image.Header.SetWidth(3);
    image.Header.SetHeight(1);
    platform::MemoryStream out;
    EXPECT_THROW(image.Header.SaveToStream(out, gvUnknown, 0), GIFException);
    image.Header.SaveToStream(out, gv87a, 0);
    EXPECT_EQ(Bytes(out.bytes().begin(), out.bytes().end()), (Bytes{'G', 'I', 'F', '8', '7', 'a', 3, 0, 1, 0, 0, 0, 0}));

    image.GetGlobalColorMap().ImportColorMap(std::vector<platform::Rgb>{{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
    image.Header.SetBackgroundColorIndex(5);
    EXPECT_EQ(image.GetBackgroundColorIndex(), 0) << "beyond the table: 0";
    EXPECT_EQ(image.Header.GetVersion(), gv87a);
    image.Header.SetAspectRatio(49);
    EXPECT_EQ(image.Header.GetVersion(), gv89a);
    platform::MemoryStream withTable;
    image.Header.SaveToStream(withTable, gv89a, 7);
    const Bytes bytes(withTable.bytes().begin(), withTable.bytes().end());
    ASSERT_EQ(bytes.size(), 13u + 12);
    EXPECT_EQ(bytes[10], 0x80 | 0x70 | 1) << "2 size bits for 3 colours, written as 4";
    EXPECT_EQ(bytes.back(), 0);
    const Loaded l = Load(bytes);
    EXPECT_EQ(l.image->GetGlobalColorMap().GetCount(), 4);
    EXPECT_EQ(l.image->Header.GetAspectRatio(), 49);
}
