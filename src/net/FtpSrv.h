#pragma once

// The FTP server engine: one listening socket, a control connection per client, a table
// that hands each command line to its handler, and events through which the owner decides
// who may log in and what may be done. Every path a client names is kept inside that
// client's home directory.

#include "net/FtpListingMemory.h"
#include "net/FtpPath.h"
#include "net/FtpSrvC.h"
#include "net/WSocket.h"
#include "platform/base/Exception.h"
#include "platform/win/InputWatch.h"
#include "platform/win/MessageWindow.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QTimer;

class FtpServerException : public platform::Exception {
public:
    using platform::Exception::Exception;
};

class ERangeError : public platform::Exception {
public:
    using platform::Exception::Exception;
};

// Raised by BuildFilePath for a path outside the client's home; each command answers it
// with its own refusal. Where is Place::LeadsOut for a Path named inside the home that
// leads out of it, which to the client is not there.
class EFtpOutsideHome : public FtpServerException {
public:
    EFtpOutsideHome(const std::string& Message, ftppath::Place Where, const std::string& Path)
        : FtpServerException(Message), Where(Where), Path(Path)
    {
    }
    ftppath::Place Where;
    std::string Path;
};

using TFtpString = std::string;

enum TFtpsOption : unsigned { ftpsCwdCheck = 1, ftpsCdupHome = 2 };
using TFtpsOptions = unsigned;

// Messages of the server's own window; each carries the client's ClientID and the client.
constexpr platform::UINT WM_FTPSRV_CLOSE_REQUEST = platform::WM_USER + 1;
constexpr platform::UINT WM_FTPSRV_CLIENT_CLOSED = platform::WM_USER + 2;
constexpr platform::UINT WM_FTPSRV_ABORT_TRANSFER = platform::WM_USER + 3;
constexpr platform::UINT WM_FTPSRV_CLOSE_DATA = platform::WM_USER + 4;
constexpr platform::UINT WM_FTPSRV_START_SEND = platform::WM_USER + 5;
// Frees the clients removed meanwhile; carries nothing.
constexpr platform::UINT WM_FTPSRV_FREE_CLIENTS = platform::WM_USER + 6;
// Runs a slice of the transfers' turns; carries nothing.
constexpr platform::UINT WM_FTPSRV_SEND_TURNS = platform::WM_USER + 7;

constexpr int FtpCommandTableSize = 37;

enum TListType { ListTypeName, ListTypeUnix, ListTypeFacts };

// The lines of a listing, appended to Out: a Unix "ls -l" line with its line end (hour and
// minute for a date of this year, the year otherwise) and an MLSD facts line without one,
// whose times are UTC "YYYYMMDDHHMMSS".
void AppendUnixDirEntry(std::string& Out, const platform::FoundFile& Entry, int CurrentYear);
void AppendFactsDirEntry(std::string& Out, const platform::FoundFile& Entry);
std::string FileTimeToFactTime(std::int64_t Seconds);

// A command line as the dispatcher reads it: the Telnet escapes taken out, then the keyword
// (the letters and digits after any blanks, upper-cased) and the parameters after the one
// blank or tab that follows it, whole: a line is as long as the receive buffer holds.
struct TFtpCommandLine {
    TFtpString Keyword;
    TFtpString Params;
};
TFtpCommandLine ParseFtpCommandLine(const char* CmdBuf, std::int32_t CmdLen);
// The parameter without the blanks around it, for the commands that take a number or a word.
std::string TrimmedFtpParam(const std::string& Params);

