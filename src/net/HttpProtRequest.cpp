// Sending a request: name lookup, connection, the request lines and the body.

#include "net/HttpProt.h"

#include "net/FireEvent.h"
#include "net/WSocketErrors.h"

using namespace platform;

namespace {

constexpr std::size_t sendBlockSize = 8193;

std::string methodName(THttpRequest Rq)
{
    switch (Rq) {
    case httpPOST:
        return "POST";
    case httpPUT:
        return "PUT";
    case httpHEAD:
        return "HEAD";
    default:
        return "GET";
    }
}

std::string describeError(std::uint16_t code)
{
    return WSocketErrorDesc(code) + " (Error #" + std::to_string(code) + ")";
}

} // namespace

void THttpCli::Login()
{
    ctrlSocket_->OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) { SocketSessionClosed(e); };
    if (ctrlSocket_->State() == wsConnected) {
        SocketSessionConnected(0);
        return;
    }
    dnsResult_.clear();
    StateChange(httpDnsLookup);
    try {
        ctrlSocket_->SetLocalAddr(LocalAddr);
        ctrlSocket_->DnsLookup(hostName_);
    } catch (const std::exception& E) {
        statusCode_ = 404;
        reasonPhrase_ = E.what();
        connected_ = false;
        StateChange(httpReady);
    }
}

void THttpCli::Logout()
{
    ctrlSocket_->Close();
    connected_ = false;
}

void THttpCli::SocketDNSLookupDone(std::uint16_t ErrCode)
{
    if (ErrCode != 0) {
        if (state_ == httpAborting)
            return;
        requestErrorCode_ = ErrCode;
        statusCode_ = 404;
        reasonPhrase_ = "can't resolve hostname to IP address";
        SocketSessionClosed(ErrCode);
        return;
    }
    dnsResult_ = ctrlSocket_->DnsResult();
    StateChange(httpDnsLookupDone);
    if (serverAuthState_ == basicDone)
        serverAuthState_ = basicNone;
    if (proxyAuthState_ == basicDone) {
        proxyAuthState_ = basicNone;
        serverAuthState_ = basicNone;
    }
    DoBeforeConnect();
    connHostName_ = hostName_;
    connPort_ = port_;
    connProtocol_ = protocol_;
    if (protocol_ != "http") {
        requestErrorCode_ = static_cast<std::uint16_t>(ctrlSocket_->LastError());
        statusCode_ = 501;
        reasonPhrase_ = "Protocol \"" + protocol_ + "\" not implemented";
        ctrlSocket_->Close();
        SocketSessionClosed(static_cast<std::uint16_t>(ctrlSocket_->LastError()));
        return;
    }
    ctrlSocket_->Connect();
    // A connect refused at once was reported to OnSocketError and closed the socket.
    if (ctrlSocket_->State() == wsClosed && statusCode_ == 0) {
        const auto code = static_cast<std::uint16_t>(ctrlSocket_->LastError());
        requestErrorCode_ = code;
        statusCode_ = 404;
        reasonPhrase_ = "can't connect: " + describeError(code);
        if (state_ != httpReady)
            SetReady();
    }
}

void THttpCli::DoBeforeConnect()
{
    TWSocket& socket = *ctrlSocket_;
    socket.SetAddr(dnsResult_);
    socket.SetLocalAddr(LocalAddr);
    socket.SetRemotePort(port_);
    socket.SetProto("tcp");
    socket.SetSocksServer(SocksServer);
    // The socket knows only 4, 4A and 5; left empty, its own default holds.
    if (!SocksLevel.empty())
        socket.SetSocksLevel(SocksLevel);
    socket.SetSocksPort(SocksPort);
    socket.SocksUsercode = SocksUsercode;
    socket.SocksPassword = SocksPassword;
    socket.SocksAuthentication = SocksAuthentication;
}

