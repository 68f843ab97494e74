#pragma once

#include "support/RandomBytes.h"
#include "net/WSocket.h"
#include "support/NetnsFixture.h"
#include "support/SocketTestSupport.h"

#include <QCryptographicHash>
#include <QRandomGenerator>

#include <string>
#include <vector>

namespace wsockettest {

using sockettest::dotted;
using sockettest::Peer;
using sockettest::pumpFor;
using sockettest::pumpUntil;
using sockettest::sendingPeer;
using sockettest::tcpPeer;

// Every event of one socket, in order, as "Name(error)" words; data read is kept.
struct EventLog {
    explicit EventLog(TCustomWSocket& socket, bool readData = true)
    {
        socket.OnSessionConnected = [this](TCustomWSocket*, std::uint16_t e) { add("Connected", e); };
        socket.OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) { add("Closed", e); };
        socket.OnDataSent = [this](TCustomWSocket*, std::uint16_t e) { add("DataSent", e); };
        socket.OnSessionAvailable = [this](TCustomWSocket*, std::uint16_t e) { add("Available", e); };
        socket.OnDnsLookupDone = [this](TCustomWSocket*, std::uint16_t e) { add("DnsDone", e); };
        socket.OnChangeState = [this](TCustomWSocket*, TSocketState, TSocketState s) { states.push_back(s); };
        if (readData)
            socket.OnDataAvailable = [this](TCustomWSocket* sender, std::uint16_t e) {
                if (e != 0)
                    add("DataError", e);
                char buffer[65536];
                const std::int32_t n = sender->Receive(buffer, sizeof buffer);
                if (n > 0)
                    data.append(buffer, static_cast<std::size_t>(n));
            };
    }
    void add(const std::string& name, int error) { events.push_back(name + "(" + std::to_string(error) + ")"); }
    int count(const std::string& event) const
    {
        int n = 0;
        for (const std::string& e : events)
            n += e == event;
        return n;
    }
    bool has(const std::string& event) const { return count(event) > 0; }
    bool waitFor(const std::string& event, int timeoutMs = 10000)
    {
        return pumpUntil([&] { return has(event); }, timeoutMs);
    }

    std::vector<std::string> events;
    std::vector<TSocketState> states;
    std::string data;
};

// What the system may hold of a test's stream in each of a socket's buffers: far below the
// megabytes the tests send, whatever the machine's buffer settings.
constexpr int smallSystemBuffer = 65536;

inline void capSystemBuffers(const TCustomWSocket& socket)
{
    for (const int option : {SO_SNDBUF, SO_RCVBUF})
        EXPECT_EQ(
            platform::setsockopt(socket.HSocket(), SOL_SOCKET, option, &smallSystemBuffer, sizeof smallSystemBuffer),
            0);
}

// Python lines for a peer that caps its receive buffer and reads nothing until told to.
inline const std::string heldUntilTold = "client.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, "
                                         + std::to_string(smallSystemBuffer) + ")\nsys.stdin.readline()\n";

// Runs the Python lines `first`, then reads until the end and prints the byte count, their
// MD5 and how the stream ended ("eof" or "reset").
inline std::unique_ptr<Peer> sinkPeer(const std::string& first = "")
{
    return tcpPeer(first + R"(
digest, count, end = hashlib.md5(), 0, "eof"
try:
    while True:
        block = client.recv(65536)
        if not block:
            break
        digest.update(block)
        count += len(block)
except ConnectionResetError:
    end = "reset"
print(count, digest.hexdigest(), end, flush=True)
)");
}

// Listens on a free loopback port; returns the port.
inline std::string listenOnLoopback(TCustomWSocket& socket, const std::string& proto = "tcp")
{
    socket.SetProto(proto);
    socket.SetAddr("127.0.0.1");
    socket.SetRemotePort("0");
    socket.Listen();
    return socket.GetXPort();
}

inline void connectTo(TCustomWSocket& socket, const std::string& port, const std::string& proto = "tcp")
{
    socket.SetProto(proto);
    socket.SetAddr("127.0.0.1");
    socket.SetRemotePort(port);
    socket.Connect();
}

// Connects to the loopback port and waits until the connection is made.
inline void connectAndWait(TCustomWSocket& socket, EventLog& log, std::uint16_t port)
{
    connectTo(socket, std::to_string(port));
    // A quick peer may already have ended the connection by now.
    ASSERT_TRUE(log.waitFor("Connected(0)"));
}

// The message of the ESocketException a call raises, or "" when it raises none.
template <class Call>
std::string raised(Call call)
{
    try {
        call();
    } catch (const ESocketException& error) {
        return error.what();
    }
    return "";
}

inline std::string md5Hex(const std::string& bytes)
{
    return QCryptographicHash::hash(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                    QCryptographicHash::Md5)
        .toHex()
        .toStdString();
}

// A port nobody listens on: bound by a socket that is closed again at once.
inline std::string freePort()
{
    TWSocket probe;
    const std::string port = listenOnLoopback(probe);
    probe.Close();
    return port;
}

// Sends the data in pieces of random size, as an application writing as it goes would.
inline void sendInPieces(TCustomWSocket& socket, const std::string& data, quint32 seed)
{
    QRandomGenerator generator(seed);
    for (std::size_t at = 0; at < data.size();) {
        const std::size_t piece = std::min<std::size_t>(data.size() - at, 1 + generator.bounded(200000));
        socket.Send(data.data() + at, static_cast<std::int32_t>(piece));
        at += piece;
    }
}

} // namespace wsockettest
