#include "net/WSocketTestSupport.h"

using namespace wsockettest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

std::string expectedPattern(int bytes)
{
    std::string pattern(static_cast<std::size_t>(bytes), '\0');
    for (int i = 0; i < bytes; ++i)
        pattern[static_cast<std::size_t>(i)] = static_cast<char>(i % 251);
    return pattern;
}

// Connects once the peer listens (a peer that cannot tell when it is ready).
bool connectWhenListening(TWSocket& socket, EventLog& log, const std::string& port)
{
    for (int attempt = 0; attempt < 50; ++attempt) {
        log.events.clear();
        connectTo(socket, port);
        if (!pumpUntil([&] { return log.has("Connected(0)") || log.has("Closed(10061)"); }))
            return false;
        if (log.has("Connected(0)"))
            return true;
        pumpFor(100);
    }
    return false;
}

} // namespace

TEST(WSocketConnect, EchoThroughSocatIsByteExactWithSendsThatBlock)
{
    const std::string port = freePort();
    // With small buffers at both ends the system cannot hold 8 MiB, as nothing reads the
    // echo while the pieces are sent.
    const std::string buffers =
        ",rcvbuf=" + std::to_string(smallSystemBuffer) + ",sndbuf=" + std::to_string(smallSystemBuffer);
    Peer socat("socat",
               {QString::fromStdString("TCP-LISTEN:" + port + ",bind=127.0.0.1,reuseaddr" + buffers), "EXEC:cat"});
    TWSocket socket;
    EventLog log(socket);
    ASSERT_TRUE(connectWhenListening(socket, log, port));
    capSystemBuffers(socket);

    const std::string data = randomBytes(8 << 20, 11);
    sendInPieces(socket, data, 5);
    EXPECT_GT(socket.BufferedByteCount(), 0);
    ASSERT_TRUE(pumpUntil([&] { return log.data.size() >= data.size(); }, 60000)) << log.data.size();
    EXPECT_EQ(log.data.size(), data.size());
    EXPECT_TRUE(log.data == data);
    EXPECT_EQ(socket.ReadCount(), static_cast<std::int64_t>(data.size()));
}

TEST(WSocketConnect, DataSentComesFromTheLoopOnceTheQueueHasDrained)
{
    auto sink = sinkPeer();
    TWSocket socket;
    EventLog log(socket);
    connectAndWait(socket, log, sink->port);
    pumpFor(100); // the notice that the new connection can send
    log.events.clear();

    std::vector<std::int64_t> queuedAtDataSent;
    std::int64_t handed = 0;
    socket.OnSendData = [&](TCustomWSocket*, std::int32_t bytes) { handed += bytes; };
    socket.OnDataSent = [&](TCustomWSocket* sender, std::uint16_t) {
        queuedAtDataSent.push_back(sender->BufferedByteCount());
    };
    EXPECT_EQ(socket.SendStr("abc"), 3);
    EXPECT_TRUE(queuedAtDataSent.empty()) << "never inside Send";
    ASSERT_TRUE(pumpUntil([&] { return !queuedAtDataSent.empty(); }));

    const std::string big = randomBytes(16 << 20, 3);
    EXPECT_EQ(socket.Send(big.data(), static_cast<std::int32_t>(big.size())), static_cast<std::int32_t>(big.size()));
    EXPECT_EQ(queuedAtDataSent.size(), 1u);
    ASSERT_TRUE(pumpUntil([&] { return queuedAtDataSent.size() == 2; }, 60000));
    pumpFor(200);
    EXPECT_EQ(queuedAtDataSent, (std::vector<std::int64_t>{0, 0})) << "once per drained queue";
    EXPECT_EQ(handed, static_cast<std::int64_t>(big.size() + 3));

    // Sends that each go out at once before the loop runs drain as one queue: one notice waits
    // in the event queue, not one per send.
    const std::string pieces(1000, 'x');
    for (const char piece : pieces)
        socket.SendStr(std::string(1, piece));
    ASSERT_TRUE(pumpUntil([&] { return queuedAtDataSent.size() == 3; }));
    pumpFor(200);
    EXPECT_EQ(queuedAtDataSent.size(), 3u);

    socket.Close();
    EXPECT_EQ(sink->output(), "16778219 " + md5Hex("abc" + big + pieces) + " eof\n");
}

