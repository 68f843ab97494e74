#pragma once

#include "net/WSockBuf.h"
#include "net/WSocketErrors.h"
#include "platform/win/WinSock.h"

#include <sys/time.h>

#include <cstdint>
#include <functional>
#include <exception>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

class QThread;

// The event-driven socket every network feature rests on (the first layer; the socket the
// program uses, with SOCKS and line mode, is TWSocket in net/WSocket.h). It never blocks the caller: the
// socket's notices, name-lookup results and deferred work arrive as messages on a hidden
// window of the creating thread and become events there.

enum TSocketState {
    wsInvalidState,
    wsOpened,
    wsBound,
    wsConnecting,
    wsSocksConnected,
    wsConnected,
    wsAccepting,
    wsListening,
    wsClosed
};

enum TWSocketOption { wsoNoReceiveLoop, wsoTcpNoDelay, wsoSIO_RCVALL };
enum TSocketSendFlags { wsSendNormal, wsSendUrgent };
enum TSocketLingerOnOff { wsLingerOff, wsLingerOn, wsLingerNoSet };

// A set of TWSocketOption, one bit per member in declaration order.
class TWSocketOptions {
public:
    constexpr TWSocketOptions() = default;
    constexpr TWSocketOptions(std::initializer_list<TWSocketOption> options)
    {
        for (TWSocketOption option : options)
            bits_ |= bit(option);
    }
    constexpr bool contains(TWSocketOption option) const { return (bits_ & bit(option)) != 0; }
    constexpr TWSocketOptions without(TWSocketOption option) const
    {
        TWSocketOptions set = *this;
        set.bits_ &= static_cast<std::uint8_t>(~bit(option));
        return set;
    }
    constexpr bool operator==(const TWSocketOptions&) const = default;

private:
    static constexpr std::uint8_t bit(TWSocketOption option) { return static_cast<std::uint8_t>(1u << option); }
    std::uint8_t bits_ = 0;
};

// Message numbers of the socket's window; the layers above post some of them themselves.
constexpr platform::UINT WM_ASYNCSELECT = platform::WM_USER + 1;
constexpr platform::UINT WM_ASYNCGETHOSTBYNAME = platform::WM_USER + 2;
constexpr platform::UINT WM_ASYNCGETHOSTBYADDR = platform::WM_USER + 3;
constexpr platform::UINT WM_CLOSE_DELAYED = platform::WM_USER + 4;
constexpr platform::UINT WM_WSOCKET_RELEASE = platform::WM_USER + 5;
constexpr platform::UINT WM_TRIGGER_EXCEPTION = platform::WM_USER + 6;
constexpr platform::UINT WM_TRIGGER_DATA_AVAILABLE = platform::WM_USER + 20;

// Queued bytes a socket accepts by default before Send refuses more (SendBufferLimit).
constexpr std::int64_t DefaultSendBufferLimit = 64 * 1024 * 1024;

class TCustomWSocket {
public:
    using TDataAvailable = std::function<void(TCustomWSocket* Sender, std::uint16_t ErrCode)>;
    using TDataSent = TDataAvailable;
    using TSessionClosed = TDataAvailable;
    using TSessionAvailable = TDataAvailable;
    using TSessionConnected = TDataAvailable;
    using TDnsLookupDone = TDataAvailable;
    using TSendData = std::function<void(TCustomWSocket* Sender, std::int32_t BytesSent)>;
    using TChangeState = std::function<void(TCustomWSocket* Sender, TSocketState OldState, TSocketState NewState)>;
    using TBgExceptionEvent = std::function<void(TCustomWSocket* Sender, const std::exception& E, bool& CanClose)>;
    using TNotifyEvent = std::function<void(TCustomWSocket* Sender)>;
    using TDebugDisplay = std::function<void(TCustomWSocket* Sender, std::string& Msg)>;

    // Raises ESocketException "Cannot create a hidden window for TWSocket" when the calling
    // thread cannot have one.
    TCustomWSocket();
    virtual ~TCustomWSocket();
    TCustomWSocket(const TCustomWSocket&) = delete;
    TCustomWSocket& operator=(const TCustomWSocket&) = delete;

