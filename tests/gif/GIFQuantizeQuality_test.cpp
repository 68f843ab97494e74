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
        RunTool(QStringLiteral("/usr/bin/compare"),
                {QStringLiteral("-metric"), QStringLiteral("PSNR"), original, reduced, QStringLiteral("null:")},
                nullptr, &errors);
    EXPECT_TRUE(status == 0 || status == 1) << errors.toStdString();
    bool ok = false;
    const double decibels = errors.trimmed().toDouble(&ok);
    EXPECT_TRUE(ok) << errors.toStdString();
    return decibels;
}

QString SaveOurs(const QImage& photo, TDitherMode dither, const QString& path)
{
    TGIFImage picture;
    picture.ColorReduction = TColorReduction::rmQuantize;
    picture.SetReductionBits(8);
    picture.DitherMode = dither;
    auto frame = std::make_unique<TGIFSubImage>(&picture);
    frame->Assign(photo);
    picture.Add(std::move(frame));
    WriteBytes(path, Saved(picture));
    return path;
}

} // namespace

TEST(GIFQuantizeQuality, WithinThreeDecibelsOfImageMagicksQuantiser)
{
    QTemporaryDir dir;
    for (int seed : {3, 17, 42}) {
        const QString name = QStringLiteral("photo-%1").arg(seed);
        const QString photo = dir.filePath(name + QStringLiteral(".png"));
        ASSERT_EQ(RunTool(ImageMagick(), {QStringLiteral("-size"), QStringLiteral("400x300"), QStringLiteral("-seed"),
                                          QString::number(seed), QStringLiteral("plasma:fractal"), photo}),
                  0);
        const Bytes png = ReadBytes(photo);
        const QImage image = QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG");
        ASSERT_FALSE(image.isNull());

        const QString theirsDithered = dir.filePath(name + QStringLiteral("-im-fs.gif"));
        const QString theirsNearest = dir.filePath(name + QStringLiteral("-im-nearest.gif"));
        ASSERT_EQ(RunTool(ImageMagick(), {photo, QStringLiteral("-dither"), QStringLiteral("FloydSteinberg"),
                                          QStringLiteral("-colors"), QStringLiteral("256"), theirsDithered}),
                  0);
        ASSERT_EQ(RunTool(ImageMagick(), {photo, QStringLiteral("+dither"), QStringLiteral("-colors"),
                                          QStringLiteral("256"), theirsNearest}),
                  0);
        const double oursFs =
            Psnr(photo, SaveOurs(image, TDitherMode::dmFloydSteinberg, dir.filePath(name + QStringLiteral("-fs.gif"))));
        const double oursNearest =
            Psnr(photo, SaveOurs(image, TDitherMode::dmNearest, dir.filePath(name + QStringLiteral("-nearest.gif"))));
        const double imFs = Psnr(photo, theirsDithered);
        const double imNearest = Psnr(photo, theirsNearest);
        std::printf("seed %2d PSNR dB: ours Floyd-Steinberg %.2f, ImageMagick %.2f; ours nearest %.2f, ImageMagick "
                    "%.2f\n",
                    seed, oursFs, imFs, oursNearest, imNearest);
        EXPECT_GE(oursFs, imFs - 3.0) << "seed " << seed;
        EXPECT_GE(oursNearest, imNearest - 3.0) << "seed " << seed;
    }
}
