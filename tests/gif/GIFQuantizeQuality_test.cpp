// Our octree reduction against ImageMagick's quantiser on generated photos, both measured
// by ImageMagick's own PSNR of the saved GIF against the photo.

#include "GifTestKit.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace giftest;

namespace {

// ImageMagick's PSNR in dB of `reduced` against `original`; compare prints it on standard
// error and answers 1 when the pictures differ at all.
double Psnr(const QString& original, const QString& reduced)
{
    QByteArray errors;
    const int status =
        RunTool(QStringLiteral("/usr/bin/compare"), {"-metric", "PSNR", original, reduced, "null:"}, nullptr, &errors);
    EXPECT_TRUE(status == 0 || status == 1) << errors.toStdString();
    bool ok = false;
    const double decibels = errors.trimmed().toDouble(&ok);
    EXPECT_TRUE(ok) << errors.toStdString();
    return decibels;
}

} // namespace

TEST(GIFQuantizeQuality, WithinThreeDecibelsOfImageMagicksQuantiser)
{
    QTemporaryDir dir;
    for (int seed : {3, 17, 42}) {
        const QString photo = dir.filePath(QStringLiteral("photo-%1.png").arg(seed));
        ASSERT_EQ(RunTool(ImageMagick(), {"-size", "400x300", "-seed", QString::number(seed), "plasma:fractal", photo}),
                  0);
        const Bytes png = ReadBytes(photo);
        const QImage image = QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG");
        ASSERT_FALSE(image.isNull());
        for (const auto& [dither, theirDither] : {std::pair{TDitherMode::dmFloydSteinberg, "-dither FloydSteinberg"},
                                                  {TDitherMode::dmNearest, "+dither"}}) {
            const QString theirs = photo + QStringLiteral("-im.gif"), ours = photo + QStringLiteral("-ours.gif");
            ASSERT_EQ(RunTool(ImageMagick(), QStringList{photo} + QString::fromLatin1(theirDither).split(' ')
                                                 + QStringList{"-colors", "256", theirs}),
                      0);
            TGIFImage picture;
            picture.ColorReduction = TColorReduction::rmQuantize;
            picture.SetReductionBits(8);
            picture.DitherMode = dither;
            auto frame = std::make_unique<TGIFSubImage>(&picture);
            frame->Assign(image);
            picture.Add(std::move(frame));
            WriteBytes(ours, Saved(picture));
            const double ourDecibels = Psnr(photo, ours), theirDecibels = Psnr(photo, theirs);
            std::printf("seed %2d, %s: PSNR ours %.2f dB, ImageMagick %.2f dB\n", seed, theirDither, ourDecibels,
                        theirDecibels);
            EXPECT_GE(ourDecibels, theirDecibels - 3.0) << "seed " << seed << ", " << theirDither;
        }
    }
}
