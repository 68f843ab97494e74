#include "GifTestKit.h"
#include "support/Deadline.h"
#include "support/FileContents.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>

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

    // Missing the trailer, or the data's terminator too: complete all the same.
    Bytes cutShort = OneFrame();
    for (int missing : {1, 2}) {
        cutShort.pop_back();
        l = Load(cutShort);
        EXPECT_EQ(l.frame(0).GetData(), (Bytes{0, 1, 2, 3, 3, 2, 1, 0})) << missing;
        EXPECT_TRUE(l.warnings.empty()) << missing;
    }

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

TEST(GIFFile, FailedLoadKeepsTheFramesBeforeTheErrorAndPutsTheStreamBack)
{
    GifBuilder b;
    b.header(4, 2).frame(0, 0, 4, 2, Bytes(8, 1));
    b.descriptor(0, 0, 2, 2).raw({12, 1, 0, 0}); // a minimum code size no decoder takes
    for (const Bytes& picture : {OneFrame("BAD"), b.bytes}) {
        Bytes bytes{'x', 'y'};
        bytes.insert(bytes.end(), picture.begin(), picture.end());
        TGIFImage image;
        auto stream = platform::MemoryStream::borrowing(bytes);
        stream.setPosition(2);
        EXPECT_THROW(image.LoadFromStream(stream), GIFException);
        EXPECT_EQ(stream.position(), 2);
        EXPECT_EQ(image.Images.GetCount(), picture == b.bytes ? 1 : 0);
    }
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
    const std::unique_ptr<TGIFSubImage> replaced = image.Images.SetImage(2, std::make_unique<TGIFSubImage>(&image));
    EXPECT_EQ(replaced.get(), first) << "the frame replaced goes back to the caller";
    EXPECT_THROW(image.Images.SetImage(3, std::make_unique<TGIFSubImage>(&image)), std::out_of_range);
    EXPECT_EQ(image.Images.GetCount(), 3);
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
    EXPECT_EQ(Bytes(out.bytes().begin(), out.bytes().end()),
              (Bytes{'G', 'I', 'F', '8', '7', 'a', 3, 0, 1, 0, 0, 0, 0}));

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

namespace {

// Takes `room` bytes, then fails like a full disk.
class FullDisk final : public platform::Stream {
public:
    explicit FullDisk(std::size_t room) : room_(room) {}
    std::int64_t position() const override { return static_cast<std::int64_t>(written_); }
    std::int64_t size() const override { return position(); }
    std::size_t read(void*, std::size_t) override { return 0; }
    void write(const void*, std::size_t count) override
    {
        if (written_ + count > room_)
            throw platform::Exception("No space left on device");
        written_ += count;
    }
    void setPosition(std::int64_t) override {}

private:
    std::size_t room_;
    std::size_t written_ = 0;
};

std::vector<std::string> FilesIn(const std::string& directory)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        names.push_back(entry.path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST(GIFFile, SavedVersionAndDescriptorsFollowWhatThePictureHolds)
{
    TGIFImage empty;
    EXPECT_EQ(empty.GetVersion(), gvUnknown);
    EXPECT_EQ(Saved(empty), (Bytes{'G', 'I', 'F', '8', '7', 'a', 0, 0, 0, 0, 0x70, 0, 0, ';'}));

    Loaded l = Load(OneFrame());
    l.image->Header.SetAspectRatio(49);
    EXPECT_EQ(Saved(*l.image)[4], '9') << "an 87a frame on an 89a header";

    // A sorted local table of 5 colours on an interlaced frame: 8 entries written, the
    // sort bit and the interlace bit set, and the file is 89a.
    l = Load(OneFrame());
    TGIFSubImage& frame = l.frame(0);
    frame.SetInterlaced(true);
    frame.ColorMap.ImportColorMap(std::vector<platform::Rgb>(5, {7, 7, 7}));
    frame.ColorMap.SetSorted(true);
    const Bytes saved = Saved(*l.image);
    EXPECT_EQ(saved[4], '9');
    const std::size_t descriptor = 13 + 12; // header, 4-colour global table
    EXPECT_EQ(saved[descriptor], ',');
    EXPECT_EQ(saved[descriptor + 9], 0x80 | 0x40 | 0x20 | 2);
    const Loaded again = Load(saved);
    EXPECT_EQ(again.frame(0).ColorMap.GetCount(), 8);
    EXPECT_EQ(again.frame(0).GetData(), frame.GetData());
}

TEST(GIFFile, PixelsBeyondTheirTableSaveAsTheyAreShown)
{
    GifBuilder b;
    b.header(3, 1, 2).frame(0, 0, 3, 1, {0, 1, 3}).trailer();
    const Loaded l = Load(b.bytes);
    ASSERT_TRUE(l.warned(sBadColorIndex));
    std::vector<std::string> warnings;
    l.image->OnCodecWarning = [&](GifPersistent*, TGIFSeverity severity, std::string_view message) {
        EXPECT_EQ(severity, gsWarning);
        warnings.emplace_back(message);
    };
    const Bytes saved = Saved(*l.image);
    EXPECT_EQ(warnings, std::vector<std::string>{std::string(sInvalidColor)});
    const Loaded again = Load(saved);
    EXPECT_TRUE(again.warnings.empty());
    EXPECT_EQ(again.frame(0).GetData(), (Bytes{0, 1, 3}));
    EXPECT_EQ(again.image->GetGlobalColorMap().GetCount(), 4);
    EXPECT_EQ(again.image->GetGlobalColorMap().LookupPadded(3), (platform::Rgb{}));
    EXPECT_EQ(again.image->GetGlobalColorMap().LookupPadded(1), l.image->GetGlobalColorMap().LookupPadded(1));
}

TEST(GIFFile, SaveReportsProgressAndPassesWriteErrorsOn)
{
    Loaded l = Load(GifBuilder().header(2, 1).frame(0, 0, 2, 1, {1, 2}).frame(0, 0, 2, 1, {3, 0}).trailer().bytes);
    std::vector<std::pair<TProgressStage, int>> seen;
    l.image->OnProgress = [&](GifPersistent*, TProgressStage stage, int percent, bool, std::string_view message) {
        EXPECT_EQ(message, sProgressSaving);
        seen.emplace_back(stage, percent);
    };
    Saved(*l.image);
    EXPECT_EQ(seen, (std::vector<std::pair<TProgressStage, int>>{{psStarting, 0},
                                                                 {psRunning, 50},
                                                                 {psRunning, 100},
                                                                 {psEnding, 100}}));
    seen.clear();
    FullDisk full(30);
    EXPECT_THROW(l.image->SaveToStream(full), platform::Exception);
    EXPECT_EQ(seen.back(), std::make_pair(psEnding, 0));
}

TEST(GIFFile, SaveToFileCutShortKeepsTheOldFile)
{
    testfs::TempTree tree;
    const std::string target = tree.File("picture.gif", "the old picture");
    GifBuilder b;
    b.header(100, 100, 256);
    std::mt19937 random(4);
    Bytes noise(10000);
    for (auto& pixel : noise)
        pixel = static_cast<std::uint8_t>(random());
    b.descriptor(0, 0, 100, 100).raw(EncodeLZW(noise, 8)).trailer();
    Loaded l = Load(b.bytes);
    ASSERT_EQ(l.error, "");

    // The child may write 4 KiB; writing more fails with EFBIG, as a full disk would.
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            l.image->SaveToFile(target);
        } catch (const platform::Exception& e) {
            _exit(std::string(e.what()).find("picture.gif") != std::string::npos ? 0 : 2);
        }
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "an error naming the file; status " << status;
    EXPECT_TRUE(testsupport::readFile(target) == "the old picture");
    EXPECT_EQ(FilesIn(tree.Root()), std::vector<std::string>{"picture.gif"}) << "no temporary left";

    // Without the limit the file is replaced, keeping its mode.
    chmod(target.c_str(), 0640);
    l.image->SaveToFile(target);
    const std::string content = testsupport::readFile(target);
    EXPECT_EQ(Load(Bytes(content.begin(), content.end())).frame(0).GetData(), noise);
    struct stat st {};
    stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FilesIn(tree.Root()), std::vector<std::string>{"picture.gif"});
}
