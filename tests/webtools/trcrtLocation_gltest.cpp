// The trace window placing its hops: a stand-in location service on loopback, the cache
// file it fills, and a service that cannot answer. The echoes come from a script (their
// times above 0 ms, so the hops are kept); the reverse names from the namespace's hosts file.
#include "TraceTestSupport.h"
#include "net/HttpProt.h"
#include "platform/ui/Locations.h"
#include "support/FileContents.h"
#include "support/NetnsFixture.h"
#include "support/ScriptedMessages.h"
#include "support/SocketTestSupport.h"
#include "support/gl/GlTestHelpers.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const bool glReady = testsupport::useProgramOpenGLSetup();
const bool insideNamespace = netnstest::enterNetworkNamespace();

using tracetest::ScriptedPing;

class TraceLocationTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        std::ofstream("/etc/hosts", std::ios::app) << "10.9.0.1 r1.pvx.test\n10.9.0.2 r2.pvx.test\n"
                                                      "10.9.0.9 target.pvx.test\n";
    }
    void SetUp() override { std::remove(cacheFile().c_str()); }

    static std::string cacheFile() { return platform::dataDirectory() + "pelvcloc.txt"; }
    std::string log() const { return dir.path().toStdString() + "/requests"; }
    // A service of the given mode, its request log empty (no log: no request came).
    std::string startService(const std::string& mode)
    {
        testsupport::writeFile(log(), "");
        service = sockettest::Peer::python(tracetest::LocationServiceScript(mode, log()));
        return "http://127.0.0.1:" + std::to_string(service->port) + "/cgi-bin/quarn/ip2ll/";
    }
    // A fresh window, as after a start of the program, its first showing done.
    void makeForm(const std::string& url, int timeoutMs = 30000)
    {
        auto scripted = std::make_unique<ScriptedPing>();
        ping = scripted.get();
        // The third router has no name.
        ping->routers = {{"10.9.0.1", 3}, {"10.9.0.2", 5}, {"10.9.0.3", 6}};
        form = std::make_unique<TtracertForm>(std::move(scripted), url, timeoutMs);
        form->FormShow();
        form->HostEdit->setText("target.pvx.test");
    }
    std::vector<std::string> trace()
    {
        form->TraceButton->click();
        EXPECT_TRUE(testsupport::waitUntil([&] { return !form->Running(); }, 20000));
        return tracetest::resultLines(*form);
    }
    int requests() const
    {
        const std::string text = testsupport::readFile(log());
        int count = 0;
        for (std::size_t at = text.find("REQUEST "); at != std::string::npos; at = text.find("REQUEST ", at + 1))
            ++count;
        return count;
    }

    QTemporaryDir dir;
    testsupport::ScriptedMessages messages;
    tracetest::MainWindowStandIn mainWindow;
    std::unique_ptr<sockettest::Peer> service;
    ScriptedPing* ping = nullptr;
    std::unique_ptr<TtracertForm> form;
    const std::vector<std::string> unplaced{"2: 10.9.0.2 r2.pvx.test 5 ms, lat,lon=0 0 city,country=,",
                                            "3: 10.9.0.3  6 ms, lat,lon=0 0 city,country=,"};
};

TEST_F(TraceLocationTest, TheServicePlacesHopsOnceAndTheCacheKeepsThemForTheNextTraces)
{
    makeForm(startService("places"));
    const std::vector<std::string> placed{
        "Sending 56 bytes to target.pvx.test (10.9.0.9)",
        "1: 10.9.0.1 r1.pvx.test 3 ms, lat,lon=40.11 -88.24 city,country=Urbana,US", unplaced[0], unplaced[1],
        "4: 10.9.0.9 target.pvx.test 7 ms, lat,lon=48.85 2.35 city,country=Paris,FR", "Host reached"};
    EXPECT_EQ(trace(), placed);
    // r1, r2 and the target are asked; the hop without a name is not.
    EXPECT_EQ(requests(), 3);
    EXPECT_TRUE(testsupport::readFile(log()).starts_with("REQUEST POST /cgi-bin/quarn/ip2ll/ HTTP/1.0\n"
                                                         "User-Agent: Mozilla/3.0 (compatible, Pelvaxon)\n"
                                                         "Content-Type: application/x-www-form-urlencoded\n"
                                                         "Content-Length: 16\nname=r1.pvx.test\n"));
    ASSERT_EQ(form->hopList.size(), 4u);
    EXPECT_FALSE(form->hopList[0].fromCache); // a red spike: fetched now
    EXPECT_TRUE(form->hopList[1].fromCache);
    const auto cached = ReadLocationCache(cacheFile());
    ASSERT_EQ(cached.size(), 2u);
    EXPECT_EQ(cached[0].host + " " + cached[1].city, "r1.pvx.test Paris");

    // The next trace asks nobody: the places come from the cache, r2 is known to have none.
    EXPECT_EQ(trace(), placed);
    EXPECT_EQ(requests(), 3);
    EXPECT_TRUE(form->hopList[0].fromCache); // a yellow spike
    EXPECT_EQ(messages.texts(), std::vector<std::string>{});

    // After a restart the file answers, and r2 is asked again.
    const std::string url = form->HttpCli1->URL;
    makeForm(url);
    EXPECT_EQ(trace(), placed);
    EXPECT_EQ(requests(), 4);
    EXPECT_EQ(ReadLocationCache(cacheFile()).size(), 2u);
}

