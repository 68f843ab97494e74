// How the server engine opens and closes data connections: PORT, PASV and the passive port
// range, the passive accept, REST and ABOR, and the posted work that ends transfers.

#include "net/FtpSrv.h"

#include "net/FtpPath.h"
#include "net/WSocketHelpers.h"
#include "net/WSocketLoader.h"

#include <QtGlobal>

#include <sys/socket.h>

#include <charconv>

using namespace platform;

namespace {

constexpr std::int32_t maxPort = 65535;
// Active data connections come from this port when the system allows it.
const char* const ftpDataPort = "ftp-data";

std::string Dotted(const sockaddr_in& address)
{
    return WSocket_inet_ntoa(address.sin_addr);
}

// One number of a PORT parameter and the comma after it.
std::int64_t GetInteger(std::size_t& at, const std::string& text)
{
    const auto blanks = [&] {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
    };
    blanks();
    std::int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
        value = std::min<std::int64_t>(value * 10 + (text[at] - '0'), 1'000'000);
    blanks();
    if (at >= text.size())
        return value;
    if (text[at] != ',')
        throw FtpServerException("GetInteger: unexpected char");
    ++at;
    return value;
}

} // namespace

// ---- passive port range ----

void TFtpServer::SetPasvPortRangeStart(std::int32_t Value)
{
    if (Value < 0 || Value > maxPort)
        throw ERangeError("Invalid PasvPortRangeStart " + std::to_string(Value) + ".");
    if (Value == pasvPortRangeStart_)
        return;
    if (std::find(pasvPortTable_.begin(), pasvPortTable_.end(), 1) != pasvPortTable_.end())
        throw FtpServerException("Unable to change PasvPortRangeStart when port is in use.");
    pasvPortRangeStart_ = Value;
}

void TFtpServer::SetPasvPortRangeSize(std::int32_t Value)
{
    if (Value < 0 || Value > maxPort)
        throw ERangeError("Invalid PasvPortRangeSize " + std::to_string(Value) + ".");
    if (Value == PasvPortRangeSize())
        return;
    if (std::find(pasvPortTable_.begin() + std::min<std::ptrdiff_t>(Value, PasvPortRangeSize()), pasvPortTable_.end(),
                  1)
        != pasvPortTable_.end())
        throw FtpServerException("Unable to change PasvPortRangeSize when port is in use.");
    pasvPortTable_.resize(static_cast<std::size_t>(Value), 0);
}

std::string TFtpServer::GetNextAvailablePasvPort()
{
    if (pasvPortTable_.empty() || pasvPortRangeStart_ == 0)
        return "0";
    // The search starts after the port handed out last, so the port taken has been longest out
    // of use: closed connections still waiting out their time on a port make binding it slower.
    const std::size_t size = pasvPortTable_.size();
    for (std::size_t i = 0; i < size; ++i) {
        const std::size_t index = (pasvSearchStart_ + i) % size;
        if (pasvPortTable_[index] == 0) {
            pasvPortTable_[index] = 1;
            pasvSearchStart_ = index + 1;
            return std::to_string(pasvPortRangeStart_ + static_cast<std::int32_t>(index));
        }
    }
    return {};
}

void TFtpServer::FreeCurrentPasvPort(TFtpCtrlSocket* Client)
{
    const std::int32_t port = Client->pasvPort_;
    Client->pasvPort_ = 0;
    const std::int32_t index = port - pasvPortRangeStart_;
    if (port != 0 && index >= 0 && index < PasvPortRangeSize())
        pasvPortTable_[static_cast<std::size_t>(index)] = 0;
}

// ---- the data socket ----