class TFtpServer {
public:
    using TNotifyEvent = std::function<void(TFtpServer* Sender)>;
    using TFtpSrvAuthenticateEvent = std::function<void(TFtpServer* Sender, TFtpCtrlSocket* Client,
                                                        const TFtpString& UserName, const TFtpString& Password,
                                                        bool& Authenticated)>;
    using TFtpSrvClientConnectEvent
        = std::function<void(TFtpServer* Sender, TFtpCtrlSocket* Client, std::uint16_t AError)>;
    using TFtpSrvClientCommandEvent = std::function<void(TFtpServer* Sender, TFtpCtrlSocket* Client,
                                                         TFtpString& Keyword, TFtpString& Params, TFtpString& Answer)>;
    using TFtpSrvAnswerToClientEvent
        = std::function<void(TFtpServer* Sender, TFtpCtrlSocket* Client, TFtpString& Answer)>;
    using TFtpSrvChangeDirectoryEvent = std::function<void(TFtpServer* Sender, TFtpCtrlSocket* Client,
                                                           const TFtpString& Directory, bool& Allowed)>;
    using TFtpSrvBuildDirectoryEvent = std::function<void(TFtpServer* Sender, TFtpCtrlSocket* Client,
                                                          TFtpString& Directory, bool Detailed)>;
    using TFtpSrvDataSessionConnectedEvent
        = std::function<void(TFtpServer* Sender, TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t AError)>;
    using TFtpSrvRetrDataSentEvent = TFtpSrvDataSessionConnectedEvent;
    using TFtpSrvDataAvailableEvent = std::function<void(TFtpServer* Sender, TFtpCtrlSocket* Client, TWSocket* Data,
                                                         char* Buf, std::int32_t Len, std::uint16_t AError)>;
    using TFtpSrvValidateXferEvent = std::function<void(TFtpServer* Sender, TFtpCtrlSocket* Client,
                                                        TFtpString& FilePath, bool& Allowed)>;
    using TFtpSrvGetUniqueFileNameEvent
        = std::function<void(TFtpServer* Sender, TFtpCtrlSocket* Client, TFtpString& FileName)>;
    using TFtpSrvGetProcessingEvent
        = std::function<void(TFtpServer* Sender, TFtpCtrlSocket* Client, bool& DelayedSend)>;
    using TFtpSrvBuildFilePathEvent
        = std::function<void(TFtpServer* Sender, TFtpCtrlSocket* Client, const std::string& Directory,
                             const std::string& FileName, std::string& NewFileName)>;
    using TFtpSrvCalculateMd5Event = std::function<void(TFtpServer* Sender, TFtpCtrlSocket* Client,
                                                        TFtpString& FilePath, TFtpString& Md5Sum, bool& Allowed)>;
    using TFtpSrvCommandProc = void (TFtpServer::*)(TFtpCtrlSocket* Client, TFtpString& Keyword,
                                                    TFtpString& Params, TFtpString& Answer);

    // Raises FtpServerException when the thread cannot have a message window.
    TFtpServer();
    virtual ~TFtpServer();
    TFtpServer(const TFtpServer&) = delete;
    TFtpServer& operator=(const TFtpServer&) = delete;

    std::string Addr = "0.0.0.0";
    std::string Port = "ftp";
    std::string Banner = "220 Pelvaxon FTP Server ready.";
    // Makes the object of each accepted control connection: an owner that keeps more of its
    // own per client makes a class derived from TFtpCtrlSocket.
    std::function<std::unique_ptr<TFtpCtrlSocket>()> ClientClass = [] { return std::make_unique<TFtpCtrlSocket>(); };
    std::int32_t UserData = 0;
    // Largest number of clients at once; 0 or less: no limit.
    std::int32_t MaxClients = 0;
    std::string PasvIpAddr;
    TFtpsOptions Options = 0;

    // The passive port range: PasvPortRangeSize ports from PasvPortRangeStart; a size or start
    // of 0 lets the system choose. Both raise ERangeError outside 0 to 65535 and
    // FtpServerException while a port of the range is in use.
    std::int32_t PasvPortRangeStart() const { return pasvPortRangeStart_; }
    void SetPasvPortRangeStart(std::int32_t Value);
    std::int32_t PasvPortRangeSize() const { return static_cast<std::int32_t>(pasvPortTable_.size()); }
    void SetPasvPortRangeSize(std::int32_t Value);