TEST_F(TraceLocationTest, AServiceThatCannotAnswerCostsOneLinePerTraceAndTheRunGoesOn)
{
    struct Case {
        std::string mode;
        std::string failure; // empty: any reason; "no reply": no reply from the URL
    };
    for (const Case& each : {Case{"refused", ""}, Case{"close", "no reply"}, Case{"404", "Failed : Not Found"},
                             Case{"silent", "Failed : Connection aborted on request"}}) {
        SCOPED_TRACE(each.mode);
        const std::string url = each.mode == "refused"
                                    ? "http://127.0.0.1:" + std::to_string(sockettest::freePort()) + "/"
                                    : startService(each.mode);
        const std::string expected = each.failure == "no reply" ? "Failed : no reply from " + url : each.failure;
        makeForm(url, 500);
        for (int run = 1; run <= 2; ++run) {
            // Each trace asks once: r1 at first, r2 the next time (r1 is given up for this program run).
            const auto lines = trace();
            ASSERT_EQ(lines.size(), 7u);
            EXPECT_EQ(lines[1], "1: 10.9.0.1 r1.pvx.test 3 ms, lat,lon=0 0 city,country=,");
            const std::string& failure = lines[1u + static_cast<std::size_t>(run)];
            EXPECT_TRUE(failure.starts_with("Failed : ") && failure.size() > 9) << failure;
            if (!expected.empty()) {
                EXPECT_EQ(failure, expected);
            }
            EXPECT_EQ(lines[6], "Host reached");
            EXPECT_EQ(requests(), each.mode == "refused" ? 0 : run);
        }
        EXPECT_EQ(testsupport::readFile(cacheFile()), "");
    }
}

TEST_F(TraceLocationTest, AHostWhoseRequestCouldNotStartIsAskedAgainByTheNextTrace)
{
    makeForm(startService("places"));
    // A request of its own that is never answered keeps the client busy.
    const auto silent = sockettest::tcpPeer("time.sleep(20)\n");
    form->HttpCli1->URL = "http://127.0.0.1:" + std::to_string(silent->port) + "/";
    form->HttpCli1->GetASync();
    const auto lines = trace();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[1], "1: 10.9.0.1 r1.pvx.test 3 ms, lat,lon=0 0 city,country=,");
    EXPECT_TRUE(lines[2].starts_with("Failed : HTTP component") && lines[2].ends_with("is busy")) << lines[2];
    EXPECT_EQ(requests(), 0);

    form->HttpCli1->Abort();
    EXPECT_EQ(trace()[1], "1: 10.9.0.1 r1.pvx.test 3 ms, lat,lon=40.11 -88.24 city,country=Urbana,US");
    EXPECT_EQ(requests(), 3);
}

TEST_F(TraceLocationTest, CancelWhileTheServiceIsAwaitedEndsTheRun)
{
    makeForm(startService("silent"));
    QTimer::singleShot(300, form->CancelButton, &QPushButton::click);
    EXPECT_EQ(trace(), (std::vector<std::string>{"Sending 56 bytes to target.pvx.test (10.9.0.9)",
                                                 "1: 10.9.0.1 r1.pvx.test 3 ms, lat,lon=0 0 city,country=,",
                                                 "Failed : Connection aborted on request", "Trace cancelled"}));
}

TEST_F(TraceLocationTest, WithoutAServiceNothingIsAskedAndTheCacheStillAnswers)
{
    LocationRecord urbana{"10.9.0.1", "r1.pvx.test", "Urbana", "US", 40.11, -88.24};
    testsupport::writeFile(cacheFile(), FormatLocationRecord(urbana));
    makeForm("");
    const auto lines = trace();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1], "1: 10.9.0.1 r1.pvx.test 3 ms, lat,lon=40.11 -88.24 city,country=Urbana,US");
    EXPECT_EQ(lines[2], unplaced[0]);
    EXPECT_TRUE(form->hopList[0].fromCache);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{});
}

TEST_F(TraceLocationTest, TheFirstShowingMakesTheCacheAndTheSettingAndSaysWhenItCannot)
{
    // No file: an empty one is made, the empty setting written, nothing said.
    const std::string settings = platform::settingsFilePath();
    std::remove(settings.c_str());
    TtracertForm fresh(std::make_unique<ScriptedPing>());
    fresh.FormShow();
    EXPECT_EQ(testsupport::readFile(cacheFile()), "");
    EXPECT_NE(testsupport::readFile(settings).find("locationurl="), std::string::npos);
    EXPECT_EQ(messages.texts(), std::vector<std::string>{});

    // A cache that is there but cannot be read is told.
    const std::string cache = cacheFile();
    std::remove(cache.c_str());
    ASSERT_EQ(::mkdir(cache.c_str(), 0700), 0);
    TtracertForm unreadable(std::make_unique<ScriptedPing>());
    unreadable.FormShow();
    ::rmdir(cache.c_str());
    EXPECT_EQ(messages.texts(), std::vector<std::string>{"Opening of the location DB file was not succesful: " + cache});

    // A data directory that cannot be made, even by root.
    testsupport::writeFile(dir.path().toStdString() + "/file", "");
    const std::string saved = qgetenv("XDG_DATA_HOME").toStdString();
    qputenv("XDG_DATA_HOME", (dir.path() + "/file/data").toUtf8());
    TtracertForm blocked(std::make_unique<ScriptedPing>());
    blocked.FormShow();
    EXPECT_EQ(messages.texts().back(), "Opening of the location DB file was not succesful: " + dir.path().toStdString()
                                           + "/file/data/pelvaxon/pelvcloc.txt");
    EXPECT_EQ(messages.texts().size(), 2u);
    qputenv("XDG_DATA_HOME", saved.c_str());
}

} // namespace
