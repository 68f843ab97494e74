// Opening and closing: Connect, Listen, Accept, Dup, Close and Abort.

#include "net/WSocketBase.h"

#include "net/WSocketHelpers.h"
#include "net/WSocketLoader.h"
#include "platform/base/AsciiCase.h"

#include <arpa/inet.h>

using namespace platform;

namespace {

constexpr long connectEvents = FD_READ | FD_WRITE | FD_ACCEPT | FD_CONNECT | FD_CLOSE;
constexpr long listenEvents = FD_READ | FD_WRITE | FD_ACCEPT | FD_CLOSE;
constexpr long dupEvents = FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE;

const sockaddr* asAddress(const sockaddr_in& address)
{
    return reinterpret_cast<const sockaddr*>(&address);
}

} // namespace

bool TCustomWSocket::Resolve(const std::string& Prefix, bool Listening)
{
    try {
        if (Listening && platform::AsciiStartsWithNoCase(protoStr_, "raw_")) {
            type_ = SOCK_RAW;
            proto_ = WSocketResolveProto(protoStr_.substr(4, 10));
        } else if (Listening || !protoResolved_) {
            proto_ = WSocketResolveProto(protoStr_);
            if (proto_ == IPPROTO_UDP)
                type_ = SOCK_DGRAM;
            else
                type_ = proto_ == IPPROTO_TCP || Listening ? SOCK_STREAM : SOCK_RAW;
            protoResolved_ = true;
        }
        if (!portResolved_) {
            sin_.sin_port = htons(WSocketResolvePort(portStr_, protoStr_));
            portResolved_ = true;
        }
        if (!Listening && !localPortResolved_) {
            localPortNum_ = WSocketResolvePort(localPortStr_, protoStr_);
            localPortResolved_ = true;
        }
        if (!addrResolved_) {
            sin_.sin_addr.s_addr = WSocketResolveHost(addrStr_);
            addrResolved_ = true;
        }
        return true;
    } catch (const ESocketException& E) {
        RaiseException(Prefix + E.what());
        return false;
    }
}

bool TCustomWSocket::OpenSocket(const std::string& Where)
{
    DeleteBufferedData();
    hSocket_ = WSocket_socket(addrFamily_, type_, proto_);
    if (hSocket_ == INVALID_SOCKET) {
        SocketError(Where);
        return false;
    }
    closeInvoked_ = false;
    return true;
}

bool TCustomWSocket::ReadSendBufferSize()
{
    int size = 0;
    socklen_t length = sizeof size;
    if (WSocket_getsockopt(hSocket_, SOL_SOCKET, SO_SNDBUF, &size, &length) != 0)
        return false;
    sndBufSize_ = size;
    return true;
}

void TCustomWSocket::FailOpening(const std::string& Where)
{
    const int error = WSocket_WSAGetLastError();
    WSocket_closesocket(hSocket_);
    hSocket_ = INVALID_SOCKET;
    WSocket_WSASetLastError(error);
    SocketError(Where);
}

bool TCustomWSocket::SetOption(int Level, int Name, int Value, const std::string& Where)
{
    if (WSocket_setsockopt(hSocket_, Level, Name, &Value, sizeof Value) == 0)
        return true;
    SocketError(Where);
    return false;
}

bool TCustomWSocket::ApplyLinger(int OnOff, int Timeout)
{
    const linger value{OnOff, Timeout};
    if (WSocket_setsockopt(hSocket_, SOL_SOCKET, SO_LINGER, &value, sizeof value) == 0)
        return true;
    SocketError("setsockopt(SO_LINGER)");
    return false;
}

void TCustomWSocket::SetLingerOption()
{
    if (LingerOnOff == wsLingerNoSet)
        return;
    if (hSocket_ == INVALID_SOCKET) {
        RaiseException("Cannot set linger option at this time");
        return;
    }
    // Lingering with a time-out of 0 is the abortive close: every Close would reset the
    // connection and could lose the last bytes sent. Close stays graceful; Abort resets.
    if (LingerOnOff == wsLingerOn && LingerTimeout == 0)
        return;
    ApplyLinger(LingerOnOff == wsLingerOn ? 1 : 0, LingerTimeout & 0xFFFF);
}