void TFtpServer::SetDataHandlers(TFtpCtrlSocket* Client, DataHandlers Handlers)
{
    TWSocket& data = Client->DataSocket;
    data.OnSessionConnected = nullptr;
    data.OnSessionClosed = nullptr;
    data.OnDataAvailable = nullptr;
    data.OnDataSent = nullptr;
    if (Handlers == DataHandlers::Store) {
        data.OnSessionConnected = [this, Client](TCustomWSocket*, std::uint16_t Error) {
            ClientStorSessionConnected(Client, Error);
        };
        data.OnSessionClosed = [this, Client](TCustomWSocket*, std::uint16_t Error) {
            ClientStorSessionClosed(Client, Error);
        };
        data.OnDataAvailable = [this, Client](TCustomWSocket*, std::uint16_t Error) {
            ClientStorDataAvailable(Client, Error);
        };
    } else if (Handlers == DataHandlers::Retrieve) {
        data.OnSessionConnected = [this, Client](TCustomWSocket*, std::uint16_t Error) {
            ClientRetrSessionConnected(Client, Error);
        };
        data.OnSessionClosed = [this, Client](TCustomWSocket*, std::uint16_t Error) {
            ClientRetrSessionClosed(Client, Error);
        };
        data.OnDataSent = [this, Client](TCustomWSocket*, std::uint16_t Error) { ClientRetrDataSent(Client, Error); };
    }
}

void TFtpServer::WatchDataSocket(TFtpCtrlSocket* Client)
{
    // Whatever closes the listener or the data connection gives its range port back.
    Client->DataSocket.OnChangeState = [this, Client](TCustomWSocket*, TSocketState, TSocketState NewState) {
        if (NewState == wsClosed && !Client->takingOverPassive_)
            FreeCurrentPasvPort(Client);
    };
}

void TFtpServer::StartDataConnection(TFtpCtrlSocket* Client, DataHandlers Handlers)
{
    TWSocket& data = Client->DataSocket;
    if (Client->PassiveMode) {
        SetDataHandlers(Client, Handlers);
        if (Client->PassiveAccepted)
            data.OnSessionConnected(&data, 0);
        else
            Client->PassiveStartPending = true;
        return;
    }
    // APPE connects from wherever the system chooses.
    const bool fromDataPort = Client->TransferCommand != ftpcAPPE;
    if (ConnectActiveData(Client, Handlers, fromDataPort))
        return;
    // Without the privilege for port 20 the connection comes from any port.
    ConnectActiveData(Client, Handlers, false);
}

bool TFtpServer::ConnectActiveData(TFtpCtrlSocket* Client, DataHandlers Handlers, bool FromDataPort)
{
    TWSocket& data = Client->DataSocket;
    SetDataHandlers(Client, DataHandlers::None);
    data.Close();
    data.SetProto("tcp");
    data.SetAddr(Client->ActiveDataAddr);
    data.SetRemotePort(Client->ActiveDataPort);
    data.LingerOnOff = wsLingerOff;
    data.LingerTimeout = 0;
    data.ComponentOptions = {wsoNoReceiveLoop};
    if (FromDataPort) {
        sockaddr_in local{};
        socklen_t length = sizeof local;
        if (Client->GetSockName(local, length) == 0)
            data.SetLocalAddr(Dotted(local));
        data.SetLocalPort(ftpDataPort);
    }
    SetDataHandlers(Client, Handlers);
    try {
        data.Connect();
        return true;
    } catch (const ESocketException&) {
        // A socket that never got as far as connecting failed in binding or setting up.
        if (!FromDataPort || data.State() != wsOpened)
            throw;
    }
    SetDataHandlers(Client, DataHandlers::None);
    data.Close();
    return false;
}

// ---- commands ----

void TFtpServer::CommandPORT(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcPORT;
    try {
        std::size_t at = 0;
        std::int64_t numbers[6];
        for (std::int64_t& number : numbers)
            number = GetInteger(at, Params);
        const bool bytes = std::all_of(std::begin(numbers), std::end(numbers), [](std::int64_t n) { return n <= 255; });
        const std::string address = std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "."
            + std::to_string(numbers[2]) + "." + std::to_string(numbers[3]);
        const std::int64_t port = numbers[4] * 256 + numbers[5];
        // Only the client itself, on a port no system service uses, may be connected to.
        if (!bytes || address != Client->SavedPeerAddr || port < 1024 || port > maxPort) {
            Answer = "501 Invalid PORT command.";
            return;
        }
        Client->ActiveDataAddr = address;
        Client->ActiveDataPort = std::to_string(port);
        Answer = "200 Port command successful.";
    } catch (const std::exception&) {
        Answer = "501 Invalid PORT command.";
    }
}

