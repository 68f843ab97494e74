#pragma once

// The HTTP unit: the client component and the text helpers it sends and reads with.

#include "net/WSocket.h"
#include "platform/base/DateTime.h"
#include "platform/base/Exception.h"
#include "platform/graphics/Stream.h"
#include "platform/win/MessageWindow.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------------------
// Encodings, dates and document names
// ---------------------------------------------------------------------------------------

enum THttpEncoding { encUUEncode, encBase64, encMime };

// Base64 (encBase64 and encMime: RFC 2045 alphabet, "=" padding, no line breaks) or one
// uuencoded line without its line end (encUUEncode: at most 63 bytes, the most a line's
// length character can state).
std::string EncodeLine(THttpEncoding Encoding, const void* Data, std::size_t Len);
std::string EncodeStr(THttpEncoding Encoding, const std::string& Value);

// "Sat, 01 Jan 2000 00:00:00": the date as HTTP writes it, without the zone the caller
// appends (" GMT").
std::string RFC1123_Date(platform::TDateTime D);
// Reads a text laid out as RFC1123_Date writes it, by fixed columns. A field that is not
// a number reads as 0; a date or time that does not exist raises platform::EConvertError.
platform::TDateTime RFC1123_StrToDate(const std::string& S);

// FName up to and including its last "." followed by NewExt, or FName + "." + NewExt
// when it has no ".".
void ReplaceExt(std::string& FName, const std::string& NewExt);

// The file name proposed for the document at Path: its last segment without the query,
// "document.htm" when that is empty.
std::string DocNameFromPath(const std::string& Path);

// ---------------------------------------------------------------------------------------
// The client
// ---------------------------------------------------------------------------------------

enum THttpState {
    httpReady,
    httpNotConnected,
    httpConnected,
    httpDnsLookup,
    httpDnsLookupDone,
    httpWaitingHeader,
    httpWaitingBody,
    httpBodyReceived,
    httpWaitingProxyConnect,
    httpClosing,
    httpAborting
};
enum THttpRequest { httpABORT, httpGET, httpPOST, httpPUT, httpHEAD, httpCLOSE };
enum THttpChunkState { httpChunkGetSize, httpChunkGetExt, httpChunkGetData, httpChunkSkipDataEnd, httpChunkDone };
enum THttpBasicState { basicNone, basicMsg1, basicDone };
enum TBasicAuthType { basicAuthProxy, basicAuthNormal };
enum THttpCliOption { httpoNoBasicAuth, httpoNoNTLMAuth };
using THttpCliOptions = std::set<THttpCliOption>;

// Messages of the client's own window.
constexpr platform::UINT WM_HTTP_REQUEST_DONE = platform::WM_USER + 1;
constexpr platform::UINT WM_HTTP_SET_READY = platform::WM_USER + 2;
constexpr platform::UINT WM_HTTP_LOGIN = platform::WM_USER + 3;

// RequestErrorCode of a reply the client could not take whole: its document ended before
// the length it announced or before its last chunk, or it broke the protocol. ReasonPhrase
// says which.
constexpr std::uint16_t HttpIncompleteReply = 4;

// What the client raises: 1 busy, 2 nothing to post or put, 5 unsupported version, 6
// unexpected authentication state, or the HTTP status of a failed synchronous request.
class EHttpException : public platform::Exception {
public:
    EHttpException(const std::string& Msg, std::uint16_t Code) : platform::Exception(Msg), ErrorCode(Code) {}
    std::uint16_t ErrorCode;
};

