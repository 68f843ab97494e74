#include "webtools/ftpsrv.h"

#include "net/FtpPath.h"
#include "net/WSocketHelpers.h"
#include "platform/fs/Path.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/MessageService.h"
#include "ui_ftpservForm.h"
#include "webtools/PeerText.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QResizeEvent>

#include <sys/stat.h>

#include <cstdlib>
#include <string_view>

TftpservForm* ftpservForm = nullptr;

namespace {

// Space the log and the directory box leave to the client area's right and bottom edges, the
// stored layout's own margin; the outer window, frame and caption included, is the window
// manager's to size, so nothing is measured from it.
constexpr int edgeMargin = 8;

// The refusals a client gets, through the engine's error answers.
constexpr const char* accessProhibited = "Access prohibited !";
constexpr const char* illegalCharacters = "Illegal characters: ..";
constexpr const char* downloadProhibited = "Access prohibed !";

// The directory's absolute path with every link resolved; empty when it is no directory.
std::string CanonicalDirectory(const std::string& name)
{
    const std::unique_ptr<char, decltype(&std::free)> real(::realpath(name.c_str(), nullptr), &std::free);
    struct stat status {};
    if (!real || ::stat(real.get(), &status) != 0 || !S_ISDIR(status.st_mode))
        return {};
    return real.get();
}

bool HoldsDotDot(std::string_view text)
{
    return text.find("..") != std::string_view::npos;
}

} // namespace

TftpservForm::TftpservForm(QWidget* parent)
    : QWidget(parent), FtpServer1(std::make_unique<TFtpServer>()), ui(std::make_unique<Ui::ftpservForm>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    startdirLabel = ui->startdirLabel;
    StartdirEdit = ui->StartdirEdit;
    UsrnumberLabel = ui->UsrnumberLabel;
    UsernumberEdit = ui->UsernumberEdit;
    StartButton = ui->StartButton;
    StopButton = ui->StopButton;
    ClearlogButton = ui->ClearlogButton;
    InfoMemo = ui->InfoMemo;

    StartdirEdit->setText(QDir::tempPath());
    InfoMemo->setMaximumBlockCount(FtpLogLines);

    connect(StartButton, &QPushButton::clicked, this, platform::guard([this] { StartButtonClick(); }));
    connect(StopButton, &QPushButton::clicked, this, platform::guard([this] { StopButtonClick(); }));
    connect(ClearlogButton, &QPushButton::clicked, this, platform::guard([this] { ClearlogButtonClick(); }));

    FtpServer1->Addr = "0.0.0.0";
    FtpServer1->Port = Port;
    FtpServer1->Banner = "220 Pelvaxon FTP Server ready.";
    FtpServer1->UserData = 0;
    FtpServer1->MaxClients = 0;
    FtpServer1->SetPasvPortRangeStart(0);
    FtpServer1->SetPasvPortRangeSize(0);
    FtpServer1->Options = 0;
    AssignEvents();
}

TftpservForm::~TftpservForm()
{
    // The engine goes first: it reports its clients' ends into widgets that must still exist.
    FtpServer1.reset();
    if (ftpservForm == this)
        ftpservForm = nullptr;
}