    // Listens (nothing when already listening). Socket errors reach the caller as
    // ESocketException.
    void Start();
    // Stops listening; connected clients stay.
    void Stop();
    bool Active() const;
    void SetActive(bool Value);
    // Removes every client, each reported by OnClientDisconnect.
    void DisconnectAll();
    // Raises FtpServerException "Disconnect: Not one of our clients" for a stranger.
    void Disconnect(TFtpCtrlSocket* Client);
    int ClientCount() const { return static_cast<int>(clients_.size()); }
    // The client at the index, nullptr outside the list.
    TFtpCtrlSocket* Client(int Index) const;
    bool IsClient(const void* Object) const;
    // Raises FtpServerException "Too many command" once the table is full.
    void AddCommand(const TFtpString& Keyword, TFtpSrvCommandProc Proc);
    // The listening socket, for its port and state.
    TWSocket& ServerSocket() { return *serverSocket_; }
    // OnAnswerToClient, then the answer with its line end; never raises (a failed answer is lost).
    void SendAnswer(TFtpCtrlSocket* Client, TFtpString Answer);
    // Starts a download from the message loop; for an OnGetProcessing handler that delayed it.
    void DoStartSendData(TFtpCtrlSocket* Client);

    TNotifyEvent OnStart;
    TNotifyEvent OnStop;
    TFtpSrvAuthenticateEvent OnAuthenticate;
    TFtpSrvClientConnectEvent OnClientConnect;
    TFtpSrvClientConnectEvent OnClientDisconnect;
    TFtpSrvClientCommandEvent OnClientCommand;
    TFtpSrvAnswerToClientEvent OnAnswerToClient;
    TFtpSrvChangeDirectoryEvent OnChangeDirectory;
    TFtpSrvChangeDirectoryEvent OnMakeDirectory;
    TFtpSrvBuildDirectoryEvent OnBuildDirectory;
    TFtpSrvBuildDirectoryEvent OnAlterDirectory;
    TFtpSrvDataSessionConnectedEvent OnStorSessionConnected;
    TFtpSrvDataSessionConnectedEvent OnStorSessionClosed;
    TFtpSrvDataSessionConnectedEvent OnRetrSessionConnected;
    TFtpSrvDataSessionConnectedEvent OnRetrSessionClosed;
    TFtpSrvRetrDataSentEvent OnRetrDataSent;
    TFtpSrvDataAvailableEvent OnStorDataAvailable;
    TFtpSrvValidateXferEvent OnValidatePut;
    TFtpSrvValidateXferEvent OnValidateSize;
    TFtpSrvValidateXferEvent OnValidateDele;
    TFtpSrvValidateXferEvent OnValidateRmd;
    TFtpSrvValidateXferEvent OnValidateRnFr;
    TFtpSrvValidateXferEvent OnValidateRnTo;
    TFtpSrvValidateXferEvent OnValidateGet;
    TFtpSrvValidateXferEvent OnValidateMfmt;
    TFtpSrvGetUniqueFileNameEvent OnGetUniqueFileName;
    TFtpSrvGetProcessingEvent OnGetProcessing;
    TFtpSrvBuildFilePathEvent OnBuildFilePath;
    TFtpSrvCalculateMd5Event OnCalculateMd5;

protected:
    virtual void TriggerServerStart();
    virtual void TriggerServerStop();
    virtual void TriggerAuthenticate(TFtpCtrlSocket* Client, const TFtpString& UserName, const TFtpString& Password,
                                     bool& Authenticated);
    virtual void TriggerChangeDirectory(TFtpCtrlSocket* Client, const TFtpString& Directory, bool& Allowed);
    virtual void TriggerSendAnswer(TFtpCtrlSocket* Client, TFtpString& Answer);
    virtual void TriggerClientConnect(TFtpCtrlSocket* Client, std::uint16_t AError);
    virtual void TriggerClientDisconnect(TFtpCtrlSocket* Client, std::uint16_t AError);
    virtual void TriggerClientCommand(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params,
                                      TFtpString& Answer);
    virtual void TriggerMakeDirectory(TFtpCtrlSocket* Client, const TFtpString& Directory, bool& Allowed);
    virtual void TriggerValidatePut(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed);
    virtual void TriggerValidateSize(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed);
    virtual void TriggerValidateDele(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed);
    virtual void TriggerValidateRmd(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed);
    virtual void TriggerValidateRnFr(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed);
    virtual void TriggerValidateRnTo(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed);
    virtual void TriggerValidateGet(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed);
    virtual void TriggerValidateMfmt(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed);
    virtual void TriggerBuildDirectory(TFtpCtrlSocket* Client, TFtpString& Directory, bool Detailed);
    virtual void TriggerAlterDirectory(TFtpCtrlSocket* Client, TFtpString& Directory, bool Detailed);
    virtual void TriggerStorSessionConnected(TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t AError);
    virtual void TriggerStorSessionClosed(TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t AError);
    virtual void TriggerRetrSessionConnected(TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t AError);
    virtual void TriggerRetrSessionClosed(TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t AError);
    virtual void TriggerStorDataAvailable(TFtpCtrlSocket* Client, TWSocket* Data, char* Buf, std::int32_t Len,
                                          std::uint16_t AError);
    virtual void TriggerRetrDataSent(TFtpCtrlSocket* Client, TWSocket* Data, std::uint16_t AError);
    virtual void TriggerGetUniqueFileName(TFtpCtrlSocket* Client, TFtpString& FileName);
    virtual void TriggerGetProcessing(TFtpCtrlSocket* Client, bool& DelayedSend);
    virtual void TriggerCalculateMd5(TFtpCtrlSocket* Client, TFtpString& FilePath, TFtpString& Md5Sum,
                                     bool& Allowed);
    virtual void TriggerBuildFilePath(TFtpCtrlSocket* Client, const std::string& Directory,
                                      const std::string& FileName, std::string& NewFileName);

