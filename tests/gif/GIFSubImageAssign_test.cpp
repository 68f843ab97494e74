// Frames made from other pictures, read back by giflib and ImageMagick; pictures of other
// formats added and assigned; the dithered render.

#include "GifTestKit.h"

#include "gif/GIFColorReduction.h"
#include "gif/GIFDither.h"
#include "gif/GIFQImage.h"
#include "platform/graphics/Picture.h"

#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>

using namespace giftest;
using namespace gifstrings;
using platform::Bitmap;
using platform::PixelFormat;
using platform::Rgb;

namespace {

// A frame of `image` added to `picture`.
TGIFSubImage& AddFrame(TGIFImage& picture, const QImage& image)
{
    auto frame = std::make_unique<TGIFSubImage>(&picture);
    frame->Assign(image);
    TGIFSubImage& added = *frame;
    picture.Add(std::move(frame));
    return added;
}

QImage Gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x * y) % 256));
    return image;
}

// Our file read by giflib: each pixel's index in the table we wrote.
std::vector<Rgb> GiflibColors(TGIFImage& picture, const TGIFSubImage& frame, const QTemporaryDir& dir)
{
    const QString path = dir.filePath(QStringLiteral("assigned.gif"));
    WriteBytes(path, Saved(picture));
    std::vector<Rgb> colors;
    for (std::uint8_t index : GiftextIndices(path))
        colors.push_back(frame.GetActiveColorMap().LookupPadded(index));
    return colors;
}

// A picture as the picture loader hands it over, read here by Qt's own readers.
class FilePicture final : public platform::Picture {
public:
    explicit FilePicture(const QString& path) : image_(path) {}
    int width() const override { return image_.width(); }
    int height() const override { return image_.height(); }
    QImage toImage() const override { return image_; }
    void draw(QPainter&, const QRect&) override {}

private:
    QImage image_;
};

// A drawing, as a metafile is: a green square, a white square and a black line on whatever
// lies beneath, the rest undrawn.
class DrawingPicture final : public platform::Picture {
public:
    int width() const override { return 24; }
    int height() const override { return 16; }
    QImage toImage() const override { return drawnOver(Qt::white); }
    void draw(QPainter&, const QRect&) override {}
    QImage drawnOver(QColor background) const override
    {
        QImage image(24, 16, QImage::Format_RGB32);
        image.fill(background);
        QPainter painter(&image);
        painter.fillRect(QRect(2, 2, 8, 8), QColor(0, 160, 0));
        painter.fillRect(QRect(14, 2, 6, 6), Qt::white);
        painter.fillRect(QRect(0, 14, 24, 1), Qt::black);
        return image;
    }
};

// The largest difference of a channel between the frame's colours and `image`'s pixels.
int LargestDifference(const TGIFSubImage& frame, const QImage& image)
{
    int largest = 0;
    for (int y = 0; y < frame.GetHeight(); ++y)
        for (int x = 0; x < frame.GetWidth(); ++x) {
            const Rgb ours = frame.GetActiveColorMap().LookupPadded(frame.GetPixel(x, y));
            const QRgb theirs = image.pixel(x, y);
            largest = std::max({largest, std::abs(ours.r - qRed(theirs)), std::abs(ours.g - qGreen(theirs)),
                                std::abs(ours.b - qBlue(theirs))});
        }
    return largest;
}

} // namespace

