#include "platform/icmp/EchoSocket.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>
// After the C library's headers, whose types these use.
#include <linux/errqueue.h>
#include <linux/icmp.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>

namespace platform::icmp {

namespace {

using Clock = std::chrono::steady_clock;

// An IPv4 packet is at most 64 KiB, so one read never truncates.
constexpr std::size_t bufferSize = 65536;
// A flood of other traffic must not keep an echo past its time-out.
constexpr int readsPerRound = 64;

bool enable(int fd, int level, int option, int value = 1)
{
    return ::setsockopt(fd, level, option, &value, sizeof value) == 0;
}

std::uint32_t localStatus(int error, bool dontFragment)
{
    switch (error) {
    case ENETUNREACH: return IP_DEST_NET_UNREACHABLE;
    case EHOSTUNREACH: return IP_DEST_HOST_UNREACHABLE;
    case EMSGSIZE: return dontFragment ? IP_PACKET_TOO_BIG : IP_GENERAL_FAILURE;
    default: return IP_GENERAL_FAILURE;
    }
}

// One message read with its ancillary data.
struct Message {
    ssize_t length = -1;
    int failure = 0; // errno when length is negative
    sockaddr_in from{};
    std::optional<std::uint8_t> ttl;
    std::uint8_t tos = 0;
    std::optional<sock_extended_err> error;
    sockaddr_in offender{};
};

Message receive(int fd, std::vector<std::uint8_t>& buffer, int flags)
{
    Message message;
    iovec part{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[512];
    msghdr header{};
    header.msg_name = &message.from;
    header.msg_namelen = sizeof message.from;
    header.msg_iov = &part;
    header.msg_iovlen = 1;
    header.msg_control = control;
    header.msg_controllen = sizeof control;
    do
        message.length = ::recvmsg(fd, &header, flags | MSG_DONTWAIT);
    while (message.length < 0 && errno == EINTR);
    if (message.length < 0) {
        message.failure = errno;
        return message;
    }
    for (cmsghdr* item = CMSG_FIRSTHDR(&header); item; item = CMSG_NXTHDR(&header, item)) {
        if (item->cmsg_level != SOL_IP)
            continue;
        const std::size_t size = item->cmsg_len - CMSG_LEN(0);
        const unsigned char* data = CMSG_DATA(item);
        if (item->cmsg_type == IP_TTL && size >= sizeof(int)) {
            int ttl = 0;
            std::memcpy(&ttl, data, sizeof ttl);
            message.ttl = static_cast<std::uint8_t>(ttl);
        } else if (item->cmsg_type == IP_TOS && size >= 1) {
            message.tos = data[0];
        } else if (item->cmsg_type == IP_RECVERR && size >= sizeof(sock_extended_err)) {
            sock_extended_err error{};
            std::memcpy(&error, data, sizeof error);
            message.error = error;
            // The sender of the ICMP error follows the record.
            if (size >= sizeof error + sizeof message.offender)
                std::memcpy(&message.offender, data + sizeof error, sizeof message.offender);
        }
    }
    return message;
}

} // namespace

EchoSocket::~EchoSocket()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool EchoSocket::open()
{
    if (fd_ >= 0)
        return true;
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd >= 0) {
        // Router errors come through the error queue; the reply's TTL and TOS as ancillary data.
        if (enable(fd, SOL_IP, IP_RECVERR) && enable(fd, SOL_IP, IP_RECVTTL) && enable(fd, SOL_IP, IP_RECVTOS)) {
            fd_ = fd;
            raw_ = false;
            return true;
        }
        ::close(fd);
    }
    fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0)
        return false;
    // Only the types that can answer an echo reach us; the rest is dropped in the kernel.
    icmp_filter filter{};
    filter.data = ~((1u << echoReplyType) | (1u << destinationUnreachableType) | (1u << sourceQuenchType)
                    | (1u << timeExceededType) | (1u << parameterProblemType));
    ::setsockopt(fd, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
    fd_ = fd;
    raw_ = true;
    return true;
}

bool EchoSocket::applyOptions(const IpOptionInformation* options)
{
    // TTL -1 is the system's default.
    const int ttl = options ? options->Ttl : -1;
    const int tos = options ? options->Tos : 0;
    const bool dontFragment = options && (options->Flags & IP_FLAG_DF);
    return enable(fd_, SOL_IP, IP_TTL, ttl) && enable(fd_, SOL_IP, IP_TOS, tos)
           && enable(fd_, SOL_IP, IP_MTU_DISCOVER, dontFragment ? IP_PMTUDISC_DO : IP_PMTUDISC_DONT);
}

EchoResult EchoSocket::echo(std::uint32_t destination, Bytes data, const IpOptionInformation* options,
                            std::uint32_t timeoutMs)
{
    EchoResult result;
    if (!open())
        return result;
    buffer_.resize(bufferSize);
    if (!applyOptions(options)) {
        result.status = IP_BAD_OPTION;
        return result;
    }
    // An error a router reported about an earlier echo must not fail this send.
    int stale = 0;
    socklen_t staleLength = sizeof stale;
    ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &stale, &staleLength);

