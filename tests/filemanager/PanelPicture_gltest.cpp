// A panel's whole frame (background, blocks with marks and cursor, icons, labels, tree, path,
// file plane) against reference pictures of the same scenes, in both label modes and in the
// active and inactive panel. The references are this test's own output, kept in
// tests/data/panel-pictures/; with PELVAXON_PANEL_PICTURES_OUT naming a folder the test writes
// its pictures there instead of comparing.
//
// The measure: at most 0.5 % of the pixels may differ, and every pixel that differs must show
// a colour the reference shows within one pixel of it, as when rasterisation moves an edge.
#include "ShownPanel.h"
#include "icons3d/IconCache.h"

#include <GL/glu.h>
#include <QDir>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

const std::string referenceFolder = std::string(PELVAXON_SOURCE_DIR) + "/tests/data/panel-pictures/";

bool Close(QRgb a, QRgb b)
{
    return std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2
           && std::abs(qBlue(a) - qBlue(b)) <= 2;
}

// Whether `colour` lies within one pixel of (x, y) in `image`.
bool ShownNear(const QImage& image, int x, int y, QRgb colour)
{
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (image.rect().contains(x + dx, y + dy) && Close(image.pixel(x + dx, y + dy), colour))
                return true;
    return false;
}

// Says what breaks the measure; empty when the picture passes.
std::string CompareWithReference(const QImage& picture, const QImage& reference)
{
    if (picture.size() != reference.size())
        return "the picture is " + std::to_string(picture.width()) + "x" + std::to_string(picture.height());
    int differing = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb got = picture.pixel(x, y);
            if (Close(got, reference.pixel(x, y)))
                continue;
            ++differing;
            if (!ShownNear(reference, x, y, got))
                return "pixel " + std::to_string(x) + "," + std::to_string(y)
                       + " has a colour the reference has nowhere near";
        }
    if (differing * 200 > picture.width() * picture.height())
        return std::to_string(differing) + " pixels differ";
    return {};
}

// A listing of the benchmark's kind (directories, files of eight extensions, sizes and dates
// of many lengths) with a name that runs into the next cell, one the font lacks a glyph of,
// and a hidden one, on a drive of its own whose tree has a few more directories.
class PanelPicture : public ShownPanelTest {
protected:
    PanelPicture()
    {
        const char* extensions[] = {"txt", "jpg", "exe", "c", "pdf", "mp3", "iso", "html"};
        for (int i = 1; i <= 12; ++i)
            tree.Dir("drive/list/folder-" + std::to_string(100 + i));
        for (int i = 1; i <= 110; ++i) {
            const std::string name = "drive/list/file-" + std::to_string(1000 + i) + "." + extensions[i % 8];
            tree.Sparse(name, std::int64_t(i) * 7919 % 100000 * (i % 13 + 1));
            tree.SetMtime(name, 1700000000 + std::int64_t(i) * 86413);
        }
        tree.File("drive/list/a-name-long-enough-to-run-into-the-next-cell.txt", "text");
        tree.File("drive/list/caf\xC3\xA9 \xE2\x82\xAC.pdf", "euro");
        tree.File("drive/list/.profile", "hidden");
        tree.Dir("drive/alpha/beta");
        tree.Dir("drive/gamma");
        for (const char* name : {"drive/list/a-name-long-enough-to-run-into-the-next-cell.txt",
                                 "drive/list/caf\xC3\xA9 \xE2\x82\xAC.pdf", "drive/list/.profile"})
            tree.SetMtime(name, 1600000000);
        for (int i = 1; i <= 12; ++i)
            tree.SetMtime("drive/list/folder-" + std::to_string(100 + i), 1650000000 + i * 3600);
        tree.SetMtime("drive", 1500000000);
        tree.SetMtime("drive/list", 1500000000);

        host.MountDrives({tree.Path("drive")});
        host.viewFilePlane = true;
        host.viewBkgPic = true;
        host.OnDrawIcon = [this](Tglfr& shown, const std::string& lext) {
            TOpenGLPanel* view = shown.OpenGLPanel1;
            icons.DrawExtensionIcon(lext, quadric, [view](const std::string& text) { view->Draw3DText(text); });
        };
        Show(tree.Path("drive/list"));
        panel->resize(560, 440);
        EXPECT_TRUE(testsupport::waitUntil([&] { return panel->OpenGLPanel1->width() > 500; }));
        // The pictures must not depend on where the temporary folder lies.
        panel->SetDirPath("/pictures/list");
        panel->tree.treeRoot->path = panel->tree.treeRoot->name = "/pictures/";
        panel->dspnam = panel->dspsiz = panel->dspatr = panel->dspdat = true;
        Entry("file-1002.exe").selected = true;
        Entry("file-1017.jpg").selected = true;
        Entry("folder-105").selected = true;
        Entry("file-1019.c").current = true;
        // A soft picture: a background that is there, in a reference that stays small.
        SetBackground({40, 20, 90, 150, 60, 40, 20, 110, 120, 200, 190, 170});
    }
    ~PanelPicture() override
    {
        icons.FreeIconCache();
        gluDeleteQuadric(quadric);
        if (panel && panel->OpenGLPanel1->MakeOpenGLPanelCurrent()) {
            glDeleteTextures(1, &host.bkgTextureId);
            panel->OpenGLPanel1->MakeOpenGLPanelNotCurrent();
        }
    }

    // Writes the frame as the reference when asked to, else compares it with the reference.
    void Check(const std::string& name)
    {
        SCOPED_TRACE(name);
        const QImage picture = Frame();
        const QByteArray out = qgetenv("PELVAXON_PANEL_PICTURES_OUT");
        if (!out.isEmpty()) {
            EXPECT_TRUE(
                picture.save(QDir(QString::fromLocal8Bit(out)).filePath(QString::fromStdString(name + ".png"))));
            return;
        }
        const QImage reference(QString::fromStdString(referenceFolder + name + ".png"));
        ASSERT_FALSE(reference.isNull()) << "no reference " << name;
        EXPECT_EQ(CompareWithReference(picture, reference.convertToFormat(QImage::Format_RGB32)), "");
    }

    An8NoTextures textures;
    QWidget captionWindow;
    IconCache icons{[] { return std::string(PELVAXON_SOURCE_DIR) + "/data/icon3d/"; }, captionWindow, textures};
    GLUquadric* quadric = gluNewQuadric();
};

struct View {
    const char* name;
    bool active;
    bool tree;
    int iconLimit;
    double rotx, roty, tranx, trany, tranz;
};

// Near enough to read the labels, with part of the grid beyond the view; far enough for the
// labels to be a pixel or two high, as in a large listing that has more entries than the icon
// limit; turned towards the tree.
const View views[] = {
    {"active", true, false, 150, 150, 10, -7, 7, -14},
    {"active-far", true, false, 100, 150, 0, -10, 11, -40},
    {"inactive-tree", false, true, 150, 105, -15, 3, -1, -14},
};

TEST_F(PanelPicture, FramesShowWhatTheyShowedInBothLabelModesInTheActiveAndTheInactivePanel)
{
    for (const bool outline : {true, false}) {
        host.draw3DText = outline;
        for (const View& view : views) {
            panel->dirtreevisible = view.tree;
            panel->SetActive(view.active);
            host.icon3DLimit = view.iconLimit;
            std::tie(panel->rotx, panel->roty, panel->tranx, panel->trany, panel->tranz) =
                std::tuple(view.rotx, view.roty, view.tranx, view.trany, view.tranz);
            Check(std::string(outline ? "outline-" : "bitmap-") + view.name);
        }
    }
}

} // namespace
