#include "net/WSocketTestSupport.h"

using namespace wsockettest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

int destroyed = 0;

struct CountedSocket : TWSocket {
    ~CountedSocket() override { ++destroyed; }
};

// Accepts one connection, sends the given number of bytes in small pieces, then waits for
// the end.
std::unique_ptr<Peer> talkativePeer(int bytes)
{
    return tcpPeer(R"(
try:
    for i in range()" + std::to_string(bytes / 1000) + R"():
        client.sendall(b"d" * 1000)
        time.sleep(0.001)
    client.recv(1)
except OSError:
    pass
)");
}

} // namespace

TEST(WSocketLifetime, ReleaseFreesASocketFromInsideItsOwnEvents)
{
    destroyed = 0;
    auto peer = talkativePeer(200000);
    // Given up by its owner: from Release on, the socket frees itself.
    auto* socket = new CountedSocket;
    int rounds = 0;
    socket->OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        char buffer[100];
        sender->Receive(buffer, sizeof buffer);
        if (++rounds == 3) {
            sender->Release();
            sender->Close();
        }
    };
    connectTo(*socket, std::to_string(peer->port));
    ASSERT_TRUE(pumpUntil([] { return destroyed == 1; }));
    pumpFor(200);
    EXPECT_EQ(rounds, 3);

    auto* closing = new CountedSocket;
    closing->OnSessionClosed = [](TCustomWSocket* sender, std::uint16_t) { sender->Release(); };
    connectTo(*closing, freePort());
    ASSERT_TRUE(pumpUntil([] { return destroyed == 2; }));
}

TEST(WSocketLifetime, ClosingInsideADataEventEndsTheSessionOnce)
{
    for (const bool delayed : {false, true}) {
        auto peer = talkativePeer(500000);
        TWSocket socket;
        EventLog log(socket, false);
        int rounds = 0;
        socket.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
            char buffer[10];
            sender->Receive(buffer, sizeof buffer);
            if (++rounds == 2) {
                if (delayed)
                    sender->CloseDelayed();
                else
                    sender->Close();
            }
        };
        connectTo(socket, std::to_string(peer->port));
        ASSERT_TRUE(pumpUntil([&] { return socket.State() == wsClosed; }));
        pumpFor(200);
        EXPECT_EQ(log.count("Closed(0)"), 1) << ::testing::PrintToString(log.events);
        EXPECT_EQ(log.events.back(), "Closed(0)");
    }
}

TEST(WSocketLifetime, AHandlerMayConnectAgainFromOnSessionClosed)
{
    auto peer = talkativePeer(3000);
    TWSocket socket;
    EventLog log(socket);
    const auto closed = socket.OnSessionClosed;
    socket.OnSessionClosed = [&](TCustomWSocket* sender, std::uint16_t error) {
        closed(sender, error);
        if (error == 10061)
            connectTo(*sender, std::to_string(peer->port));
    };
    connectTo(socket, freePort());
    ASSERT_TRUE(pumpUntil([&] { return log.data.size() == 3000; }));
    EXPECT_EQ(log.events.front(), "Connected(10061)");
    EXPECT_EQ(socket.State(), wsConnected);
    EXPECT_EQ(socket.Port(), std::to_string(peer->port));
    socket.Close();
    EXPECT_EQ(log.count("Closed(0)"), 1);
}

TEST(WSocketLifetime, ExceptionsFromHandlersReachOnBgExceptionWhichAbortsUnlessTold)
{
    for (const bool keep : {false, true}) {
        auto peer = talkativePeer(1000);
        TWSocket socket;
        std::vector<std::string> caught;
        socket.OnBgException = [&](TCustomWSocket*, const std::exception& E, bool& CanClose) {
            caught.push_back(E.what());
            CanClose = !keep;
        };
        socket.OnSessionConnected = [](TCustomWSocket*, std::uint16_t) {
            throw ESocketException("handler failed");
        };
        connectTo(socket, std::to_string(peer->port));
        ASSERT_TRUE(pumpUntil([&] { return !caught.empty(); }));
        EXPECT_EQ(caught, std::vector<std::string>{"handler failed"});
        EXPECT_EQ(socket.State(), keep ? wsConnected : wsClosed);

        platform::PostMessage(socket.Handle(), WM_TRIGGER_EXCEPTION, 0, 0);
        ASSERT_TRUE(pumpUntil([&] { return caught.size() == 2; }));
        EXPECT_EQ(caught[1], "Test exception in WSocket");
    }
}

TEST(WSocketLifetime, ADestroyedSocketCallsNoneOfItsOwnersHandlers)
{
    auto peer = talkativePeer(1000);
    std::vector<std::string> events;
    {
        TWSocket socket;
        socket.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t) { events.push_back("closed"); };
        socket.OnChangeState = [&](TCustomWSocket*, TSocketState, TSocketState s) {
            events.push_back("state " + std::to_string(s));
        };
        connectTo(socket, std::to_string(peer->port));
        ASSERT_TRUE(pumpUntil([&] { return socket.State() == wsConnected; }));
        events.clear();
    }
    pumpFor(100);
    EXPECT_TRUE(events.empty()) << ::testing::PrintToString(events);
}
