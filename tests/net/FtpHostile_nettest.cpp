#include "net/FtpTestSupport.h"

#include <QTimer>

#include <sys/resource.h>

#include <algorithm>

using namespace ftptest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

class FtpHostile : public FtpServerTest {};

#ifndef __SANITIZE_ADDRESS__
long PeakResidentBytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss * 1024;
}
#endif

} // namespace

TEST_F(FtpHostile, AClientPipeliningWithoutReadingCannotExhaustMemory)
{
#ifndef __SANITIZE_ADDRESS__
    const long before = ResidentBytes();
#endif
    // How many answers ever waited in a client's queue.
    std::int64_t mostQueued = 0;
    QTimer sampler;
    sampler.callOnTimeout([&] {
        for (int i = 0; i < server.ClientCount(); ++i)
            mostQueued = std::max(mostQueued, server.Client(i)->BufferedByteCount());
    });
    sampler.start(5);
    const ClientRun run = Python(R"(
c = raw()
c.line()
c.s.settimeout(3)
chunk = b"NOOP\r\n" * 262144
sent = 0
try:
    while sent < 200 * 1024 * 1024:
        sent += c.s.send(chunk)
except socket.timeout:
    pass
print(sent < 200 * 1024 * 1024)
print(cmd(client(), "NOOP fresh"))
c.s.close()
)");
    EXPECT_EQ(run.out, "True\n200 Ok. Parameter was 'fresh'.\n") << run.err;
    EXPECT_LT(mostQueued, FtpAnswerBacklogLimit + 64 * 1024);
#ifndef __SANITIZE_ADDRESS__
    // The address sanitizer keeps freed memory in quarantine; only a plain build says this.
    EXPECT_LT(PeakResidentBytes() - before, 32L * 1024 * 1024);
#endif
    EXPECT_TRUE(pumpUntil([&] { return server.ClientCount() == 0; }, 10000));
}

TEST_F(FtpHostile, RunningOutOfDescriptorsLeavesTheServerListening)
{
#ifdef __SANITIZE_ADDRESS__
    // The sanitizers test memory through a pipe of their own: out of descriptors, they report
    // every virtual call as a wrong object.
    GTEST_SKIP() << "needs a build without sanitizers";
#endif
    const int descriptors = OpenDescriptors();
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    QProcess clients;
    clients.start("python3", {"-c", QString::fromStdString(std::string(pythonPrelude) + R"(
socks = []
for _ in range(30):
    s = socket.socket()
    s.setblocking(False)
    s.connect_ex(("127.0.0.1", PORT))
    socks.append(s)
time.sleep(1)
for s in socks:
    s.close()
print(len(socks), flush=True)
)"),
                              Port()});
    ASSERT_TRUE(clients.waitForStarted(5000));
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(descriptors + 5);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    const bool ended = pumpUntil([&] { return clients.state() == QProcess::NotRunning; }, 20000);
    pumpUntil([&] { return server.ClientCount() == 0; }, 5000);
    setrlimit(RLIMIT_NOFILE, &saved);
    ASSERT_TRUE(ended);
    EXPECT_EQ(clients.readAllStandardOutput().toStdString(), "30\n");

    EXPECT_TRUE(server.Active());
    EXPECT_EQ(Python("print(client().quit())").out, "221 Goodbye.\n");
    EXPECT_TRUE(pumpUntil([&] { return server.ClientCount() == 0 && OpenDescriptors() <= descriptors; }, 5000))
        << OpenDescriptors() << " descriptors open, " << descriptors << " before";
}

TEST_F(FtpHostile, FiveHundredIdleClientsDoNotKeepAnotherOut)
{
    const ClientRun run = Python(R"(
idle = []
for _ in range(500):
    c = raw()
    c.line()
    idle.append(c)
f = client()
print(f.pwd() == sys.argv[2] + "/")
print(f.quit())
for c in idle:
    c.s.close()
)",
                                 {QString::fromStdString(home.Root())}, 60000);
    EXPECT_EQ(run.out, "True\n221 Goodbye.\n") << run.err;
    EXPECT_TRUE(pumpUntil([&] { return server.ClientCount() == 0; }, 10000));
}

TEST_F(FtpHostile, AnAbortSentAsUrgentDataArrivesWhole)
{
    std::vector<std::string> seen;
    server.OnClientCommand = [&](TFtpServer*, TFtpCtrlSocket*, TFtpString& Keyword, TFtpString& Params,
                                 TFtpString&) { seen.push_back(Keyword + "|" + Params); };
    const ClientRun run = Python(R"(
f = client()
try:
    f.abort()
except ftplib.all_errors as e:
    pass
print(cmd(f, "NOOP after"))
)");
    EXPECT_EQ(run.out, "200 Ok. Parameter was 'after'.\n") << run.err;
    EXPECT_NE(std::find(seen.begin(), seen.end(), "ABOR|"), seen.end());
}
