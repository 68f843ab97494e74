#include "FakeWebTools.h"
#include "MainFormFixture.h"
#include "filemanager/OpenGLPanel.h"
#include "filemanager/glform.h"
#include "platform/ui/IniFile.h"
#include "support/FileContents.h"
#include "support/MetafileBytes.h"
#include "support/PictureBytes.h"
#include "support/RecordingLauncher.h"
#include "support/gl/GlTestHelpers.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QRadioButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

using testsupport::writeFile;
using ::testing::ElementsAre;
using ::testing::FloatEq;
using Floats = std::vector<float>;

Floats Rgba(const float* colour) { return Floats(colour, colour + 4); }

class MenuTest : public MainFormTest {
protected:
    std::unique_ptr<TMainForm> startActive(const std::string& stored = "")
    {
        if (!stored.empty())
            writeFile(settings(), stored);
        auto form = start();
        form->webTools = &tools;
        activate(*form);
        textureReady = false;
        return form;
    }
    static void trigger(TMainForm& form, const char* item)
    {
        auto* action = form.findChild<QAction*>(item);
        ASSERT_NE(action, nullptr) << item;
        action->trigger();
    }
    std::string picture(const std::string& name, QColor colour) const
    {
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(colour);
        const std::string path = dir.path().toStdString() + "/" + name;
        writeFile(path, testsupport::pictureBytes(image, "bmp"));
        return path;
    }
    QTemporaryDir dir;
    FakeWebTools tools;
};

TEST_F(MenuTest, ColourCommandsSetTheActivePanelsColoursAndNothingWithoutOneAndAreKept)
{
    auto form = startActive();
    Tglfr& left = *form->leftPanel;
    Tglfr& right = *form->rightPanel;
    left.active = right.active = false;
    for (const QColor colour : {QColor(51, 102, 204), QColor(255, 0, 0), QColor(0, 255, 0)})
        boxes.answerColor(colour);
    const char* colourItems[] = {"setbackgroundcolor1", "selectedfilecolor1", "fileplanecolor1",
                                 "setcolorofactivewindow1"};
    for (const char* item : colourItems)
        trigger(*form, item);
    EXPECT_TRUE(boxes.colorStarts().empty());
    EXPECT_EQ(left.bkgcol[0], 0.0f);

    right.active = true;
    trigger(*form, "setbackgroundcolor1");
    EXPECT_THAT(Rgba(right.bkgcol), ElementsAre(FloatEq(0.2f), FloatEq(0.4f), FloatEq(0.8f), 1.0f));
    EXPECT_EQ(left.bkgcol[2], 0.0f);

    // The left panel wins when both claim to be active; each dialog starts at the last choice.
    left.active = true;
    trigger(*form, "selectedfilecolor1");
    trigger(*form, "fileplanecolor1");
    EXPECT_EQ(Rgba(left.selcol), (Floats{1.0f, 0.0f, 0.0f, 1.0f}));
    EXPECT_EQ(Rgba(left.filplancol), (Floats{0.0f, 1.0f, 0.0f, 0.44f}));
    EXPECT_EQ(right.selcol[1], 0.0f);

    // A cancelled dialog changes nothing.
    trigger(*form, "fileplanecolor1");
    EXPECT_EQ(left.filplancol[1], 1.0f);
    EXPECT_EQ(boxes.colorStarts(), (std::vector<QColor>{Qt::black, QColor(51, 102, 204), QColor(255, 0, 0),
                                                        QColor(0, 255, 0)}));

    // The active window's colour goes to the status bar without redrawing the scene.
    QCoreApplication::processEvents();
    PaintCounter paints(left.OpenGLPanel1);
    boxes.answerColor(QColor(10, 20, 30));
    trigger(*form, "setcolorofactivewindow1");
    QCoreApplication::processEvents();
    EXPECT_EQ(left.actcol, QColor(10, 20, 30));
    EXPECT_EQ(left.StatusBar1->palette().color(QPalette::Window), QColor(10, 20, 30));
    EXPECT_EQ(paints.count, 0);

    boxes.answerColor(QColor(0, 0, 255));
    trigger(*form, "setbackgroundcolor1");
    QCoreApplication::processEvents();
    EXPECT_GE(paints.count, 1);

    form->close();
    const platform::IniFile back(settings());
    EXPECT_EQ(std::lround(back.readFloat("Panels", "Leftactcol2", 0) * 255), 30);
    EXPECT_FLOAT_EQ(back.readFloat("Panels", "Leftbkgcol2", 0), 1.0f);
}

