#pragma once

// One FTP client's control connection inside the server engine: it splits what arrives into
// command lines, sends the answers and holds everything the session knows about its client.

#include "net/WSocket.h"
#include "platform/base/Exception.h"
#include "platform/graphics/FileStream.h"
#include "platform/graphics/Stream.h"
#include "platform/win/InputWatch.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class EFtpCtrlSocketException : public platform::Exception {
public:
    using platform::Exception::Exception;
};

enum TFtpCtrlState { ftpcInvalid, ftpcWaitingUserCode, ftpcWaitingPassword, ftpcReady, ftpcWaitingAnswer };

// The command a client sent last, one value per keyword of the server's command table.
enum TFtpCmdType {
    ftpcPORT, ftpcSTOR, ftpcRETR, ftpcCWD, ftpcXPWD, ftpcPWD, ftpcUSER, ftpcPASS, ftpcLIST, ftpcNLST,
    ftpcTYPE, ftpcSYST, ftpcQUIT, ftpcDELE, ftpcSIZE, ftpcREST, ftpcRNFR, ftpcRNTO, ftpcMKD, ftpcRMD,
    ftpcABOR, ftpcPASV, ftpcNOOP, ftpcCDUP, ftpcAPPE, ftpcSTRU, ftpcXMKD, ftpcXRMD, ftpcMDTM, ftpcMODE,
    ftpcOverflow, ftpcSTOU, ftpcFEAT, ftpcMLST, ftpcMLSD, ftpcMFMT, ftpcMD5
};

// Per-client options, a set of bits. ftpcUNC lets a directory named with two leading
// separators through to the ordinary rules; without it such a name is refused.
enum TFtpOption : unsigned { ftpCwdCheck = 1, ftpCdupHome = 2, ftpcUNC = 4 };
using TFtpOptions = unsigned;

// Queued answers beyond which a client's further commands are left unread until it reads.
constexpr std::int64_t FtpAnswerBacklogLimit = 64 * 1024;

class TFtpCtrlSocket : public TCustomWSocket {
public:
    using TCommandEvent = std::function<void(TFtpCtrlSocket* Sender, const char* CmdBuf, std::int32_t CmdLen)>;
    using TDisplayEvent = std::function<void(TFtpCtrlSocket* Sender, const std::string& Msg)>;
    using Clock = std::chrono::system_clock;

    TFtpCtrlSocket();
    ~TFtpCtrlSocket() override;

    std::int32_t RcvSize() const { return rcvSize_; }
    // Raises EFtpCtrlSocketException while part of a line is held.
    void SetRcvSize(std::int32_t Size);

    // The current directory: absolute, ending in "/", inside the home directory.
    const std::string& Directory() const { return directory_; }
    // Changes the current directory by the client's rules (".." the parent, a relative name
    // below the current directory, no other "./" or "../"); raises EFtpCtrlSocketException
    // and leaves the directory as it was when the result would lie outside the home.
    void SetDirectory(const std::string& NewDir);
    // HomeDir as an absolute directory ending in "/".
    std::string HomePath() const;

    // Sends the banner and waits for USER.
    void StartConnection();
    // Queues the answer and its line end.
    void SendAnswer(const std::string& Answer);

    void Dup(platform::SOCKET NewHSocket) override;
    // The peer's address, still known once the connection has closed.
    std::string GetPeerAddr() override;

    TWSocket DataSocket;
    std::string Name;
    std::string DataSocketName;
    Clock::time_point ConnectedSince{};
    Clock::time_point LastCommandTime{};
    std::int32_t CommandCount = 0;
    bool Busy = false;
    std::string Banner = "220-Pelvaxon FTP Server ready";
    std::string UserName;
    std::string PassWord;
    bool CloseRequested = false;
    std::string HomeDir;
    TFtpCtrlState FtpState = ftpcInvalid;
    std::int32_t UserData = 0;
    std::string SavedPeerAddr;
    std::uint32_t ClientID = 0;
    bool BinaryMode = false;
    TFtpCmdType CurrentCommand = ftpcNOOP;
    TFtpOptions Options = 0;

    // The data connection and the transfer on it.
    std::string ActiveDataAddr;
    std::string ActiveDataPort = "ftp-data";
    std::string TransferFileName;
    // The file of the transfer; empty for a listing.
    std::string FilePath;
    bool DataConnected = false;
    // Source or target of the transfer. An owner may supply one (a listing of its own); the
    // engine then only lets go of it at the end.
    platform::Stream* DataStream = nullptr;
    // DataStream was made by the engine, which frees it when the transfer ends.
    bool StreamOpen = false;
    bool AbortingTransfer = false;
    std::string TransferMessage;
    std::int64_t TransferredBytes = 0;
    bool LastChunkSent = false;
    std::int64_t RestartOffset = 0;
    std::string RenameFrom;
    std::string RenameTo;
    bool PassiveMode = false;
    bool PassiveStartPending = false;
    bool PassiveAccepted = false;
    // The command of the transfer under way, whatever the client sends meanwhile: its final
    // reply depends on it. ftpcNOOP while none is.
    TFtpCmdType TransferCommand = ftpcNOOP;

    TDisplayEvent OnDisplay;
    TCommandEvent OnCommand;

protected:
    bool TriggerDataAvailable(std::uint16_t Error) override;
    void TriggerSessionConnected(std::uint16_t Error) override;
    void TriggerDataSent(std::uint16_t Error) override;
    virtual void TriggerCommand(const char* CmdBuf, std::int32_t CmdLen);

    // Where received bytes go: the free part of the line buffer.
    std::span<char> FreeSpace();
    // Takes count bytes written to FreeSpace and hands every complete line to OnCommand; a
    // full buffer without a line end becomes the line "OVER".
    void TakeReceived(std::int32_t count);

private:
    friend class TFtpServer; // puts back the directory a refused change left

    std::vector<char> receiveBuffer_;
    std::int32_t receiveCount_ = 0;
    std::int32_t rcvSize_ = 0;
    std::string directory_;
    bool readingHeld_ = false;
    // The server's watch of commands waiting, which leaves out a client whose reading is held.
    platform::InputWatch* inputWatch_ = nullptr;
    std::unique_ptr<platform::Stream> ownedStream_;
    // The file the engine opened for the transfer under way (what a download sends, what an
    // upload writes) and how it stood then; nullptr for listings and owners' streams.
    platform::FileStream* transferFile_ = nullptr;
    platform::FileStream::State transferFileState_{};
    // Transfer data has a buffer of its own: a command line held half received stays whole.
    std::vector<char> chunk_;
    // The port of the passive range this client's data socket holds, 0 for none.
    std::int32_t pasvPort_ = 0;
    bool takingOverPassive_ = false;
    // The abort is answered "426 Connection closed" (the client's ABOR, a file changed under
    // a download) rather than "501 Cannot RETR.".
    bool abortConnectionClosed_ = false;
    // The system would not send this download's file by itself: its bytes are copied.
    bool copyingDownload_ = false;
    bool sendTurnQueued_ = false;
    // The start of a download is posted and has not run yet.
    bool startSendPosted_ = false;
    // A QUIT that came while a transfer was under way is Held: answered once the transfer
    // has had its own reply. No command after a QUIT is taken.
    enum class Quit { No, Held, Answered };
    Quit quit_ = Quit::No;
    // A close request that came while a transfer was under way, made once it has ended.
    bool closeHeld_ = false;
};

// The system's temporary directory with a "/" at its end.
std::string DefaultFtpHomeDir();
