// The main window as a desktop shows it: under openbox, a window manager the test starts on
// its own X server, so the window's state requests are honoured as on a user's desktop.

#include "app/Startup.h"
#include "filemanager/WebToolsLink.h"
#include "filemanager/glform.h"
#include "filemanager/grfview.h"
#include "filemanager/mainfr.h"
#include "filemanager/viewfil.h"
#include "platform/shell/RunProgram.h"
#include "support/ProgramRun.h"
#include "support/ScriptedMessages.h"
#include "support/gl/GlTestHelpers.h"
#include "webtools/ftpsrv.h"
#include "webtools/trcrt.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMenuBar>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();

constexpr int managerAnswerMs = 10000;

// openbox managing the test's display while it lives. It touches a file once it manages
// windows, so nothing is shown before it would see it.
class Openbox {
public:
    Openbox()
    {
        if (platform::FindProgram("openbox").empty()) {
            why_ = "openbox is not installed";
            return;
        }
        const QString ready = folder_.filePath("ready");
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start("openbox", {"--sm-disable", "--startup", "touch " + ready});
        if (!testsupport::waitUntil([&] { return QFileInfo::exists(ready); }, managerAnswerMs))
            why_ = "openbox did not start on this display";
    }
    ~Openbox()
    {
        process_.terminate();
        if (!process_.waitForFinished(3000))
            process_.kill();
        process_.waitForFinished(3000);
    }
    Openbox(const Openbox&) = delete;
    Openbox& operator=(const Openbox&) = delete;

    // Empty when openbox runs, else why it does not.
    const std::string& unavailable() const { return why_; }

private:
    QTemporaryDir folder_;
    QProcess process_;
    std::string why_;
};

class TrayForm : public TMainForm {
protected:
    bool TrayAvailable() const override { return true; }
};

class UnderWindowManager : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!manager.unavailable().empty())
            GTEST_SKIP() << manager.unavailable();
    }

    static QRect clientArea(const QWidget& window) { return {window.mapToGlobal(QPoint(0, 0)), window.size()}; }
    static std::string describe(const QWidget& window)
    {
        std::ostringstream text;
        const QRect client = clientArea(window);
        const QRect area = window.screen()->availableGeometry();
        text << "client " << client.x() << "," << client.y() << " " << client.width() << "x" << client.height()
             << ", work area " << area.x() << "," << area.y() << " " << area.width() << "x" << area.height()
             << ", state " << int(window.windowState());
        return text.str();
    }
    // Maximised by the manager: the client area spans the work area but for the title bar.
    // Qt's frame geometry may lag behind the manager's frame, so it is not what is checked.
    static bool fillsWorkArea(const QWidget& window)
    {
        const QRect client = clientArea(window);
        const QRect area = window.screen()->availableGeometry();
        return window.isVisible() && window.isMaximized() && client.left() == area.left()
               && client.right() == area.right() && client.bottom() == area.bottom() && client.top() >= area.top()
               && client.top() < area.top() + area.height() / 10;
    }
    static void expectFillsWorkArea(const QWidget& window, const char* when)
    {
        EXPECT_TRUE(testsupport::waitUntil([&] { return fillsWorkArea(window); }, managerAnswerMs))
            << when << ": " << describe(window);
    }
    // The manager minimises the window, as its title bar's button does; it goes into the
    // tray, and a double click on the tray brings it back a moment later.
    static void minimiseToTrayAndBack(TMainForm& window)
    {
        ASSERT_EQ(testsupport::runProgram({"xdotool", "windowminimize", std::to_string(window.winId())}), 0);
        ASSERT_TRUE(testsupport::waitUntil([&] { return !window.isVisible(); }, managerAnswerMs));
        testsupport::waitUntil([] { return false; }, 300);
        window.TrayIconMessage(QSystemTrayIcon::DoubleClick);
    }
    // The whole screen, the manager's frames with it.
    static void saveScreenIfAsked(const char* name)
    {
        testsupport::saveScreenshotIfAsked(QGuiApplication::primaryScreen()->grabWindow(0).toImage(), name);
    }
    // Shown and framed by the manager.
    static bool framed(const QWidget& window)
    {
        return window.isVisible() && window.frameGeometry() != window.geometry();
    }
    static std::string describeFrame(const QWidget& window)
    {
        const QRect frame = window.frameGeometry();
        std::ostringstream text;
        text << window.windowTitle().toStdString() << ": frame " << frame.x() << "," << frame.y() << " "
             << frame.width() << "x" << frame.height() << "; " << describe(window);
        return text.str();
    }
    // The window of a tool shown over the main window the first time: its frame clear of the
    // main window's menu bar, inside the work area, its middle over the main window's. The
    // manager's reports may pass through other places on the way.
    static void expectCentredOver(const QWidget& tool, const TMainForm& main)
    {
        const QWidget& menu = *main.MainfrMainMenu1;
        const auto placed = [&] {
            const QRect frame = tool.frameGeometry();
            return framed(tool) && frame.contains(tool.geometry())
                   && frame.top() > menu.mapToGlobal(QPoint(0, menu.height() - 1)).y()
                   && tool.screen()->availableGeometry().contains(frame)
                   && (frame.center() - main.frameGeometry().center()).manhattanLength() <= 4;
        };
        EXPECT_TRUE(testsupport::waitUntil(placed, managerAnswerMs)) << describeFrame(tool);
    }

    Openbox manager;
};

