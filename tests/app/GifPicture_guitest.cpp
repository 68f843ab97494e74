// GIF files through the program's picture registry: our codec reads them whatever the
// extension's case, anywhere pictures are loaded, and never Qt's own GIF reader.

#include "app/GifPicture.h"
#include "filemanager/PictureImage.h"
#include "filemanager/grfview.h"
#include "filemanager/myBMPTexture.h"
#include "platform/ui/PictureRegistry.h"
#include "support/FileContents.h"
#include "support/MetafileBytes.h"
#include "support/ScriptedMessages.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPointer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A 3 x 2 frame of red, green, blue / white, black, grey on a 4 x 3 screen whose background
// is black; grey is the transparent index. Animated, a second frame of white follows and
// the two loop for ever.
std::string SmallGif(const std::string& prefix = "", bool animated = false)
{
    TGIFImage image;
    image.Header.ColorMap.ImportColorMap(
        std::vector<platform::Rgb>{{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}, {128, 128, 128}});
    image.SetWidth(4);
    image.SetHeight(3);
    image.SetBackgroundColorIndex(4);
    auto frame = std::make_unique<TGIFSubImage>(&image);
    frame->DoSetBounds(0, 0, 3, 2);
    const std::uint8_t rows[2][3] = {{0, 1, 2}, {3, 4, 5}};
    for (int y = 0; y < 2; ++y)
        std::copy_n(rows[y], 3, frame->GetScanline(y));
    auto control = std::make_unique<TGIFGraphicControlExtension>(frame.get());
    control->SetTransparent(true);
    control->TransparentColorIndex = 5;
    frame->Extensions.Add(std::move(control));
    if (animated)
        frame->Extensions.Insert(0, std::make_unique<TGIFAppExtNSLoop>(frame.get()));
    image.Add(std::move(frame));
    if (animated) {
        auto white = std::make_unique<TGIFSubImage>(&image);
        white->DoSetBounds(0, 0, 4, 3);
        for (int y = 0; y < 3; ++y)
            std::fill_n(white->GetScanline(y), 4, 3);
        image.Add(std::move(white));
    }
    platform::MemoryStream out;
    image.SaveToStream(out);
    return prefix + std::string(out.bytes().begin(), out.bytes().end());
}

class GifPictureTest : public ::testing::Test {
protected:
    void SetUp() override { registerGifFormat(); }
    std::string write(const std::string& name, const std::string& bytes) const
    {
        const std::string path = dir.path().toStdString() + "/" + name;
        testsupport::writeFile(path, bytes);
        return path;
    }
    std::string failure(const std::string& path) const
    {
        try {
            platform::LoadPicture(path);
        } catch (const platform::Exception& e) {
            return e.what();
        }
        return "loaded";
    }
    QTemporaryDir dir;
};

TEST_F(GifPictureTest, GifFilesOfAnyCaseReachOurCodec)
{
    registerGifFormat();
    int gifs = 0;
    for (const auto& format : platform::PictureFormats())
        gifs += format.extension == "gif";
    EXPECT_EQ(gifs, 1) << "registered once however often asked";

    for (const char* name : {"small.gif", "SMALL.GIF"}) {
        const auto picture = platform::LoadPicture(write(name, SmallGif()));
        ASSERT_NE(dynamic_cast<GifPicture*>(picture.get()), nullptr) << name;
        EXPECT_EQ(picture->width(), 4);
        EXPECT_EQ(picture->height(), 3);
        const QImage still = picture->toImage();
        EXPECT_EQ(still.pixel(0, 0), qRgb(255, 0, 0));
        EXPECT_EQ(still.pixel(2, 0), qRgb(0, 0, 255));
        EXPECT_EQ(still.pixel(2, 1), qRgb(0, 0, 0)) << "transparent over the background";
        EXPECT_EQ(still.pixel(3, 2), qRgb(0, 0, 0));
    }
    // Only our reader finds a signature after a 4-byte prefix.
    EXPECT_NE(platform::LoadPicture(write("prefixed.gif", SmallGif("abcd"))), nullptr);
}

