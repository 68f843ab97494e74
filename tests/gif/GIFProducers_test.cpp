// GIFs made at test time by independent producers (ImageMagick, gifsicle, giflib's
// gifbuild) must decode to exactly the pixels ImageMagick decodes from the same file,
// frame by frame, with the same geometry, delays and disposals.

#include "GifTestKit.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sstream>

using namespace giftest;

namespace {

struct FrameInfo {
    int width, height, left, top, delay, disposal;
};

int DisposalFromName(const std::string& name)
{
    if (name == "None") return dmNoDisposal;
    if (name == "Background") return dmBackground;
    if (name == "Previous") return dmPrevious;
    return dmNone; // "Undefined"
}

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

    // Loads `name` with our codec and compares every frame with ImageMagick's reading.
    // ImageMagick takes a frame's timing from its last graphic control extension and
    // carries it on to frames without one, so pictures that rely on the first one
    // compare pixels and geometry only.
    static Loaded CompareWithImageMagick(const QString& name, bool compareTiming = true)
    {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const QByteArray content = file.readAll();
        Loaded ours = Load(Bytes(content.begin(), content.end()));
        EXPECT_EQ(ours.error, "") << name.toStdString();

        QByteArray rgba, info;
        EXPECT_EQ(RunTool(ImageMagick(), {Path(name), QStringLiteral("rgba:-")}, &rgba), 0);
        EXPECT_EQ(RunTool(ImageMagick(), {Path(name), QStringLiteral("-format"),
                                          QStringLiteral("%w %h %X %Y %T %D\\n"), QStringLiteral("info:")},
                          &info),
                  0);
        std::vector<FrameInfo> theirs;
        std::istringstream lines(info.toStdString());
        for (FrameInfo f{}; ;) {
            std::string disposal;
            if (!(lines >> f.width >> f.height >> f.left >> f.top >> f.delay >> disposal))
                break;
            f.disposal = DisposalFromName(disposal);
            theirs.push_back(f);
        }

        std::vector<const TGIFSubImage*> frames;
        for (const auto& frame : ours.image->Images)
            if (!frame->GetEmpty())
                frames.push_back(frame.get());
        EXPECT_EQ(frames.size(), theirs.size()) << name.toStdString();
        std::size_t at = 0;
        for (std::size_t i = 0; i < std::min(frames.size(), theirs.size()); ++i) {
            const TGIFSubImage& frame = *frames[i];
            const FrameInfo& expected = theirs[i];
            const std::string where = name.toStdString() + " frame " + std::to_string(i);
            EXPECT_EQ(frame.GetWidth(), expected.width) << where;
            EXPECT_EQ(frame.GetHeight(), expected.height) << where;
            EXPECT_EQ(frame.GetLeft(), expected.left) << where;
            EXPECT_EQ(frame.GetTop(), expected.top) << where;
            const TGIFGraphicControlExtension* control = frame.GetGraphicControlExtension();
            if (compareTiming) {
                EXPECT_EQ(control ? control->GetDelay() : 0, expected.delay) << where;
                EXPECT_EQ(control ? static_cast<int>(control->GetDisposal()) : 0, expected.disposal) << where;
            }

            const TGIFColorMap& table = frame.GetActiveColorMap();
            const int transparent = frame.GetTransparentIndex();
            int differences = 0;
            for (std::uint8_t index : frame.GetData()) {
                if (at + 4 > static_cast<std::size_t>(rgba.size()))
                    break;
                const auto* p = reinterpret_cast<const std::uint8_t*>(rgba.constData()) + at;
                at += 4;
                const bool clear = index == transparent;
                const platform::Rgb c = table.LookupPadded(index);
                if ((p[3] == 0) != clear || (!clear && (p[0] != c.r || p[1] != c.g || p[2] != c.b)))
                    ++differences;
            }
            EXPECT_EQ(differences, 0) << where;
        }
        EXPECT_EQ(at, static_cast<std::size_t>(rgba.size())) << name.toStdString();
        return ours;
    }

    static QTemporaryDir* dir_;
    static QString missing_;
};

QTemporaryDir* GIFProducers::dir_ = nullptr;
QString GIFProducers::missing_;

} // namespace

TEST_F(GIFProducers, ImageMagickStillPictures)
{
    MakeWithImageMagick("-size 120x80 gradient:red-blue -colors 256 gradient.gif");
    MakeWithImageMagick("-size 97x61 -seed 3 plasma:fractal -colors 100 -interlace GIF interlaced.gif");
    Make(ImageMagick(), {"-size", "40x30", "xc:none", "-fill", "red", "-draw", "circle 20,15 20,3", "transparent.gif"});
    // Noise fills the string table: 12-bit codes and clears on a full table.
    MakeWithImageMagick("-size 320x240 xc: -seed 5 +noise Random -colors 256 noise.gif");
    for (const char* name : {"gradient.gif", "noise.gif"})
        CompareWithImageMagick(QString::fromLatin1(name));
    EXPECT_TRUE(CompareWithImageMagick(QStringLiteral("interlaced.gif")).frame(0).GetInterlaced());
    EXPECT_TRUE(CompareWithImageMagick(QStringLiteral("transparent.gif")).frame(0).GetTransparent());
}

TEST_F(GIFProducers, EveryCodeSize)
{
    for (int colors : {2, 4, 8, 16, 32, 64, 128, 256}) {
        const QString name = QStringLiteral("colors%1.gif").arg(colors);
        MakeWithImageMagick(QStringLiteral("-size 33x17 -seed %1 plasma:fractal +dither -colors %1 %2").arg(colors).arg(name));
        CompareWithImageMagick(name);
    }
}

TEST_F(GIFProducers, LocalTablesAndAnimations)
{
    MakeWithImageMagick("-size 30x20 gradient:red-yellow -size 30x20 gradient:blue-green -loop 0 local.gif");
    const Loaded local = CompareWithImageMagick(QStringLiteral("local.gif"));
    EXPECT_GT(local.frame(1).ColorMap.GetCount(), 0);

    MakeWithImageMagick("-size 33x17 -seed 2 plasma:fractal -colors 16 a.gif");
    MakeWithImageMagick("-size 12x9 -seed 4 plasma:fractal -colors 8 b.gif");
    // All four disposals, offsets, delays, a loop count, a comment and transparency.
    MakeWithGifsicle("--loopcount=3 --comment made-by-gifsicle -d 5 --disposal=none a.gif "
                     "-d 7 --disposal=asis --position 3,2 b.gif --disposal=background --position 20,5 b.gif "
                     "-d 0 --disposal=previous --transparent 0 --position 1,1 b.gif -o anim.gif");
    const Loaded anim = CompareWithImageMagick(QStringLiteral("anim.gif"));
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
        CompareWithImageMagick(QString::fromLatin1(name));
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
    const Loaded built = CompareWithImageMagick(QStringLiteral("built.gif"), false);
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
        QFile file(Path(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        const Bytes whole(content.begin(), content.end());
        for (std::size_t n = 0; n < whole.size(); ++n)
            LoadsOrFailsCleanly(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)),
                                std::string(name) + " cut at " + std::to_string(n));
    }
}
