#include "platform/win/InputWatch.h"
#include "support/RandomBytes.h"
#include "support/SocketTestSupport.h"
#include "support/TempTree.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <string>
#include <vector>

using namespace platform;
using namespace sockettest;

namespace {

const auto* const started = ::testing::AddGlobalTestEnvironment(new Started);

// socat echoing every connection on a free loopback port, once it listens there.
std::unique_ptr<Peer> echoPeer()
{
    const std::uint16_t port = freePort();
    auto peer = std::make_unique<Peer>(
        "socat", QStringList{QString("TCP-LISTEN:%1,bind=127.0.0.1,reuseaddr,fork").arg(port), "EXEC:cat"});
    EXPECT_TRUE(listening(port));
    peer->port = port;
    return peer;
}

SOCKET connected(Recorder& recorder, std::uint16_t port)
{
    const SOCKET s = selectedSocket(recorder);
    const sockaddr_in address = loopback(port);
    EXPECT_EQ(platform::connect(s, asAddress(address), sizeof address), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    EXPECT_TRUE(recorder.waitFor(s, FD_CONNECT));
    return s;
}

} // namespace

TEST(AsyncSelect, RefusedConnectReportsTheErrorWithFdConnectAndNothingElse)
{
    Recorder recorder;
    const SOCKET s = selectedSocket(recorder);
    const sockaddr_in address = loopback(freePort());
    EXPECT_EQ(platform::connect(s, asAddress(address), sizeof address), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    ASSERT_TRUE(recorder.waitFor(s, FD_CONNECT));
    pumpFor(200);
    ASSERT_EQ(recorder.notices.size(), 1u);
    EXPECT_EQ(recorder.notices[0].error, WSAECONNREFUSED);
    closesocket(s);
}

TEST(AsyncSelect, ConnectIsFollowedByOneFdWriteAndFdWriteReturnsOnlyAfterABlockedSend)
{
    const auto echo = echoPeer();
    Recorder recorder;
    const SOCKET s = connected(recorder, echo->port);
    EXPECT_EQ(recorder.first(s, FD_CONNECT)->error, 0);
    ASSERT_TRUE(recorder.waitFor(s, FD_WRITE));
    pumpFor(100);
    EXPECT_EQ(recorder.count(s, FD_WRITE), 1);

    // Fill both directions until the send would block, without reading the echo.
    const std::vector<char> block(65536, 'e');
    long long sentBytes = 0;
    for (int round = 0; round < 4096; ++round) {
        const int sent = platform::send(s, block.data(), static_cast<int>(block.size()), 0);
        if (sent == SOCKET_ERROR) {
            ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
            break;
        }
        sentBytes += sent;
    }
    ASSERT_GT(sentBytes, 0);
    // FD_READ comes once the echo is back and stays silent until something is received.
    ASSERT_TRUE(recorder.waitFor(s, FD_READ));
    pumpFor(200);
    EXPECT_EQ(recorder.count(s, FD_READ), 1);

    // The blocked send asks for one FD_WRITE, which comes once the peer drains (reading the
    // echo lets it), and only once however long it takes to read everything back.
    std::vector<char> buffer(65536);
    long long received = 0;
    const auto readEcho = [&] {
        const int got = platform::recv(s, buffer.data(), static_cast<int>(buffer.size()), 0);
        if (got > 0) {
            EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + got, [](char c) { return c == 'e'; }));
            received += got;
        }
    };
    ASSERT_TRUE(pumpUntil([&] {
        readEcho();
        return recorder.count(s, FD_WRITE) == 2;
    }));
    ASSERT_TRUE(pumpUntil([&] {
        readEcho();
        return received == sentBytes;
    }));
    pumpFor(100);
    EXPECT_EQ(recorder.count(s, FD_WRITE), 2);
    closesocket(s);
}

TEST(AsyncSelect, FdReadOncePerReceiveAndFdCloseOnlyAfterTheLastByte)
{
    constexpr int total = 200000;
    auto peer = sendingPeer(total, false);
    ASSERT_NE(peer->port, 0);
    long long received = 0;
    bool closedEarly = false;
    SOCKET s = INVALID_SOCKET;
    // One small receive per FD_READ: the rest must be announced again.
    Recorder recorder([&](const Notice& notice) {
        if (notice.event == FD_READ) {
            char buffer[1000];
            const int got = platform::recv(s, buffer, sizeof buffer, 0);
            if (got > 0)
                received += got;
        } else if (notice.event == FD_CLOSE) {
            closedEarly = received != total;
        }
    });
    s = connected(recorder, peer->port);
    ASSERT_TRUE(recorder.waitFor(s, FD_CLOSE, 1, 10000));
    pumpFor(200);
    EXPECT_FALSE(closedEarly);
    EXPECT_EQ(received, total);
    EXPECT_EQ(recorder.count(s, FD_CLOSE), 1);
    EXPECT_EQ(recorder.first(s, FD_CLOSE)->error, 0);
    closesocket(s);
}

