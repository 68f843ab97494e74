#include "FakeWebTools.h"
#include "MainFormFixture.h"
#include "filemanager/About.h"
#include "filemanager/OpenGLPanel.h"
#include "filemanager/glform.h"
#include "filemanager/mainfr.h"
#include "platform/fs/CurrentDir.h"
#include "platform/ui/Application.h"
#include "platform/ui/IniFile.h"
#include "platform/ui/Locations.h"
#include "support/FileContents.h"
#include "support/ScriptedMessages.h"
#include "support/gl/GlTestHelpers.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

#include <cmath>

namespace {

// The panels are OpenGL views: the program's own context set-up comes first.
const bool glReady = testsupport::useProgramOpenGLSetup();

using testsupport::readFile;
using testsupport::writeFile;

std::string home() { return homeDirectory(); }

class TrayForm : public TMainForm {
protected:
    bool TrayAvailable() const override { return true; }
};

TEST_F(MainFormTest, FirstRunAppliesTheDefaultsAtTheFirstActivation)
{
    auto form = start();
    ASSERT_TRUE(form->leftPanel && form->rightPanel);
    EXPECT_EQ(form->leftPanel->otherPanel, form->rightPanel);
    EXPECT_EQ(form->rightPanel->otherPanel, form->leftPanel);
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 200);
    EXPECT_NEAR(form->ps->sizes().value(0), form->ps->width() / 2, 4);
    EXPECT_EQ(form->bkgFileName, platform::programDirectory() + "ngc3132a.jpg");
    EXPECT_EQ(form->icon3DDir, platform::programDirectory() + "icon3d/");
    EXPECT_TRUE(form->viewBkgPic);

    activate(*form);
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->ps->sizes().value(0), 30);
    EXPECT_EQ(form->leftPanel->width(), 30);
    EXPECT_EQ(form->icon3DLimit, 150);
    EXPECT_TRUE(form->draw3DText && form->viewFilePlane);
    for (Tglfr* panel : {form->leftPanel, form->rightPanel}) {
        EXPECT_EQ(panel->DirPath(), home());
        EXPECT_EQ(panel->FilterEdit->text(), "*.*");
        EXPECT_EQ(panel->trany, 4.0);
        EXPECT_EQ(panel->actcol, QColor(152, 226, 245));
        EXPECT_TRUE(panel->dspnam && panel->dspsizasheight && panel->dirtreevisible);
        EXPECT_TRUE(panel->byname2->isChecked());
    }
    EXPECT_TRUE(boxes.texts().empty());

    form->close();
    const platform::IniFile written(settings());
    const std::vector<std::string> viewKeys = {
        "Ctrlbuttons", "Buttons",  "Status",      "Header",     "Lasticon",   "3dtext",
        "3diconlimit", "viewfileplane", "viewbkgpic", "Splitter", "Fontname", "Fontsize",
        "Fontcharset", "bkgfilenam", "ic3ddirnam", "FontBold", "FontItalic"};
    for (const std::string& key : viewKeys)
        EXPECT_NE(written.readString("View", key, "missing"), "missing") << key;
    const std::vector<std::string> panelKeys = {
        "filter", "dir", "Tranx", "Trany", "Tranz", "Rotx", "Roty", "bkgcol0", "bkgcol1", "bkgcol2",
        "filplancol0", "filplancol1", "filplancol2", "selcol0", "selcol1", "selcol2", "actcol0", "actcol1",
        "actcol2", "dspnam", "dspsizasheight", "dspsiz", "dspdat", "dspatr", "sort", "reversesort",
        "dirtreevisible", "dirsizevisible"};
    for (const char* side : {"Left", "Right"}) {
        for (const std::string& key : panelKeys)
            EXPECT_NE(written.readString("Panels", side + key, "missing"), "missing") << side << key;
    }
    EXPECT_EQ(written.readInteger("View", "Splitter", 0), 30);
    EXPECT_EQ(written.readString("Panels", "Leftdir", ""), home());
    EXPECT_EQ(written.readString("tracert", "lasthost", "none"), "none");
}

