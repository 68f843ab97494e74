#include "filemanager/PictureImage.h"
#include "filemanager/grfview.h"
#include "platform/shell/RunProgram.h"
#include "support/FileContents.h"
#include "support/PictureBytes.h"
#include "support/ScriptedMessages.h"
#include "support/TempTree.h"

#include <QApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace {

using testsupport::writeFile;

class PictureViewerTest : public ::testing::Test {
protected:
    // A picture of one colour in the format, written under the name.
    std::string Picture(const std::string& name, int width, int height, const char* format = "bmp")
    {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(QColor(200, 30, 40));
        const std::string path = tree.Path(name);
        writeFile(path, testsupport::pictureBytes(image, format));
        return path;
    }

    // What a panel's view command does: a new viewer for each picture.
    QPointer<TgrfviewForm> View(const std::string& path)
    {
        QPointer<TgrfviewForm> viewer = new TgrfviewForm(&owner);
        viewer->ShowPicture(path);
        return viewer;
    }

    static void Settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    testfs::TempTree tree;
    testsupport::ScriptedMessages boxes;
    QWidget owner;
};

TEST_F(PictureViewerTest, ShowsAPictureAtItsSizeCaptionedWithItsPath)
{
    const std::string path = Picture("sunset view.bmp", 300, 200);
    QPointer<TgrfviewForm> viewer = View(path);
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->size(), QSize(300, 200));
    EXPECT_EQ(viewer->Image1->size(), QSize(300, 200));
    EXPECT_EQ(viewer->windowTitle().toStdString(), "Pelvaxon - " + path);
    EXPECT_TRUE(viewer->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(viewer->isWindow());
    EXPECT_EQ(viewer->parentWidget(), &owner);
    EXPECT_EQ(viewer->Image1->grab().toImage().pixelColor(150, 100), QColor(200, 30, 40));
    EXPECT_TRUE(boxes.texts().empty());
    viewer->close();
}

TEST_F(PictureViewerTest, ShowsAJpegMadeByAnotherEncoder)
{
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor(20, 120, 220));
    writeFile(tree.Path("in.ppm"), testsupport::pictureBytes(image, "ppm"));
    const std::string jpeg = tree.Path("photo.jpg");
    ASSERT_EQ(platform::RunProgram("cjpeg", {"-outfile", jpeg, tree.Path("in.ppm")}, platform::ProgramWait::UntilExit),
              0);
    QPointer<TgrfviewForm> viewer = View(jpeg);
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->isVisible());
    EXPECT_EQ(viewer->size(), QSize(64, 48));
    const QColor centre = viewer->Image1->grab().toImage().pixelColor(32, 24);
    EXPECT_NEAR(centre.blue(), 220, 8);
    EXPECT_NEAR(centre.red(), 20, 8);
    viewer->close();
}

TEST_F(PictureViewerTest, AFileThatIsNoPictureIsReportedAndLeavesNoWindow)
{
    const std::string damaged = tree.File("broken.bmp", "BM this is not a bitmap");
    const std::string metafile = tree.File("drawing.wmf", std::string("\xd7\xcd\xc6\x9a", 4) + std::string(40, '\0'));
    for (const std::string& path : {damaged, metafile, tree.Path("missing.jpg")}) {
        QPointer<TgrfviewForm> viewer = View(path);
        EXPECT_TRUE(!viewer || !viewer->isVisible()) << path;
        Settle();
        EXPECT_FALSE(viewer) << path;
    }
    EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Error loading " + damaged, "Error loading " + metafile,
                                                       "Error loading " + tree.Path("missing.jpg")}));
    for (QWidget* window : QApplication::topLevelWidgets())
        EXPECT_FALSE(window->isVisible() && dynamic_cast<TgrfviewForm*>(window));
}

TEST_F(PictureViewerTest, EscClosesAndDestroysTheViewerAndTheNextViewIsANewOne)
{
    const std::string path = Picture("a.bmp", 40, 30);
    QPointer<TgrfviewForm> first = View(path);
    ASSERT_TRUE(first);
    QTest::keyRelease(first.data(), Qt::Key_Escape);
    Settle();
    EXPECT_FALSE(first);

    QPointer<TgrfviewForm> second = View(path);
    QPointer<TgrfviewForm> third = View(path);
    ASSERT_TRUE(second && third);
    EXPECT_NE(second.data(), third.data());
    QTest::keyRelease(second.data(), Qt::Key_A);
    Settle();
    EXPECT_TRUE(second && second->isVisible());
    second->close();
    third->close();
}

TEST_F(PictureViewerTest, APictureLargerThanTheScreenIsMadeToFitInItsOwnProportionsWithItsFrame)
{
    owner.show();
    const QSize screen = QApplication::primaryScreen()->availableGeometry().size();
    const int wide = 3 * screen.width();
    const int tall = 3 * screen.height();
    for (const QSize picture :
         {QSize(wide, 100), QSize(100, tall), QSize(4 * tall / 3, tall), QSize(wide, 3 * wide / 4)}) {
        QPointer<TgrfviewForm> viewer = View(Picture("big.bmp", picture.width(), picture.height()));
        ASSERT_TRUE(viewer);
        const QSize shown = viewer->size();
        const QSize available = screen - (viewer->frameGeometry().size() - shown);
        EXPECT_TRUE(shown.width() == available.width() || shown.height() == available.height()) << shown.width();
        EXPECT_TRUE(shown.width() <= available.width() && shown.height() <= available.height()) << shown.width();
        // Width over height as the picture's, to the pixel.
        EXPECT_LE(std::abs(qint64(shown.width()) * picture.height() - qint64(shown.height()) * picture.width()),
                  std::max(picture.width(), picture.height()))
            << picture.width() << "x" << picture.height() << " shown " << shown.width() << "x" << shown.height();
        viewer->close();
        Settle();
    }
}

long ResidentKilobytes()
{
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

TEST_F(PictureViewerTest, ViewingManyPicturesInARowKeepsMemoryFlat)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer holds freed memory back, so the resident size grows anyway";
#endif
    const std::string path = Picture("big.bmp", 600, 400);
    const auto viewMany = [&](int count) {
        for (int i = 0; i < count; ++i) {
            QPointer<TgrfviewForm> viewer = View(path);
            QCoreApplication::processEvents();
            viewer->close();
            Settle();
        }
    };
    viewMany(20);
    const long after20 = ResidentKilobytes();
    viewMany(180);
    EXPECT_LT(ResidentKilobytes() - after20, 5 * 1024);
}

} // namespace
