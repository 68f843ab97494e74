// Reading the reply: the receive buffer, header lines, the body of known, unknown or chunked
// length, and the end of the connection.

#include "net/HttpProt.h"

#include "net/FireEvent.h"
#include "net/NetUrl.h"
#include "platform/base/AsciiCase.h"

#include <algorithm>
#include <charconv>
#include <cstring>

using namespace platform;

namespace {

constexpr std::size_t receiveLimit = 8190;
// Bytes read past a full buffer to find where its over-long line ends.
constexpr std::size_t overflowRead = 25;
constexpr std::int32_t maxHeaderLines = 1000;
constexpr std::size_t maxHeaderBytes = 1 << 20;
constexpr int maxChunkSizeDigits = 8;
// A body is read in pieces this large, so a long document takes few reads and fewer writes.
constexpr std::size_t bodyReadSize = 256 * 1024;
// How much of an announced length the stream makes room for at once: a server may announce
// more than it sends.
constexpr std::int64_t maxBodyRoom = 256 << 20;

std::string trimmed(const std::string& s)
{
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// Whether the codings end in "chunked", the one that frames the body; coding names are
// case-insensitive.
bool EndsChunked(const std::string& codings)
{
    const std::size_t comma = codings.rfind(',');
    return platform::AsciiEqualNoCase(trimmed(comma == std::string::npos ? codings : codings.substr(comma + 1)),
                                      "chunked");
}

std::int64_t numberOr(const std::string& text, std::int64_t otherwise)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && !text.empty() ? value : otherwise;
}

} // namespace

void THttpCli::SocketDataAvailable(std::uint16_t)
{
    if (state_ == httpWaitingBody && rcvCnt_ == 0 && requestType_ != httpHEAD)
        return ReceiveBody();
    if (rcvCnt_ < receiveLimit) {
        const std::int32_t received
            = ctrlSocket_->Receive(rcvBuf_.data() + rcvCnt_, static_cast<std::int32_t>(receiveLimit - rcvCnt_));
        if (requestType_ == httpABORT || received <= 0)
            return;
        rcvCnt_ += static_cast<std::size_t>(received);
    } else {
        char tail[overflowRead];
        const std::int32_t received = ctrlSocket_->Receive(tail, sizeof tail);
        if (requestType_ == httpABORT || received <= 0)
            return;
        const char* lf = static_cast<const char*>(std::memchr(tail, '\n', static_cast<std::size_t>(received)));
        if (!lf)
            return;
        // The over-long line ends where the line end came.
        const auto kept = static_cast<std::size_t>(tail + received - lf);
        std::copy_n(lf, kept, rcvBuf_.data() + rcvCnt_ + 1 - kept);
        ++rcvCnt_;
    }
    ProcessReceived();
}

void THttpCli::ReceiveBody()
{
    bodyBuf_.resize(bodyReadSize);
    const std::int32_t received = ctrlSocket_->Receive(bodyBuf_.data(), static_cast<std::int32_t>(bodyBuf_.size()));
    if (requestType_ == httpABORT || received <= 0)
        return;
    PassBody(bodyBuf_.data(), static_cast<std::size_t>(received));
    AfterDocumentBlock();
}

void THttpCli::AppendReceived(const char* Data, std::size_t Len)
{
    while (Len > 0) {
        const std::size_t count = std::min(Len, receiveLimit - std::min(rcvCnt_, receiveLimit));
        if (count == 0)
            return;
        std::copy_n(Data, count, rcvBuf_.data() + rcvCnt_);
        rcvCnt_ += count;
        Data += count;
        Len -= count;
        ProcessReceived();
    }
}

void THttpCli::ExpectReply(THttpRequest Rq)
{
    requestType_ = Rq;
    InternalClear();
    rcvCnt_ = 0;
    next_ = NextHandler::HeaderLine;
    StateChange(httpWaitingHeader);
}

