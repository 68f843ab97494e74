#include "webtools/pchat.h"

#include "filemanager/Settings.h"
#include "net/WSocket.h"
#include "net/WSocketHelpers.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/IniFile.h"
#include "platform/ui/Locations.h"
#include "platform/ui/MessageService.h"
#include "ui_pchatForm.h"
#include "webtools/PeerText.h"

#include <QFontDatabase>
#include <QShowEvent>

#include <algorithm>
#include <optional>
#include <string_view>

TpchatForm* pchatForm = nullptr;

namespace {

// Courier New where it is installed, else the system's fixed font, 11 pixels high.
QFont MemoFont()
{
    QFont font = QFontDatabase::hasFamily("Courier New") ? QFont("Courier New")
                                                          : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(11);
    return font;
}

// The dotted address of a caller; none when the caller has already gone (a scanner that
// resets at once), so nobody out there can make the window raise an error box.
std::optional<std::string> CallerAddress(TCustomWSocket& socket)
{
    sockaddr_in peer{};
    if (socket.GetPeerName(peer, sizeof peer) != 0)
        return std::nullopt;
    return std::string(platform::inet_ntoa(peer.sin_addr));
}

} // namespace

TpchatForm::TpchatForm(QWidget* parent)
    : QWidget(parent), SrvWSocket(std::make_unique<TWSocket>()), CliWSocket(std::make_unique<TWSocket>()),
      TmpWSocket(std::make_unique<TWSocket>()), ui(std::make_unique<Ui::pchatForm>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    Panel1 = ui->Panel1;
    ServerEdit = ui->ServerEdit;
    ConnectButton = ui->ConnectButton;
    DisconnectButton = ui->DisconnectButton;
    LocAddrLabel = ui->LocAddrLabel;
    DisplayMemo = ui->DisplayMemo;
    Panel2 = ui->Panel2;
    MessageEdit = ui->MessageEdit;
    SendButton = ui->SendButton;

    DisplayMemo->setFont(MemoFont());
    DisplayMemo->setMaximumBlockCount(ChatMemoLines);

    connect(ConnectButton, &QPushButton::clicked, this, platform::guard([this] { ConnectButtonClick(); }));
    connect(DisconnectButton, &QPushButton::clicked, this, platform::guard([this] { DisconnectButtonClick(); }));
    connect(SendButton, &QPushButton::clicked, this, platform::guard([this] { SendButtonClick(); }));
    // Enter sends, as the window's default button; a disabled button ignores the click.
    connect(MessageEdit, &QLineEdit::returnPressed, SendButton, &QPushButton::click);

    SrvWSocket->OnSessionAvailable
        = platform::guard([this](TCustomWSocket* s, std::uint16_t e) { SrvWSocketSessionAvailable(s, e); });
    CliWSocket->OnDnsLookupDone
        = platform::guard([this](TCustomWSocket* s, std::uint16_t e) { CliWSocketDnsLookupDone(s, e); });
    CliWSocket->OnSessionConnected
        = platform::guard([this](TCustomWSocket* s, std::uint16_t e) { CliWSocketSessionConnected(s, e); });
    CliWSocket->OnSessionClosed
        = platform::guard([this](TCustomWSocket* s, std::uint16_t e) { CliWSocketSessionClosed(s, e); });
    CliWSocket->OnDataAvailable
        = platform::guard([this](TCustomWSocket* s, std::uint16_t e) { CliWSocketDataAvailable(s, e); });
}

TpchatForm::~TpchatForm()
{
    if (pchatForm == this)
        pchatForm = nullptr;
}

void TpchatForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        platform::guarded([this] { FormShow(); });
}

void TpchatForm::FormShow()
{
    if (WasShown)
        return;
    WasShown = true;
    // The stored host is read before anything can fail, so closing never writes it back empty.
    const platform::IniFile ini(platform::settingsFilePath());
    ServerEdit->setText(QString::fromStdString(ini.readString(settings::Privchat, settings::LastHost, "")));
    QString addresses = "Your IP:";
    for (const std::string& address : LocalIPList())
        addresses += "   " + QString::fromStdString(address);
    LocAddrLabel->setText(addresses);
    StartListening();
}

void TpchatForm::StartListening()
{
    SrvWSocket->SetRemotePort(Port);
    SrvWSocket->SetProto("tcp");
    SrvWSocket->SetAddr("0.0.0.0");
    try {
        SrvWSocket->Listen();
    } catch (const ESocketException& E) {
        if (!std::string_view(E.what()).starts_with("Error 10048"))
            throw;
        AddLine("private chat is already running as server");
    }
}

void TpchatForm::AddLine(const QString& line)
{
    DisplayMemo->appendPlainText(line);
}

void TpchatForm::ShowIdle()
{
    ConnectButton->setEnabled(true);
    DisconnectButton->setEnabled(false);
}

