// The SOCKS client byte for byte against scripted servers.

#include "net/WSocketTestSupport.h"

using namespace wsockettest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

// Exposes where the server says it connected from.
struct SocksSocket : TWSocket {
    using TCustomSocksWSocket::BoundAddr;
    using TCustomSocksWSocket::BoundPort;
};

// The socket's events with the SOCKS ones among them; the negotiation's own sends are left out.
struct SocksLog : EventLog {
    explicit SocksLog(TWSocket& socket) : EventLog(socket)
    {
        socket.OnDataSent = nullptr;
        socket.OnSocksError = [this](TCustomWSocket*, std::int32_t e, const std::string& text) {
            add("SocksError", e);
            errorText = text;
        };
        socket.OnSocksAuthState = [this](TCustomWSocket*, TSocksAuthState s) { add("Auth", s); };
        socket.OnSocksConnected = [this](TCustomWSocket*, std::uint16_t e) { add("SocksConnected", e); };
    }
    std::string errorText;
};

// A SOCKS server played by a script: take(n) reads exactly n bytes and prints them in hex,
// play(hex, split) sends bytes, one per packet when split.
std::unique_ptr<Peer> scriptedServer(const std::string& script)
{
    return tcpPeer(R"(
client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
def take(n):
    data = b""
    while len(data) < n:
        block = client.recv(n - len(data))
        if not block:
            break
        data += block
    print(data.hex(), flush=True)
def play(text, split=False):
    data = bytes.fromhex(text)
    if not split:
        client.sendall(data)
        return
    for i in range(len(data)):
        client.sendall(data[i:i + 1])
        time.sleep(0.005)
)" + script + R"(
try:
    client.recv(1)
except OSError:
    pass
)");
}

std::string hex(const std::string& bytes)
{
    return QByteArray::fromStdString(bytes).toHex().toStdString();
}

void throughServer(TWSocket& socket, std::uint16_t serverPort, const std::string& level, const std::string& host)
{
    socket.SetSocksServer("127.0.0.1");
    socket.SetSocksPort(std::to_string(serverPort));
    socket.SetSocksLevel(level);
    socket.SetAddr(host);
    socket.SetRemotePort("80");
    socket.Connect();
}

const std::string connectRequest = "0501000307" + hex("example") + "0050";

} // namespace

TEST(WSocketSocks, Socks5SendsTheExactRequestsAndHandsOnDataThatCameWithTheReply)
{
    for (const bool split : {false, true}) {
        auto server = scriptedServer(R"(
take(3)
play("0500", )" + std::string(split ? "True" : "False") + R"()
take(14)
play("050000017f0000010050" + b"first".hex(), )" + (split ? "True" : "False") + R"()
time.sleep(0.2)
play(b" second".hex())
)");
        SocksSocket socket;
        SocksLog log(socket);
        throughServer(socket, server->port, "5", "example");
        ASSERT_TRUE(pumpUntil([&] { return log.data == "first second"; })) << log.data;
        EXPECT_EQ(log.events, (std::vector<std::string>{"SocksConnected(0)", "Connected(0)"}));
        EXPECT_EQ(socket.BoundAddr(), "127.0.0.1");
        EXPECT_EQ(socket.BoundPort(), "80");
        socket.Close();
        EXPECT_EQ(server->output(), "050100\n" + connectRequest + "\n");
    }
}

TEST(WSocketSocks, Socks4AndSocks4ASendTheirRequestsAndMapTheStatus)
{
    auto named = scriptedServer(R"(
take(17)
play("005a000000000000")
)");
    TWSocket socket;
    SocksLog log(socket);
    throughServer(socket, named->port, "4a", "example");
    EXPECT_EQ(socket.SocksLevel(), "4A");
    ASSERT_TRUE(log.waitFor("Connected(0)"));
    socket.Close();
    EXPECT_EQ(named->output(), "0401005000000001" "00" + hex("example") + "00\n");

    auto refusing = scriptedServer(R"(
take(9)
play("005b000000000000")
)");
    SocksLog refused(socket);
    throughServer(socket, refusing->port, "4", "127.0.0.1");
    ASSERT_TRUE(refused.waitFor("Closed(20016)"));
    EXPECT_EQ(refused.events,
              (std::vector<std::string>{"SocksConnected(0)", "SocksError(20016)", "Connected(20016)", "Closed(20016)"}));
    EXPECT_EQ(refused.errorText, "request rejected or failed");
    EXPECT_EQ(refusing->output(), "040100507f00000100\n");
}