void THttpCli::ProcessReceived()
{
    while (state_ != httpWaitingBody && rcvCnt_ > 0) {
        const char* begin = rcvBuf_.data();
        const char* lf = static_cast<const char*>(std::memchr(begin, '\n', rcvCnt_));
        if (!lf)
            break;
        std::string line(begin, lf);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const auto taken = static_cast<std::size_t>(lf - begin) + 1;
        std::copy(rcvBuf_.begin() + static_cast<std::ptrdiff_t>(taken),
                  rcvBuf_.begin() + static_cast<std::ptrdiff_t>(rcvCnt_), rcvBuf_.begin());
        rcvCnt_ -= taken;
        if (state_ == httpWaitingHeader) {
            if (next_ == NextHandler::HeaderLine)
                GetHeaderLineNext(line);
            else if (next_ == NextHandler::BodyBlock)
                GetBodyLineNext(line.data(), line.size());
            else
                SetReady();
        } else {
            fire(OnDataPush, this, std::uint16_t{0});
        }
    }
    if (state_ != httpWaitingBody || rcvCnt_ == 0)
        return;
    if (requestType_ == httpHEAD) {
        rcvCnt_ = 0;
        ctrlSocket_->Abort();
        return;
    }
    PassBufferedBody();
    AfterDocumentBlock();
}

void THttpCli::PassBufferedBody()
{
    const std::size_t length = rcvCnt_;
    rcvCnt_ = 0;
    PassBody(rcvBuf_.data(), length);
}

void THttpCli::PassBody(const char* Data, std::size_t Len)
{
    // Bytes past a known length belong to no document.
    if (contentLength_ >= 0 && rcvdCount_ + static_cast<std::int64_t>(Len) > contentLength_)
        Len = static_cast<std::size_t>(std::max<std::int64_t>(contentLength_ - rcvdCount_, 0));
    GetBodyLineNext(Data, Len);
}

void THttpCli::AfterDocumentBlock()
{
    if (next_ != NextHandler::None)
        return;
    if (locationPending_)
        StartRelocation();
    else
        SetReady();
}

void THttpCli::GetHeaderLineNext(const std::string& Line)
{
    if (!headerInProgress_)
        TriggerHeaderBegin();
    const bool first = headerLineCount_ == 0;
    if (first && platform::AsciiStartsWithNoCase(Line, "<HTML>")) {
        if (contentType_.empty())
            contentType_ = "text/html";
        StateChange(httpWaitingBody);
        next_ = NextHandler::BodyBlock;
        TriggerHeaderEnd();
        GetBodyLineNext(Line.data(), Line.size());
        return;
    }
    ++headerLineCount_;
    headerBytes_ += Line.size() + 2;
    if (headerLineCount_ > maxHeaderLines || headerBytes_ > maxHeaderBytes)
        return FailReply("Reply header longer than 1000 lines or 1 MiB");
    if (Line.empty())
        return HeaderEnded();
    replyHeaderLines_.push_back(Line);
    if (first) {
        if (!Line.starts_with("HTTP/1.0") && !Line.starts_with("HTTP/1.1")) {
            fire(OnDataPush2, this);
        } else {
            // A status line may stop anywhere after the version.
            replyVersion_ = Line.substr(5, 3);
            statusCode_ = static_cast<std::int32_t>(numberOr(Line.size() > 9 ? Line.substr(9, 3) : "", 0));
            reasonPhrase_ = Line.size() > 13 ? Line.substr(13) : std::string();
        }
    } else if (const std::size_t colon = Line.find(':'); colon != std::string::npos) {
        const std::size_t value = Line.find_first_not_of(' ', colon + 1);
        ProcessHeaderField(platform::AsciiLowerCase(Line.substr(0, colon)),
                           value == std::string::npos ? std::string() : Line.substr(value));
    }
    fire(OnHeaderData, this);
}

