// The 3D icons in the panels and the "3D icon" command of the main window.
#include "FakePanelHost.h"
#include "MainFormFixture.h"
#include "filemanager/OpenGLPanel.h"
#include "filemanager/glform.h"
#include "icons3d/IconCache.h"
#include "icons3d/ic3dlimdlg.h"
#include "platform/ui/IniFile.h"
#include "support/TempTree.h"
#include "support/gl/GlTestHelpers.h"

#include <GL/glu.h>
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

const std::string kBall = "header { version { \"1.0\" } }\n"
                          "object { \"o\" material { \"red\" surface { rgb { 255 0 0 } } }\n"
                          "  sphere { material { \"red\" } diameter { 2 } } }\n";

// An icon directory holding txt.an8 and jpg.an8, and a cache over it.
class IconFiles : public ::testing::Test {
protected:
    IconFiles()
    {
        tree.File("icons/txt.an8", kBall);
        tree.File("icons/jpg.an8", kBall);
    }
    ~IconFiles() override { cache.FreeIconCache(); }

    testfs::KeepCurrentDir keep;
    testfs::TempTree tree;
    testsupport::ScriptedMessages boxes;
    QWidget captionWindow;
    An8NoTextures textures;
    IconCache cache{[this] { return tree.Root() + "/icons/"; }, captionWindow, textures};
};

// A panel over a.txt, b.jpg and c.none, seen from straight above, whose host draws the icons.
class PanelIcons : public IconFiles {
protected:
    PanelIcons()
    {
        tree.File("files/a.txt");
        tree.File("files/b.jpg");
        tree.File("files/c.none");
        host.icon3DLimit = 150;
        host.OnDrawIcon = [this](Tglfr& panel, const std::string& lext) {
            TOpenGLPanel* view = panel.OpenGLPanel1;
            cache.DrawExtensionIcon(lext, quadric, [view](const std::string& text) { view->Draw3DText(text); });
        };
        panel = MakePanelOn(host, tree.Path("files"));
        panel->dspnam = false;
        panel->dspsizasheight = false;
        panel->resize(320, 260);
        EXPECT_TRUE(testsupport::showAndWait(*panel));
        // Straight above the row of entries.
        panel->rotx = 180;
        panel->roty = 0;
        panel->tranx = -3;
        panel->trany = 0;
        panel->tranz = -5;
    }
    ~PanelIcons() override { gluDeleteQuadric(quadric); }

    QImage Frame() { return testsupport::grabView(*panel->OpenGLPanel1); }
    // The area above entry i's block.
    QRect Above(int i)
    {
        EXPECT_TRUE(panel->OpenGLPanel1->MakeOpenGLPanelCurrent());
        panel->ApplyFileViewTransform();
        // Cells are two units apart, row by row.
        const int columns = panel->gridColumns;
        const QPointF centre = testsupport::projectToWindow(i % columns * 2.0, 0.5, i / columns * 2.0);
        panel->OpenGLPanel1->MakeOpenGLPanelNotCurrent();
        const QPoint at = testsupport::toImagePosition(centre, panel->OpenGLPanel1->height());
        return QRect(at - QPoint(6, 6), QSize(13, 13));
    }
    int RedPixels(const QImage& frame, QRect area)
    {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QRgb p = frame.pixel(x, y);
                count += qRed(p) > 80 && qRed(p) > 2 * qGreen(p) + 20 && qRed(p) > 2 * qBlue(p) + 20;
            }
        return count;
    }

    FakePanelHost host;
    GLUquadric* quadric = gluNewQuadric();
    std::unique_ptr<Tglfr> panel;
};

TEST_F(PanelIcons, AKnownExtensionShowsItsIconWithinTheLimitAndAModelInErrorIsReportedOnceAfterThePaint)
{
    ASSERT_EQ(panel->dir.entries.size(), 4u); // "..", a.txt, b.jpg, c.none
    QImage frame = Frame();
    testsupport::saveScreenshotIfAsked(*panel, "panel-icons.png");
    EXPECT_GT(RedPixels(frame, Above(1)), 10);
    EXPECT_GT(RedPixels(frame, Above(2)), 10);
    EXPECT_EQ(RedPixels(frame, Above(3)), 0);
    EXPECT_EQ(RedPixels(frame, Above(0)), 0);
    EXPECT_EQ(cache.size(), 4u) << "\".\" of \"..\", .txt, .jpg and .none looked up";

    host.icon3DLimit = 3;
    frame = Frame();
    EXPECT_EQ(RedPixels(frame, Above(1)) + RedPixels(frame, Above(2)), 0) << "four entries, limit three";
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{});

    host.icon3DLimit = 150;
    tree.File("icons/none.an8", "header { version { \"1.0\" } }\nobject { \"o\" cube { scale { x } } }\n");
    cache.FreeIconCache(); // the first paint found no none.an8
    Frame();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{}) << "not inside the paint";
    ASSERT_TRUE(testsupport::waitUntil([&] { return !boxes.texts().empty(); }));
    EXPECT_EQ(boxes.texts().size(), 1u);
    EXPECT_EQ(boxes.texts()[0].substr(0, 6), "error ");
    Frame();
    QCoreApplication::processEvents();
    EXPECT_EQ(boxes.texts().size(), 1u) << "a file in error is read once";
}

