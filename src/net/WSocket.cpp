#include "net/WSocketBase.h"

#include "net/FireEvent.h"

#include "net/WSocketHelpers.h"
#include "net/WSocketLoader.h"
#include "platform/win/MessagePump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QtGlobal>

#include <algorithm>
#include <cstdarg>
#include <cstdio>

using namespace platform;

namespace {

constexpr std::int32_t sendChunkSize = 1460;
const char* const anyAddress = "0.0.0.0";

} // namespace

TCustomWSocket::TCustomWSocket() : bufList_(sendChunkSize)
{
    AllocateSocketHWnd();
    AssignDefaultValue();
    WSocketAddSocket();
}

TCustomWSocket::~TCustomWSocket()
{
    destroying_ = true;
    // The owner may be half destroyed itself: none of its handlers runs from here on.
    OnDataAvailable = nullptr;
    OnDataSent = nullptr;
    OnSendData = nullptr;
    OnSessionClosed = nullptr;
    OnSessionAvailable = nullptr;
    OnSessionConnected = nullptr;
    OnChangeState = nullptr;
    OnDnsLookupDone = nullptr;
    OnError = nullptr;
    OnBgException = nullptr;
    OnDisplay = nullptr;
    try {
        CancelDnsLookup();
    } catch (...) {
    }
    try {
        if (state_ != wsClosed)
            Close();
    } catch (...) {
    }
    if (hSocket_ != INVALID_SOCKET)
        WSocket_closesocket(hSocket_);
    WSocketRemoveSocket();
    DeallocateSocketHWnd();
}

void TCustomWSocket::AllocateSocketHWnd()
{
    if (!QCoreApplication::instance() || !QThread::currentThread()->eventDispatcher())
        throw ESocketException("Cannot create a hidden window for TWSocket");
    windowThread_ = QThread::currentThread();
    window_ = AllocateHWnd([this](UINT msg, WPARAM wParam, LPARAM lParam) { WndProc(msg, wParam, lParam); });
}

void TCustomWSocket::DeallocateSocketHWnd()
{
    DeallocateHWnd(window_);
    window_ = 0;
    windowThread_ = nullptr;
}

void TCustomWSocket::ThreadDetach()
{
    if (QThread::currentThread() != windowThread_) {
        RaiseException("Cannot detach from other thread");
        return;
    }
    // The saved mask stays: the new thread selects it again.
    if (hSocket_ != INVALID_SOCKET)
        WSocket_WSAAsyncSelect(hSocket_, window_, 0, 0);
    DeallocateSocketHWnd();
}

void TCustomWSocket::ThreadAttach()
{
    if (window_ != 0) {
        RaiseException("Cannot attach when not detached");
        return;
    }
    AllocateSocketHWnd();
    if (hSocket_ != INVALID_SOCKET && !paused_)
        WSocket_WSAAsyncSelect(hSocket_, window_, WM_ASYNCSELECT, selectMask_);
}

void TCustomWSocket::MessageLoop()
{
    // Quitting the application or the thread ends every event loop running on it.
    QEventLoop loop;
    loop.exec();
    terminated_ = true;
}

void TCustomWSocket::AssignDefaultValue()
{
    sin_ = {};
    sin_.sin_family = AF_INET;
    addrFamily_ = PF_INET;
    addrAssigned_ = false;
    addrResolved_ = false;
    portAssigned_ = false;
    portResolved_ = false;
    protoAssigned_ = true;
    protoResolved_ = false;
    localPortResolved_ = false;
    proto_ = IPPROTO_TCP;
    protoStr_ = std::string("tcp");
    type_ = SOCK_STREAM;
    localPortStr_ = std::string("0");
    localAddr_ = std::string(anyAddress);
    LingerOnOff = wsLingerOn;
    LingerTimeout = 0;
    hSocket_ = INVALID_SOCKET;
    selectMask_ = 0;
    state_ = wsClosed;
    allSent_ = true;
    paused_ = false;
    readCount_ = 0;
    closeInvoked_ = false;
    FlushTimeout = 60;
}

