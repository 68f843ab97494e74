#pragma once

#include "net/Icmp.h"
#include "platform/win/WinSock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

// The ping component: a TICMP with its settings as properties and its events forwarded, plus
// a host-name lookup that never blocks, its result arriving later from the message loop.
class TPing {
public:
    using TPingDisplay = std::function<void(TPing* Sender, TICMP* Icmp, const std::string& Msg)>;
    using TPingRequest = std::function<void(TPing* Sender, TICMP* Icmp)>;
    using TPingReply = std::function<void(TPing* Sender, TICMP* Icmp, std::int32_t Status)>;
    using TDnsLookupDone = std::function<void(TPing* Sender, std::uint16_t Error)>;

    // Never fails for want of permission to ping: that shows at each echo (General failure).
    TPing();
    // A pending lookup is cancelled (OnDnsLookupDone with 10004).
    virtual ~TPing();
    TPing(const TPing&) = delete;
    TPing& operator=(const TPing&) = delete;

    std::string Address() const;
    void SetAddress(const std::string& Value);
    std::int32_t Size() const { return Setting(&TICMP::Size); }
    void SetSize(std::int32_t Value) { SetSetting(&TICMP::Size, Value); }
    std::int32_t Timeout() const { return Setting(&TICMP::Timeout); }
    void SetTimeout(std::int32_t Value) { SetSetting(&TICMP::Timeout, Value); }
    std::int32_t TTL() const { return Setting(&TICMP::TTL); }
    void SetTTL(std::int32_t Value) { SetSetting(&TICMP::TTL, Value); }
    std::int32_t Getflags() const { return Setting(&TICMP::Flags); }
    void Setflags(std::int32_t Value) { SetSetting(&TICMP::Flags, Value); }

    // The record of the last echo; zeros without a TICMP.
    virtual platform::IcmpEchoReply Reply() const;
    // The status of the last echo (or the lookup error before it); -1 without a TICMP.
    std::int32_t ErrorCode() const;
    virtual std::string ErrorString() const;
    // Whether echoes can be sent at all; without permission each fails with General failure.
    virtual bool EchoPermitted() const;
    // The name the last echo resolved.
    std::string HostName() const;
    // The dotted address the last DnsLookup found.
    const std::string& HostIP() const { return dnsResult_; }
    // The dotted address the last echo went to; it may differ from HostIP.
    std::string GetHostIP() const;
    platform::IcmpHandle ICMPHandle() const;

    TPingDisplay OnDisplay;
    TPingRequest OnEchoRequest;
    TPingReply OnEchoReply;
    TDnsLookupDone OnDnsLookupDone;

    // One echo to Address, blocking up to Timeout; the number of answers (0 or 1).
    virtual std::int32_t Ping();
    // Cancels a pending lookup silently. A dotted address completes before the call returns;
    // a name completes later with OnDnsLookupDone.
    virtual void DnsLookup(const std::string& HostName);
    // Ends a pending lookup with OnDnsLookupDone (10004); nothing when none is pending.
    void CancelDnsLookup();

private:
    static constexpr platform::UINT WM_ASYNCGETHOSTBYNAME = platform::WM_USER + 2;

    // The TICMP's setting, 0 without one; a change without one goes nowhere.
    std::int32_t Setting(std::int32_t TICMP::*Field) const;
    void SetSetting(std::int32_t TICMP::*Field, std::int32_t Value);
    void WndProc(platform::UINT Msg, platform::WPARAM WParam, platform::LPARAM LParam);
    void WMAsyncGetHostByName(platform::WPARAM WParam, platform::LPARAM LParam);
    void TriggerDnsLookupDone(std::uint16_t Error);

    std::unique_ptr<TICMP> icmp_;
    platform::HWND window_ = 0;
    platform::HANDLE dnsLookupHandle_ = 0;
    std::string dnsResult_;
};