    // The full path a file parameter names, from the directory given: "/" and "\" separate,
    // an absolute name stands alone, an empty one is the directory itself. Raises
    // EFtpOutsideHome when the result would lie outside the client's home.
    virtual std::string BuildFilePath(TFtpCtrlSocket* Client, const std::string& Directory,
                                      const std::string& FileName);
    // Answers "530 Please login with USER and PASS." unless the client has logged in.
    static bool LoggedIn(TFtpCtrlSocket* Client, TFtpString& Answer);
    // BuildFilePath from the current directory: where the path lies; Path is set unless it
    // lies outside.
    ftppath::Place PathPlace(TFtpCtrlSocket* Client, const TFtpString& Params, std::string& Path);
    // BuildFilePath from the current directory; false for a path outside the home.
    bool PathInHome(TFtpCtrlSocket* Client, const TFtpString& Params, std::string& Path);
    using ValidateTrigger = void (TFtpServer::*)(TFtpCtrlSocket* Client, TFtpString& FilePath, bool& Allowed);
    // The path a parameter names when it lies in the home and the owner's event allows it
    // (the event may change it); false when refused.
    bool AllowedPath(TFtpCtrlSocket* Client, const TFtpString& Params, ValidateTrigger Validate, std::string& Path);
    // AllowedPath for removing and renaming, which never act on the home itself: the folder
    // served is not the client's to take away.
    bool AllowedEntryPath(TFtpCtrlSocket* Client, const TFtpString& Params, ValidateTrigger Validate,
                          std::string& Path);

    // Uploads: the data socket's handlers while a file comes in.
    virtual void ClientStorDataAvailable(TFtpCtrlSocket* Client, std::uint16_t Error);
    void ClientStorSessionConnected(TFtpCtrlSocket* Client, std::uint16_t Error);
    void ClientStorSessionClosed(TFtpCtrlSocket* Client, std::uint16_t Error);
    // Downloads and listings: the data socket's handlers while the stream goes out.
    virtual void ClientRetrSessionConnected(TFtpCtrlSocket* Client, std::uint16_t Error);
    virtual void SendNextDataChunk(TFtpCtrlSocket* Client);
    void ClientRetrDataSent(TFtpCtrlSocket* Client, std::uint16_t Error);
    void ClientRetrSessionClosed(TFtpCtrlSocket* Client, std::uint16_t Error);
    void ClientPassiveSessionAvailable(TFtpCtrlSocket* Client, std::uint16_t Error);
    // Opens the data connection of a download or listing now.
    void StartSendData(TFtpCtrlSocket* Client);

