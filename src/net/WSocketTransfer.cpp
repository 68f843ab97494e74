// Moving data: the send queue, receiving and the receive loop, and the waiting loops.

#include "net/WSocketBase.h"

#include "net/WSocketLoader.h"
#include "platform/win/MessagePump.h"

#include <QtGlobal>

using namespace platform;

namespace {

// The waiting loops sleep until a message comes, or this long at most.
constexpr int waitSliceMs = 50;

bool closedByPeer(int error)
{
    return error == WSAECONNRESET || error == WSAENOTSOCK || error == WSAENOTCONN || error == WSAEINVAL
        || error == WSAECONNABORTED;
}

} // namespace

bool TCustomWSocket::Queue(const void* Data, std::int32_t Len, const char* Where)
{
    if (Len <= 0 || !Data)
        return true;
    if (bufferedBytes_ + Len > SendBufferLimit) {
        WSocket_WSASetLastError(WSAENOBUFS);
        SocketError(Where);
        return false;
    }
    bufList_.PutData(Data, Len);
    bufferedBytes_ += Len;
    allSent_ = false;
    return true;
}

bool TCustomWSocket::PutDataInSendBuffer(const void* Data, std::int32_t Len)
{
    return Queue(Data, Len, "PutDataInSendBuffer");
}

bool TCustomWSocket::PutStringInSendBuffer(const std::string& Str)
{
    return PutDataInSendBuffer(Str.data(), static_cast<std::int32_t>(Str.size()));
}

void TCustomWSocket::DeleteBufferedData()
{
    bufList_.Clear();
    bufferedBytes_ = 0;
}

std::int32_t TCustomWSocket::Send(const void* Data, std::int32_t Len)
{
    if (state_ != wsConnected && state_ != wsSocksConnected) {
        WSocket_WSASetLastError(WSAENOTCONN);
        SocketError("Send");
        return -1;
    }
    if (!Queue(Data, Len, "Send"))
        return -1;
    const bool queued = !allSent_;
    TryToSend();
    // OnDataSent always comes from the message loop, never from inside Send.
    if (queued && allSent_ && hSocket_ != INVALID_SOCKET)
        PostWriteNotice();
    return Len <= 0 ? 0 : Len;
}

std::int32_t TCustomWSocket::SendStr(const std::string& Str)
{
    if (Str.empty())
        return 0;
    return Send(Str.data(), static_cast<std::int32_t>(Str.size()));
}

void TCustomWSocket::TryToSend()
{
    if (hSocket_ == INVALID_SOCKET || bufferedBytes_ == 0)
        return;
    for (;;) {
        std::int32_t length = 0;
        const char* data = bufList_.PeekFirst(length);
        if (!data || length <= 0) {
            allSent_ = true;
            return;
        }
        const std::int32_t count = RealSend(data, length);
        if (count > 0) {
            // After a partial write the system is asked once more: only a send that would
            // block brings FD_WRITE back, so stopping here could leave the rest queued for good.
            bufList_.RemoveFirst(count);
            bufferedBytes_ -= count;
            continue;
        }
        if (count == 0)
            return;
        const int error = WSocket_WSAGetLastError();
        if (error == WSAEWOULDBLOCK)
            return;
        if (closedByPeer(error)) {
            closeInvoked_ = true;
            Close();
            TriggerSessionClosed(static_cast<std::uint16_t>(error));
        } else {
            SocketError("TryToSend failed");
        }
        return;
    }
}

std::int32_t TCustomWSocket::RealSend(const void* Data, std::int32_t Len)
{
    const int flags = sendFlags_ == wsSendUrgent ? MSG_OOB : 0;
    const std::int32_t result = type_ == SOCK_DGRAM
        ? WSocket_sendto(hSocket_, Data, Len, flags, reinterpret_cast<const sockaddr*>(&sin_), sizeof sin_)
        : WSocket_send(hSocket_, Data, Len, flags);
    if (result > 0)
        TriggerSendData(result);
    return result;
}

std::int32_t TCustomWSocket::SendTo(const sockaddr_in& Dest, socklen_t DestLen, const void* Data, std::int32_t Len)
{
    const int flags = sendFlags_ == wsSendUrgent ? MSG_OOB : 0;
    const std::int32_t result
        = WSocket_sendto(hSocket_, Data, Len, flags, reinterpret_cast<const sockaddr*>(&Dest), DestLen);
    if (result > 0) {
        TriggerSendData(result);
        if (allSent_ && type_ == SOCK_DGRAM)
            PostWriteNotice();
    }
    return result;
}

void TCustomWSocket::Flush()
{
    while (hSocket_ != INVALID_SOCKET && bufferedBytes_ > 0 && !ApplicationTerminated()) {
        TryToSend();
        if (bufferedBytes_ > 0)
            WaitForMessages(waitSliceMs);
    }
}