// ---- properties ----

void TCustomWSocket::SetAssigned(std::string& field, bool& assigned, bool& resolved, const std::string& value,
                                 const std::string& what)
{
    const std::string trimmed = WSocketTrim(value);
    if (assigned && trimmed == field)
        return;
    if (state_ != wsClosed) {
        RaiseException("Cannot change " + what + " if not closed");
        return;
    }
    field = trimmed;
    assigned = !trimmed.empty();
    if (assigned)
        resolved = false;
}

void TCustomWSocket::SetAddr(const std::string& value)
{
    SetAssigned(addrStr_, addrAssigned_, addrResolved_, value, "Addr");
}

void TCustomWSocket::SetRemotePort(const std::string& value)
{
    SetAssigned(portStr_, portAssigned_, portResolved_, value, "Port");
}

void TCustomWSocket::SetProto(const std::string& value)
{
    SetAssigned(protoStr_, protoAssigned_, protoResolved_, value, "Proto");
}

void TCustomWSocket::SetLocalAddr(const std::string& value)
{
    if (state_ != wsClosed) {
        RaiseException("Cannot change LocalAddr if not closed");
        return;
    }
    localAddr_ = value.empty() ? std::string(anyAddress) : value;
}

void TCustomWSocket::SetLocalPort(const std::string& value)
{
    if (state_ != wsClosed) {
        RaiseException("Cannot change LocalPort if not closed");
        return;
    }
    localPortStr_ = value;
    localPortResolved_ = false;
}

std::uint8_t TCustomWSocket::ReqVerLow() const
{
    return WSocketReqVerLow();
}

void TCustomWSocket::SetReqVerLow(std::uint8_t value)
{
    RefuseVersionChange(WSocketSetReqVerLow(value), "SetReqVerLow");
}

std::uint8_t TCustomWSocket::ReqVerHigh() const
{
    return WSocketReqVerHigh();
}

void TCustomWSocket::SetReqVerHigh(std::uint8_t value)
{
    RefuseVersionChange(WSocketSetReqVerHigh(value), "SetReqVerHigh");
}

void TCustomWSocket::RefuseVersionChange(bool changed, const std::string& setter)
{
    if (!changed) {
        WSocket_WSASetLastError(WSAEINVAL);
        SocketError(setter + ": WinSock version can't be changed now");
    }
}

TSocketSendFlags TCustomWSocket::SendFlags() const
{
    return sendFlags_;
}

void TCustomWSocket::SetSendFlags(TSocketSendFlags value)
{
    if (value != wsSendNormal && value != wsSendUrgent) {
        RaiseException("Invalid SendFlags");
        return;
    }
    sendFlags_ = value;
}

// ---- state, errors, events ----

void TCustomWSocket::ChangeState(TSocketState NewState)
{
    const TSocketState old = state_;
    state_ = NewState;
    if (old != NewState)
        TriggerChangeState(old, NewState);
}

void TCustomWSocket::RaiseExceptionFmt(const char* Fmt, ...)
{
    va_list args;
    va_start(args, Fmt);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, Fmt, args);
    va_end(args);
    std::string text(static_cast<std::size_t>(std::max(length, 0)), '\0');
    std::vsnprintf(text.data(), text.size() + 1, Fmt, again);
    va_end(again);
    RaiseException(text);
}

void TCustomWSocket::RaiseException(const std::string& Msg)
{
    if (OnError)
        TriggerError();
    else
        throw ESocketException(Msg);
}

void TCustomWSocket::SocketError(const std::string& Where)
{
    const int code = WSocket_WSAGetLastError();
    const std::string text = WSocketErrorText(code, Where);
    if (code == WSAECONNRESET || code == WSAENOTCONN) {
        if (hSocket_ != INVALID_SOCKET) {
            WSocket_closesocket(hSocket_);
            hSocket_ = INVALID_SOCKET;
        }
        if (state_ != wsClosed && !closeInvoked_) {
            closeInvoked_ = true;
            TriggerSessionClosed(static_cast<std::uint16_t>(code));
        }
        ChangeState(wsClosed);
    }
    lastError_ = code;
    RaiseException(text);
}

