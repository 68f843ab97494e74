// The client's life: construction, its window and messages, states, starting, ending,
// aborting and waiting for requests.

#include "net/HttpProt.h"

#include "net/FireEvent.h"
#include "net/NetUrl.h"
#include "platform/win/MessagePump.h"

#include <QThread>

using namespace platform;

namespace {

// A synchronous call wakes at least this often to see whether the application is ending.
constexpr int syncWaitMs = 1000;
constexpr std::size_t receiveBufferSize = 8194;

} // namespace

THttpCli::THttpCli() : rcvBuf_(receiveBufferSize)
{
    HTTPCliAllocateHWnd();
    CreateSocket();
    TWSocket& socket = *ctrlSocket_;
    socket.OnSessionClosed = [this](TCustomWSocket*, std::uint16_t e) { SocketSessionClosed(e); };
    socket.OnDataAvailable = [this](TCustomWSocket*, std::uint16_t e) { SocketDataAvailable(e); };
    socket.OnSessionConnected = [this](TCustomWSocket*, std::uint16_t e) { SocketSessionConnected(e); };
    socket.OnDataSent = [this](TCustomWSocket*, std::uint16_t e) { SocketDataSent(e); };
    socket.OnDnsLookupDone = [this](TCustomWSocket*, std::uint16_t e) { SocketDNSLookupDone(e); };
    socket.OnSocksError = [this](TCustomWSocket*, std::int32_t e, const std::string& m) { fire(OnSocksError, this, e, m); };
    socket.OnSocksConnected = [this](TCustomWSocket*, std::uint16_t e) { fire(OnSocksConnected, this, e); };
    socket.OnSocksAuthState = [this](TCustomWSocket*, TSocksAuthState s) { fire(OnSocksAuthState, this, s); };
    socket.OnError = [this](TCustomWSocket*) { fire(OnSocketError, this); };
}

THttpCli::~THttpCli()
{
    // The socket goes first: none of its events may reach a half-destroyed client.
    ctrlSocket_.reset();
    DeallocateHWnd(window_);
}

void THttpCli::HTTPCliAllocateHWnd()
{
    window_ = AllocateHWnd([this](UINT msg, WPARAM wParam, LPARAM lParam) { WndProc(msg, wParam, lParam); });
}

void THttpCli::CreateSocket()
{
    ctrlSocket_ = std::make_unique<TWSocket>();
}

void THttpCli::SetMultiThreaded(bool Value)
{
    multiThreaded_ = Value;
    ctrlSocket_->MultiThreaded = Value;
}

void THttpCli::SetRequestVer(const std::string& Value)
{
    if (Value != "1.0" && Value != "1.1")
        throw EHttpException("Insupported HTTP version", 5);
    requestVer_ = Value;
}

// ---- window messages ----

void THttpCli::WndProc(UINT Msg, WPARAM, LPARAM)
{
    switch (Msg) {
    case WM_HTTP_REQUEST_DONE:
        WMHttpRequestDone();
        break;
    case WM_HTTP_SET_READY:
        WMHttpSetReady();
        break;
    case WM_HTTP_LOGIN:
        WMHttpLogin();
        break;
    default:
        break;
    }
}

void THttpCli::WMHttpRequestDone()
{
    fire(OnRequestDone, this, requestType_, requestErrorCode_);
}

void THttpCli::WMHttpSetReady()
{
    StateChange(httpReady);
}

void THttpCli::WMHttpLogin()
{
    Login();
}

void THttpCli::SetReady()
{
    PostMessage(window_, WM_HTTP_SET_READY, 0, 0);
}

void THttpCli::TriggerRequestDone()
{
    PostMessage(window_, WM_HTTP_REQUEST_DONE, 0, 0);
}

void THttpCli::StateChange(THttpState NewState)
{
    if (state_ == NewState)
        return;
    state_ = NewState;
    TriggerStateChange();
    if (NewState != httpReady)
        return;
    bool retrying = false;
    PrepareBasicAuth(retrying);
    if (!retrying)
        TriggerRequestDone();
}

// ---- starting a request ----

void THttpCli::InternalClear()
{
    replyHeaderLines_.clear();
    requestErrorCode_ = 0;
    docName_.clear();
    statusCode_ = 0;
    rcvdCount_ = 0;
    bodySentCount_ = 0;
    headerLineCount_ = 0;
    headerBytes_ = 0;
    bodyLineCount_ = 0;
    contentLength_ = -1;
    contentType_.clear();
    transferEncoding_.clear();
    sendingBody_ = false;
    location_ = URL;
    authenticateList_.clear();
    closeReq_ = requestVer_ == "1.0";
}

void THttpCli::SetupTarget(const std::string& Url)
{
    std::string proto, user, pass, host, port, path;
    ParseURL(Url, proto, user, pass, host, port, path);
    if (!user.empty())
        Username = user;
    if (!pass.empty())
        Password = pass;
    docName_ = path;
    targetHost_ = host;
    if (Proxy.empty()) {
        path_ = path;
        hostName_ = host;
        port_ = port.empty() ? "80" : port;
        targetPort_ = port_;
    } else {
        targetPort_ = !port.empty() ? port : proto == "https" ? "443" : "80";
        path_ = (proto.empty() ? "http" : proto) + "://" + host + (port.empty() ? "" : ":" + port)
            + (path.empty() ? "/" : path);
        std::string proxyProto, proxyUser, proxyPass, proxyHost, proxyPort, proxyPath;
        ParseURL(Proxy, proxyProto, proxyUser, proxyPass, proxyHost, proxyPort, proxyPath);
        hostName_ = proxyHost;
        port_ = proxyPort.empty() ? ProxyPort : proxyPort;
    }
    protocol_ = proto.empty() ? "http" : proto;
    if (path_.empty())
        path_.assign(1, '/');
    AdjustDocName();
}