TEST_F(MainFormTest, StoredSettingsAreAppliedWhateverTheirValueAndWrittenBackUnchanged)
{
    QTemporaryDir leftDir;
    const std::string left = leftDir.path().toStdString();
    const std::string stored =
        "; kept\n[View]\nCtrlbuttons=0\nButtons=0\nStatus=0\nHeader=1\nLasticon=0\n3dtext=0\n3diconlimit=12\n"
        "viewfileplane=0\nviewbkgpic=0\nSplitter=200\nFontname=DejaVu Sans\nFontsize=11\nFontcharset=204\n"
        "bkgfilenam=/nowhere/pic.jpg\nic3ddirnam=/icons/\nFontBold=1\nFontItalic=0\nmine=yes\n"
        "[Panels]\nLeftfilter=*.txt\nLeftdir=" + left + "\nLeftTranx=1.5\nLeftTrany=-2\nLeftTranz=-60\n"
        "LeftRotx=45\nLeftRoty=10\nLeftbkgcol0=0.25\nLeftbkgcol1=0.5\nLeftbkgcol2=0.75\n"
        "Leftactcol0=0\nLeftactcol1=0.5019607843137255\nLeftactcol2=1\nLeftdspnam=0\nLeftdspsizasheight=0\n"
        "Leftdspsiz=1\nLeftdspdat=1\nLeftdspatr=1\nLeftsort=bydat\nLeftreversesort=1\nLeftdirtreevisible=0\n"
        "Leftdirsizevisible=1\nRightsort=bysiz\n";
    writeFile(settings(), stored);
    auto form = start();
    EXPECT_FALSE(form->viewBkgPic);
    EXPECT_EQ(form->bkgFileName, "/nowhere/pic.jpg");
    activate(*form);

    EXPECT_FALSE(form->ctrlbuttons1->isChecked() || form->buttons1->isChecked() || form->status1->isChecked());
    EXPECT_TRUE(form->header1->isChecked());
    EXPECT_FALSE(form->ToolBar1->isVisible());
    EXPECT_FALSE(form->leftPanel->StatusBar1->isVisible());
    EXPECT_TRUE(form->leftPanel->ToolBar1->isVisible());
    EXPECT_FALSE(form->draw3DText || form->viewFilePlane);
    EXPECT_FALSE(form->lasticonuservisible1->isChecked());
    EXPECT_EQ(form->icon3DLimit, 12);
    EXPECT_EQ(form->ps->sizes().value(0), 200);

    Tglfr& panel = *form->leftPanel;
    EXPECT_EQ(panel.DirPath(), left);
    EXPECT_EQ(panel.FilterEdit->text(), "*.txt");
    EXPECT_EQ(panel.tranx, 1.5);
    EXPECT_EQ(panel.rotx, 45.0);
    EXPECT_EQ(panel.bkgcol[2], 0.75f);
    EXPECT_EQ(panel.actcol, QColor(0, 128, 255));
    EXPECT_FALSE(panel.dspnam || panel.dspsizasheight || panel.dirtreevisible);
    EXPECT_TRUE(panel.dspsiz && panel.dspdat && panel.dspatr && panel.reversesort && panel.dirsizevisible);
    EXPECT_FALSE(panel.displaynames2->isChecked());
    EXPECT_TRUE(panel.directorysize1->isChecked());
    EXPECT_TRUE(panel.bydate2->isChecked());
    EXPECT_FALSE(panel.byname2->isChecked());
    EXPECT_TRUE(form->rightPanel->bysize2->isChecked());
    EXPECT_EQ(form->rightPanel->DirPath(), home());

    form->close();
    const std::string written = readFile(settings());
    const platform::IniFile back(settings());
    EXPECT_EQ(written.rfind("; kept\n[View]\n", 0), 0u);
    EXPECT_EQ(back.readString("View", "mine", ""), "yes");
    EXPECT_EQ(back.readString("View", "Fontname", ""), "DejaVu Sans");
    EXPECT_EQ(back.readInteger("View", "Fontcharset", 0), 204);
    EXPECT_TRUE(back.readBool("View", "FontBold", false));
    EXPECT_EQ(back.readInteger("View", "Splitter", 0), 200);
    EXPECT_FALSE(back.readBool("View", "Buttons", true));
    EXPECT_EQ(back.readString("Panels", "Leftdir", ""), left);
    EXPECT_EQ(back.readString("Panels", "Leftsort", ""), "bydat");
    EXPECT_EQ(back.readString("Panels", "Rightsort", ""), "bysiz");
    EXPECT_EQ(std::lround(back.readFloat("Panels", "Leftactcol1", 0) * 255), 128);
    EXPECT_TRUE(back.readBool("Panels", "Leftdirsizevisible", false));
    EXPECT_FALSE(back.readBool("Panels", "Leftdspnam", true));
}