void TCustomWSocket::HandleBackGroundException(const std::exception& E)
{
    bool canClose = true;
    try {
        fire(OnBgException, this, E, canClose);
    } catch (...) {
    }
    if (canClose) {
        try {
            Abort();
        } catch (...) {
        }
    }
}

bool TCustomWSocket::TriggerDataAvailable(std::uint16_t Error)
{
    if (!OnDataAvailable)
        return false;
    fire(OnDataAvailable, this, Error);
    return true;
}

void TCustomWSocket::TriggerSessionAvailable(std::uint16_t Error)
{
    fire(OnSessionAvailable, this, Error);
}

void TCustomWSocket::TriggerSessionConnectedSpecial(std::uint16_t Error)
{
    TriggerSessionConnected(Error);
}

void TCustomWSocket::TriggerSessionConnected(std::uint16_t Error)
{
    fire(OnSessionConnected, this, Error);
}

void TCustomWSocket::TriggerSessionClosed(std::uint16_t Error)
{
    fire(OnSessionClosed, this, Error);
}

void TCustomWSocket::TriggerDataSent(std::uint16_t Error)
{
    fire(OnDataSent, this, Error);
}

void TCustomWSocket::TriggerChangeState(TSocketState OldState, TSocketState NewState)
{
    fire(OnChangeState, this, OldState, NewState);
}

void TCustomWSocket::TriggerDNSLookupDone(std::uint16_t Error)
{
    fire(OnDnsLookupDone, this, Error);
}

void TCustomWSocket::TriggerError()
{
    fire(OnError, this);
}

void TCustomWSocket::TriggerSendData(std::int32_t BytesSent)
{
    fire(OnSendData, this, BytesSent);
}

void TCustomWSocket::TriggerDisplay(std::string Msg)
{
    fire(OnDisplay, this, Msg);
}

// ---- messages ----

void TCustomWSocket::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    try {
        switch (Msg) {
        case WM_ASYNCSELECT:
            WMASyncSelect(WParam, LParam);
            break;
        case WM_ASYNCGETHOSTBYNAME:
            WMAsyncGetHostByName(WParam, LParam);
            break;
        case WM_ASYNCGETHOSTBYADDR:
            WMAsyncGetHostByAddr(WParam, LParam);
            break;
        case WM_CLOSE_DELAYED:
            WMCloseDelayed();
            break;
        case WM_WSOCKET_RELEASE:
            WMRelease();
            return;
        case WM_TRIGGER_EXCEPTION:
            throw ESocketException("Test exception in WSocket");
        default:
            break;
        }
    } catch (const std::exception& E) {
        HandleBackGroundException(E);
    }
}

void TCustomWSocket::WMASyncSelect(WPARAM WParam, LPARAM LParam)
{
    const auto served = static_cast<SOCKET>(WParam);
    const int events = WSAGETSELECTEVENT(LParam);
    if (events & FD_WRITE)
        writeNoticePosted_ = false;
    if (served != hSocket_ || paused_)
        return;
    const auto error = static_cast<std::uint16_t>(WSAGETSELECTERROR(LParam));
    using Handler = void (TCustomWSocket::*)(std::uint16_t);
    static constexpr struct {
        long event;
        Handler handler;
    } order[] = {
        {FD_CONNECT, &TCustomWSocket::Do_FD_CONNECT}, {FD_READ, &TCustomWSocket::Do_FD_READ},
        {FD_WRITE, &TCustomWSocket::Do_FD_WRITE},     {FD_ACCEPT, &TCustomWSocket::Do_FD_ACCEPT},
        {FD_CLOSE, &TCustomWSocket::Do_FD_CLOSE},
    };
    for (const auto& step : order) {
        // A handler of an earlier bit may have closed the socket.
        if (!(events & step.event) || hSocket_ != served)
            continue;
        selectEvent_ = static_cast<std::uint16_t>(step.event);
        (this->*step.handler)(error);
    }
    selectEvent_ = 0;
}