    // Remote end and protocol: may change only while closed. Every close makes address and
    // port unset and the protocol "tcp" again, so they are set before each Connect or Listen.
    const std::string& Addr() const { return addrStr_; }
    void SetAddr(const std::string& value);
    const std::string& Port() const { return portStr_; }
    virtual void SetRemotePort(const std::string& value);
    const std::string& Proto() const { return protoStr_; }
    virtual void SetProto(const std::string& value);
    const std::string& LocalAddr() const { return localAddr_; }
    void SetLocalAddr(const std::string& value);
    // After a bind, the port actually bound.
    const std::string& LocalPort() const { return localPortStr_; }
    void SetLocalPort(const std::string& value);

    std::string PeerAddr() { return GetPeerAddr(); }
    std::string PeerPort() { return GetPeerPort(); }
    const std::string& DnsResult() const { return dnsResult_; }
    const std::vector<std::string>& DnsResultList() const { return dnsResultList_; }
    TSocketState State() const { return state_; }
    // Bytes taken with Receive and ReceiveFrom since the last close.
    std::int64_t ReadCount() const { return readCount_; }
    std::int32_t RcvdCount() { return GetRcvdCount(); }
    std::int32_t LastError() const { return lastError_; }
    platform::SOCKET HSocket() const { return hSocket_; }
    platform::HWND Handle() const { return window_; }
    // Bytes queued and not yet handed to the system.
    std::int64_t BufferedByteCount() const { return bufferedBytes_; }

    std::uint8_t ReqVerLow() const;
    void SetReqVerLow(std::uint8_t value);
    std::uint8_t ReqVerHigh() const;
    void SetReqVerHigh(std::uint8_t value);
    TSocketSendFlags SendFlags() const;
    void SetSendFlags(TSocketSendFlags value);

    bool MultiThreaded = false;
    bool MultiCast = false;
    std::string MultiCastAddrStr;
    std::int32_t MultiCastIpTTL = 1;
    bool ReuseAddr = false;
    TWSocketOptions ComponentOptions;
    std::int32_t ListenBacklog = 5;
    std::int32_t FlushTimeout = 60;
    TSocketLingerOnOff LingerOnOff = wsLingerOn;
    std::int32_t LingerTimeout = 0;
    // A peer that never reads must not make the queue grow without end: beyond this many
    // queued bytes Send refuses the data with WSAENOBUFS.
    std::int64_t SendBufferLimit = DefaultSendBufferLimit;

    TDataAvailable OnDataAvailable;
    TDataSent OnDataSent;
    TSendData OnSendData;
    TSessionClosed OnSessionClosed;
    TSessionAvailable OnSessionAvailable;
    TSessionConnected OnSessionConnected;
    TChangeState OnChangeState;
    TDnsLookupDone OnDnsLookupDone;
    TNotifyEvent OnError;
    TBgExceptionEvent OnBgException;
    TDebugDisplay OnDisplay;

    virtual void Connect();
    virtual void Listen();
    // The handle of one pending connection, INVALID_SOCKET on failure.
    virtual platform::SOCKET Accept();
    // Takes over a handle accepted by another socket.
    virtual void Dup(platform::SOCKET NewHSocket);
    virtual void Close();
    // Close from the message loop, for a handler of the socket's own events.
    virtual void CloseDelayed();
    // Frees the socket from the message loop. Only for a socket nobody else owns: the owner
    // gives up its pointer when it calls this.
    virtual void Release();
    virtual void Abort();
    virtual void Shutdown(int How);
    virtual void Flush();
    virtual void WaitForClose();
    virtual void Pause();
    virtual void Resume();

    // Queues the data and sends what the system takes now; OnDataSent comes from the message
    // loop once the queue has drained. Len, or -1 when refused.
    virtual std::int32_t Send(const void* Data, std::int32_t Len);
    std::int32_t SendStr(const std::string& Str);
    void SendText(const std::string& Str) { SendStr(Str); }
    // Only queues; false when the queue limit refuses the data.
    virtual bool PutDataInSendBuffer(const void* Data, std::int32_t Len);
    bool PutStringInSendBuffer(const std::string& Str);
    void DeleteBufferedData();
    virtual std::int32_t SendTo(const sockaddr_in& Dest, socklen_t DestLen, const void* Data, std::int32_t Len);

