// What a SOCKS server answers, as any server may: the socket negotiates through a server
// played on loopback that sends the input's pieces, each once the socket has read the one
// before. The socket connects once at most, hands its owner no more than came after the
// replies, and ends up closed when the server has hung up. Input: one byte giving the level
// (bits 0-1: 4, 4A, 5, 5) and the user code authentication (bit 2), then the pieces, each a
// byte of its length and its bytes (the last one may be cut short).
#include "FuzzSupport.h"
#include "LoopbackPeer.h"

#include "net/WSocket.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    fuzzsupport::startInput();
    static loopbackpeer::Listener server;
    static const char* const levels[] = {"4", "4A", "5", "5"};
    const std::string level = levels[data[0] & 3];
    const std::string_view replies(reinterpret_cast<const char*>(data + 1), size - 1);
    std::vector<std::string_view> pieces;
    for (std::size_t at = 0; at < replies.size(); at += 1 + static_cast<std::uint8_t>(replies[at]))
        pieces.push_back(replies.substr(at + 1, static_cast<std::uint8_t>(replies[at])));

    TWSocket socket;
    int connected = 0;
    std::size_t handedOn = 0;
    socket.OnSessionConnected = [&](TCustomWSocket*, std::uint16_t) { ++connected; };
    socket.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) { handedOn += sender->ReceiveStr().size(); };
    socket.SetSocksServer("127.0.0.1");
    socket.SetSocksPort(server.port());
    socket.SetSocksLevel(level);
    if (data[0] & 4) {
        socket.SocksAuthentication = socksAuthenticateUsercode;
        socket.SocksUsercode = "user";
        socket.SocksPassword = "password";
    }
    // SOCKS 4 sends an address, so the target is one that needs no lookup.
    socket.SetAddr(level == "4" ? "192.0.2.1" : "example");
    socket.SetRemotePort("80");
    socket.Connect();
    const platform::FileDescriptor peer = server.accept();
    if (!peer)
        std::abort();
    // The server answers once the socket has asked.
    loopbackpeer::serveUntil([&] { return loopbackpeer::readable(peer.get()); });
    loopbackpeer::sendPieces(peer.get(), socket, pieces);

    if (connected > 1 || handedOn > replies.size())
        std::abort();
    if (socket.State() != wsClosed)
        std::abort();
    return 0;
}
