// Line mode, ReadLine and handing a socket to another thread, with senders that control how
// the bytes are split.

#include "net/WSocketTestSupport.h"

#include <QThread>

#include <ctime>

using namespace wsockettest;

namespace {

const bool insideNamespace = netnstest::enterNetworkNamespace();

// A peer that sends each piece when a byte from us asks for it, then waits for one byte (or
// the end) before it closes.
std::unique_ptr<Peer> splittingPeer(const std::vector<std::string>& pieces)
{
    std::string script = "client.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)\n";
    for (const std::string& piece : pieces)
        script += "client.recv(1)\nclient.sendall(bytes.fromhex(\""
                  + QByteArray::fromStdString(piece).toHex().toStdString() + "\"))\n";
    return tcpPeer(script + "client.recv(1)\n");
}

unsigned long unreadBytes(const TWSocket& socket)
{
    unsigned long count = 0;
    EXPECT_EQ(platform::ioctlsocket(socket.HSocket(), FIONREAD, &count), 0);
    return count;
}

// Has the splitting peer send its pieces and the socket read each one whole before the next
// comes (paused, the socket leaves it to the system until all of it is there), so that
// however slow the machine, the reads end exactly where the pieces do.
void receivePieces(TWSocket& socket, const std::vector<std::string>& pieces)
{
    for (const std::string& piece : pieces) {
        socket.Pause();
        socket.SendStr("!");
        ASSERT_TRUE(pumpUntil([&] { return unreadBytes(socket) == piece.size(); })) << piece;
        socket.Resume();
        ASSERT_TRUE(pumpUntil([&] { return unreadBytes(socket) == 0; })) << piece;
    }
}

// The lines (or raw pieces) the owner was handed, one entry per OnDataAvailable.
struct Lines {
    explicit Lines(TWSocket& socket)
    {
        socket.OnDataAvailable = [this](TCustomWSocket* sender, std::uint16_t) {
            const std::string piece = sender->ReceiveStr();
            if (!piece.empty())
                got.push_back(piece);
        };
    }
    std::vector<std::string> got;
};

void connectInLineMode(TWSocket& socket, std::uint16_t port)
{
    EventLog log(socket, false);
    socket.SetLineMode(true);
    connectAndWait(socket, log, port);
    socket.OnSessionConnected = nullptr;
    socket.OnSessionClosed = nullptr;
    socket.OnDataSent = nullptr;
    socket.OnChangeState = nullptr;
    socket.OnSessionAvailable = nullptr;
    socket.OnDnsLookupDone = nullptr;
}

double cpuSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

} // namespace

TEST(WSocketLine, LinesAreHandedOutWholeWhateverTheSplits)
{
    const std::vector<std::string> pieces{"ab\r\ncd", "ef\r", "\n", "xxxxxxxxxxx", "ok\r\n"};
    auto peer = splittingPeer(pieces);
    TWSocket socket;
    socket.LineLimit = 10;
    std::vector<std::int32_t> limits;
    socket.OnLineLimitExceeded = [&](TCustomWSocket*, std::int32_t count, bool&) { limits.push_back(count); };
    Lines lines(socket);
    connectInLineMode(socket, peer->port);
    receivePieces(socket, pieces);
    ASSERT_TRUE(pumpUntil([&] { return lines.got.size() == 3; }));
    EXPECT_EQ(lines.got, (std::vector<std::string>{"ab\r\n", "cdef\r\n", "ok\r\n"}));
    EXPECT_EQ(limits, std::vector<std::int32_t>{11}) << "the eleven bytes without a line end were dropped";
}

TEST(WSocketLine, SwitchingLineModeOffHandsTheRestOnRawAndInOrder)
{
    const std::vector<std::string> pieces{"one\r\ntwo\r\nthree", "four"};
    auto peer = splittingPeer(pieces);
    TWSocket socket;
    std::string first;
    std::string raw;
    socket.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        auto* line = static_cast<TWSocket*>(sender);
        char buffer[100];
        if (first.empty()) {
            first.assign(buffer, static_cast<std::size_t>(sender->Receive(buffer, 2)));
            line->SetLineMode(false);
            return;
        }
        const std::int32_t n = sender->Receive(buffer, sizeof buffer);
        if (n > 0)
            raw.append(buffer, static_cast<std::size_t>(n));
    };
    connectInLineMode(socket, peer->port);
    receivePieces(socket, pieces);
    ASSERT_TRUE(pumpUntil([&] { return raw.size() >= 17; }));
    EXPECT_EQ(first, "on");
    EXPECT_EQ(raw, "e\r\ntwo\r\nthreefour");

    // Switched off while the last bytes are handed on as the peer hangs up: the rest still
    // comes, raw, before the socket is closed.
    auto closing = tcpPeer("client.sendall(b'no line end')\nclient.close()\n");
    TWSocket last;
    std::string taken;
    last.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        char buffer[100];
        const std::int32_t n = sender->Receive(buffer, taken.empty() ? 2 : sizeof buffer);
        if (n > 0)
            taken.append(buffer, static_cast<std::size_t>(n));
        static_cast<TWSocket*>(sender)->SetLineMode(false);
    };
    connectInLineMode(last, closing->port);
    ASSERT_TRUE(pumpUntil([&] { return last.State() == wsClosed; }));
    EXPECT_EQ(taken, "no line end");
}

