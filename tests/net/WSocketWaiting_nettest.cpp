// The calls that wait for the network while serving messages, and pausing notices.

#include "net/WSocketTestSupport.h"

using namespace wsockettest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

} // namespace

TEST(WSocketWaiting, FlushHandsTheWholeQueueToTheSystemBeforeItReturns)
{
    // Small buffers and a peer that reads nothing yet: the system cannot take 6 MiB.
    auto sink = sinkPeer(heldUntilTold);
    TWSocket socket;
    EventLog log(socket, false);
    connectAndWait(socket, log, sink->port);
    capSystemBuffers(socket);
    const std::string data = randomBytes(6 << 20, 21);
    socket.Send(data.data(), static_cast<std::int32_t>(data.size()));
    ASSERT_GT(socket.BufferedByteCount(), 0);
    sink->tell("read");
    socket.Flush();
    EXPECT_EQ(socket.BufferedByteCount(), 0);
    socket.Close();
    EXPECT_EQ(sink->output(), std::to_string(data.size()) + " " + md5Hex(data) + " eof\n");
}

TEST(WSocketWaiting, WaitForCloseServesDataUntilThePeerHasGone)
{
    auto peer = tcpPeer(R"(
for i in range(5):
    client.sendall(b"%d" % i)
    time.sleep(0.05)
client.close()
)");
    TWSocket socket;
    EventLog log(socket);
    connectAndWait(socket, log, peer->port);
    socket.WaitForClose();
    EXPECT_EQ(log.data, "01234");
    // The end itself is reported from the message loop, as every end is.
    ASSERT_TRUE(log.waitFor("Closed(0)"));
    EXPECT_EQ(socket.State(), wsClosed);
    pumpFor(100);
    EXPECT_EQ(log.count("Closed(0)"), 1);
}

TEST(WSocketWaiting, APausedSocketHearsNothingUntilResumed)
{
    auto peer = tcpPeer(R"(
client.recv(1)
client.sendall(b"late news")
client.recv(1)
)");
    TWSocket socket;
    EventLog log(socket);
    connectAndWait(socket, log, peer->port);
    socket.Pause();
    socket.SendStr("!");
    pumpFor(300);
    EXPECT_TRUE(log.data.empty());
    socket.Resume();
    ASSERT_TRUE(pumpUntil([&] { return log.data == "late news"; }));
    socket.Close();
}