TEST(GIFSubImageAssign, PicturesOfOtherFormatsAreAddedAndAssignedAsFrames)
{
    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("palette.bmp"));
    const QString jpeg = dir.filePath(QStringLiteral("photo.jpg"));
    ASSERT_EQ(RunTool(ImageMagick(), {"-size", "20x10", "xc:red", "-fill", "blue", "-draw", "rectangle 0,0 9,4", "-type",
                                      "Palette", "BMP3:" + bmp}),
              0);
    ASSERT_EQ(RunTool(ImageMagick(), {"-size", "48x32", "-seed", "5", "plasma:fractal", jpeg}), 0);
    const FilePicture palette(bmp);
    const FilePicture photo(jpeg);
    ASSERT_FALSE(palette.toImage().isNull());
    ASSERT_FALSE(photo.toImage().isNull());

    // The palette keeps its colours; the photo takes colours of the web palette, and
    // the screen grows to hold it.
    TGIFImage picture;
    EXPECT_EQ(picture.Add(palette), 0);
    EXPECT_EQ(picture.Add(photo), 1);
    EXPECT_EQ(picture.GetWidth(), 48);
    EXPECT_EQ(picture.GetHeight(), 32);
    EXPECT_EQ(LargestDifference(*picture.Images.GetImage(0), palette.toImage()), 0);
    EXPECT_LE(LargestDifference(*picture.Images.GetImage(1), photo.toImage()), 51) << "a step of the web palette";
    EXPECT_EQ(picture.Images.GetImage(1)->GetBoundsRect(), (GifRect{0, 0, 48, 32}));
    EXPECT_EQ(GiflibColors(picture, *picture.Images.GetImage(0), dir).size(), 20u * 10 + 48 * 32);

    // Assigned, a picture is the one frame; a picture without an image is refused.
    TGIFImage copy;
    copy.Assign(&picture);
    copy.Assign(palette);
    ASSERT_EQ(copy.Images.GetCount(), 1);
    EXPECT_EQ(copy.GetWidth(), 20);
    EXPECT_EQ(LargestDifference(*copy.Images.First(), palette.toImage()), 0);
    const FilePicture missing(dir.filePath(QStringLiteral("missing.bmp")));
    for (const auto& refused : {std::function<void()>([&] { picture.Add(missing); }),
                                std::function<void()>([&] { copy.Assign(missing); })})
        try {
            refused();
            ADD_FAILURE() << "a picture without an image made a frame";
        } catch (const GIFException& e) {
            EXPECT_EQ(e.what(), std::string(sUnsupportedClass));
        }
    EXPECT_EQ(picture.Images.GetCount(), 2);
    EXPECT_EQ(copy.Images.GetCount(), 1) << "a refused picture took the frames away";
}

TEST(GIFSubImageAssign, ADrawingIsTransparentWhereItDrawsNothingWhiteAndBlackIncluded)
{
    const DrawingPicture drawing;
    TGIFImage added;
    added.ColorReduction = TColorReduction::rmNone;
    EXPECT_EQ(added.Add(drawing), 0);
    TGIFImage assigned;
    assigned.ColorReduction = TColorReduction::rmNone;
    assigned.Assign(drawing);
    for (TGIFImage* picture : {&added, &assigned}) {
        ASSERT_EQ(picture->Images.GetCount(), 1);
        const TGIFSubImage& frame = *picture->Images.First();
        ASSERT_TRUE(frame.GetTransparent());
        const auto colour = [&](int x, int y) -> std::optional<Rgb> {
            if (frame.GetPixel(x, y) == frame.GetTransparentIndex())
                return std::nullopt;
            return frame.GetActiveColorMap().LookupPadded(frame.GetPixel(x, y));
        };
        EXPECT_EQ(colour(5, 5), (Rgb{0, 160, 0}));
        EXPECT_EQ(colour(16, 4), (Rgb{255, 255, 255}));
        EXPECT_EQ(colour(20, 14), (Rgb{0, 0, 0}));
        for (const QPoint undrawn : {QPoint(0, 0), QPoint(12, 5), QPoint(23, 10), QPoint(5, 15)})
            EXPECT_EQ(colour(undrawn.x(), undrawn.y()), std::nullopt) << undrawn.x() << "," << undrawn.y();
    }
}

TEST(GIFSubImageAssign, TrueColourIsReducedToTheColoursGiflibDecodes)
{
    QTemporaryDir dir;
    const QImage source = Gradient(96, 64); // thousands of colours
    for (const auto& [reduction, dither] : {std::pair{TColorReduction::rmQuantize, TDitherMode::dmFloydSteinberg},
                                            {TColorReduction::rmNetscape, TDitherMode::dmStucki},
                                            {TColorReduction::rmWindows256, TDitherMode::dmNearest}}) {
        TGIFImage picture;
        picture.ColorReduction = reduction;
        picture.DitherMode = dither;
        std::vector<std::pair<TProgressStage, int>> progress;
        picture.OnProgress = [&](GifPersistent*, TProgressStage stage, int percent, bool, std::string_view message) {
            EXPECT_EQ(message, sProgressConverting);
            progress.emplace_back(stage, percent);
        };
        TGIFSubImage& frame = AddFrame(picture, source);
        picture.OnProgress = nullptr;
        EXPECT_EQ(progress, (std::vector<std::pair<TProgressStage, int>>{
                                {psStarting, 0}, {psRunning, 0}, {psRunning, 50}, {psEnding, 100}}));
        EXPECT_FALSE(frame.GetTransparent());

        const Bitmap reduced = ReduceColors(fromQImage(source), reduction, dither, 8);
        std::vector<Rgb> expected;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 96; ++x)
                expected.push_back(reduced.pixelColor(x, y));
        EXPECT_EQ(GiflibColors(picture, frame, dir), expected) << "reduction " << static_cast<int>(reduction);
    }
}

