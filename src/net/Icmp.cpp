#include "net/Icmp.h"

#include "net/WSocketErrors.h"
#include "net/WSocketHelpers.h"
#include "net/WSocketLoader.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace platform;

namespace {

// Copied over the start of every echo's data (blanks fill the rest).
constexpr char requestText[] = "Pelvaxon ping: echo request for a trace route";
static_assert(sizeof requestText - 1 == 45);

struct StatusText {
    std::int32_t status;
    const char* text;
};

constexpr StatusText statusTexts[] = {
    {IP_SUCCESS, "No error"},
    {IP_BUF_TOO_SMALL, "Buffer too small"},
    {IP_DEST_NET_UNREACHABLE, "Destination network unreachable"},
    {IP_DEST_HOST_UNREACHABLE, "Destination host unreachable"},
    {IP_DEST_PROT_UNREACHABLE, "Destination protocol unreachable"},
    {IP_DEST_PORT_UNREACHABLE, "Destination port unreachable"},
    {IP_NO_RESOURCES, "No resources"},
    {IP_BAD_OPTION, "Bad option"},
    {IP_HW_ERROR, "Hardware error"},
    {IP_PACKET_TOO_BIG, "Packet too big"},
    {IP_REQ_TIMED_OUT, "Request timed out"},
    {IP_BAD_REQ, "Bad request"},
    {IP_BAD_ROUTE, "Bad route"},
    {IP_TTL_EXPIRED_TRANSIT, "TTL expired in transit"},
    {IP_TTL_EXPIRED_REASSEM, "TTL expired in reassembly"},
    {IP_PARAM_PROBLEM, "Parameter problem"},
    {IP_SOURCE_QUENCH, "Source quench"},
    {IP_OPTION_TOO_BIG, "Option too big"},
    {IP_BAD_DESTINATION, "Bad Destination"},
    {IP_ADDR_DELETED, "Address deleted"},
    {IP_SPEC_MTU_CHANGE, "Spec MTU change"},
    {IP_MTU_CHANGE, "MTU change"},
    {IP_GENERAL_FAILURE, "General failure"},
    {IP_PENDING, "Pending"},
};

} // namespace

TICMP::TICMP() : ipAddress_(INADDR_NONE)
{
    WSADATA data;
    bool started = false;
    try {
        started = WSocket_WSAStartup(MAKEWORD(1, 1), &data) == 0;
    } catch (const ESocketException&) {
    }
    if (!started)
        throw TICMPException("Error initialising Winsock");
    handle_ = IcmpCreateFile();
    if (handle_ == INVALID_ICMP_HANDLE) {
        WSocket_WSACleanup();
        throw TICMPException("Unable to get ping handle");
    }
}

TICMP::~TICMP()
{
    IcmpCloseHandle(handle_);
    WSocket_WSACleanup();
}

void TICMP::SetAddress(const std::string& Value)
{
    if (Value == address_)
        return;
    address_ = Value;
    resolved_ = false;
}

void TICMP::TriggerDisplay(const std::string& Msg)
{
    if (OnDisplay)
        OnDisplay(this, Msg);
}

void TICMP::ResolveAddr()
{
    ipAddress_ = WSocket_inet_addr(address_);
    if (ipAddress_ == INADDR_NONE) {
        std::optional<HostEntry> entry;
        int error = WSANO_DATA;
        try {
            entry = WSocketGetHostByName(address_);
            if (!entry)
                error = WSocket_WSAGetLastError();
        } catch (const ESocketException&) {
            // A blank or overlong name: nothing to look up.
            error = WSAEINVAL;
        }
        if (!entry || entry->addresses.empty()) {
            lastError_ = error;
            hostName_.clear();
            hostIP_.clear();
            TriggerDisplay("Unable to resolve " + address_);
            return;
        }
        ipAddress_ = entry->addresses.front();
        hostName_ = entry->name;
    } else {
        hostName_ = address_;
    }
    hostIP_ = WSocket_inet_ntoa(in_addr{ipAddress_});
    resolved_ = true;
}

std::int32_t TICMP::Ping()
{
    lastError_ = 0;
    if (!resolved_)
        ResolveAddr();
    if (ipAddress_ == INADDR_NONE) {
        lastError_ = IP_BAD_DESTINATION;
        TriggerDisplay("Invalid host address");
        return 0;
    }
    if (Size < 0 || Size > MaxSize) {
        lastError_ = IP_GENERAL_FAILURE;
        return 0;
    }

    const auto size = static_cast<std::size_t>(Size);
    std::vector<char> request(size, ' ');
    std::memcpy(request.data(), requestText, std::min(size, sizeof requestText - 1));
    std::vector<unsigned char> replyBuffer(sizeof(IcmpEchoReply) + size, 0);

    if (OnEchoRequest)
        OnEchoRequest(this);
    IpOptionInformation options;
    options.Ttl = static_cast<std::uint8_t>(TTL);
    options.Flags = static_cast<std::uint8_t>(Flags);
    const auto replies = static_cast<std::int32_t>(IcmpSendEcho(
        handle_, ipAddress_, request.data(), static_cast<std::uint16_t>(size), &options, replyBuffer.data(),
        static_cast<std::uint32_t>(replyBuffer.size()), static_cast<std::uint32_t>(std::max(Timeout, 0))));
    lastError_ = static_cast<std::int32_t>(IcmpGetLastError());
    std::memcpy(&reply_, replyBuffer.data(), sizeof reply_);
    reply_.Data = nullptr;
    reply_.Options.OptionsData = nullptr;

    if (OnEchoReply)
        OnEchoReply(this, replies);
    return replies;
}

std::string TICMP::GetErrorString() const
{
    for (const StatusText& entry : statusTexts)
        if (entry.status == lastError_)
            return entry.text;
    return "ICMP error #" + std::to_string(lastError_);
}
