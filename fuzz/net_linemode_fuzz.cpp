// Line mode receiving what a peer played on loopback sends, split where the input says. Every
// byte reaches the owner once, in order, or is dropped over the line limit with its count
// reported; each piece handed on in line mode ends with the line end, but for what remains
// when the peer hangs up. Input: two bytes of settings, then the peer's bytes.
//   first byte:  bits 0-1 the line end ("\r\n", "\n", "\0", "ab"), bit 2 edit, bit 3 echo,
//                bit 4 keep the bytes over the limit, bits 5-7 the limit (0: none, else 8 << n)
//   second byte: bits 0-3 the piece size - 1, bits 4-5 the owner's reads (whole, 1, 7 or
//                64 bytes at a time), bit 6 line mode off after the first piece handed on
#include "FuzzSupport.h"
#include "LoopbackPeer.h"

#include "net/WSocket.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 2)
        return 0;
    fuzzsupport::startInput();
    static loopbackpeer::Listener server;
    static const std::string lineEnds[] = {"\r\n", "\n", std::string(1, '\0'), "ab"};
    static const std::int32_t readSizes[] = {65536, 1, 7, 64};
    const std::uint8_t settings = data[0];
    const std::uint8_t owner = data[1];
    const std::string_view sent(reinterpret_cast<const char*>(data + 2), size - 2);
    const bool edit = settings & 4;

    TWSocket socket;
    socket.LineEnd = lineEnds[settings & 3];
    socket.LineEdit = edit;
    socket.LineEcho = settings & 8;
    socket.LineLimit = (settings >> 5) == 0 ? 0 : 8 << (settings >> 5);
    const bool keepOverLimit = settings & 16;
    socket.SetLineMode(true);

    std::string received;
    std::size_t dropped = 0;
    bool lineModeLeft = false;
    socket.OnLineLimitExceeded = [&](TCustomWSocket*, std::int32_t count, bool& clear) {
        clear = !keepOverLimit;
        if (clear)
            dropped += static_cast<std::size_t>(count);
    };
    socket.OnDataAvailable = [&](TCustomWSocket* sender, std::uint16_t) {
        auto& line = static_cast<TWSocket&>(*sender);
        const bool inLineMode = line.LineMode();
        char buffer[65536];
        const std::int32_t got = line.Receive(buffer, readSizes[(owner >> 4) & 3]);
        if (got <= 0)
            return;
        const std::string piece(buffer, static_cast<std::size_t>(got));
        // A line read whole ends with the line end, but for the rest of the stream.
        if (inLineMode && !edit && readSizes[(owner >> 4) & 3] == 65536 && !piece.ends_with(line.LineEnd)
            && received.size() + piece.size() + dropped != sent.size())
            std::abort();
        received += piece;
        if ((owner & 64) && !lineModeLeft) {
            lineModeLeft = true;
            line.SetLineMode(false);
        }
    };
    socket.SetAddr("127.0.0.1");
    socket.SetRemotePort(server.port());
    socket.Connect();
    const platform::FileDescriptor peer = server.accept();
    if (!peer)
        std::abort();
    loopbackpeer::serveUntil([&] { return socket.State() == wsConnected; });
    std::vector<std::string_view> pieces;
    for (std::size_t at = 0; at < sent.size(); at += 1 + (owner & 15))
        pieces.push_back(sent.substr(at, 1 + (owner & 15)));
    loopbackpeer::sendPieces(peer.get(), socket, pieces);

    if (!edit && received.size() + dropped != sent.size())
        std::abort();
    if (!edit && dropped == 0 && received != sent)
        std::abort();
    return 0;
}