void THttpCli::AdjustDocName()
{
    docName_ = DocNameFromPath(docName_);
}

void THttpCli::DoRequestAsync(THttpRequest Rq)
{
    if (Rq != httpCLOSE && state_ != httpReady)
        throw EHttpException("HTTP component " + Name + " is busy", 1);
    if ((Rq == httpPOST || Rq == httpPUT) && !SendStream)
        throw EHttpException("HTTP component has nothing to post or put", 2);
    if (Rq == httpCLOSE) {
        statusCode_ = 200;
        reasonPhrase_ = "OK";
        StateChange(httpClosing);
        if (ctrlSocket_->State() == wsClosed)
            SetReady();
        else
            ctrlSocket_->CloseDelayed();
        return;
    }
    requestType_ = Rq;
    InternalClear();
    // Whatever a kept connection still holds of an earlier reply is no part of this one.
    rcvCnt_ = 0;
    relocations_ = 0;
    locationPending_ = false;
    SetupTarget(URL);
    const bool reuse = connected_ && ctrlSocket_->State() == wsConnected && connHostName_ == hostName_
        && connPort_ == port_ && connProtocol_ == protocol_;
    if (!reuse && ctrlSocket_->State() == wsConnected)
        ctrlSocket_->Abort();
    StateChange(httpNotConnected);
    if (reuse)
        SocketSessionConnected(0);
    else
        Login();
}

// ---- ending, aborting, waiting ----

void THttpCli::Abort()
{
    if (state_ == httpReady) {
        state_ = httpAborting;
        if (ctrlSocket_->State() != wsClosed)
            ctrlSocket_->Abort();
        statusCode_ = 200;
        reasonPhrase_ = "OK";
        requestErrorCode_ = 0;
        state_ = httpReady;
        TriggerStateChange();
        fire(OnRequestDone, this, requestType_, requestErrorCode_);
        return;
    }
    const bool lookingUp = state_ == httpDnsLookup;
    StateChange(httpAborting);
    if (lookingUp) {
        try {
            ctrlSocket_->CancelDnsLookup();
        } catch (...) {
        }
    }
    statusCode_ = 404;
    reasonPhrase_ = "Connection aborted on request";
    requestErrorCode_ = 3;
    locationPending_ = false;
    if (lookingUp)
        SocketSessionClosed(0);
    else
        ctrlSocket_->Close();
    StateChange(httpReady);
}

void THttpCli::DoRequestSync(THttpRequest Rq)
{
    DoRequestAsync(Rq);
    while (state_ != httpReady) {
        if (ApplicationTerminated()) {
            Abort();
            break;
        }
        if (multiThreaded_)
            ctrlSocket_->MessagePump();
        WaitForMessages(syncWaitMs);
    }
    if (statusCode_ >= 400 && statusCode_ != 401 && statusCode_ != 407)
        throw EHttpException(reasonPhrase_, static_cast<std::uint16_t>(statusCode_));
}

// ---- events ----

void THttpCli::TriggerStateChange()
{
    fire(OnStateChange, this);
}

void THttpCli::TriggerCookie(const std::string& Data, bool& Accept)
{
    fire(OnCookie, this, Data, Accept);
}

void THttpCli::TriggerSessionConnected()
{
    fire(OnSessionConnected, this);
}

void THttpCli::TriggerSessionClosed()
{
    fire(OnSessionClosed, this);
}

void THttpCli::TriggerBeforeHeaderSend(const std::string& Method, std::vector<std::string>& Headers)
{
    fire(OnBeforeHeaderSend, this, Method, Headers);
}

void THttpCli::TriggerRequestHeaderBegin()
{
    fire(OnRequestHeaderBegin, this);
}

void THttpCli::TriggerRequestHeaderEnd()
{
    fire(OnRequestHeaderEnd, this);
}

void THttpCli::TriggerHeaderBegin()
{
    headerInProgress_ = true;
    fire(OnHeaderBegin, this);
}

void THttpCli::TriggerHeaderEnd()
{
    headerInProgress_ = false;
    fire(OnHeaderEnd, this);
}

void THttpCli::TriggerDocBegin()
{
    fire(OnDocBegin, this);
}

void THttpCli::TriggerDocData(const void* Data, std::int32_t Len)
{
    fire(OnDocData, this, Data, Len);
}

void THttpCli::TriggerDocEnd()
{
    fire(OnDocEnd, this);
}

void THttpCli::TriggerSendBegin()
{
    fire(OnSendBegin, this);
}

void THttpCli::TriggerSendData(const void* Data, std::int32_t Len)
{
    fire(OnSendData, this, Data, Len);
}

void THttpCli::TriggerSendEnd()
{
    fire(OnSendEnd, this);
}
