#include "GifTestKit.h"

#include "gif/GIFDIB.h"
#include "gif/GIFQImage.h"
#include "support/Deadline.h"

#include <QPainter>

#include <gtest/gtest.h>

using namespace giftest;
using namespace gifstrings;
using platform::PixelFormat;
using platform::Rgb;

TEST(GIFSubImage, RendersTopDownWithThePaddedTableAndAMask)
{
    GifBuilder b;
    b.header(3, 2, 4).graphicControl(0x01, 0, 2).frame(0, 0, 3, 2, {0, 1, 2, 3, 2, 9}, 4).trailer();
    Loaded l = Load(b.bytes);
    TGIFSubImage& frame = l.frame(0);
    std::vector<std::string> progress;
    l.image->OnProgress = [&](GifPersistent*, TProgressStage, int percent, bool, std::string_view m) {
        progress.push_back(std::string(m) + " " + std::to_string(percent));
    };
    const platform::Bitmap* bitmap = frame.GetBitmap();
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->format(), PixelFormat::Indexed8);
    EXPECT_EQ(bitmap->palette.size(), 256u);
    EXPECT_EQ(bitmap->pixelIndex(0, 1), 3) << "row 0 is the top row";
    EXPECT_EQ(bitmap->pixelColor(1, 0), (Rgb{40, 254, 7}));
    EXPECT_EQ(bitmap->pixelColor(2, 1), (Rgb{})) << "index 9 is beyond the table";
    EXPECT_EQ(progress, (std::vector<std::string>{"Rendering... 0", "Rendering... 0", "Rendering... 100"}));
    ASSERT_TRUE(frame.HasMask());
    EXPECT_EQ(frame.GetMask()->pixelIndex(2, 0), 1u);
    EXPECT_EQ(frame.GetMask()->pixelIndex(1, 1), 1u);
    EXPECT_EQ(frame.GetMask()->pixelIndex(0, 0), 0u);

    // A transparent frame none of whose pixels is transparent draws opaque.
    GifBuilder opaque;
    opaque.header(2, 1, 4).graphicControl(0x01, 0, 3).frame(0, 0, 2, 1, {0, 1}).trailer();
    l = Load(opaque.bytes);
    EXPECT_FALSE(l.frame(0).HasMask());
}

