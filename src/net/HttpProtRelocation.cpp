// Following relocations and answering basic authentication, both within one request.

#include "net/HttpProt.h"

#include "net/FireEvent.h"
#include "net/NetUrl.h"
#include "platform/base/AsciiCase.h"

using namespace platform;

namespace {

// A redirect loop ends after this many relocations, with the last one's status.
constexpr int maxRelocations = 20;

// The path up to and including its last "/" or ":" before any query.
std::string directoryOf(const std::string& path)
{
    const std::string plain = path.substr(0, path.find('?'));
    const std::size_t end = plain.find_last_of("/:");
    return end == std::string::npos ? std::string() : plain.substr(0, end + 1);
}

std::string withoutFragment(const std::string& url)
{
    return url.substr(0, url.find('#'));
}

} // namespace

std::string THttpCli::RelocationTarget(const std::string& Value)
{
    const bool viaProxy = !Proxy.empty();
    // The port goes with the host, or the next attempt would go to port 80.
    const std::string origin = protocol_ + "://" + targetHost_ + (targetPort_ == "80" ? "" : ":" + targetPort_);
    if (Value.starts_with("/"))
        return origin + Value;
    if (!platform::AsciiStartsWithNoCase(Value, "http://") && !platform::AsciiStartsWithNoCase(Value, "https://"))
        return (viaProxy ? "" : origin) + directoryOf(path_) + Value;
    std::string proto, user, pass, host, port, path;
    ParseURL(Value, proto, user, pass, host, port, path);
    if (proto.empty() || host.empty())
        return origin + (path.empty() ? "/" : path);
    if (host != targetHost_ && user.empty()) {
        // Credentials given for one host are not offered to another.
        Username.clear();
        Password.clear();
    }
    if (!user.empty())
        Username = user;
    if (!pass.empty())
        Password = pass;
    return proto + "://" + host + (port.empty() ? "" : ":" + port) + path;
}

bool THttpCli::TooManyRelocations()
{
    return ++relocations_ > maxRelocations;
}

void THttpCli::CleanStreams()
{
    if (RcvdStream && rcvdCount_ > 0) {
        RcvdStream->cut(RcvdStream->size() - rcvdCount_);
        RcvdStream->setPosition(RcvdStream->size());
    }
    if (SendStream && bodySentCount_ > 0)
        SendStream->seek(-bodySentCount_);
    rcvdCount_ = 0;
    bodySentCount_ = 0;
}

void THttpCli::StartRelocation()
{
    CleanStreams();
    rcvCnt_ = 0;
    headerLineCount_ = 0;
    headerBytes_ = 0;
    bodyLineCount_ = 0;
    if (TooManyRelocations()) {
        locationPending_ = false;
        if (closeReq_)
            ctrlSocket_->CloseDelayed();
        else
            SetReady();
        return;
    }
    const std::string target = withoutFragment(location_);
    std::string proto, user, pass, host, port, path;
    ParseURL(target, proto, user, pass, host, port, path);
    const bool sameConnection = (Proxy.empty() ? host == connHostName_ && (port.empty() ? "80" : port) == connPort_
                                               : hostName_ == connHostName_ && port_ == connPort_)
        && (proto.empty() ? "http" : proto) == connProtocol_;
    if (sameConnection && !closeReq_ && connected_ && ctrlSocket_->State() == wsConnected) {
        fire(OnLocationChange, this);
        InternalClear();
        location_ = target;
        SetupTarget(target);
        if (requestType_ == httpPOST)
            requestType_ = httpGET;
        PostMessage(window_, WM_HTTP_LOGIN, 0, 0);
        return;
    }
    ctrlSocket_->OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) { LocationSessionClosed(e); };
    ctrlSocket_->CloseDelayed();
}

void THttpCli::LocationSessionClosed(std::uint16_t ErrCode)
{
    ctrlSocket_->OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) { SocketSessionClosed(e); };
    if (state_ == httpAborting) {
        SocketSessionClosed(ErrCode);
        return;
    }
    connected_ = false;
    locationPending_ = false;
    if (requestType_ == httpPOST)
        requestType_ = httpGET;
    fire(OnLocationChange, this);
    CleanStreams();
    replyHeaderLines_.clear();
    headerLineCount_ = 0;
    headerBytes_ = 0;
    bodyLineCount_ = 0;
    contentLength_ = -1;
    contentType_.clear();
    statusCode_ = 0;
    transferEncoding_.clear();
    closeReq_ = requestVer_ == "1.0";
    location_ = withoutFragment(location_);
    SetupTarget(location_);
    PostMessage(window_, WM_HTTP_LOGIN, 0, 0);
}

void THttpCli::PrepareBasicAuth(bool& Retrying)
{
    if (Options.count(httpoNoBasicAuth))
        return;
    if (serverAuthState_ == basicMsg1 && statusCode_ != 401)
        serverAuthState_ = basicDone;
    else if (serverAuthState_ == basicDone && statusCode_ == 401)
        serverAuthState_ = basicNone;
    if (proxyAuthState_ == basicMsg1 && statusCode_ != 407) {
        proxyAuthState_ = basicDone;
    } else if (proxyAuthState_ == basicDone && statusCode_ == 407) {
        proxyAuthState_ = basicNone;
        serverAuthState_ = basicNone;
    }
    const auto offersBasic = [this] {
        for (auto entry = authenticateList_.rbegin(); entry != authenticateList_.rend(); ++entry)
            if (platform::AsciiStartsWithNoCase(*entry, "Basic"))
                return true;
        return false;
    };
    if (statusCode_ == 401 && !Username.empty() && !Password.empty() && offersBasic()) {
        Retrying = true;
        StartAuthBasic();
    } else if (statusCode_ == 407 && !ProxyUsername.empty() && !ProxyPassword.empty() && offersBasic()) {
        Retrying = true;
        StartProxyAuthBasic();
    }
}

void THttpCli::StartAuthBasic()
{
    AnswerBasic(serverAuthState_, basicAuthNormal, "Unexpected AuthBasicState");
}

void THttpCli::StartProxyAuthBasic()
{
    AnswerBasic(proxyAuthState_, basicAuthProxy, "Unexpected ProxyAuthBasicState");
}

void THttpCli::AnswerBasic(THttpBasicState& AuthState, TBasicAuthType Type, const char* Unexpected)
{
    if (AuthState == basicNone) {
        authType_ = Type;
        CleanStreams();
        rcvCnt_ = 0;
        const std::string docName = docName_;
        InternalClear();
        docName_ = docName;
        AuthState = basicMsg1;
        PostMessage(window_, WM_HTTP_LOGIN, 0, 0);
    } else if (AuthState == basicMsg1) {
        // The credentials were refused: the request ends with the refusal.
        authenticateList_.clear();
        AuthState = basicNone;
        TriggerRequestDone();
    } else {
        throw EHttpException(Unexpected, 6);
    }
}