    virtual std::int32_t Receive(void* Buffer, std::int32_t BufferSize);
    virtual std::string ReceiveStr();
    virtual std::int32_t ReceiveFrom(void* Buffer, std::int32_t BufferSize, sockaddr_in& From, socklen_t& FromLen);
    std::int32_t PeekData(void* Buffer, std::int32_t Size);

    virtual void DnsLookup(const std::string& HostName);
    virtual void ReverseDnsLookup(const std::string& HostAddr);
    virtual void CancelDnsLookup();

    virtual std::string GetPeerAddr();
    virtual std::string GetPeerPort();
    virtual std::int32_t GetPeerName(sockaddr_in& Name, socklen_t NameLen);
    virtual std::int32_t GetSockName(sockaddr_in& Name, socklen_t& NameLen);
    virtual std::string GetXAddr();
    virtual std::string GetXPort();

    virtual bool TimerIsSet(const timeval& tv) const;
    virtual void TimerClear(timeval& tv) const;
    virtual bool TimerCmp(const timeval& tv, const timeval& uv, bool IsEqual) const;

    virtual void MessagePump();
    // Serves the thread's messages until the application or the thread is asked to quit.
    void MessageLoop();

    // Hands the socket to another thread: ThreadDetach on the thread whose window serves it,
    // then ThreadAttach on the new thread, whose event loop then delivers its events.
    void ThreadDetach();
    void ThreadAttach();

protected:
    virtual void WndProc(platform::UINT Msg, platform::WPARAM WParam, platform::LPARAM LParam);
    virtual void AllocateSocketHWnd();
    virtual void DeallocateSocketHWnd();
    virtual void TryToSend();
    virtual void AssignDefaultValue();
    virtual void InternalClose(bool bShut, std::uint16_t Error);
    virtual void InternalAbort(std::uint16_t ErrCode);
    virtual std::int32_t GetRcvdCount();
    virtual bool BindSocket();
    virtual std::int32_t RealSend(const void* Data, std::int32_t Len);
    virtual void RaiseExceptionFmt(const char* Fmt, ...) __attribute__((format(printf, 2, 3)));
    virtual void RaiseException(const std::string& Msg);
    virtual void HandleBackGroundException(const std::exception& E);

    // Each Trigger fires its event only when a handler is assigned.
    virtual bool TriggerDataAvailable(std::uint16_t Error);
    virtual void TriggerSessionAvailable(std::uint16_t Error);
    virtual void TriggerSessionConnectedSpecial(std::uint16_t Error);
    virtual void TriggerSessionConnected(std::uint16_t Error);
    virtual void TriggerSessionClosed(std::uint16_t Error);
    virtual void TriggerDataSent(std::uint16_t Error);
    virtual void TriggerChangeState(TSocketState OldState, TSocketState NewState);
    virtual void TriggerDNSLookupDone(std::uint16_t Error);
    virtual void TriggerError();
    void TriggerSendData(std::int32_t BytesSent);
    void TriggerDisplay(std::string Msg);

    virtual std::int32_t DoRecv(void* Buffer, std::int32_t BufferSize, int Flags);
    virtual std::int32_t DoRecvFrom(void* Buffer, std::int32_t BufferSize, int Flags, sockaddr_in& From,
                                    socklen_t& FromLen);
    virtual void Do_FD_CONNECT(std::uint16_t Error);
    virtual void Do_FD_READ(std::uint16_t Error);
    virtual void Do_FD_WRITE(std::uint16_t Error);
    virtual void Do_FD_ACCEPT(std::uint16_t Error);
    virtual void Do_FD_CLOSE(std::uint16_t Error);
    virtual void DupConnected();

    void ChangeState(TSocketState NewState);
    void ASyncReceive(std::uint16_t Error, TWSocketOptions Options);
    // "Error N in function WHERE" with the last error of the socket layer, to OnError or as
    // an exception; a reset or lost connection is closed first.
    void SocketError(const std::string& Where);
    void SetLingerOption();
    // Selects the notices of mask on the socket's window; false (nothing reported) on failure.
    bool SelectEvents(long Mask);
    void PostWriteNotice();

