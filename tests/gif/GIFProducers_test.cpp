// GIFs made at test time by independent producers (ImageMagick, gifsicle, giflib's
// gifbuild) must decode to exactly the pixels ImageMagick decodes from the same file,
// frame by frame, with the same geometry, delays and disposals; optimised by us, they must
// still show what they showed.

#include "GifTestKit.h"
#include "OptimizeTestKit.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace giftest;

namespace {

class GIFProducers : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir();
        ASSERT_TRUE(dir_->isValid());
        for (const QString& tool : {ImageMagick(), QStringLiteral("gifsicle"), QStringLiteral("gifbuild")})
            if (RunTool(tool, {QStringLiteral("--version")}) < 0)
                missing_ = tool;
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override
    {
        if (!missing_.isEmpty())
            GTEST_SKIP() << missing_.toStdString() << " is not installed (scripts/deps/test-gif.txt)";
    }

    static QString Path(const QString& name) { return dir_->filePath(name); }

    // Runs a producer inside the temporary directory; names in `arguments` are relative.
    static void Make(const QString& program, QStringList arguments)
    {
        QProcess process;
        process.setWorkingDirectory(dir_->path());
        process.start(program, arguments);
        ASSERT_TRUE(process.waitForFinished(60000)) << program.toStdString();
        ASSERT_EQ(process.exitCode(), 0) << program.toStdString() << " " << arguments.join(' ').toStdString() << "\n"
                                         << process.readAllStandardError().toStdString();
    }
    static void MakeWithImageMagick(const QString& arguments) { Make(ImageMagick(), arguments.split(' ')); }
    static void MakeWithGifsicle(const QString& arguments) { Make(QStringLiteral("gifsicle"), arguments.split(' ')); }
    static void MakeWithGifbuild(const QString& name, const QByteArray& text)
    {
        QProcess process;
        process.setWorkingDirectory(dir_->path());
        process.setStandardOutputFile(Path(name));
        process.start(QStringLiteral("gifbuild"), {});
        process.write(text);
        process.closeWriteChannel();
        ASSERT_TRUE(process.waitForFinished(60000));
        ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    }

    // Compares our reading of `name` with ImageMagick's, then saves it and checks that
    // nothing is lost on the way (RoundTrip).
    static Loaded Check(const QString& name, bool compareTiming = true)
    {
        Loaded ours = CompareWithImageMagick(Path(name), compareTiming);
        RoundTrip(name, ours);
        return ours;
    }
    static void RoundTrip(const QString& name, const Loaded& original);

    static QTemporaryDir* dir_;
    static QString missing_;
};

QTemporaryDir* GIFProducers::dir_ = nullptr;
QString GIFProducers::missing_;

Bytes ExtensionBytes(const TGIFSubImage& frame)
{
    platform::MemoryStream out;
    frame.Extensions.SaveToStream(out);
    return {out.bytes().begin(), out.bytes().end()};
}

// giftext's listing without the lines that name the file or state the colour resolution,
// which is ours to choose.
std::string GiftextListing(const QString& path)
{
    QByteArray listing, errors;
    EXPECT_EQ(RunTool(QStringLiteral("giftext"), {path}, &listing, &errors), 0) << errors.toStdString();
    EXPECT_EQ(errors.toStdString(), "") << path.toStdString();
    std::string text = listing.toStdString();
    text.erase(0, text.find('\n', text.find(':')));
    const std::size_t resolution = text.find("ColorResolution = ");
    if (resolution != std::string::npos)
        text.erase(resolution, text.find(", ", resolution) + 2 - resolution);
    return text;
}