void THttpCli::ProcessHeaderField(const std::string& Name, const std::string& Value)
{
    if (Name == "location") {
        if (requestType_ == httpPUT) {
            location_ = Value;
        } else if (FollowRelocation) {
            locationPending_ = true;
            location_ = RelocationTarget(Value);
        }
    } else if (Name == "content-length") {
        contentLength_ = numberOr(trimmed(Value), -1);
    } else if (Name == "transfer-encoding") {
        transferEncoding_ = Value;
    } else if (Name == "content-range") {
        const std::size_t dash = Value.find('-');
        const std::size_t slash = Value.find('/');
        if (Value.starts_with("bytes ") && dash != std::string::npos && slash != std::string::npos && dash < slash) {
            ContentRangeBegin = Value.substr(6, dash - 6);
            ContentRangeEnd = Value.substr(dash + 1, slash - dash - 1);
        }
    } else if (Name == "accept-ranges") {
        acceptRanges_ = Value;
    } else if (Name == "content-type") {
        contentType_ = platform::AsciiLowerCase(Value);
    } else if (Name == "www-authenticate" || Name == "proxy-authenticate") {
        authenticateList_.push_back(Value);
    } else if (Name == "set-cookie") {
        bool accept = true;
        TriggerCookie(Value, accept);
    } else if (Name == "connection" || Name == "proxy-connection") {
        const std::string word = platform::AsciiLowerCase(trimmed(Value));
        if (word == "close")
            closeReq_ = true;
        else if (word == "keep-alive")
            closeReq_ = false;
    }
}

void THttpCli::HeaderEnded()
{
    if (replyVersion_ == "1.1" && statusCode_ == 100) {
        // An interim reply: the real status line follows, within the same header.
        replyHeaderLines_.clear();
        headerLineCount_ = 0;
        return;
    }
    TriggerHeaderEnd();
    if (state_ == httpReady) {
        rcvCnt_ = 0;
        return;
    }
    // The chunks say where the body ends, whatever length the header gives.
    if (EndsChunked(transferEncoding_))
        contentLength_ = -1;
    const bool noBodyStatus = statusCode_ < 200 || statusCode_ == 204 || statusCode_ == 301 || statusCode_ == 302
        || statusCode_ == 304;
    const bool body = requestType_ != httpHEAD && contentLength_ != 0 && (contentLength_ > 0 || !noBodyStatus);
    if (body) {
        const std::size_t dot = docName_.rfind('.');
        if (contentType_ == "text/html" && (dot == std::string::npos || platform::AsciiLowerCase(docName_.substr(dot)) == ".exe"))
            ReplaceExt(docName_, "htm");
        StateChange(httpWaitingBody);
        next_ = NextHandler::BodyBlock;
        if (rcvCnt_ > 0) {
            PassBufferedBody();
            AfterDocumentBlock();
        }
        return;
    }
    next_ = NextHandler::None;
    // A relocation without a body is followed on a kept connection too.
    if (locationPending_) {
        StartRelocation();
    } else if (!closeReq_) {
        SetReady();
    } else {
        if (requestType_ == httpHEAD) {
            rcvCnt_ = 0;
            StateChange(httpWaitingBody);
        }
        ctrlSocket_->CloseDelayed();
    }
}

void THttpCli::GetBodyLineNext(const char* Data, std::size_t Len)
{
    if (bodyLineCount_++ == 0) {
        chunkState_ = httpChunkGetSize;
        chunkLength_ = 0;
        chunkRcvd_ = 0;
        chunkDigits_ = 0;
        TriggerDocBegin();
        // After the event: the owner may give the stream there.
        if (RcvdStream && contentLength_ > 0)
            RcvdStream->reserve(std::min(contentLength_, maxBodyRoom));
    }
    if (EndsChunked(transferEncoding_))
        return DecodeChunked(Data, Len);
    if (Len > 0)
        StoreBodyData(Data, Len);
    if (contentLength_ >= 0 && rcvdCount_ >= contentLength_)
        EndDocument();
}

void THttpCli::StoreBodyData(const char* Data, std::size_t Len)
{
    rcvdCount_ += static_cast<std::int64_t>(Len);
    if (RcvdStream)
        RcvdStream->write(Data, Len);
    TriggerDocData(Data, static_cast<std::int32_t>(Len));
}

