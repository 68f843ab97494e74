#include "ShownPanel.h"
#include "platform/fs/Path.h"

#include <GL/gl.h>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

const QColor black(0, 0, 0);

// The grey of a block named after a character (or of an inactive panel's, 90).
QColor Shade(int c) { return QColor(c * 255 / 127 + 1, c * 255 / 127 + 1, c * 255 / 127 + 1); }

bool Near(QRgb pixel, QColor expected, int tolerance = 2)
{
    const QColor got(pixel);
    return std::abs(got.red() - expected.red()) <= tolerance && std::abs(got.green() - expected.green()) <= tolerance
           && std::abs(got.blue() - expected.blue()) <= tolerance;
}

// One panel over a temporary directory, shown, with the labels and the plane off unless a
// test turns them on.
class PanelScene : public ShownPanelTest {
protected:
    // The image area between two grid points seen from above.
    QRect Between(double x0, double z0, double x1, double z1)
    {
        return QRect(At(x0, 0, z0), At(x1, 0, z1)).normalized();
    }
};

// How many pixels of an area differ between two frames.
int Differences(const QImage& a, const QImage& b, QRect area)
{
    area = area.intersected(a.rect());
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += a.pixel(x, y) != b.pixel(x, y);
    return count;
}

bool Holds(const QImage& image, QRect area, QColor colour)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.rect().contains(x, y) && Near(image.pixel(x, y), colour))
                return true;
    return false;
}

TEST_F(PanelScene, ABlockTakesItsNameColourGreyWhenInactiveSelcolWhenMarkedAndTheCursorOnTop)
{
    tree.File("a");
    Show(tree.Root());
    ASSERT_EQ(panel->dir.entries.size(), 2u); // ".." and "a"
    LookDown(2, 0, 6);
    const QPoint top = At(2, 0.055, 0);
    const int a = Shade('a').red();
    EXPECT_TRUE(Near(Frame().pixel(top), Shade('a'))) << QColor(Frame().pixel(top)).name().toStdString();

    EXPECT_EQ(panel->StatusBar1->palette().color(QPalette::Window), panel->actcol);
    panel->SetActive(false);
    EXPECT_NE(panel->StatusBar1->palette().color(QPalette::Window), panel->actcol);
    EXPECT_TRUE(Near(Frame().pixel(top), Shade(90)));

    Entry("a").selected = true;
    EXPECT_TRUE(Near(Frame().pixel(top), QColor(255, 0, 0))) << "marked blocks keep selcol in either panel";
    panel->active = true;
    panel->selcol[1] = 1;
    EXPECT_TRUE(Near(Frame().pixel(top), QColor(255, 255, 0)));
    panel->selcol[1] = 0;

    Entry("a").current = true;
    EXPECT_TRUE(Near(Frame().pixel(top), QColor(255, 89, 0), 3)) << "orange at 0.7 over the marked block";
    Entry("a").selected = false;
    const QColor over(int(0.6 * 50 + 0.4 * a + 0.5), int(0.6 * 153 + 0.4 * a + 0.5), int(0.6 * 204 + 0.4 * a + 0.5));
    EXPECT_TRUE(Near(Frame().pixel(top), over, 3)) << QColor(Frame().pixel(top)).name().toStdString();
    EXPECT_EQ(panel->pickCount, 3) << "the cursor's second pass takes a name too";
    EXPECT_TRUE(host.iconExtensions.empty()) << "no extension, no icon";
}

TEST_F(PanelScene, TheFilePlaneSpansNineEntriesAndNoCellOfAnEmptyListing)
{
    for (const char* name : {"1.txt", "2.txt", "3.txt", "4.txt", "5.txt", "6.txt", "7.txt", "8.txt"})
        tree.File(name);
    host.viewFilePlane = true;
    host.icon3DLimit = 150;
    Show(tree.Root());
    ASSERT_EQ(panel->dir.entries.size(), 9u);
    LookDown(8.5, 0.2, 30);
    host.iconExtensions.clear();
    QImage frame = Frame();
    EXPECT_EQ(panel->gridColumns, 10);
    EXPECT_FALSE(Near(frame.pixel(At(17.7, 0, 1.2)), black)) << "inside the far corner";
    EXPECT_FALSE(Near(frame.pixel(At(-0.8, 0, -0.8)), black)) << "inside the near corner";
    EXPECT_TRUE(Near(frame.pixel(At(18.4, 0, 1.2)), black)) << "beyond x = 18";
    EXPECT_TRUE(Near(frame.pixel(At(10, 0, 1.7)), black)) << "beyond z = 1.4";
    EXPECT_TRUE(Near(frame.pixel(At(-1.4, 0, 0)), black)) << "before x = -1";
    EXPECT_EQ(std::count(host.iconExtensions.begin(), host.iconExtensions.end(), ".txt"), 8);

    host.iconExtensions.clear();
    host.icon3DLimit = 8;
    Frame();
    EXPECT_TRUE(host.iconExtensions.empty()) << "more entries than the icon limit";
    host.icon3DLimit = 150;
    panel->labelsSuppressed = true;
    Frame();
    EXPECT_TRUE(host.iconExtensions.empty()) << "no icons while labels are suppressed";

    panel->FilterEdit->setText("none-match");
    ASSERT_TRUE(panel->ChangeToListingDir());
    panel->RefreshListing(false);
    ASSERT_TRUE(panel->dir.entries.empty());
    frame = Frame();
    EXPECT_TRUE(Near(frame.pixel(At(0.5, 0, 0)), black)) << "no plane over the first cell";
    EXPECT_FALSE(Near(frame.pixel(At(-0.5, 0, 0)), black)) << "the plane's margin before it stays";
    EXPECT_EQ(panel->dirnameLabel->text(),
              "[]  " + QString::fromStdString(tree.Root()) + " (0/0 items), selected: 0 bytes");
}

