#pragma once

#include "filemanager/PanelHost.h"
#include "filemanager/Settings.h"
#include "platform/ui/VirtualKeys.h"

#include <QColor>
#include <QIcon>
#include <QMainWindow>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>
#include <string>

class IconCache;
class MainFormTextureLoader;
class QAction;
class QMenuBar;
class QRadioButton;
class QSplitter;
class QTimer;
class QToolBar;
struct GLUquadric;
class Tglfr;
class TWebToolsLink;
namespace Ui {
class MainForm;
}

// The main window: the two file panels side by side with the splitter between them, the
// command bar below, the menu above; it applies the settings at the first activation,
// re-reads both listings whenever the program regains the focus, finishes deferred
// redraws on its timer, minimises to the tray where there is one, and writes the
// settings once when the program ends. Its caption shows the progress of listings and viewers;
// it is the panels' host.
class TMainForm : public QMainWindow, public PanelHost {
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // Components of the stored form.
    QSplitter* ps = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QTimer* Timer1 = nullptr;
    QMenuBar* MainfrMainMenu1 = nullptr;
    QAction* buttons1 = nullptr;
    QAction* status1 = nullptr;
    QAction* header1 = nullptr;
    QAction* ctrlbuttons1 = nullptr;
    QAction* lasticonuservisible1 = nullptr;
    QAction* Draw3Dtextmenu = nullptr;
    QAction* viewfileplane1 = nullptr;
    QAction* viewbkgpic1 = nullptr;
    QAction* exit1 = nullptr;

    Tglfr* leftPanel = nullptr;
    Tglfr* rightPanel = nullptr;
    bool firstActivation = true;
    bool shiftDown = false;
    bool ctrlDown = false;
    bool altDown = false;
    QIcon trayIcon;
    std::string bkgFileName;
    std::string exeDir;
    std::string traceLastHost;
    std::string icon3DDir;

    // The web-tool windows, once the program entry has made them.
    TWebToolsLink* webTools = nullptr;

    void FormCreate();
    void FormShow();
    // Writes the settings and closes the panels, once however often the program's ways of
    // ending call it.
    void FormClose();
    void AppActivate();
    void AppMinimize();
    void AppRestore();
    // Help > About: the about box, modally.
    void About1Click();
    void Timer1Timer();
    // The width the splitter allows the left panel for a wanted one: never under 15
    // pixels, and never so wide that the right panel gets under 10.
    int psCanResize(int NewSize) const;
    void exit1Click();
    void Privatechat1Click();
    void FTPserver1Click();
    void Tracerouteping1Click();
    void FormKeyDown(int Key, platform::ShiftState Shift);
    void FormKeyUp(int Key, platform::ShiftState Shift);

    // The command bar's buttons, each also run by its key; they act on ActivePanel().
    void renameSpeedButtonClick();
    void ViewSpeedButtonClick();
    void EditSpeedButtonClick();
    // Copy and move go from the active panel (the right one when neither is) into the
    // other's directory, then re-read both.
    void CopyItemsSpeedButtonClick();
    void MoveItemsSpeedButtonClick();
    void makedirSpeedButtonClick();
    // Deletes for good with Shift held, then forgets the Shift.
    void deleteSpeedButtonClick();
    // Compares the two marked files of both panels.
    void CompareSpeedButtonClick();
    void FindSpeedButtonClick();
    // Help > Controls and F1: how the mouse drives the panels.
    void Controls1Click();
    // The left panel if it is active, else the right one if it is, else null.
    Tglfr* ActivePanel() const;

    // What the panels need of the window holding them.
    std::string Title() const override;
    void SetTitle(const std::string& title) override;
    void ClearActiveControl() override;
    void DrawExtensionIcon(Tglfr& panel, const std::string& lext) override;

    // The 3D icons: the models of the extensions drawn so far, and their settings dialog
    // (menu "3D icon"), which may free them so they are read again; both panels repaint.
    std::unique_ptr<MainFormTextureLoader> iconTextures;
    std::unique_ptr<IconCache> iconCache;
    void Draw3DiconmenuClick();

