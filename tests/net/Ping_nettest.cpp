#include "net/Ping.h"
#include "support/FileContents.h"
#include "support/NetnsFixture.h"
#include "support/ProgramRun.h"
#include "support/RouterChain.h"
#include "support/SocketTestSupport.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>

#include <string>
#include <vector>

using namespace platform;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

// Root of the machine, not of a user namespace, can become nobody.
bool realRoot()
{
    return ::getuid() == 0 && testsupport::readFile("/proc/self/uid_map").find("4294967295") != std::string::npos;
}

using sockettest::dotted;

// Every echo request the host sends to 127.0.0.1, as a root test sees them on a raw socket.
class RequestTap {
public:
    RequestTap() : fd_(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP)) { EXPECT_GE(fd_, 0); }
    ~RequestTap() { ::close(fd_); }
    RequestTap(const RequestTap&) = delete;
    RequestTap& operator=(const RequestTap&) = delete;

    // The data of the requests seen since the last call.
    std::vector<std::string> requests()
    {
        std::vector<std::string> found;
        unsigned char packet[70000];
        for (ssize_t got; (got = ::recv(fd_, packet, sizeof packet, MSG_DONTWAIT)) > 0;) {
            const std::size_t header = static_cast<std::size_t>(packet[0] & 0x0F) * 4;
            if (static_cast<std::size_t>(got) >= header + 8 && packet[header] == 8)
                found.emplace_back(reinterpret_cast<const char*>(packet) + header + 8,
                                   static_cast<std::size_t>(got) - header - 8);
        }
        return found;
    }

private:
    int fd_;
};

struct Events {
    std::vector<std::string> displays;
    int requests = 0;
    std::vector<std::int32_t> replies;
    std::vector<std::uint16_t> lookups;

    void watch(TPing& ping)
    {
        ping.OnDisplay = [this](TPing*, TICMP*, const std::string& msg) { displays.push_back(msg); };
        ping.OnEchoRequest = [this](TPing*, TICMP*) { ++requests; };
        ping.OnEchoReply = [this](TPing*, TICMP*, std::int32_t status) { replies.push_back(status); };
        ping.OnDnsLookupDone = [this](TPing*, std::uint16_t error) { lookups.push_back(error); };
    }
};

} // namespace

TEST(TICMP, EchoDataIsTheFixedTextPaddedWithBlanksAndDottedTargetsNeedNoLookup)
{
    ASSERT_TRUE(insideNamespace);
    if (::getuid() != 0)
        GTEST_SKIP() << "watching the requests needs a raw socket";
    RequestTap tap;
    TICMP icmp;
    icmp.SetAddress("127.0.0.1");
    icmp.Size = 100;
    ASSERT_EQ(icmp.Ping(), 1);
    EXPECT_EQ(icmp.LastError(), 0);
    EXPECT_EQ(icmp.GetErrorString(), "No error");
    EXPECT_EQ(icmp.HostName(), "127.0.0.1");
    EXPECT_EQ(icmp.HostIP(), "127.0.0.1");
    EXPECT_EQ(dotted(icmp.Reply().Address), "127.0.0.1");
    EXPECT_EQ(icmp.Reply().DataSize, 100);
    EXPECT_EQ(icmp.Reply().Data, nullptr) << "the reply buffer is gone";

    std::vector<std::string> sent = tap.requests();
    ASSERT_EQ(sent.size(), 1u);
    const std::string text = sent[0].substr(0, 45);
    EXPECT_EQ(sent[0].substr(45), std::string(55, ' '));
    EXPECT_EQ(text.find_first_not_of(' '), 0u);
    EXPECT_NE(text.back(), ' ');
    for (const char c : text)
        EXPECT_TRUE(c >= 0x20 && c < 0x7F) << "ASCII text";

    icmp.Size = 10;
    ASSERT_EQ(icmp.Ping(), 1);
    sent = tap.requests();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], text.substr(0, 10));
}

TEST(TICMP, NamesResolveAtTheFirstEchoAndBadTargetsOrSizesSendNothing)
{
    TPing ping;
    Events events;
    events.watch(ping);
    ping.SetAddress("peer.pelvaxon.test");
    EXPECT_EQ(ping.Ping(), 1);
    EXPECT_EQ(ping.HostName(), "peer.pelvaxon.test");
    EXPECT_EQ(ping.GetHostIP(), "127.0.0.2");
    EXPECT_EQ(dotted(ping.Reply().Address), "127.0.0.2");
    EXPECT_EQ(events.requests, 1);
    EXPECT_EQ(events.replies, std::vector<std::int32_t>{1});

    ping.SetAddress("nowhere.pelvaxon.invalid");
    EXPECT_EQ(ping.Ping(), 0);
    EXPECT_EQ(ping.ErrorCode(), 11018);
    EXPECT_EQ(ping.ErrorString(), "Bad Destination");
    EXPECT_EQ(events.displays,
              (std::vector<std::string>{"Unable to resolve nowhere.pelvaxon.invalid", "Invalid host address"}));
    EXPECT_EQ(ping.Ping(), 0);
    EXPECT_EQ(events.displays.size(), 4u) << "a failed lookup is tried again at the next echo";

    ping.SetAddress("127.0.0.1");
    for (const std::int32_t size : {-1, 65501}) {
        ping.SetSize(size);
        EXPECT_EQ(ping.Ping(), 0);
        EXPECT_EQ(ping.ErrorCode(), 11050);
        EXPECT_EQ(ping.ErrorString(), "General failure");
    }
    EXPECT_EQ(events.requests, 1) << "nothing sent for a bad target or size";
    EXPECT_EQ(events.replies.size(), 1u);
}

