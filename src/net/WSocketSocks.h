#pragma once

#include "net/WSocketBase.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

// The client side of SOCKS 4, 4A and 5 for outgoing TCP connections. With SocksServer set,
// Connect reaches the SOCKS server instead, negotiates, has it connect to Addr:Port, and only
// then reports OnSessionConnected; with SocksServer empty the socket behaves as its base.

enum TSocksState { socksData, socksNegociateMethods, socksAuthenticate, socksConnect };
enum TSocksAuthState { socksAuthStart, socksAuthSuccess, socksAuthFailure, socksAuthNotRequired };
enum TSocksAuthentication { socksNoAuthentication, socksAuthenticateUsercode };

class TCustomSocksWSocket : public TCustomWSocket {
public:
    using TSocksErrorEvent = std::function<void(TCustomWSocket* Sender, std::int32_t Error, const std::string& Msg)>;
    using TSocksAuthStateEvent = std::function<void(TCustomWSocket* Sender, TSocksAuthState AuthState)>;

    TCustomSocksWSocket() = default;

    // "4", "4A" or "5"; the SOCKS server and its port. Each may change only while closed, and
    // every close forgets them, so they are set before each Connect.
    const std::string& SocksLevel() const { return socksLevel_; }
    void SetSocksLevel(const std::string& value);
    const std::string& SocksServer() const { return socksServer_; }
    virtual void SetSocksServer(const std::string& value);
    const std::string& SocksPort() const { return socksPort_; }
    virtual void SetSocksPort(const std::string& value);

    // SOCKS4 user id or SOCKS5 user name, and the SOCKS5 password.
    std::string SocksUsercode;
    std::string SocksPassword;
    TSocksAuthentication SocksAuthentication = socksNoAuthentication;

    TSessionConnected OnSocksConnected;
    TSocksErrorEvent OnSocksError;
    TSocksAuthStateEvent OnSocksAuthState;

    void Connect() override;
    void Listen() override;

protected:
    virtual void TriggerSocksConnected(std::uint16_t ErrCode);
    virtual void TriggerSocksError(std::int32_t Error, const std::string& Msg);
    void TriggerSocksAuthState(TSocksAuthState AuthState);

    void AssignDefaultValue() override;
    std::int32_t GetRcvdCount() override;
    bool TriggerDataAvailable(std::uint16_t ErrCode) override;
    void TriggerSessionConnectedSpecial(std::uint16_t ErrCode) override;
    void TriggerSessionClosed(std::uint16_t ErrCode) override;
    std::int32_t DoRecv(void* Buffer, std::int32_t BufferSize, int Flags) override;

    // Ends the negotiation with an error: OnSocksError, OnSessionConnected and the close.
    void DataAvailableError(std::int32_t Code, const std::string& Msg);

    TSocksState SocksState() const { return socksState_; }
    // Where the SOCKS5 server says it connected from (dotted, a name or IPv6 text) and its port.
    const std::string& BoundAddr() const { return boundAddr_; }
    const std::string& BoundPort() const { return boundPort_; }

private:
    bool SetWhileClosed(std::string& field, const std::string& value, const std::string& what);
    bool UsesSocks() const { return !socksServer_.empty(); }
    bool Level4() const { return !socksLevel_.empty() && socksLevel_[0] == '4'; }
    // A refusal (raised or reported) when a field does not fit the request block.
    bool FieldsFit();
    void SendBytes(const std::string& bytes);
    void SendMethodRequest();
    void SendAuthRequest();
    void SendConnectRequest();
    void SendSocks4Request();
    void ProcessMethodReply();
    void ProcessAuthReply();
    void ProcessSocks4Reply();
    void ProcessSocks5Reply();
    // The final reply of replyLength bytes is in: bytes after it are the first data.
    void NegotiationDone(std::size_t replyLength);
    void DeliverLeftover();

    std::string socksLevel_ = "5";
    std::string socksServer_;
    std::string socksPort_;
    TSocksState socksState_ = socksData;
    std::uint16_t targetPort_ = 0; // host order
    std::uint8_t methodOffered_ = 0;
    // A SOCKS5 reply naming a domain takes up to 7 + 255 bytes.
    std::array<std::uint8_t, 262> reply_{};
    std::size_t replyCount_ = 0;
    std::string boundAddr_;
    std::string boundPort_;
    // Bytes that came with the final reply, served before the socket is read again.
    std::string leftover_;
    std::size_t leftoverAt_ = 0;
};
