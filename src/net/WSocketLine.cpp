#include "net/WSocketLine.h"

#include "platform/win/MessageWindow.h"

#include <algorithm>

using namespace platform;

namespace {

constexpr std::int32_t unknownCount = 255;
constexpr std::size_t tabStop = 8;
constexpr char backspace = 8;
constexpr char tab = 9;

} // namespace

void TCustomLineWSocket::SetLineMode(bool Value)
{
    if (Value == lineMode_)
        return;
    lineMode_ = Value;
    if (!buffer_.empty() || lineLength_ > 0)
        PostMessage(Handle(), WM_TRIGGER_DATA_AVAILABLE, 0, 0);
}

std::int32_t TCustomLineWSocket::SendLine(const std::string& Line)
{
    if (Line.empty())
        return 0;
    PutStringInSendBuffer(Line);
    Send(LineEnd.data(), static_cast<std::int32_t>(LineEnd.size()));
    return static_cast<std::int32_t>(Line.size()) + 2;
}

void TCustomLineWSocket::TriggerLineLimitExceeded(std::int32_t Cnt, bool& ClearData)
{
    if (OnLineLimitExceeded) {
        const TLineLimitEvent handler = OnLineLimitExceeded;
        handler(this, Cnt, ClearData);
    }
}

std::int32_t TCustomLineWSocket::GetRcvdCount()
{
    return lineMode_ ? static_cast<std::int32_t>(lineLength_) : TCustomSocksWSocket::GetRcvdCount();
}

bool TCustomLineWSocket::OfferToOwner()
{
    return TCustomWSocket::TriggerDataAvailable(0);
}

bool TCustomLineWSocket::DeliverLine()
{
    while (lineMode_ && lineLength_ > 0) {
        const std::size_t before = buffer_.size();
        if (!OfferToOwner()) {
            // Nobody listens: the line is dropped.
            buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(lineLength_));
            lineLength_ = 0;
            return true;
        }
        if (buffer_.size() == before)
            return false;
    }
    return true;
}

void TCustomLineWSocket::DeliverRaw()
{
    while (!lineMode_ && !buffer_.empty()) {
        const std::size_t before = buffer_.size();
        if (!OfferToOwner()) {
            buffer_.clear();
            lineLength_ = 0;
            return;
        }
        if (buffer_.size() == before)
            return;
    }
}

bool TCustomLineWSocket::TriggerDataAvailable(std::uint16_t ErrCode)
{
    if (!lineMode_ || LineEnd.empty() || SocksState() != socksData)
        return TCustomSocksWSocket::TriggerDataAvailable(ErrCode);
    std::int32_t count = TCustomSocksWSocket::GetRcvdCount();
    if (count < 0)
        return true;
    if (count == 0)
        count = unknownCount;
    const std::size_t before = buffer_.size();
    buffer_.resize(before + static_cast<std::size_t>(count));
    std::int32_t received = TCustomSocksWSocket::DoRecv(buffer_.data() + before, count, 0);
    received = std::max(received, 0);
    buffer_.resize(before + static_cast<std::size_t>(received));
    if (buffer_.empty())
        return true;
    if (received > 0) {
        if (LineEdit)
            EditLine(received);
        else if (LineEcho)
            Send(buffer_.data() + before, received);
    }
    // Editing may have rewritten bytes buffered before, and a line end split over two reads
    // begins before the bytes just read.
    std::size_t searchFrom = buffer_.size() - static_cast<std::size_t>(received);
    searchFrom -= std::min(searchFrom, LineEnd.size());
    for (;;) {
        if (!lineMode_) {
            DeliverRaw();
            return true;
        }
        if (lineLength_ == 0) {
            const auto end = std::search(buffer_.begin() + static_cast<std::ptrdiff_t>(searchFrom), buffer_.end(),
                                         LineEnd.begin(), LineEnd.end());
            if (end == buffer_.end())
                break;
            lineLength_ = static_cast<std::size_t>(end - buffer_.begin()) + LineEnd.size();
        }
        lineReceivedFlag_ = true;
        lineFound_ = true;
        if (!DeliverLine())
            return true; // the owner left the line where it is
        searchFrom = 0;
    }
    if (LineLimit > 0 && static_cast<std::size_t>(LineLimit) < buffer_.size()) {
        bool clearData = true;
        TriggerLineLimitExceeded(static_cast<std::int32_t>(buffer_.size()), clearData);
        if (clearData) {
            buffer_.clear();
            lineLength_ = 0;
        }
    }
    return true;
}