std::int32_t TCustomWSocket::DoRecv(void* Buffer, std::int32_t BufferSize, int Flags)
{
    const std::int32_t result = WSocket_recv(hSocket_, Buffer, BufferSize, Flags);
    readFilledBuffer_ = result == BufferSize;
    if (result > 0)
        bytesTaken_ += result;
    return result;
}

std::int32_t TCustomWSocket::DoRecvFrom(void* Buffer, std::int32_t BufferSize, int Flags, sockaddr_in& From,
                                        socklen_t& FromLen)
{
    const std::int32_t result
        = WSocket_recvfrom(hSocket_, Buffer, BufferSize, Flags, reinterpret_cast<sockaddr*>(&From), &FromLen);
    if (result > 0)
        bytesTaken_ += result;
    return result;
}

std::int32_t TCustomWSocket::Receive(void* Buffer, std::int32_t BufferSize)
{
    const std::int32_t result = DoRecv(Buffer, BufferSize, 0);
    if (result < 0)
        lastError_ = WSocket_WSAGetLastError();
    else
        readCount_ += result;
    return result;
}

std::int32_t TCustomWSocket::ReceiveFrom(void* Buffer, std::int32_t BufferSize, sockaddr_in& From, socklen_t& FromLen)
{
    const std::int32_t result = DoRecvFrom(Buffer, BufferSize, 0, From, FromLen);
    if (result < 0)
        lastError_ = WSocket_WSAGetLastError();
    else
        readCount_ += result;
    return result;
}

std::int32_t TCustomWSocket::PeekData(void* Buffer, std::int32_t Size)
{
    return WSocket_recv(hSocket_, Buffer, Size, MSG_PEEK);
}

std::string TCustomWSocket::ReceiveStr()
{
    std::int32_t count = GetRcvdCount();
    if (count < 0)
        return {};
    if (count == 0)
        count = 255;
    std::string text(static_cast<std::size_t>(count), '\0');
    const std::int32_t received = Receive(text.data(), count);
    if (received <= 0)
        return {};
    text.resize(static_cast<std::size_t>(received));
    return text;
}

std::int32_t TCustomWSocket::GetRcvdCount()
{
    unsigned long waiting = 0;
    if (WSocket_ioctlsocket(hSocket_, FIONREAD, &waiting) == SOCKET_ERROR) {
        SocketError("ioctlSocket");
        return -1;
    }
    return static_cast<std::int32_t>(waiting);
}

void TCustomWSocket::ASyncReceive(std::uint16_t Error, TWSocketOptions Options)
{
    try {
        for (;;) {
            lastError_ = 0;
            const std::int64_t takenBefore = bytesTaken_;
            if (!TriggerDataAvailable(Error)) {
                char discarded[1024];
                if (DoRecv(discarded, sizeof discarded, 0) < 0) {
                    const int error = WSocket_WSAGetLastError();
                    lastError_ = error == WSAEWOULDBLOCK ? 0 : error;
                    break;
                }
            }
            if (Options.contains(wsoNoReceiveLoop))
                break;
            if (lastError_ != 0) {
                if (lastError_ == -1)
                    lastError_ = 0;
                break;
            }
            if (hSocket_ == INVALID_SOCKET)
                break; // the handler closed the socket
            unsigned long waiting = 0;
            if (WSocket_ioctlsocket(hSocket_, FIONREAD, &waiting) == SOCKET_ERROR) {
                lastError_ = WSocket_WSAGetLastError();
                break;
            }
            // A handler that takes nothing would be offered the same bytes without end.
            if (waiting == 0 || bytesTaken_ == takenBefore)
                break;
        }
    } catch (const std::exception& E) {
        qDebug("Exception in a receive handler, ignored: %s", E.what());
    } catch (...) {
        qDebug("Exception in a receive handler, ignored");
    }
}

void TCustomWSocket::WaitForClose()
{
    while (hSocket_ != INVALID_SOCKET && state_ != wsClosed && !ApplicationTerminated()) {
        WaitForMessages(waitSliceMs);
        if (hSocket_ == INVALID_SOCKET)
            break;
        unsigned long waiting = 0;
        if (WSocket_ioctlsocket(hSocket_, FIONREAD, &waiting) == SOCKET_ERROR)
            break;
        if (waiting > 0)
            TriggerDataAvailable(0);
        if (hSocket_ == INVALID_SOCKET)
            break;
        // A peek tells an open connection (would block, or data) from one that has ended.
        char probe;
        if (WSocket_recv(hSocket_, &probe, 1, MSG_PEEK) <= 0) {
            const int error = WSocket_WSAGetLastError();
            if (error != WSAEWOULDBLOCK) {
                lastError_ = error;
                break;
            }
        }
    }
}
