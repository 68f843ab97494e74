#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

// Building echo requests and recognising the answers to them. Everything that arrives is
// untrusted: every length is checked before a header is read.
namespace platform::icmp {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t headerSize = 8;
constexpr std::uint8_t echoReplyType = 0;
constexpr std::uint8_t destinationUnreachableType = 3;
constexpr std::uint8_t sourceQuenchType = 4;
constexpr std::uint8_t echoRequestType = 8;
constexpr std::uint8_t timeExceededType = 11;
constexpr std::uint8_t parameterProblemType = 12;

std::uint16_t internetChecksum(Bytes bytes);

// Header (type 8, identifier, sequence, checksum) followed by the data.
std::vector<std::uint8_t> echoRequest(std::uint16_t identifier, std::uint16_t sequence, Bytes data);

// An ICMP message that answers our echo: the reply itself or an error about it.
struct Answer {
    std::uint8_t type = 0;
    std::uint8_t code = 0;
    std::uint32_t source = 0; // network order
    std::uint8_t ttl = 0;
    std::uint8_t tos = 0;
    Bytes data; // the echoed bytes of a reply; empty for an error
};

// A raw socket sees every ICMP packet of the host, IP header first: other programs' pings and
// our own request on loopback among them. Only an echo reply carrying our identifier and
// sequence, or an error quoting a request that carried them, is an answer.
std::optional<Answer> rawAnswer(Bytes packet, std::uint16_t identifier, std::uint16_t sequence);

// A datagram socket hands over the ICMP message alone and the kernel owns the identifier, so
// an echo reply is ours when its sequence is. Source, TTL and TOS come with the message.
std::optional<Answer> datagramReply(Bytes message, std::uint16_t sequence);

// Whether an ICMP header quoted by an error is our echo request; without an identifier the
// sequence alone decides.
bool quotesEcho(Bytes quoted, std::optional<std::uint16_t> identifier, std::uint16_t sequence);

// The IP status an answer stands for.
std::uint32_t statusOf(std::uint8_t type, std::uint8_t code);

} // namespace platform::icmp
