#include "webtools/trcrt.h"

#include "filemanager/OpenGLPanel.h"
#include "filemanager/Settings.h"
#include "filemanager/mainfr.h"
#include "net/HttpProt.h"
#include "net/Ping.h"
#include "net/WSocketHelpers.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/IniFile.h"
#include "platform/ui/KeyPreview.h"
#include "platform/ui/Locations.h"
#include "platform/win/MessagePump.h"
#include "ui_tracertForm.h"

#include <QComboBox>
#include <QEventLoop>
#include <QLocale>
#include <QShowEvent>

#include <GL/glu.h>

#include <algorithm>

TtracertForm* tracertForm = nullptr;

namespace {

constexpr int MaxHops = 64;

// Shortest general form, up to 15 digits, with the user's decimal separator.
std::string Number(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15).toStdString();
}

} // namespace

TtracertForm::TtracertForm(QWidget* parent) : TtracertForm(std::make_unique<TPing>(), parent) {}

TtracertForm::TtracertForm(std::unique_ptr<TPing> ping, std::string locationUrl, int locationTimeoutMs,
                           QWidget* parent)
    : TtracertForm(std::move(ping), parent)
{
    this->locationUrl = std::move(locationUrl);
    locationUrlGiven = true;
    this->locationTimeoutMs = locationTimeoutMs;
}

TtracertForm::TtracertForm(std::unique_ptr<TPing> ping, QWidget* parent)
    : QWidget(parent), Trace(std::move(ping)), HttpCli1(std::make_unique<THttpCli>()),
      ui(std::make_unique<Ui::tracertForm>())
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    ToolBar1 = ui->ToolBar1;
    HostEdit = ui->HostEdit;
    TraceButton = ui->TraceButton;
    PingButton = ui->PingButton;
    CancelButton = ui->CancelButton;
    globeCheckBox = ui->globeCheckBox;
    traceresultComboBox = ui->traceresultComboBox;
    OpenGLPanel1 = ui->OpenGLPanel1;
    zoomRadioButton = ui->zoomRadioButton;
    panRadioButton = ui->panRadioButton;
    rotateRadioButton = ui->rotateRadioButton;

    OpenGLPanel1->cDepthBits = 24;
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(9);
    OpenGLPanel1->SetFont(font);
    OpenGLPanel1->SetFont3DType(font);
    OpenGLPanel1->Font2D_Enabled = true;
    OpenGLPanel1->Font2D_FirstGylph = 32;
    OpenGLPanel1->Font2D_NumGylph = 223;
    OpenGLPanel1->Font3D_Enabled = true;
    OpenGLPanel1->Font3D_FirstGylph = 32;
    OpenGLPanel1->Font3D_NumGylph = 223;
    OpenGLPanel1->Font3D_MaxDeviation = 0.1f;
    OpenGLPanel1->Font3D_Extrustion = 0.001f;
    OpenGLPanel1->OnInit = [this](TOpenGLPanel*) { OpenGLPanel1Init(); };
    OpenGLPanel1->OnResize = [this](TOpenGLPanel*) { OpenGLPanel1Resize(); };
    OpenGLPanel1->OnPaint = [this](TOpenGLPanel*) { OpenGLPanel1Paint(); };
    OpenGLPanel1->installEventFilter(this);
    HostEdit->installEventFilter(this);

    Trace->SetSize(56);
    Trace->SetTimeout(4000);
    Trace->SetTTL(MaxHops);
    Trace->Setflags(0);
    Trace->OnDnsLookupDone = platform::guard([this](TPing* s, std::uint16_t e) { TraceDnsLookupDone(s, e); });
    Trace->OnEchoReply =
        platform::guard([this](TPing* s, TICMP* i, std::int32_t status) { TraceEchoReply(s, i, status); });

    HttpCli1->LocalAddr = "0.0.0.0";
    HttpCli1->ProxyPort = "80";
    HttpCli1->Agent = "Mozilla/3.0 (compatible, Pelvaxon)";
    HttpCli1->Accept = "image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
    HttpCli1->NoCache = false;
    HttpCli1->ContentTypePost = "application/x-www-form-urlencoded";
    HttpCli1->SetMultiThreaded(false);
    HttpCli1->OnRequestDone = platform::guard(
        [this](THttpCli* s, THttpRequest r, std::uint16_t e) { HttpCli1RequestDone(s, r, e); });

    connect(TraceButton, &QPushButton::clicked, this, platform::guard([this] { TraceButtonClick(); }));
    connect(PingButton, &QPushButton::clicked, this, platform::guard([this] { PingButtonClick(); }));
    connect(CancelButton, &QPushButton::clicked, this, platform::guard([this] { CancelButtonClick(); }));
    connect(globeCheckBox, &QCheckBox::clicked, this, platform::guard([this] { globeCheckBoxClick(); }));
    // Enter traces, as the window's default button; a disabled button ignores the click.
    connect(HostEdit, &QLineEdit::returnPressed, TraceButton, &QPushButton::click);

    keyPreview = new platform::KeyPreview(this);
    keyPreview->OnKeyDown = [this](int key, platform::ShiftState shift) { FormKeyDown(key, shift); };
    keyPreview->OnKeyUp = [this](int key, platform::ShiftState shift) { FormKeyUp(key, shift); };
}