// Fetches and posts documents over HTTP/1.0 or 1.1 without blocking: a request runs as a
// state machine driven by its socket's events and ends with exactly one OnRequestDone,
// delivered from the message loop (only Abort of an idle client fires it inside the call).
class THttpCli {
public:
    using THttpNotify = std::function<void(THttpCli* Sender)>;
    using THttpRequestDone = std::function<void(THttpCli* Sender, THttpRequest RqType, std::uint16_t ErrCode)>;
    using TDocDataEvent = std::function<void(THttpCli* Sender, const void* Buffer, std::int32_t Len)>;
    using TCookieRcvdEvent = std::function<void(THttpCli* Sender, const std::string& Data, bool& Accept)>;
    using TBeforeHeaderSendEvent
        = std::function<void(THttpCli* Sender, const std::string& Method, std::vector<std::string>& Headers)>;
    using TOnCommand = std::function<void(THttpCli* Sender, std::string& S)>;
    using THttpDataEvent = std::function<void(THttpCli* Sender, std::uint16_t ErrCode)>;
    using TSocksErrorEvent = std::function<void(THttpCli* Sender, std::int32_t Error, const std::string& Msg)>;
    using TSocksAuthStateEvent = std::function<void(THttpCli* Sender, TSocksAuthState AuthState)>;
    using THttpChangeState = std::function<void(THttpCli* Sender)>;

    THttpCli();
    virtual ~THttpCli();
    THttpCli(const THttpCli&) = delete;
    THttpCli& operator=(const THttpCli&) = delete;

    std::string Name; // named in the busy refusal
    std::string URL;
    std::string LocalAddr = "0.0.0.0";
    std::string Proxy;
    std::string ProxyPort = "80";
    std::string Sender;
    std::string Agent = "Mozilla/4.0 (compatible; Pelvaxon)";
    std::string Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
    std::string AcceptLanguage;
    std::string Reference;
    std::string Connection;
    std::string ProxyConnection;
    std::string Username;
    std::string Password;
    std::string ProxyUsername;
    std::string ProxyPassword;
    bool NoCache = false;
    platform::TDateTime ModifiedSince = 0;
    std::string Cookie;
    std::string ContentTypePost = "application/x-www-form-urlencoded";
    std::string ContentRangeBegin;
    std::string ContentRangeEnd;
    const std::string& AcceptRanges() const { return acceptRanges_; }
    bool MultiThreaded() const { return multiThreaded_; }
    virtual void SetMultiThreaded(bool Value);
    const std::string& RequestVer() const { return requestVer_; }
    // "1.0" or "1.1"; anything else raises EHttpException "Insupported HTTP version" (5).
    void SetRequestVer(const std::string& Value);
    bool FollowRelocation = true;
    THttpCliOptions Options;
    // Copied to the socket before each connect.
    std::string SocksServer;
    std::string SocksLevel;
    std::string SocksPort;
    std::string SocksUsercode;
    std::string SocksPassword;
    TSocksAuthentication SocksAuthentication = socksNoAuthentication;

    // A POST or PUT sends SendStream from its position; the body goes to RcvdStream. Neither
    // is owned by the client.
    platform::Stream* SendStream = nullptr;
    platform::Stream* RcvdStream = nullptr;

    std::int32_t StatusCode() const { return statusCode_; }
    const std::string& ReasonPhrase() const { return reasonPhrase_; }
    THttpState State() const { return state_; }
    THttpRequest RequestType() const { return requestType_; }
    // 0, a socket error, 3 after Abort, or HttpIncompleteReply.
    std::uint16_t RequestErrorCode() const { return requestErrorCode_; }
    // -1 when the reply does not say.
    std::int64_t ContentLength() const { return contentLength_; }
    const std::string& ContentType() const { return contentType_; }
    const std::string& TransferEncoding() const { return transferEncoding_; }
    const std::string& Location() const { return location_; }
    const std::string& DocName() const { return docName_; }
    const std::vector<std::string>& ReplyHeaderLines() const { return replyHeaderLines_; }
    std::int64_t RcvdCount() const { return rcvdCount_; }
    std::int64_t BodySentCount() const { return bodySentCount_; }
    const std::string& Path() const { return path_; }
    TWSocket& CtrlSocket() { return *ctrlSocket_; }

