#include "net/WSocketHelpers.h"
#include "net/WSocketLoader.h"
#include "net/WSocketTestSupport.h"

using namespace sockettest;
using wsockettest::raised;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

} // namespace

TEST(WSocketResolve, NamesComeFromTheHostsFileAndUnknownOnesRaise)
{
    ASSERT_TRUE(insideNamespace);
    EXPECT_EQ(dotted(WSocketResolveHost("peer.pelvaxon.test")), "127.0.0.2");
    EXPECT_EQ(dotted(WSocketResolveHost("localhost ")), "127.0.0.1");
    EXPECT_EQ(raised([] { WSocketResolveHost("nowhere.pelvaxon.invalid"); }),
              "WSocketResolveHost: Cannot convert host address 'nowhere.pelvaxon.invalid', Error #11001");
    EXPECT_EQ(WSocketResolveIp("127.0.0.1"), "localhost");
    EXPECT_EQ(WSocketResolveIp("10.1.2.3"), "");
    const auto entry = WSocketGetHostByName("peer.pelvaxon.test");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->addresses.size(), 2u);
}

TEST(WSocketResolve, TheLocalListComesFromInterfacesNotTheHostName)
{
    // The namespace's host name maps to 127.0.1.1, which is never offered.
    EXPECT_EQ(LocalHostName(), "pelvaxon-netns");
    EXPECT_EQ(LocalIPList(), std::vector<std::string>{"127.0.0.1"});
}

TEST(WSocketResolve, APortInUseReadsAsTheBindFailureUsersSee)
{
    const std::uint16_t busy = freePort();
    Peer holder("ncat", {"-l", "127.0.0.1", QString::number(busy), "--keep-open"});
    ASSERT_TRUE(listening(busy));
    const platform::SOCKET s = WSocket_socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in address = loopback(busy);
    EXPECT_EQ(WSocket_bind(s, asAddress(address), sizeof address), platform::SOCKET_ERROR);
    EXPECT_EQ(WSocketErrorText(WSocket_WSAGetLastError(), "Bind"),
              "Error 10048 in function Bind\r\nAddress already in use");
    WSocket_closesocket(s);
}
