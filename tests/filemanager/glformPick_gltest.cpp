#include "ShownPanel.h"
#include "filemanager/PanelBlocks.h"
#include "platform/shell/FileIcon.h"
#include "support/RecordingLauncher.h"

#include <GL/gl.h>
#include <QFrame>
#include <QMenu>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

// One shown panel over a temporary directory, labels off.
class PanelPicking : public ShownPanelTest {
protected:
    // From straight above, with a frame drawn as the user would have seen it.
    void LookDownAndDraw(double x, double z, double distance)
    {
        LookDown(x, z, distance);
        Frame();
    }
    // The centre of entry i's top face (a file is 0.11 high).
    QPoint TopOf(int i)
    {
        const int columns = GridColumns(panel->dir.entries.size());
        return At(2.0 * (i % columns), 0.11, 2.0 * (i / columns));
    }
    int Pick(QPoint at)
    {
        EXPECT_TRUE(panel->OpenGLPanel1->MakeOpenGLPanelCurrent());
        const int hit = panel->PickAt(at.x(), at.y());
        panel->OpenGLPanel1->MakeOpenGLPanelNotCurrent();
        return hit;
    }
    void MakeFiles(int count)
    {
        for (int i = 0; i < count; ++i)
            tree.File(std::to_string(10000 + i) + ".txt");
    }
};

TEST_F(PanelPicking, EveryBlockIsPickedAtItsCentreTheBackgroundIsNotAnIconPicksItsEntryResetViewSeesAll)
{
    host.MountDrives({tree.Root()});
    MakeFiles(12);
    Show(tree.Root());
    ASSERT_EQ(panel->dir.entries.size(), 13u);
    LookDownAndDraw(10, 1, 20);
    for (int i = 0; i < 13; ++i)
        EXPECT_EQ(Pick(TopOf(i)), i) << "entry " << i;
    EXPECT_LT(Pick(At(9, 0, 8)), 0) << "below the grid";
    EXPECT_LT(Pick(At(1, 0, 0)), 0) << "between two blocks";

    // An icon wider than its block, standing over it.
    host.icon3DLimit = 150;
    host.OnDrawIcon = [](Tglfr&, const std::string&) {
        glBegin(GL_QUADS);
        for (const auto& [x, z] : {std::pair{-0.9, -0.9}, {0.9, -0.9}, {0.9, 0.9}, {-0.9, 0.9}})
            glVertex3d(x, 0.5, z);
        glEnd();
    };
    EXPECT_EQ(Pick(At(2 * 3 + 0.8, 0.6, 0.8)), 3) << "beside block 3, under its icon";
    EXPECT_TRUE(boxes.texts().empty());

    // The reset view, from anywhere, sees the first row from above and the marked tree node.
    tree.Dir("a");
    Show(tree.Path("a"));
    panel->dirtreevisible = true;
    LookDown(0, 0, 3);
    panel->resetview1->trigger();
    Frame();
    ASSERT_TRUE(panel->OpenGLPanel1->MakeOpenGLPanelCurrent());
    panel->ApplyFileViewTransform();
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    const double eyeHeight = -(m[4] * m[12] + m[5] * m[13] + m[6] * m[14]);
    panel->OpenGLPanel1->MakeOpenGLPanelNotCurrent();
    EXPECT_GT(eyeHeight, 5.0) << "the eye above the grid, not below or level with it";
    const QRect view = panel->OpenGLPanel1->rect();
    for (const QPoint& corner : {At(0, 0, 0), At(18, 0, 0), At(-4, -2, 0, true)})
        EXPECT_TRUE(view.contains(corner)) << corner.x() << "," << corner.y();
}