void TftpservForm::AssignEvents()
{
    // Refusals are exceptions the engine turns into error answers, so the handlers run
    // unguarded: the engine is their boundary.
    using namespace std::placeholders;
    TFtpServer& server = *FtpServer1;
    server.OnStart = std::bind(&TftpservForm::FtpServer1Start, this, _1);
    server.OnStop = std::bind(&TftpservForm::FtpServer1Stop, this, _1);
    server.OnClientConnect = std::bind(&TftpservForm::FtpServer1ClientConnect, this, _1, _2, _3);
    server.OnClientDisconnect = std::bind(&TftpservForm::FtpServer1ClientDisconnect, this, _1, _2, _3);
    server.OnAuthenticate = std::bind(&TftpservForm::FtpServer1Authenticate, this, _1, _2, _3, _4, _5);
    server.OnClientCommand = std::bind(&TftpservForm::FtpServer1ClientCommand, this, _1, _2, _3, _4, _5);
    server.OnAnswerToClient = std::bind(&TftpservForm::FtpServer1AnswerToClient, this, _1, _2, _3);
    server.OnChangeDirectory = std::bind(&TftpservForm::FtpServer1ChangeDirectory, this, _1, _2, _3, _4);
    server.OnBuildDirectory = std::bind(&TftpservForm::FtpServer1BuildDirectory, this, _1, _2, _3, _4);
    server.OnAlterDirectory = std::bind(&TftpservForm::FtpServer1AlterDirectory, this, _1, _2, _3, _4);
    server.OnRetrSessionConnected = std::bind(&TftpservForm::FtpServer1RetrSessionConnected, this, _1, _2, _3, _4);
    server.OnStorSessionConnected = std::bind(&TftpservForm::FtpServer1StorSessionConnected, this, _1, _2, _3, _4);
    server.OnStorSessionClosed = std::bind(&TftpservForm::FtpServer1StorSessionClosed, this, _1, _2, _3, _4);
    server.OnRetrSessionClosed = std::bind(&TftpservForm::FtpServer1RetrSessionClosed, this, _1, _2, _3, _4);
    server.OnRetrDataSent = std::bind(&TftpservForm::FtpServer1RetrDataSent, this, _1, _2, _3, _4);
}

// ---- the window ----

void TftpservForm::StartButtonClick()
{
    // The panels move the process's current directory: a relative name means the directory
    // it names now, and only that one is served.
    const std::string canonical = CanonicalDirectory(QFile::encodeName(StartdirEdit->text()).toStdString());
    if (canonical.empty()) {
        platform::ShowMessage("startdir does not exist!");
        return;
    }
    homeDir_ = platform::WithTrailingSeparator(canonical);
    if (!FtpServer1->Active() && !Listen())
        return;
    ShowClientCount();
    StartButton->setEnabled(false);
    StartdirEdit->setEnabled(false);
    StopButton->setEnabled(true);
}

bool TftpservForm::Listen()
{
    FtpServer1->Port = Port;
    try {
        FtpServer1->Start();
        return true;
    } catch (const ESocketException& E) {
        // Error 10013: the port is below the unprivileged range and this process may not
        // bind it, as a desktop user may not bind 21.
        if (!std::string_view(E.what()).starts_with("Error 10013") || Port == FallbackPort) {
            platform::ShowMessage(E.what());
            return false;
        }
    }
    const std::string refused = std::to_string(WSocketResolvePort(Port, "tcp"));
    FtpServer1->Port = FallbackPort;
    try {
        FtpServer1->Start();
    } catch (const ESocketException& E) {
        platform::ShowMessage(E.what());
        return false;
    }
    Log("! Port " + refused + " needs privileges: listening on port " + FtpServer1->ServerSocket().GetXPort());
    return true;
}

void TftpservForm::StopButtonClick()
{
    StopButton->setEnabled(false);
    StartButton->setEnabled(true);
    StartdirEdit->setEnabled(true);
    FtpServer1->Stop();
    FtpServer1->DisconnectAll();
}

void TftpservForm::FormClose()
{
    if (!FtpServer1->Active())
        return;
    StopButtonClick();
    platform::ShowMessage("FTP server is stopped");
}

void TftpservForm::closeEvent(QCloseEvent* event)
{
    platform::guarded([this] { FormClose(); });
    QWidget::closeEvent(event);
}

void TftpservForm::FormResize()
{
    InfoMemo->resize(width() - InfoMemo->x() - edgeMargin, height() - InfoMemo->y() - edgeMargin);
    StartdirEdit->resize(width() - StartdirEdit->x() - edgeMargin, StartdirEdit->height());
}

void TftpservForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    platform::guarded([this] { FormResize(); });
}

void TftpservForm::ClearlogButtonClick()
{
    InfoMemo->clear();
}

void TftpservForm::ShowClientCount()
{
    UsernumberEdit->setText(QString::number(FtpServer1->ClientCount()));
}

void TftpservForm::Log(const std::string& line)
{
    InfoMemo->appendPlainText(PeerText(line));
}

void TftpservForm::LogClient(TFtpCtrlSocket* Client, const std::string& text)
{
    Log("! " + Client->GetPeerAddr() + " " + text);
}