TEST_F(GifPictureTest, AssignedFromTheRegistryAnAnimationKeepsEveryFrame)
{
    const auto picture = platform::LoadPicture(write("animated.gif", SmallGif("", true)));
    const TGIFImage& source = static_cast<GifPicture&>(*picture).image();
    ASSERT_EQ(source.Images.GetCount(), 2);
    TGIFImage copy;
    copy.Assign(*picture);
    ASSERT_EQ(copy.Images.GetCount(), 2) << "not flattened to its still picture";
    EXPECT_EQ(copy.GetWidth(), 4);
    EXPECT_EQ(copy.GetHeight(), 3);
    for (int i = 0; i < 2; ++i) {
        const TGIFSubImage& frame = *copy.Images.GetImage(i);
        const TGIFSubImage& original = *source.Images.GetImage(i);
        EXPECT_EQ(frame.GetBoundsRect(), original.GetBoundsRect()) << i;
        EXPECT_EQ(frame.GetData(), original.GetData()) << i;
        EXPECT_EQ(frame.GetTransparentIndex(), original.GetTransparentIndex()) << i;
    }
    EXPECT_NE(dynamic_cast<const TGIFAppExtNSLoop*>(copy.Images.First()->Extensions.GetItem(0)), nullptr)
        << "it still loops";
}

TEST_F(GifPictureTest, WrongNamesAndDamagedFilesFailNamingTheFile)
{
    const std::string renamed = write("really-a-gif.bmp", SmallGif());
    EXPECT_NE(failure(renamed).find(renamed), std::string::npos);

    const std::string damaged = write("damaged.gif", SmallGif().substr(0, 10));
    EXPECT_EQ(failure(damaged), "Cannot read picture \"" + damaged + "\": Premature end of data");
    EXPECT_EQ(failure(dir.path().toStdString() + "/missing.gif"),
              "Cannot open file \"" + dir.path().toStdString() + "/missing.gif\": No such file or directory");
}

TEST_F(GifPictureTest, ServesAsTextureAndDrawsOverTheWindowColour)
{
    const std::string path = write("texture.gif", SmallGif());
    const auto texture = LoadTextureRecord(path, false);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->width, 4);
    EXPECT_EQ(texture->height, 4);
    // Rows run from the bottom: the picture's top row is the texture's last.
    const unsigned char* top = texture->data.data() + 3 * 4 * 3;
    EXPECT_EQ(std::vector<int>(top, top + 6), (std::vector<int>{255, 0, 0, 0, 255, 0}));

    const auto picture = platform::LoadPicture(path);
    int repaints = 0;
    picture->OnFrameChanged = [&] { ++repaints; };
    QImage canvas(8, 6, QImage::Format_RGB32);
    canvas.fill(Qt::magenta);
    QPainter painter(&canvas);
    picture->draw(painter, canvas.rect());
    painter.end();
    const QRgb window = QGuiApplication::palette().color(QPalette::Window).rgb();
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(5, 3), window) << "a transparent pixel";
    EXPECT_EQ(canvas.pixel(7, 5), window) << "beyond the frame";
    static_cast<GifPicture&>(*picture).image().SetWidth(6);
    EXPECT_EQ(repaints, 1) << "a change of the picture repaints whoever shows it";
}

