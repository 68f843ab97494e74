// The session commands of the server engine: login, directory changes and the small
// protocol commands, and how a file parameter becomes a path.

#include "net/FtpSrv.h"

#include "net/FtpPath.h"
#include "platform/base/AsciiCase.h"
#include "platform/fs/Path.h"

#include <sys/socket.h>

#include <vector>

namespace {

// The extensions FEAT announces: only what the commands below and beside serve. Full
// "/" paths are taken everywhere (TVFS); without it clients walk a path one CWD per
// component from "/", which the home directory's confinement refuses.
const std::vector<std::string> features = {
    "SIZE", "REST STREAM", "MDTM", "MDTM YYYYMMDDHHMMSS[+-TZ] filename", "MLST size*;type*;perm*;create*;modify*;",
    "MFMT", "MD5", "TVFS"};

// What an over-long line leaves unread is dropped up to this many pieces; a client that
// keeps sending is cut off by the close.
constexpr int overflowDrainPieces = 256;

} // namespace

bool TFtpServer::LoggedIn(TFtpCtrlSocket* Client, TFtpString& Answer)
{
    if (Client->FtpState == ftpcReady)
        return true;
    Answer = "530 Please login with USER and PASS.";
    return false;
}

std::string TFtpServer::BuildFilePath(TFtpCtrlSocket* Client, const std::string& Directory,
                                      const std::string& FileName)
{
    const std::string name = ftppath::WithSlashes(FileName);
    std::string path;
    TriggerBuildFilePath(Client, Directory, name, path);
    if (path.empty())
        path = !name.empty() && name.front() == '/' ? name : Directory + name;
    path = ftppath::Normalized(path);
    const ftppath::Place place = ftppath::PlaceInHome(Client->HomePath(), path);
    if (place != ftppath::Place::Inside)
        throw EFtpOutsideHome("'" + ftppath::Printable(FileName) + "' lies outside the home directory", place, path);
    return path;
}

void TFtpServer::CommandUSER(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    Client->CurrentCommand = ftpcUSER;
    Client->UserName = TrimmedFtpParam(Params);
    Client->FtpState = ftpcWaitingPassword;
    Answer = "331 Password required for " + ftppath::Printable(Client->UserName) + ".";
}

void TFtpServer::CommandPASS(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (Client->FtpState != ftpcWaitingPassword) {
        Answer = "503 Login with USER first.";
        return;
    }
    Client->CurrentCommand = ftpcPASS;
    Client->PassWord = TrimmedFtpParam(Params);
    bool authenticated = true;
    TriggerAuthenticate(Client, Client->UserName, Client->PassWord, authenticated);
    Client->FtpState = ftpcWaitingUserCode;
    if (!authenticated) {
        Answer = "530 Login incorrect.";
        return;
    }
    // A home that cannot be entered (gone, or no directory) serves nothing: the client stays
    // logged out, where it would otherwise stand in a directory nobody gave it.
    const std::string home = Client->HomePath();
    if (!ftppath::InsideHome(home, home)) {
        Answer = "501 No permission";
        return;
    }
    Client->SetDirectory(home);
    Client->FtpState = ftpcReady;
    Answer = "230 User " + ftppath::Printable(Client->UserName) + " logged in.";
}

void TFtpServer::CommandQUIT(TFtpCtrlSocket* Client, TFtpString&, TFtpString&, TFtpString& Answer)
{
    Client->CurrentCommand = ftpcQUIT;
    // The transfer ends as it would have and is answered first; the close comes after.
    if (TransferUnderWay(Client)) {
        Client->quit_ = TFtpCtrlSocket::Quit::Held;
        return;
    }
    Client->quit_ = TFtpCtrlSocket::Quit::Answered;
    Answer = "221 Goodbye.";
    PostClientMessage(WM_FTPSRV_CLOSE_REQUEST, Client);
}

bool TFtpServer::TransferUnderWay(TFtpCtrlSocket* Client)
{
    // A transfer accepted with its 150 ends in a reply of its own once its data connection
    // has come and gone; a passive one waits for the client's connection.
    if (Client->TransferCommand == ftpcNOOP)
        return false;
    if (Client->startSendPosted_ || Client->DataConnected || Client->PassiveStartPending)
        return true;
    TWSocket& data = Client->DataSocket;
    const TSocketState state = data.State();
    return data.OnSessionClosed && (state == wsConnected || state == wsConnecting);
}