TEST_F(MenuTest, TheChosenFontGoesToBothPanelsAndIsStoredWithTheCharsetAsRead)
{
    auto form = startActive("[View]\nFontname=DejaVu Sans\nFontsize=10\nFontcharset=204\n");
    trigger(*form, "Font1"); // cancelled
    EXPECT_TRUE(boxes.texts().empty());
    ASSERT_EQ(boxes.fontStarts().size(), 1u);
    EXPECT_EQ(boxes.fontStarts()[0].family(), "DejaVu Sans");
    EXPECT_EQ(boxes.fontStarts()[0].pointSize(), 10);

    QFont chosen("DejaVu Serif", 13);
    chosen.setBold(true);
    boxes.answerFont(chosen);
    trigger(*form, "Font1");
    for (Tglfr* panel : {form->leftPanel, form->rightPanel}) {
        EXPECT_EQ(panel->OpenGLPanel1->Font2D_Type().family(), "DejaVu Serif");
        EXPECT_EQ(panel->OpenGLPanel1->Font2D_Type().pointSize(), 13);
    }
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"You must restart the program."});
    form->close();
    form.reset();
    const platform::IniFile back(settings());
    EXPECT_EQ(back.readString("View", "Fontname", ""), "DejaVu Serif");
    EXPECT_EQ(back.readInteger("View", "Fontsize", 0), 13);
    EXPECT_EQ(back.readInteger("View", "Fontcharset", 0), 204);
    EXPECT_TRUE(back.readBool("View", "FontBold", false));
    EXPECT_FALSE(back.readBool("View", "FontItalic", true));

    form = startActive();
    const QFont restarted = form->rightPanel->OpenGLPanel1->Font2D_Type();
    EXPECT_EQ(restarted.family(), "DejaVu Serif");
    EXPECT_EQ(restarted.pointSize(), 13);
    EXPECT_TRUE(restarted.bold());
}

TEST_F(MenuTest, TheBackgroundSwitchAsksForAMissingPictureAndAnUnreadableOneLeavesNoBackground)
{
    auto form = startActive("[View]\nviewbkgpic=0\nbkgfilenam=" + dir.path().toStdString() + "/missing.jpg\n");
    ASSERT_FALSE(form->viewbkgpic1->isChecked());
    trigger(*form, "viewbkgpic1"); // asks, and is cancelled
    EXPECT_EQ(boxes.fileTitles().size(), 1u);
    EXPECT_EQ(boxes.fileStarts(), std::vector<std::string>{dir.path().toStdString() + "/missing.jpg"});
    EXPECT_FALSE(form->viewbkgpic1->isChecked());
    EXPECT_FALSE(form->viewBkgPic);

    // A picture chosen while the background is off loads it and switches it on.
    const std::string orange = picture("orange.bmp", QColor(255, 128, 0));
    boxes.answerFile(orange);
    trigger(*form, "getbkgpict1");
    ASSERT_NE(form->bkgTexture, nullptr);
    EXPECT_TRUE(form->viewbkgpic1->isChecked());
    EXPECT_TRUE(form->viewBkgPic);
    EXPECT_EQ(form->bkgFileName, orange);
    const QImage view = testsupport::grabView(*form->rightPanel->OpenGLPanel1);
    EXPECT_EQ(view.pixelColor(view.width() / 2, view.height() / 2), QColor(255, 128, 0));
    EXPECT_TRUE(boxes.texts().empty());

    // Switching off and on again with a picture loaded asks nothing.
    trigger(*form, "viewbkgpic1");
    trigger(*form, "viewbkgpic1");
    EXPECT_TRUE(form->viewBkgPic);
    EXPECT_EQ(boxes.fileTitles().size(), 2u);

    // An unreadable picture leaves no background, and switching on again asks again.
    const std::string broken = dir.path().toStdString() + "/broken.jpg";
    writeFile(broken, "no picture here");
    boxes.answerFile(broken);
    trigger(*form, "getbkgpict1");
    EXPECT_EQ(form->bkgTexture, nullptr);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"loading of picture file '" + broken + "' failed"});
    EXPECT_TRUE(form->viewbkgpic1->isChecked());
    trigger(*form, "viewbkgpic1");
    EXPECT_FALSE(form->viewBkgPic);
    EXPECT_EQ(boxes.fileTitles().size(), 3u);
    trigger(*form, "viewbkgpic1"); // asks, and is cancelled
    EXPECT_EQ(boxes.fileTitles().size(), 4u);
    EXPECT_EQ(boxes.fileStarts().back(), broken);
    EXPECT_FALSE(form->viewbkgpic1->isChecked());

    // The name of the picture that failed is the one kept.
    form->close();
    EXPECT_EQ(platform::IniFile(settings()).readString("View", "bkgfilenam", ""), broken);
}