TEST(AsyncSelect, UnreadDataIsAnnouncedOnceAndAgainAfterAReceive)
{
    auto peer = sendingPeer(5000, false);
    Recorder recorder;
    const SOCKET s = connected(recorder, peer->port);
    ASSERT_TRUE(recorder.waitFor(s, FD_READ));
    pumpFor(200);
    EXPECT_EQ(recorder.count(s, FD_READ), 1);
    EXPECT_EQ(recorder.count(s, FD_CLOSE), 0) << "the end waits until the data was read";
    char buffer[10];
    EXPECT_EQ(platform::recv(s, buffer, sizeof buffer, 0), 10);
    ASSERT_TRUE(recorder.waitFor(s, FD_READ, 2));
    closesocket(s);
}

TEST(AsyncSelect, PeerResetGivesOneFdCloseWith10054)
{
    auto peer = sendingPeer(0, true);
    Recorder recorder;
    const SOCKET s = connected(recorder, peer->port);
    ASSERT_TRUE(peer->finished(5000));
    ASSERT_TRUE(recorder.waitFor(s, FD_CLOSE));
    pumpFor(200);
    EXPECT_EQ(recorder.count(s, FD_CLOSE), 1);
    EXPECT_EQ(recorder.first(s, FD_CLOSE)->error, WSAECONNRESET);
    closesocket(s);
}

