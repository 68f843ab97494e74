#include "platform/icmp/EchoPacket.h"
#include "platform/icmp/IcmpEcho.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstring>
#include <string>
#include <vector>

using namespace platform;
using namespace platform::icmp;

namespace {

using Packet = std::vector<std::uint8_t>;

constexpr std::uint16_t ourId = 0x1234;
constexpr std::uint16_t ourSeq = 7;

// Checksums are left to the kernel on receipt, so only the type and code need changing.
Packet icmpMessage(std::uint8_t type, std::uint8_t code, std::uint16_t id, std::uint16_t seq, const Packet& body)
{
    Packet message = echoRequest(id, seq, body);
    message[0] = type;
    message[1] = code;
    return message;
}

// An IPv4 packet from source with the given TTL and protocol around payload.
Packet ipPacket(const char* source, std::uint8_t ttl, const Packet& payload, std::uint8_t protocol = 1)
{
    Packet packet(20, 0);
    packet[0] = 0x45;
    packet[1] = 0x10;
    const auto total = static_cast<std::uint16_t>(20 + payload.size());
    packet[2] = static_cast<std::uint8_t>(total >> 8);
    packet[3] = static_cast<std::uint8_t>(total);
    packet[8] = ttl;
    packet[9] = protocol;
    const std::uint32_t from = inet_addr(source);
    std::memcpy(&packet[12], &from, 4);
    packet.insert(packet.end(), payload.begin(), payload.end());
    return packet;
}

// A router's error about the request it quotes (its IP header and first 8 bytes).
Packet errorAbout(std::uint8_t type, std::uint8_t code, const Packet& quoted)
{
    return ipPacket("10.0.0.1", 63, icmpMessage(type, code, 0, 0, quoted));
}

Packet ourRequest(std::uint16_t id = ourId, std::uint16_t seq = ourSeq)
{
    return ipPacket("192.0.2.1", 1, icmpMessage(echoRequestType, 0, id, seq, {}));
}

} // namespace

TEST(EchoPacket, OnlyAnswersToOurIdentifierAndSequenceAreTakenFromTheValidRequest)
{
    const Packet reply = ipPacket("192.0.2.9", 57, icmpMessage(echoReplyType, 0, ourId, ourSeq, {'a', 'b', 'c'}));
    const auto answer = rawAnswer(reply, ourId, ourSeq);
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->type, echoReplyType);
    EXPECT_EQ(answer->source, inet_addr("192.0.2.9"));
    EXPECT_EQ(answer->ttl, 57);
    EXPECT_EQ(answer->tos, 0x10);
    EXPECT_EQ(std::string(answer->data.begin(), answer->data.end()), "abc");

    EXPECT_FALSE(rawAnswer(reply, ourId + 1, ourSeq)) << "another program's ping";
    EXPECT_FALSE(rawAnswer(reply, ourId, ourSeq + 1)) << "a late reply to an earlier echo";
    EXPECT_FALSE(
        rawAnswer(ipPacket("127.0.0.1", 64, icmpMessage(echoRequestType, 0, ourId, ourSeq, {})), ourId, ourSeq))
        << "our own request seen on loopback";

    const auto expired = rawAnswer(errorAbout(timeExceededType, 0, ourRequest()), ourId, ourSeq);
    ASSERT_TRUE(expired);
    EXPECT_EQ(expired->source, inet_addr("10.0.0.1"));
    EXPECT_TRUE(expired->data.empty());
    EXPECT_TRUE(rawAnswer(errorAbout(destinationUnreachableType, 1, ourRequest()), ourId, ourSeq));
    EXPECT_FALSE(rawAnswer(errorAbout(timeExceededType, 0, ourRequest(ourId + 1)), ourId, ourSeq));
    EXPECT_FALSE(rawAnswer(errorAbout(timeExceededType, 0, ourRequest(ourId, ourSeq - 1)), ourId, ourSeq));
    EXPECT_FALSE(rawAnswer(errorAbout(timeExceededType, 0,
                                      ipPacket("192.0.2.1", 1, icmpMessage(echoRequestType, 0, ourId, ourSeq, {}), 17)),
                           ourId, ourSeq))
        << "a UDP datagram that happens to carry the same bytes";
    EXPECT_FALSE(rawAnswer(errorAbout(5, 0, ourRequest()), ourId, ourSeq)) << "a redirect is no answer";

    const Packet request = echoRequest(ourId, ourSeq, Packet{'o', 'd', 'd'});
    EXPECT_EQ(internetChecksum(request), 0) << "a receiver's check of the whole request";
    EXPECT_TRUE(quotesEcho(request, ourId, ourSeq));

    // Datagram sockets: the kernel owns the identifier, the sequence decides.
    const Packet message = icmpMessage(echoReplyType, 0, 99, ourSeq, {'x'});
    ASSERT_TRUE(datagramReply(message, ourSeq));
    EXPECT_EQ(datagramReply(message, ourSeq)->data.size(), 1u);
    EXPECT_FALSE(datagramReply(message, ourSeq + 1));
    EXPECT_TRUE(quotesEcho(icmpMessage(echoRequestType, 0, 99, ourSeq, {}), std::nullopt, ourSeq));
}