// The icon settings dialog over a cache holding one model.
class IconDialog : public IconFiles {
protected:
    IconDialog()
    {
        EXPECT_NE(cache.GetExtensionIcon(".txt"), nullptr);
        dialog.icon3dlimitText->setText("150");
        dialog.SetDirectory(directory);
    }
    void Accept() { Ic3dlimitDlgAccepted(dialog, "/kept/", IconSettings{limit, directory, "/default/"}, cache); }

    Tic3dlimitDlg dialog{nullptr};
    int limit = 150;
    std::string directory = "/kept/";
};

TEST_F(IconDialog, TheChooserGivesItsFilesDirectoryAndATypedOneGetsItsSlash)
{
    boxes.answerFile("/x/y/z.an8");
    dialog.Button1Click();
    EXPECT_EQ(dialog.ic3ddirEdit->text(), "/x/y/");
    dialog.Button1Click(); // cancelled: nothing changes
    EXPECT_EQ(dialog.ic3ddirEdit->text(), "/x/y/");

    dialog.ic3ddirEdit->setText("/x/y");
    dialog.icon3dlimitText->setText(" 42 ");
    Accept();
    EXPECT_EQ(limit, 42);
    EXPECT_EQ(directory, "/x/y/");
    EXPECT_EQ(cache.size(), 0u) << "a new directory reads every model again";

    dialog.ic3ddirEdit->setText("");
    Accept();
    EXPECT_EQ(directory, "/default/");
}

TEST_F(IconDialog, ALimitThatIsNoIntegerChangesNothingTheSameDirectoryKeepsTheModelsUnlessARereadIsAsked)
{
    dialog.icon3dlimitText->setText("abc");
    dialog.ic3ddirEdit->setText("/elsewhere/");
    Accept();
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"'abc' is not a valid integer value"});
    EXPECT_EQ(limit, 150);
    EXPECT_EQ(directory, "/kept/");
    EXPECT_EQ(cache.size(), 1u);

    dialog.rereadiconsCheckBox->setChecked(false);
    dialog.ic3ddirEdit->setText("/kept");
    dialog.icon3dlimitText->setText("-1");
    Accept();
    EXPECT_EQ(limit, -1) << "a negative limit means no icons";
    EXPECT_EQ(cache.size(), 1u);
    EXPECT_EQ(directory, "/kept/");

    dialog.rereadiconsCheckBox->setChecked(true);
    Accept();
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_EQ(boxes.texts().size(), 1u) << "no message beyond the bad limit's";
}

// The command on the main window: it runs the dialog, applies it and repaints both panels.
class MainFormIcons : public MainFormTest {
protected:
    testfs::KeepCurrentDir keep;
};

TEST_F(MainFormIcons, TheCommandRepaintsBothPanelsAfterCancelOrOkAndTheCloseKeepsTheSettings)
{
    auto started = start();
    TMainForm& form = *started;
    activate(form);
    ASSERT_TRUE(testsupport::waitUntil([&] { return form.leftPanel->drawnOnce && form.rightPanel->drawnOnce; }));
    const std::string kept = form.icon3DDir;
    // The program's directory of the tests has no icons: empty entries.
    form.iconCache->GetExtensionIcon(".txt");
    form.iconCache->GetExtensionIcon(".nothing");
    ASSERT_NE(form.iconCache->Entry(".nothing"), nullptr);

    QAction* command = form.findChild<QAction*>("Draw3Diconmenu");
    ASSERT_NE(command, nullptr);
    const auto repainted = [&](bool accept) {
        QCoreApplication::processEvents();
        form.leftPanel->drawnOnce = form.rightPanel->drawnOnce = false;
        boxes.answerModal(accept ? QDialog::Accepted : QDialog::Rejected);
        command->trigger();
        return testsupport::waitUntil([&] { return form.leftPanel->drawnOnce && form.rightPanel->drawnOnce; });
    };
    EXPECT_TRUE(repainted(false));
    EXPECT_EQ(boxes.modalDialogs(), std::vector<std::string>{"ic3dlimitDlg"});
    EXPECT_NE(form.iconCache->Entry(".nothing"), nullptr) << "Cancel changes nothing";
    EXPECT_EQ(form.icon3DLimit, 150);
    EXPECT_EQ(form.icon3DDir, kept);

    EXPECT_TRUE(repainted(true));
    EXPECT_EQ(form.iconCache->Entry(".nothing"), nullptr) << "OK with the form's reread checked";
    EXPECT_EQ(form.icon3DDir, kept);

    Tic3dlimitDlg dialog(&form);
    dialog.icon3dlimitText->setText("7");
    dialog.SetDirectory("/somewhere/else");
    Ic3dlimitDlgAccepted(dialog, form.icon3DDir,
                         IconSettings{form.icon3DLimit, form.icon3DDir, form.exeDir + "icon3d/"}, *form.iconCache);
    form.close();
    const platform::IniFile written(settings());
    EXPECT_EQ(written.readString("View", "3diconlimit", ""), "7");
    EXPECT_EQ(written.readString("View", "ic3ddirnam", ""), "/somewhere/else/");
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{});
}

} // namespace
