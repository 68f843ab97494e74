#include "support/NetnsFixture.h"
#include "support/SocketTestSupport.h"

#include <QProcess>

#include <algorithm>

#include <arpa/inet.h>

using namespace platform;
using namespace sockettest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();
const auto* const started = ::testing::AddGlobalTestEnvironment(new Started);

constexpr UINT lookupMessage = WM_USER + 2;

struct LookupReply {
    HANDLE task;
    int error;
};

// A window collecting lookup replies.
class Replies {
public:
    Replies()
        : wnd_(AllocateHWnd([this](UINT msg, WPARAM w, LPARAM l) {
              if (msg == lookupMessage)
                  replies.push_back({static_cast<HANDLE>(w), WSAGETASYNCERROR(l)});
          }))
    {
    }
    ~Replies() { DeallocateHWnd(wnd_); }
    HWND wnd() const { return wnd_; }
    std::vector<LookupReply> replies;

private:
    HWND wnd_;
};

std::vector<std::string> dotted(const HostEntry& entry)
{
    std::vector<std::string> result;
    for (const std::uint32_t address : entry.addresses)
        result.push_back(sockettest::dotted(address));
    return result;
}

} // namespace

TEST(NameLookup, NamesAndAddressesResolveFromTheHostsFileInItsOrder)
{
    ASSERT_TRUE(insideNamespace);
    Replies window;
    const HANDLE byName = WSAAsyncGetHostByName(window.wnd(), lookupMessage, "peer.pelvaxon.test");
    const HANDLE dottedName = WSAAsyncGetHostByName(window.wnd(), lookupMessage, "10.0.0.1");
    const HANDLE byAddress = WSAAsyncGetHostByAddr(window.wnd(), lookupMessage, platform::inet_addr("127.0.0.1"));
    ASSERT_NE(byName, 0u);
    EXPECT_NE(byName, dottedName);
    ASSERT_TRUE(pumpUntil([&] { return window.replies.size() == 3; }));
    for (const LookupReply& reply : window.replies)
        EXPECT_EQ(reply.error, 0);

    const auto name = takeLookupResult(byName);
    ASSERT_TRUE(name);
    EXPECT_EQ(dotted(*name), (std::vector<std::string>{"127.0.0.2", "127.0.0.3"}));
    EXPECT_FALSE(takeLookupResult(byName)) << "a result is taken once";
    EXPECT_EQ(dotted(*takeLookupResult(dottedName)), std::vector<std::string>{"10.0.0.1"});
    EXPECT_EQ(takeLookupResult(byAddress)->name, "localhost");

    const auto blocking = gethostbyname("peer.pelvaxon.test");
    ASSERT_TRUE(blocking);
    EXPECT_EQ(dotted(*blocking).front(), "127.0.0.2");
}

TEST(NameLookup, UnknownNamesFailWithHostNotFoundAtOnce)
{
    Replies window;
    QElapsedTimer clock;
    clock.start();
    const HANDLE task = WSAAsyncGetHostByName(window.wnd(), lookupMessage, "nowhere.pelvaxon.invalid");
    ASSERT_TRUE(pumpUntil([&] { return !window.replies.empty(); }));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(window.replies[0].task, task);
    EXPECT_EQ(window.replies[0].error, WSAHOST_NOT_FOUND);
    EXPECT_FALSE(takeLookupResult(task));

    EXPECT_FALSE(gethostbyname("nowhere.pelvaxon.invalid"));
    EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);
    EXPECT_FALSE(gethostbyaddr(platform::inet_addr("10.9.9.9")));
    EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);
}

TEST(NameLookup, ACancelledLookupGivesNoResultAndUnknownHandlesAreRefused)
{
    Replies window;
    const HANDLE cancelled = WSAAsyncGetHostByName(window.wnd(), lookupMessage, "peer.pelvaxon.test");
    EXPECT_EQ(WSACancelAsyncRequest(cancelled), 0);
    const HANDLE kept = WSAAsyncGetHostByName(window.wnd(), lookupMessage, "localhost");
    ASSERT_TRUE(pumpUntil([&] {
        return std::any_of(window.replies.begin(), window.replies.end(),
                           [&](const LookupReply& reply) { return reply.task == kept; });
    }));
    EXPECT_FALSE(takeLookupResult(cancelled));
    EXPECT_EQ(WSACancelAsyncRequest(cancelled), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    // Cancelled after it finished but before its result was taken: still a success.
    EXPECT_EQ(WSACancelAsyncRequest(kept), 0);
    EXPECT_FALSE(takeLookupResult(kept));
}

TEST(NameLookup, ResultsNobodyTakesDoNotPileUp)
{
    Replies window;
    std::vector<HANDLE> tasks;
    for (int i = 0; i < 70; ++i)
        tasks.push_back(WSAAsyncGetHostByName(window.wnd(), lookupMessage, "localhost"));
    ASSERT_TRUE(pumpUntil([&] { return window.replies.size() == tasks.size(); }));
    const auto kept = std::count_if(tasks.begin(), tasks.end(), [](HANDLE task) { return takeLookupResult(task); });
    EXPECT_EQ(kept, 64);
}

TEST(LocalAddresses, InterfacesThatAreUpWithoutLoopbackOrLoopbackAlone)
{
    EXPECT_EQ(localIPv4Addresses(), std::vector<std::string>{"127.0.0.1"});
    // A veth pair that stays inside the namespace gives the list something real.
    const int made = QProcess::execute("sh", {"-c", "ip link add pvx0 type veth peer name pvx1 && "
                                                    "ip addr add 10.77.0.5/24 dev pvx0 && "
                                                    "ip addr add 10.77.1.6/24 dev pvx1 && "
                                                    "ip link set pvx0 up && ip link set pvx1 up"});
    if (made != 0)
        GTEST_SKIP() << "no veth interfaces here";
    // In the order ip lists them (interface order).
    QProcess ip;
    ip.start("ip", {"-4", "-o", "addr", "show", "up"});
    ASSERT_TRUE(ip.waitForFinished(5000));
    std::vector<std::string> listed;
    for (const QString& line : QString::fromUtf8(ip.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[1] != "lo")
            listed.push_back(fields[3].section('/', 0, 0).toStdString());
    }
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(localIPv4Addresses(), listed);
    QProcess::execute("ip", {"link", "del", "pvx0"});
}

TEST(ServiceNames, TheSystemFilesAnswerFirst)
{
    const auto ftp = getservbyname("ftp", "tcp");
    ASSERT_TRUE(ftp);
    EXPECT_EQ(ntohs(ftp->port), 21);
    EXPECT_FALSE(getservbyname("no-such-service", "tcp"));
    EXPECT_EQ(WSAGetLastError(), WSANO_DATA);
    EXPECT_EQ(getprotobyname("udp")->number, 17);
}