TEST(GIFSubImageAssign, IndexedImagesKeepTableAndIndicesAndAlphaBecomesTransparency)
{
    QImage indexed(5, 3, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgb(200, 0, 0), qRgb(0, 0, 250)});
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            indexed.setPixel(x, y, static_cast<uint>((x + 2 * y) % 3));
    TGIFImage picture;
    TGIFSubImage& kept = AddFrame(picture, indexed);
    ASSERT_EQ(kept.ColorMap.GetCount(), 3);
    EXPECT_EQ(kept.ColorMap.LookupPadded(1), (Rgb{200, 0, 0}));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(kept.GetPixel(x, y), (x + 2 * y) % 3);

    // Straight alpha: a transparent black entry is added after the colours in use.
    QImage argb = Gradient(40, 30).convertToFormat(QImage::Format_ARGB32);
    const auto inside = [](int x, int y) { return (x - 20) * (x - 20) + (y - 15) * (y - 15) < 64; };
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            if (inside(x, y))
                argb.setPixel(x, y, qRgba(255, 255, 255, x % 2 ? 0 : 127));
    TGIFImage transparent;
    TGIFSubImage& frame = AddFrame(transparent, argb);
    ASSERT_TRUE(frame.GetTransparent());
    const int clear = frame.GetTransparentIndex();
    EXPECT_EQ(clear, frame.ColorMap.GetCount() - 1);
    EXPECT_EQ(frame.ColorMap.LookupPadded(static_cast<unsigned>(clear)), Rgb{});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("alpha.gif"));
    WriteBytes(path, Saved(transparent));
    QByteArray rgba;
    ASSERT_EQ(RunTool(ImageMagick(), {path, QStringLiteral("rgba:-")}, &rgba), 0);
    ASSERT_EQ(rgba.size(), 40 * 30 * 4);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            EXPECT_EQ(rgba[(y * 40 + x) * 4 + 3] == 0, inside(x, y)) << x << "," << y;
            EXPECT_EQ(frame.GetPixel(x, y) == clear, inside(x, y)) << x << "," << y;
        }

    // A table already full: the frame stays opaque, with a warning.
    QImage full(256, 2, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table.push_back(qRgba(i, 255 - i, i / 2, i == 7 ? 0 : 255));
    full.setColorTable(table);
    for (int x = 0; x < 256; ++x) {
        full.setPixel(x, 0, static_cast<uint>(x));
        full.setPixel(x, 1, static_cast<uint>(255 - x));
    }
    TGIFImage crowded;
    std::vector<std::string> warnings;
    crowded.OnCodecWarning = [&](GifPersistent*, TGIFSeverity severity, std::string_view message) {
        EXPECT_EQ(severity, gsWarning);
        warnings.emplace_back(message);
    };
    const TGIFSubImage& opaque = AddFrame(crowded, full);
    EXPECT_FALSE(opaque.GetTransparent());
    EXPECT_EQ(opaque.ColorMap.GetCount(), 256);
    EXPECT_EQ(warnings, std::vector<std::string>{std::string(sTooManyColors)});
}

