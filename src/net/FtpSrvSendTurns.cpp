// Downloads and listings go out in turns: a turn sends at most a share of the data, and the
// turns of every transfer run from one low-priority message, a slice of time at a time, so a
// command on any control connection waits for one slice at most, never for every transfer.
// A download of a file the engine opened is sent by the system straight from the file, in
// long turns that fill the connection (what waits in it is then sent as the client reads,
// much of the work on the client's side), cut short once a control connection has input.

#include "net/FtpSrv.h"

#include "net/WSocketLoader.h"
#include "platform/graphics/FileStream.h"

#include <algorithm>
#include <chrono>

namespace {

// Bytes a copied turn reads and sends.
constexpr std::size_t copyChunkSize = 256 * 1024;
// The most a download sends from its file in one turn, and in one call between two looks at
// the control connections.
constexpr std::int64_t fileTurnBytes = 4 << 20;
constexpr std::int64_t filePieceBytes = 256 * 1024;
// How long turns run before the loop looks at the connections again.
constexpr auto turnSlice = std::chrono::microseconds(250);

} // namespace

void TFtpServer::QueueSendTurn(TFtpCtrlSocket* Client)
{
    if (Client->sendTurnQueued_)
        return;
    Client->sendTurnQueued_ = true;
    sendTurns_.push_back({Client, Client->ClientID});
    if (!sendTurnsPosted_)
        sendTurnsPosted_ = platform::PostLowPriorityMessage(window_, WM_FTPSRV_SEND_TURNS, 0, 0);
}

void TFtpServer::ForgetSendTurns(TFtpCtrlSocket* Client)
{
    std::erase_if(sendTurns_, [Client](const auto& turn) { return turn.first == Client; });
    Client->sendTurnQueued_ = false;
}

void TFtpServer::WMFtpSrvSendTurns()
{
    // Turns queued meanwhile wait for the one message posted at the end: a message each would
    // run slice after slice with no look at the connections between them.
    const auto end = std::chrono::steady_clock::now() + turnSlice;
    // At least one turn goes, so a control connection that is never read cannot stop them all.
    for (bool first = true; !sendTurns_.empty() && std::chrono::steady_clock::now() < end
         && (first || !controlInput_.anyWaiting());
         first = false) {
        const auto [client, id] = sendTurns_.front();
        sendTurns_.pop_front();
        if (!IsClient(client) || client->ClientID != id)
            continue;
        client->sendTurnQueued_ = false;
        if (client->AbortingTransfer || client->DataSocket.BufferedByteCount() > 0 || !client->DataConnected)
            continue;
        try {
            TriggerRetrDataSent(client, &client->DataSocket, 0);
            SendNextDataChunk(client);
        } catch (const std::exception& E) {
            PostAbortTransfer(client, E.what());
        }
    }
    sendTurnsPosted_ = !sendTurns_.empty() && platform::PostLowPriorityMessage(window_, WM_FTPSRV_SEND_TURNS, 0, 0);
}

TFtpServer::TurnEnd TFtpServer::SendFileTurn(TFtpCtrlSocket* Client)
{
    platform::FileStream& file = *Client->transferFile_;
    TWSocket& data = Client->DataSocket;
    std::int64_t position = file.position();
    // The file as it was opened: what it gains meanwhile is no part of it.
    const std::int64_t end = file.size();
    // The copying path reads the end, and sees whether the file changed meanwhile.
    if (position >= end || data.BufferedByteCount() > 0 || data.State() != wsConnected)
        return TurnEnd::Copy;
    std::int64_t budget = fileTurnBytes;
    while (position < end && budget > 0) {
        const int sent = WSocket_TransmitFile(data.HSocket(), file.descriptor(), position,
                                              static_cast<int>(std::min({end - position, budget, filePieceBytes})));
        if (sent == 0) {
            // Cut meanwhile: the copying path finds the end and the change.
            file.setPosition(position);
            return TurnEnd::Copy;
        }
        if (sent < 0) {
            file.setPosition(position);
            if (WSocket_WSAGetLastError() == platform::WSAEWOULDBLOCK)
                return TurnEnd::Full;
            // Whatever failed is left to the socket's own sending, which reports it.
            Client->copyingDownload_ = true;
            return TurnEnd::Copy;
        }
        position += sent;
        budget -= sent;
        Client->TransferredBytes += sent;
        if (controlInput_.anyWaiting())
            break;
    }
    file.setPosition(position);
    return position < end ? TurnEnd::More : TurnEnd::Copy;
}

void TFtpServer::SendNextDataChunk(TFtpCtrlSocket* Client)
{
    try {
        const bool sentByFile =
            Client->transferFile_ && Client->DataStream == Client->transferFile_ && !Client->copyingDownload_;
        if (sentByFile) {
            const TurnEnd end = SendFileTurn(Client);
            if (end == TurnEnd::More)
                QueueSendTurn(Client);
            if (end != TurnEnd::Copy)
                return; // a full socket's FD_WRITE brings the next turn
        }
        // What the system sends from the file leaves little to copy here, mostly a look past
        // its end: a whole chunk's fresh pages, faulted in at every download's end, would hold
        // up every control connection for milliseconds.
        char probe[4096];
        std::vector<char>& chunk = Client->chunk_;
        if (!sentByFile)
            chunk.resize(copyChunkSize);
        char* const bytes = sentByFile ? probe : chunk.data();
        const std::size_t room = sentByFile ? sizeof probe : chunk.size();
        const std::size_t count = Client->DataStream ? Client->DataStream->read(bytes, room) : 0;
        if (count > 0) {
            Client->TransferredBytes += static_cast<std::int64_t>(count);
            SendCopiedChunk(Client, bytes, count);
        } else if (!Client->LastChunkSent) {
            Client->LastChunkSent = true;
            // Written to or cut by anyone while it was read, the file was not sent as it is.
            if (Client->transferFile_ && Client->transferFile_->state() != Client->transferFileState_)
                FailChangedDownload(Client);
            else
                PostClientMessage(WM_FTPSRV_CLOSE_DATA, Client);
        }
    } catch (const std::exception& E) {
        PostAbortTransfer(Client, E.what());
    }
}

void TFtpServer::SendCopiedChunk(TFtpCtrlSocket* Client, const char* Bytes, std::size_t Count)
{
    // Handed to the system in one call where it takes it: the socket's queue would cut it
    // into packet-sized sends. Only what is left is queued, and the queue's drain brings the
    // next turn.
    TWSocket& data = Client->DataSocket;
    std::int32_t sent = 0;
    if (data.BufferedByteCount() == 0 && data.State() == wsConnected)
        sent = std::max(WSocket_send(data.HSocket(), Bytes, static_cast<int>(Count), 0), 0);
    if (static_cast<std::size_t>(sent) < Count)
        data.Send(Bytes + sent, static_cast<std::int32_t>(Count - static_cast<std::size_t>(sent)));
    else
        QueueSendTurn(Client);
}

void TFtpServer::ClientRetrDataSent(TFtpCtrlSocket* Client, std::uint16_t Error)
{
    // Only a drained queue asks for the next turn: the notice a socket gets when it
    // connects may come while a chunk is still queued.
    if (Client->AbortingTransfer || Client->DataSocket.BufferedByteCount() > 0 || !Client->DataConnected)
        return;
    try {
        if (Error != 0) {
            TriggerRetrDataSent(Client, &Client->DataSocket, Error);
            throw FtpServerException("Send: error #" + std::to_string(Error));
        }
        QueueSendTurn(Client);
    } catch (const std::exception& E) {
        PostAbortTransfer(Client, E.what());
    }
}
