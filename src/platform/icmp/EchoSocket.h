#pragma once

#include "platform/icmp/EchoPacket.h"
#include "platform/icmp/IcmpEcho.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace platform::icmp {

struct EchoResult {
    std::uint32_t status = IP_GENERAL_FAILURE;
    bool answered = false; // an ICMP message answered: an echo reply or a router's error
    std::uint32_t address = 0;
    std::uint32_t roundTripMs = 0;
    std::uint8_t ttl = 0;
    std::uint8_t tos = 0;
    std::vector<std::uint8_t> data;
};

// The socket of one handle. It opens at the first echo, an ICMP datagram socket where the
// system's ping group range allows it, else a raw socket (CAP_NET_RAW); with neither every
// echo fails and the next one tries again.
class EchoSocket {
public:
    explicit EchoSocket(std::uint16_t identifier) : identifier_(identifier) {}
    ~EchoSocket();
    EchoSocket(const EchoSocket&) = delete;
    EchoSocket& operator=(const EchoSocket&) = delete;

    EchoResult echo(std::uint32_t destination, Bytes data, const IpOptionInformation* options, std::uint32_t timeoutMs);

private:
    bool open();
    bool applyOptions(const IpOptionInformation* options);
    // Reads what is queued without waiting; the answer to the current request, if it came.
    std::optional<Answer> takeAnswer();
    std::optional<Answer> takeDatagramError();
    std::optional<Answer> takeReply();

    int fd_ = -1;
    bool raw_ = false;
    std::uint16_t identifier_;
    std::uint16_t sequence_ = 0;
    std::vector<std::uint8_t> buffer_;
};

} // namespace platform::icmp