void THttpCli::SocketSessionConnected(std::uint16_t ErrCode)
{
    if (ErrCode != 0) {
        requestErrorCode_ = ErrCode;
        statusCode_ = 404;
        reasonPhrase_ = describeError(ErrCode);
        TriggerSessionConnected();
        return;
    }
    locationPending_ = false;
    connected_ = true;
    StateChange(httpConnected);
    TriggerSessionConnected();
    next_ = NextHandler::HeaderLine;
    StateChange(httpWaitingHeader);
    try {
        SendRequest(methodName(requestType_), requestVer_);
        if (requestType_ == httpPOST || requestType_ == httpPUT) {
            TriggerSendBegin();
            sendingBody_ = true;
            SocketDataSent(0);
        }
    } catch (const std::exception& E) {
        // Nothing of a refused request has left; the close ends it with the reason.
        statusCode_ = 404;
        reasonPhrase_ = E.what();
        Logout();
    }
}

void THttpCli::SendCommand(const std::string& Cmd)
{
    std::string line = Cmd;
    fire(OnCommand, this, line);
    if (line.find_first_of("\r\n") != std::string::npos)
        throw EHttpException("Request line holds a line break: " + line.substr(0, line.find_first_of("\r\n")), 400);
    request_ += line;
    request_ += "\r\n";
}

void THttpCli::SendRequest(const std::string& Method, const std::string& Version)
{
    const bool withBody = Method == "POST" || Method == "PUT";
    TriggerRequestHeaderBegin();
    std::vector<std::string> headers{Method + " " + path_ + " HTTP/" + Version};
    const auto add = [&headers](const std::string& name, const std::string& value) {
        if (!value.empty())
            headers.push_back(name + value);
    };
    add("From: ", Sender);
    add("Accept: ", Accept);
    add("Referer: ", Reference);
    add("Connection: ", Connection);
    add("Proxy-Connection: ", ProxyConnection);
    add("Accept-Language: ", AcceptLanguage);
    if (withBody)
        add("Content-Type: ", ContentTypePost);
    add("User-Agent: ", Agent);
    // The port is the target's: through a proxy too.
    headers.push_back("Host: " + targetHost_ + (targetPort_ == "80" ? "" : ":" + targetPort_));
    if (NoCache)
        headers.push_back("Pragma: no-cache");
    if (withBody)
        headers.push_back("Content-Length: " + std::to_string(SendStream->size() - SendStream->position()));
    if (ModifiedSince != 0)
        headers.push_back("If-Modified-Since: " + RFC1123_Date(ModifiedSince) + " GMT");
    if (authType_ == basicAuthNormal && serverAuthState_ == basicMsg1)
        headers.push_back("Authorization: Basic " + EncodeStr(encBase64, Username + ":" + Password));
    else if (authType_ == basicAuthProxy && proxyAuthState_ == basicMsg1)
        headers.push_back("Proxy-Authorization: Basic " + EncodeStr(encBase64, ProxyUsername + ":" + ProxyPassword));
    add("Cookie: ", Cookie);
    if (!ContentRangeBegin.empty() || !ContentRangeEnd.empty()) {
        headers.push_back("Range: bytes=" + ContentRangeBegin + "-" + ContentRangeEnd);
        ContentRangeBegin.clear();
        ContentRangeEnd.clear();
    }
    acceptRanges_.clear();
    TriggerBeforeHeaderSend(Method, headers);
    request_.clear();
    for (const std::string& header : headers)
        SendCommand(header);
    TriggerRequestHeaderEnd();
    SendCommand("");
    ctrlSocket_->SendStr(request_);
    request_.clear();
}

void THttpCli::SocketDataSent(std::uint16_t)
{
    if (!sendingBody_ || !SendStream)
        return;
    char block[sendBlockSize];
    const std::size_t count = SendStream->read(block, sizeof block);
    if (count == 0) {
        sendingBody_ = false;
        TriggerSendEnd();
        return;
    }
    bodySentCount_ += static_cast<std::int64_t>(count);
    TriggerSendData(block, static_cast<std::int32_t>(count));
    ctrlSocket_->Send(block, static_cast<std::int32_t>(count));
}