// Saved and loaded again, the picture is what it was, a second save writes the very same
// bytes, and other readers find the same structure without a word of complaint.
void GIFProducers::RoundTrip(const QString& name, const Loaded& original)
{
    const std::string where = name.toStdString();
    const Bytes saved = Saved(*original.image);
    const Loaded again = Load(saved);
    ASSERT_EQ(again.error, "") << where;
    EXPECT_EQ(again.image->GetGlobalColorMap().ExportPalette(), original.image->GetGlobalColorMap().ExportPalette());
    ASSERT_EQ(again.image->Images.GetCount(), original.image->Images.GetCount()) << where;
    for (int i = 0; i < again.image->Images.GetCount(); ++i) {
        const TGIFSubImage& ours = again.frame(i);
        const TGIFSubImage& theirs = original.frame(i);
        const std::string frame = where + " frame " + std::to_string(i);
        EXPECT_EQ(ours.GetBoundsRect(), theirs.GetBoundsRect()) << frame;
        EXPECT_EQ(ours.GetInterlaced(), theirs.GetInterlaced()) << frame;
        EXPECT_EQ(ours.GetData(), theirs.GetData()) << frame;
        EXPECT_EQ(ours.ColorMap.ExportPalette(), theirs.ColorMap.ExportPalette()) << frame;
        EXPECT_EQ(ExtensionBytes(ours), ExtensionBytes(theirs)) << frame;
    }
    EXPECT_EQ(Saved(*again.image), saved) << where << ": a second save differs";

    const QString resaved = Path(QStringLiteral("resaved-") + name);
    WriteBytes(resaved, saved);
    QByteArray errors;
    EXPECT_EQ(RunTool(QStringLiteral("/usr/bin/identify"), {QStringLiteral("-verbose"), resaved}, nullptr, &errors), 0);
    EXPECT_EQ(errors.toStdString(), "") << where;
    EXPECT_EQ(GiftextListing(resaved), GiftextListing(Path(name))) << where;
}

} // namespace

TEST_F(GIFProducers, ImageMagickStillPictures)
{
    MakeWithImageMagick("-size 120x80 gradient:red-blue -colors 256 gradient.gif");
    MakeWithImageMagick("-size 97x61 -seed 3 plasma:fractal -colors 100 -interlace GIF interlaced.gif");
    Make(ImageMagick(), {"-size", "40x30", "xc:none", "-fill", "red", "-draw", "circle 20,15 20,3", "transparent.gif"});
    // Noise fills the string table: 12-bit codes and clears on a full table.
    MakeWithImageMagick("-size 320x240 xc: -seed 5 +noise Random -colors 256 noise.gif");
    for (const char* name : {"gradient.gif", "noise.gif"})
        Check(QString::fromLatin1(name));
    EXPECT_TRUE(Check(QStringLiteral("interlaced.gif")).frame(0).GetInterlaced());
    EXPECT_TRUE(Check(QStringLiteral("transparent.gif")).frame(0).GetTransparent());
}

TEST_F(GIFProducers, EveryCodeSize)
{
    for (int colors : {2, 4, 8, 16, 32, 64, 128, 256}) {
        const QString name = QStringLiteral("colors%1.gif").arg(colors);
        MakeWithImageMagick(
            QStringLiteral("-size 33x17 -seed %1 plasma:fractal +dither -colors %1 %2").arg(colors).arg(name));
        Check(name);
    }
}

TEST_F(GIFProducers, LocalTablesAndAnimations)
{
    MakeWithImageMagick("-size 30x20 gradient:red-yellow -size 30x20 gradient:blue-green -loop 0 local.gif");
    const Loaded local = Check(QStringLiteral("local.gif"));
    EXPECT_GT(local.frame(1).ColorMap.GetCount(), 0);

    MakeWithImageMagick("-size 33x17 -seed 2 plasma:fractal -colors 16 a.gif");
    MakeWithImageMagick("-size 12x9 -seed 4 plasma:fractal -colors 8 b.gif");
    // All four disposals, offsets, delays, a loop count, a comment and transparency.
    MakeWithGifsicle("--loopcount=3 --comment made-by-gifsicle -d 5 --disposal=none a.gif "
                     "-d 7 --disposal=asis --position 3,2 b.gif --disposal=background --position 20,5 b.gif "
                     "-d 0 --disposal=previous --transparent 0 --position 1,1 b.gif -o anim.gif");
    const Loaded anim = Check(QStringLiteral("anim.gif"));
    ASSERT_EQ(anim.image->Images.GetCount(), 4);
    const auto* loop = dynamic_cast<const TGIFAppExtNSLoop*>(anim.frame(0).Extensions.GetExtension(0));
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->Loops, 3);
    EXPECT_EQ(anim.frame(3).GetGraphicControlExtension()->GetDisposal(), dmPrevious);
    EXPECT_TRUE(anim.frame(3).GetTransparent());

    MakeWithGifsicle("-O3 anim.gif -o optimized.gif");
    MakeWithGifsicle("-i --colors 4 a.gif -o interlaced4.gif");
    MakeWithGifsicle("--careful a.gif -o careful.gif");
    for (const char* name : {"optimized.gif", "interlaced4.gif", "careful.gif"})
        Check(QString::fromLatin1(name));
}

