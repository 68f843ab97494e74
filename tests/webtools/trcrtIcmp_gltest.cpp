// The trace window with real ICMP echoes, in a namespace of the test's own: to itself over
// both socket kinds, without permission, and through a chain of routers, one of them silent.
#include "TraceTestSupport.h"
#include "support/FileContents.h"
#include "support/NetnsFixture.h"
#include "support/ProgramRun.h"
#include "support/RouterChain.h"
#include "support/ScriptedMessages.h"
#include "support/SocketTestSupport.h"
#include "support/gl/GlTestHelpers.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();
const bool insideNamespace = netnstest::enterNetworkNamespace();

class TraceIcmpTest : public ::testing::Test {
protected:
    std::vector<std::string> trace(const std::string& host, int limitMs = 20000) { return trace(form, host, limitMs); }
    static std::vector<std::string> trace(TtracertForm& form, const std::string& host, int limitMs = 20000)
    {
        form.HostEdit->setText(QString::fromStdString(host));
        form.TraceButton->click();
        EXPECT_TRUE(testsupport::waitUntil([&] { return !form.Running(); }, limitMs));
        return tracetest::resultLines(form);
    }
    // A hop line, whatever its round-trip time.
    static void ExpectHop(const std::string& line, const std::string& number, const std::string& address,
                          const std::string& name, const std::string& place = "lat,lon=0 0 city,country=,")
    {
        const std::string before = number + ": " + address + " " + name + " ";
        const std::string after = " ms, " + place;
        const bool framed = line.size() > before.size() + after.size() && line.starts_with(before)
                            && line.ends_with(after);
        const std::string time = framed ? line.substr(before.size(), line.size() - before.size() - after.size()) : "";
        EXPECT_TRUE(framed && time.find_first_not_of("0123456789") == std::string::npos) << line;
    }

    void ExpectLoopbackTrace()
    {
        const auto lines = trace("127.0.0.1");
        ASSERT_EQ(lines.size(), 3u);
        EXPECT_EQ(lines[0], "Sending 56 bytes to 127.0.0.1 (127.0.0.1)");
        ExpectHop(lines[1], "1", "127.0.0.1", "localhost");
        EXPECT_EQ(lines[2], "Host reached");
    }

    tracetest::MainWindowStandIn mainWindow;
    TtracertForm form;
};

// Run by the test below in a child without CAP_NET_RAW, outside the ping group range.
TEST_F(TraceIcmpTest, DISABLED_WithoutPermissionOneLineSaysWhy)
{
    const auto lines = trace("127.0.0.1");
    EXPECT_EQ(lines,
              (std::vector<std::string>{"Sending 56 bytes to 127.0.0.1 (127.0.0.1)",
                                        "Problem tracing host '127.0.0.1': General failure", IcmpNotPermittedLine}));
}

// Runs while the namespace's ping group range is still the closed default: a test that opens
// it comes later, and a user namespace cannot close it again.
TEST_F(TraceIcmpTest, WithoutPermissionToPing)
{
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    std::string output;
    const int status = testsupport::runProgram(
        {"setpriv", "--inh-caps=-net_raw", "--bounding-set=-net_raw", "--", self, "--gtest_also_run_disabled_tests",
         "--gtest_filter=TraceIcmpTest.DISABLED_WithoutPermissionOneLineSaysWhy"},
        &output, 60000);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

TEST_F(TraceIcmpTest, ToItselfOverARawSocket)
{
    ExpectLoopbackTrace();
}

TEST_F(TraceIcmpTest, ToItselfOverADatagramSocket)
{
    // Only the datagram socket is allowed to a user in the range; root would get a raw one.
    testsupport::writeFile("/proc/sys/net/ipv4/ping_group_range", "0 0\n");
    ASSERT_EQ(testsupport::readFile("/proc/sys/net/ipv4/ping_group_range"), "0\t0\n");
    ExpectLoopbackTrace();
}

// Names the chain's routers and target in this namespace's hosts file.
void NameRouters(const netnstest::RouterChain& chain)
{
    std::ofstream("/etc/hosts", std::ios::app) << chain.router(1) << " r1.pvx.test\n"
                                               << chain.router(2) << " r2.pvx.test\n"
                                               << chain.target() << " target.pvx.test\n";
}

TEST_F(TraceIcmpTest, ThroughTwoRoutersHopByHop)
{
    netnstest::RouterChain chain(2);
    ASSERT_EQ(chain.failure(), "");
    NameRouters(chain);
    auto lines = trace("target.pvx.test");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Sending 56 bytes to target.pvx.test (" + chain.target() + ")");
    ExpectHop(lines[1], "1", chain.router(1), "r1.pvx.test");
    ExpectHop(lines[2], "2", chain.router(2), "r2.pvx.test");
    ExpectHop(lines[3], "3", chain.target(), "target.pvx.test");
    EXPECT_EQ(lines[4], "Host reached");

    if (!chain.silenceTimeExceeded(2, true))
        GTEST_SKIP() << "no nftables here to silence a router";
    QElapsedTimer clock;
    clock.start();
    lines = trace("target.pvx.test");
    EXPECT_GE(clock.elapsed(), 3900);
    ASSERT_EQ(lines.size(), 5u);
    ExpectHop(lines[1], "1", chain.router(1), "r1.pvx.test");
    EXPECT_EQ(lines[2], "Problem tracing host 'target.pvx.test': Request timed out");
    ExpectHop(lines[3], "2", chain.target(), "target.pvx.test");
    EXPECT_EQ(lines[4], "Host reached");
}

TEST_F(TraceIcmpTest, ThroughTwoRoutersEachPlacedByTheLocationService)
{
    netnstest::RouterChain chain(2);
    ASSERT_EQ(chain.failure(), "");
    NameRouters(chain);
    testsupport::ScriptedMessages messages;
    QTemporaryDir dir;
    const std::string log = dir.path().toStdString() + "/requests";
    const auto service = sockettest::Peer::python(tracetest::LocationServiceScript("places", log));
    TtracertForm located(std::make_unique<TPing>(),
                         "http://127.0.0.1:" + std::to_string(service->port) + "/cgi-bin/quarn/ip2ll/");
    const auto lines = trace(located, "target.pvx.test");
    ASSERT_EQ(lines.size(), 5u);
    ExpectHop(lines[1], "1", chain.router(1), "r1.pvx.test", "lat,lon=40.11 -88.24 city,country=Urbana,US");
    ExpectHop(lines[2], "2", chain.router(2), "r2.pvx.test");
    EXPECT_TRUE(lines[3].ends_with("lat,lon=48.85 2.35 city,country=Paris,FR")) << lines[3];
    EXPECT_EQ(lines[4], "Host reached");
    EXPECT_NE(testsupport::readFile(log).find("name=r2.pvx.test"), std::string::npos);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{});
}

} // namespace
