// The server engine's core: listening, accepting clients, dispatching their command lines
// and removing them again.

#include "net/FtpSrv.h"

#include "net/FtpPath.h"
#include "platform/win/WinSockErrors.h"

#include <QCoreApplication>
#include <QTimer>
#include <QtGlobal>

#include <sys/resource.h>

#include <algorithm>
#include <random>

using namespace platform;

namespace {

// A client out of descriptors is retried after this pause rather than at once, which would
// only fail again.
constexpr int acceptPauseMs = 100;
constexpr std::int32_t acceptBacklog = 128;

// Each client may keep several descriptors (control, data, listener) open at once.
void RaiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

} // namespace

TFtpServer::TFtpServer()
{
    if (!QCoreApplication::instance())
        throw FtpServerException("Cannot create a hidden window for TFtpServer");
    nextPasvPort_ = std::random_device{}();
    localPorts_ = platform::LocalPortRange();
    window_ = AllocateHWnd([this](UINT msg, WPARAM wParam, LPARAM lParam) { WndProc(msg, wParam, lParam); });
    serverSocket_ = std::make_unique<TWSocket>();
    acceptPause_ = std::make_unique<QTimer>();
    acceptPause_->setSingleShot(true);
    acceptPause_->setInterval(acceptPauseMs);
    acceptPause_->callOnTimeout([this] {
        if (serverSocket_->State() == wsListening)
            serverSocket_->Resume();
    });

    static constexpr struct {
        const char* keyword;
        TFtpSrvCommandProc proc;
    } table[FtpCommandTableSize] = {
        {"PORT", &TFtpServer::CommandPORT}, {"STOR", &TFtpServer::CommandSTOR},
        {"RETR", &TFtpServer::CommandRETR}, {"CWD", &TFtpServer::CommandCWD},
        {"XPWD", &TFtpServer::CommandXPWD},      {"PWD", &TFtpServer::CommandPWD},
        {"USER", &TFtpServer::CommandUSER},      {"PASS", &TFtpServer::CommandPASS},
        {"LIST", &TFtpServer::CommandLIST}, {"NLST", &TFtpServer::CommandNLST},
        {"TYPE", &TFtpServer::CommandTYPE},      {"SYST", &TFtpServer::CommandSYST},
        {"QUIT", &TFtpServer::CommandQUIT},      {"DELE", &TFtpServer::CommandDELE},
        {"SIZE", &TFtpServer::CommandSIZE}, {"REST", &TFtpServer::CommandREST},
        {"RNFR", &TFtpServer::CommandRNFR}, {"RNTO", &TFtpServer::CommandRNTO},
        {"MKD", &TFtpServer::CommandMKD},  {"RMD", &TFtpServer::CommandRMD},
        {"ABOR", &TFtpServer::CommandABOR}, {"PASV", &TFtpServer::CommandPASV},
        {"NOOP", &TFtpServer::CommandNOOP},      {"CDUP", &TFtpServer::CommandCDUP},
        {"APPE", &TFtpServer::CommandAPPE}, {"STRU", &TFtpServer::CommandSTRU},
        {"XMKD", &TFtpServer::CommandMKD}, {"XRMD", &TFtpServer::CommandRMD},
        {"MDTM", &TFtpServer::CommandMDTM}, {"MODE", &TFtpServer::CommandMODE},
        {"OVER", &TFtpServer::CommandOverflow},  {"STOU", &TFtpServer::CommandSTOU},
        {"FEAT", &TFtpServer::CommandFEAT},      {"MLST", &TFtpServer::CommandMLST},
        {"MLSD", &TFtpServer::CommandMLSD}, {"MFMT", &TFtpServer::CommandMDTM},
        {"MD5", &TFtpServer::CommandMD5},
    };
    for (const auto& row : table)
        AddCommand(row.keyword, row.proc);
}

