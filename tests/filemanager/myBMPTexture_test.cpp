#include "filemanager/myBMPTexture.h"

#include "support/FileContents.h"
#include "support/PictureBytes.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class TextureRecordTest : public ::testing::Test {
protected:
    std::string writeBmp(const QImage& image, const std::string& name) const
    {
        const std::string path = dir.path().toStdString() + "/" + name;
        testsupport::writeFile(path, testsupport::pictureBytes(image, "bmp"));
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(TextureRecordTest, SidesBecomeTheNextPowerOfTwoWithin2048By1024)
{
    EXPECT_EQ(IntLog2(0), 0);
    EXPECT_EQ(IntLog2(1), 0);
    EXPECT_EQ(IntLog2(2), 1);
    EXPECT_EQ(IntLog2(3), 1);
    EXPECT_EQ(IntLog2(1024), 10);
    EXPECT_EQ(IntLog2(1025), 10);
    const struct {
        int width, height, textureWidth, textureHeight;
    } sizes[] = {{640, 480, 1024, 512}, {2048, 2048, 2048, 1024}, {1, 1, 1, 1}, {3, 5, 4, 8}, {4096, 100, 2048, 128}};
    for (const auto& size : sizes) {
        QImage image(size.width, size.height, QImage::Format_RGB32);
        image.fill(Qt::gray);
        const auto texture = LoadTextureRecord(writeBmp(image, "size.bmp"), false);
        ASSERT_NE(texture, nullptr) << size.width << "x" << size.height;
        EXPECT_EQ(texture->width, size.textureWidth);
        EXPECT_EQ(texture->height, size.textureHeight);
        EXPECT_EQ(texture->data.size(), std::size_t(size.textureWidth * size.textureHeight * 3));
    }
}

TEST_F(TextureRecordTest, RowsRunFromTheBottomWithAnOpaqueAlphaWhenAskedFor)
{
    QImage image(2, 2, QImage::Format_RGB32);
    image.setPixelColor(0, 0, QColor(10, 20, 30));    // top left
    image.setPixelColor(1, 0, QColor(40, 50, 60));    // top right
    image.setPixelColor(0, 1, QColor(70, 80, 90));    // bottom left
    image.setPixelColor(1, 1, QColor(100, 110, 120)); // bottom right
    const std::string file = writeBmp(image, "four.bmp");

    const auto rgb = LoadTextureRecord(file, false);
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(rgb->components, 3);
    EXPECT_EQ(rgb->format, GL_RGB);
    EXPECT_EQ(rgb->type, GL_UNSIGNED_BYTE);
    EXPECT_EQ(rgb->data, std::vector<uint8_t>({70, 80, 90, 100, 110, 120, 10, 20, 30, 40, 50, 60}));

    const auto rgba = LoadTextureRecord(file, true);
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(rgba->components, 4);
    EXPECT_EQ(rgba->format, GL_RGBA);
    EXPECT_EQ(rgba->data,
              std::vector<uint8_t>({70, 80, 90, 255, 100, 110, 120, 255, 10, 20, 30, 255, 40, 50, 60, 255}));

    // What is no picture gives nothing.
    EXPECT_EQ(LoadTextureRecord(dir.path().toStdString() + "/missing.bmp", false), nullptr);
    const std::string notPicture = dir.path().toStdString() + "/text.bmp";
    testsupport::writeFile(notPicture, "not a picture");
    EXPECT_EQ(LoadTextureRecord(notPicture, true), nullptr);
}

} // namespace
