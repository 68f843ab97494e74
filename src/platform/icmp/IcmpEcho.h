#pragma once

#include <cstdint>

// One ICMP echo at a time, in the shape the ping component is written against: a handle, a
// blocking send that waits for the answer up to a time-out, and a reply record. Backed by the
// kernel's ICMP datagram ("ping") sockets, or raw sockets where those are refused.
namespace platform {

// Handles are never handed out twice.
using IcmpHandle = std::int64_t;
constexpr IcmpHandle INVALID_ICMP_HANDLE = -1;

// The IP flags bit of the request that forbids fragmenting it (path-MTU discovery on).
constexpr std::uint8_t IP_FLAG_DF = 0x02;

// IP status of an echo: the reply record's Status and the thread's last ICMP error.
enum IpStatus : std::uint32_t {
    IP_SUCCESS = 0,
    IP_BUF_TOO_SMALL = 11001,
    IP_DEST_NET_UNREACHABLE = 11002,
    IP_DEST_HOST_UNREACHABLE = 11003,
    IP_DEST_PROT_UNREACHABLE = 11004,
    IP_DEST_PORT_UNREACHABLE = 11005,
    IP_NO_RESOURCES = 11006,
    IP_BAD_OPTION = 11007,
    IP_HW_ERROR = 11008,
    IP_PACKET_TOO_BIG = 11009,
    IP_REQ_TIMED_OUT = 11010,
    IP_BAD_REQ = 11011,
    IP_BAD_ROUTE = 11012,
    IP_TTL_EXPIRED_TRANSIT = 11013,
    IP_TTL_EXPIRED_REASSEM = 11014,
    IP_PARAM_PROBLEM = 11015,
    IP_SOURCE_QUENCH = 11016,
    IP_OPTION_TOO_BIG = 11017,
    IP_BAD_DESTINATION = 11018,
    IP_ADDR_DELETED = 11019,
    IP_SPEC_MTU_CHANGE = 11020,
    IP_MTU_CHANGE = 11021,
    IP_GENERAL_FAILURE = 11050,
    IP_PENDING = 11255,
};

// IP header settings of a request, and what the answer carried.
struct IpOptionInformation {
    std::uint8_t Ttl = 0;
    std::uint8_t Tos = 0;
    std::uint8_t Flags = 0;
    std::uint8_t OptionsSize = 0;
    std::uint8_t* OptionsData = nullptr;
};

// The record at the start of the reply buffer. Address is IPv4 in network order: the echoing
// host, or the router that sent an error. Data points just past the record, where the echoed
// bytes are copied.
struct IcmpEchoReply {
    std::uint32_t Address = 0;
    std::uint32_t Status = 0;
    std::uint32_t RoundTripTime = 0;
    std::uint16_t DataSize = 0;
    std::uint16_t Reserved = 0;
    void* Data = nullptr;
    IpOptionInformation Options;
};

// Opens no socket yet: that happens at the first echo, so a handle can be had without any
// permission to ping. INVALID_ICMP_HANDLE only when memory runs out.
IcmpHandle IcmpCreateFile();
bool IcmpCloseHandle(IcmpHandle handle);

// Sends one echo to destination (network order) and blocks until its answer or the time-out.
// Returns 1 for any ICMP answer, an echo reply or a router's error, with its status in the
// record; 0 for a time-out or a local failure. replySize must hold the record and requestSize
// bytes, else IP_BUF_TOO_SMALL. Without options the system's TTL is used and DF is clear.
// Every call sets the thread's last ICMP error to the status.
std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t destination, const void* requestData,
                           std::uint16_t requestSize, const IpOptionInformation* options, void* replyBuffer,
                           std::uint32_t replySize, std::uint32_t timeoutMs);

std::uint32_t IcmpGetLastError();

// Whether this process may send echoes at all: the system lets it open an ICMP datagram or
// raw socket. Without either, every echo fails with IP_GENERAL_FAILURE.
bool IcmpEchoPermitted();

} // namespace platform
