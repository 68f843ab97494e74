#pragma once

#include "filemanager/Dirbloc.h"
#include "filemanager/PanelBlocks.h"
#include "filemanager/dir.h"
#include "platform/fs/DriveList.h"
#include "platform/gl/BitmapTextBatch.h"
#include "platform/gl/OutlineTextBatch.h"
#include "platform/gl/ViewVolume.h"
#include "platform/ui/VirtualKeys.h"

#include <GL/gl.h>
#include <QColor>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class PanelHost;
class QAction;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QLocale;
class QMenu;
class QRadioButton;
class QStatusBar;
class QToolButton;
class TOpenGLPanel;
namespace Ui {
class glfr;
}

// A file panel: one directory listing and the directory tree of its drive, shown as a 3D
// scene of coloured blocks on a grid, labelled, above a translucent file plane and in front
// of the background picture, with the tree beside the grid. Frames are drawn on request
// only; the same frame in select mode is the pick pass. The window holding the panel is
// its PanelHost.
class Tglfr : public QWidget {
public:
    Tglfr(QWidget* parent, PanelHost& host);
    ~Tglfr() override;

    // Components of the stored form.
    QFrame* ToolBar1 = nullptr;
    QComboBox* drvComboBox = nullptr;
    QLineEdit* FilterEdit = nullptr;
    QToolButton* rootSpeedButton = nullptr;
    QToolButton* parentSpeedButton = nullptr;
    QToolButton* AttrSpeedButton = nullptr;
    QLabel* dirnameLabel = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    TOpenGLPanel* OpenGLPanel1 = nullptr;
    QRadioButton* zoomRadioButton = nullptr;
    QRadioButton* panRadioButton = nullptr;
    QRadioButton* rotateRadioButton = nullptr;
    QFrame* lasticonPanel = nullptr;
    QLabel* Image1 = nullptr;
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
    // Items of commands made elsewhere; disabled until Wire connects them.
    QAction* invertselection1 = nullptr;
    QAction* setattributes1 = nullptr;
    QAction* resetview1 = nullptr;
    QAction* doswin = nullptr;
    QAction* ZIP1 = nullptr;
    QAction* unZIP1 = nullptr;
    QAction* mapnetworkdrive1 = nullptr;
    QAction* unmapnetworkdrive1 = nullptr;

    PanelHost& host;
    platform::DriveList drives; // made from the host's mount source
    Tdir dir; // the listing
    TDirTree tree; // the directory tree of the listing's drive
    TBlockMeshes blockMeshes;