TEST(EchoPacket, TruncatedAndMalformedPacketsAreRefusedWithoutReadingPastThem)
{
    const Packet reply = ipPacket("192.0.2.9", 57, icmpMessage(echoReplyType, 0, ourId, ourSeq, {}));
    const Packet error = errorAbout(timeExceededType, 0, ourRequest());
    for (const Packet* whole : {&reply, &error}) {
        for (std::size_t length = 0; length < whole->size(); ++length) {
            // An exact-size copy, so reading one byte too far is caught by the sanitizer.
            const Packet cut(whole->begin(), whole->begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_FALSE(rawAnswer(cut, ourId, ourSeq)) << length << " of " << whole->size() << " bytes";
        }
        EXPECT_TRUE(rawAnswer(*whole, ourId, ourSeq));
    }
    Packet longHeader = reply;
    longHeader[0] = 0x4F; // claims 60 header bytes, has 28 in all
    EXPECT_FALSE(rawAnswer(longHeader, ourId, ourSeq));
    Packet version6 = reply;
    version6[0] = 0x65;
    EXPECT_FALSE(rawAnswer(version6, ourId, ourSeq));
    for (std::size_t length = 0; length < 8; ++length)
        EXPECT_FALSE(datagramReply(Packet(length, 0), 0));

    // Bytes past the IP total length are link padding, not echoed data.
    Packet padded = ipPacket("192.0.2.9", 57, icmpMessage(echoReplyType, 0, ourId, ourSeq, {'d'}));
    padded.insert(padded.end(), {0, 0, 0});
    EXPECT_EQ(rawAnswer(padded, ourId, ourSeq)->data.size(), 1u);
}

TEST(IcmpEcho, BadHandlesAndSmallBuffersFailWithTheirStatus)
{
    const IcmpHandle handle = IcmpCreateFile();
    ASSERT_NE(handle, INVALID_ICMP_HANDLE);
    const char data[8] = "payload";
    std::vector<unsigned char> buffer(sizeof(IcmpEchoReply) + sizeof data, 0xEE);
    auto send = [&](std::size_t bufferSize) {
        return IcmpSendEcho(handle, inet_addr("127.0.0.1"), data, sizeof data, nullptr, buffer.data(),
                            static_cast<std::uint32_t>(bufferSize), 100);
    };
    EXPECT_EQ(send(buffer.size() - 1), 0u);
    EXPECT_EQ(IcmpGetLastError(), IP_BUF_TOO_SMALL);
    IcmpEchoReply record;
    std::memcpy(&record, buffer.data(), sizeof record);
    EXPECT_EQ(record.Status, IP_BUF_TOO_SMALL);

    EXPECT_TRUE(IcmpCloseHandle(handle));
    EXPECT_FALSE(IcmpCloseHandle(handle));
    EXPECT_EQ(send(buffer.size()), 0u);
    EXPECT_EQ(IcmpGetLastError(), IP_GENERAL_FAILURE);
    const IcmpHandle next = IcmpCreateFile();
    EXPECT_NE(next, handle) << "a closed handle is never handed out again";
    IcmpCloseHandle(next);
}