    // The picture file as a texture record, with the loading shown in the caption and the
    // cursor; null, with nothing shown, when it cannot be read.
    std::unique_ptr<myBMPTexture> LoadPictureImage(const std::string& FileName, bool alpha);
    // The picture file uploaded as the texture textureId names in every panel (a new name
    // replaces the old one). A missing file gives null silently; any other failure is
    // reported, gives null and, once the upload was tried, a textureId of 0.
    std::unique_ptr<myBMPTexture> LoadPictureTexture(GLuint& textureId, const std::string& FileName);

    void AddTrayIcon();
    void RemoveTrayIcon();
    void TrayIconMessage(QSystemTrayIcon::ActivationReason reason);

    // The view switches: each toggles its own check, then applies it.
    void buttons1Click();
    void status1Click();
    void header1Click();
    void ctrlbuttons1Click();
    void lasticonuservisible1Click();
    void Draw3DtextmenuClick();
    void viewfileplane1Click();
    void viewbkgpic1Click();

    // The menu's commands on the panels' colours and font, the background picture and the
    // web search page.
    void setbackgroundcolor1Click();
    void setcolorofactivewindow1Click();
    void selectedfilecolor1Click();
    void fileplanecolor1Click();
    void Font1Click();
    void getbkgpict1Click();
    // Asks for a background picture and loads it; true when one was loaded.
    bool ChooseBackgroundPicture();
    void Search1Click();
    // Where the colour dialog starts: the colour last chosen in it.
    QColor ColorDialog1Color{Qt::black};

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    // Whether minimising can hide the window in a tray; without a tray it stays minimised.
    virtual bool TrayAvailable() const;

private:
    void CreatePanels();
    void ConnectSwitch(QAction* item, void (TMainForm::*handler)());
    void ConnectMenuCommands();
    // Whether Ctrl with this key opens a top menu (Ctrl+O, Ctrl+H) instead of naming a drive.
    bool OpensMenu(int key) const;
    // Sets one of the active panel's scene colours to a chosen one with the given alpha.
    void SetPanelColour(float (Tglfr::*colour)[4], float alpha);
    // Asks for a colour starting at the last one chosen, and remembers the choice.
    std::optional<QColor> PickColour();
    void ReadSettings();
    void ApplyPanelSettings(Tglfr& panel, const PanelSettings& stored);
    PanelSettings CapturePanelSettings(const Tglfr& panel) const;
    ViewSettings CaptureViewSettings() const;
    void SetLeftPanelWidth(int width);
    void WriteSettings(platform::IniFile& ini);
    void RepaintPanels();
    void SetModifiers(platform::ShiftState shift);
    void ReadLiveModifiers();
    void ConnectCommandBar();
    void InstallKeyDispatch();
    void ActivationChanged(bool active);
    // A line edit has the keys: the filter box, clicked or tabbed into.
    bool TextFieldFocused() const;
    // An open list of the window (a drive box's) holds the keyboard.
    bool ListHasTheKeys() const;
    // The key is the window's alone: the control with the focus never gets it.
    bool TakesKey(int key, platform::ShiftState shift) const;
    void PassToPanels(int key, platform::ShiftState shift, bool down);
    void SetNavigationMode(QRadioButton* Tglfr::*button, const std::string& name);
    void RunFunctionKey(int key);
    void SelectDriveByKey(int key);
    void TransferMarked(void (Tglfr::*operation)(std::string targetDir));

    std::unique_ptr<Ui::MainForm> ui;
    QSystemTrayIcon* trayEntry = nullptr;
    // The [View] keys as last read: written back for what no panel holds.
    ViewSettings storedView;
    bool closed = false;
};

// The start-up windows of the file manager, reached by everyone through these.
extern TMainForm* MainForm;
// Set when a picture has been uploaded as a texture; the timer repaints both panels.
extern bool textureReady;
// The quadric the 3D icons are drawn with.
extern GLUquadric* iconQuadric;