TtracertForm::~TtracertForm()
{
    if (tracertForm == this)
        tracertForm = nullptr;
    if (quadric)
        gluDeleteQuadric(quadric);
}

void TtracertForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        platform::guarded([this] { FormShow(); });
}

void TtracertForm::FormShow()
{
    if (FirstShow) {
        FirstShow = false;
        const platform::IniFile ini(platform::settingsFilePath());
        if (MainForm)
            MainForm->traceLastHost = ini.readString(settings::Tracert, settings::LastHost, settings::DefaultTraceHost);
        globeCheckBox->setChecked(ini.readBool(settings::Tracert, settings::GlobeUsed, true));
        if (!globePicture && globeCheckBox->isChecked() && MainForm)
            globePicture = LoadGlobeTexture(MainForm->exeDir + "earth.jpg");
        ReadLocationSetting(ini);
        LoadLocationCache();
        unlocatedList.clear();
    }
    if (MainForm)
        HostEdit->setText(QString::fromStdString(MainForm->traceLastHost));
    KeepResultListWidth();
}

void TtracertForm::KeepResultListWidth()
{
    traceresultComboBox->resize(std::max(0, width() - traceresultComboBox->x() - 10), traceresultComboBox->height());
}

void TtracertForm::RepaintPanel()
{
    OpenGLPanel1->update();
}

void TtracertForm::AddLine(const std::string& line)
{
    traceresultComboBox->addItem(QString::fromStdString(line));
    traceresultComboBox->setCurrentIndex(traceresultComboBox->count() - 1);
}

void TtracertForm::TraceButtonClick()
{
    StartRun(false);
}

void TtracertForm::PingButtonClick()
{
    StartRun(true);
}

void TtracertForm::StartRun(bool ping)
{
    // The buttons are disabled during a run; this also holds for a click made by program.
    if (HostEdit->text().isEmpty() || running)
        return;
    running = true;
    pingMode = ping;
    cancelRequested = false;
    locationServiceDown = false;
    TraceButton->setEnabled(false);
    PingButton->setEnabled(false);
    traceresultComboBox->clear();
    runHost = HostEdit->text().toStdString();
    if (MainForm)
        MainForm->traceLastHost = runHost;
    try {
        Trace->DnsLookup(runHost);
    } catch (...) {
        EndRun();
        throw;
    }
}

void TtracertForm::EndRun()
{
    running = false;
    sendNext = false;
    TraceButton->setEnabled(true);
    PingButton->setEnabled(true);
}

void TtracertForm::CancelButtonClick()
{
    cancelRequested = true;
    if (locationWait)
        HttpCli1->Abort();
}

