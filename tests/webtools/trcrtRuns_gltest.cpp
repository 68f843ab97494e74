// The trace and ping runs against a ping component that answers from a script: the exact
// result lines, the hop list and the buttons, with no packet sent. Inside a namespace of
// its own so the reverse names come from a hosts file the test writes.
#include "TraceTestSupport.h"
#include "support/NetnsFixture.h"
#include "support/gl/GlTestHelpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <fstream>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();
const bool insideNamespace = netnstest::enterNetworkNamespace();

using tracetest::Answer;
using tracetest::ScriptedPing;
using tracetest::Target;

class TraceRunTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::ofstream hosts("/etc/hosts", std::ios::app);
        hosts << "10.9.0.1 r1.pvx.test\n10.9.0.2 r2.pvx.test\n10.9.0.3 r3.pvx.test\n10.9.0.9 target.pvx.test\n";
    }
    void SetUp() override
    {
        auto scripted = std::make_unique<ScriptedPing>();
        ping = scripted.get();
        form = std::make_unique<TtracertForm>(std::move(scripted));
        form->HostEdit->setText("target.pvx.test");
    }
    // Clicks a button and waits for the run to end.
    void run(QPushButton* button)
    {
        button->click();
        ASSERT_TRUE(testsupport::waitUntil([&] { return !form->Running(); }, 10000));
        EXPECT_TRUE(form->TraceButton->isEnabled());
        EXPECT_TRUE(form->PingButton->isEnabled());
    }
    static std::string hop(const std::string& number, const std::string& address, const std::string& name, int ms)
    {
        return number + address + " " + name + " " + std::to_string(ms) + " ms, lat,lon=0 0 city,country=,";
    }

    tracetest::MainWindowStandIn mainWindow;
    ScriptedPing* ping = nullptr;
    std::unique_ptr<TtracertForm> form;
    const std::string sending = "Sending 56 bytes to target.pvx.test (10.9.0.9)";
};

TEST_F(TraceRunTest, AnEmptyHostStartsNothing)
{
    form->HostEdit->clear();
    form->TraceButton->click();
    form->PingButton->click();
    EXPECT_TRUE(ping->lookups.empty());
    EXPECT_EQ(form->traceresultComboBox->count(), 0);
    EXPECT_TRUE(form->TraceButton->isEnabled());
}

TEST_F(TraceRunTest, ATargetAnsweringTheFirstEchoIsReachedAndRemembered)
{
    run(form->TraceButton);
    EXPECT_EQ(tracetest::resultLines(*form),
              (std::vector<std::string>{sending, hop("1: ", Target, "target.pvx.test", 7), "Host reached"}));
    EXPECT_EQ(form->traceresultComboBox->currentIndex(), 2);
    EXPECT_EQ(ping->ttls, std::vector<int>{1});
    EXPECT_EQ(MainForm->traceLastHost, "target.pvx.test");
    ASSERT_EQ(form->hopList.size(), 1u);
    EXPECT_EQ(form->hopList[0].ip, Target);
    EXPECT_EQ(form->hopList[0].rtt, 7);
}

TEST_F(TraceRunTest, ASilentRouterIsNotCountedAndTimelessHopsAreListedButNotKept)
{
    // The silent echo's time counts as an unnamed hop; the first router's 0 ms does not.
    ping->routers = {{"10.9.0.1", 0}, {"", 3}, {"10.9.0.3", 12}};
    run(form->TraceButton);
    EXPECT_EQ(tracetest::resultLines(*form),
              (std::vector<std::string>{sending, hop("1: ", "10.9.0.1", "r1.pvx.test", 0),
                                        "Problem tracing host 'target.pvx.test': Request timed out",
                                        hop("2: ", "10.9.0.3", "r3.pvx.test", 12),
                                        hop("3: ", Target, "target.pvx.test", 7), "Host reached"}));
    ASSERT_EQ(form->hopList.size(), 3u);
    EXPECT_EQ(form->hopList[0].ip, "");
    EXPECT_EQ(form->hopList[0].rtt, 3);
    EXPECT_EQ(form->hopList[1].host, "r3.pvx.test");
    EXPECT_EQ(form->failedReplies, 1);
}