TEST(GIFSubImage, DrawsThroughQImageTopDownWithTransparencyAndClipped)
{
    GifBuilder b;
    b.header(4, 2, 4).graphicControl(0x01, 0, 3).frame(2, 0, 3, 2, {0, 1, 3, 2, 3, 0}).trailer();
    Loaded l = Load(b.bytes);
    TGIFSubImage& frame = l.frame(0);
    const QImage plain = toQImage(*frame.GetBitmap());
    EXPECT_EQ(plain.format(), QImage::Format_Indexed8);
    EXPECT_EQ(plain.colorCount(), 256);
    EXPECT_EQ(plain.pixel(0, 0), qRgb(0, 255, 0)) << "(0, 0) is the top left";
    EXPECT_EQ(plain.pixel(0, 1), qRgb(80, 253, 14));
    ASSERT_TRUE(frame.HasMask());
    const QImage masked = toQImage(*frame.GetBitmap(), frame.GetMask());
    EXPECT_EQ(masked.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(qAlpha(masked.pixel(2, 0)), 0);
    EXPECT_EQ(qAlpha(masked.pixel(1, 1)), 0);
    EXPECT_EQ(masked.pixel(1, 0), qRgb(40, 254, 7));

    // Drawn into a picture-sized place twice as large: the frame's part, stretched by
    // nearest neighbour, with the overhanging column cut and transparent pixels untouched.
    QImage canvas(8, 4, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    frame.Draw(painter, QRect(0, 0, 8, 4), true, false);
    painter.end();
    EXPECT_EQ(frame.ScaleRect(QRect(0, 0, 8, 4)), QRect(4, 0, 6, 4));
    EXPECT_EQ(canvas.pixel(3, 0), qRgb(255, 255, 255));
    EXPECT_EQ(canvas.pixel(4, 1), qRgb(0, 255, 0));
    EXPECT_EQ(canvas.pixel(6, 3), qRgb(255, 255, 255)) << "transparent";
    EXPECT_EQ(canvas.pixel(7, 3), qRgb(255, 255, 255)) << "transparent";
    QImage beyond(9, 4, QImage::Format_RGB32);
    beyond.fill(Qt::white);
    painter.begin(&beyond);
    frame.Draw(painter, QRect(0, 0, 8, 4), false, false);
    painter.end();
    EXPECT_EQ(beyond.pixel(8, 0), qRgb(255, 255, 255)) << "nothing beyond the picture's place";
}

TEST(GIFSubImage, TilesWithinThePlaceAtEveryPictureSizeStep)
{
    GifBuilder b;
    b.header(20, 20, 4).frame(5, 5, 10, 10, Bytes(100, 1)).trailer();
    Loaded l = Load(b.bytes);
    QImage canvas(60, 60, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    l.frame(0).Draw(painter, QRect(0, 0, 50, 50), true, true);
    painter.end();
    const QRgb frameColour = qRgb(40, 254, 7);
    for (int x = 0; x < 60; ++x)
        for (int y = 0; y < 60; ++y) {
            const bool inTile = x < 50 && y < 50 && (x % 20) >= 5 && (x % 20) < 15 && (y % 20) >= 5 && (y % 20) < 15;
            ASSERT_EQ(canvas.pixel(x, y), inTile ? frameColour : qRgb(255, 255, 255)) << x << "," << y;
        }

    // A 1 x 1 picture tiles a large place in a draw a row, not one a pixel.
    GifBuilder dot;
    dot.header(1, 1, 4).frame(0, 0, 1, 1, {2}).trailer();
    l = Load(dot.bytes);
    QImage large(4000, 3000, QImage::Format_RGB32);
    testsupport::finishWithin(std::chrono::seconds(5), [&] {
        QPainter p(&large);
        l.frame(0).Draw(p, large.rect(), false, true);
    });
    EXPECT_EQ(large.pixel(3999, 2999), qRgb(80, 253, 14));
}

TEST(GIFSubImage, BoundsGrowTheScreenWithWarnings)
{
    TGIFImage image;
    std::vector<std::string> warnings;
    image.OnCodecWarning = [&](GifPersistent*, TGIFSeverity, std::string_view m) { warnings.emplace_back(m); };
    image.Header.SetWidth(10);
    image.Header.SetHeight(10);
    TGIFSubImage frame(&image);
    frame.DoSetBounds(2, 3, 8, 7);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(frame.GetData().size(), 56u);
    frame.SetBounds(3, 9);
    EXPECT_EQ(image.GetWidth(), 11);
    EXPECT_EQ(warnings, (std::vector<std::string>{std::string(sBadWidth), std::string(sScreenSizeExceeded)}));
    EXPECT_EQ(frame.GetBoundsRect(), (GifRect{2, 3, 11, 10}));
    frame.GetScanline(6)[8] = 5;
    EXPECT_EQ(frame.GetPixel(8, 6), 5);
    EXPECT_THROW(frame.GetScanline(7), GIFException);
    EXPECT_THROW(frame.DoSetBounds(0, 0, 65535, 65535), GIFException);
    EXPECT_EQ(frame.GetBoundsRect(), (GifRect{2, 3, 11, 10})) << "a refused size changes nothing";
    EXPECT_EQ(frame.GetPixel(8, 6), 5);
}

TEST(GIFSubImage, DIBReaderAndWriter)
{
    platform::Bitmap target;
    const std::vector<Rgb> palette{{1, 2, 3}};
    EXPECT_THROW(TDIBWriter(target, palette, 2, 2, PixelFormat::Indexed4), GIFException);
    EXPECT_THROW(TDIBWriter(target, palette, 0, 2, PixelFormat::Indexed8), GIFException);
    {
        TDIBWriter abandoned(target, palette, 2, 2, PixelFormat::Indexed8);
        abandoned.ScanLine(0)[0] = 1;
    }
    EXPECT_TRUE(target.isNull()) << "without Finish the target is left as it was";
    TDIBWriter writer(target, palette, 2, 3, PixelFormat::Indexed8);
    EXPECT_THROW(writer.ScanLine(2), GIFException);
    writer.ScanLine(0)[2] = 7;
    writer.Finish();
    EXPECT_THROW(writer.ScanLine(0), GIFException);
    ASSERT_EQ(target.width(), 3);
    EXPECT_EQ(target.pixelIndex(2, 0), 7u);
    EXPECT_EQ(target.palette.size(), 256u);
    EXPECT_EQ(target.palette[0], (Rgb{1, 2, 3}));

    const TDIBReader reader(target, PixelFormat::Rgb24);
    EXPECT_EQ(reader.ScanLine(0)[0], 1);
    EXPECT_EQ(reader.ScanLine(1)[2], 3);
    EXPECT_THROW(reader.ScanLine(2), GIFException);
    EXPECT_THROW(TDIBReader(reader.Bitmap(), PixelFormat::Indexed8), GIFException);
}

TEST(GIFSubImage, TextSubBlocks)
{
    platform::MemoryStream out;
    WriteTextSubBlocks(out, {std::string(255, 'a'), std::string(256, 'b'), ""});
    const Bytes bytes(out.bytes().begin(), out.bytes().end());
    ASSERT_EQ(bytes.size(), 256u + 256 + 2 + 1);
    EXPECT_EQ(bytes[256], 255);
    EXPECT_EQ(bytes[512], 1);
    EXPECT_EQ(bytes.back(), 0);

    auto in = platform::MemoryStream::borrowing(bytes);
    std::vector<std::string> text{"old"};
    ReadTextSubBlocks(in, text);
    EXPECT_EQ(text.size(), 3u);
    EXPECT_EQ(text[2], "b");

    const Bytes nul{4, 'a', 0, 'b', 'c', 0};
    auto withNul = platform::MemoryStream::borrowing(nul);
    ReadTextSubBlocks(withNul, text);
    EXPECT_EQ(text, std::vector<std::string>{"a"});
    for (const Bytes& cut : {Bytes{4, 'a'}, Bytes{1, 'a'}}) {
        auto stream = platform::MemoryStream::borrowing(cut);
        if (cut[0] == 4) {
            EXPECT_THROW(ReadTextSubBlocks(stream, text), GIFException) << "cut inside the data";
        } else {
            ReadTextSubBlocks(stream, text);
            EXPECT_EQ(text, std::vector<std::string>{"a"}) << "cut before a length byte";
        }
    }
}