int PixelsNear(const QImage& image, QColor colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const int distance = std::abs(pixel.red() - colour.red()) + std::abs(pixel.green() - colour.green())
                                 + std::abs(pixel.blue() - colour.blue());
            count += distance < 40 ? 1 : 0;
        }
    return count;
}

TEST_F(MenuTest, WindowsMetafilesOfBothKindsServeAsTheBackground)
{
    auto form = startActive();
    const std::string wmf = dir.path().toStdString() + "/shapes.wmf";
    const std::string emf = dir.path().toStdString() + "/shapes.emf";
    writeFile(wmf, testsupport::shapesWmf());
    writeFile(emf, testsupport::shapesEmf());
    for (const std::string& name : {wmf, emf}) {
        boxes.answerFile(name);
        trigger(*form, "getbkgpict1");
        ASSERT_NE(form->bkgTexture, nullptr) << name;
        EXPECT_EQ(form->bkgTexture->width, 256);
        EXPECT_EQ(form->bkgTexture->height, 128);
        const QImage view = testsupport::grabView(*form->rightPanel->OpenGLPanel1);
        const int area = view.width() * view.height();
        // The red half and the blue ellipse, each a good part of the panel.
        EXPECT_GT(PixelsNear(view, Qt::red), area / 20) << name;
        EXPECT_GT(PixelsNear(view, Qt::blue), area / 40) << name;
        // And on the screen.
        form->rightPanel->OpenGLPanel1->update();
        EXPECT_TRUE(testsupport::waitUntil([&] {
            const QImage screen = testsupport::grabScreen(*form);
            return PixelsNear(screen, Qt::red) > area / 20 && PixelsNear(screen, Qt::blue) > area / 40;
        })) << name;
        testsupport::saveScreenshotIfAsked(*form, name == wmf ? "background-wmf.png" : "background-emf.png");
    }
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(MenuTest, CtrlOAndCtrlHOpenTheOptionsAndHelpMenusAndNameNoDrive)
{
    auto form = startActive();
    form->leftPanel->SetActive(true);
    form->activateWindow();
    ASSERT_TRUE(testsupport::waitUntil([&] { return form->isActiveWindow(); }));
    for (const auto& [key, menu] : {std::pair{Qt::Key_O, "Visualization1"}, std::pair{Qt::Key_H, "Help1"}}) {
        QTest::keyClick(form->windowHandle(), key, Qt::ControlModifier);
        ASSERT_TRUE(testsupport::waitUntil([&, menu = menu] {
            const QWidget* open = QApplication::activePopupWidget();
            return open && open->objectName() == menu;
        })) << menu
            << " did not open";
        QApplication::activePopupWidget()->close();
        ASSERT_TRUE(testsupport::waitUntil([] { return !QApplication::activePopupWidget(); }));
    }
    // The releases never reached the drive keys: no "no such drive".
    EXPECT_TRUE(boxes.texts().empty());
    // Any other letter with Ctrl still names a drive.
    QTest::keyClick(form->windowHandle(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"no such drive"});
}

TEST_F(MenuTest, EveryViewSwitchStoredEitherWayIsAppliedAndTheMenuIsWrittenBack)
{
    const std::string orange = picture("orange.bmp", QColor(255, 128, 0));
    const char* keys[] = {"Ctrlbuttons", "Buttons", "Status", "Header", "Lasticon", "3dtext", "viewfileplane",
                          "viewbkgpic"};
    const char* items[] = {"ctrlbuttons1", "buttons1", "status1", "header1", "lasticonuservisible1",
                           "Draw3Dtextmenu", "viewfileplane1", "viewbkgpic1"};
    for (const bool value : {true, false}) {
        std::string stored = "[View]\nbkgfilenam=" + orange + "\n";
        for (const char* key : keys)
            stored += std::string(key) + "=" + (value ? "1" : "0") + "\n";
        tools.navigationButtonsShown.clear();
        auto form = startActive(stored);
        for (const char* item : items)
            EXPECT_EQ(form->findChild<QAction*>(item)->isChecked(), value) << item;
        EXPECT_EQ(form->ToolBar1->isVisible(), value);
        for (Tglfr* panel : {form->leftPanel, form->rightPanel}) {
            EXPECT_EQ(panel->StatusBar1->isVisible(), value);
            EXPECT_EQ(panel->ToolBar1->isVisible(), value);
            EXPECT_EQ(panel->panRadioButton->isVisible(), value);
            EXPECT_EQ(panel->showLastIcon, value);
        }
        EXPECT_EQ(tools.navigationButtonsShown, std::vector<bool>{value});
        EXPECT_EQ(form->draw3DText, value);
        EXPECT_EQ(form->viewFilePlane, value);
        EXPECT_EQ(form->viewBkgPic, value);

        // Switched on, the background asks for its picture: the same one.
        if (!value)
            boxes.answerFile(orange);
        for (const char* item : items)
            trigger(*form, item);
        EXPECT_EQ(form->viewBkgPic, !value);
        form->close();
        const platform::IniFile back(settings());
        for (const char* key : keys)
            EXPECT_EQ(back.readBool("View", key, value), !value) << key;
    }
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(MenuTest, AnUnknownSortOrderChecksNoSortItemAndIsNotWrittenBack)
{
    auto form = startActive("[Panels]\nLeftsort=bypetname\n");
    for (QAction* item : {form->leftPanel->byname2, form->leftPanel->byextension2, form->leftPanel->bysize2,
                          form->leftPanel->bydate2})
        EXPECT_FALSE(item->isChecked()) << item->text().toStdString();
    EXPECT_TRUE(form->rightPanel->byname2->isChecked());
    form->close();
    const platform::IniFile back(settings());
    EXPECT_EQ(back.readString("Panels", "Leftsort", "none"), "none");
    EXPECT_EQ(back.readString("Panels", "Rightsort", ""), "byname");
}

TEST_F(MenuTest, TheLastIconShowsOnlyWhereAPanelHoldsOneAndTheWebMenuReachesTheLauncherAndTheWebTools)
{
    testsupport::RecordingLauncher launcher;
    auto form = startActive();
    QPixmap icon(16, 16);
    icon.fill(Qt::yellow);
    form->leftPanel->Image1->setPixmap(icon);
    trigger(*form, "lasticonuservisible1");
    trigger(*form, "lasticonuservisible1");
    EXPECT_TRUE(form->leftPanel->lasticonPanel->isVisible());
    EXPECT_FALSE(form->rightPanel->lasticonPanel->isVisible());
    trigger(*form, "lasticonuservisible1");
    EXPECT_FALSE(form->leftPanel->lasticonPanel->isVisible());
    EXPECT_FALSE(form->leftPanel->showLastIcon);

    trigger(*form, "Search1");
    ASSERT_EQ(launcher.urls().size(), 1u);
    EXPECT_EQ(launcher.urls()[0].rfind("https://", 0), 0u);
    EXPECT_TRUE(boxes.texts().empty());
    launcher.failWith("xdg-open: no method available");
    trigger(*form, "Search1");
    EXPECT_EQ(boxes.texts(),
              std::vector<std::string>{"cannot open " + launcher.urls()[0] + ": xdg-open: no method available"});
    trigger(*form, "Privatechat1");
    trigger(*form, "FTPserver1");
    trigger(*form, "Tracerouteping1");
    EXPECT_EQ(tools.shown, (std::vector<std::string>{"chat", "ftp", "trace"}));
    EXPECT_FALSE(form->findChild<QAction*>("FTPclient1")->isEnabled());
}

} // namespace