TFtpServer::~TFtpServer()
{
    destroying_ = true;
    acceptPause_->stop();
    serverSocket_.reset();
    // Whatever a client's sockets report while they close reaches nobody.
    for (const auto& client : clients_) {
        client->OnCommand = nullptr;
        client->OnSessionClosed = nullptr;
        client->OnDataSent = nullptr;
    }
    clients_.clear();
    released_.clear();
    DeallocateHWnd(window_);
}

void TFtpServer::AddCommand(const TFtpString& Keyword, TFtpSrvCommandProc Proc)
{
    if (commandTable_.size() >= FtpCommandTableSize)
        throw FtpServerException("Too many command");
    commandTable_.push_back({Keyword, Proc});
}

// ---- listening ----

void TFtpServer::Start()
{
    if (serverSocket_->State() == wsListening)
        return;
    RaiseOpenFileLimit();
    serverSocket_->SetRemotePort(Port);
    serverSocket_->SetProto("tcp");
    serverSocket_->SetAddr(Addr);
    serverSocket_->OnSessionAvailable = [this](TCustomWSocket*, std::uint16_t Error) {
        ServSocketSessionAvailable(Error);
    };
    serverSocket_->OnChangeState = [this](TCustomWSocket*, TSocketState, TSocketState NewState) {
        ServSocketStateChange(NewState);
    };
    serverSocket_->ComponentOptions = {wsoNoReceiveLoop};
    // Clients that arrive together wait in the queue instead of having their connection
    // attempts dropped and retried seconds later.
    serverSocket_->ListenBacklog = acceptBacklog;
    serverSocket_->Listen();
}

void TFtpServer::Stop()
{
    acceptPause_->stop();
    serverSocket_->Close();
}

bool TFtpServer::Active() const
{
    return serverSocket_->State() == wsListening;
}

void TFtpServer::SetActive(bool Value)
{
    if (Value)
        Start();
    else
        Stop();
}

void TFtpServer::ServSocketStateChange(TSocketState NewState)
{
    if (destroying_)
        return;
    if (NewState == wsListening)
        TriggerServerStart();
    else if (NewState == wsClosed)
        TriggerServerStop();
}

void TFtpServer::PauseAccepting()
{
    serverSocket_->Pause();
    acceptPause_->start();
}

void TFtpServer::ServSocketSessionAvailable(std::uint16_t Error)
{
    if (Error != 0)
        throw FtpServerException("Session available error #" + std::to_string(Error));
    // The connection is taken first: a client object is made only for one that exists.
    SOCKET accepted = INVALID_SOCKET;
    try {
        accepted = serverSocket_->Accept();
    } catch (const ESocketException&) {
        // Said by number: out of descriptors, little else may work.
        const int error = serverSocket_->LastError();
        qDebug("FTP server: a connection could not be accepted, error #%d", error);
        if (error == WSAEMFILE || error == WSAENOBUFS)
            PauseAccepting();
        return;
    }
    const std::uint32_t number = ++clientNumber_;
    std::unique_ptr<TFtpCtrlSocket> owned = ClientClass();
    TFtpCtrlSocket* client = owned.get();
    client->Name = "ClientWSocket" + std::to_string(number);
    client->DataSocketName = "DataWSocket" + std::to_string(number);
    client->ClientID = number;
    client->Banner = Banner;
    try {
        client->Dup(accepted);
    } catch (const ESocketException& E) {
        qDebug("FTP server: an accepted connection could not be served: %s", E.what());
        return;
    }
    clients_.push_back(std::move(owned));
    client->inputWatch_ = &controlInput_;
    controlInput_.add(client->HSocket());
    WatchDataSocket(client);
    client->OnCommand = [this](TFtpCtrlSocket* Sender, const char* CmdBuf, std::int32_t CmdLen) {
        ClientCommand(Sender, CmdBuf, CmdLen);
    };
    client->OnSessionClosed = [this](TCustomWSocket* Sender, std::uint16_t) {
        ClientSessionClosed(static_cast<TFtpCtrlSocket*>(Sender));
    };
    client->OnDataSent = [this](TCustomWSocket* Sender, std::uint16_t) {
        ClientDataSent(static_cast<TFtpCtrlSocket*>(Sender));
    };
    if (Options & ftpsCdupHome)
        client->Options |= ftpCdupHome;
    if (Options & ftpsCwdCheck)
        client->Options |= ftpCwdCheck;

    TriggerClientConnect(client, 0);
    if (!IsClient(client) || client->State() != wsConnected)
        return;
    if (MaxClients > 0 && ClientCount() > MaxClients) {
        client->Banner = "421 Too many users connected.";
        client->StartConnection();
        PostClientMessage(WM_FTPSRV_CLOSE_REQUEST, client);
        return;
    }
    client->StartConnection();
}