void TftpservForm::LogDataError(TFtpCtrlSocket* Client, const char* what, std::uint16_t Error)
{
    if (Error != 0)
        LogClient(Client, std::string(what) + ". Error #" + std::to_string(Error));
}

bool TftpservForm::InsideStartDir(const std::string& path) const
{
    return ftppath::InsideHome(homeDir_, path);
}

// ---- the engine's events ----

void TftpservForm::FtpServer1Start(TFtpServer*)
{
    listening_ = true;
    Log("! Server started");
}

void TftpservForm::FtpServer1Stop(TFtpServer*)
{
    if (!listening_)
        return;
    listening_ = false;
    Log("! Server stopped");
}

void TftpservForm::FtpServer1ClientConnect(TFtpServer*, TFtpCtrlSocket* Client, std::uint16_t)
{
    Client->HomeDir = homeDir_;
    LogClient(Client, "connected");
    ShowClientCount();
}

void TftpservForm::FtpServer1ClientDisconnect(TFtpServer*, TFtpCtrlSocket* Client, std::uint16_t)
{
    LogClient(Client, "disconnected");
    ShowClientCount();
}

void TftpservForm::FtpServer1Authenticate(TFtpServer*, TFtpCtrlSocket* Client, const TFtpString& UserName,
                                          const TFtpString&, bool&)
{
    // Every user name and password is let in.
    LogClient(Client, "User \"" + UserName + "\" is authenticated");
}

void TftpservForm::FtpServer1ClientCommand(TFtpServer*, TFtpCtrlSocket* Client, TFtpString& Keyword, TFtpString& Params,
                                           TFtpString&)
{
    // Refused before the engine sees it; a transfer under way goes on untouched.
    if (HoldsDotDot(Params))
        throw FtpServerException(illegalCharacters);
    Log("< " + Client->GetPeerAddr() + " " + Keyword + " " + Params);
}

void TftpservForm::FtpServer1AnswerToClient(TFtpServer*, TFtpCtrlSocket* Client, TFtpString& Answer)
{
    Log("> " + Client->GetPeerAddr() + " " + Answer);
}

void TftpservForm::FtpServer1ChangeDirectory(TFtpServer*, TFtpCtrlSocket*, const TFtpString& Directory, bool& Allowed)
{
    if (!InsideStartDir(Directory))
        Allowed = false;
}

void TftpservForm::FtpServer1BuildDirectory(TFtpServer*, TFtpCtrlSocket* Client, TFtpString& Directory, bool)
{
    if (!InsideStartDir(Client->Directory()))
        throw FtpServerException(accessProhibited);
    if (HoldsDotDot(Directory))
        throw FtpServerException(illegalCharacters);
}

void TftpservForm::FtpServer1AlterDirectory(TFtpServer*, TFtpCtrlSocket* Client, TFtpString&, bool)
{
    // The engine frees the listing it built when this refuses.
    if (!InsideStartDir(Client->Directory()))
        throw FtpServerException(accessProhibited);
}

void TftpservForm::FtpServer1RetrSessionConnected(TFtpServer*, TFtpCtrlSocket* Client, TWSocket*, std::uint16_t Error)
{
    if (Error != 0) {
        LogDataError(Client, "Data session connected", Error);
        return;
    }
    if (!Client->FilePath.empty() && !InsideStartDir(Client->FilePath))
        throw FtpServerException(downloadProhibited);
}

void TftpservForm::FtpServer1StorSessionConnected(TFtpServer*, TFtpCtrlSocket* Client, TWSocket*, std::uint16_t Error)
{
    LogDataError(Client, "Data session failed to open", Error);
}

void TftpservForm::FtpServer1StorSessionClosed(TFtpServer*, TFtpCtrlSocket* Client, TWSocket*, std::uint16_t Error)
{
    LogDataError(Client, "Data session closed", Error);
}

void TftpservForm::FtpServer1RetrSessionClosed(TFtpServer*, TFtpCtrlSocket* Client, TWSocket*, std::uint16_t Error)
{
    LogDataError(Client, "Data session closed", Error);
}

void TftpservForm::FtpServer1RetrDataSent(TFtpServer*, TFtpCtrlSocket* Client, TWSocket*, std::uint16_t Error)
{
    LogDataError(Client, "Data sent", Error);
}