    int attrMask = 0x27;
    std::vector<GLuint> selectBuffer = std::vector<GLuint>(5000);
    bool glReady = false;
    bool dblClickSeen = false;
    int pickCount = 0; // pick names handed out by the last frame: entries, then tree nodes
    int mouseX = 0, mouseY = 0, prevMouseX = 0, prevMouseY = 0, downX = 0, downY = 0;
    Tglfr* otherPanel = nullptr;
    bool painting = false;
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
    int presetIndex = -1;
    int gridColumns = 10; // of the last frame
    bool labelsSuppressed = false;
    bool drawingSuppressed = false;
    bool active = false;
    float bkgcol[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float filplancol[4] = {0.5607843f, 0.7372549f, 0.5607843f, 0.44f};
    float selcol[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    QColor actcol{152, 226, 245};
    bool refreshingSibling = false;
    std::string shownPath; // the directory of the last listing read
    std::string unreadableReported; // the unreadable directory already reported, "" when none
    bool drawnOnce = false; // the last frame got through all entries

    // The listing's directory.
    const std::string& DirPath() const { return dir.path; }
    void SetDirPath(const std::string& path) { dir.path = path; }
    // Makes the listing's directory the process's current one; when it cannot, says so
    // with "cannot change to current dir: " and the path, and gives false. A directory the
    // panel showed that can no longer be entered gives way to its nearest ancestor that can.
    bool ChangeToListingDir();

    void SetOtherPanel(Tglfr* other) { otherPanel = other; }
    // Makes this the panel the command bar acts on, or not: the active panel's status bar
    // shows actcol and its blocks are coloured, the other's are grey. Repaints.
    void SetActive(bool on);
    // Reads the process's current directory as the listing, sorts it, rebuilds the tree and
    // repaints when asked; with a repaint, a sibling showing this directory or one below it is
    // refreshed too. A directory that cannot be read shows empty, reported once per visit.
    void RefreshListing(bool repaint);
    // Changes to the directory and shows it, the title and the status line naming it. The
    // path is taken by value: a caller's path may live in a tree node the refresh frees.
    void GoToDirectory(std::string path);
    void RepaintScene();
    // Selects the drive list's item of the drive that holds path, if there is one.
    void SelectDriveOf(const std::string& path);
    // Leaves no context current and frees the listing's entries.
    void FormClose();
    // Connects a popup menu item to its command and enables it.
    void Wire(QAction* item, void (Tglfr::*command)());

    // Tool bar (glformRefresh.cpp).
    void drvComboBoxClick();
    void drvComboBoxKeyUp(int key, platform::ShiftState shift);
    void rootSpeedButtonClick();
    void parentSpeedButtonClick();
    void FilterEditChange();
    void FilterEditClick();
    void AttrSpeedButtonClick();

    // Pointer and keys (glformNav.cpp): pointer positions are device pixels of the scene,
    // keys virtual-key codes; the main window hands the active panel its Tab, Enter, arrows
    // and Insert.
    void OpenGLPanel1MouseDown(Qt::MouseButton button, platform::ShiftState shift, int x, int y);
    void OpenGLPanel1MouseMove(bool leftHeld, int x, int y);
    void OpenGLPanel1KeyDown(int key, platform::ShiftState shift);
    void OpenGLPanel1KeyUp(int key, platform::ShiftState shift);
    // Moves the camera by the pointer's movement since its previous position.
    void ApplyDrag();
    void resetview1Click();
    void invertselection1Click();

    // Picking (glformPick.cpp).
    // A click picks, makes the cursor entry and names it, or opens or closes a tree node; a
    // release after a drag only names the directory; with Shift or the right button a click
    // also marks or unmarks the entry.
    void OpenGLPanel1MouseUp(Qt::MouseButton button, platform::ShiftState shift, int x, int y);
    // Opens what the last click hit: a file with the desktop's program, a directory or a tree
    // node by going there.
    void OpenGLPanel1DblClick();
    // The pick name nearest to the viewer under the pixel, negative when there is none; needs
    // the panel's context current.
    int PickAt(int x, int y);
    int NearestHit(int hits);

    // Popup menu (glformMenu.cpp).
    void byname2Click();
    void byextension2Click();
    void bysize2Click();
    void bydate2Click();
    void reversesort1Click();
    void displaynames2Click();
    void sizeasheightClick();
    void size1Click();
    void date1Click();
    void attributes1Click();
    void directorytree2Click();
    void directorysize1Click();

    // File commands (glformCommands*.cpp). Each works in the listing's directory on the
    // marked entries, where ".." never counts, or on the cursor entry; it copies the names it
    // needs before any dialog, and one that changes files ends with RefreshListing(true).
    // To the trash, or for good when permanent; after one confirmation.
    void DeleteMarked(bool permanent);
    // Into targetDir, normally the sibling's directory; the caller re-reads the sibling.
    void CopyMarked(std::string targetDir);
    void MoveMarked(std::string targetDir);
    // The one marked entry, never onto an existing name.
    void RenameMarked();
    void MakeDirectory();
    // A new viewer of the cursor file in mode 0 text, 1 hex or 2 binary; in mode 0 a
    // picture opens the picture viewer instead.
    void ViewCurrentFile(int mode);
    // The cursor file in the desktop's editor, inside a terminal.
    void EditCurrentFile();
    // Through the find-file dialog to the directory of the file or directory chosen.
    void FindFiles();
    // Items of the popup menu: read-only on or off for the marked entries, the marked
    // entries into a zip archive and one archive unpacked, network locations connected and
    // disconnected, a terminal in the listing's directory.
    void setattributes1Click();
    void ZIP1Click();
    void unZIP1Click();
    void mapnetworkdrive1Click();
    void unmapnetworkdrive1Click();
    void doswinClick();

    // The scene's OpenGL events.
    void OpenGLPanel1PreInit();
    void OpenGLPanel1Init();
    void OpenGLPanel1Resize();
    void OpenGLPanel1Paint();
    void ResetCamera();
    // Model-view matrices of the block grid and of the tree, which lies a right angle further
    // turned about x: a tree point (x, y, z) is the grid point (x, -z, y).
    void ApplyFileViewTransform() const;
    void ApplyTreeViewTransform() const;

    // One frame, mode GL_RENDER or GL_SELECT. In select mode only what can be picked is drawn,
    // the blocks named 0 to n - 1 and the tree nodes after them; the caller has pushed one
    // name (-1) for the background.
    void DrawScene(GLenum renderMode);

private:
    // The names of the marked entries in listing order, ".." left out.
    std::vector<std::string> MarkedNames() const;
    // Full paths of the marked entries.
    std::vector<std::string> MarkedPaths() const;
    // Re-reads the listing after a command changed files and empties the status line.
    void EndFileCommand();
    // Copy or move of the marked entries; the texts tell which.
    void TransferMarked(int (*operation)(const std::vector<std::string>&, const std::string&),
                        const std::string& targetDir, const char* noneMarked, const char* failed);
    void WireFileCommands();
    // The first entry flagged current, null when none.
    const ff* CurrentEntry() const;
    // The terminal program with the arguments, in the listing's directory; a message when
    // there is no terminal.
    void StartInTerminal(const std::vector<std::string>& arguments);
    // After zip or unzip: re-reads the sibling, then this panel, each in its own directory.
    void RefreshSiblingThenThis();
    // The zip dialog, proposing the sibling's directory and the name; the path it ends with
    // OK on, taken in the listing's directory when relative.
    std::optional<std::string> AskZipPath(const std::string& proposedName, const std::string& title);
    // Connects or disconnects a network location, then follows the drive lists.
    void ChangeNetworkLocation(bool connect);

    void FillDriveBox();
    // Routes the scene's mouse events to the pointer handlers (glformNav.cpp).
    void ConnectPointer();
    // Entries plus the tree nodes on view: above largeSceneObjects, drags leave labels out.
    int SceneObjectCount() const;
    // Alt pans, Ctrl rotates, both zoom; else the checked radio button decides.
    int DragModeFor(platform::ShiftState shift) const;
    void MoveCursorEntry(int key);
    // Shows the entry's desktop icon in the corner, when there is one and it is wanted.
    void ShowLastIcon(const ff& entry, const std::string& directory);
    void OpenCursorEntry();
    // The listing's directory with a trailing "/", as status lines show it.
    std::string ShownDirectory() const;
    void ConnectToolBar();
    void BuildPopupMenu();
    // Sorts by every checked order, in the menu's order, with reversesort.
    void SortListing();
    // Checks one sort item and unchecks the others, sorts by it and repaints.
    void SortBy(QAction* item);
    // Flips a display option, repaints, and shows it in its menu item.
    void Toggle(bool& option, QAction* item);
    // Refreshes the sibling when it shows this directory or one below it, unless it is the
    // one refreshing this panel.
    void RefreshSiblingIfConcerned();
    // Changes to the root of the listing's drive or to its parent, then shows it.
    void ChangeAndShow(const std::string& target);

    // Scene parts (glformScene.cpp).
    void DrawBackground();
    // Blocks (glformBlocks.cpp).
    // A block gathered for the frame's batch: its entry, grid cell and height.
    struct BlockToDraw {
        const ff* entry;
        int index;
        double height;
    };
    const BlockMesh& BlockMeshOf(const ff& entry) const;
    void DrawBlock(const ff& entry, double height, int index, GLenum renderMode, bool highlight);
    // Whether any of the block at the cell can be in view.
    bool BlockMayShow(const platform::ViewVolume& view, int index, double height) const;
    void DrawBlockBatch();
    void DrawMeshFaces(const BlockMesh& mesh, const ff* entry, const std::string& name, bool highlight);
    // The faces within the caller's glBegin; a placed block's corners already in the grid's space.
    void EmitMeshFaces(const BlockMesh& mesh, const ff* entry, const std::string& name, bool highlight,
                       const BlockToDraw* placed);
    std::vector<BlockToDraw> blocksToDraw;
    void DrawEntryIcon(const ff& entry, double height, int index);
    void ShowListingStatus(int markedCount, std::int64_t markedBytes);
    void DrawFilePlane();
    void DrawTreeLinkToGrid();
    double GridX(int index) const { return double(index % gridColumns) * 2.0; }
    double GridZ(int index) const { return double(index / gridColumns) * 2.0; }
    // The name whose bytes colour an unmarked block: grey "Z" in the panel that is not active.
    const std::string& ColourName(const std::string& name) const;

    // Labels (glformLabels.cpp): a frame's entry and tree labels are gathered, then drawn at once.
    // Where labels stand: a grid cell, or a tree node's place in the tree's coordinates.
    struct LabelSpot {
        double x, y, z;
        bool tree;
    };
    // The grid's view volume, and how far outline glyphs reach at the font's size.
    struct LabelView {
        const platform::ViewVolume& volume;
        double glyphReach;
    };
    // `view` is the grid's view volume, the one the frame's blocks were culled against.
    void DrawLabels(const platform::ViewVolume& view);
    void DrawEntryLabels(const ff& entry, int index, bool largest, const LabelView& view, const QLocale& locale);
    // Whether any label of the cell can reach the picture; false only for cells wholly out of view.
    bool CellLabelsMayShow(const ff& entry, const LabelSpot& cell, const LabelView& view) const;
    // A label at `point` of the spot, `scale` of the font's point size per em.
    void DrawLabel(const LabelSpot& spot, const std::string& text, const std::array<float, 3>& colour,
                   const std::array<float, 3>& point, float scale);
    void DrawBitmapText(const std::string& text, float x, float y, float z);
    void DrawPathLabel();
    float FontPointSize() const;
    platform::OutlineTextBatch outlineLabels;
    platform::BitmapTextBatch bitmapLabels;

    // The directory tree (glformTree.cpp).
    void DrawTree(GLenum renderMode);
    void DrawTreeNode(const Tdirblock& node, int x, int z, GLenum renderMode);
    void DrawTreeBranches(const Tdirblock& node, GLenum renderMode);
    void DrawTreeLabels(const Tdirblock& node);
    LabelSpot PlaceTreeLabel(int x, int z);
    void DrawTreeNodeLabel(const Tdirblock& node, const LabelSpot& place);
    void SetLineColour(bool highlight) const;

    std::unique_ptr<Ui::glfr> ui;
};