void TFtpServer::EndHeldQuit(TFtpCtrlSocket* Client)
{
    if (TransferUnderWay(Client))
        return;
    if (Client->quit_ == TFtpCtrlSocket::Quit::Held) {
        Client->quit_ = TFtpCtrlSocket::Quit::Answered;
        SendAnswer(Client, "221 Goodbye.");
        Client->closeHeld_ = true;
    }
    if (Client->closeHeld_) {
        Client->closeHeld_ = false;
        PostClientMessage(WM_FTPSRV_CLOSE_REQUEST, Client);
    }
}

void TFtpServer::CommandNOOP(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    Client->CurrentCommand = ftpcNOOP;
    Answer = "200 Ok. Parameter was '" + ftppath::Printable(Params) + "'.";
}

void TFtpServer::CommandCWD(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcCWD;
    CommandChangeDir(Client, Keyword, Params, Answer);
}

void TFtpServer::CommandCDUP(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcCDUP;
    Params = "..";
    CommandChangeDir(Client, Keyword, Params, Answer);
}

void TFtpServer::CommandChangeDir(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    const std::string previous = Client->Directory();
    Params = TrimmedFtpParam(ftppath::WithSlashes(Params));
    try {
        Client->SetDirectory(Params);
    } catch (const std::exception& E) {
        Answer = std::string("501 CWD failed. ") + E.what();
        return;
    }
    const std::string directory = Client->Directory();
    bool allowed = (Client->Options & ftpCdupHome) == 0 || platform::IsAncestorOrSame(Client->HomePath(), directory);
    if (allowed)
        TriggerChangeDirectory(Client, directory, allowed);
    if (!allowed) {
        Client->directory_ = previous;
        Answer = "501 CWD failed. No permission";
        return;
    }
    if ((Client->Options & ftpCwdCheck) && !ftppath::EntryExists(directory) && directory != "/"
        && directory != Client->HomePath()) {
        Client->directory_ = previous;
        Answer = "550 CWD Failed to change directory to " + ftppath::Printable(directory);
        return;
    }
    Answer = "250 CWD command successful. \"" + ftppath::Printable(directory) + "\" is current directory.";
}

void TFtpServer::CommandPWD(TFtpCtrlSocket* Client, TFtpString&, TFtpString&, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcPWD;
    Answer = "257 \"" + ftppath::Printable(Client->Directory()) + "\" is current directory.";
}

void TFtpServer::CommandXPWD(TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params, TFtpString& Answer)
{
    CommandPWD(Client, Keyword, Params, Answer);
    if (Client->FtpState == ftpcReady)
        Client->CurrentCommand = ftpcXPWD;
}

void TFtpServer::CommandSYST(TFtpCtrlSocket* Client, TFtpString&, TFtpString&, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcSYST;
    Answer = "215 UNIX Type: L8 Pelvaxon";
}

void TFtpServer::CommandTYPE(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcTYPE;
    const std::string type = platform::AsciiUpperCase(TrimmedFtpParam(Params));
    if (type == "A" || type == "A N" || type == "I") {
        Client->BinaryMode = type == "I";
        Answer = "200 Type set to " + ftppath::Printable(Params) + ".";
    } else {
        Answer = "500 'TYPE " + ftppath::Printable(Params) + "': command not understood.";
    }
}

void TFtpServer::CommandSTRU(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    Client->CurrentCommand = ftpcSTRU;
    Params = TrimmedFtpParam(Params);
    Answer = "200 Ok. STRU parameter '" + ftppath::Printable(Params) + "' ignored.";
}

void TFtpServer::CommandMODE(TFtpCtrlSocket* Client, TFtpString&, TFtpString& Params, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Params = TrimmedFtpParam(Params);
    if (Params.empty())
        Answer = "501 Missing argument for MODE";
    else if (Params == "S" || Params == "s")
        Answer = "200 MODE Ok";
    else
        Answer = "502 MODE other than S not supported";
}

void TFtpServer::CommandFEAT(TFtpCtrlSocket* Client, TFtpString&, TFtpString&, TFtpString& Answer)
{
    if (!LoggedIn(Client, Answer))
        return;
    Client->CurrentCommand = ftpcFEAT;
    Answer = "211-Extensions supported:\r\n";
    for (const std::string& feature : features)
        Answer += "  " + feature + "\r\n";
    Answer += "211 END";
}

void TFtpServer::CommandOverflow(TFtpCtrlSocket* Client, TFtpString&, TFtpString&, TFtpString& Answer)
{
    Client->Shutdown(SHUT_RD);
    char discarded[1024];
    for (int piece = 0; piece < overflowDrainPieces && Client->Receive(discarded, sizeof discarded) > 0; ++piece) {
    }
    Answer = "500 Command too long";
    PostClientMessage(WM_FTPSRV_CLOSE_REQUEST, Client);
}