// ---- clients ----

TFtpCtrlSocket* TFtpServer::Client(int Index) const
{
    if (Index < 0 || Index >= ClientCount())
        return nullptr;
    return clients_[static_cast<std::size_t>(Index)].get();
}

bool TFtpServer::IsClient(const void* Object) const
{
    return std::any_of(clients_.begin(), clients_.end(),
                       [Object](const auto& client) { return client.get() == Object; });
}

void TFtpServer::DisconnectAll()
{
    while (!clients_.empty())
        WMFtpSrvClientClosed(clients_.front().get());
}

void TFtpServer::Disconnect(TFtpCtrlSocket* Client)
{
    if (!IsClient(Client))
        throw FtpServerException("Disconnect: Not one of our clients");
    WMFtpSrvClientClosed(Client);
}

void TFtpServer::ClientSessionClosed(TFtpCtrlSocket* Client)
{
    PostClientMessage(WM_FTPSRV_CLIENT_CLOSED, Client);
}

void TFtpServer::ClientDataSent(TFtpCtrlSocket* Client)
{
    if (Client->CloseRequested) {
        Client->CloseRequested = false;
        PostClientMessage(WM_FTPSRV_CLOSE_REQUEST, Client);
    }
}

void TFtpServer::RemoveClient(TFtpCtrlSocket* Client)
{
    const auto found = std::find_if(clients_.begin(), clients_.end(),
                                     [Client](const auto& client) { return client.get() == Client; });
    if (found == clients_.end())
        return;
    std::unique_ptr<TFtpCtrlSocket> owned = std::move(*found);
    clients_.erase(found);
    try {
        TriggerClientDisconnect(Client, 0);
    } catch (const std::exception& E) {
        qDebug("FTP server: OnClientDisconnect failed: %s", E.what());
    }
    Client->OnCommand = nullptr;
    Client->OnSessionClosed = nullptr;
    Client->OnDataSent = nullptr;
    SetDataHandlers(Client, DataHandlers::None);
    Client->DataSocket.OnChangeState = nullptr;
    Client->DataSocket.OnSessionAvailable = nullptr;
    FreeCurrentPasvPort(Client);
    EndStream(Client);
    try {
        Client->DataSocket.Close();
        Client->Close();
    } catch (const std::exception&) {
    }
    // This may run inside one of the client's own events: it is freed from the server's
    // window once they are over.
    released_.push_back(std::move(owned));
    PostMessage(window_, WM_FTPSRV_FREE_CLIENTS, 0, 0);
}

// ---- messages ----

void TFtpServer::PostClientMessage(UINT Msg, TFtpCtrlSocket* Client)
{
    PostMessage(window_, Msg, Client->ClientID, reinterpret_cast<LPARAM>(Client));
}

TFtpCtrlSocket* TFtpServer::PostedClient(WPARAM WParam, LPARAM LParam) const
{
    auto* client = reinterpret_cast<TFtpCtrlSocket*>(LParam);
    // A client that has gone may have left its address to a newer one: the number tells.
    if (!IsClient(client) || client->ClientID != WParam)
        return nullptr;
    return client;
}

