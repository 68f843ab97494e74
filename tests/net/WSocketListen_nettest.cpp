#include "net/WSocketTestSupport.h"

#include <arpa/inet.h>

using namespace wsockettest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

// A listener that hands every connection to a new socket with Dup.
struct Server {
    Server()
    {
        port = listenOnLoopback(listener);
        listener.OnSessionAvailable = [this](TCustomWSocket* sender, std::uint16_t error) {
            EXPECT_EQ(error, 0);
            auto client = std::make_unique<TWSocket>();
            logs.push_back(std::make_unique<EventLog>(*client));
            client->Dup(sender->Accept());
            clients.push_back(std::move(client));
        };
    }
    TWSocket listener;
    std::string port;
    std::vector<std::unique_ptr<EventLog>> logs;
    std::vector<std::unique_ptr<TWSocket>> clients;
};

// A Python program given the port as its argument.
std::unique_ptr<Peer> pythonWithPort(const std::string& script, const std::string& port)
{
    return Peer::python(script, {QString::fromStdString(port)});
}

} // namespace

TEST(WSocketListen, AcceptedConnectionsAreTakenOverWithDup)
{
    Server server;
    EXPECT_EQ(server.listener.State(), wsListening);
    auto client = pythonWithPort(R"(
import socket, sys
c = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=10)
c.sendall(b"hello\n")
reply = b""
while True:
    block = c.recv(100)
    if not block:
        break
    reply += block
print(reply.decode(), end="", flush=True)
)",
                                 server.port);
    ASSERT_TRUE(pumpUntil([&] { return !server.logs.empty() && server.logs[0]->data == "hello\n"; }));
    TWSocket& accepted = *server.clients[0];
    EXPECT_EQ(accepted.State(), wsConnected);
    EXPECT_EQ(accepted.PeerAddr(), "127.0.0.1");
    EXPECT_EQ(accepted.GetXPort(), server.port);
    accepted.SendStr("HELLO\n");
    ASSERT_TRUE(server.logs[0]->waitFor("DataSent(0)"));
    accepted.Close();
    EXPECT_EQ(client->output(), "HELLO\n");
    EXPECT_EQ(server.logs[0]->count("Closed(0)"), 1);

    // ncat reads what a second accepted connection sends before it closes.
    Peer ncat("ncat", {"--recv-only", "127.0.0.1", QString::fromStdString(server.port)});
    ASSERT_TRUE(pumpUntil([&] { return server.clients.size() == 2; }));
    const std::string greeting = randomBytes(300000, 4);
    server.clients[1]->Send(greeting.data(), static_cast<std::int32_t>(greeting.size()));
    server.clients[1]->OnDataSent = [](TCustomWSocket* sender, std::uint16_t) {
        if (sender->BufferedByteCount() == 0)
            sender->CloseDelayed();
    };
    ASSERT_TRUE(pumpUntil([&] { return server.clients[1]->State() == wsClosed; }));
    EXPECT_TRUE(ncat.output() == greeting);
}

TEST(WSocketListen, ASecondListenerOnTheSamePortIsRefusedWithAddressInUse)
{
    TWSocket first;
    const std::string port = listenOnLoopback(first);
    TWSocket second;
    second.SetAddr("127.0.0.1");
    second.SetRemotePort(port);
    EXPECT_EQ(raised([&] { second.Listen(); }), "Error 10048 in function Bind\r\nAddress already in use");
    EXPECT_EQ(second.State(), wsClosed);
    EXPECT_EQ(second.HSocket(), platform::INVALID_SOCKET);

    int errors = 0;
    second.OnError = [&](TCustomWSocket*) { ++errors; };
    second.Listen();
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(second.LastError(), 10048);

    // Once the first one is gone, the port is free again, even with a connection it served
    // still waiting out its time on our side.
    Server server;
    auto client = pythonWithPort(R"(
import socket, sys
c = socket.create_connection(("127.0.0.1", int(sys.argv[1])), timeout=10)
c.recv(1)
)",
                                 server.port);
    ASSERT_TRUE(pumpUntil([&] { return server.clients.size() == 1; }));
    server.clients[0]->Close();
    client->output();
    server.listener.Close();
    TWSocket again;
    again.SetAddr("127.0.0.1");
    again.SetRemotePort(server.port);
    again.Listen();
    EXPECT_EQ(again.State(), wsListening);
}

TEST(WSocketListen, WrongUsesOfAcceptAndDupAreReported)
{
    TWSocket socket;
    EXPECT_EQ(raised([&] { socket.Accept(); }), "Error 10022 in function not a listening socket\r\nInvalid argument");
    EXPECT_EQ(raised([&] { socket.Dup(platform::INVALID_SOCKET); }), "Error 10022 in function Dup\r\nInvalid argument");
    socket.OnError = [](TCustomWSocket*) {};
    EXPECT_EQ(socket.Accept(), platform::INVALID_SOCKET);
    EXPECT_EQ(socket.LastError(), 10022);
}

TEST(WSocketListen, AUdpConnectIsConnectedInsideTheCall)
{
    auto echo = Peer::python(R"(
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("127.0.0.1", 0))
print(s.getsockname()[1], flush=True)
s.settimeout(10)
data, sender = s.recvfrom(2000)
s.sendto(data.upper(), sender)
)");
    TWSocket socket;
    EventLog log(socket);
    connectTo(socket, std::to_string(echo->port), "udp");
    EXPECT_EQ(log.events, std::vector<std::string>{"Connected(0)"}) << "fired inside Connect";
    EXPECT_EQ(socket.State(), wsConnected);
    EXPECT_NE(socket.LocalPort(), "0") << "bound, with the port it got";
    EXPECT_EQ(socket.SendStr("datagram"), 8);
    ASSERT_TRUE(pumpUntil([&] { return log.data == "DATAGRAM"; }));
}

TEST(WSocketListen, AUdpListenerIsConnectedByItsFirstDatagramAndReceivesTheRest)
{
    TWSocket socket;
    std::vector<std::uint16_t> connected;
    std::vector<TSocketState> statesAtData;
    socket.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t error) { connected.push_back(error); };
    std::string from;
    std::string received;
    socket.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        char buffer[2000];
        sockaddr_in address{};
        socklen_t length = sizeof address;
        const std::int32_t n = sender->ReceiveFrom(buffer, sizeof buffer, address, length);
        if (n > 0) {
            received.append(buffer, static_cast<std::size_t>(n));
            from = inet_ntoa(address.sin_addr);
            statesAtData.push_back(sender->State());
        }
    };
    const std::string port = listenOnLoopback(socket, "udp");
    EXPECT_EQ(socket.State(), wsListening);
    auto sender = pythonWithPort(R"(
import socket, sys
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.sendto(b"one", ("127.0.0.1", int(sys.argv[1])))
s.sendto(b"two", ("127.0.0.1", int(sys.argv[1])))
)",
                                 port);
    ASSERT_TRUE(pumpUntil([&] { return received == "onetwo"; }));
    EXPECT_EQ(from, "127.0.0.1");
    EXPECT_EQ(connected, std::vector<std::uint16_t>{0}) << "once, before the first datagram is offered";
    EXPECT_EQ(statesAtData, (std::vector<TSocketState>{wsConnected, wsConnected}));
    EXPECT_EQ(socket.ReadCount(), 6);
}