bool TCustomWSocket::BindSocket()
{
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(localPortNum_);
    try {
        local.sin_addr.s_addr = WSocketResolveHost(localAddr_);
    } catch (const ESocketException& E) {
        RaiseException(E.what());
        return false;
    }
    if (WSocket_bind(hSocket_, asAddress(local), sizeof local) != 0) {
        RaiseException("winsock.bind failed, error #" + std::to_string(WSocket_WSAGetLastError()));
        return false;
    }
    socklen_t length = sizeof local;
    if (WSocket_getsockname(hSocket_, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        RaiseException("winsock.getsockname failed, error #" + std::to_string(WSocket_WSAGetLastError()));
        return false;
    }
    localPortNum_ = ntohs(local.sin_port);
    localPortStr_ = std::to_string(localPortNum_);
    return true;
}

void TCustomWSocket::Connect()
{
    if (hSocket_ != INVALID_SOCKET && state_ != wsClosed)
        return RaiseException("Connect: Socket already in use");
    if (!portAssigned_)
        return RaiseException("Connect: No Port Specified");
    if (!addrAssigned_)
        return RaiseException("Connect: No IP Address Specified");
    if (!protoAssigned_)
        return RaiseException("Connect: No Protocol Specified");
    if (!Resolve("connect: ", false) || !OpenSocket("Connect (socket)"))
        return;
    if (!ReadSendBufferSize())
        return FailOpening("getsockopt(SO_SNDBUF)");

    ChangeState(wsOpened);
    if (state_ != wsOpened) {
        WSocket_WSASetLastError(WSAEINVAL);
        return SocketError("Connect (Invalid operation in OnChangeState)");
    }

    if (type_ == SOCK_DGRAM) {
        if (!BindSocket())
            return;
        if (MultiCast) {
            if (MultiCastIpTTL != 1 && !SetOption(IPPROTO_IP, IP_MULTICAST_TTL, MultiCastIpTTL,
                                                  "setsockopt(IP_MULTICAST_TTL)"))
                return;
            if (localAddr_ != "0.0.0.0") {
                in_addr interface{};
                interface.s_addr = WSocketResolveHost(localAddr_);
                if (WSocket_setsockopt(hSocket_, IPPROTO_IP, IP_MULTICAST_IF, &interface, sizeof interface) != 0)
                    return SocketError("setsockopt(IP_MULTICAST_IF)");
            }
        }
        if (sin_.sin_addr.s_addr == INADDR_BROADCAST
            && !SetOption(SOL_SOCKET, SO_BROADCAST, 1, "setsockopt(SO_BROADCAST)"))
            return;
    } else {
        if (!SetOption(SOL_SOCKET, SO_REUSEADDR, 1, "setsockopt(SO_REUSEADDR)"))
            return;
        if (ComponentOptions.contains(wsoTcpNoDelay)
            && !SetOption(IPPROTO_TCP, TCP_NODELAY, 1, "setsockopt(IPPROTO_TCP, TCP_NODELAY)"))
            return;
        SetLingerOption();
        if (!SetOption(SOL_SOCKET, SO_KEEPALIVE, 1, "setsockopt(SO_KEEPALIVE)"))
            return;
        if ((localPortNum_ != 0 || localAddr_ != "0.0.0.0") && !BindSocket())
            return;
    }

    if (!SelectEvents(connectEvents))
        return SocketError("WSAAsyncSelect");

    if (type_ == SOCK_DGRAM) {
        ChangeState(wsConnected);
        TriggerSessionConnectedSpecial(0);
        return;
    }
    if (WSocket_connect(hSocket_, asAddress(sin_), sizeof sin_) == 0
        || WSocket_WSAGetLastError() == WSAEWOULDBLOCK) {
        ChangeState(wsConnecting);
        return;
    }
    // A connect refused at once ends the attempt like one refused later: closed, with the
    // error reported to OnSessionClosed, and then to the caller.
    const int error = WSocket_WSAGetLastError();
    lastError_ = error;
    InternalClose(false, static_cast<std::uint16_t>(error));
    WSocket_WSASetLastError(error);
    SocketError("Connect");
}

void TCustomWSocket::Listen()
{
    const auto refuse = [this](const char* what) {
        WSocket_WSASetLastError(WSAEINVAL);
        SocketError(what);
    };
    if (!portAssigned_)
        return refuse("listen: port not assigned");
    if (!protoAssigned_)
        return refuse("listen: protocol not assigned");
    if (!addrAssigned_)
        return refuse("listen: address not assigned");
    if (!Resolve("listen: ", true) || !OpenSocket("socket"))
        return;

    if (type_ == SOCK_DGRAM && ReuseAddr) {
        const int on = 1;
        if (WSocket_setsockopt(hSocket_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0)
            return FailOpening("setsockopt(SO_REUSEADDR)");
    }
    if (WSocket_bind(hSocket_, asAddress(sin_), sizeof sin_) != 0)
        return FailOpening("Bind");
    ChangeState(wsBound);

    switch (type_) {
    case SOCK_STREAM:
        if (WSocket_listen(hSocket_, ListenBacklog) != 0)
            return SocketError("Listen");
        break;
    case SOCK_DGRAM:
        if (MultiCast) {
            ip_mreq group{};
            group.imr_multiaddr.s_addr = WSocket_inet_addr(MultiCastAddrStr);
            group.imr_interface.s_addr = sin_.sin_addr.s_addr;
            if (WSocket_setsockopt(hSocket_, IPPROTO_IP, IP_ADD_MEMBERSHIP, &group, sizeof group) != 0)
                return SocketError("setsockopt(IP_ADD_MEMBERSHIP)");
        }
        break;
    case SOCK_RAW:
        if (ComponentOptions.contains(wsoSIO_RCVALL)) {
            const unsigned long on = 1;
            unsigned long returned = 0;
            if (WSocket_WSAIoctl(hSocket_, SIO_RCVALL, &on, sizeof on, nullptr, 0, &returned) != 0) {
                const int error = WSocket_WSAGetLastError();
                Close();
                WSocket_WSASetLastError(error);
                return SocketError("WSAIoctl(SIO_RCVALL)");
            }
        }
        break;
    default:
        return SocketError("Listen: unexpected protocol.");
    }
    ChangeState(wsListening);
    if (!SelectEvents(listenEvents))
        SocketError("WSAASyncSelect");
}

SOCKET TCustomWSocket::Accept()
{
    if (state_ != wsListening) {
        WSocket_WSASetLastError(WSAEINVAL);
        SocketError("not a listening socket");
        return INVALID_SOCKET;
    }
    socklen_t length = sizeof sin_;
    lastAccepted_ = WSocket_accept(hSocket_, reinterpret_cast<sockaddr*>(&sin_), &length);
    if (lastAccepted_ == INVALID_SOCKET)
        SocketError("Accept");
    return lastAccepted_;
}

void TCustomWSocket::Dup(SOCKET NewHSocket)
{
    if (NewHSocket == 0 || NewHSocket == INVALID_SOCKET) {
        WSocket_WSASetLastError(WSAEINVAL);
        return SocketError("Dup");
    }
    if (state_ != wsClosed) {
        const int result = WSocket_closesocket(hSocket_);
        hSocket_ = INVALID_SOCKET;
        if (result != 0)
            return SocketError("Dup (closesocket)");
        ChangeState(wsClosed);
    }
    hSocket_ = NewHSocket;
    closeInvoked_ = false;
    if (!ReadSendBufferSize())
        return SocketError("getsockopt(SO_SNDBUF)");
    SetLingerOption();
    if (!SelectEvents(dupEvents))
        return SocketError("WSAAsyncSelect");
    DupConnected();
}

void TCustomWSocket::DupConnected()
{
    ChangeState(wsConnected);
}

void TCustomWSocket::Close()
{
    InternalClose(true, 0);
}

void TCustomWSocket::Abort()
{
    InternalAbort(0);
}

void TCustomWSocket::InternalAbort(std::uint16_t ErrCode)
{
    CancelDnsLookup();
    DeleteBufferedData();
    // A time-out of 0 with lingering on makes the close reset the connection at once.
    if (hSocket_ != INVALID_SOCKET && state_ == wsConnected && type_ == SOCK_STREAM)
        ApplyLinger(1, 0);
    InternalClose(false, ErrCode);
}

void TCustomWSocket::InternalClose(bool bShut, std::uint16_t Error)
{
    if (hSocket_ == INVALID_SOCKET) {
        if (state_ != wsClosed) {
            ChangeState(wsClosed);
            AssignDefaultValue();
        }
        return;
    }
    if (state_ == wsClosed)
        return;
    if (bShut)
        WSocket_shutdown(hSocket_, SHUT_WR);
    const int result = WSocket_closesocket(hSocket_);
    hSocket_ = INVALID_SOCKET;
    if (result != 0 && WSocket_WSAGetLastError() != WSANOTINITIALISED)
        return SocketError("Disconnect (closesocket)");
    ChangeState(wsClosed);
    if (!destroying_ && !closeInvoked_) {
        closeInvoked_ = true;
        TriggerSessionClosed(Error);
    }
    // A handler that opened the socket again keeps what it set up.
    if (hSocket_ == INVALID_SOCKET && state_ == wsClosed) {
        try {
            AssignDefaultValue();
        } catch (...) {
        }
    }
}

void TCustomWSocket::Shutdown(int How)
{
    if (hSocket_ != INVALID_SOCKET)
        WSocket_shutdown(hSocket_, How);
}