    void CommandUSER(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandPASS(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandQUIT(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandNOOP(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandCWD(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandCDUP(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandChangeDir(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandPWD(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandXPWD(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandSYST(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandTYPE(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandSTRU(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandMODE(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandFEAT(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandMKD(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandRMD(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandDELE(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandRNFR(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandRNTO(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandSIZE(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandMD5(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandPORT(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandPASV(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandREST(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandABOR(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandSTOR(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandAPPE(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandSTOU(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandRETR(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandLIST(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandNLST(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandMLSD(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandMLST(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    void CommandMDTM(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    // LIST and NLST: names only for NLST, Unix lines for LIST.
    void CommandDirectory(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    // A listing: the owner's stream from OnBuildDirectory, else one built here and shown to
    // OnAlterDirectory; "451 Failed: %s." on any failure, the stream made here freed.
    void CommandDirectory2(TFtpCtrlSocket* Client, TFtpString& Params, TListType ListType, TFtpString& Answer);
    // Writes the listing Params asks for: the current directory (everything with "-la"), or
    // a name or pattern; a search that finds nothing writes the mask and " not found".
    virtual void BuildDirectory(TFtpCtrlSocket* Client, const TFtpString& Params, TListType ListType,
                                platform::Stream& Stream);
    void CommandOverflow(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);

private:
    struct CommandRow {
        TFtpString Keyword;
        TFtpSrvCommandProc Proc = nullptr;
    };

    void WndProc(platform::UINT Msg, platform::WPARAM WParam, platform::LPARAM LParam);
    // The client a posted message names, when it is still ours and still the same one.
    TFtpCtrlSocket* PostedClient(platform::WPARAM WParam, platform::LPARAM LParam) const;
    void PostClientMessage(platform::UINT Msg, TFtpCtrlSocket* Client);
    void WMFtpSrvCloseRequest(TFtpCtrlSocket* Client);
    void WMFtpSrvClientClosed(TFtpCtrlSocket* Client);
    void WMFtpSrvAbortTransfer(TFtpCtrlSocket* Client);
    void WMFtpSrvCloseData(TFtpCtrlSocket* Client);
    void WMFtpSrvStartSend(TFtpCtrlSocket* Client);
    // Whether the client's transfer has its data connection open or being opened: it ends
    // in a reply of its own, which a QUIT or a close request then waits for.
    bool TransferUnderWay(TFtpCtrlSocket* Client);
    // Once the transfer has ended, answers a held QUIT and makes a held close.
    void EndHeldQuit(TFtpCtrlSocket* Client);
    void WMFtpSrvSendTurns();

    enum class TurnEnd { More, Full, Copy };
    // One turn of a download of the engine's file, sent by the system from the file itself:
    // More when its share is sent, Full when the socket takes no more now, Copy when the
    // rest (the end, or a failure) is left to the copying path.
    TurnEnd SendFileTurn(TFtpCtrlSocket* Client);
    void SendCopiedChunk(TFtpCtrlSocket* Client, const char* Bytes, std::size_t Count);
    // The transfer gets a turn in the next slice of turns; a transfer's turns end with it.
    void QueueSendTurn(TFtpCtrlSocket* Client);
    void ForgetSendTurns(TFtpCtrlSocket* Client);

    enum class DataHandlers { None, Store, Retrieve };
    void SetDataHandlers(TFtpCtrlSocket* Client, DataHandlers Handlers);
    // Gives the client's range port back whenever its data socket closes.
    void WatchDataSocket(TFtpCtrlSocket* Client);
    // Passive: the accepted connection starts it (now, or when it comes); active: connects.
    void StartDataConnection(TFtpCtrlSocket* Client, DataHandlers Handlers);
    // False when the data port could not be bound; the socket is then closed.
    bool ConnectActiveData(TFtpCtrlSocket* Client, DataHandlers Handlers, bool FromDataPort);
    std::string GetNextAvailablePasvPort();
    void ListenOnAnyPort(TWSocket& Data);
    void FreeCurrentPasvPort(TFtpCtrlSocket* Client);
    // Ends the transfer with the message as its reason, from the message loop.
    void PostAbortTransfer(TFtpCtrlSocket* Client, const std::string& Message);
    void SetEngineStream(TFtpCtrlSocket* Client, std::unique_ptr<platform::Stream> Stream);
    // A file the engine opened becomes the transfer's stream, how it stands now noted.
    void SetEngineFile(TFtpCtrlSocket* Client, std::unique_ptr<platform::FileStream> File);
    void EndStream(TFtpCtrlSocket* Client);
    // Raises FtpServerException for a restart offset beyond the end of a file of that size.
    static void RequireOffsetWithin(std::int64_t Offset, const std::string& Path, std::int64_t Size);
    // The file an upload writes in place (APPE at its end, STOR after REST at the offset, a
    // plain STOR from its start, emptied) or a download reads; raise when it cannot be opened.
    void OpenUploadFile(TFtpCtrlSocket* Client);
    // Raises FtpServerException when another client's upload is writing the client's file.
    void RequireNoOtherUpload(TFtpCtrlSocket* Client);
    void OpenDownloadFile(TFtpCtrlSocket* Client);
    // Fails every download of the client's file that another client writes into at once.
    void FailDownloadsWrittenUnder(TFtpCtrlSocket* Client);
    // Ends the download with "426 Connection closed;": what it sent is not the file.
    void FailChangedDownload(TFtpCtrlSocket* Client);
    void BeginTransfer(TFtpCtrlSocket* Client, TFtpCmdType Command);
    // Resets the transfer state once the data connection has closed; the transfer's command.
    TFtpCmdType EndTransfer(TFtpCtrlSocket* Client);

    void ServSocketSessionAvailable(std::uint16_t Error);
    void ServSocketStateChange(TSocketState NewState);
    // Accepting is paused for a moment when the process is out of descriptors.
    void PauseAccepting();
    void ClientCommand(TFtpCtrlSocket* Client, const char* CmdBuf, std::int32_t CmdLen);
    void ClientSessionClosed(TFtpCtrlSocket* Client);
    void ClientDataSent(TFtpCtrlSocket* Client);
    void Dispatch(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer);
    // Takes the client out of the list, reports it and frees it once its own events are over.
    void RemoveClient(TFtpCtrlSocket* Client);

    platform::HWND window_ = 0;
    std::unique_ptr<TWSocket> serverSocket_;
    std::vector<std::unique_ptr<TFtpCtrlSocket>> clients_;
    std::vector<std::unique_ptr<TFtpCtrlSocket>> released_;
    std::vector<CommandRow> commandTable_;
    std::uint32_t clientNumber_ = 0;
    std::unique_ptr<QTimer> acceptPause_;
    std::int32_t pasvPortRangeStart_ = 0;
    // One entry per port of the passive range, 1 while in use.
    std::vector<std::uint8_t> pasvPortTable_;
    // Where the search for the next passive port starts, in the range's table, and without a
    // range in the system's own range of ports: the ports go round.
    std::size_t pasvSearchStart_ = 0;
    std::uint32_t nextPasvPort_ = 0;
    std::pair<int, int> localPorts_;
    bool destroying_ = false;
    // Transfers waiting for a turn, each with the number of its client.
    std::deque<std::pair<TFtpCtrlSocket*, std::uint32_t>> sendTurns_;
    bool sendTurnsPosted_ = false;
    // The control connections, asked between two pieces of a turn whether a command waits.
    platform::InputWatch controlInput_;
    // Room kept for the next listing's entries and lines.
    ftplisting::SpareRoom<platform::FoundFile> listingEntries_;
    ftplisting::SpareRoom<std::uint8_t> listingBytes_;
};
