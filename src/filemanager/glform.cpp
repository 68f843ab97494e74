#include "filemanager/glform.h"

#include "filemanager/OpenGLPanel.h"
#include "filemanager/mainfr.h"
#include "platform/fs/CurrentDir.h"
#include "platform/fs/Path.h"
#include "platform/ui/IniFile.h"
#include "platform/ui/Locations.h"
#include "platform/ui/MessageService.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <GL/gl.h>

namespace {

QAction* addOption(QMenu* menu, const char* name, const char* caption, bool checked)
{
    QAction* item = menu->addAction(caption);
    item->setObjectName(name);
    item->setCheckable(true);
    item->setChecked(checked);
    return item;
}

QRadioButton* addModeButton(QWidget* scene, const char* name, const char* caption, int x)
{
    auto* button = new QRadioButton(caption, scene);
    button->setObjectName(name);
    button->setToolTip("for one hand operation");
    button->move(x, 4);
    return button;
}

// The main window's background picture over the whole view, until the scene draws its own.
void drawBackgroundPicture()
{
    if (!MainForm || !MainForm->viewBkgPic || !MainForm->bkgTexture || MainForm->bkgTextureId == 0)
        return;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, MainForm->bkgTextureId);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

} // namespace

Tglfr::Tglfr(QWidget* parent) : QWidget(parent)
{
    setObjectName("glfr");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName("ToolBar1");
    drvComboBox = new QComboBox(ToolBar1);
    drvComboBox->setObjectName("drvComboBox");
    drvComboBox->setToolTip("Select drive (also: CTRL+Drive letter)");
    drvComboBox->addItem("/", QByteArray("/"));
    FilterEdit = new QLineEdit("*.*", ToolBar1);
    FilterEdit->setObjectName("FilterEdit");
    FilterEdit->setToolTip("Filter by filename");
    FilterEdit->setFixedWidth(66);
    dirnameLabel = new QLabel(ToolBar1);
    dirnameLabel->setObjectName("dirnameLabel");
    ToolBar1->addWidget(drvComboBox);
    ToolBar1->addWidget(FilterEdit);
    ToolBar1->addWidget(dirnameLabel);
    layout->addWidget(ToolBar1);

    OpenGLPanel1 = new TOpenGLPanel(this);
    OpenGLPanel1->setObjectName("OpenGLPanel1");
    OpenGLPanel1->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Expanding);
    OpenGLPanel1->OnResize = [](TOpenGLPanel* panel) {
        const qreal ratio = panel->devicePixelRatioF();
        glViewport(0, 0, GLsizei(panel->width() * ratio), GLsizei(panel->height() * ratio));
    };
    OpenGLPanel1->OnPaint = [this](TOpenGLPanel*) {
        glClearColor(bkgcol[0], bkgcol[1], bkgcol[2], 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawBackgroundPicture();
        drawnOnce = true;
    };
    zoomRadioButton = addModeButton(OpenGLPanel1, "zoomRadioButton", "&zoom", 4);
    panRadioButton = addModeButton(OpenGLPanel1, "panRadioButton", "&pan", 64);
    rotateRadioButton = addModeButton(OpenGLPanel1, "rotateRadioButton", "&rotate", 118);
    panRadioButton->setChecked(true);
    // Readable on the dark scene.
    for (QRadioButton* button : {zoomRadioButton, panRadioButton, rotateRadioButton}) {
        QPalette light = button->palette();
        light.setColor(QPalette::WindowText, Qt::white);
        button->setPalette(light);
    }
    layout->addWidget(OpenGLPanel1, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    layout->addWidget(StatusBar1);

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

    // The font is read before the scene exists, since the scene's text is made from it.
    Font2D_Type = ReadPanelFont(platform::IniFile(platform::settingsFilePath()));
    RefreshListing(false);
}

void Tglfr::RefreshListing(bool repaint)
{
    dirPath = platform::CurrentDir();
    dirnameLabel->setText(QFile::decodeName(dirPath.c_str()));
    if (repaint)
        RepaintScene();
}

void Tglfr::RepaintScene()
{
    OpenGLPanel1->update();
}

void Tglfr::SelectDriveOf(const std::string& path)
{
    int best = -1;
    std::size_t bestLength = 0;
    for (int i = 0; i < drvComboBox->count(); ++i) {
        const std::string root = drvComboBox->itemData(i).toByteArray().toStdString();
        if (platform::IsAncestorOrSame(root, path) && (best < 0 || root.size() > bestLength)) {
            best = i;
            bestLength = root.size();
        }
    }
    if (best >= 0)
        drvComboBox->setCurrentIndex(best);
}

void Tglfr::FormClose()
{
    OpenGLPanel1->MakeOpenGLPanelNotCurrent();
}

bool Tglfr::ChangeToListingDir()
{
    if (platform::ChangeDir(dirPath))
        return true;
    platform::ShowMessage("cannot change to current dir: " + dirPath);
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

void Tglfr::displaynames2Click() { Toggle(dspnam, displaynames2); }
void Tglfr::sizeasheightClick() { Toggle(dspsizasheight, sizeasheight); }
void Tglfr::size1Click() { Toggle(dspsiz, size1); }
void Tglfr::date1Click() { Toggle(dspdat, date1); }
void Tglfr::attributes1Click() { Toggle(dspatr, attributes1); }
void Tglfr::directorytree2Click() { Toggle(dirtreevisible, directorytree2); }
void Tglfr::directorysize1Click() { Toggle(dirsizevisible, directorysize1); }
void Tglfr::reversesort1Click() { Toggle(reversesort, reversesort1); }
