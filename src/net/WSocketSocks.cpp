#include "net/WSocketSocks.h"

#include "net/WSocketHelpers.h"
#include "net/WSocketLoader.h"
#include "platform/base/AsciiCase.h"

#include <arpa/inet.h>
#include <cxxabi.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <typeinfo>

using namespace platform;

namespace {

// Every request is built in a block of this size, which bounds the fields it carries.
constexpr std::size_t requestBlock = 128;
constexpr std::size_t socks4ReplyLength = 8;

std::string className(const std::exception& E)
{
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> name(abi::__cxa_demangle(typeid(E).name(), nullptr, nullptr, &status),
                                                       std::free);
    return status == 0 && name ? name.get() : typeid(E).name();
}

std::string portBytes(std::uint16_t port)
{
    return {static_cast<char>(port >> 8), static_cast<char>(port & 0xFF)};
}

std::string socks5ReplyError(std::uint8_t code)
{
    static const char* const texts[] = {"general SOCKS server failure", "connection not allowed by ruleset",
                                        "network unreachable",          "host unreachable",
                                        "connection refused",           "time to live expired",
                                        "command not supported",        "address type not supported"};
    return code >= 1 && code <= 8 ? texts[code - 1] : "unassigned error #" + std::to_string(code);
}

} // namespace

void TCustomSocksWSocket::AssignDefaultValue()
{
    TCustomWSocket::AssignDefaultValue();
    socksServer_.clear();
    socksPort_.clear();
    socksLevel_.assign(1, '5');
    socksState_ = socksData;
    replyCount_ = 0;
    methodOffered_ = 0;
    leftover_.clear();
    leftoverAt_ = 0;
}

void TCustomSocksWSocket::SetSocksLevel(const std::string& value)
{
    const std::string level = platform::AsciiUpperCase(value);
    if (level != "4" && level != "4A" && level != "5") {
        RaiseException("Invalid socks level. Must be 4, 4A or 5.");
        return;
    }
    if (State() != wsClosed) {
        RaiseException("Can't change socks level if not closed");
        return;
    }
    socksLevel_ = level;
}

bool TCustomSocksWSocket::SetWhileClosed(std::string& field, const std::string& value, const std::string& what)
{
    if (State() != wsClosed) {
        RaiseException("Can't change socks " + what + " if not closed");
        return false;
    }
    field = WSocketTrim(value);
    return true;
}

void TCustomSocksWSocket::SetSocksServer(const std::string& value)
{
    if (SetWhileClosed(socksServer_, value, "server"))
        addrResolved_ = false;
}

void TCustomSocksWSocket::SetSocksPort(const std::string& value)
{
    if (SetWhileClosed(socksPort_, value, "port"))
        portResolved_ = false;
}

void TCustomSocksWSocket::Listen()
{
    if (UsesSocks()) {
        RaiseException("Listening is not supported thru socks server");
        return;
    }
    TCustomWSocket::Listen();
}

bool TCustomSocksWSocket::FieldsFit()
{
    const std::size_t host = Addr().size();
    const std::size_t user = SocksUsercode.size();
    const std::size_t password = SocksPassword.size();
    std::string refusal;
    if (socksLevel_ == "5" && 7 + host > requestBlock)
        refusal = "socks host name longer than 121 bytes: " + Addr();
    else if (socksLevel_ == "5" && SocksAuthentication == socksAuthenticateUsercode && 3 + user + password > requestBlock)
        refusal = "socks user name and password longer than 125 bytes together";
    else if (socksLevel_ == "4" && 9 + user > requestBlock)
        refusal = "socks user code longer than 119 bytes";
    else if (socksLevel_ == "4A" && 10 + user + host > requestBlock)
        refusal = "socks user code and host name longer than 118 bytes together";
    if (refusal.empty())
        return true;
    RaiseException(refusal);
    return false;
}

void TCustomSocksWSocket::Connect()
{
    // Without a target, or while open, the base refuses with its own words.
    if (!UsesSocks() || Port().empty() || Addr().empty() || (HSocket() != INVALID_SOCKET && State() != wsClosed)) {
        TCustomWSocket::Connect();
        return;
    }
    if (platform::AsciiLowerCase(Proto()) != "tcp") {
        RaiseException("tcp is the only protocol supported thru socks server");
        return;
    }
    if (!FieldsFit())
        return;
    try {
        if (!portResolved_) {
            sin_.sin_port = htons(WSocketResolvePort(socksPort_, Proto()));
            portResolved_ = true;
        }
        if (!addrResolved_) {
            sin_.sin_addr.s_addr = WSocketResolveHost(socksServer_);
            addrResolved_ = true;
        }
        targetPort_ = WSocketResolvePort(Port(), Proto());
    } catch (const ESocketException& E) {
        RaiseException(std::string("connect: ") + E.what());
        return;
    }
    socksState_ = socksNegociateMethods;
    replyCount_ = 0;
    TCustomWSocket::Connect();
}

