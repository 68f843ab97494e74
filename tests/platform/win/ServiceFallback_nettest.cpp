#include "support/NetnsFixture.h"
#include "support/SocketTestSupport.h"

using namespace platform;

namespace {

// Inside, the services and protocols files are empty, as on a minimal system.
const bool insideNamespace = netnstest::enterNetworkNamespace({"--no-services"});
const auto* const started = ::testing::AddGlobalTestEnvironment(new sockettest::Started);

} // namespace

TEST(ServiceNames, TheProgramsOwnNamesResolveWithoutTheSystemFiles)
{
    ASSERT_TRUE(insideNamespace);
    const std::pair<const char*, int> services[] = {{"ftp", 21}, {"ftp-data", 20}, {"http", 80}, {"socks", 1080}};
    for (const auto& [name, port] : services) {
        const auto entry = getservbyname(name, "tcp");
        ASSERT_TRUE(entry) << name;
        EXPECT_EQ(ntohs(entry->port), port) << name;
    }
    EXPECT_TRUE(getservbyname("ftp", ""));
    EXPECT_FALSE(getservbyname("ftp", "udp"));
    EXPECT_FALSE(getservbyname("gopher", "tcp"));
    EXPECT_EQ(WSAGetLastError(), WSANO_DATA);
    EXPECT_EQ(getprotobyname("tcp")->number, 6);
    EXPECT_FALSE(getprotobyname("sctp"));
}