TEST(WSocketConnect, CloseIsGracefulAndAbortResets)
{
    for (const bool abort : {false, true}) {
        // The peer waits before reading, so the data is still in flight when we end.
        auto sink = sinkPeer("time.sleep(0.5)\n");
        TWSocket socket;
        EventLog log(socket);
        connectAndWait(socket, log, sink->port);
        const std::string data = randomBytes(1 << 20, 9);
        socket.OnDataSent = [&](TCustomWSocket* sender, std::uint16_t) {
            if (sender->BufferedByteCount() == 0 && sender->State() == wsConnected && !log.has("Sent"))
                log.add("Sent", 0);
        };
        socket.Send(data.data(), static_cast<std::int32_t>(data.size()));
        ASSERT_TRUE(log.waitFor("Sent(0)", 30000));
        if (abort)
            socket.Abort();
        else
            socket.Close();
        EXPECT_EQ(socket.State(), wsClosed);
        EXPECT_EQ(log.count("Closed(0)"), 1);
        const std::string result = sink->output();
        if (abort)
            EXPECT_NE(result.find("reset"), std::string::npos) << result;
        else
            EXPECT_EQ(result, "1048576 " + md5Hex(data) + " eof\n");
    }
}

TEST(WSocketConnect, APeerThatClosesHasEveryByteDeliveredFirstWithOrWithoutTheReceiveLoop)
{
    for (const bool noLoop : {false, true}) {
        auto peer = sendingPeer(1 << 20, false);
        TWSocket socket;
        if (noLoop)
            socket.ComponentOptions = {wsoNoReceiveLoop};
        EventLog log(socket);
        std::size_t receivedAtClose = 0;
        socket.OnSessionClosed = [&](TCustomWSocket*, std::uint16_t e) {
            receivedAtClose = log.data.size();
            log.add("Closed", e);
        };
        connectAndWait(socket, log, peer->port);
        ASSERT_TRUE(log.waitFor("Closed(0)", 20000));
        EXPECT_EQ(receivedAtClose, std::size_t{1} << 20);
        EXPECT_TRUE(log.data == expectedPattern(1 << 20));
        EXPECT_EQ(socket.State(), wsClosed);
        pumpFor(100);
        EXPECT_EQ(log.count("Closed(0)"), 1);
    }
}

TEST(WSocketConnect, APeerResetEndsTheSessionOnceWithItsError)
{
    auto peer = sendingPeer(1000, true);
    TWSocket socket;
    EventLog log(socket, false);
    connectAndWait(socket, log, peer->port);
    ASSERT_TRUE(pumpUntil([&] { return socket.State() == wsClosed; }));
    pumpFor(200);
    EXPECT_EQ(log.count("Closed(10054)"), 1) << ::testing::PrintToString(log.events);
    EXPECT_EQ(log.count("Closed(0)"), 0);
}

TEST(WSocketConnect, WithoutADataHandlerIncomingBytesAreReadAndDropped)
{
    auto peer = sendingPeer(5000, false);
    TWSocket socket;
    EventLog log(socket, false);
    connectAndWait(socket, log, peer->port);
    ASSERT_TRUE(log.waitFor("Closed(0)"));
    EXPECT_EQ(socket.ReadCount(), 0);
}