void TFtpServer::WndProc(UINT Msg, WPARAM WParam, LPARAM LParam)
{
    try {
        if (Msg == WM_FTPSRV_FREE_CLIENTS) {
            released_.clear();
            return;
        }
        if (Msg == WM_FTPSRV_SEND_TURNS)
            return WMFtpSrvSendTurns();
        TFtpCtrlSocket* client = PostedClient(WParam, LParam);
        if (!client)
            return;
        switch (Msg) {
        case WM_FTPSRV_CLOSE_REQUEST:
            WMFtpSrvCloseRequest(client);
            break;
        case WM_FTPSRV_CLIENT_CLOSED:
            WMFtpSrvClientClosed(client);
            break;
        case WM_FTPSRV_ABORT_TRANSFER:
            WMFtpSrvAbortTransfer(client);
            break;
        case WM_FTPSRV_CLOSE_DATA:
            WMFtpSrvCloseData(client);
            break;
        case WM_FTPSRV_START_SEND:
            WMFtpSrvStartSend(client);
            break;
        default:
            break;
        }
    } catch (const std::exception& E) {
        qDebug("FTP server: message %u failed: %s", Msg, E.what());
    }
}

void TFtpServer::WMFtpSrvCloseRequest(TFtpCtrlSocket* Client)
{
    // The transfer under way keeps the connection for its reply.
    if (TransferUnderWay(Client)) {
        Client->closeHeld_ = true;
        return;
    }
    if (Client->BufferedByteCount() == 0)
        Client->Close();
    else
        Client->CloseRequested = true;
}

void TFtpServer::WMFtpSrvClientClosed(TFtpCtrlSocket* Client)
{
    // A transfer under way gets its closing reply and frees its stream.
    TWSocket& data = Client->DataSocket;
    if (Client->DataConnected && data.OnSessionClosed) {
        try {
            const TCustomWSocket::TSessionClosed closed = data.OnSessionClosed;
            closed(&data, WSAENOTCONN);
        } catch (const std::exception& E) {
            qDebug("FTP server: ending a transfer failed: %s", E.what());
        }
    }
    RemoveClient(Client);
}

// ---- commands ----

void TFtpServer::ClientCommand(TFtpCtrlSocket* Client, const char* CmdBuf, std::int32_t CmdLen)
{
    // Nothing a client sends after its QUIT is for the session that is ending.
    if (!IsClient(Client) || Client->quit_ != TFtpCtrlSocket::Quit::No)
        return;
    TFtpCommandLine command = ParseFtpCommandLine(CmdBuf, CmdLen);
    TFtpString Answer;
    try {
        TriggerClientCommand(Client, command.Keyword, command.Params, Answer);
        if (Answer.empty())
            Dispatch(Client, command.Keyword, command.Params, Answer);
    } catch (const std::exception& E) {
        Answer = std::string("501 ") + E.what();
    }
    // A QUIT held for a transfer is answered when the transfer has ended.
    if (Answer.empty() && Client->quit_ == TFtpCtrlSocket::Quit::Held)
        return;
    SendAnswer(Client, Answer);
}

void TFtpServer::Dispatch(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer)
{
    if (Keyword.empty()) {
        Answer = "500 '" + ftppath::Printable(Params) + "': command not understood.";
        return;
    }
    const auto row = std::find_if(commandTable_.begin(), commandTable_.end(),
                                  [&Keyword](const CommandRow& row) { return row.Keyword == Keyword; });
    if (row == commandTable_.end()) {
        Answer = "500 '" + ftppath::Printable(Keyword) + "': command not understood.";
        return;
    }
    // A name with a NUL in it would act on the part before it.
    if (Params.find('\0') != std::string::npos) {
        Answer = "501 Syntax error in parameter.";
        return;
    }
    (this->*row->Proc)(Client, Keyword, Params, Answer);
}

void TFtpServer::SendAnswer(TFtpCtrlSocket* Client, TFtpString Answer)
{
    // The reply to a transfer may come after its client has gone.
    if (Client->State() != wsConnected)
        return;
    try {
        TriggerSendAnswer(Client, Answer);
        Client->SendAnswer(Answer);
    } catch (const std::exception& E) {
        qDebug("FTP server: an answer was lost: %s", E.what());
    }
}
