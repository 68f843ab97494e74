#include "filemanager/mainfr.h"

#include "filemanager/About.h"
#include "filemanager/CommandInProgress.h"
#include "filemanager/MainFormTextureLoader.h"
#include "filemanager/MainIcon.h"
#include "filemanager/OpenGLPanel.h"
#include "filemanager/WebToolsLink.h"
#include "filemanager/glform.h"
#include "icons3d/IconCache.h"
#include "platform/ui/Application.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/IniFile.h"
#include "platform/ui/Locations.h"
#include "platform/ui/MessageService.h"
#include "ui_MainForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QShowEvent>
#include <QSplitter>
#include <QTimer>
#include <QWindow>

#include <GL/glu.h>

#include <algorithm>

TMainForm* MainForm = nullptr;
bool textureReady = false;
GLUquadric* iconQuadric = nullptr;

namespace {

constexpr int minLeftWidth = 15;
constexpr int minRightWidth = 10;

} // namespace

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent), ui(std::make_unique<Ui::MainForm>())
{
    ui->setupUi(this);
    ps = ui->ps;
    ToolBar1 = ui->ToolBar1;
    MainfrMainMenu1 = ui->MainfrMainMenu1;
    buttons1 = ui->buttons1;
    status1 = ui->status1;
    header1 = ui->header1;
    ctrlbuttons1 = ui->ctrlbuttons1;
    lasticonuservisible1 = ui->lasticonuservisible1;
    Draw3Dtextmenu = ui->Draw3Dtextmenu;
    viewfileplane1 = ui->viewfileplane1;
    viewbkgpic1 = ui->viewbkgpic1;
    exit1 = ui->exit1;

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(200);
    connect(Timer1, &QTimer::timeout, this, platform::guard([this] { Timer1Timer(); }));

    trayIcon = MainIcon();
    setWindowIcon(trayIcon);

    InstallKeyDispatch();
    ConnectCommandBar();
    connect(ui->About1, &QAction::triggered, this, platform::guard([this] { About1Click(); }));
    ConnectMenuCommands();

    ConnectSwitch(buttons1, &TMainForm::buttons1Click);
    ConnectSwitch(status1, &TMainForm::status1Click);
    ConnectSwitch(header1, &TMainForm::header1Click);
    ConnectSwitch(ctrlbuttons1, &TMainForm::ctrlbuttons1Click);
    ConnectSwitch(lasticonuservisible1, &TMainForm::lasticonuservisible1Click);
    ConnectSwitch(Draw3Dtextmenu, &TMainForm::Draw3DtextmenuClick);
    ConnectSwitch(viewfileplane1, &TMainForm::viewfileplane1Click);
    ConnectSwitch(viewbkgpic1, &TMainForm::viewbkgpic1Click);
    connect(exit1, &QAction::triggered, this, platform::guard([this] { exit1Click(); }));
    connect(ui->Privatechat1, &QAction::triggered, this, platform::guard([this] { Privatechat1Click(); }));
    connect(ui->FTPserver1, &QAction::triggered, this, platform::guard([this] { FTPserver1Click(); }));
    connect(ui->Tracerouteping1, &QAction::triggered, this, platform::guard([this] { Tracerouteping1Click(); }));
    connect(ui->Draw3Diconmenu, &QAction::triggered, this, platform::guard([this] { Draw3DiconmenuClick(); }));

    iconTextures = std::make_unique<MainFormTextureLoader>(*this);
    iconCache = std::make_unique<IconCache>([this] { return icon3DDir; }, *this, *iconTextures);

    FormCreate();
}