TEST(WSocketLine, AnOwnerThatDoesNotReadKeepsItsLinesAndCostsNothing)
{
    auto peer = tcpPeer(R"(
client.sendall(b"a\r\nb\r\n")
client.recv(1)
client.sendall(b"c\r\n")
client.recv(1)
)");
    TWSocket socket;
    int offers = 0;
    bool reading = false;
    std::vector<std::string> lines;
    socket.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        ++offers;
        if (reading)
            lines.push_back(sender->ReceiveStr());
    };
    connectInLineMode(socket, peer->port);
    ASSERT_TRUE(pumpUntil([&] { return offers > 0; }));
    const double cpuBefore = cpuSeconds();
    pumpFor(500);
    EXPECT_LT(cpuSeconds() - cpuBefore, 0.25);
    EXPECT_LT(offers, 10);

    reading = true;
    socket.SendStr("!");
    ASSERT_TRUE(pumpUntil([&] { return lines.size() == 3; }));
    EXPECT_EQ(lines, (std::vector<std::string>{"a\r\n", "b\r\n", "c\r\n"}));
}

TEST(WSocketLine, EditingAndEchoServeATerminalUser)
{
    auto peer = tcpPeer(R"(
client.sendall(b"ab\x08c\td\r\n")
echo = b""
while not echo.endswith(b"\r\n"):
    echo += client.recv(100)
print(echo.hex(), flush=True)
)");
    TWSocket socket;
    socket.LineEdit = true;
    socket.LineEcho = true;
    Lines lines(socket);
    connectInLineMode(socket, peer->port);
    ASSERT_TRUE(pumpUntil([&] { return lines.got.size() == 1; }));
    EXPECT_EQ(lines.got[0], "ac      d\r\n");
    EXPECT_EQ(peer->output(), QByteArray("ab\b \bc      d\r\n").toHex().toStdString() + "\n");
    EXPECT_EQ(socket.SendLine("bye"), 5);
}

TEST(WSocketLine, BackspacesReachingIntoEarlierBytesLeaveTheLineEndFound)
{
    // The second read rubs out most of the first; its line end then stands where the first
    // read's bytes were, before any place a search from the new bytes would begin.
    const std::vector<std::string> pieces{"abcdefgh", "\b\b\b\b\b\b\r\nxyz", "\r\n"};
    auto peer = splittingPeer(pieces);
    TWSocket socket;
    socket.LineEdit = true;
    Lines lines(socket);
    connectInLineMode(socket, peer->port);
    receivePieces(socket, pieces);
    ASSERT_TRUE(pumpUntil([&] { return lines.got.size() == 2; }));
    EXPECT_EQ(lines.got, (std::vector<std::string>{"ab\r\n", "xyz\r\n"}));
}

TEST(WSocketLine, ReadLineWaitsForOneLineOrGivesThePartOnTimeOut)
{
    auto peer = tcpPeer(R"(
client.recv(1)
client.sendall(b"line\r\nnext\r\npart")
client.recv(1)
client.sendall(b"raw")
client.recv(1)
)");
    TWSocket socket;
    EventLog log(socket);
    connectAndWait(socket, log, peer->port);
    socket.SendStr("!");
    std::string line;
    // Generous on a loaded machine, yet far short of the 30 s a missed line would take.
    constexpr qint64 wellBeforeATimeout = 10000;
    QElapsedTimer clock;
    clock.start();
    socket.ReadLine(30, line);
    EXPECT_EQ(line, "line\r\n");
    // The second line came with the first and waits in the buffer.
    socket.ReadLine(30, line);
    EXPECT_EQ(line, "next\r\n");
    EXPECT_LT(clock.elapsed(), wellBeforeATimeout);
    clock.restart();
    socket.ReadLine(-300, line);
    EXPECT_GE(clock.elapsed(), 290);
    EXPECT_LT(clock.elapsed(), wellBeforeATimeout);
    EXPECT_EQ(line, "part");

    // The owner's handler and raw mode are back.
    EXPECT_FALSE(socket.LineMode());
    socket.SendStr("!");
    ASSERT_TRUE(pumpUntil([&] { return log.data == "raw"; })) << log.data;
    socket.Close();
    EXPECT_EQ(raised([&] { socket.ReadLine(1, line); }), "ReadLine failed: not connected");
}

TEST(WSocketLine, ASocketMovesToAnotherThreadAndBack)
{
    auto peer = tcpPeer(R"(
client.recv(1)
client.sendall(b"to the thread")
client.recv(1)
client.sendall(b" and back")
client.recv(1)
)");
    TWSocket socket;
    EventLog log(socket);
    connectAndWait(socket, log, peer->port);
    QThread* servedBy = nullptr;
    const auto reader = socket.OnDataAvailable;
    socket.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t error) {
        servedBy = QThread::currentThread();
        reader(sender, error);
    };

    EXPECT_EQ(raised([&] { socket.ThreadAttach(); }), "Cannot attach when not detached");
    socket.ThreadDetach();
    std::string refusal;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        socket.ThreadAttach();
        socket.SendStr("!");
        pumpUntil([&] { return log.data.size() >= 13; });
        socket.ThreadDetach();
    }));
    worker->start();
    ASSERT_TRUE(worker->wait(10000));
    EXPECT_EQ(log.data, "to the thread");
    EXPECT_EQ(servedBy, worker.get());

    socket.ThreadAttach();
    std::unique_ptr<QThread> stranger(QThread::create([&] { refusal = raised([&] { socket.ThreadDetach(); }); }));
    stranger->start();
    stranger->wait(10000);
    EXPECT_EQ(refusal, "Cannot detach from other thread");
    socket.SendStr("!");
    ASSERT_TRUE(pumpUntil([&] { return log.data == "to the thread and back"; }));
    EXPECT_EQ(servedBy, QThread::currentThread());
}