TEST_F(MainFormTest, EveryPanelOptionSurvivesARestartTrueAndFalse)
{
    const std::pair<bool Tglfr::*, QAction* Tglfr::*> options[] = {
        {&Tglfr::dspnam, &Tglfr::displaynames2},     {&Tglfr::dspsizasheight, &Tglfr::sizeasheight},
        {&Tglfr::dspsiz, &Tglfr::size1},             {&Tglfr::dspdat, &Tglfr::date1},
        {&Tglfr::dspatr, &Tglfr::attributes1},       {&Tglfr::reversesort, &Tglfr::reversesort1},
        {&Tglfr::dirtreevisible, &Tglfr::directorytree2}, {&Tglfr::dirsizevisible, &Tglfr::directorysize1}};
    for (const bool value : {true, false}) {
        std::string stored = "[Panels]\n";
        for (const char* side : {"Left", "Right"}) {
            stored += std::string(side) + "sort=" + (value ? "bysiz" : "bydat") + "\n";
            for (const char* key : {"dspnam", "dspsizasheight", "dspsiz", "dspdat", "dspatr", "reversesort",
                                    "dirtreevisible", "dirsizevisible"})
                stored += std::string(side) + key + "=" + (value ? "1" : "0") + "\n";
        }
        writeFile(settings(), stored);
        for (int run = 0; run < 2; ++run) {
            auto form = start();
            activate(*form);
            for (Tglfr* panel : {form->leftPanel, form->rightPanel}) {
                for (const auto& [field, item] : options) {
                    EXPECT_EQ(panel->*field, value) << (panel->*item)->text().toStdString() << " run " << run;
                    EXPECT_EQ((panel->*item)->isChecked(), value) << (panel->*item)->text().toStdString();
                }
                EXPECT_EQ(panel->bysize2->isChecked(), value);
                EXPECT_EQ(panel->bydate2->isChecked(), !value);
                EXPECT_FALSE(panel->byname2->isChecked() || panel->byextension2->isChecked());
            }
            form->close();
        }
    }
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(MainFormTest, ALaterActivationReportsADeletedDirectoryAndFallsBack)
{
    QTemporaryDir parent;
    const std::string gone = parent.path().toStdString() + "/gone";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(gone)));
    writeFile(settings(), "[Panels]\nLeftdir=" + gone + "\n");
    auto form = start();
    activate(*form);
    EXPECT_EQ(form->leftPanel->DirPath(), gone);
    ASSERT_TRUE(platform::ChangeDir(gone));
    ASSERT_TRUE(QDir(QString::fromStdString(gone)).removeRecursively());

    activate(*form);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"cannot change to current dir: " + gone});
    EXPECT_EQ(form->leftPanel->DirPath(), parent.path().toStdString());
    EXPECT_FALSE(form->rightPanel->DirPath().empty());
}

TEST_F(MainFormTest, AStoredDirectoryThatCannotBeEnteredIsReportedAndTheListingStaysWhereItWas)
{
    QTemporaryDir parent;
    const std::string missing = parent.path().toStdString() + "/missing";
    writeFile(settings(), "[Panels]\nLeftdir=" + missing + "\n");
    auto form = start();
    activate(*form);
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"cannot change to current dir: " + missing});
    EXPECT_EQ(form->leftPanel->DirPath(), home());
}

TEST_F(MainFormTest, TheTimerRedrawsWhatADragLeftOutAndANewTextureOnceBothScenesExist)
{
    auto form = start();
    activate(*form);
    Tglfr& left = *form->leftPanel;
    Tglfr& right = *form->rightPanel;
    PaintCounter leftPaints(left.OpenGLPanel1);
    PaintCounter rightPaints(right.OpenGLPanel1);

    left.labelsSuppressed = true;
    left.dragMode = 2;
    form->Timer1Timer();
    QCoreApplication::processEvents();
    EXPECT_TRUE(left.labelsSuppressed);
    EXPECT_EQ(leftPaints.count, 0);

    left.dragMode = 0;
    QTest::qWait(300); // the running timer itself
    EXPECT_FALSE(left.labelsSuppressed);
    EXPECT_EQ(leftPaints.count, 1);
    EXPECT_EQ(rightPaints.count, 0);

    textureReady = true;
    left.drawnOnce = true;
    right.drawnOnce = false; // as before a panel's first whole frame
    form->Timer1Timer();
    EXPECT_TRUE(textureReady);
    right.drawnOnce = true;
    form->Timer1Timer();
    QCoreApplication::processEvents();
    EXPECT_FALSE(textureReady);
    EXPECT_EQ(leftPaints.count, 2);
    EXPECT_EQ(rightPaints.count, 1);
}