TMainForm::~TMainForm()
{
    delete trayEntry;
    auto& application = platform::Application::instance();
    application.OnActivate = nullptr;
    application.OnMinimize = nullptr;
    application.OnRestore = nullptr;
    application.setMainWindow(nullptr);
    if (iconQuadric) {
        gluDeleteQuadric(iconQuadric);
        iconQuadric = nullptr;
    }
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::FormCreate()
{
    auto& application = platform::Application::instance();
    application.OnActivate = [this] { AppActivate(); };
    application.OnMinimize = [this] { AppMinimize(); };
    application.OnRestore = [this] { AppRestore(); };
    application.setMainWindow(this);
    // Logging out or a quit from elsewhere may end the program without closing the window.
    connect(qApp, &QCoreApplication::aboutToQuit, this, platform::guard([this] { FormClose(); }));
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A spontaneous show is the desktop un-minimising the window, not the program showing it.
    if (!event->spontaneous())
        platform::guarded([this] { FormShow(); });
}

std::string TMainForm::Title() const { return QFile::encodeName(windowTitle()).toStdString(); }

void TMainForm::SetTitle(const std::string& title)
{
    setWindowTitle(QFile::decodeName(QByteArray::fromStdString(title)));
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    platform::guarded([this] { FormClose(); });
    event->accept();
}

void TMainForm::FormShow()
{
    if (firstActivation && !leftPanel) {
        exeDir = platform::programDirectory();
        storedView = ReadViewSettings(platform::IniFile(platform::settingsFilePath()), exeDir);
        bkgFileName = storedView.bkgFileName;
        icon3DDir = storedView.icon3DDir;
        viewbkgpic1->setChecked(!storedView.viewBkgPic);
        viewbkgpic1Click();
        CreatePanels();
        // The panels' OpenGL makes Qt build the window anew, and the new one forgets the state
        // asked of the old (maximised): ask it again before the window is mapped.
        if (QWindow* handle = windowHandle())
            handle->setWindowStates(windowState() & ~Qt::WindowActive);
    }
    // Read again at every showing, a restore from the tray too, so a changed file shows.
    bkgTexture.reset();
    if (viewBkgPic && !bkgFileName.empty())
        bkgTexture = LoadPictureTexture(bkgTextureId, bkgFileName);
    // One quadric for the program's life; it needs no context.
    if (!iconQuadric)
        iconQuadric = gluNewQuadric();
}

void TMainForm::CreatePanels()
{
    const int clientWidth = ps->width();
    leftPanel = new Tglfr(ps, *this);
    rightPanel = new Tglfr(ps, *this);
    leftPanel->SetOtherPanel(rightPanel);
    rightPanel->SetOtherPanel(leftPanel);
    // The left panel keeps its width when the window is resized; the right one takes the rest.
    ps->addWidget(leftPanel);
    ps->addWidget(rightPanel);
    ps->setStretchFactor(0, 0);
    ps->setStretchFactor(1, 1);
    leftPanel->setMinimumWidth(minLeftWidth);
    rightPanel->setMinimumWidth(minRightWidth);
    ps->setSizes({clientWidth / 2, clientWidth - clientWidth / 2});
    for (Tglfr* panel : {leftPanel, rightPanel}) {
        panel->setEnabled(true);
        panel->show();
        panel->OpenGLPanel1->setEnabled(true);
        panel->OpenGLPanel1->show();
    }
}

int TMainForm::psCanResize(int NewSize) const
{
    const int widest = ps->width() - ps->handleWidth() - minRightWidth;
    return std::max(minLeftWidth, std::min(NewSize, widest));
}

void TMainForm::SetLeftPanelWidth(int width)
{
    const int left = psCanResize(width);
    ps->setSizes({left, std::max(minRightWidth, ps->width() - ps->handleWidth() - left)});
}

void TMainForm::AppActivate()
{
    if (firstActivation) {
        firstActivation = false;
        ReadSettings();
        Timer1->start();
        return;
    }
    // A command may hold entries across its dialog: the re-read that frees them waits for its end.
    if (CommandInProgress::Defer([this] { AppActivate(); }))
        return;
    for (Tglfr* panel : {leftPanel, rightPanel}) {
        if (!panel)
            continue;
        panel->ChangeToListingDir();
        panel->RefreshListing(true);
    }
}

void TMainForm::Timer1Timer()
{
    for (Tglfr* panel : {leftPanel, rightPanel}) {
        if (panel && panel->dragMode == 0 && panel->labelsSuppressed) {
            panel->labelsSuppressed = false;
            panel->RepaintScene();
        }
    }
    if (textureReady && leftPanel && rightPanel && leftPanel->drawnOnce && rightPanel->drawnOnce) {
        textureReady = false;
        RepaintPanels();
    }
}

void TMainForm::RepaintPanels()
{
    for (Tglfr* panel : {leftPanel, rightPanel}) {
        if (panel)
            panel->RepaintScene();
    }
}

void TMainForm::About1Click()
{
    if (AboutBox)
        platform::messages().runModal(*AboutBox);
}

bool TMainForm::TrayAvailable() const { return QSystemTrayIcon::isSystemTrayAvailable(); }

void TMainForm::AppMinimize()
{
    if (!TrayAvailable())
        return;
    hide();
    AddTrayIcon();
}

void TMainForm::AddTrayIcon()
{
    if (isVisible() || trayEntry)
        return;
    trayEntry = new QSystemTrayIcon(trayIcon, this);
    trayEntry->setToolTip("Doubleclick to activate");
    connect(trayEntry, &QSystemTrayIcon::activated, this,
            platform::guard([this](QSystemTrayIcon::ActivationReason reason) { TrayIconMessage(reason); }));
    trayEntry->show();
}

void TMainForm::TrayIconMessage(QSystemTrayIcon::ActivationReason reason)
{
    if (reason != QSystemTrayIcon::DoubleClick)
        return;
    // Restored first, and shown by the restore: a window shown while still minimised is
    // mapped iconic and the window manager may keep it so.
    platform::Application::instance().Restore();
}

void TMainForm::AppRestore()
{
    if (!isVisible())
        show();
    raise();
    activateWindow();
    RemoveTrayIcon();
}

void TMainForm::RemoveTrayIcon()
{
    if (!trayEntry)
        return;
    trayEntry->hide();
    // Called from the icon's own signal: it goes once that has returned.
    trayEntry->deleteLater();
    trayEntry = nullptr;
}

void TMainForm::SetModifiers(platform::ShiftState shift)
{
    shiftDown = shift.shift;
    ctrlDown = shift.ctrl;
    altDown = shift.alt;
}

void TMainForm::ClearActiveControl()
{
    if (QWidget* control = focusWidget())
        control->clearFocus();
}

void TMainForm::FormClose()
{
    if (closed)
        return;
    closed = true;
    Timer1->stop();
    // The models' texture names and lists go while the panels' share group still exists.
    iconCache->FreeIconCache();
    platform::IniFile ini(platform::settingsFilePath());
    WriteSettings(ini);
}

void TMainForm::exit1Click()
{
    FormClose();
    QCoreApplication::exit(0);
}

void TMainForm::Privatechat1Click()
{
    if (webTools)
        webTools->ShowChat();
}

void TMainForm::FTPserver1Click()
{
    if (webTools)
        webTools->ShowFtpServer();
}

void TMainForm::Tracerouteping1Click()
{
    if (webTools)
        webTools->ShowTrace();
}