void TpchatForm::ShowTalking()
{
    ConnectButton->setEnabled(false);
    DisconnectButton->setEnabled(true);
    SendButton->setEnabled(true);
    MessageEdit->setEnabled(true);
}

void TpchatForm::ConnectButtonClick()
{
    ConnectButton->setEnabled(false);
    DisconnectButton->setEnabled(true);
    const std::string host = ServerEdit->text().isEmpty() ? "localhost" : ServerEdit->text().toStdString();
    try {
        CliWSocket->DnsLookup(host);
    } catch (...) {
        ShowIdle();
        throw;
    }
}

bool TpchatForm::IsOwnAddress(const std::string& address)
{
    // The lookup gives canonical dotted text; 127.0.0.0/8 is all loopback, 0.0.0.0 is this host.
    if (address.starts_with("127.") || address == "0.0.0.0")
        return true;
    const std::vector<std::string> own = LocalIPList();
    return std::find(own.begin(), own.end(), address) != own.end();
}

void TpchatForm::CliWSocketDnsLookupDone(TCustomWSocket*, std::uint16_t Error)
{
    if (Error != 0) {
        // A lookup cancelled by hanging up is no unknown name.
        if (Error != platform::WSAEINTR)
            AddLine("Server name unknown");
        ShowIdle();
        return;
    }
    const std::string address = CliWSocket->DnsResult();
    if (SrvWSocket->State() == wsListening && IsOwnAddress(address)) {
        platform::ShowMessage("Your are trying to connect to yourself, give an IP address of your friend !");
        ShowIdle();
        return;
    }
    CliWSocket->SetAddr(address);
    CliWSocket->SetRemotePort(Port);
    CliWSocket->SetProto("tcp");
    try {
        CliWSocket->Connect();
    } catch (const ESocketException&) {
        // A connect refused at once has closed the socket (and shown idle) as a refusal
        // reported later does; it reads the same. Anything else failed before the attempt.
        if (!ConnectButton->isEnabled()) {
            ShowIdle();
            throw;
        }
        ReportConnectFailure(CliWSocket->LastError());
    }
}

void TpchatForm::ReportConnectFailure(int error)
{
    if (error == platform::WSAECONNREFUSED)
        AddLine("No server available");
    else
        platform::ShowMessage("Can't connect, error #" + std::to_string(error));
}

void TpchatForm::CliWSocketSessionConnected(TCustomWSocket*, std::uint16_t Error)
{
    if (Error != 0) {
        ReportConnectFailure(Error);
        return;
    }
    received.Reset();
    AddLine("Connected");
    AddLine("Use the IP of your friend in 3D trace route to check where are you called from");
    ShowTalking();
}

void TpchatForm::SrvWSocketSessionAvailable(TCustomWSocket*, std::uint16_t)
{
    // Calling counts as busy too: the call under way owns the conversation socket.
    const bool busy = !ConnectButton->isEnabled();
    TWSocket& answering = busy ? *TmpWSocket : *CliWSocket;
    answering.Dup(SrvWSocket->Accept());
    const std::optional<std::string> caller = CallerAddress(answering);
    if (!caller) {
        answering.Close();
        return;
    }
    if (busy) {
        AddLine(QString::fromStdString(">>>> " + *caller + " is trying to call you"));
        TmpWSocket->SendStr("Busy ! Try later...\r\n");
        TmpWSocket->Close();
        return;
    }
    received.Reset();
    ShowTalking();
    AddLine(QString::fromStdString("Connected with " + *caller));
    AddLine(QString::fromStdString("Use " + *caller + " in 3D trace route to check where are you called from"));
}

void TpchatForm::CliWSocketDataAvailable(TCustomWSocket*, std::uint16_t)
{
    const std::int32_t count = CliWSocket->Receive(received.Free(), received.Room());
    if (count <= 0)
        return;
    for (const std::string& line : received.Take(count))
        AddLine(ServerEdit->text() + " > " + PeerText(line));
}

void TpchatForm::SendButtonClick()
{
    std::string text = MessageEdit->text().toStdString();
    std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
    CliWSocket->SendStr(text + "\r\n");
    AddLine("> " + QString::fromStdString(text));
    MessageEdit->clear();
}

void TpchatForm::DisconnectButtonClick()
{
    if (CliWSocket->State() == wsClosed) {
        // Hanging up while the name is still being looked up ends the call there.
        CliWSocket->CancelDnsLookup();
        ShowIdle();
        return;
    }
    CliWSocket->Close();
}

void TpchatForm::CliWSocketSessionClosed(TCustomWSocket*, std::uint16_t)
{
    ShowIdle();
    if (SendButton->isEnabled()) {
        SendButton->setEnabled(false);
        MessageEdit->setEnabled(false);
        AddLine("Disconnected");
    }
}