    THttpNotify OnTrace;
    THttpNotify OnSessionConnected;
    THttpNotify OnSessionClosed;
    THttpNotify OnHeaderData;
    TOnCommand OnCommand;
    THttpNotify OnHeaderBegin;
    THttpNotify OnHeaderEnd;
    THttpNotify OnRequestHeaderBegin;
    THttpNotify OnRequestHeaderEnd;
    THttpNotify OnDocBegin;
    TDocDataEvent OnDocData;
    THttpNotify OnDocEnd;
    THttpNotify OnSendBegin;
    TDocDataEvent OnSendData;
    THttpNotify OnSendEnd;
    THttpChangeState OnStateChange;
    THttpRequestDone OnRequestDone;
    THttpNotify OnLocationChange;
    TCookieRcvdEvent OnCookie;
    THttpDataEvent OnDataPush;
    THttpNotify OnDataPush2;
    THttpDataEvent OnSocksConnected;
    TSocksAuthStateEvent OnSocksAuthState;
    TSocksErrorEvent OnSocksError;
    THttpNotify OnSocketError;
    TBeforeHeaderSendEvent OnBeforeHeaderSend;

    // Start a request and return at once; it ends with OnRequestDone.
    void GetASync() { DoRequestAsync(httpGET); }
    void PostASync() { DoRequestAsync(httpPOST); }
    void PutASync() { DoRequestAsync(httpPUT); }
    void HeadASync() { DoRequestAsync(httpHEAD); }
    void CloseAsync() { DoRequestAsync(httpCLOSE); }
    // The same, waiting while messages are served; a status of 400 or more (but 401 and 407)
    // raises EHttpException with that status.
    void Get() { DoRequestSync(httpGET); }
    void Post() { DoRequestSync(httpPOST); }
    void Put() { DoRequestSync(httpPUT); }
    void Head() { DoRequestSync(httpHEAD); }
    void Close() { DoRequestSync(httpCLOSE); }
    // Stops the running request, or, when idle, completes at once.
    void Abort();

protected:
    virtual void CreateSocket();
    virtual void DoBeforeConnect();
    virtual void SendRequest(const std::string& Method, const std::string& Version);
    virtual void GetHeaderLineNext(const std::string& Line);
    virtual void GetBodyLineNext(const char* Data, std::size_t Len);
    // Appends S (after OnCommand) and CR LF to the request; a line holding CR or LF is
    // refused with EHttpException before anything is sent.
    virtual void SendCommand(const std::string& Cmd);
    virtual void Login();
    virtual void Logout();
    virtual void InternalClear();
    virtual void StartRelocation();
    virtual void StartAuthBasic();
    virtual void StartProxyAuthBasic();
    virtual void SocketDNSLookupDone(std::uint16_t ErrCode);
    virtual void SocketSessionClosed(std::uint16_t ErrCode);
    virtual void SocketSessionConnected(std::uint16_t ErrCode);
    virtual void SocketDataSent(std::uint16_t ErrCode);
    virtual void SocketDataAvailable(std::uint16_t ErrCode);
    virtual void LocationSessionClosed(std::uint16_t ErrCode);
    virtual void DoRequestAsync(THttpRequest Rq);
    virtual void DoRequestSync(THttpRequest Rq);
    virtual void StateChange(THttpState NewState);
    virtual void TriggerStateChange();
    virtual void TriggerCookie(const std::string& Data, bool& Accept);
    virtual void TriggerSessionConnected();
    virtual void TriggerSessionClosed();
    virtual void TriggerBeforeHeaderSend(const std::string& Method, std::vector<std::string>& Headers);
    virtual void TriggerRequestHeaderBegin();
    virtual void TriggerRequestHeaderEnd();
    virtual void TriggerHeaderBegin();
    virtual void TriggerHeaderEnd();
    virtual void TriggerDocBegin();
    virtual void TriggerDocData(const void* Data, std::int32_t Len);
    virtual void TriggerDocEnd();
    virtual void TriggerSendBegin();
    virtual void TriggerSendData(const void* Data, std::int32_t Len);
    virtual void TriggerSendEnd();
    virtual void TriggerRequestDone();
    virtual void WndProc(platform::UINT Msg, platform::WPARAM WParam, platform::LPARAM LParam);
    virtual void SetReady();
    virtual void AdjustDocName();
    virtual void HTTPCliAllocateHWnd();

