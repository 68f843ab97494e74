#include "platform/icmp/IcmpEcho.h"

#include "platform/icmp/EchoSocket.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>

namespace platform {

namespace {

thread_local std::uint32_t lastError = IP_SUCCESS;

struct Channel {
    explicit Channel(std::uint16_t identifier) : socket(identifier) {}
    std::mutex lock;
    icmp::EchoSocket socket;
};

struct ChannelTable {
    std::mutex lock;
    IcmpHandle next = 1;
    std::map<IcmpHandle, std::shared_ptr<Channel>> channels;
};

ChannelTable& table()
{
    static ChannelTable channels;
    return channels;
}

std::shared_ptr<Channel> find(IcmpHandle handle)
{
    ChannelTable& channels = table();
    std::lock_guard guard(channels.lock);
    const auto found = channels.channels.find(handle);
    return found == channels.channels.end() ? nullptr : found->second;
}

// Raw sockets share every ICMP message of the host: each handle's identifier differs from the
// other handles' of this process and, most likely, from other programs'.
std::uint16_t identifierFor(IcmpHandle handle)
{
    return static_cast<std::uint16_t>(static_cast<std::uint32_t>(::getpid())
                                      ^ static_cast<std::uint32_t>(handle * 0x9E37));
}

std::uint32_t fail(std::uint32_t status, void* replyBuffer, std::uint32_t replySize)
{
    if (replyBuffer && replySize >= sizeof(IcmpEchoReply)) {
        IcmpEchoReply record;
        record.Status = status;
        std::memcpy(replyBuffer, &record, sizeof record);
    }
    lastError = status;
    return 0;
}

} // namespace

IcmpHandle IcmpCreateFile()
{
    ChannelTable& channels = table();
    std::lock_guard guard(channels.lock);
    try {
        const IcmpHandle handle = channels.next;
        channels.channels.emplace(handle, std::make_shared<Channel>(identifierFor(handle)));
        ++channels.next;
        return handle;
    } catch (const std::bad_alloc&) {
        return INVALID_ICMP_HANDLE;
    }
}

bool IcmpCloseHandle(IcmpHandle handle)
{
    ChannelTable& channels = table();
    std::lock_guard guard(channels.lock);
    return channels.channels.erase(handle) == 1;
}

std::uint32_t IcmpSendEcho(IcmpHandle handle, std::uint32_t destination, const void* requestData,
                           std::uint16_t requestSize, const IpOptionInformation* options, void* replyBuffer,
                           std::uint32_t replySize, std::uint32_t timeoutMs)
{
    const std::shared_ptr<Channel> channel = find(handle);
    if (!channel || (requestSize > 0 && !requestData))
        return fail(IP_GENERAL_FAILURE, replyBuffer, replySize);
    if (!replyBuffer || replySize < sizeof(IcmpEchoReply) + requestSize)
        return fail(IP_BUF_TOO_SMALL, replyBuffer, replySize);
    // Sending IP options is not supported.
    if (options && options->OptionsSize > 0)
        return fail(IP_BAD_OPTION, replyBuffer, replySize);

    icmp::EchoResult result;
    {
        std::lock_guard guard(channel->lock);
        result = channel->socket.echo(
            destination, icmp::Bytes(static_cast<const std::uint8_t*>(requestData), requestSize), options, timeoutMs);
    }

    auto* data = static_cast<std::uint8_t*>(replyBuffer) + sizeof(IcmpEchoReply);
    const std::size_t room = std::min<std::size_t>(replySize - sizeof(IcmpEchoReply), UINT16_MAX);
    const std::size_t copied = std::min(result.data.size(), room);
    if (copied > 0)
        std::memcpy(data, result.data.data(), copied);
    IcmpEchoReply record;
    record.Address = result.address;
    record.Status = result.status;
    record.RoundTripTime = result.roundTripMs;
    record.DataSize = static_cast<std::uint16_t>(copied);
    record.Data = data;
    record.Options.Ttl = result.ttl;
    record.Options.Tos = result.tos;
    std::memcpy(replyBuffer, &record, sizeof record);
    lastError = result.status;
    return result.answered ? 1 : 0;
}

std::uint32_t IcmpGetLastError()
{
    return lastError;
}

bool IcmpEchoPermitted()
{
    for (const int type : {SOCK_DGRAM, SOCK_RAW}) {
        const int fd = ::socket(AF_INET, type | SOCK_CLOEXEC, IPPROTO_ICMP);
        if (fd >= 0) {
            ::close(fd);
            return true;
        }
    }
    return false;
}

} // namespace platform
