#include "net/Ping.h"

#include "net/WSocketLoader.h"

using namespace platform;

TPing::TPing() : icmp_(std::make_unique<TICMP>())
{
    icmp_->OnDisplay = [this](TICMP* Icmp, const std::string& Msg) {
        if (OnDisplay)
            OnDisplay(this, Icmp, Msg);
    };
    icmp_->OnEchoRequest = [this](TICMP* Icmp) {
        if (OnEchoRequest)
            OnEchoRequest(this, Icmp);
    };
    icmp_->OnEchoReply = [this](TICMP* Icmp, std::int32_t Status) {
        if (OnEchoReply)
            OnEchoReply(this, Icmp, Status);
    };
    window_ = AllocateHWnd([this](UINT Msg, WPARAM WParam, LPARAM LParam) { WndProc(Msg, WParam, LParam); });
}

TPing::~TPing()
{
    // The handler of the cancelled lookup must not throw out of a destructor.
    try {
        CancelDnsLookup();
    } catch (...) {
    }
    DeallocateHWnd(window_);
}

std::string TPing::Address() const
{
    return icmp_ ? icmp_->Address() : std::string();
}

void TPing::SetAddress(const std::string& Value)
{
    if (icmp_)
        icmp_->SetAddress(Value);
}

std::int32_t TPing::Setting(std::int32_t TICMP::*Field) const
{
    return icmp_ ? (*icmp_).*Field : 0;
}

void TPing::SetSetting(std::int32_t TICMP::*Field, std::int32_t Value)
{
    if (icmp_)
        (*icmp_).*Field = Value;
}

IcmpEchoReply TPing::Reply() const
{
    return icmp_ ? icmp_->Reply() : IcmpEchoReply{};
}

std::int32_t TPing::ErrorCode() const
{
    return icmp_ ? icmp_->LastError() : -1;
}

std::string TPing::ErrorString() const
{
    return icmp_ ? icmp_->GetErrorString() : std::string();
}

bool TPing::EchoPermitted() const
{
    return IcmpEchoPermitted();
}

std::string TPing::HostName() const
{
    return icmp_ ? icmp_->HostName() : std::string();
}

std::string TPing::GetHostIP() const
{
    return icmp_ ? icmp_->HostIP() : std::string();
}

IcmpHandle TPing::ICMPHandle() const
{
    return icmp_ ? icmp_->Handle() : INVALID_ICMP_HANDLE;
}

std::int32_t TPing::Ping()
{
    return icmp_ ? icmp_->Ping() : 0;
}

void TPing::DnsLookup(const std::string& HostName)
{
    // Forgotten at once: its completion must not be taken for the new lookup's, and a later
    // cancel must not try it again.
    if (dnsLookupHandle_ != 0) {
        WSocket_WSACancelAsyncRequest(dnsLookupHandle_);
        dnsLookupHandle_ = 0;
    }
    dnsResult_.clear();
    const std::uint32_t address = WSocket_inet_addr(HostName);
    if (address != INADDR_NONE) {
        dnsResult_ = WSocket_inet_ntoa(in_addr{address});
        TriggerDnsLookupDone(0);
        return;
    }
    dnsLookupHandle_ = WSocket_WSAAsyncGetHostByName(window_, WM_ASYNCGETHOSTBYNAME, HostName);
    if (dnsLookupHandle_ == 0)
        throw TICMPException(HostName + ": can't start DNS lookup, error #"
                             + std::to_string(WSocket_WSAGetLastError()));
}

void TPing::CancelDnsLookup()
{
    if (dnsLookupHandle_ == 0)
        return;
    const HANDLE task = dnsLookupHandle_;
    dnsLookupHandle_ = 0;
    if (WSocket_WSACancelAsyncRequest(task) != 0)
        throw TICMPException("WSACancelAsyncRequest failed, error #" + std::to_string(WSocket_WSAGetLastError()));
    TriggerDnsLookupDone(WSAEINTR);
}

void TPing::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Msg == WM_ASYNCGETHOSTBYNAME)
        WMAsyncGetHostByName(WParam, LParam);
}

void TPing::WMAsyncGetHostByName(WPARAM WParam, LPARAM LParam)
{
    const auto task = static_cast<HANDLE>(WParam);
    if (task == 0 || task != dnsLookupHandle_)
        return;
    dnsLookupHandle_ = 0;
    auto error = static_cast<std::uint16_t>(WSAGETASYNCERROR(LParam));
    const std::optional<HostEntry> entry = takeLookupResult(task);
    if (error == 0) {
        // A success without an address would leave the caller with nothing to ping.
        if (entry && !entry->addresses.empty())
            dnsResult_ = WSocket_inet_ntoa(in_addr{entry->addresses.front()});
        else
            error = WSANO_DATA;
    }
    TriggerDnsLookupDone(error);
}

void TPing::TriggerDnsLookupDone(std::uint16_t Error)
{
    if (OnDnsLookupDone)
        OnDnsLookupDone(this, Error);
}
