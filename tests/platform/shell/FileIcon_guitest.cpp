#include "platform/shell/FileIcon.h"
#include "support/TempTree.h"

#include <QBuffer>
#include <QIcon>
#include <QImage>
#include <gtest/gtest.h>

namespace {

QByteArray Png(QColor colour)
{
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// An icon theme of the test's own: red for PNG pictures, blue for plain text, nothing else.
TEST(FileIcon, TheTypeComesFromTheNameAndTheFirstBytesReadByTheNamesOwnBytes)
{
    testfs::TempTree tree;
    tree.File("icons/probe/index.theme",
              "[Icon Theme]\nName=probe\nDirectories=32x32\n\n[32x32]\nSize=32\nType=Fixed\n");
    tree.File("icons/probe/32x32/image-png.png", Png(Qt::red).toStdString());
    tree.File("icons/probe/32x32/text-plain.png", Png(Qt::blue).toStdString());
    QIcon::setThemeSearchPaths({QString::fromStdString(tree.Path("icons"))});
    QIcon::setThemeName("probe");
    const auto colour = [](const QPixmap& icon) { return icon.toImage().pixelColor(16, 16); };

    EXPECT_EQ(colour(platform::FileIcon(tree.File("notes.txt", "plain words\n"))), QColor(Qt::blue));
    const std::string picture = Png(Qt::green).toStdString();
    EXPECT_EQ(colour(platform::FileIcon(tree.File("snapshot", picture))), QColor(Qt::red)) << "known by its bytes";
    EXPECT_EQ(colour(platform::FileIcon(tree.File("shot\xff", picture))), QColor(Qt::red))
        << "a name that is not UTF-8 is still read";
    EXPECT_TRUE(platform::FileIcon(tree.File("data.bin", std::string("\0\1\2\3", 4))).isNull());
    EXPECT_TRUE(platform::FileIcon(tree.Path("gone.bin")).isNull());
}

} // namespace
