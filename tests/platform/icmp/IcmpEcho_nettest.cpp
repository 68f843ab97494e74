#include "platform/icmp/IcmpEcho.h"
#include "support/FileContents.h"
#include "support/NetnsFixture.h"
#include "support/RouterChain.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <chrono>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

using namespace platform;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

enum class Kind { Datagram, Raw };

// Root's group is inside "0 0", so its first echo opens a datagram socket; with the default
// empty range it falls back to a raw socket. A user namespace takes only "0 0".
bool allowDatagramSockets(bool allow)
{
    const char* const range = "/proc/sys/net/ipv4/ping_group_range";
    testsupport::writeFile(range, allow ? "0 0\n" : "1 0\n");
    return testsupport::readFile(range) == (allow ? "0\t0\n" : "1\t0\n");
}

// Open ICMP sockets of the namespace: datagram ones in /proc/net/icmp, raw ones in
// /proc/net/raw with protocol 1 where the port would be.
int openSockets(Kind kind)
{
    std::istringstream table(testsupport::readFile(kind == Kind::Datagram ? "/proc/net/icmp" : "/proc/net/raw"));
    int count = 0;
    std::string line;
    std::getline(table, line);
    while (std::getline(table, line))
        count += kind == Kind::Datagram || line.find(":0001 ") != std::string::npos;
    return count;
}

netnstest::RouterChain& chain()
{
    static netnstest::RouterChain routers(3);
    return routers;
}

// How long this thread has been ready to run while the machine ran others, in ns.
long long runQueueWaitNs()
{
    std::istringstream stats(testsupport::readFile("/proc/thread-self/schedstat"));
    long long runningNs = 0, waitingNs = 0;
    stats >> runningNs >> waitingNs;
    return waitingNs;
}

struct Echo {
    std::uint32_t result = 0;
    std::uint32_t status = 0;
    IcmpEchoReply record;
    std::string data;
    long long elapsedMs = 0;
    // Of elapsedMs, the time a loaded machine kept this thread waiting for a processor.
    long long waitedForCpuMs = 0;
    std::string from() const { return inet_ntoa(in_addr{record.Address}); }
};

// A timed-out echo ends no sooner than asked, and later only by what the machine kept it waiting.
void expectTimedOutAfter(const Echo& echo, long long timeoutMs)
{
    EXPECT_GE(echo.elapsedMs, timeoutMs);
    EXPECT_LE(echo.elapsedMs - echo.waitedForCpuMs, timeoutMs + 50)
        << echo.elapsedMs << " ms in all, " << echo.waitedForCpuMs << " ms of them waiting for a processor";
}

class IcmpEchoTest : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(insideNamespace);
        if (!allowDatagramSockets(GetParam() == Kind::Datagram))
            GTEST_SKIP() << "the ping group range cannot be set so here";
        handle = IcmpCreateFile();
        ASSERT_NE(handle, INVALID_ICMP_HANDLE);
    }
    void TearDown() override { IcmpCloseHandle(handle); }

    void needChain()
    {
        if (!chain().failure().empty())
            GTEST_FAIL() << chain().failure();
    }

    Echo echo(const std::string& to, const std::string& data, std::uint8_t ttl = 64, std::uint8_t flags = 0,
              std::uint32_t timeoutMs = 2000)
    {
        std::vector<unsigned char> buffer(sizeof(IcmpEchoReply) + data.size());
        IpOptionInformation options;
        options.Ttl = ttl;
        options.Flags = flags;
        Echo echo;
        const long long waitedBefore = runQueueWaitNs();
        const auto start = std::chrono::steady_clock::now();
        echo.result = IcmpSendEcho(handle, inet_addr(to.c_str()), data.data(), static_cast<std::uint16_t>(data.size()),
                                   &options, buffer.data(), static_cast<std::uint32_t>(buffer.size()), timeoutMs);
        echo.elapsedMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        echo.waitedForCpuMs = (runQueueWaitNs() - waitedBefore) / 1000000;
        echo.status = IcmpGetLastError();
        std::memcpy(&echo.record, buffer.data(), sizeof echo.record);
        EXPECT_EQ(echo.record.Status, echo.status);
        if (echo.record.DataSize > 0) {
            EXPECT_EQ(echo.record.Data, buffer.data() + sizeof(IcmpEchoReply));
            echo.data.assign(static_cast<const char*>(echo.record.Data), echo.record.DataSize);
        }
        return echo;
    }

    IcmpHandle handle = INVALID_ICMP_HANDLE;
};

} // namespace

TEST_P(IcmpEchoTest, LoopbackEchoesComeBackWithTheirDataOnTheSocketKindAllowed)
{
    EXPECT_EQ(openSockets(GetParam()), 0) << "no socket before the first echo";
    const std::string data = "Pelvaxon layer test: 0123456789 abcdefghij";
    for (int round = 0; round < 3; ++round) {
        const Echo reply = echo("127.0.0.1", data);
        EXPECT_EQ(reply.result, 1u);
        EXPECT_EQ(reply.status, IP_SUCCESS);
        EXPECT_EQ(reply.from(), "127.0.0.1");
        EXPECT_EQ(reply.data, data);
        EXPECT_EQ(reply.record.Options.Ttl, 64);
        EXPECT_LT(reply.record.RoundTripTime, 1000u);
    }
    EXPECT_EQ(openSockets(GetParam()), 1);
    EXPECT_EQ(openSockets(GetParam() == Kind::Raw ? Kind::Datagram : Kind::Raw), 0);

    const Echo empty = echo("127.0.0.1", "");
    EXPECT_EQ(empty.result, 1u);
    EXPECT_EQ(empty.record.DataSize, 0);

    const Echo noTtl = echo("127.0.0.1", data, 0);
    EXPECT_EQ(noTtl.result, 0u);
    EXPECT_EQ(noTtl.status, IP_BAD_OPTION);
}

