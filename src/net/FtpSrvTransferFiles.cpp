// The files transfers read and write, and how they are kept whole: an upload writes its file
// in place, one upload at a time, a restart offset is kept or refused but never moved, and a
// download whose file is written to meanwhile ends in a failure, never in success.

#include "net/FtpSrv.h"

#include "platform/graphics/FileStream.h"

#include <sys/stat.h>

using platform::FileStream;

namespace {

bool IsUpload(TFtpCmdType Command)
{
    return Command == ftpcSTOR || Command == ftpcAPPE || Command == ftpcSTOU;
}

// A program a client wrote must not run with its owner's rights: the system takes those
// bits from any writer but a privileged one, and the engine may run privileged. Without
// group execute, set-group-ID marks mandatory locking and stays.
void DropSetIdBits(const FileStream& File)
{
    struct stat status {};
    if (::fstat(File.descriptor(), &status) != 0)
        return;
    const mode_t drop = S_ISUID | ((status.st_mode & S_IXGRP) ? S_ISGID : 0);
    if (status.st_mode & drop)
        ::fchmod(File.descriptor(), status.st_mode & 07777 & ~drop);
}

} // namespace

void TFtpServer::SetEngineStream(TFtpCtrlSocket* Client, std::unique_ptr<platform::Stream> Stream)
{
    Client->ownedStream_ = std::move(Stream);
    Client->DataStream = Client->ownedStream_.get();
    Client->StreamOpen = true;
}

void TFtpServer::SetEngineFile(TFtpCtrlSocket* Client, std::unique_ptr<FileStream> File)
{
    Client->transferFile_ = File.get();
    Client->transferFileState_ = File->state();
    SetEngineStream(Client, std::move(File));
}

void TFtpServer::EndStream(TFtpCtrlSocket* Client)
{
    // An owner's stream is only let go; one the engine made is freed.
    Client->DataStream = nullptr;
    Client->transferFile_ = nullptr;
    Client->ownedStream_.reset();
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

void TFtpServer::RequireNoOtherUpload(TFtpCtrlSocket* Client)
{
    // Asked before the file is opened: opening it for a plain upload already empties it.
    struct stat existing {};
    if (::stat(Client->FilePath.c_str(), &existing) != 0)
        return;
    for (const auto& other : clients_) {
        if (other.get() != Client && other->transferFile_ && IsUpload(other->TransferCommand)
            && other->transferFileState_.device == existing.st_dev
            && other->transferFileState_.inode == existing.st_ino)
            throw FtpServerException("Cannot open file \"" + Client->FilePath + "\": another upload is writing it");
    }
}

void TFtpServer::OpenUploadFile(TFtpCtrlSocket* Client)
{
    // Two uploads into one file at once would leave a file that is neither's.
    RequireNoOtherUpload(Client);
    // Written in place, the file keeps its owner, its mode and its links. It is made as soon
    // as the data comes, so an empty upload leaves an empty file.
    std::unique_ptr<FileStream> file;
    if (Client->TransferCommand == ftpcAPPE) {
        file = std::make_unique<FileStream>(Client->FilePath, FileStream::Mode::Append);
    } else if (Client->RestartOffset < 1) {
        file = std::make_unique<FileStream>(Client->FilePath, FileStream::Mode::Create);
    } else {
        file = std::make_unique<FileStream>(Client->FilePath, FileStream::Mode::Write);
        RequireOffsetWithin(Client->RestartOffset, Client->FilePath, file->size());
        file->setPosition(Client->RestartOffset);
    }
    DropSetIdBits(*file);
    SetEngineFile(Client, std::move(file));
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