    platform::SOCKET hSocket_ = platform::INVALID_SOCKET;
    sockaddr_in sin_{};
    bool closeInvoked_ = false; // OnSessionClosed fired for this connection
    bool allSent_ = true;
    bool writeNoticePosted_ = false; // one write notice waits in the queue at most
    bool readFilledBuffer_ = false; // the last DoRecv filled the caller's buffer
    std::int32_t sndBufSize_ = 0;   // the system's send buffer, read when a handle is made
    std::int64_t readCount_ = 0;
    std::int32_t lastError_ = 0;
    std::uint16_t selectEvent_ = 0; // the notice being served
    bool terminated_ = false;       // the message loop saw the quit
    // Connect and Listen resolve what is not resolved yet; a layer that fills sin_ itself
    // marks it resolved.
    bool addrResolved_ = false;
    bool portResolved_ = false;
    // Bytes handed out by reads; a layer serving bytes from its own buffer counts them too,
    // since the receive loop goes on only while a round takes something.
    std::int64_t bytesTaken_ = 0;

private:
    void WMASyncSelect(platform::WPARAM WParam, platform::LPARAM LParam);
    void WMAsyncGetHostByName(platform::WPARAM WParam, platform::LPARAM LParam);
    void WMAsyncGetHostByAddr(platform::WPARAM WParam, platform::LPARAM LParam);
    // A name lookup (or, Reverse, an address lookup) has ended.
    void TakeLookupResult(platform::WPARAM WParam, platform::LPARAM LParam, bool Reverse);
    void WMCloseDelayed();
    void WMRelease();
    // Forgets the running lookup and the last results.
    void ForgetLookup();
    void StartLookup(const std::string& What, platform::HANDLE Handle);
    bool Queue(const void* Data, std::int32_t Len, const char* Where);
    // Resolves what Connect and Listen need; false (reported with the prefix) on failure.
    bool Resolve(const std::string& Prefix, bool Listening);
    // A new handle after the queue left by the last connection was discarded.
    bool OpenSocket(const std::string& Where);
    bool ReadSendBufferSize();
    // Closes a handle that never left wsClosed (a step of Connect or Listen failed), then
    // reports that step's error.
    void FailOpening(const std::string& Where);
    bool SetOption(int Level, int Name, int Value, const std::string& Where);
    bool ApplyLinger(int OnOff, int Timeout);
    // The version asked for at start-up cannot change while the library is loaded.
    void RefuseVersionChange(bool changed, const std::string& setter);
    // The peer's address, false (reported when the system fails) unless connected.
    bool PeerAddress(sockaddr_in& Peer, const char* Where);
    // The local address, false unless bound, connected or listening.
    bool LocalAddress(sockaddr_in& Local);
    void SetAssigned(std::string& field, bool& assigned, bool& resolved, const std::string& value,
                     const std::string& what);

    platform::HWND window_ = 0;
    QThread* windowThread_ = nullptr;
    std::string addrStr_;
    std::string portStr_;
    std::string protoStr_ = "tcp";
    std::string localAddr_ = "0.0.0.0";
    std::string localPortStr_ = "0";
    std::string dnsResult_;
    std::vector<std::string> dnsResultList_;
    TSocketState state_ = wsClosed;
    TSocketSendFlags sendFlags_ = wsSendNormal;

    int addrFamily_ = PF_INET;
    int type_ = SOCK_STREAM;
    int proto_ = IPPROTO_TCP;
    bool addrAssigned_ = false;
    bool portAssigned_ = false;
    bool protoAssigned_ = true;
    bool protoResolved_ = false;
    bool localPortResolved_ = false;
    std::uint16_t localPortNum_ = 0;
    platform::SOCKET lastAccepted_ = platform::INVALID_SOCKET;
    platform::HANDLE dnsLookupHandle_ = 0;

    TBufferList bufList_;
    std::int64_t bufferedBytes_ = 0;
    long selectMask_ = 0;
    bool paused_ = false;
    bool destroying_ = false;
};