TEST(WSocketSocks, RefusalsEndWithTheErrorThreeTimes)
{
    auto noMethod = scriptedServer(R"(
take(3)
play("05ff")
)");
    TWSocket socket;
    SocksLog log(socket);
    throughServer(socket, noMethod->port, "5", "example");
    ASSERT_TRUE(log.waitFor("Closed(20003)"));
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"SocksConnected(0)", "SocksError(20003)", "Connected(20003)", "Closed(20003)"}));
    EXPECT_EQ(log.errorText, "authentification method not acceptable");
    EXPECT_EQ(socket.State(), wsClosed);
    EXPECT_EQ(socket.SocksServer(), "") << "every close forgets the server";

    auto badPassword = scriptedServer(R"(
take(3)
play("0502")
take(5)
play("0101")
)");
    SocksLog refused(socket);
    socket.SocksAuthentication = socksAuthenticateUsercode;
    socket.SocksUsercode = "u";
    socket.SocksPassword = "p";
    throughServer(socket, badPassword->port, "5", "example");
    ASSERT_TRUE(refused.waitFor("Closed(20015)"));
    EXPECT_EQ(refused.events, (std::vector<std::string>{"SocksConnected(0)", "Auth(0)", "Auth(2)", "SocksError(20015)",
                                                        "Connected(20015)", "Closed(20015)"}));
    EXPECT_EQ(badPassword->output(), "050102\n" + hex("\x01\x01u\x01p") + "\n");

    auto hangsUp = scriptedServer(R"(
take(3)
play("0502")
take(5)
client.close()
)");
    SocksLog dropped(socket);
    throughServer(socket, hangsUp->port, "5", "example");
    ASSERT_TRUE(dropped.waitFor("Closed(0)"));
    EXPECT_TRUE(dropped.has("Auth(2)")) << "the session closed during authentication";
}

TEST(WSocketSocks, LongAndUnusualRepliesComplete)
{
    const std::string name(255, 'n');
    auto longName = scriptedServer(R"(
take(3)
play("0500")
take(14)
play("05000003ff" + b")" + name + R"(".hex() + "1f90" + b"tail".hex())
)");
    SocksSocket socket;
    SocksLog log(socket);
    throughServer(socket, longName->port, "5", "example");
    ASSERT_TRUE(pumpUntil([&] { return log.data == "tail"; })) << log.data;
    EXPECT_EQ(socket.BoundAddr(), name);
    EXPECT_EQ(socket.BoundPort(), "8080");
    socket.Close();

    auto overIpv6 = scriptedServer(R"(
take(3)
play("0500")
take(14)
play("05000004" + "00" * 15 + "01" + "0050")
)");
    SocksLog viaIpv6(socket);
    throughServer(socket, overIpv6->port, "5", "example");
    ASSERT_TRUE(viaIpv6.waitFor("Connected(0)"));
    EXPECT_EQ(socket.BoundAddr(), "::1");
}

TEST(WSocketSocks, FieldsTooLongForTheRequestAreRefusedBeforeAnythingIsSent)
{
    auto watcher = Peer::python(R"(
import socket
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(1)
print(server.getsockname()[1], flush=True)
server.settimeout(1)
try:
    server.accept()
    print("connected")
except socket.timeout:
    print("nobody")
)");
    TWSocket socket;
    socket.SocksUsercode = std::string(120, 'u');
    EXPECT_NE(raised([&] { throughServer(socket, watcher->port, "4", "127.0.0.1"); }), "");
    socket.SocksUsercode = "user";
    socket.SocksPassword = std::string(122, 'p');
    socket.SocksAuthentication = socksAuthenticateUsercode;
    EXPECT_NE(raised([&] { throughServer(socket, watcher->port, "5", "example"); }), "");
    socket.SocksPassword.clear();
    EXPECT_NE(raised([&] { throughServer(socket, watcher->port, "5", std::string(122, 'h')); }), "");
    EXPECT_EQ(socket.State(), wsClosed);
    EXPECT_EQ(watcher->output(), "nobody\n");
}

TEST(WSocketSocks, SettingsAreCheckedAndListeningIsRefused)
{
    TWSocket socket;
    EXPECT_EQ(raised([&] { socket.SetSocksLevel("6"); }), "Invalid socks level. Must be 4, 4A or 5.");
    socket.SetSocksServer(" 127.0.0.1 ");
    EXPECT_EQ(socket.SocksServer(), "127.0.0.1");
    socket.SetAddr("127.0.0.1");
    socket.SetRemotePort("0");
    EXPECT_EQ(raised([&] { socket.Listen(); }), "Listening is not supported thru socks server");
    socket.SetProto("udp");
    EXPECT_EQ(raised([&] { socket.Connect(); }), "tcp is the only protocol supported thru socks server");
}
