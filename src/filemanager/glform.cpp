#include "filemanager/glform.h"

#include "filemanager/OpenGLPanel.h"
#include "filemanager/PanelHost.h"
#include "platform/base/Exception.h"
#include "platform/fs/CurrentDir.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/MessageService.h"
#include "ui_glfr.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolButton>

namespace {

QAction* addOption(QMenu* menu, const char* name, const char* caption, bool checked)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setCheckable(true);
    item->setChecked(checked);
    return item;
}

} // namespace

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

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    QMenu* display = PopupMenu1->addMenu("display");
    displaynames2 = addOption(display, "displaynames2", "names", true);
    sizeasheight = addOption(display, "sizeasheight", "size as height", false);
    size1 = addOption(display, "size1", "size", false);
    date1 = addOption(display, "date1", "date", false);
    attributes1 = addOption(display, "attributes1", "attributes", false);
    directorytree2 = addOption(display, "directorytree2", "directory tree", false);
    directorysize1 = addOption(display, "directorysize1", "directory size", false);
    QMenu* sort = PopupMenu1->addMenu("sort");
    byname2 = addOption(sort, "byname2", "by name", true);
    byextension2 = addOption(sort, "byextension2", "by extension", false);
    bysize2 = addOption(sort, "bysize2", "by size", false);
    bydate2 = addOption(sort, "bydate2", "by date", false);
    sort->addSeparator();
    reversesort1 = addOption(sort, "reversesort1", "reverse sort", false);
    OpenGLPanel1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(OpenGLPanel1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(OpenGLPanel1->mapToGlobal(at)); });

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

void Tglfr::RefreshListing(bool repaint)
{
    try {
        dir.ReadDirectory(QFile::encodeName(FilterEdit->text()).toStdString(), attrMask, dirsizevisible);
    } catch (const platform::Exception& error) {
        platform::ShowMessage(error.what());
    }
    SortListing();
    dirnameLabel->setText(QFile::decodeName(QByteArray::fromStdString(dir.path)));
    tree.RebuildDirTree(dir.path);
    if (repaint)
        RepaintScene();
}

void Tglfr::SortListing()
{
    if (byname2->isChecked())
        dir.SortByName(reversesort);
    if (byextension2->isChecked())
        dir.SortByExt(reversesort);
    if (bysize2->isChecked())
        dir.SortBySize(reversesort);
    if (bydate2->isChecked())
        dir.SortByDate(reversesort);
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

bool Tglfr::ChangeToListingDir()
{
    if (platform::ChangeDir(dir.path))
        return true;
    platform::ShowMessage("cannot change to current dir: " + dir.path);
    return false;
}

void Tglfr::FilterEditChange()
{
    ChangeToListingDir();
    RefreshListing(true);
}

void Tglfr::Toggle(bool& option, QAction* item)
{
    option = !option;
    RepaintScene();
    item->setChecked(option);
}

void Tglfr::displaynames2Click()
{
    Toggle(dspnam, displaynames2);
}
void Tglfr::sizeasheightClick()
{
    Toggle(dspsizasheight, sizeasheight);
}
void Tglfr::size1Click()
{
    Toggle(dspsiz, size1);
}
void Tglfr::date1Click()
{
    Toggle(dspdat, date1);
}
void Tglfr::attributes1Click()
{
    Toggle(dspatr, attributes1);
}
void Tglfr::directorytree2Click()
{
    Toggle(dirtreevisible, directorytree2);
}
void Tglfr::directorysize1Click()
{
    Toggle(dirsizevisible, directorysize1);
}
void Tglfr::reversesort1Click()
{
    Toggle(reversesort, reversesort1);
}