TEST_F(GifPictureTest, TheViewerPlaysAnAnimationFromItsFirstFrameAndClosesMidway)
{
    testsupport::ScriptedMessages boxes;
    auto owner = std::make_unique<QWidget>();
    QPointer<TgrfviewForm> viewer = new TgrfviewForm(owner.get());
    viewer->ShowPicture(write("animated.gif", SmallGif("", true)));
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_TRUE(boxes.texts().empty());
    EXPECT_EQ(viewer->Image1->size(), QSize(4, 3));
    // Frame 0 shows at once, the white frame 1 after its 120 ms.
    const QImage shown = viewer->Image1->grab().toImage();
    EXPECT_EQ(shown.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(shown.pixel(2, 0), qRgb(0, 0, 255));
    EXPECT_EQ(shown.pixel(1, 1), qRgb(0, 0, 0));
    QElapsedTimer clock;
    clock.start();
    while (viewer->Image1->grab().toImage().pixel(0, 0) != qRgb(255, 255, 255) && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(viewer->Image1->grab().toImage().pixel(0, 0), qRgb(255, 255, 255));

    // It loops for ever: the viewer closes and goes while its painter waits.
    viewer->close();
    owner.reset();
    EXPECT_FALSE(viewer);
}

TEST_F(GifPictureTest, OneSinkAndPlaceKeepOnePainterAnotherPlaceReplacesIt)
{
    const auto picture = platform::LoadPicture(write("direct.gif", SmallGif("", true)));
    TGIFImage& image = static_cast<GifPicture&>(*picture).image();
    image.SetDrawOptions(image.GetDrawOptions() | goDirectDraw);
    image.SetAnimationSpeed(1); // frame 1 would come in 12 s: the painter waits throughout
    int repaints = 0;
    TGIFPaintSink sink([&] { ++repaints; });
    QImage canvas(20, 20, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    image.Draw(painter, QRect(0, 0, 8, 6), &sink);
    ASSERT_EQ(image.Painters().size(), 1u);
    const TGIFPainter* first = image.Painters().front().get();
    EXPECT_GE(repaints, 1) << "frame 0 went to the sink";
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(canvas.pixel(7, 5), 0u) << "transparent where no frame has been";
    image.Draw(painter, QRect(0, 0, 8, 6), &sink);
    ASSERT_EQ(image.Painters().size(), 1u);
    EXPECT_EQ(image.Painters().front().get(), first);
    image.Draw(painter, QRect(0, 0, 12, 9), &sink);
    ASSERT_EQ(image.Painters().size(), 1u);
    EXPECT_NE(image.Painters().front().get(), first);
    EXPECT_EQ(canvas.pixel(8, 0), qRgb(0, 0, 255)) << "stretched three times";
    EXPECT_EQ(canvas.pixel(11, 0), 0u);
    painter.end();
}

TEST_F(GifPictureTest, AnEmptyPlaceNeitherStartsNorStopsTheAnimation)
{
    const auto picture = platform::LoadPicture(write("empty.gif", SmallGif("", true)));
    TGIFImage& image = static_cast<GifPicture&>(*picture).image();
    image.SetAnimationSpeed(1);
    TGIFPaintSink sink([] {});
    QImage canvas(8, 6, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    image.Draw(painter, QRect(0, 0, 0, 6), &sink);
    EXPECT_TRUE(image.Painters().empty());
    image.Draw(painter, QRect(0, 0, 8, 6), &sink);
    ASSERT_EQ(image.Painters().size(), 1u);
    EXPECT_EQ(canvas.pixel(0, 0), qRgb(255, 0, 0));
    const TGIFPainter* playing = image.Painters().front().get();
    image.Draw(painter, QRect(2, 2, 5, 0), &sink);
    ASSERT_EQ(image.Painters().size(), 1u);
    EXPECT_EQ(image.Painters().front().get(), playing);
    painter.end();
}

// A metafile from the registry, as the program's pictures come: drawn into a frame that is
// transparent where it draws nothing, and in the picture viewer over the window colour.
TEST(GifPictureMetafile, AMetafileBecomesAFrameTransparentWhereItDrawsNothing)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/shapes.wmf";
    testsupport::writeFile(path, testsupport::shapesWmf());
    const auto picture = platform::LoadPicture(path);
    TGIFImage image;
    image.ColorReduction = TColorReduction::rmNone;
    image.Assign(*picture);
    ASSERT_EQ(image.Images.GetCount(), 1);
    EXPECT_EQ(image.GetWidth(), 200);
    EXPECT_EQ(image.GetHeight(), 100);
    const TGIFSubImage& frame = *image.Images.First();
    ASSERT_TRUE(frame.GetTransparent());
    const auto colour = [&](int x, int y) { return frame.GetActiveColorMap().LookupPadded(frame.GetPixel(x, y)); };
    EXPECT_EQ(colour(50, 50), (platform::Rgb{255, 0, 0}));
    EXPECT_EQ(colour(150, 50), (platform::Rgb{0, 0, 255}));
    EXPECT_EQ(frame.GetPixel(104, 3), frame.GetTransparentIndex());

    QImage canvas(200, 100, QImage::Format_RGB32);
    canvas.fill(Qt::magenta);
    QPainter painter(&canvas);
    picture->draw(painter, canvas.rect());
    painter.end();
    EXPECT_EQ(canvas.pixel(104, 3), QGuiApplication::palette().color(QPalette::Window).rgb());
    EXPECT_EQ(canvas.pixel(50, 50), qRgb(255, 0, 0));
}

} // namespace