void TFtpServer::CommandPASV(TFtpCtrlSocket* Client, TFtpString&, TFtpString&, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    TWSocket& data = Client->DataSocket;
    try {
        sockaddr_in local{};
        socklen_t length = sizeof local;
        if (Client->GetSockName(local, length) != 0)
            throw FtpServerException("Cannot read the control connection's address");
        SetDataHandlers(Client, DataHandlers::None);
        data.Close();
        FreeCurrentPasvPort(Client);
        const std::string port = GetNextAvailablePasvPort();
        if (port.empty())
            throw FtpServerException("No available PASV Ports");
        Client->pasvPort_ = std::stoi(port);
        in_addr announced = local.sin_addr;
        if (!PasvIpAddr.empty()) {
            if (!WSocketIsDottedIP(PasvIpAddr))
                throw FtpServerException("Invalid PASV IP Address");
            announced.s_addr = WSocket_inet_addr(PasvIpAddr);
        }
        data.SetAddr(PasvIpAddr.empty() ? Dotted(local) : "0.0.0.0");
        data.SetProto("tcp");
        data.OnSessionAvailable = [this, Client](TCustomWSocket*, std::uint16_t Error) {
            ClientPassiveSessionAvailable(Client, Error);
        };
        data.ComponentOptions = {wsoNoReceiveLoop};
        if (port == "0") {
            ListenOnAnyPort(data);
        } else {
            data.SetRemotePort(port);
            data.Listen();
        }
        const int bound = std::stoi(data.GetXPort());
        const auto* octets = reinterpret_cast<const unsigned char*>(&announced.s_addr);
        Answer = "227 Entering Passive Mode (" + std::to_string(octets[0]) + "," + std::to_string(octets[1]) + ","
            + std::to_string(octets[2]) + "," + std::to_string(octets[3]) + "," + std::to_string(bound / 256) + ","
            + std::to_string(bound % 256) + ").";
        Client->PassiveMode = true;
        Client->PassiveStartPending = false;
        Client->PassiveAccepted = false;
    } catch (const std::exception& E) {
        Answer = "500 PASV exception: '" + ftppath::Printable(E.what()) + "'.";
        try {
            data.Close();
        } catch (const std::exception&) {
        }
        FreeCurrentPasvPort(Client);
    }
}

// Asked for port 0, the system takes only a port that no socket holds, closed connections
// waiting out their time included: after some ten thousand transfers a minute its search
// takes most of a PASV, and then finds none. A port chosen here may be one that only closed
// connections hold; one that is listened on or connected is passed over.
void TFtpServer::ListenOnAnyPort(TWSocket& Data)
{
    const auto [first, last] = localPorts_;
    const auto count = static_cast<std::uint32_t>(last - first + 1);
    for (int attempt = 0; attempt < 16; ++attempt) {
        Data.SetRemotePort(std::to_string(first + static_cast<int>(nextPasvPort_++ % count)));
        try {
            Data.Listen();
            return;
        } catch (const ESocketException&) {
            Data.Close();
        }
    }
    Data.SetRemotePort("0");
    Data.Listen();
}