    // The reply path after bytes were added to the receive buffer: lines to the next-line
    // handler while the header comes, then body blocks. Fed without a socket by the fuzz target.
    void ProcessReceived();
    void AppendReceived(const char* Data, std::size_t Len);
    // Starts reading a reply to the request kind, as after the request was sent.
    void ExpectReply(THttpRequest Rq);

private:
    enum class NextHandler { None, HeaderLine, BodyBlock };

    void SetupTarget(const std::string& Url);
    // Where the location header value sends the request next, as a whole URL.
    std::string RelocationTarget(const std::string& Value);
    bool TooManyRelocations();
    void CleanStreams();
    void PrepareBasicAuth(bool& Retrying);
    // Repeats the request with the credentials, or ends it when they were refused.
    void AnswerBasic(THttpBasicState& AuthState, TBasicAuthType Type, const char* Unexpected);
    void ProcessHeaderField(const std::string& Name, const std::string& Value);
    void HeaderEnded();
    // The block that may go to the body now: buffered bytes, at most the rest of a known length.
    void PassBufferedBody();
    void PassBody(const char* Data, std::size_t Len);
    // Reads body bytes in large pieces straight to the document, past the line buffer.
    void ReceiveBody();
    void AfterDocumentBlock();
    void DecodeChunked(const char* Data, std::size_t Len);
    void EndDocument();
    // Ends the request because of what the server sent.
    void FailReply(const std::string& Reason);
    // A document whose connection closed before its announced length or its last chunk
    // fails, with the close's error or HttpIncompleteReply.
    void FailCutDocument(std::uint16_t ErrCode);
    void WMHttpRequestDone();
    void WMHttpSetReady();
    void WMHttpLogin();
    // Hands a block to the body: counted, written to RcvdStream, fired as OnDocData.
    void StoreBodyData(const char* Data, std::size_t Len);

    platform::HWND window_ = 0;
    std::unique_ptr<TWSocket> ctrlSocket_;
    std::string acceptRanges_;
    bool multiThreaded_ = false;
    std::string requestVer_ = "1.0";

    std::int32_t statusCode_ = 0;
    std::string reasonPhrase_;
    THttpState state_ = httpReady;
    THttpRequest requestType_ = httpGET;
    std::uint16_t requestErrorCode_ = 0;
    std::int64_t contentLength_ = -1;
    std::string contentType_;
    std::string transferEncoding_;
    std::string location_;
    std::string docName_;
    std::vector<std::string> replyHeaderLines_;
    std::int64_t rcvdCount_ = 0;
    std::int64_t bodySentCount_ = 0;
    std::string path_;

    std::string hostName_;   // connect host: the server's, or the proxy's
    std::string port_;       // connect port
    std::string targetHost_; // for the Host header
    std::string targetPort_;
    std::string protocol_;
    std::string connHostName_; // of the open connection, for reuse
    std::string connPort_;
    std::string connProtocol_;
    std::string dnsResult_;
    bool connected_ = false;
    bool closeReq_ = false; // close after the reply
    bool locationPending_ = false;
    int relocations_ = 0;
    bool headerInProgress_ = false;
    std::int32_t headerLineCount_ = 0;
    std::size_t headerBytes_ = 0;
    std::int32_t bodyLineCount_ = 0;
    std::string replyVersion_;
    std::string request_; // the request being assembled
    std::vector<char> rcvBuf_;
    std::size_t rcvCnt_ = 0;
    std::vector<char> bodyBuf_;
    std::vector<std::string> authenticateList_;
    THttpBasicState serverAuthState_ = basicNone;
    THttpBasicState proxyAuthState_ = basicNone;
    TBasicAuthType authType_ = basicAuthNormal;
    THttpChunkState chunkState_ = httpChunkGetSize;
    std::uint64_t chunkLength_ = 0;
    std::uint64_t chunkRcvd_ = 0;
    int chunkDigits_ = 0;
    bool sendingBody_ = false;
    NextHandler next_ = NextHandler::None;
};
