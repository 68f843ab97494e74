#pragma once

#include "platform/base/Exception.h"
#include "platform/icmp/IcmpEcho.h"

#include <cstdint>
#include <functional>
#include <string>

// Raised when a ping object cannot be made: the socket layer does not start, or no ICMP
// handle can be had (memory).
class TICMPException : public platform::Exception {
public:
    using platform::Exception::Exception;
};

// Sends one ICMP echo at a time and waits for its answer. The target is resolved at the first
// Ping after it changes; a host name is looked up there, blocking the caller.
class TICMP {
public:
    using TICMPDisplay = std::function<void(TICMP* Sender, const std::string& Msg)>;
    using TICMPEchoRequest = std::function<void(TICMP* Sender)>;
    using TICMPReply = std::function<void(TICMP* Sender, std::int32_t Error)>;

    // Largest echo data: what one IPv4 packet carries, with room to spare.
    static constexpr std::int32_t MaxSize = 65500;

    TICMP();
    ~TICMP();
    TICMP(const TICMP&) = delete;
    TICMP& operator=(const TICMP&) = delete;

    const std::string& Address() const { return address_; }
    // A different text makes the target unresolved.
    void SetAddress(const std::string& Value);
    // The official name of the host, or the address itself when it is dotted.
    const std::string& HostName() const { return hostName_; }
    // The dotted form of the resolved address.
    const std::string& HostIP() const { return hostIP_; }
    // Network order; INADDR_NONE when unresolved.
    std::uint32_t IPAddress() const { return ipAddress_; }
    bool Resolved() const { return resolved_; }
    std::int32_t LastError() const { return lastError_; }
    // The record of the last echo. Its data pointers are cleared: the buffers are gone.
    const platform::IcmpEchoReply& Reply() const { return reply_; }
    platform::IcmpHandle Handle() const { return handle_; }

    std::int32_t Size = 56;
    std::int32_t Timeout = 4000;
    std::int32_t TTL = 64;
    std::int32_t Flags = 0;

    TICMPDisplay OnDisplay;
    TICMPEchoRequest OnEchoRequest;
    TICMPReply OnEchoReply;

    // Blocking; on failure the target stays unresolved, with LastError the lookup's error.
    void ResolveAddr();
    // The number of answers: 1 for an echo reply or a router's error (see LastError), 0 for a
    // time-out or a failure.
    std::int32_t Ping();
    // The text of LastError; "ICMP error #N" for a number without one.
    std::string GetErrorString() const;

private:
    void TriggerDisplay(const std::string& Msg);

    platform::IcmpHandle handle_ = platform::INVALID_ICMP_HANDLE;
    platform::IcmpEchoReply reply_;
    std::string address_;
    std::string hostName_;
    std::string hostIP_;
    std::uint32_t ipAddress_;
    std::int32_t lastError_ = 0;
    bool resolved_ = false;
};