TEST_F(GIFProducers, GifbuildExactStructures)
{
    MakeWithGifbuild(QStringLiteral("built.gif"), R"(screen width 10
screen height 6
screen colors 4
screen background 1
pixel aspect byte 0

screen map
	rgb 000 000 000 is 0
	rgb 255 000 000 is 1
	rgb 000 255 000 is 2
	rgb 000 000 255 is 3
end

netscape loop 2

comment
first line
end

extension 0x02
opaque data
end

graphics control
	disposal mode 3
	user input flag off
	delay 33
	transparent index 2
end

graphics control
	disposal mode 1
	user input flag off
	delay 44
	transparent index -1
end

image # 1
image left 1
image top 1
image interlaced
image map
	rgb 010 020 030 is 0
	rgb 040 050 060 is 1
	rgb 070 080 090 is 2
	rgb 100 110 120 is 3
	rgb 130 140 150 is 4
	rgb 160 170 180 is 5
end
image bits 8 by 5
01234501
12345012
23450123
34501234
45012345

image # 2
image left 0
image top 0
image bits 10 by 6
0123012301
1230123012
2301230123
3012301230
0123012301
1230123012
)");
    const Loaded built = Check(QStringLiteral("built.gif"), false);
    ASSERT_EQ(built.image->Images.GetCount(), 2);
    const TGIFSubImage& first = built.frame(0);
    EXPECT_TRUE(first.GetInterlaced());
    EXPECT_EQ(first.ColorMap.GetCount(), 8) << "written padded to a power of two";
    EXPECT_EQ(first.GetGraphicControlExtension()->GetDelay(), 33) << "the first one counts";
    EXPECT_EQ(first.GetGraphicControlExtension()->GetDisposal(), dmPrevious);
    EXPECT_EQ(built.frame(1).GetGraphicControlExtension(), nullptr);
    EXPECT_EQ(first.GetTransparentIndex(), 2);
    EXPECT_TRUE(built.warned(gifstrings::sUnknownExtension));
    EXPECT_EQ(built.image->GetBackgroundColor(), (platform::Rgb{255, 0, 0}));
}

TEST_F(GIFProducers, TruncatedProducerFilesLoadOrFailCleanly)
{
    MakeWithImageMagick("-size 24x17 -seed 9 plasma:fractal -colors 32 -interlace GIF cut-a.gif");
    MakeWithImageMagick("-size 20x10 gradient:red-yellow -size 10x10 gradient:blue-green -loop 0 cut-b.gif");
    MakeWithGifsicle("--loopcount=2 --comment c -d 5 --disposal=background cut-a.gif --transparent 0 "
                     "--position 2,2 --disposal=previous cut-b.gif -o cut-c.gif");
    for (const char* name : {"cut-a.gif", "cut-b.gif", "cut-c.gif"}) {
        const Bytes whole = ReadBytes(Path(QString::fromLatin1(name)));
        for (std::size_t n = 0; n < whole.size(); ++n)
            LoadsOrFailsCleanly(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)),
                                std::string(name) + " cut at " + std::to_string(n));
    }
}