void THttpCli::DecodeChunked(const char* Data, std::size_t Len)
{
    const auto skipPastLineEnd = [&](std::size_t& at) {
        const void* lf = std::memchr(Data + at, '\n', Len - at);
        if (!lf) {
            at = Len;
            return false;
        }
        at = static_cast<std::size_t>(static_cast<const char*>(lf) - Data) + 1;
        return true;
    };
    std::size_t at = 0;
    while (at < Len || chunkState_ == httpChunkGetData) {
        switch (chunkState_) {
        case httpChunkGetSize:
            if (IsXDigit(Data[at])) {
                if (++chunkDigits_ > maxChunkSizeDigits)
                    return FailReply("Chunk size of more than 8 hexadecimal digits");
                chunkLength_ = chunkLength_ * 16 + static_cast<std::uint64_t>(XDigit(Data[at]));
                ++at;
            } else if (chunkDigits_ == 0) {
                return FailReply("Chunk without a size");
            } else {
                chunkState_ = httpChunkGetExt;
            }
            break;
        case httpChunkGetExt:
            if (skipPastLineEnd(at)) {
                chunkState_ = httpChunkGetData;
                chunkRcvd_ = 0;
            }
            break;
        case httpChunkGetData: {
            const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(Len - at, chunkLength_ - chunkRcvd_));
            if (count > 0)
                StoreBodyData(Data + at, count);
            chunkRcvd_ += count;
            at += count;
            if (chunkRcvd_ < chunkLength_)
                return;
            chunkState_ = httpChunkSkipDataEnd;
            break;
        }
        case httpChunkSkipDataEnd:
            if (!skipPastLineEnd(at))
                break;
            if (chunkLength_ == 0) {
                chunkState_ = httpChunkDone;
                return EndDocument();
            }
            chunkState_ = httpChunkGetSize;
            chunkLength_ = 0;
            chunkDigits_ = 0;
            break;
        case httpChunkDone:
            return;
        }
    }
}

void THttpCli::EndDocument()
{
    next_ = NextHandler::None;
    StateChange(httpBodyReceived);
    TriggerDocEnd();
    if (closeReq_ && !locationPending_)
        ctrlSocket_->CloseDelayed();
}

void THttpCli::FailCutDocument(std::uint16_t ErrCode)
{
    // Only a document of unknown length ends with its connection.
    if (EndsChunked(transferEncoding_))
        reasonPhrase_ = "Connection closed before the last chunk of the document";
    else if (contentLength_ >= 0)
        reasonPhrase_ = "Connection closed after " + std::to_string(rcvdCount_) + " of " + std::to_string(contentLength_)
            + " bytes of the document";
    else
        return;
    requestErrorCode_ = ErrCode != 0 ? ErrCode : HttpIncompleteReply;
}

void THttpCli::FailReply(const std::string& Reason)
{
    requestErrorCode_ = HttpIncompleteReply;
    statusCode_ = 404;
    reasonPhrase_ = Reason;
    locationPending_ = false;
    rcvCnt_ = 0;
    ctrlSocket_->Abort();
}

void THttpCli::SocketSessionClosed(std::uint16_t ErrCode)
{
    // A request that has failed already (aborted, its reply refused) keeps its own reason.
    const bool failed = requestErrorCode_ != 0 || state_ == httpAborting;
    if (ErrCode != 0)
        requestErrorCode_ = ErrCode;
    connected_ = false;
    if (headerInProgress_)
        TriggerHeaderEnd();
    // A document whose end is the end of the connection, or one cut short.
    if (next_ == NextHandler::BodyBlock) {
        next_ = NextHandler::None;
        if (!failed && !locationPending_)
            FailCutDocument(ErrCode);
        TriggerDocEnd();
    }
    next_ = NextHandler::None;
    if (locationPending_ && !TooManyRelocations()) {
        LocationSessionClosed(ErrCode);
        return;
    }
    locationPending_ = false;
    TriggerSessionClosed();
    if (state_ != httpReady)
        SetReady();
}