    ++sequence_;
    const std::vector<std::uint8_t> packet = echoRequest(identifier_, sequence_, data);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = destination;
    const Clock::time_point start = Clock::now();
    ssize_t sent = 0;
    do
        sent = ::sendto(fd_, packet.data(), packet.size(), MSG_DONTWAIT, reinterpret_cast<const sockaddr*>(&to),
                        sizeof to);
    while (sent < 0 && errno == EINTR);
    if (sent < 0) {
        result.status = localStatus(errno, options && (options->Flags & IP_FLAG_DF));
        return result;
    }

    const Clock::time_point deadline = start + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (const std::optional<Answer> answer = takeAnswer()) {
            const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
            result.answered = true;
            result.status = statusOf(answer->type, answer->code);
            result.address = answer->source;
            result.roundTripMs = static_cast<std::uint32_t>(elapsed.count());
            result.ttl = answer->ttl;
            result.tos = answer->tos;
            result.data.assign(answer->data.begin(), answer->data.end());
            return result;
        }
        const auto remaining = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (remaining.count() <= 0) {
            result.status = IP_REQ_TIMED_OUT;
            return result;
        }
        pollfd ready{fd_, POLLIN, 0};
        ::poll(&ready, 1, static_cast<int>(std::min<std::chrono::milliseconds::rep>(remaining.count(), INT_MAX)));
    }
}

std::optional<Answer> EchoSocket::takeAnswer()
{
    if (!raw_)
        if (std::optional<Answer> error = takeDatagramError())
            return error;
    return takeReply();
}

std::optional<Answer> EchoSocket::takeDatagramError()
{
    for (int read = 0; read < readsPerRound; ++read) {
        const Message message = receive(fd_, buffer_, MSG_ERRQUEUE);
        if (message.length < 0)
            return std::nullopt;
        // Local errors belong to a send that already failed.
        if (!message.error || message.error->ee_origin != SO_EE_ORIGIN_ICMP
            || !quotesEcho(Bytes(buffer_.data(), static_cast<std::size_t>(message.length)), std::nullopt, sequence_))
            continue;
        Answer answer;
        answer.type = message.error->ee_type;
        answer.code = message.error->ee_code;
        answer.source = message.offender.sin_addr.s_addr;
        answer.ttl = message.ttl.value_or(0);
        answer.tos = message.tos;
        return answer;
    }
    return std::nullopt;
}

std::optional<Answer> EchoSocket::takeReply()
{
    for (int read = 0; read < readsPerRound; ++read) {
        const Message message = receive(fd_, buffer_, 0);
        if (message.length < 0) {
            // A pending router error is reported once by a read; its message waits in the error queue.
            if (message.failure == EAGAIN)
                return std::nullopt;
            continue;
        }
        const Bytes bytes(buffer_.data(), static_cast<std::size_t>(message.length));
        std::optional<Answer> answer =
            raw_ ? rawAnswer(bytes, identifier_, sequence_) : datagramReply(bytes, sequence_);
        if (!answer)
            continue;
        if (!raw_) {
            answer->source = message.from.sin_addr.s_addr;
            answer->ttl = message.ttl.value_or(0);
            answer->tos = message.tos;
        }
        return answer;
    }
    return std::nullopt;
}

} // namespace platform::icmp
