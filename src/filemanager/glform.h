#pragma once

#include "filemanager/Settings.h"

#include <QColor>
#include <QWidget>

#include <string>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QRadioButton;
class QStatusBar;
class QToolBar;
class TOpenGLPanel;

// A file panel as far as the main window and the settings file know it: its header with
// the drive list and the filter, the scene area, the status line, the popup menu's sort
// and display items, and the options, camera and colours the settings keep. The scene
// itself is not drawn yet: its OpenGL view shows the background colour and picture.
class Tglfr : public QWidget {
public:
    explicit Tglfr(QWidget* parent);

    QToolBar* ToolBar1 = nullptr;
    QComboBox* drvComboBox = nullptr;
    QLineEdit* FilterEdit = nullptr;
    QLabel* dirnameLabel = nullptr;
    TOpenGLPanel* OpenGLPanel1 = nullptr;
    QRadioButton* zoomRadioButton = nullptr;
    QRadioButton* panRadioButton = nullptr;
    QRadioButton* rotateRadioButton = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QMenu* PopupMenu1 = nullptr;
    QAction* displaynames2 = nullptr;
    QAction* sizeasheight = nullptr;
    QAction* size1 = nullptr;
    QAction* date1 = nullptr;
    QAction* attributes1 = nullptr;
    QAction* directorytree2 = nullptr;
    QAction* directorysize1 = nullptr;
    QAction* byname2 = nullptr;
    QAction* byextension2 = nullptr;
    QAction* bysize2 = nullptr;
    QAction* bydate2 = nullptr;
    QAction* reversesort1 = nullptr;

    int attrMask = 0x27;
    Tglfr* otherPanel = nullptr;
    bool showLastIcon = false;
    bool dspnam = true;
    bool dspsiz = false;
    bool dspdat = false;
    bool dspatr = false;
    bool reversesort = false;
    bool dspsizasheight = false;
    bool dirtreevisible = false;
    bool dirsizevisible = false;
    double rotx = 0.0;
    double roty = 0.0;
    double tranx = 0.0;
    double trany = 0.0;
    double tranz = 0.0;
    int dragMode = 0;
    bool labelsSuppressed = false;
    bool drawingSuppressed = false;
    bool active = false;
    float bkgcol[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float filplancol[4] = {0.5607843f, 0.7372549f, 0.5607843f, 0.44f};
    float selcol[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    QColor actcol{152, 226, 245};
    bool drawnOnce = false;
    // The 2D font of the scene, read from the settings before the scene exists.
    PanelFontSettings Font2D_Type;

    // The listing's directory.
    const std::string& DirPath() const { return dirPath; }
    void SetDirPath(const std::string& path) { dirPath = path; }
    // Makes the listing's directory the process's current one; when it cannot, says so
    // with "cannot change to current dir: " and the path, and gives false.
    bool ChangeToListingDir();

    void SetOtherPanel(Tglfr* other) { otherPanel = other; }
    // Reads the process's current directory as the listing and repaints when asked.
    void RefreshListing(bool repaint);
    void RepaintScene();
    // Selects the drive list's item of the drive that holds path, if there is one.
    void SelectDriveOf(const std::string& path);
    void FormClose();

    void FilterEditChange();
    void displaynames2Click();
    void sizeasheightClick();
    void size1Click();
    void date1Click();
    void attributes1Click();
    void directorytree2Click();
    void directorysize1Click();
    void reversesort1Click();

private:
    // Flips a display option, repaints, and shows it in its menu item.
    void Toggle(bool& option, QAction* item);

    std::string dirPath;
};