TEST_F(PanelPicking, TenThousandEntriesPickWithoutOverflowEvenAllUnderOnePixel)
{
    MakeFiles(9999);
    Show(tree.Root());
    ASSERT_EQ(panel->dir.entries.size(), 10000u);
    const int target = 5055;
    LookDownAndDraw(2.0 * (target % 100), 2.0 * (target / 100), 20);
    EXPECT_EQ(Pick(TopOf(target)), target);

    // The whole grid in a view of 2 by 2 pixels: a quarter of it lies under each pixel,
    // far more records than a buffer of 5000 words holds.
    panel->OpenGLPanel1->setFixedSize(2, 2);
    ASSERT_TRUE(testsupport::waitUntil([&] { return panel->OpenGLPanel1->width() == 2; }));
    LookDownAndDraw(99, 99, 250);
    const int hit = Pick({1, 1});
    EXPECT_GE(hit, 0);
    EXPECT_LT(hit, 10000);
    std::size_t records = 0;
    for (std::size_t at = 0; at + 3 < panel->selectBuffer.size() && panel->selectBuffer[at] == 1; at += 4)
        ++records;
    EXPECT_GT(records, 1250u);
    EXPECT_TRUE(boxes.texts().empty()) << boxes.texts().front();
}

// The mouse as a user moves it over the scene.
class PanelMouse : public PanelPicking {
protected:
    void SetUp() override
    {
        tree.Dir("sub/deeper");
        tree.File("a.txt", "text");
        tree.File("b.bin");
        Show(tree.Root());
        LookDownAndDraw(2, 0, 10);
    }
    void RightClick(QPoint at)
    {
        QTest::mouseClick(panel->OpenGLPanel1, Qt::RightButton, {}, at);
        EXPECT_TRUE(panel->PopupMenu1->isVisible()) << "the menu follows the marking";
        panel->PopupMenu1->hide();
    }
    void DoubleClick(QPoint at)
    {
        QTest::mouseClick(panel->OpenGLPanel1, Qt::LeftButton, {}, at);
        QTest::mouseDClick(panel->OpenGLPanel1, Qt::LeftButton, {}, at);
        QTest::mouseRelease(panel->OpenGLPanel1, Qt::LeftButton, {}, at);
    }
    std::string Status() const { return panel->StatusBar1->currentMessage().toStdString(); }
    // The window's title and the status bar both name the text.
    void ExpectNamed(const std::string& text) const
    {
        EXPECT_EQ(host.title, "Pelvaxon - " + text);
        EXPECT_EQ(Status(), text);
    }
    void Click(const char* name) { QTest::mouseClick(panel->OpenGLPanel1, Qt::LeftButton, {}, TopOf(IndexOf(name))); }
    void Reload()
    {
        panel->ChangeToListingDir();
        panel->RefreshListing(true);
    }
};

TEST_F(PanelMouse, ARightClickMarksASecondUnmarksAPlainClickPointsAndShowsTheFilesIcon)
{
    RightClick(TopOf(IndexOf("a.txt")));
    EXPECT_TRUE(Entry("a.txt").selected);
    EXPECT_TRUE(Entry("a.txt").current);
    ExpectNamed(tree.Root() + "/a.txt  size:4");
    RightClick(TopOf(IndexOf("a.txt")));
    EXPECT_FALSE(Entry("a.txt").selected);
    QTest::mouseClick(panel->OpenGLPanel1, Qt::LeftButton, Qt::ShiftModifier, TopOf(IndexOf("b.bin")));
    EXPECT_TRUE(Entry("b.bin").selected);
    EXPECT_TRUE(Entry("b.bin").current);
    EXPECT_FALSE(Entry("a.txt").current);
    Click("sub");
    EXPECT_EQ(Status(), tree.Root() + "/sub  <DIR>0");
    EXPECT_FALSE(Entry("sub").selected) << "a plain click only points";

    // The corner shows a file's icon when one exists and is wanted.
    std::vector<std::string> asked;
    auto previous = platform::setFileIconSource([&](const std::string& path) {
        asked.push_back(path);
        if (!path.ends_with(".txt"))
            return QPixmap();
        QPixmap icon(32, 32);
        icon.fill(Qt::blue);
        return icon;
    });
    panel->showLastIcon = true;
    Click("a.txt");
    EXPECT_TRUE(panel->lasticonPanel->isVisible());
    EXPECT_EQ(panel->lasticonPanel->size(), QSize(32, 32));
    EXPECT_EQ(asked, std::vector<std::string>{tree.Path("a.txt")});
    Click("b.bin");
    EXPECT_FALSE(panel->lasticonPanel->isVisible()) << "no icon for it";
    Click("a.txt");
    EXPECT_TRUE(panel->lasticonPanel->isVisible());
    Click("sub");
    EXPECT_FALSE(panel->lasticonPanel->isVisible()) << "directories have none";
    panel->showLastIcon = false;
    Click("a.txt");
    EXPECT_FALSE(panel->lasticonPanel->isVisible()) << "not wanted";
    platform::setFileIconSource(std::move(previous));
}