TEST_F(UnderWindowManager, TheFirstWindowFillsTheWorkArea)
{
    TMainForm window;
    ShowMainWindow(window);
    expectFillsWorkArea(window, "shown");
    testsupport::saveScreenshotIfAsked(window, "maximised.png");
}

TEST_F(UnderWindowManager, AWindowRestoredFromTheTrayKeepsItsState)
{
    if (platform::FindProgram("xdotool").empty())
        GTEST_SKIP() << "xdotool is not installed";
    TrayForm window;
    ShowMainWindow(window);
    expectFillsWorkArea(window, "shown");
    minimiseToTrayAndBack(window);
    expectFillsWorkArea(window, "restored from the tray");

    window.showNormal();
    window.resize(700, 500);
    ASSERT_TRUE(testsupport::waitUntil([&] { return !window.isMaximized() && window.size() == QSize(700, 500); },
                                       managerAnswerMs))
        << describe(window);
    minimiseToTrayAndBack(window);
    EXPECT_TRUE(testsupport::waitUntil([&] { return window.isVisible() && !window.isMinimized(); }, managerAnswerMs));
    // A late report from the manager (minimised again, maximised) would show by now.
    testsupport::waitUntil([] { return false; }, 500);
    EXPECT_TRUE(window.isVisible() && !window.isMinimized() && !window.isMaximized()) << describe(window);
    EXPECT_EQ(window.size(), QSize(700, 500)) << describe(window);
}

TEST_F(UnderWindowManager, ToolWindowsOpenOverTheMainWindowAndStayWhereTheUserPutsThem)
{
    if (platform::FindProgram("xdotool").empty())
        GTEST_SKIP() << "xdotool is not installed";
    testsupport::ScriptedMessages boxes;
    const auto windows = CreateStartupWindows();
    TMainForm& main = *windows->mainForm;
    ShowMainWindow(main);
    expectFillsWorkArea(main, "shown");
    main.webTools->ShowTrace();
    expectCentredOver(*windows->tracert, main);
    main.webTools->ShowFtpServer();
    expectCentredOver(*windows->ftpserv, main);
    saveScreenIfAsked("tool-windows.png");

    // The user drags the FTP server's window aside, closes it and opens it again.
    QWidget& ftp = *windows->ftpserv;
    const QPoint centred = ftp.frameGeometry().topLeft();
    ASSERT_EQ(testsupport::runProgram({"xdotool", "windowmove", std::to_string(ftp.winId()), "30", "500"}), 0);
    ASSERT_TRUE(testsupport::waitUntil([&] { return ftp.frameGeometry().topLeft() != centred; }, managerAnswerMs))
        << describeFrame(ftp);
    testsupport::waitUntil([] { return false; }, 300);
    const QRect moved = ftp.frameGeometry();
    ftp.close();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !ftp.isVisible(); }, managerAnswerMs));
    main.webTools->ShowFtpServer();
    EXPECT_TRUE(testsupport::waitUntil([&] { return framed(ftp) && ftp.frameGeometry() == moved; }, managerAnswerMs))
        << describeFrame(ftp);
    EXPECT_TRUE(boxes.texts().empty());
}

TEST_F(UnderWindowManager, ViewersOpenOverTheMainWindowAndAPictureLargerThanTheScreenFitsWithItsFrame)
{
    testsupport::ScriptedMessages boxes;
    QTemporaryDir folder;
    const QString text = folder.filePath("notes.txt");
    QFile(text).open(QIODevice::WriteOnly);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QString picture = folder.filePath("large.bmp");
    QImage large(area.width() + 300, area.height() + 200, QImage::Format_RGB32);
    large.fill(Qt::darkCyan);
    ASSERT_TRUE(large.save(picture, "BMP"));

    TMainForm main;
    ShowMainWindow(main);
    expectFillsWorkArea(main, "shown");
    auto* viewer = new TViewForm(main.leftPanel, nullptr);
    viewer->LoadFile(QFile::encodeName(text).toStdString(), ".txt", 0);
    expectCentredOver(*viewer, main);
    viewer->close();

    auto* pictureViewer = new TgrfviewForm(main.leftPanel);
    pictureViewer->ShowPicture(QFile::encodeName(picture).toStdString());
    ASSERT_TRUE(testsupport::waitUntil([&] { return framed(*pictureViewer); }, managerAnswerMs));
    // Fitted once the manager has framed it.
    EXPECT_TRUE(testsupport::waitUntil([&] { return area.contains(pictureViewer->frameGeometry()); }, managerAnswerMs))
        << describeFrame(*pictureViewer);
    EXPECT_GT(pictureViewer->height(), area.height() * 9 / 10) << describeFrame(*pictureViewer);
    saveScreenIfAsked("large-picture.png");
    pictureViewer->close();
    EXPECT_TRUE(boxes.texts().empty());
}

} // namespace
