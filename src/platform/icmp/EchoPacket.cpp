#include "platform/icmp/EchoPacket.h"

#include "platform/icmp/IcmpEcho.h"

#include <cstring>

namespace platform::icmp {

namespace {

constexpr std::size_t minIpHeaderSize = 20;
constexpr std::uint8_t icmpProtocol = 1;

std::uint16_t word(Bytes bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

// The length of a well-formed IPv4 header at the start of packet, or 0.
std::size_t ipHeaderLength(Bytes packet)
{
    if (packet.size() < minIpHeaderSize || (packet[0] >> 4) != 4)
        return 0;
    const std::size_t length = static_cast<std::size_t>(packet[0] & 0x0F) * 4;
    return length >= minIpHeaderSize && length <= packet.size() ? length : 0;
}

bool isErrorAbout(std::uint8_t type)
{
    return type == destinationUnreachableType || type == sourceQuenchType || type == timeExceededType
           || type == parameterProblemType;
}

} // namespace

std::uint16_t internetChecksum(Bytes bytes)
{
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2)
        sum += word(bytes, i);
    if (i < bytes.size())
        sum += static_cast<std::uint32_t>(bytes[i]) << 8;
    while (sum >> 16)
        sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

std::vector<std::uint8_t> echoRequest(std::uint16_t identifier, std::uint16_t sequence, Bytes data)
{
    std::vector<std::uint8_t> packet(headerSize + data.size());
    packet[0] = echoRequestType;
    packet[4] = static_cast<std::uint8_t>(identifier >> 8);
    packet[5] = static_cast<std::uint8_t>(identifier);
    packet[6] = static_cast<std::uint8_t>(sequence >> 8);
    packet[7] = static_cast<std::uint8_t>(sequence);
    if (!data.empty())
        std::memcpy(packet.data() + headerSize, data.data(), data.size());
    const std::uint16_t checksum = internetChecksum(packet);
    packet[2] = static_cast<std::uint8_t>(checksum >> 8);
    packet[3] = static_cast<std::uint8_t>(checksum);
    return packet;
}

bool quotesEcho(Bytes quoted, std::optional<std::uint16_t> identifier, std::uint16_t sequence)
{
    return quoted.size() >= headerSize && quoted[0] == echoRequestType && word(quoted, 6) == sequence
           && (!identifier || word(quoted, 4) == *identifier);
}

std::optional<Answer> rawAnswer(Bytes packet, std::uint16_t identifier, std::uint16_t sequence)
{
    const std::size_t ipLength = ipHeaderLength(packet);
    if (ipLength == 0)
        return std::nullopt;
    // Bytes past the header's total length are padding, not data.
    const std::size_t total = word(packet, 2);
    if (total >= ipLength && total < packet.size())
        packet = packet.first(total);
    const Bytes message = packet.subspan(ipLength);
    if (message.size() < headerSize)
        return std::nullopt;

    Answer answer;
    answer.type = message[0];
    answer.code = message[1];
    answer.tos = packet[1];
    answer.ttl = packet[8];
    std::memcpy(&answer.source, packet.data() + 12, sizeof answer.source);
    if (answer.type == echoReplyType) {
        if (word(message, 4) != identifier || word(message, 6) != sequence)
            return std::nullopt;
        answer.data = message.subspan(headerSize);
        return answer;
    }
    if (!isErrorAbout(answer.type))
        return std::nullopt;
    const Bytes inner = message.subspan(headerSize);
    const std::size_t innerLength = ipHeaderLength(inner);
    if (innerLength == 0 || inner[9] != icmpProtocol || !quotesEcho(inner.subspan(innerLength), identifier, sequence))
        return std::nullopt;
    return answer;
}

std::optional<Answer> datagramReply(Bytes message, std::uint16_t sequence)
{
    if (message.size() < headerSize || message[0] != echoReplyType || word(message, 6) != sequence)
        return std::nullopt;
    Answer answer;
    answer.data = message.subspan(headerSize);
    return answer;
}

std::uint32_t statusOf(std::uint8_t type, std::uint8_t code)
{
    switch (type) {
    case echoReplyType: return IP_SUCCESS;
    case timeExceededType: return code == 1 ? IP_TTL_EXPIRED_REASSEM : IP_TTL_EXPIRED_TRANSIT;
    case parameterProblemType: return IP_PARAM_PROBLEM;
    case sourceQuenchType: return IP_SOURCE_QUENCH;
    case destinationUnreachableType:
        switch (code) {
        case 0: // network
        case 11: // network, for the type of service
            return IP_DEST_NET_UNREACHABLE;
        case 2: return IP_DEST_PROT_UNREACHABLE;
        case 3: return IP_DEST_PORT_UNREACHABLE;
        case 4: return IP_PACKET_TOO_BIG;
        case 5: return IP_BAD_ROUTE;
        default: // the host: unknown, prohibited, isolated, filtered
            return IP_DEST_HOST_UNREACHABLE;
        }
    default: return IP_GENERAL_FAILURE;
    }
}

} // namespace platform::icmp