TEST_F(PanelScene, SizeAsHeightScalesEveryEmptyFileToFifty)
{
    tree.File("abc");
    tree.File("abd");
    Show(tree.Root());
    panel->dspsizasheight = true;
    panel->rotx = 90;
    panel->roty = 0;
    panel->tranx = -2;
    panel->trany = -12;
    panel->tranz = -70;
    const QImage frame = Frame();
    for (double x : {2.0, 4.0}) {
        EXPECT_FALSE(Near(frame.pixel(At(x, 24.6, 0.5)), black)) << x;
        EXPECT_TRUE(Near(frame.pixel(At(x, 25.6, 0.5)), black)) << x;
    }
}

TEST_F(PanelScene, TheBackgroundPictureFillsTheViewAndASuppressedFrameLeavesThePreviousPicture)
{
    Show(tree.Root());
    panel->FilterEdit->setText("none-match");
    panel->RefreshListing(false);
    panel->bkgcol[0] = 0.2f;
    panel->bkgcol[1] = 0.4f;
    panel->bkgcol[2] = 0.6f;
    const QPoint centre(panel->OpenGLPanel1->width() / 2, panel->OpenGLPanel1->height() / 2);
    EXPECT_TRUE(Near(Frame().pixel(centre), QColor(51, 102, 153)));

    SetBackground({30, 200, 90, 30, 200, 90, 30, 200, 90, 30, 200, 90});
    EXPECT_TRUE(Near(Frame().pixel(centre), QColor(51, 102, 153))) << "not without viewBkgPic";
    host.viewBkgPic = true;
    const QImage picture = Frame();
    EXPECT_TRUE(Near(picture.pixel(centre), QColor(30, 200, 90))) << QColor(picture.pixel(centre)).name().toStdString();

    panel->drawingSuppressed = true;
    host.viewBkgPic = false;
    panel->bkgcol[0] = 1;
    EXPECT_EQ(Frame(), picture);
    panel->drawingSuppressed = false;
    EXPECT_TRUE(Near(Frame().pixel(centre), QColor(255, 102, 153)));

    ASSERT_TRUE(panel->OpenGLPanel1->MakeOpenGLPanelCurrent());
    glDeleteTextures(1, &host.bkgTextureId);
    panel->OpenGLPanel1->MakeOpenGLPanelNotCurrent();
}

TEST_F(PanelScene, AWindowUncoveringThePanelShowsItsLastFrameWithoutDrawingIt)
{
    tree.File("a");
    Show(tree.Root());
    LookDown(2, 0, 6);
    panel->OpenGLPanel1->update();
    QCoreApplication::processEvents();
    const QImage before = testsupport::grabScreen(*panel->OpenGLPanel1);
    int frames = 0;
    const auto paint = panel->OpenGLPanel1->OnPaint;
    panel->OpenGLPanel1->OnPaint = [&](TOpenGLPanel* view) {
        ++frames;
        paint(view);
    };
    QWidget cover;
    cover.setGeometry(QRect(panel->OpenGLPanel1->mapToGlobal(QPoint(0, 0)), panel->OpenGLPanel1->size()));
    ASSERT_TRUE(testsupport::showAndWait(cover));
    ASSERT_NE(testsupport::grabScreen(*panel->OpenGLPanel1), before) << "the cover hides the panel";
    cover.hide();
    EXPECT_TRUE(testsupport::waitUntil([&] { return testsupport::grabScreen(*panel->OpenGLPanel1) == before; }));
    EXPECT_EQ(frames, 0);
}

