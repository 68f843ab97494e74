#include "app/Startup.h"
#include "filemanager/About.h"
#include "filemanager/WebToolsLink.h"
#include "filemanager/findfiledlg.h"
#include "filemanager/glform.h"
#include "filemanager/mainfr.h"
#include "platform/ui/Application.h"
#include "platform/ui/IniFile.h"
#include "platform/ui/Locations.h"
#include "webtools/ftpsrv.h"
#include "webtools/pchat.h"
#include "webtools/trcrt.h"
#include "support/gl/GlTestHelpers.h"

#include <QAction>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The panels are OpenGL views: the program's own context set-up comes first.
const bool glReady = testsupport::useProgramOpenGLSetup();

TEST(Startup, MakesTheSixWindowsHiddenAndReachableThroughTheirPointers)
{
    {
        const auto windows = CreateStartupWindows();
        EXPECT_EQ(MainForm, windows->mainForm.get());
        EXPECT_EQ(AboutBox, windows->aboutBox.get());
        EXPECT_EQ(FindFilDlg, windows->findFilDlg.get());
        EXPECT_EQ(tracertForm, windows->tracert.get());
        EXPECT_EQ(pchatForm, windows->pchat.get());
        EXPECT_EQ(ftpservForm, windows->ftpserv.get());
        const std::pair<QWidget*, const char*> captions[] = {
            {MainForm, "Pelvaxon"},
            {AboutBox, "About"},
            {FindFilDlg, "Pelvaxon - Find file"},
            {tracertForm, "Pelvaxon - trace route, ping"},
            {pchatForm, "Pelvaxon - private chat"},
            {ftpservForm, "Pelvaxon - FTP server"}};
        for (const auto& [window, caption] : captions) {
            EXPECT_EQ(window->windowTitle(), caption);
            EXPECT_FALSE(window->isVisible()) << caption;
            // Only the main window's closing ends the program.
            EXPECT_EQ(window->testAttribute(Qt::WA_QuitOnClose), window == MainForm) << caption;
        }
        EXPECT_TRUE(tracertForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        ASSERT_NE(MainForm->webTools, nullptr);
        EXPECT_FALSE(MainForm->webTools->TraceWasShown());
        EXPECT_FALSE(MainForm->webTools->ChatWasShown());
    }
    EXPECT_EQ(MainForm, nullptr);
    EXPECT_EQ(AboutBox, nullptr);
    EXPECT_EQ(ftpservForm, nullptr);
}

TEST(Startup, ThePanelsExistBeforeTheFirstActivationAndTheTimerRunsOnlyAfterIt)
{
    const auto windows = CreateStartupWindows();
    auto& application = platform::Application::instance();
    std::string order;
    application.OnActivate = [&] {
        order += MainForm->leftPanel ? "activate-with-panels " : "activate-without-panels ";
        MainForm->AppActivate();
    };
    EXPECT_FALSE(MainForm->Timer1->isActive());
    MainForm->show();
    order += "shown ";
    EXPECT_FALSE(MainForm->Timer1->isActive());
    MainForm->activateWindow();
    if (order == "shown ")
        application.TriggerActivate(); // the platform may have reported the activation already
    QCoreApplication::processEvents();
    EXPECT_EQ(order.substr(0, 26), "shown activate-with-panels");
    EXPECT_TRUE(MainForm->Timer1->isActive());
}

TEST(Startup, TheWebToolWindowsReadTheirSettingsAtTheFirstShowingOnly)
{
    platform::IniFile stored(platform::settingsFilePath());
    stored.writeString("tracert", "lasthost", "trace.example");
    stored.writeBool("tracert", "globeused", false);
    stored.writeString("privchat", "lasthost", "chat.example");
    stored.save();
    const auto windows = CreateStartupWindows();
    pchatForm->Port = "0"; // the chat listens on a port of the system's choice here
    tracertForm->show();
    pchatForm->show();
    EXPECT_EQ(MainForm->traceLastHost, "trace.example");
    EXPECT_FALSE(tracertForm->globeCheckBox->isChecked());
    EXPECT_EQ(pchatForm->ServerEdit->text(), "chat.example");
    EXPECT_TRUE(MainForm->webTools->TraceWasShown());
    EXPECT_TRUE(MainForm->webTools->ChatWasShown());
    EXPECT_EQ(MainForm->webTools->ChatLastHost(), "chat.example");

    pchatForm->ServerEdit->setText("typed.example");
    pchatForm->hide();
    pchatForm->show();
    EXPECT_EQ(pchatForm->ServerEdit->text(), "typed.example");
    QFile::remove(QString::fromStdString(platform::settingsFilePath()));
}

TEST(Startup, TheWebMenuShowsTheChatWindowWithoutWaitingForIt)
{
    const auto windows = CreateStartupWindows();
    pchatForm->Port = "0";
    auto* item = MainForm->findChild<QAction*>("Privatechat1");
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_TRUE(pchatForm->isVisible());
    EXPECT_TRUE(pchatForm->WasShown);
    EXPECT_FALSE(pchatForm->isModal());
}

TEST(Startup, TheWebMenuShowsTheFtpWindowStopped)
{
    const auto windows = CreateStartupWindows();
    MainForm->findChild<QAction*>("FTPserver1")->trigger();
    EXPECT_TRUE(ftpservForm->isVisible());
    EXPECT_FALSE(ftpservForm->isModal());
    EXPECT_FALSE(ftpservForm->FtpServer1->Active());
}

TEST(Startup, TheWebMenuShowsTheTraceWindowWithoutWaitingForIt)
{
    const auto windows = CreateStartupWindows();
    auto* item = MainForm->findChild<QAction*>("Tracerouteping1");
    ASSERT_NE(item, nullptr);
    item->trigger();
    EXPECT_TRUE(tracertForm->isVisible());
    EXPECT_FALSE(tracertForm->FirstShow);
    EXPECT_FALSE(tracertForm->isModal());
    EXPECT_EQ(tracertForm->HostEdit->text().toStdString(), MainForm->traceLastHost);
}

TEST(Startup, TheControlButtonsSwitchAndTheNavigationModeReachTheTraceWindowsButtons)
{
    const auto windows = CreateStartupWindows();
    QRadioButton* buttons[] = {tracertForm->zoomRadioButton, tracertForm->panRadioButton,
                               tracertForm->rotateRadioButton};
    MainForm->findChild<QAction*>("ctrlbuttons1")->trigger();
    EXPECT_FALSE(MainForm->ctrlbuttons1->isChecked());
    for (QRadioButton* button : buttons)
        EXPECT_TRUE(button->isHidden()) << button->objectName().toStdString();
    MainForm->findChild<QAction*>("ctrlbuttons1")->trigger();
    for (QRadioButton* button : buttons)
        EXPECT_FALSE(button->isHidden()) << button->objectName().toStdString();

    for (QRadioButton* button : {tracertForm->panRadioButton, tracertForm->zoomRadioButton,
                                 tracertForm->rotateRadioButton}) {
        MainForm->webTools->CheckTraceRadioButton(button->objectName().toStdString());
        EXPECT_TRUE(button->isChecked()) << button->objectName().toStdString();
    }
    EXPECT_FALSE(tracertForm->panRadioButton->isChecked());
}

} // namespace