TEST(TPing, TracesTheRouterChainAsTracerouteAndPingDo)
{
    netnstest::RouterChain chain(3);
    ASSERT_EQ(chain.failure(), "");
    const std::vector<std::string> hops = netnstest::tracerouteHops(chain.target(), 4);
    ASSERT_EQ(hops, (std::vector<std::string>{chain.router(1), chain.router(2), chain.router(3), chain.target()}));

    TPing ping;
    Events events;
    events.watch(ping);
    ping.SetAddress(chain.target());
    for (int ttl = 1; ttl <= 3; ++ttl) {
        ping.SetTTL(ttl);
        EXPECT_EQ(ping.Ping(), 1);
        EXPECT_EQ(ping.ErrorString(), "TTL expired in transit");
        EXPECT_EQ(dotted(ping.Reply().Address), hops[static_cast<std::size_t>(ttl - 1)]);
        EXPECT_EQ(netnstest::pingTimeExceededFrom(chain.target(), ttl), hops[static_cast<std::size_t>(ttl - 1)]);
    }
    ping.SetTTL(4);
    EXPECT_EQ(ping.Ping(), 1);
    EXPECT_EQ(ping.ErrorCode(), 0);
    EXPECT_EQ(dotted(ping.Reply().Address), chain.target());
    EXPECT_EQ(events.requests, 4);
    EXPECT_EQ(events.replies, (std::vector<std::int32_t>{1, 1, 1, 1}));
    EXPECT_TRUE(ping.EchoPermitted());
}

// Run as nobody by the test below: no CAP_NET_RAW, outside the ping group range.
TEST(TPing, DISABLED_AsNobodyEveryEchoFailsCleanly)
{
    ASSERT_NE(::getuid(), 0u);
    TPing ping;
    EXPECT_FALSE(ping.EchoPermitted());
    ping.SetAddress("127.0.0.1");
    for (int round = 0; round < 2; ++round) {
        EXPECT_EQ(ping.Ping(), 0);
        EXPECT_EQ(ping.ErrorCode(), 11050);
        EXPECT_EQ(ping.ErrorString(), "General failure");
    }
}

TEST(TPing, MakingOneNeedsNoPermissionToPing)
{
    if (!realRoot())
        GTEST_SKIP() << "dropping to nobody needs the machine's root";
    testsupport::writeFile("/proc/sys/net/ipv4/ping_group_range", "1 0\n");
    char self[4096] = {};
    ASSERT_GT(::readlink("/proc/self/exe", self, sizeof self - 1), 0);
    std::string output;
    const int status = testsupport::runProgram({"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                                "--inh-caps=-all", "--", self, "--gtest_also_run_disabled_tests",
                                                "--gtest_filter=TPing.DISABLED_AsNobodyEveryEchoFailsCleanly"},
                                               &output, 20000);
    EXPECT_EQ(status, 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

TEST(TPing, DottedLookupsCompleteInsideTheCallAndOnlyTheLastNameLookupCompletes)
{
    TPing ping;
    Events events;
    events.watch(ping);
    ping.DnsLookup("127.0.0.1");
    EXPECT_EQ(events.lookups, std::vector<std::uint16_t>{0});
    EXPECT_EQ(ping.HostIP(), "127.0.0.1");

    events.lookups.clear();
    ping.DnsLookup("localhost");
    EXPECT_EQ(ping.HostIP(), "");
    ping.DnsLookup("peer.pelvaxon.test");
    ASSERT_TRUE(sockettest::pumpUntil([&] { return !events.lookups.empty(); }));
    sockettest::pumpFor(300);
    EXPECT_EQ(events.lookups, std::vector<std::uint16_t>{0});
    EXPECT_EQ(ping.HostIP(), "127.0.0.2");

    // A name replaced by a dotted address: the cancelled lookup stays silent, also at the end.
    events.lookups.clear();
    ping.DnsLookup("peer.pelvaxon.test");
    ping.DnsLookup("10.1.2.3");
    ping.CancelDnsLookup();
    sockettest::pumpFor(300);
    EXPECT_EQ(events.lookups, std::vector<std::uint16_t>{0});
    EXPECT_EQ(ping.HostIP(), "10.1.2.3");
}

TEST(TPing, CancelledAndFailedLookupsReportTheirError)
{
    auto ping = std::make_unique<TPing>();
    Events events;
    events.watch(*ping);
    QElapsedTimer clock;
    clock.start();
    ping->DnsLookup("nowhere.pelvaxon.invalid");
    ASSERT_TRUE(sockettest::pumpUntil([&] { return !events.lookups.empty(); }));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(events.lookups, std::vector<std::uint16_t>{11001});
    EXPECT_EQ(ping->HostIP(), "");

    events.lookups.clear();
    ping->DnsLookup("peer.pelvaxon.test");
    ping->CancelDnsLookup();
    ping->CancelDnsLookup();
    EXPECT_EQ(events.lookups, std::vector<std::uint16_t>{10004});

    events.lookups.clear();
    ping->DnsLookup("peer.pelvaxon.test");
    ping.reset();
    EXPECT_EQ(events.lookups, std::vector<std::uint16_t>{10004}) << "destroyed with a lookup pending";
    sockettest::pumpFor(300);
    EXPECT_EQ(events.lookups.size(), 1u);
}