void TtracertForm::TraceDnsLookupDone(TPing*, std::uint16_t Error)
{
    // A lookup completes only for a run; one that ends after the run was given up is stale.
    if (!running)
        return;
    hopList.clear();
    if (cancelRequested || platform::ApplicationTerminated()) {
        cancelRequested = false;
        AddLine("Trace cancelled");
        EndRun();
        return;
    }
    if (Error != 0) {
        AddLine("Unknown Host '" + runHost + "'");
        EndRun();
        return;
    }
    Trace->SetAddress(Trace->HostIP());
    Trace->SetTTL(1);
    failedReplies = 0;
    AddLine("Sending " + std::to_string(Trace->Size()) + " bytes to " + runHost + " (" + Trace->HostIP() + ")");
    SendEchoes();
}

void TtracertForm::SendEchoes()
{
    // One echo after the other instead of each from inside the last one's reply handler.
    do {
        sendNext = false;
        replySeen = false;
        std::int32_t status = 0;
        try {
            status = Trace->Ping();
        } catch (...) {
            EndRun();
            throw;
        }
        // An echo refused before it was sent reports nothing; the run must still go on or end.
        if (!replySeen)
            TraceEchoReply(Trace.get(), nullptr, status);
    } while (sendNext && running);
    // A reply handler that failed has been reported; the run ends with it.
    if (running)
        EndRun();
}

void TtracertForm::TraceEchoReply(TPing*, TICMP*, std::int32_t Status)
{
    replySeen = true;
    if (!running)
        return;
    if (cancelRequested || platform::ApplicationTerminated()) {
        cancelRequested = false;
        AddLine("Trace cancelled");
        EndRun();
        return;
    }
    if (Status == 0) {
        ++failedReplies;
        AddLine((pingMode ? "Cannot ping host '" : "Problem tracing host '") + runHost + "': " + Trace->ErrorString());
        // Every further echo would fail at once the same way.
        if (!Trace->EchoPermitted()) {
            AddLine(IcmpNotPermittedLine);
            EndRun();
            RepaintPanel();
            return;
        }
    }
    platform::ProcessMessages();

    // Kept by value: the lookups below run the event loop.
    const platform::IcmpEchoReply reply = Trace->Reply();
    std::string replyAddress;
    if (Status != 0) {
        replyAddress = platform::inet_ntoa(in_addr{reply.Address});
        const std::string host = WSocketResolveIp(replyAddress);
        std::string errorText;
        const HopInfo hop = LookupHopLocation(replyAddress, host, errorText);
        AddHop(hop, reply.RoundTripTime);
        if (!errorText.empty())
            AddLine(errorText);
        if (!hop.fromCache)
            RememberLocation(hop);
    } else if (reply.RoundTripTime > 0 && reply.RoundTripTime < static_cast<std::uint32_t>(Trace->Timeout())) {
        HopInfo anonymous;
        anonymous.rtt = static_cast<int>(reply.RoundTripTime);
        hopList.push_back(anonymous);
    }

    const int ttl = Trace->TTL();
    if (replyAddress != Trace->Address() && ttl < MaxHops) {
        Trace->SetTTL(pingMode ? MaxHops : ttl + 1);
        sendNext = true;
    } else {
        if (ttl < MaxHops)
            AddLine("Host reached");
        else if (!pingMode)
            AddLine("Maximum number of hops reached (64)");
        EndRun();
    }
    RepaintPanel();
}

void TtracertForm::AddHop(const HopInfo& hop, std::uint32_t roundTrip)
{
    std::string line = pingMode ? std::string() : std::to_string(Trace->TTL() - failedReplies) + ": ";
    line += hop.ip + " " + hop.host + " " + std::to_string(roundTrip) + " ms, lat,lon=" + Number(hop.lat) + " "
            + Number(hop.lon) + " city,country=" + hop.city + "," + hop.country;
    AddLine(line);
}

void TtracertForm::globeCheckBoxClick()
{
    if (!globePicture && globeCheckBox->isChecked() && MainForm)
        globePicture = LoadGlobeTexture(MainForm->exeDir + "earth.jpg");
    RepaintPanel();
}
