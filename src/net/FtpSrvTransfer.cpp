// Transfers over the data connection: STOR, APPE, STOU and RETR, the upload and download
// handlers of the data socket, and the final reply each transfer ends with.

#include "net/FtpSrv.h"

#include "net/FtpPath.h"
#include "platform/fs/OpenRegularFile.h"
#include "platform/graphics/FileStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <random>

using ftppath::Printable;
using platform::FileStream;

namespace {

// An upload takes what has come, up to this much, per notice, and writes it in one piece.
constexpr std::size_t uploadChunkSize = 1024 * 1024;
const char* const transferOk = "Transfer Ok";

std::string RandomSuffix(std::size_t length)
{
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    static std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
    std::string suffix;
    for (std::size_t i = 0; i < length; ++i)
        suffix += letters[pick(generator)];
    return suffix;
}

bool IsRegularFile(const std::string& path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

} // namespace

void TFtpServer::BeginTransfer(TFtpCtrlSocket* Client, TFtpCmdType Command)
{
    EndStream(Client);
    Client->CurrentCommand = Command;
    Client->TransferCommand = Command;
    Client->AbortingTransfer = false;
    Client->abortConnectionClosed_ = false;
    Client->copyingDownload_ = false;
    Client->TransferMessage = transferOk;
}

// ---- uploads ----

void TFtpServer::CommandSTOR(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    BeginTransfer(Client, ftpcSTOR);
    Client->TransferredBytes = 0;
    Client->TransferFileName = ftppath::WithSlashes(Params);
    try {
        std::string path;
        if (!AllowedPath(Client, Client->TransferFileName, &TFtpServer::TriggerValidatePut, path)) {
            Answer = "501 Permission Denied";
            return;
        }
        // Refused before any data moves.
        RequireOffsetWithin(Client->RestartOffset, path, std::max<std::int64_t>(ftppath::FileSizeOf(path), 0));
        Client->FilePath = path;
        StartDataConnection(Client, DataHandlers::Store);
        Answer = "150 Opening data connection for " + Printable(Params) + ".";
    } catch (const std::exception& E) {
        Client->RestartOffset = 0;
        Answer = "501 Cannot STOR. " + Printable(E.what());
    }
}

void TFtpServer::CommandAPPE(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    BeginTransfer(Client, ftpcAPPE);
    Client->TransferFileName = ftppath::WithSlashes(Params);
    try {
        std::string path;
        if (!AllowedPath(Client, Client->TransferFileName, &TFtpServer::TriggerValidatePut, path)) {
            Answer = "500 Cannot APPE.";
            return;
        }
        Client->FilePath = path;
        StartDataConnection(Client, DataHandlers::Store);
        Client->RestartOffset = std::max<std::int64_t>(ftppath::FileSizeOf(path), 0);
        Answer = "150 APPE supported.  Ready to append file \"" + Printable(Params) + "\" at offset "
            + std::to_string(Client->RestartOffset) + ".";
    } catch (const std::exception&) {
        Answer = "550 APPE failed.";
    }
}

void TFtpServer::CommandSTOU(TFtpCtrlSocket* Client, TFtpString&, TFtpString&, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    BeginTransfer(Client, ftpcSTOU);
    std::string created;
    try {
        std::string fileName;
        TriggerGetUniqueFileName(Client, fileName);
        std::string path;
        std::unique_ptr<FileStream> stream;
        if (!fileName.empty() && !PathInHome(Client, fileName, path)) {
            Answer = "501 Permission Denied";
            return;
        }
        // The name is taken by making the file: nothing that exists is ever written over.
        for (int attempt = 0; !stream && attempt < 100; ++attempt) {
            if (path.empty() || attempt > 0)
                path = Client->Directory() + "FTP" + RandomSuffix(6);
            try {
                stream = std::make_unique<FileStream>(path, FileStream::Mode::CreateNew);
            } catch (const platform::FileOpenError& E) {
                if (E.errorNumber() != EEXIST)
                    throw;
            }
        }
        if (!stream)
            throw FtpServerException("No unique file name in " + Client->Directory());
        created = path;
        bool allowed = true;
        std::string validated = path;
        TriggerValidatePut(Client, validated, allowed);
        if (!allowed) {
            stream.reset();
            ::unlink(created.c_str());
            Answer = "501 Permission Denied";
            return;
        }
        Client->TransferFileName = path;
        Client->FilePath = path;
        SetEngineFile(Client, std::move(stream));
        StartDataConnection(Client, DataHandlers::Store);
        Answer = "150 Opening data connection for " + Printable(path) + ".";
    } catch (const std::exception& E) {
        // An upload that cannot start leaves no empty file behind.
        EndStream(Client);
        if (!created.empty())
            ::unlink(created.c_str());
        Answer = "501 Cannot STOU. " + Printable(E.what());
    }
}

void TFtpServer::ClientStorSessionConnected(TFtpCtrlSocket* Client, std::uint16_t Error)
{
    Client->DataConnected = true;
    Client->PassiveMode = false;
    try {
        TriggerStorSessionConnected(Client, &Client->DataSocket, Error);
        if (Error != 0 || Client->StreamOpen || Client->FilePath.empty() || Client->DataStream)
            return;
        OpenUploadFile(Client);
    } catch (const std::exception& E) {
        PostAbortTransfer(Client, E.what());
    }
}

void TFtpServer::ClientStorDataAvailable(TFtpCtrlSocket* Client, std::uint16_t Error)
{
    TWSocket& data = Client->DataSocket;
    std::vector<char>& chunk = Client->chunk_;
    chunk.resize(uploadChunkSize);
    const std::int32_t received = data.Receive(chunk.data(), static_cast<std::int32_t>(chunk.size()));
    if (received <= 0 || Client->AbortingTransfer)
        return;
    try {
        TriggerStorDataAvailable(Client, &data, chunk.data(), received, Error);
        if (Client->DataStream) {
            Client->TransferredBytes += received;
            Client->DataStream->write(chunk.data(), static_cast<std::size_t>(received));
        }
    } catch (const std::exception& E) {
        PostAbortTransfer(Client, E.what());
    }
}

void TFtpServer::ClientStorSessionClosed(TFtpCtrlSocket* Client, std::uint16_t Error)
{
    const TFtpCmdType command = EndTransfer(Client);
    TriggerStorSessionClosed(Client, &Client->DataSocket, Error);
    if (Client->AbortingTransfer)
        SendAnswer(Client, "426 Connection closed; " + Printable(Client->TransferMessage) + ".");
    else if (Error != 0)
        SendAnswer(Client, "426 Connection closed; transfer aborted. Error #" + std::to_string(Error));
    else if (command == ftpcSTOU)
        SendAnswer(Client, "250 '" + Printable(Client->TransferFileName) + "': file created.");
    else
        SendAnswer(Client, "226 File received ok");
    EndHeldQuit(Client);
}

// ---- downloads ----

void TFtpServer::CommandRETR(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    BeginTransfer(Client, ftpcRETR);
    Client->TransferFileName = ftppath::WithSlashes(Params);
    try {
        std::string path;
        if (!AllowedPath(Client, Client->TransferFileName, &TFtpServer::TriggerValidateGet, path)) {
            Answer = "500 Cannot RETR.";
            return;
        }
        Client->FilePath = path;
        Answer = "150 Opening data connection for " + Printable(Params) + ".";
        bool delayed = false;
        TriggerGetProcessing(Client, delayed);
        if (!delayed)
            DoStartSendData(Client);
    } catch (const std::exception& E) {
        Answer = "501 Cannot RETR. " + Printable(E.what());
    }
}

void TFtpServer::DoStartSendData(TFtpCtrlSocket* Client)
{
    // Posted, so the 150 answer leaves before the data connection is tried.
    Client->startSendPosted_ = true;
    PostClientMessage(WM_FTPSRV_START_SEND, Client);
}

void TFtpServer::StartSendData(TFtpCtrlSocket* Client)
{
    Client->AbortingTransfer = false;
    Client->LastChunkSent = false;
    Client->TransferMessage = transferOk;
    StartDataConnection(Client, DataHandlers::Retrieve);
}

void TFtpServer::ClientRetrSessionConnected(TFtpCtrlSocket* Client, std::uint16_t Error)
{
    Client->DataConnected = Error == 0;
    Client->PassiveMode = false;
    try {
        TriggerRetrSessionConnected(Client, &Client->DataSocket, Error);
        // A connection that failed ends in its close, which reports it.
        if (Error != 0) {
            Client->AbortingTransfer = true;
            Client->TransferMessage = "Client data socket connection error: " + std::to_string(Error);
            return;
        }
        if (!Client->StreamOpen && !Client->FilePath.empty() && !Client->DataStream) {
            // Only a regular file is sent: a FIFO would block, a device never end.
            if (!IsRegularFile(Client->FilePath)) {
                PostAbortTransfer(Client, "File not found: \"" + Client->FilePath + "\"");
                return;
            }
            OpenDownloadFile(Client);
            if (Client->AbortingTransfer)
                return;
        }
        Client->TransferredBytes = 0;
        SendNextDataChunk(Client);
    } catch (const std::exception& E) {
        PostAbortTransfer(Client, E.what());
    }
}

void TFtpServer::ClientRetrSessionClosed(TFtpCtrlSocket* Client, std::uint16_t Error)
{
    EndTransfer(Client);
    if (Client->AbortingTransfer && Client->abortConnectionClosed_)
        SendAnswer(Client, "426 Connection closed; " + Printable(Client->TransferMessage) + ".");
    else if (Client->AbortingTransfer)
        SendAnswer(Client, "501 Cannot RETR. " + Printable(Client->TransferMessage));
    else if (Error != 0)
        SendAnswer(Client, "501 Cannot RETR. Error #" + std::to_string(Error));
    else
        SendAnswer(Client, "226 File sent ok");
    EndHeldQuit(Client);
    TriggerRetrSessionClosed(Client, &Client->DataSocket, Error);
}
