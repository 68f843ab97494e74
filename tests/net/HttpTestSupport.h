#pragma once

#include "net/HttpProt.h"
#include "net/WSocketTestSupport.h"

#include <string>
#include <vector>

namespace httptest {

using namespace wsockettest;

// Runs requests of one client and records how they end.
struct Recorder {
    explicit Recorder(THttpCli& client) : client(client)
    {
        client.RcvdStream = &body;
        client.OnDocBegin = [this](THttpCli*) { ++docBegins; };
        client.OnSessionClosed = [this](THttpCli*) { events.push_back("closed"); };
        client.OnRequestDone = [this](THttpCli*, THttpRequest, std::uint16_t error) {
            ++done;
            errors.push_back(error);
            events.push_back("done");
        };
    }
    // Starts the request into an empty body and waits (bounded) until it has ended.
    bool run(void (THttpCli::*start)(), int timeoutMs = 20000)
    {
        body = platform::MemoryStream();
        const int before = done;
        (client.*start)();
        return pumpUntil([&] { return done > before; }, timeoutMs);
    }
    std::string text() const { return {reinterpret_cast<const char*>(body.bytes().data()), body.bytes().size()}; }

    THttpCli& client;
    platform::MemoryStream body;
    int done = 0;
    int docBegins = 0;
    std::vector<std::uint16_t> errors;
    std::vector<std::string> events;
};

// A Python server on loopback that accepts connections one after the other as `c`; the
// script gets read_request(c) (the header and body bytes, or None at the end) and may print
// what it saw. Its port is in `port`.
inline std::unique_ptr<Peer> scriptedHttpServer(const std::string& body, const std::string& address = "127.0.0.1")
{
    return Peer::python(R"(
import socket, time, base64
server = socket.socket()
server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
server.bind((")" + address + R"(", 0))
server.listen(5)
print(server.getsockname()[1], flush=True)
server.settimeout(20)
def read_request(c):
    data = b""
    while b"\r\n\r\n" not in data:
        block = c.recv(65536)
        if not block:
            return None
        data += block
    head, _, rest = data.partition(b"\r\n\r\n")
    length = 0
    for line in head.split(b"\r\n")[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value)
    while len(rest) < length:
        rest += c.recv(65536)
    return head.decode("latin-1"), rest
def header_of(head, name):
    for line in head.split("\r\n")[1:]:
        key, _, value = line.partition(":")
        if key.strip().lower() == name:
            return value.strip()
    return None
def accept():
    c, _ = server.accept()
    c.settimeout(20)
    c.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    return c
)" + body);
}

inline std::string url(std::uint16_t port, const std::string& path = "/", const std::string& host = "127.0.0.1")
{
    return "http://" + host + ":" + std::to_string(port) + path;
}

} // namespace httptest