TEST_F(TraceRunTest, ATargetThatNeverAnswersEndsAfterSixtyFourEchoes)
{
    ping->target = {};
    run(form->TraceButton);
    const auto lines = tracetest::resultLines(*form);
    ASSERT_EQ(lines.size(), 66u);
    EXPECT_EQ(lines[64], "Problem tracing host 'target.pvx.test': Request timed out");
    EXPECT_EQ(lines.back(), "Maximum number of hops reached (64)");
    ASSERT_EQ(ping->ttls.size(), 64u);
    EXPECT_EQ(ping->ttls.back(), 64);
}

TEST_F(TraceRunTest, APingSendsTwoEchoesAndReachesNoLine)
{
    ping->routers = {{"10.9.0.1", 2}, {"10.9.0.2", 4}};
    run(form->PingButton);
    EXPECT_EQ(tracetest::resultLines(*form), (std::vector<std::string>{sending, hop("", "10.9.0.1", "r1.pvx.test", 2),
                                                                       hop("", Target, "target.pvx.test", 7)}));
    EXPECT_EQ(ping->ttls, (std::vector<int>{1, 64}));

    ping->target = {};
    run(form->PingButton);
    EXPECT_EQ(tracetest::resultLines(*form).back(), "Cannot ping host 'target.pvx.test': Request timed out");
}

TEST_F(TraceRunTest, AnUnknownHostEndsTheRun)
{
    form->HostEdit->setText("nowhere.pvx.test");
    run(form->TraceButton);
    EXPECT_EQ(tracetest::resultLines(*form), std::vector<std::string>{"Unknown Host 'nowhere.pvx.test'"});
    EXPECT_TRUE(ping->ttls.empty());
}

TEST_F(TraceRunTest, CancelEndsTheRunAtTheNextAnswer)
{
    ping->lookupLater = true;
    form->TraceButton->click();
    EXPECT_FALSE(form->TraceButton->isEnabled());
    form->CancelButton->click();
    ASSERT_TRUE(testsupport::waitUntil([&] { return !form->Running(); }));
    EXPECT_EQ(tracetest::resultLines(*form), std::vector<std::string>{"Trace cancelled"});
    EXPECT_TRUE(ping->ttls.empty());

    // Clicked while the second echo is out: that echo's answer is still shown, the third's not.
    ping->lookupLater = false;
    ping->routers = {{"10.9.0.1", 2}, {"10.9.0.2", 4}, {"10.9.0.3", 6}};
    ping->duringEcho = [&](int echo) {
        if (echo == 2)
            QTimer::singleShot(0, form->CancelButton, &QPushButton::click);
    };
    run(form->TraceButton);
    EXPECT_EQ(tracetest::resultLines(*form),
              (std::vector<std::string>{sending, hop("1: ", "10.9.0.1", "r1.pvx.test", 2),
                                        hop("2: ", "10.9.0.2", "r2.pvx.test", 4), "Trace cancelled"}));
    EXPECT_FALSE(form->cancelRequested);
}

TEST_F(TraceRunTest, ClicksWhileAFailureLineShowsStartNothing)
{
    ping->routers = {{"10.9.0.1", 2}, {"", 0}};
    ping->duringEcho = [&](int echo) {
        if (echo == 2) {
            QTimer::singleShot(0, form->TraceButton, &QPushButton::click);
            QTimer::singleShot(0, form->PingButton, &QPushButton::click);
        }
    };
    run(form->TraceButton);
    EXPECT_EQ(ping->lookups.size(), 1u);
    EXPECT_EQ(ping->ttls, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(tracetest::resultLines(*form).back(), "Host reached");
}

TEST_F(TraceRunTest, WithoutPermissionToPingOneLineSaysWhy)
{
    ping->permitted = false;
    run(form->TraceButton);
    EXPECT_EQ(tracetest::resultLines(*form),
              (std::vector<std::string>{sending, "Problem tracing host 'target.pvx.test': General failure",
                                        IcmpNotPermittedLine}));
    EXPECT_EQ(ping->ttls.size(), 1u);
}

// Last: once the application is quitting, it stays so for the rest of this program.
TEST_F(TraceRunTest, QuittingTheProgramCancelsARun)
{
    ping->routers = {{"10.9.0.1", 2}, {"10.9.0.2", 4}, {"10.9.0.3", 6}};
    ping->duringEcho = [&](int echo) {
        if (echo == 2)
            QTimer::singleShot(0, [] {
                QEvent quit(QEvent::Quit);
                QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
            });
    };
    run(form->TraceButton);
    EXPECT_EQ(tracetest::resultLines(*form).back(), "Trace cancelled");
    EXPECT_EQ(ping->ttls.size(), 3u);
}

} // namespace