void TCustomSocksWSocket::TriggerSessionConnectedSpecial(std::uint16_t ErrCode)
{
    if (socksState_ != socksNegociateMethods || ErrCode != 0) {
        if (socksState_ == socksNegociateMethods)
            TriggerSocksConnected(ErrCode);
        TCustomWSocket::TriggerSessionConnectedSpecial(ErrCode);
        return;
    }
    TriggerSocksConnected(0);
    if (State() != wsConnected)
        return; // the handler closed the connection
    if (Level4())
        SendSocks4Request();
    else
        SendMethodRequest();
}

void TCustomSocksWSocket::SendBytes(const std::string& bytes)
{
    Send(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

void TCustomSocksWSocket::SendMethodRequest()
{
    methodOffered_ = SocksAuthentication == socksAuthenticateUsercode ? 2 : 0;
    SendBytes({0x05, 0x01, static_cast<char>(methodOffered_)});
}

void TCustomSocksWSocket::SendAuthRequest()
{
    std::string request{0x01, static_cast<char>(SocksUsercode.size())};
    request += SocksUsercode;
    request += static_cast<char>(SocksPassword.size());
    request += SocksPassword;
    SendBytes(request);
}

void TCustomSocksWSocket::SendConnectRequest()
{
    socksState_ = socksConnect;
    replyCount_ = 0;
    // The server resolves the name, a dotted address included.
    std::string request{0x05, 0x01, 0x00, 0x03, static_cast<char>(Addr().size())};
    request += Addr() + portBytes(targetPort_);
    SendBytes(request);
}

void TCustomSocksWSocket::SendSocks4Request()
{
    socksState_ = socksConnect;
    replyCount_ = 0;
    const bool level4A = socksLevel_ == "4A";
    std::uint32_t address = htonl(1); // 0.0.0.1: the server resolves the name that follows
    if (!level4A) {
        try {
            address = WSocketResolveHost(Addr());
        } catch (const std::exception& E) {
            TriggerSocksError(20017, className(E) + " " + E.what());
            InternalClose(true, 20017);
            return;
        }
    }
    std::string request{0x04, 0x01};
    request += portBytes(targetPort_);
    request.append(reinterpret_cast<const char*>(&address), sizeof address);
    request += SocksUsercode;
    request += '\0';
    if (level4A)
        request += Addr() + '\0';
    SendBytes(request);
}

bool TCustomSocksWSocket::TriggerDataAvailable(std::uint16_t ErrCode)
{
    if (socksState_ == socksData)
        return TCustomWSocket::TriggerDataAvailable(ErrCode);
    if (ErrCode != 0) {
        DataAvailableError(ErrCode, "data receive error");
        return true;
    }
    // A SOCKS4 reply is read exactly, so nothing after it is taken from the socket.
    const std::size_t limit = socksState_ == socksConnect && Level4() ? socks4ReplyLength : reply_.size();
    const std::int32_t received = TCustomWSocket::DoRecv(reply_.data() + replyCount_,
                                                         static_cast<std::int32_t>(limit - replyCount_), 0);
    if (received <= 0)
        return true;
    replyCount_ += static_cast<std::size_t>(received);
    switch (socksState_) {
    case socksNegociateMethods:
        ProcessMethodReply();
        break;
    case socksAuthenticate:
        ProcessAuthReply();
        break;
    case socksConnect:
        if (Level4())
            ProcessSocks4Reply();
        else
            ProcessSocks5Reply();
        break;
    default:
        DataAvailableError(20013, "internal error");
        break;
    }
    return true;
}

void TCustomSocksWSocket::ProcessMethodReply()
{
    if (Level4())
        return DataAvailableError(20001, "TWSocket logic error");
    if (replyCount_ < 2)
        return;
    replyCount_ = 0;
    if (reply_[0] != 0x05)
        return DataAvailableError(20002, "socks version error");
    if (reply_[1] == 0x00) {
        if (methodOffered_ == 2)
            TriggerSocksAuthState(socksAuthNotRequired);
        SendConnectRequest();
    } else if (reply_[1] == 0x02) {
        TriggerSocksAuthState(socksAuthStart);
        socksState_ = socksAuthenticate;
        SendAuthRequest();
    } else {
        DataAvailableError(20003, "authentification method not acceptable");
    }
}

void TCustomSocksWSocket::ProcessAuthReply()
{
    if (reply_[0] != 0x01)
        return DataAvailableError(20002, "socks version error");
    if (replyCount_ < 2)
        return;
    if (replyCount_ > 2)
        return DataAvailableError(20001, "too much data availaible");
    replyCount_ = 0;
    if (reply_[1] != 0x00) {
        // A server that refuses in words fails the authentication as surely as one that hangs up.
        TriggerSocksAuthState(socksAuthFailure);
        return DataAvailableError(20015, "socks authentication failed");
    }
    TriggerSocksAuthState(socksAuthSuccess);
    SendConnectRequest();
}

void TCustomSocksWSocket::ProcessSocks4Reply()
{
    if (replyCount_ < socks4ReplyLength)
        return;
    if (reply_[0] != 0x00)
        return DataAvailableError(20002, "socks version error");
    switch (reply_[1]) {
    case 90:
        return NegotiationDone(socks4ReplyLength);
    case 91:
        return DataAvailableError(20016, "request rejected or failed");
    case 92:
        return DataAvailableError(20008, "connection refused");
    case 93:
        return DataAvailableError(20015, "authentification failed");
    default:
        return DataAvailableError(20012, "unassigned error #" + std::to_string(reply_[1]));
    }
}

void TCustomSocksWSocket::ProcessSocks5Reply()
{
    if (reply_[0] != 0x05)
        return DataAvailableError(20002, "socks version error");
    if (replyCount_ < 2)
        return;
    if (reply_[1] != 0x00)
        return DataAvailableError(reply_[1] >= 1 && reply_[1] <= 8 ? 20003 + reply_[1] : 20012,
                                  socks5ReplyError(reply_[1]));
    if (replyCount_ < 5)
        return;
    const std::uint8_t type = reply_[3];
    const std::size_t length = type == 1 ? 10 : type == 3 ? 7 + reply_[4] : type == 4 ? 22 : 5;
    if (replyCount_ < length)
        return;
    char text[INET6_ADDRSTRLEN] = {};
    switch (type) {
    case 1:
        inet_ntop(AF_INET, &reply_[4], text, sizeof text);
        boundAddr_ = text;
        break;
    case 3:
        boundAddr_.assign(reinterpret_cast<const char*>(&reply_[5]), reply_[4]);
        break;
    case 4:
        // The server reached the target over IPv6.
        inet_ntop(AF_INET6, &reply_[4], text, sizeof text);
        boundAddr_ = text;
        break;
    default:
        return DataAvailableError(20011, "address type not supported");
    }
    boundPort_ = std::to_string((reply_[length - 2] << 8) | reply_[length - 1]);
    NegotiationDone(length);
}

void TCustomSocksWSocket::NegotiationDone(std::size_t replyLength)
{
    leftover_.assign(reinterpret_cast<const char*>(reply_.data()) + replyLength, replyCount_ - replyLength);
    leftoverAt_ = 0;
    replyCount_ = 0;
    socksState_ = socksData;
    TriggerSessionConnected(0);
    DeliverLeftover();
}

void TCustomSocksWSocket::DeliverLeftover()
{
    // The owner is offered the bytes again as long as it takes some: no notice from the
    // system will come for bytes that already left the socket.
    while (HSocket() != INVALID_SOCKET && leftoverAt_ < leftover_.size()) {
        const std::size_t before = leftoverAt_;
        if (!TriggerDataAvailable(0) || leftoverAt_ == before)
            break;
    }
}

void TCustomSocksWSocket::DataAvailableError(std::int32_t Code, const std::string& Msg)
{
    TriggerSocksError(Code, Msg);
    socksState_ = socksData;
    TriggerSessionConnected(static_cast<std::uint16_t>(Code));
    InternalClose(true, static_cast<std::uint16_t>(Code));
}

void TCustomSocksWSocket::TriggerSessionClosed(std::uint16_t ErrCode)
{
    if (socksState_ == socksAuthenticate)
        TriggerSocksAuthState(socksAuthFailure);
    TCustomWSocket::TriggerSessionClosed(ErrCode);
}

std::int32_t TCustomSocksWSocket::GetRcvdCount()
{
    if (leftoverAt_ < leftover_.size())
        return static_cast<std::int32_t>(leftover_.size() - leftoverAt_);
    return TCustomWSocket::GetRcvdCount();
}

std::int32_t TCustomSocksWSocket::DoRecv(void* Buffer, std::int32_t BufferSize, int Flags)
{
    if (leftoverAt_ >= leftover_.size() || BufferSize <= 0)
        return TCustomWSocket::DoRecv(Buffer, BufferSize, Flags);
    const std::size_t count = std::min(leftover_.size() - leftoverAt_, static_cast<std::size_t>(BufferSize));
    std::copy_n(leftover_.data() + leftoverAt_, count, static_cast<char*>(Buffer));
    leftoverAt_ += count;
    if (leftoverAt_ == leftover_.size()) {
        leftover_.clear();
        leftoverAt_ = 0;
    }
    bytesTaken_ += static_cast<std::int64_t>(count);
    return static_cast<std::int32_t>(count);
}

void TCustomSocksWSocket::TriggerSocksConnected(std::uint16_t ErrCode)
{
    if (OnSocksConnected) {
        const TSessionConnected handler = OnSocksConnected;
        handler(this, ErrCode);
    }
}

void TCustomSocksWSocket::TriggerSocksError(std::int32_t Error, const std::string& Msg)
{
    if (OnSocksError) {
        const TSocksErrorEvent handler = OnSocksError;
        handler(this, Error, Msg);
    }
}

void TCustomSocksWSocket::TriggerSocksAuthState(TSocksAuthState AuthState)
{
    if (OnSocksAuthState) {
        const TSocksAuthStateEvent handler = OnSocksAuthState;
        handler(this, AuthState);
    }
}