TEST_F(PanelMouse, APressActivatesThePanelEmptySpaceAndDragsNameTheDirectoryLargeDragsHideLabels)
{
    const auto other = MakePanelOn(host, tree.Root());
    panel->SetOtherPanel(other.get());
    panel->SetActive(false);
    other->SetActive(true);
    host.filterEditFocused = true;
    QTest::mouseClick(panel->OpenGLPanel1, Qt::LeftButton, {}, At(3, 0, 3));
    EXPECT_TRUE(panel->active);
    EXPECT_FALSE(other->active);
    EXPECT_FALSE(host.filterEditFocused);
    EXPECT_EQ(host.activeControlClears, 1);
    EXPECT_EQ(other->StatusBar1->palette().color(QPalette::Window), panel->palette().color(QPalette::Button));
    ExpectNamed(tree.Root() + "/");

    // The right button drags nothing; ended 10 pixels below its press, over an entry, it is no click.
    const QPoint a = TopOf(IndexOf("a.txt"));
    QTest::mousePress(panel->OpenGLPanel1, Qt::RightButton, {}, a - QPoint(0, 10));
    QTest::mouseRelease(panel->OpenGLPanel1, Qt::RightButton, {}, a);
    panel->PopupMenu1->hide();
    EXPECT_FALSE(Entry("a.txt").selected);
    EXPECT_FALSE(Entry("a.txt").current);

    const double rotx = panel->rotx;
    QTest::mousePress(panel->OpenGLPanel1, Qt::LeftButton, Qt::ControlModifier, a);
    QTest::mouseMove(panel->OpenGLPanel1, a + QPoint(0, 10));
    EXPECT_DOUBLE_EQ(panel->rotx, rotx + 3.6);
    QTest::mouseRelease(panel->OpenGLPanel1, Qt::LeftButton, Qt::ControlModifier, a + QPoint(0, 10));
    EXPECT_FALSE(Entry("a.txt").current);
    EXPECT_EQ(panel->dragMode, 0);

    // Drags of a large scene leave the labels out until they end.
    EXPECT_FALSE(panel->labelsSuppressed);
    MakeFiles(16);
    Reload();
    panel->panRadioButton->setChecked(true);
    const double tranx = panel->tranx;
    QTest::mousePress(panel->OpenGLPanel1, Qt::LeftButton, {}, {100, 100});
    QTest::mouseMove(panel->OpenGLPanel1, {120, 100});
    EXPECT_DOUBLE_EQ(panel->tranx, tranx + 1.0);
    EXPECT_TRUE(panel->labelsSuppressed);
    QTest::mouseRelease(panel->OpenGLPanel1, Qt::LeftButton, {}, {120, 100});
    EXPECT_EQ(panel->dragMode, 0) << "the main window's timer brings the labels back";
}

