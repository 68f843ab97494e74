#include "filemanager/glform.h"

#include "filemanager/OpenGLPanel.h"
#include "filemanager/PanelHost.h"
#include "platform/fs/CurrentDir.h"
#include "platform/ui/MessageService.h"
#include "ui_glfr.h"

#include <QComboBox>
#include <QFile>
#include <QRadioButton>
#include <QStatusBar>

Tglfr::Tglfr(QWidget* parent, PanelHost& host)
    : QWidget(parent), host(host), drives(host.mountSource), tree(drives), ui(std::make_unique<Ui::glfr>())
{
    ui->setupUi(this);
    ToolBar1 = ui->ToolBar1;
    drvComboBox = ui->drvComboBox;
    FilterEdit = ui->FilterEdit;
    rootSpeedButton = ui->rootSpeedButton;
    parentSpeedButton = ui->parentSpeedButton;
    AttrSpeedButton = ui->AttrSpeedButton;
    dirnameLabel = ui->dirnameLabel;
    StatusBar1 = ui->StatusBar1;
    OpenGLPanel1 = ui->OpenGLPanel1;
    zoomRadioButton = ui->zoomRadioButton;
    panRadioButton = ui->panRadioButton;
    rotateRadioButton = ui->rotateRadioButton;
    lasticonPanel = ui->lasticonPanel;
    Image1 = ui->Image1;
    lasticonPanel->hide();
    // Readable on the dark scene.
    for (QRadioButton* button : {zoomRadioButton, panRadioButton, rotateRadioButton}) {
        QPalette light = button->palette();
        light.setColor(QPalette::WindowText, Qt::white);
        button->setPalette(light);
    }

    OpenGLPanel1->cDepthBits = 24;
    OpenGLPanel1->Font3D_Enabled = true;
    OpenGLPanel1->Font2D_Enabled = true;
    OpenGLPanel1->Font3D_FirstGylph = OpenGLPanel1->Font2D_FirstGylph = 32;
    OpenGLPanel1->Font3D_NumGylph = OpenGLPanel1->Font2D_NumGylph = 223;
    OpenGLPanel1->Font3D_MaxDeviation = 0.1f;
    OpenGLPanel1->Font3D_Extrustion = 0.001f;
    OpenGLPanel1->OnPreInit = [this](TOpenGLPanel*) { OpenGLPanel1PreInit(); };
    OpenGLPanel1->OnInit = [this](TOpenGLPanel*) { OpenGLPanel1Init(); };
    OpenGLPanel1->OnResize = [this](TOpenGLPanel*) { OpenGLPanel1Resize(); };
    OpenGLPanel1->OnPaint = [this](TOpenGLPanel*) { OpenGLPanel1Paint(); };

    BuildPopupMenu();
    WireFileCommands();
    ConnectToolBar();
    ConnectPointer();

    dir.titleBar = &host;
    // The camera and colours are set here and not when the context comes: Qt may make the
    // context after the stored settings were applied, which must not be undone.
    ResetCamera();
    if (!platform::ChangeDir(platform::HomeDirectory()))
        platform::ShowMessage("cannot change to root dir");
    RefreshListing(false);
    FillDriveBox();
}

Tglfr::~Tglfr() = default;

void Tglfr::FillDriveBox()
{
    drvComboBox->clear();
    for (const platform::DriveItem& drive : drives.Items())
        drvComboBox->addItem(QFile::decodeName(QByteArray::fromStdString(drive.text)),
                             QByteArray::fromStdString(drive.root));
    SelectDriveOf(dir.path);
}

void Tglfr::RepaintScene()
{
    OpenGLPanel1->update();
}

void Tglfr::SetActive(bool on)
{
    active = on;
    QPalette colours = StatusBar1->palette();
    colours.setColor(QPalette::Window, on ? actcol : palette().color(QPalette::Button));
    StatusBar1->setPalette(colours);
    RepaintScene();
}

void Tglfr::SelectDriveOf(const std::string& path)
{
    const int drive = drives.DriveOf(path);
    if (drive >= 0 && drive < drvComboBox->count())
        drvComboBox->setCurrentIndex(drive);
}

void Tglfr::FormClose()
{
    OpenGLPanel1->MakeOpenGLPanelNotCurrent();
    dir.ClearEntries();
}