std::int32_t TCustomLineWSocket::DoRecv(void* Buffer, std::int32_t BufferSize, int Flags)
{
    const std::size_t available = lineMode_ ? lineLength_ : buffer_.size();
    if (available == 0 || BufferSize <= 0)
        return TCustomSocksWSocket::DoRecv(Buffer, BufferSize, Flags);
    const std::size_t count = std::min(available, static_cast<std::size_t>(BufferSize));
    std::copy_n(buffer_.begin(), count, static_cast<char*>(Buffer));
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(count));
    lineLength_ -= std::min(lineLength_, count);
    bytesTaken_ += static_cast<std::int64_t>(count);
    return static_cast<std::int32_t>(count);
}

void TCustomLineWSocket::EditLine(std::int32_t& Len)
{
    const std::size_t start = buffer_.size() - static_cast<std::size_t>(Len);
    std::string line(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(start));
    std::string echo;
    bool edited = false;
    std::size_t firstChanged = start;
    for (std::size_t at = start; at < buffer_.size(); ++at) {
        const char c = buffer_[at];
        if (c == backspace) {
            edited = true;
            if (!line.empty()) {
                line.pop_back();
                firstChanged = std::min(firstChanged, line.size());
                echo += "\b \b";
            }
        } else if (c == tab) {
            edited = true;
            const std::size_t blanks = tabStop - line.size() % tabStop;
            line.append(blanks, ' ');
            echo.append(blanks, ' ');
        } else {
            line += c;
            echo += c;
        }
    }
    if (LineEcho && !echo.empty())
        SendStr(echo);
    if (!edited)
        return;
    buffer_.assign(line.begin(), line.end());
    lineLength_ = std::min(lineLength_, buffer_.size());
    Len = static_cast<std::int32_t>(line.size() - firstChanged);
}

void TCustomLineWSocket::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    if (Msg != WM_TRIGGER_DATA_AVAILABLE) {
        TCustomSocksWSocket::WndProc(Msg, WParam, LParam);
        return;
    }
    try {
        Replay();
    } catch (const std::exception& E) {
        HandleBackGroundException(E);
    }
}

void TCustomLineWSocket::Replay()
{
    int roundsWithoutLine = 0;
    while (!buffer_.empty()) {
        lineFound_ = false;
        const std::size_t before = buffer_.size();
        const std::size_t pending = lineLength_;
        TriggerDataAvailable(0);
        if (buffer_.empty())
            break;
        if (lineMode_ && !lineFound_ && ++roundsWithoutLine > 3)
            break;
        if (buffer_.size() == before && lineLength_ == pending)
            break;
    }
}

void TCustomLineWSocket::TriggerSessionClosed(std::uint16_t ErrCode)
{
    lineReceivedFlag_ = true;
    if (lineMode_ && !buffer_.empty()) {
        lineLength_ = buffer_.size();
        DeliverLine();
    }
    // An owner that left line mode while taking the last line, or before its raw bytes were
    // replayed, still gets them: nothing will replay them once the socket is closed.
    DeliverRaw();
    buffer_.clear();
    buffer_.shrink_to_fit();
    lineLength_ = 0;
    TCustomSocksWSocket::TriggerSessionClosed(ErrCode);
}

std::string TCustomLineWSocket::TakeBuffered()
{
    std::string bytes(buffer_.begin(), buffer_.end());
    buffer_.clear();
    lineLength_ = 0;
    return bytes;
}