TEST_F(MainFormTest, TheSplitterKeepsTheLeftPanelAtLeast15PixelsWide)
{
    writeFile(settings(), "[View]\nSplitter=-500\n");
    auto form = start();
    activate(*form);
    EXPECT_EQ(form->ps->sizes().value(0), 15);
    form->ps->setSizes({5, 700});
    EXPECT_GE(form->ps->sizes().value(0), 15);
    EXPECT_EQ(form->psCanResize(100000), form->ps->width() - form->ps->handleWidth() - 10);
}

TEST_F(MainFormTest, ClosingWritesTheSettingsOnceWhicheverWayTheProgramEnds)
{
    auto form = start();
    activate(*form);
    form->close();
    ASSERT_TRUE(QFile::exists(QString::fromStdString(settings())));
    QFile::remove(QString::fromStdString(settings()));
    form->FormClose(); // the close event Qt's quit sends, and aboutToQuit
    EXPECT_FALSE(QFile::exists(QString::fromStdString(settings())));
    EXPECT_FALSE(form->Timer1->isActive());
}

TEST_F(MainFormTest, SettingsNeverAppliedAreNeverWritten)
{
    writeFile(settings(), "[View]\nSplitter=333\n");
    auto form = start();
    form->close();
    EXPECT_EQ(readFile(settings()), "[View]\nSplitter=333\n");
}

TEST_F(MainFormTest, AFailedWriteIsReportedOnceAndTheWindowStillCloses)
{
    auto form = start();
    activate(*form);
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(settings())));
    form->close();
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(boxes.texts().size(), 1u);
    EXPECT_NE(boxes.texts()[0].find(settings()), std::string::npos) << boxes.texts()[0];
    QDir(QString::fromStdString(settings())).removeRecursively();
}

TEST_F(MainFormTest, WebToolSectionsAreWrittenOnlyOnceTheirWindowsWereShown)
{
    const std::string foreign = "[tracert]\nlasthost = \"old.example\"\nglobeused=0\n[privchat]\nlasthost=friend\n";
    writeFile(settings(), foreign);
    FakeWebTools tools;
    {
        auto form = start();
        form->webTools = &tools;
        activate(*form);
        form->close();
    }
    EXPECT_NE(readFile(settings()).find(foreign), std::string::npos);

    tools.traceShown = tools.chatShown = true;
    auto form = start();
    form->webTools = &tools;
    form->traceLastHost = "new.example";
    activate(*form);
    form->close();
    const platform::IniFile back(settings());
    EXPECT_EQ(back.readString("tracert", "lasthost", ""), "new.example");
    EXPECT_FALSE(back.readBool("tracert", "globeused", true));
    EXPECT_EQ(back.readString("privchat", "lasthost", ""), "peer.example");
}

TEST_F(MainFormTest, HelpAboutRunsTheAboutBoxModally)
{
    auto form = start();
    TAboutBox box;
    AboutBox = &box;
    form->findChild<QAction*>("About1")->trigger();
    EXPECT_EQ(boxes.modalDialogs(), std::vector<std::string>{"AboutBox"});
    AboutBox = nullptr;
}

TEST_F(MainFormTest, MinimisingWithoutATrayLeavesTheWindowMapped)
{
    auto form = start();
    activate(*form);
    form->showMinimized();
    QTest::qWait(400); // a minimising counts once it has held
    EXPECT_TRUE(form->isVisible());
}

TEST_F(MainFormTest, MinimisingToATrayHidesTheWindowUntilADoubleClick)
{
    auto form = start<TrayForm>();
    activate(*form);
    form->showMinimized();
    EXPECT_TRUE(testsupport::waitUntil([&] { return !form->isVisible(); }));
    auto* tray = form->findChild<QSystemTrayIcon*>();
    ASSERT_NE(tray, nullptr);
    EXPECT_EQ(tray->toolTip(), "Doubleclick to activate");

    form->TrayIconMessage(QSystemTrayIcon::Trigger);
    EXPECT_FALSE(form->isVisible());
    form->TrayIconMessage(QSystemTrayIcon::DoubleClick);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(form->isMinimized());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(form->findChild<QSystemTrayIcon*>(), nullptr);
}

TEST_F(MainFormTest, KeysKeepTheModifierFlags)
{
    auto form = start();
    QTest::keyPress(form->windowHandle(), Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_TRUE(form->shiftDown);
    QTest::keyPress(form->windowHandle(), Qt::Key_F5, Qt::ShiftModifier | Qt::AltModifier);
    EXPECT_TRUE(form->altDown);
    EXPECT_FALSE(form->ctrlDown);
    QTest::keyRelease(form->windowHandle(), Qt::Key_F5, Qt::NoModifier);
    EXPECT_FALSE(form->shiftDown || form->altDown);
}

} // namespace
