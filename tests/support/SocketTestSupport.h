#pragma once

#include "platform/win/MessagePump.h"
#include "platform/win/MessageWindow.h"
#include "platform/win/WinSock.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace sockettest {

// Pumps the event loop until done() holds or the time runs out; true when it holds.
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        platform::WaitForMessages(20);
    }
    return true;
}

inline void pumpFor(int ms)
{
    pumpUntil([] { return false; }, ms);
}

struct Notice {
    platform::SOCKET socket;
    int event;
    int error;
};

// A message window that records the select notices it gets.
class Recorder {
public:
    static constexpr platform::UINT selectMessage = platform::WM_USER + 1;

    explicit Recorder(std::function<void(const Notice&)> onNotice = {})
        : onNotice_(std::move(onNotice)),
          wnd_(platform::AllocateHWnd([this](platform::UINT msg, platform::WPARAM w, platform::LPARAM l) {
              if (msg != selectMessage)
                  return;
              const Notice notice{static_cast<platform::SOCKET>(w), platform::WSAGETSELECTEVENT(l),
                                  platform::WSAGETSELECTERROR(l)};
              notices.push_back(notice);
              if (onNotice_)
                  onNotice_(notice);
          }))
    {
    }
    ~Recorder() { platform::DeallocateHWnd(wnd_); }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    platform::HWND wnd() const { return wnd_; }
    int count(platform::SOCKET s, long event) const
    {
        int n = 0;
        for (const Notice& notice : notices)
            n += notice.socket == s && notice.event == event;
        return n;
    }
    const Notice* first(platform::SOCKET s, long event) const
    {
        for (const Notice& notice : notices)
            if (notice.socket == s && notice.event == event)
                return &notice;
        return nullptr;
    }
    bool waitFor(platform::SOCKET s, long event, int times = 1, int timeoutMs = 5000)
    {
        return pumpUntil([&] { return count(s, event) >= times; }, timeoutMs);
    }

    std::vector<Notice> notices;

private:
    std::function<void(const Notice&)> onNotice_;
    platform::HWND wnd_;
};

inline sockaddr_in loopback(std::uint16_t port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

inline std::string dotted(std::uint32_t address)
{
    return platform::inet_ntoa(in_addr{address});
}

inline const sockaddr* asAddress(const sockaddr_in& address)
{
    return reinterpret_cast<const sockaddr*>(&address);
}

// A TCP socket selected for every notice on the recorder's window.
inline platform::SOCKET selectedSocket(const Recorder& recorder, long events = 59)
{
    const platform::SOCKET s = platform::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_NE(s, platform::INVALID_SOCKET);
    EXPECT_EQ(platform::WSAAsyncSelect(s, recorder.wnd(), Recorder::selectMessage, events), 0);
    return s;
}

// A socket bound to a port of the system's choice on loopback, which address receives.
inline platform::SOCKET boundSocket(int type, sockaddr_in& address)
{
    const platform::SOCKET s = platform::socket(AF_INET, type, 0);
    address = loopback(0);
    EXPECT_EQ(platform::bind(s, asAddress(address), sizeof address), 0);
    socklen_t length = sizeof address;
    platform::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    return s;
}

// A port nobody listens on at this moment.
inline std::uint16_t freePort()
{
    sockaddr_in address{};
    platform::closesocket(boundSocket(SOCK_STREAM, address));
    return ntohs(address.sin_port);
}

// A peer program on loopback. Python peers print their port on the first line.
class Peer {
public:
    Peer(const QString& program, const QStringList& arguments)
    {
        process_.setProgram(program);
        process_.setArguments(arguments);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        EXPECT_TRUE(process_.waitForStarted(5000)) << program.toStdString();
    }
    ~Peer()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    // A Python peer; without arguments it picks its own port and prints it on the first line.
    static std::unique_ptr<Peer> python(const std::string& script, const QStringList& arguments = {})
    {
        auto peer = std::make_unique<Peer>("python3", QStringList{"-c", QString::fromStdString(script)} + arguments);
        if (arguments.isEmpty())
            peer->port = peer->readPort();
        return peer;
    }

    // Everything printed after the port, once the program has ended (10 s at most).
    std::string output()
    {
        finished(10000);
        return process_.readAllStandardOutput().toStdString();
    }

    // Writes a line to the program's standard input: the cue a peer waits for.
    void tell(const std::string& line)
    {
        process_.write(QByteArray::fromStdString(line + "\n"));
        process_.waitForBytesWritten(5000);
    }

    // waitForFinished alone says false for a process that has already ended.
    bool finished(int timeoutMs)
    {
        return process_.state() == QProcess::NotRunning || process_.waitForFinished(timeoutMs);
    }

    std::uint16_t port = 0;

private:
    std::uint16_t readPort()
    {
        // A loaded machine may take seconds to start an interpreter.
        while (!process_.canReadLine())
            if (!process_.waitForReadyRead(20000))
                return 0;
        return static_cast<std::uint16_t>(process_.readLine().trimmed().toUInt());
    }

    QProcess process_;
};

// A Python peer that accepts one TCP connection on loopback as `client` (the modules socket,
// struct, sys, time and hashlib imported) and then runs body. Its port is in `port`.
inline std::unique_ptr<Peer> tcpPeer(const std::string& body)
{
    return Peer::python(R"(
import socket, struct, sys, time, hashlib
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(1)
print(server.getsockname()[1], flush=True)
server.settimeout(20)
client, _ = server.accept()
client.settimeout(20)
)" + body);
}

// Sends the given number of bytes (byte i is i % 251), then closes, resetting when asked.
inline std::unique_ptr<Peer> sendingPeer(int bytes, bool reset)
{
    return tcpPeer(std::string(R"(
client.sendall(bytes(i % 251 for i in range()") + std::to_string(bytes) + R"()))
if )" + (reset ? "True" : "False") + R"(:
    client.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
client.close()
)");
}

// Waits until something accepts connections on the port (a peer that cannot report it).
inline bool listening(std::uint16_t port)
{
    return pumpUntil(
        [port] {
            const platform::SOCKET probe = platform::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
            const sockaddr_in address = loopback(port);
            const bool connected = platform::connect(probe, asAddress(address), sizeof address) == 0;
            platform::closesocket(probe);
            return connected;
        },
        5000);
}

// Starts the socket layer for the whole test program.
class Started : public ::testing::Environment {
public:
    void SetUp() override { platform::WSAStartup(platform::MAKEWORD(1, 1), nullptr); }
    void TearDown() override { platform::WSACleanup(); }
};

} // namespace sockettest
