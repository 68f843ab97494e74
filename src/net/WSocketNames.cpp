// Name lookups and the addresses of both ends.

#include "net/WSocketBase.h"

#include "net/WSocketHelpers.h"
#include "net/WSocketLoader.h"

#include <arpa/inet.h>

using namespace platform;

namespace {

constexpr std::size_t maxHostLength = 256;
const char* const noAddress = "error";

} // namespace

void TCustomWSocket::ForgetLookup()
{
    if (dnsLookupHandle_ != 0) {
        WSocket_WSACancelAsyncRequest(dnsLookupHandle_);
        dnsLookupHandle_ = 0;
    }
    dnsResult_.clear();
    dnsResultList_.clear();
}

void TCustomWSocket::StartLookup(const std::string& What, HANDLE Handle)
{
    if (Handle == 0) {
        RaiseExceptionFmt("%s: can't start DNS lookup, error #%d", What.c_str(), WSocket_WSAGetLastError());
        return;
    }
    dnsLookupHandle_ = Handle;
}

void TCustomWSocket::DnsLookup(const std::string& HostName)
{
    if (HostName.empty()) {
        RaiseException("DNS lookup: invalid host name.");
        TriggerDNSLookupDone(WSAEINVAL);
        return;
    }
    ForgetLookup();
    if (WSocketIsDottedIP(HostName)) {
        // 255.255.255.255 reads as "no address" here and is left to the resolver.
        in_addr address{};
        address.s_addr = WSocket_inet_addr(HostName);
        if (address.s_addr != INADDR_NONE) {
            dnsResult_ = WSocket_inet_ntoa(address);
            dnsResultList_.push_back(dnsResult_);
            TriggerDNSLookupDone(0);
            return;
        }
    }
    StartLookup(HostName, WSocket_WSAAsyncGetHostByName(Handle(), WM_ASYNCGETHOSTBYNAME, HostName));
}

void TCustomWSocket::ReverseDnsLookup(const std::string& HostAddr)
{
    if (HostAddr.empty() || HostAddr.size() > maxHostLength) {
        RaiseException("ReverseDnsLookup: Invalid host name.");
        TriggerDNSLookupDone(WSAEINVAL);
        return;
    }
    ForgetLookup();
    StartLookup(HostAddr,
                WSocket_WSAAsyncGetHostByAddr(Handle(), WM_ASYNCGETHOSTBYADDR, WSocket_inet_addr(HostAddr)));
}

void TCustomWSocket::CancelDnsLookup()
{
    if (dnsLookupHandle_ == 0)
        return;
    const HANDLE task = dnsLookupHandle_;
    dnsLookupHandle_ = 0;
    if (WSocket_WSACancelAsyncRequest(task) != 0)
        return SocketError("WSACancelAsyncRequest");
    if (!destroying_)
        TriggerDNSLookupDone(WSAEINTR);
}

void TCustomWSocket::WMAsyncGetHostByName(WPARAM WParam, LPARAM LParam)
{
    TakeLookupResult(WParam, LParam, false);
}

void TCustomWSocket::WMAsyncGetHostByAddr(WPARAM WParam, LPARAM LParam)
{
    TakeLookupResult(WParam, LParam, true);
}

void TCustomWSocket::TakeLookupResult(WPARAM WParam, LPARAM LParam, bool Reverse)
{
    const auto task = static_cast<HANDLE>(WParam);
    if (task == 0 || task != dnsLookupHandle_)
        return;
    dnsLookupHandle_ = 0;
    const auto error = static_cast<std::uint16_t>(WSAGETASYNCERROR(LParam));
    const std::optional<HostEntry> entry = takeLookupResult(task);
    if (error == 0 && entry) {
        if (Reverse) {
            dnsResultList_.push_back(entry->name);
        } else {
            for (const std::uint32_t address : entry->addresses) {
                in_addr dotted{};
                dotted.s_addr = address;
                dnsResultList_.push_back(WSocket_inet_ntoa(dotted));
            }
        }
        if (!dnsResultList_.empty())
            dnsResult_ = dnsResultList_.front();
    }
    TriggerDNSLookupDone(error);
}

bool TCustomWSocket::PeerAddress(sockaddr_in& Peer, const char* Where)
{
    if (state_ != wsConnected)
        return false;
    socklen_t length = sizeof Peer;
    if (WSocket_getpeername(hSocket_, reinterpret_cast<sockaddr*>(&Peer), &length) == 0)
        return true;
    SocketError(Where);
    return false;
}

std::string TCustomWSocket::GetPeerAddr()
{
    sockaddr_in peer{};
    return PeerAddress(peer, "GetPeerAddr") ? WSocket_inet_ntoa(peer.sin_addr) : noAddress;
}

std::string TCustomWSocket::GetPeerPort()
{
    sockaddr_in peer{};
    return PeerAddress(peer, "GetPeerPort") ? std::to_string(WSocket_ntohs(peer.sin_port)) : noAddress;
}

std::int32_t TCustomWSocket::GetPeerName(sockaddr_in& Name, socklen_t NameLen)
{
    if (state_ != wsConnected)
        return -1;
    return WSocket_getpeername(hSocket_, reinterpret_cast<sockaddr*>(&Name), &NameLen);
}

std::int32_t TCustomWSocket::GetSockName(sockaddr_in& Name, socklen_t& NameLen)
{
    return WSocket_getsockname(hSocket_, reinterpret_cast<sockaddr*>(&Name), &NameLen);
}

bool TCustomWSocket::LocalAddress(sockaddr_in& Local)
{
    socklen_t length = sizeof Local;
    return (state_ == wsBound || state_ == wsConnected || state_ == wsListening) && GetSockName(Local, length) == 0;
}

std::string TCustomWSocket::GetXAddr()
{
    sockaddr_in local{};
    return LocalAddress(local) ? WSocket_inet_ntoa(local.sin_addr) : noAddress;
}

std::string TCustomWSocket::GetXPort()
{
    sockaddr_in local{};
    return LocalAddress(local) ? std::to_string(WSocket_ntohs(local.sin_port)) : noAddress;
}