TEST(AsyncSelect, FdAcceptIsRearmedByAcceptAndAnAcceptedSocketGetsOneFdWrite)
{
    Recorder recorder;
    sockaddr_in address{};
    const SOCKET listener = boundSocket(SOCK_STREAM, address);
    ASSERT_EQ(platform::listen(listener, 5), 0);
    ASSERT_EQ(WSAAsyncSelect(listener, recorder.wnd(), Recorder::selectMessage, 43), 0);

    Peer clients("python3", {"-c", QString(R"(
import socket, time
first = socket.create_connection(("127.0.0.1", %1))
second = socket.create_connection(("127.0.0.1", %1))
time.sleep(5)
)").arg(ntohs(address.sin_port))});
    ASSERT_TRUE(recorder.waitFor(listener, FD_ACCEPT));
    pumpFor(300);
    EXPECT_EQ(recorder.count(listener, FD_ACCEPT), 1) << "two pending, one notice until accept";

    const SOCKET first = platform::accept(listener, nullptr, nullptr);
    ASSERT_NE(first, INVALID_SOCKET);
    ASSERT_TRUE(recorder.waitFor(listener, FD_ACCEPT, 2));
    const SOCKET second = platform::accept(listener, nullptr, nullptr);
    ASSERT_NE(second, INVALID_SOCKET);
    pumpFor(200);
    EXPECT_EQ(recorder.count(listener, FD_ACCEPT), 2);

    ASSERT_EQ(WSAAsyncSelect(first, recorder.wnd(), Recorder::selectMessage, 51), 0);
    ASSERT_TRUE(recorder.waitFor(first, FD_WRITE));
    pumpFor(200);
    EXPECT_EQ(recorder.count(first, FD_WRITE), 1);
    for (const SOCKET s : {first, second, listener})
        closesocket(s);
}

TEST(AsyncSelect, PortListenedOnIsRefusedWith10048ButTimeWaitDoesNotBlockARestart)
{
    const std::uint16_t busy = freePort();
    Peer holder("ncat", {"-l", "127.0.0.1", QString::number(busy), "--keep-open"});
    ASSERT_TRUE(listening(busy));
    const SOCKET s = platform::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    const sockaddr_in taken = loopback(busy);
    EXPECT_EQ(platform::bind(s, asAddress(taken), sizeof taken), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);
    closesocket(s);

    // The server closes first, so its side of the connection waits in TIME_WAIT.
    const std::uint16_t port = freePort();
    const sockaddr_in address = loopback(port);
    SOCKET listener = platform::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_EQ(platform::bind(listener, asAddress(address), sizeof address), 0);
    ASSERT_EQ(platform::listen(listener, 1), 0);
    const SOCKET client = platform::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_EQ(platform::connect(client, asAddress(address), sizeof address), 0);
    const SOCKET served = platform::accept(listener, nullptr, nullptr);
    closesocket(served);
    closesocket(listener);
    closesocket(client);
    listener = platform::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_EQ(platform::bind(listener, asAddress(address), sizeof address), 0) << WSAGetLastError();
    EXPECT_EQ(platform::listen(listener, 1), 0);
    closesocket(listener);
}

TEST(AsyncSelect, NoticesOfAClosedSocketNeverReachTheSocketMadeAfterIt)
{
    const auto echo = echoPeer();
    const sockaddr_in address = loopback(echo->port);
    SOCKET old = INVALID_SOCKET;
    SOCKET next = INVALID_SOCKET;
    // Inside FD_CONNECT the old socket's FD_WRITE is already queued behind it. The socket goes
    // and a new one, which Linux gives the same descriptor, connects at once.
    Recorder* self = nullptr;
    Recorder recorder([&](const Notice& notice) {
        if (notice.socket != old || notice.event != FD_CONNECT)
            return;
        closesocket(old);
        next = selectedSocket(*self);
        platform::connect(next, asAddress(address), sizeof address);
    });
    self = &recorder;
    old = selectedSocket(recorder);
    platform::connect(old, asAddress(address), sizeof address);
    ASSERT_TRUE(pumpUntil([&] { return next != INVALID_SOCKET && recorder.count(next, FD_WRITE) > 0; }));
    pumpFor(300);
    EXPECT_NE(next, old);
    EXPECT_EQ(recorder.count(old, FD_WRITE), 1) << "the stale notice carries the old handle";
    EXPECT_EQ(recorder.count(next, FD_CONNECT), 1);
    EXPECT_EQ(recorder.count(next, FD_WRITE), 1);
    EXPECT_EQ(recorder.count(next, FD_CLOSE) + recorder.count(next, FD_READ), 0);
    char byte = 0;
    EXPECT_EQ(platform::send(old, &byte, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    closesocket(next);
}

TEST(AsyncSelect, PausedSocketIsSilentAndAReselectionReportsWhatHolds)
{
    auto peer = sendingPeer(100, false);
    Recorder recorder;
    const SOCKET s = connected(recorder, peer->port);
    ASSERT_EQ(WSAAsyncSelect(s, recorder.wnd(), 0, 0), 0);
    pumpFor(50); // notices posted before the pause still arrive
    const std::size_t before = recorder.notices.size();
    const int reads = recorder.count(s, FD_READ);
    pumpFor(300);
    EXPECT_EQ(recorder.notices.size(), before);
    ASSERT_EQ(WSAAsyncSelect(s, recorder.wnd(), Recorder::selectMessage, 59), 0);
    ASSERT_TRUE(recorder.waitFor(s, FD_READ, reads + 1));
    char buffer[200];
    EXPECT_EQ(platform::recv(s, buffer, sizeof buffer, 0), 100);
    ASSERT_TRUE(recorder.waitFor(s, FD_CLOSE));
    closesocket(s);
}

// A file goes out from an offset as send would send it: what the socket takes now, then
// WSAEWOULDBLOCK and one FD_WRITE once it can take more; 0 at the file's end.
TEST(AsyncSelect, TransmitFileSendsAFileFromAnOffsetAsSendWould)
{
    const auto echo = echoPeer();
    testfs::TempTree tree;
    const std::string bytes = randomBytes(8 << 20, 11);
    tree.File("big.bin", bytes);
    const int file = ::open(tree.Path("big.bin").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(file, 0);
    Recorder recorder;
    const SOCKET s = connected(recorder, echo->port);
    ASSERT_TRUE(recorder.waitFor(s, FD_WRITE));

    constexpr std::int64_t start = 1000;
    std::int64_t offset = start;
    std::string echoed;
    std::vector<char> buffer(1 << 16);
    int blocks = 0;
    int writesSeen = recorder.count(s, FD_WRITE);
    ASSERT_TRUE(pumpUntil(
        [&] {
            const int got = platform::recv(s, buffer.data(), static_cast<int>(buffer.size()), 0);
            if (got > 0)
                echoed.append(buffer.data(), static_cast<std::size_t>(got));
            // After a blocked call the next waits for the FD_WRITE it asked for.
            if (recorder.count(s, FD_WRITE) == writesSeen && blocks > 0)
                return echoed.size() == bytes.size() - start;
            writesSeen = recorder.count(s, FD_WRITE);
            while (offset < static_cast<std::int64_t>(bytes.size())) {
                const int sent = platform::TransmitFile(s, file, offset, 1 << 20);
                if (sent == SOCKET_ERROR) {
                    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
                    ++blocks;
                    break;
                }
                EXPECT_GT(sent, 0);
                offset += sent;
            }
            return echoed.size() == bytes.size() - start;
        },
        20000));
    EXPECT_GT(blocks, 0) << "8 MiB fills a loopback connection that nobody reads";
    EXPECT_EQ(recorder.count(s, FD_WRITE), blocks + 1) << "one after connecting, one after each blocked call";
    EXPECT_TRUE(echoed == bytes.substr(start));
    EXPECT_EQ(platform::TransmitFile(s, file, offset, 1 << 20), 0) << "the file's end";
    closesocket(s);
    ::close(file);
}

// A watch says, without the loop, whether any of its sockets has input; a closed or removed
// socket leaves it.
TEST(AsyncSelect, AnInputWatchSeesInputAndForgetsClosedSockets)
{
    const auto echo = echoPeer();
    Recorder recorder;
    const SOCKET quiet = connected(recorder, echo->port);
    const SOCKET talking = connected(recorder, echo->port);
    platform::InputWatch watch;
    EXPECT_FALSE(watch.add(talking + 1000)) << "no such socket";
    ASSERT_TRUE(watch.add(quiet));
    ASSERT_TRUE(watch.add(talking));
    EXPECT_FALSE(watch.anyWaiting());
    ASSERT_EQ(platform::send(talking, "ping", 4, 0), 4);
    ASSERT_TRUE(pumpUntil([&] { return watch.anyWaiting(); }));
    char echoed[8];
    ASSERT_TRUE(pumpUntil([&] { return platform::recv(talking, echoed, sizeof echoed, 0) == 4; }));
    EXPECT_FALSE(watch.anyWaiting()) << "everything read";
    ASSERT_EQ(platform::send(talking, "again", 5, 0), 5);
    ASSERT_TRUE(pumpUntil([&] { return watch.anyWaiting(); }));
    watch.remove(talking);
    EXPECT_FALSE(watch.anyWaiting()) << "input left unread on purpose is not asked about";
    ASSERT_TRUE(watch.add(talking));
    EXPECT_TRUE(watch.anyWaiting());
    closesocket(talking);
    EXPECT_FALSE(watch.anyWaiting()) << "the closed socket left the watch";
    closesocket(quiet);
}

TEST(AsyncSelect, SendingToAPeerThatLeftGivesAnErrorNotASignal)
{
    auto peer = sendingPeer(0, false);
    Recorder recorder;
    const SOCKET s = connected(recorder, peer->port);
    ASSERT_TRUE(recorder.waitFor(s, FD_CLOSE));
    const std::vector<char> block(4096, 'p');
    int result = 0;
    for (int round = 0; round < 100 && result != SOCKET_ERROR; ++round) {
        result = platform::send(s, block.data(), static_cast<int>(block.size()), 0);
        pumpFor(5);
    }
    EXPECT_EQ(result, SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
    closesocket(s);

    // After our own shutdown the same write is a shutdown error, not a reset.
    const auto echo = echoPeer();
    const SOCKET open = connected(recorder, echo->port);
    ASSERT_EQ(platform::shutdown(open, SHUT_WR), 0);
    EXPECT_EQ(platform::send(open, block.data(), 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAESHUTDOWN);
    closesocket(open);
}

TEST(AsyncSelect, DatagramsAreAnnouncedUntilReceived)
{
    Recorder recorder;
    sockaddr_in address{};
    const SOCKET receiver = boundSocket(SOCK_DGRAM, address);
    ASSERT_EQ(WSAAsyncSelect(receiver, recorder.wnd(), Recorder::selectMessage, 43), 0);
    const SOCKET local = platform::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    for (const char* text : {"one", "two"})
        ASSERT_EQ(platform::sendto(local, text, 3, 0, asAddress(address), sizeof address), 3);
    ASSERT_TRUE(recorder.waitFor(receiver, FD_READ));
    pumpFor(100);
    EXPECT_EQ(recorder.count(receiver, FD_READ), 1);
    char buffer[16];
    sockaddr_in from{};
    socklen_t fromLength = sizeof from;
    EXPECT_EQ(platform::recvfrom(receiver, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &fromLength), 3);
    ASSERT_TRUE(recorder.waitFor(receiver, FD_READ, 2));
    EXPECT_EQ(platform::recv(receiver, buffer, sizeof buffer, 0), 3);
    EXPECT_EQ(std::string(buffer, 3), "two");
    for (const SOCKET s : {receiver, local})
        closesocket(s);
}

TEST(WinSockStartup, CallsBeforeStartUpFailWithNotInitialised)
{
    while (WSACleanup() == 0) {
    }
    EXPECT_EQ(platform::socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    WSADATA data;
    EXPECT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    EXPECT_EQ(data.wVersion, MAKEWORD(1, 1));
    EXPECT_EQ(data.szSystemStatus, "Running");
    EXPECT_EQ(WSAStartup(MAKEWORD(3, 0), nullptr), WSAVERNOTSUPPORTED);
}