namespace {

// What ImageMagick shows of an animation: its coalesced screens with their delays.
std::vector<Shown> CoalescedByImageMagick(const QString& path)
{
    QByteArray rgba, info;
    EXPECT_EQ(RunTool(ImageMagick(), {path, "-coalesce", "-depth", "8", "rgba:-"}, &rgba), 0);
    EXPECT_EQ(RunTool(ImageMagick(), {path, "-format", "%W %H %T\\n", "info:"}, &info), 0);
    std::istringstream lines(info.toStdString());
    std::vector<int> delays;
    std::size_t pixels = 0;
    for (int width, height, delay; lines >> width >> height >> delay;) {
        delays.push_back(delay);
        pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    }
    std::vector<std::vector<std::uint32_t>> screens;
    const auto* p = reinterpret_cast<const std::uint8_t*>(rgba.constData());
    for (std::size_t f = 0; f < delays.size() && (f + 1) * pixels * 4 <= static_cast<std::size_t>(rgba.size()); ++f) {
        std::vector<std::uint32_t>& screen = screens.emplace_back(pixels);
        for (std::size_t i = 0; i < pixels; ++i, p += 4)
            screen[i] =
                p[3] == 0 ? 0 : std::uint32_t{p[3]} << 24 | std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
    }
    EXPECT_EQ(screens.size(), delays.size()) << path.toStdString();
    return Timeline(screens, delays);
}

} // namespace

TEST_F(GIFProducers, OptimisedAnimationsShowWhatTheOriginalsShowed)
{
    // Whole frames that repeat most of what the one before showed, as simple encoders write them.
    // (Arguments split at "|": drawing primitives hold spaces.)
    Make(ImageMagick(), QStringLiteral("-delay|10|-size|48x32|xc:skyblue|(|+clone|-fill|red|-draw|circle 10,16 10,8|)|"
                                       "(|+clone|-fill|yellow|-draw|rectangle 20,4 30,14|)|(|+clone|-fill|navy|-draw|"
                                       "rectangle 0,24 47,31|)|-loop|0|whole.gif")
                            .split('|'));
    MakeWithImageMagick("-size 33x17 -seed 2 plasma:fractal -colors 16 p.gif");
    // The same over a photo, each frame with a table of its own.
    Make(ImageMagick(), QStringLiteral("-delay|8|p.gif|(|+clone|-fill|red|-draw|circle 8,8 8,3|)|(|+clone|-fill|lime|"
                                       "-draw|rectangle 18,2 28,9|)|-loop|0|photo.gif")
                            .split('|'));
    MakeWithImageMagick("-size 12x9 -seed 4 plasma:fractal -colors 8 q.gif");
    Make(ImageMagick(), {"-size", "12x9", "xc:none", "-fill", "red", "-draw", "rectangle 3,2 8,6", "r.gif"});
    // Local tables, every disposal, offsets and transparency, frames over one another.
    MakeWithGifsicle("--loopcount=0 -d 5 --disposal=none p.gif -d 7 --disposal=asis --position 3,2 q.gif "
                     "--disposal=background --position 8,4 q.gif -d 4 --disposal=previous --transparent 0 "
                     "--position 1,1 q.gif --disposal=none --position 15,6 q.gif --no-transparent --position 15,6 "
                     "q.gif --same-transparent --disposal=background --position 10,3 r.gif --disposal=none "
                     "--position 0,0 q.gif -o mixed.gif");
    MakeWithGifsicle("-O1 whole.gif -o o1.gif");
    MakeWithGifsicle("-O3 mixed.gif -o o3.gif");
    EXPECT_EQ(CoalescedByImageMagick(Path("o1.gif")), CoalescedByImageMagick(Path("whole.gif")))
        << "gifsicle -O1 shows what its input showed";
    const char* const names[] = {"whole.gif", "photo.gif", "mixed.gif", "o1.gif", "o3.gif"};
    for (const char* name : names) {
        const QString original = Path(QString::fromLatin1(name));
        const QString optimized = Path(QStringLiteral("optimized-") + name);
        Loaded ours = Load(ReadBytes(original));
        ASSERT_EQ(ours.error, "") << name;
        ours.image->Optimize(ooCrop | ooMerge | ooCleanup | ooColorMap | ooReduceColors, TColorReduction::rmNone,
                             TDitherMode::dmNearest, 8);
        WriteBytes(optimized, Saved(*ours.image));
        EXPECT_EQ(CoalescedByImageMagick(optimized), CoalescedByImageMagick(original)) << name;
        ExpectGifsicleDecodesCleanly(optimized);
        // ImageMagick's frames are whole; gifsicle's are cut to what they change already.
        if (name == names[0] || name == names[1]) {
            EXPECT_LT(ReadBytes(optimized).size(), ReadBytes(original).size()) << name;
        }
    }
}