TEST(WSocketConnect, ARefusedConnectReportsItsErrorToBothEventsAndForgetsTheAddress)
{
    TWSocket socket;
    EventLog log(socket, false);
    connectTo(socket, freePort());
    EXPECT_EQ(socket.State(), wsConnecting);
    ASSERT_TRUE(log.waitFor("Closed(10061)"));
    EXPECT_EQ(log.events, (std::vector<std::string>{"Connected(10061)", "Closed(10061)"}));
    EXPECT_EQ(log.states, (std::vector<TSocketState>{wsOpened, wsConnecting, wsConnected, wsClosed}));
    EXPECT_EQ(socket.Proto(), "tcp");
    EXPECT_EQ(raised([&] { socket.Connect(); }), "Connect: No Port Specified");
}

TEST(WSocketConnect, FailuresGoToOnErrorWhenAssignedAndRaiseOtherwise)
{
    TWSocket socket;
    EXPECT_EQ(raised([&] { socket.SendStr("x"); }), "Error 10057 in function Send\r\nSocket is not connected");
    int errors = 0;
    socket.OnError = [&](TCustomWSocket*) { ++errors; };
    EXPECT_EQ(socket.SendStr("x"), -1);
    EXPECT_EQ(errors, 1);
    EXPECT_EQ(socket.LastError(), 10057);
    EXPECT_EQ(socket.SendStr(""), 0);

    socket.SetAddr("256.1.1.1");
    socket.SetRemotePort("80");
    socket.Connect();
    EXPECT_EQ(errors, 2) << "an address that does not resolve";
    EXPECT_EQ(socket.State(), wsClosed);
}

TEST(WSocketConnect, RemoteSettingsChangeOnlyWhileClosed)
{
    auto sink = sinkPeer();
    TWSocket socket;
    EventLog log(socket, false);
    const std::string port = std::to_string(sink->port);
    socket.SetAddr("  127.0.0.1 ");
    EXPECT_EQ(socket.Addr(), "127.0.0.1");
    connectAndWait(socket, log, sink->port);
    socket.SetRemotePort(port);
    socket.SetAddr("127.0.0.1");
    for (const auto& change : std::vector<std::pair<std::string, std::function<void()>>>{
             {"Cannot change Port if not closed", [&] { socket.SetRemotePort("1"); }},
             {"Cannot change Addr if not closed", [&] { socket.SetAddr("127.0.0.2"); }},
             {"Cannot change Proto if not closed", [&] { socket.SetProto("udp"); }},
             {"Cannot change LocalPort if not closed", [&] { socket.SetLocalPort("1"); }},
             {"Cannot change LocalAddr if not closed", [&] { socket.SetLocalAddr("127.0.0.1"); }}})
        EXPECT_EQ(raised(change.second), change.first);
    EXPECT_EQ(socket.PeerAddr(), "127.0.0.1");
    EXPECT_EQ(socket.PeerPort(), port);
    EXPECT_EQ(socket.GetXAddr(), "127.0.0.1");
    socket.Close();
    EXPECT_EQ(socket.PeerAddr(), "error");
    EXPECT_EQ(socket.GetXPort(), "error");
}

TEST(WSocketConnect, TheQueueRefusesDataBeyondItsLimitWholeAndTellsTheOwner)
{
    // The peer accepts and never reads.
    auto peer = tcpPeer(R"(
time.sleep(30)
)");
    TWSocket socket;
    EventLog log(socket, false);
    connectAndWait(socket, log, peer->port);
    socket.SendBufferLimit = 1 << 20;
    socket.OnError = [](TCustomWSocket*) {};
    const std::string block(64 * 1024, 'b');
    std::int32_t result = 0;
    int sends = 0;
    while (result >= 0 && sends < 10000) {
        result = socket.Send(block.data(), static_cast<std::int32_t>(block.size()));
        ++sends;
        if (result >= 0)
            pumpFor(1);
    }
    EXPECT_EQ(result, -1) << "the limit is reached once the system buffers are full";
    EXPECT_EQ(socket.LastError(), 10055);
    EXPECT_LE(socket.BufferedByteCount(), 1 << 20);
    EXPECT_GT(socket.BufferedByteCount(), (1 << 20) - 65536);
    EXPECT_EQ(socket.State(), wsConnected) << "the connection goes on";
}
