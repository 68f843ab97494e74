#include "platform/ui/Application.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/Locations.h"
#include "support/ScriptedMessages.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <stdexcept>

namespace {

class ApplicationEvents : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto& app = platform::Application::instance();
        app.OnMinimize = [this] { events += "min "; };
        app.OnRestore = [this] { events += "restore "; };
        app.OnActivate = [this] { events += "activate "; };
        app.setMainWindow(&window);
        window.show();
    }
    void TearDown() override
    {
        auto& app = platform::Application::instance();
        app.setMainWindow(nullptr);
        app.OnMinimize = app.OnRestore = app.OnActivate = nullptr;
    }
    QWidget window;
    std::string events;
};

TEST_F(ApplicationEvents, MinimiseAndRestoreEachFireOnceAndAMinimiseThatDoesNotHoldFiresNothing)
{
    platform::Application::instance().OnActivate = nullptr; // the platform's own timing
    const auto minimise = [&] {
        window.showMinimized();
        window.showMinimized();
        QCoreApplication::processEvents();
        EXPECT_TRUE(QTest::qWaitFor([&] { return events.ends_with("min "); }));
    };
    minimise();
    EXPECT_EQ(events, "min ");
    platform::Application::instance().Restore();
    QCoreApplication::processEvents();
    EXPECT_FALSE(window.isMinimized());
    EXPECT_EQ(events, "min restore ");
    minimise();
    window.showNormal(); // restored by the user through the desktop
    QCoreApplication::processEvents();
    EXPECT_EQ(events, "min restore min restore ");

    // A window mapped again may be reported minimised for an instant.
    window.showMinimized();
    QCoreApplication::processEvents();
    window.showNormal();
    QTest::qWait(400);
    EXPECT_EQ(events, "min restore min restore ");
}

TEST_F(ApplicationEvents, RestoringAHiddenWindowStillFiresOnRestore)
{
    window.hide();
    platform::Application::instance().Restore();
    EXPECT_EQ(events, "restore ");
}

TEST_F(ApplicationEvents, HandlersRunGuarded)
{
    testsupport::ScriptedMessages boxes;
    platform::Application::instance().OnActivate = [] { throw std::runtime_error("activation failed"); };
    EXPECT_NO_THROW(platform::Application::instance().TriggerActivate());
    EXPECT_EQ(boxes.texts(), std::vector<std::string>{"activation failed"});
}

TEST(BusyCursor, NestsAndRestores)
{
    {
        platform::BusyCursor outer;
        {
            platform::BusyCursor inner;
            ASSERT_NE(QApplication::overrideCursor(), nullptr);
        }
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(Locations, SettingsUnderXdgConfigHomeAndProgramDirectoryWithSlash)
{
    EXPECT_EQ(platform::settingsFilePath(), std::string(getenv("XDG_CONFIG_HOME")) + "/pelvaxon/PELVAXON.INI");
    const std::string program = platform::programDirectory();
    EXPECT_EQ(program, QCoreApplication::applicationDirPath().toStdString() + "/");
}

} // namespace