void TFtpServer::ClientPassiveSessionAvailable(TFtpCtrlSocket* Client, std::uint16_t)
{
    TWSocket& data = Client->DataSocket;
    // Judged by the address the accept gives: a connection its client reset while it waited
    // has no peer left to ask, and is the client's all the same (its transfer ends with it).
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const SOCKET accepted = WSocket_accept(data.HSocket(), reinterpret_cast<sockaddr*>(&peer), &length);
    if (accepted == INVALID_SOCKET) {
        qDebug("FTP server: a data connection could not be accepted, error #%d", WSocket_WSAGetLastError());
        return;
    }
    // Only the client itself may take its passive port; anyone else is turned away and the
    // port stays open for the client.
    if (Dotted(peer) != Client->SavedPeerAddr) {
        WSocket_closesocket(accepted);
        return;
    }
    data.OnSessionClosed = nullptr;
    Client->takingOverPassive_ = true;
    try {
        data.Close();
        // Before its command the connection waits without handlers; after a refused one it
        // must not start the transfer that was refused (its close would answer 226).
        switch (Client->PassiveStartPending ? Client->TransferCommand : ftpcNOOP) {
        case ftpcSTOR:
        case ftpcAPPE:
        case ftpcSTOU:
            SetDataHandlers(Client, DataHandlers::Store);
            break;
        case ftpcRETR:
        case ftpcLIST:
        case ftpcNLST:
        case ftpcMLSD:
            SetDataHandlers(Client, DataHandlers::Retrieve);
            break;
        default:
            SetDataHandlers(Client, DataHandlers::None);
            break;
        }
        data.LingerOnOff = wsLingerOff;
        data.LingerTimeout = 0;
        data.ComponentOptions = {wsoNoReceiveLoop};
        data.Dup(accepted);
    } catch (const std::exception&) {
        Client->takingOverPassive_ = false;
        FreeCurrentPasvPort(Client);
        throw;
    }
    Client->takingOverPassive_ = false;
    Client->PassiveAccepted = true;
    if (Client->PassiveStartPending && data.OnSessionConnected)
        data.OnSessionConnected(&data, 0);
}

void TFtpServer::CommandREST(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcREST;
    const std::string text = TrimmedFtpParam(Params);
    std::int64_t offset = 0;
    const char* first = text.data();
    if (!text.empty() && text.front() == '+')
        ++first;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), offset);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        Client->RestartOffset = 0;
        Answer = "501 Syntax error in parameter: '" + ftppath::Printable(text) + "' is not a valid integer value.";
    } else if (offset < 0) {
        Client->RestartOffset = 0;
        Answer = "501 Required byte offset parameter bad or missing.";
    } else {
        Client->RestartOffset = offset;
        Answer = "350 REST supported. Ready to resume at byte offset " + std::to_string(offset) + ".";
    }
}

void TFtpServer::CommandABOR(TFtpCtrlSocket* Client, TFtpString&, TFtpString&, TFtpString& Answer)
{
    // A transfer whose data connection has not come yet ends too (its listener or its
    // connection under way answers for it): once it came, the upload would be taken as whole.
    const TSocketState state = Client->DataSocket.State();
    if (state == wsConnected || state == wsConnecting || Client->PassiveStartPending) {
        Client->TransferMessage = "ABORT requested by client";
        Client->AbortingTransfer = true;
        Client->abortConnectionClosed_ = true;
        Client->DataSocket.Close();
    }
    Answer = "225 ABOR command successful.";
}

// ---- posted work ----

void TFtpServer::PostAbortTransfer(TFtpCtrlSocket* Client, const std::string& Message)
{
    Client->TransferMessage = Message;
    Client->AbortingTransfer = true;
    PostClientMessage(WM_FTPSRV_ABORT_TRANSFER, Client);
}

void TFtpServer::WMFtpSrvAbortTransfer(TFtpCtrlSocket* Client)
{
    TWSocket& data = Client->DataSocket;
    data.Shutdown(SHUT_RDWR);
    data.Close();
}

void TFtpServer::WMFtpSrvCloseData(TFtpCtrlSocket* Client)
{
    // The client sees the end of the data and closes; its close brings the final reply.
    Client->DataSocket.Shutdown(SHUT_WR);
}

void TFtpServer::WMFtpSrvStartSend(TFtpCtrlSocket* Client)
{
    Client->startSendPosted_ = false;
    try {
        StartSendData(Client);
    } catch (const std::exception& E) {
        SendAnswer(Client, "501 Cannot RETR. " + ftppath::Printable(E.what()));
    }
    // A QUIT that came meanwhile waits only for a data connection that is open or opening.
    EndHeldQuit(Client);
}