void TCustomWSocket::Do_FD_CONNECT(std::uint16_t Error)
{
    if (state_ == wsConnected)
        return;
    ChangeState(wsConnected);
    TriggerSessionConnectedSpecial(Error);
    // The connect error goes on to OnSessionClosed: a failed connection never reads as a
    // clean end.
    if (Error != 0 && state_ != wsClosed)
        InternalClose(true, Error);
}

void TCustomWSocket::Do_FD_READ(std::uint16_t Error)
{
    // A datagram listener too: its first datagram makes it connected.
    if (state_ != wsConnected) {
        ChangeState(wsConnected);
        TriggerSessionConnectedSpecial(Error);
    }
    ASyncReceive(Error, ComponentOptions);
}

void TCustomWSocket::Do_FD_WRITE(std::uint16_t Error)
{
    TryToSend();
    if (allSent_ && hSocket_ != INVALID_SOCKET)
        TriggerDataSent(Error);
}

void TCustomWSocket::Do_FD_ACCEPT(std::uint16_t Error)
{
    TriggerSessionAvailable(Error);
}

void TCustomWSocket::Do_FD_CLOSE(std::uint16_t Error)
{
    if (state_ == wsConnecting)
        return;
    const SOCKET served = hSocket_;
    // Everything that arrived before the end is delivered first, receive loop or not.
    ASyncReceive(0, ComponentOptions.without(wsoNoReceiveLoop));
    if (hSocket_ != served)
        return; // a handler closed the socket and the close was reported then
    if (!closeInvoked_) {
        closeInvoked_ = true;
        TriggerSessionClosed(Error);
    }
    if (state_ != wsClosed)
        Close();
}

void TCustomWSocket::WMCloseDelayed()
{
    Close();
}

void TCustomWSocket::WMRelease()
{
    delete this;
}

void TCustomWSocket::CloseDelayed()
{
    PostMessage(window_, WM_CLOSE_DELAYED, 0, 0);
}

void TCustomWSocket::Release()
{
    PostMessage(window_, WM_WSOCKET_RELEASE, 0, 0);
}

void TCustomWSocket::PostWriteNotice()
{
    // One per Send would pile up in the event queue while a client pipelines its commands.
    if (writeNoticePosted_)
        return;
    writeNoticePosted_ = true;
    PostMessage(window_, WM_ASYNCSELECT, static_cast<WPARAM>(hSocket_), WSAMAKESELECTREPLY(FD_WRITE, 0));
}

void TCustomWSocket::MessagePump()
{
    // Both pumps of the original choice are the thread's Qt event loop here.
    ProcessMessages();
}

bool TCustomWSocket::SelectEvents(long Mask)
{
    selectMask_ = Mask;
    return WSocket_WSAAsyncSelect(hSocket_, window_, WM_ASYNCSELECT, Mask) == 0;
}

void TCustomWSocket::Pause()
{
    paused_ = true;
    WSocket_WSAAsyncSelect(hSocket_, window_, 0, 0);
}

void TCustomWSocket::Resume()
{
    paused_ = false;
    WSocket_WSAAsyncSelect(hSocket_, window_, WM_ASYNCSELECT, selectMask_);
}

bool TCustomWSocket::TimerIsSet(const timeval& tv) const
{
    return tv.tv_sec != 0 || tv.tv_usec != 0;
}

void TCustomWSocket::TimerClear(timeval& tv) const
{
    tv.tv_sec = 0;
    tv.tv_usec = 0;
}

bool TCustomWSocket::TimerCmp(const timeval& tv, const timeval& uv, bool IsEqual) const
{
    const bool equal = tv.tv_sec == uv.tv_sec && tv.tv_usec == uv.tv_usec;
    return equal == IsEqual;
}