TEST_F(PanelMouse, DoubleClicksEnterDirectoriesAndTreeNodesGoUpAndOpenFilesByTheirOwnBytes)
{
    testsupport::RecordingLauncher launcher;
    DoubleClick(TopOf(IndexOf("sub")));
    EXPECT_EQ(panel->DirPath(), tree.Path("sub"));
    Frame();
    DoubleClick(TopOf(IndexOf("..")));
    EXPECT_EQ(panel->DirPath(), tree.Root());

    // A name that is not UTF-8, beside the name its display form would give.
    tree.File("odd\xff.txt", "x");
    tree.File("odd\xef\xbf\xbd.txt", "lookalike");
    Reload();
    Frame();
    DoubleClick(TopOf(IndexOf("odd\xff.txt")));
    EXPECT_EQ(launcher.documents(), std::vector<std::string>{tree.Path("odd\xff.txt")});
    EXPECT_EQ(panel->DirPath(), tree.Root());
    EXPECT_EQ(host.title, "Pelvaxon") << "the listing was read again";

    // Tree nodes are named after the entries; a double click on one moves the panel there.
    host.MountDrives({tree.Root()});
    tree.File("sub/deeper/f");
    Show(tree.Path("sub/deeper"));
    FaceTheTree();
    Frame();
    // Pre-order after "..", f: the drive root 0, sub 1, deeper 2 at (-4, -2, 0).
    EXPECT_EQ(Pick(At(-4, -2, 0.2, true)), 2 + 2);
    DoubleClick(At(-6, -2, -2 + 0.2, true)); // sub, one level up and one row back
    EXPECT_EQ(panel->DirPath(), tree.Path("sub"));
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(PanelMouse, KeysMoveTheCameraOrTheCursorMarkAndOpenAndInvertingNeverMarksTheParent)
{
    namespace vk = platform::vk;
    const platform::ShiftState none, shift{true, false, false};
    panel->rotateRadioButton->setChecked(true);
    const double rotx = panel->rotx;
    panel->OpenGLPanel1KeyDown(vk::Down, none);
    EXPECT_NEAR(panel->rotx, rotx + 2.88, 1e-9);
    panel->OpenGLPanel1KeyUp(vk::Down, none);
    EXPECT_EQ(panel->dragMode, 0);

    panel->OpenGLPanel1KeyDown(vk::Right, shift);
    EXPECT_TRUE(Entry("..").current) << "without a cursor entry the first";
    EXPECT_EQ(host.title, "Pelvaxon - " + tree.Root() + "/..  <DIR>0");
    panel->OpenGLPanel1KeyDown(vk::Left, shift);
    EXPECT_TRUE(Entry("b.bin").current);
    EXPECT_FALSE(Entry("..").current);
    EXPECT_FALSE(Entry("b.bin").selected) << "moving the cursor marks nothing";
    EXPECT_EQ(Status(), tree.Root() + "/b.bin  size:0");
    panel->OpenGLPanel1KeyDown(vk::Insert, none);
    EXPECT_TRUE(Entry("b.bin").selected);
    panel->OpenGLPanel1KeyDown(vk::Insert, none);
    EXPECT_FALSE(Entry("b.bin").selected);

    // Inverting the marks never marks the parent.
    Entry("a.txt").selected = true;
    Entry("..").selected = true;
    panel->invertselection1->trigger();
    EXPECT_FALSE(Entry("..").selected);
    EXPECT_TRUE(Entry("sub").selected);
    EXPECT_FALSE(Entry("a.txt").selected);
    EXPECT_TRUE(Entry("b.bin").selected);

    panel->OpenGLPanel1KeyDown(vk::Right, shift);
    panel->OpenGLPanel1KeyDown(vk::Return, none);
    EXPECT_EQ(panel->DirPath(), tree.Root().substr(0, tree.Root().rfind('/')));
    EXPECT_FALSE(panel->dblClickSeen);
    EXPECT_TRUE(boxes.texts().empty());
}

} // namespace