TEST_P(IcmpEchoTest, EachRouterAnswersItsTtlWithItsAddressAndTheTargetTheNext)
{
    needChain();
    for (int ttl = 1; ttl <= 3; ++ttl) {
        const Echo expired = echo(chain().target(), "trace", static_cast<std::uint8_t>(ttl));
        EXPECT_EQ(expired.result, 1u) << "a router's error is an answer";
        EXPECT_EQ(expired.status, IP_TTL_EXPIRED_TRANSIT) << ttl;
        EXPECT_EQ(expired.from(), chain().router(ttl));
        EXPECT_EQ(expired.record.DataSize, 0);
    }
    const Echo reached = echo(chain().target(), "trace", 4);
    EXPECT_EQ(reached.result, 1u);
    EXPECT_EQ(reached.status, IP_SUCCESS);
    EXPECT_EQ(reached.from(), chain().target());
    EXPECT_EQ(reached.data, "trace");
    EXPECT_EQ(reached.record.Options.Ttl, 61) << "three routers took one each";
}

TEST_P(IcmpEchoTest, SilentRoutersAndIgnoringTargetsTimeOutOnTime)
{
    needChain();
    if (!chain().silenceTimeExceeded(2, true))
        GTEST_SKIP() << "nftables cannot filter in a namespace here";
    const Echo silent = echo(chain().target(), "trace", 2, 0, 300);
    chain().silenceTimeExceeded(2, false);
    EXPECT_EQ(silent.result, 0u);
    EXPECT_EQ(silent.status, IP_REQ_TIMED_OUT);
    expectTimedOutAfter(silent, 300);
    EXPECT_EQ(echo(chain().target(), "trace", 2).status, IP_TTL_EXPIRED_TRANSIT) << "heard again";

    const int target = chain().routers() + 1;
    ASSERT_TRUE(chain().sysctl(target, "net.ipv4.icmp_echo_ignore_all", "1"));
    const Echo ignored = echo(chain().target(), "trace", 64, 0, 300);
    chain().sysctl(target, "net.ipv4.icmp_echo_ignore_all", "0");
    EXPECT_EQ(ignored.result, 0u);
    EXPECT_EQ(ignored.status, IP_REQ_TIMED_OUT);
    expectTimedOutAfter(ignored, 300);
}

TEST_P(IcmpEchoTest, UnreachableDestinationsAnswerFromTheRouterOrFailHere)
{
    needChain();
    // The target made a router, not one of the chain's: a router's unreachable answers share
    // one budget per second with the time-exceeded messages it sent earlier.
    const int target = chain().routers() + 1;
    ASSERT_TRUE(chain().exec(target, {"ip", "route", "replace", "unreachable", "10.99.0.0/24"}));
    ASSERT_TRUE(chain().exec(0, {"ip", "route", "replace", "10.99.0.0/24", "via", chain().router(1)}));
    ASSERT_TRUE(chain().sysctl(target, "net.ipv4.ip_forward", "1"));
    const Echo fromFar = echo("10.99.0.1", "x");
    chain().sysctl(target, "net.ipv4.ip_forward", "0");
    EXPECT_EQ(fromFar.result, 1u);
    EXPECT_EQ(fromFar.status, IP_DEST_HOST_UNREACHABLE);
    EXPECT_EQ(fromFar.from(), chain().target());

    ASSERT_TRUE(chain().exec(0, {"ip", "route", "replace", "unreachable", "10.98.0.0/24"}));
    const Echo local = echo("10.98.0.1", "x");
    EXPECT_EQ(local.result, 0u) << "no ICMP message answered";
    EXPECT_EQ(local.status, IP_DEST_HOST_UNREACHABLE);

    const Echo noRoute = echo("10.97.0.1", "x");
    EXPECT_EQ(noRoute.result, 0u);
    EXPECT_EQ(noRoute.status, IP_DEST_NET_UNREACHABLE);
}

TEST_P(IcmpEchoTest, DontFragmentAboveALinkMtuIsPacketTooBig)
{
    needChain();
    // Forget what an earlier run learnt of the path's MTU.
    chain().exec(0, {"ip", "route", "flush", "cache"});
    ASSERT_TRUE(chain().setLinkMtu(2, 1000));
    const std::string big(1200, 'm');
    const Echo fromRouter = echo(chain().target(), big, 64, IP_FLAG_DF);
    const Echo fragmented = echo(chain().target(), big, 64, 0);
    const Echo local = echo(chain().target(), std::string(2000, 'm'), 64, IP_FLAG_DF);
    chain().setLinkMtu(2, 1500);
    chain().exec(0, {"ip", "route", "flush", "cache"});

    EXPECT_EQ(fromRouter.result, 1u);
    EXPECT_EQ(fromRouter.status, IP_PACKET_TOO_BIG);
    EXPECT_EQ(fromRouter.from(), chain().router(1));
    EXPECT_EQ(fragmented.status, IP_SUCCESS) << "without DF the router fragments";
    EXPECT_EQ(fragmented.data, big);
    EXPECT_EQ(local.result, 0u) << "above this host's own link MTU nothing is sent";
    EXPECT_EQ(local.status, IP_PACKET_TOO_BIG);
}

INSTANTIATE_TEST_SUITE_P(SocketKinds, IcmpEchoTest, ::testing::Values(Kind::Datagram, Kind::Raw),
                         [](const ::testing::TestParamInfo<Kind>& info) {
                             return info.param == Kind::Datagram ? "Datagram" : "Raw";
                         });
