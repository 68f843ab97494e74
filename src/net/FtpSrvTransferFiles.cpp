// The files transfers read and write, and how they are kept whole: a plain upload replaces
// its file only once it is complete, a restart offset is kept or refused but never moved,
// and a download whose file is written to meanwhile ends in a failure, never in success.

#include "net/FtpSrv.h"

#include "platform/graphics/FileStream.h"

using platform::FileStream;

void TFtpServer::SetEngineStream(TFtpCtrlSocket* Client, std::unique_ptr<platform::Stream> Stream)
{
    Client->ownedStream_ = std::move(Stream);
    Client->DataStream = Client->ownedStream_.get();
    Client->StreamOpen = true;
}

void TFtpServer::SetEngineFile(TFtpCtrlSocket* Client, std::unique_ptr<FileStream> File)
{
    FileStream& file = *File;
    SetEngineStream(Client, std::move(File));
    WatchEngineFile(Client, file);
}

void TFtpServer::WatchEngineFile(TFtpCtrlSocket* Client, FileStream& File)
{
    Client->DataStream = &File;
    Client->StreamOpen = true;
    Client->transferFile_ = &File;
    Client->transferFileState_ = File.state();
}

void TFtpServer::EndStream(TFtpCtrlSocket* Client)
{
    // An owner's stream is only let go; one the engine made is freed.
    Client->DataStream = nullptr;
    Client->transferFile_ = nullptr;
    Client->ownedStream_.reset();
    // An upload that did not end well leaves the old file as it was.
    Client->replacement_.reset();
    Client->StreamOpen = false;
    std::vector<char>().swap(Client->chunk_);
}

TFtpCmdType TFtpServer::EndTransfer(TFtpCtrlSocket* Client)
{
    Client->DataConnected = false;
    Client->PassiveStartPending = false;
    Client->PassiveAccepted = false;
    Client->RestartOffset = 0;
    Client->ActiveDataPort = "ftp-data";
    ForgetSendTurns(Client);
    EndStream(Client);
    const TFtpCmdType command = Client->TransferCommand;
    Client->TransferCommand = ftpcNOOP;
    return command;
}

void TFtpServer::RequireOffsetWithin(std::int64_t Offset, const std::string& Path, std::int64_t Size)
{
    // Written anywhere else, the bytes would not be where the client believes them; past the
    // end, they would leave a hole the client never sent.
    if (Offset > Size)
        throw FtpServerException("Restart offset " + std::to_string(Offset) + " lies beyond the end of '"
                                 + ftppath::Printable(Path) + "' (" + std::to_string(Size) + " bytes)");
}

void TFtpServer::OpenUploadFile(TFtpCtrlSocket* Client)
{
    // The file is made as soon as the data comes, so an empty upload leaves an empty file.
    if (Client->TransferCommand == ftpcAPPE) {
        SetEngineFile(Client, std::make_unique<FileStream>(Client->FilePath, FileStream::Mode::Append));
    } else if (Client->RestartOffset < 1) {
        // Downloads of the old file meanwhile go on sending it whole.
        Client->replacement_ = std::make_unique<platform::FileReplacement>(Client->FilePath);
        WatchEngineFile(Client, Client->replacement_->stream());
    } else {
        auto file = std::make_unique<FileStream>(Client->FilePath, FileStream::Mode::Write);
        RequireOffsetWithin(Client->RestartOffset, Client->FilePath, file->size());
        file->setPosition(Client->RestartOffset);
        SetEngineFile(Client, std::move(file));
    }
    FailDownloadsWrittenUnder(Client);
}

void TFtpServer::OpenDownloadFile(TFtpCtrlSocket* Client)
{
    auto file = std::make_unique<FileStream>(Client->FilePath, FileStream::Mode::Read);
    file->setPosition(Client->RestartOffset);
    SetEngineFile(Client, std::move(file));
    FailDownloadsWrittenUnder(Client);
}

void TFtpServer::FailDownloadsWrittenUnder(TFtpCtrlSocket* Client)
{
    // A download of a file that an upload writes into meanwhile sends bytes that may be
    // neither the old file's nor the new one's. One that has read its last byte before the
    // writing began sent the file as it was.
    const bool sending = Client->TransferCommand == ftpcRETR;
    for (const auto& owned : clients_) {
        TFtpCtrlSocket* other = owned.get();
        if (other == Client || !other->transferFile_ || (other->TransferCommand == ftpcRETR) == sending
            || !other->transferFileState_.sameFile(Client->transferFileState_))
            continue;
        TFtpCtrlSocket* reader = sending ? Client : other;
        if (!reader->AbortingTransfer && !reader->LastChunkSent)
            FailChangedDownload(reader);
    }
}

void TFtpServer::FailChangedDownload(TFtpCtrlSocket* Client)
{
    Client->abortConnectionClosed_ = true;
    PostAbortTransfer(Client, "File changed while it was sent: \"" + Client->FilePath + "\"");
}