TEST(GIFSubImageAssign, RefusalsLeaveTheFrameEmptyAndAssignToGivesTheDrawnFrame)
{
    TGIFImage picture;
    picture.ColorReduction = TColorReduction::rmNone;
    TGIFSubImage frame(&picture);
    const auto refused = [&](const QImage& image, std::string_view expected) {
        try {
            frame.Assign(image);
            ADD_FAILURE() << "a frame of " << image.width() << "x" << image.height() << " was made";
        } catch (const GIFException& e) {
            EXPECT_EQ(e.what(), expected);
        }
        EXPECT_TRUE(frame.GetEmpty());
        EXPECT_EQ(frame.ColorMap.GetCount(), 0);
    };
    refused(Gradient(40, 40), sTooManyColors); // 1600 colours into one table, unreduced

    // Without a reduction a picture of few colours goes in as it is.
    QImage few(3, 2, QImage::Format_RGB888);
    few.fill(qRgb(1, 2, 3));
    few.setPixel(2, 1, qRgb(250, 0, 9));
    frame.Assign(few);
    ASSERT_EQ(frame.ColorMap.GetCount(), 2);
    EXPECT_EQ(frame.GetActiveColorMap().LookupPadded(frame.GetPixel(2, 1)), (Rgb{250, 0, 9}));
    Bitmap drawn;
    frame.AssignTo(drawn);
    EXPECT_EQ(drawn.pixelColor(2, 1), (Rgb{250, 0, 9}));
    EXPECT_EQ(drawn.pixelColor(0, 0), (Rgb{1, 2, 3}));

    // A reduction to a given palette takes the picture's, and there must be one.
    picture.ColorReduction = TColorReduction::rmPalette;
    refused(Gradient(4, 4), sEmptyColorMap);
    picture.GetGlobalColorMap().ImportColorMap(std::vector<Rgb>{{0, 0, 0}, {255, 255, 255}});
    frame.Assign(Gradient(4, 4));
    EXPECT_EQ(frame.ColorMap.GetCount(), 2);
    EXPECT_EQ(frame.ColorMap.LookupPadded(1), (Rgb{255, 255, 255}));

    picture.Limits.maxFramePixels = 100;
    refused(Gradient(11, 10), sBadDimension);
    frame.AssignTo(drawn);
    EXPECT_TRUE(drawn.isNull());
}

TEST(GIFSubImageAssign, ADitheringPictureDrawsInTheWebPaletteAndPassesOverTransparentPixels)
{
    GifBuilder b;
    // Entry 0 (0, 255, 0) is a web colour, entry 3 the transparent one; 1 and 2 lie between
    // web levels.
    b.header(6, 3, 4)
        .graphicControl(0x01, 0, 3)
        .frame(0, 0, 6, 3, {0, 0, 0, 0, 0, 0, 1, 3, 2, 2, 3, 1, 2, 2, 3, 2, 1, 2}, 4)
        .trailer();
    Loaded l = Load(b.bytes);
    l.image->SetDrawOptions(goDither | goTransparent);
    TGIFSubImage& frame = l.frame(0);
    const TGIFColorMap& table = frame.GetActiveColorMap();
    // Our own Floyd-Steinberg walk of the opaque pixels, serpentine.
    TNetscapeColorLookup web;
    TFloydSteinbergDitherer expected(6, web);
    std::vector<int> indices(18, -1);
    for (int y = 0; y < 3; ++y) {
        for (int x = expected.Column; x >= 0 && x < 6; x = expected.Column) {
            const std::uint8_t index = frame.GetPixel(x, y);
            if (index == 3) {
                expected.NextColumn();
                continue;
            }
            Rgb chosen;
            const Rgb c = table.LookupPadded(index);
            indices[static_cast<std::size_t>(y * 6 + x)] = expected.Dither(c.r, c.g, c.b, chosen);
        }
        expected.NextLine();
    }
    const Bitmap* drawn = frame.GetBitmap();
    ASSERT_NE(drawn, nullptr);
    EXPECT_TRUE(std::equal(drawn->palette.begin(), drawn->palette.begin() + 216, WebPalette().begin()));
    ASSERT_TRUE(frame.HasMask());
    Rgb clearColor;
    const Rgb transparent = table.LookupPadded(3);
    const int clearIndex = web.Lookup(transparent.r, transparent.g, transparent.b, clearColor);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) {
            const int at = y * 6 + x;
            const bool clear = frame.GetPixel(x, y) == 3;
            EXPECT_EQ(frame.GetMask()->pixelIndex(x, y), clear ? 1u : 0u) << x << "," << y;
            EXPECT_EQ(static_cast<int>(drawn->pixelIndex(x, y)),
                      clear ? clearIndex : indices[static_cast<std::size_t>(at)])
                << x << "," << y;
        }
}