TEST_F(PanelScene, LabelsStandAtTheirPointsInBothTextModesAndGoWhenSuppressed)
{
    tree.File("WWW", "12345");
    tree.SetMtime("WWW", 1700000000);
    Show(tree.Root());
    LookDown(2.5, 1.0, 5);
    for (const char* kind : {"bitmap text", "outline text", "outline text drawn as lines"}) {
        SCOPED_TRACE(kind);
        host.draw3DText = kind != std::string("bitmap text");
        if (kind == std::string("outline text drawn as lines")) {
            panel->OpenGLPanel1->SetFont3DFormat(f_WGL_FONT_LINES);
            ASSERT_TRUE(panel->OpenGLPanel1->MakeOpenGLPanelCurrent());
            panel->OpenGLPanel1->Create3DFont();
            panel->OpenGLPanel1->MakeOpenGLPanelNotCurrent();
        }
        panel->dspnam = panel->dspsiz = panel->dspatr = panel->dspdat = false;
        const QImage bare = Frame();
        panel->dspnam = panel->dspsiz = panel->dspatr = panel->dspdat = true;
        const QImage labelled = Frame();
        const QRect name = Between(1.5, 0.72, 2.1, 0.5);
        const QRect size = Between(1.5, 1.02, 2.1, 0.82);
        const QRect date = Between(1.5, 1.32, 2.1, 1.12);
        EXPECT_GT(Differences(bare, labelled, name), 5);
        EXPECT_GT(Differences(bare, labelled, size), 5);
        EXPECT_GT(Differences(bare, labelled, date), 5);
        EXPECT_TRUE(Holds(labelled, name, QColor(255, 255, 255))) << "a file's name is white";
        EXPECT_TRUE(Holds(labelled, size, QColor(255, 0, 0))) << "the largest entry's size is red";
        EXPECT_TRUE(Holds(labelled, date, QColor(204, 127, 50)));
        EXPECT_EQ(Differences(bare, labelled, Between(1.6, 0.4, 2.4, -0.4)), 0) << "nothing over the block";
        EXPECT_EQ(Differences(bare, labelled, Between(2.7, -0.2, 4.8, -1.0)), 0) << "nothing behind the row";
        testsupport::saveScreenshotIfAsked(labelled, (std::string("labels, ") + kind + ".png").c_str());

        panel->labelsSuppressed = true;
        EXPECT_EQ(Frame(), bare);
        panel->labelsSuppressed = false;
    }
}

TEST_F(PanelScene, ANameThatIsNotTextIsStillLabelled)
{
    tree.File("\xff\xfe");
    Show(tree.Root());
    ASSERT_EQ(panel->dir.entries.size(), 2u);
    LookDown(2.5, 1.0, 5);
    const QImage bare = Frame();
    panel->dspnam = true;
    EXPECT_GT(Differences(bare, Frame(), Between(1.5, 0.72, 2.3, 0.5)), 5);
}

TEST_F(PanelScene, TheTreeStandsBesideTheGridWithTheMarkedNodeAtMinusFourMinusTwo)
{
    testfs::TempTree other;
    host.MountDrives({tree.Root(), other.Root()});
    tree.Dir("a/b");
    tree.Dir("a/x");
    tree.Dir("c");
    tree.File("a/b/f");
    Show(tree.Path("a/b"));
    ASSERT_EQ(panel->drvComboBox->count(), 3);
    EXPECT_EQ(panel->drvComboBox->currentIndex(), 1);
    EXPECT_EQ(panel->drvComboBox->itemData(1).toByteArray().toStdString(), tree.Root());
    EXPECT_EQ(panel->drvComboBox->itemText(2).toStdString(), platform::FileNameOf(other.Root()));
    EXPECT_EQ(panel->drvComboBox->itemText(0), "/");

    FaceTheTree();
    QImage frame = Frame();
    EXPECT_EQ(panel->pickCount, 2 + 5) << "\"..\", f, and the nodes root, a, b, x, c";
    EXPECT_TRUE(Near(frame.pixel(At(-4, -2, 0.2, true)), Shade('b')))
        << QColor(frame.pixel(At(-4, -2, 0.2, true))).name().toStdString();
    const QPoint connector = At(-5, -2.001, 0, true);
    const QRect around(connector - QPoint(2, 2), QSize(5, 5));
    EXPECT_TRUE(Holds(frame, around, QColor(255, 255, 255)));

    panel->dspnam = true;
    const QRect label = QRect(At(-4.5, -1.5, 0.75, true), At(-3.9, -1.5, 0.35, true)).normalized();
    EXPECT_TRUE(Holds(Frame(), label, QColor(255, 255, 0))) << "b's name in yellow";
    panel->labelsSuppressed = true;
    EXPECT_FALSE(Holds(Frame(), label, QColor(255, 255, 0)));
    panel->labelsSuppressed = false;
    panel->dspnam = false;

    panel->active = false;
    frame = Frame();
    EXPECT_TRUE(Near(frame.pixel(At(-4, -2, 0.2, true)), Shade(90)));
    EXPECT_TRUE(Holds(frame, around, Shade(90)));
    EXPECT_FALSE(Holds(frame, around, QColor(255, 255, 255)));
    EXPECT_TRUE(boxes.texts().empty());
}

} // namespace
