// Picking in a panel's scene: what a click hits, what it says of it, and opening it.
#include "filemanager/OpenGLPanel.h"
#include "filemanager/PanelHost.h"
#include "filemanager/PanelNavigation.h"
#include "filemanager/glform.h"
#include "platform/base/Exception.h"
#include "platform/fs/CurrentDir.h"
#include "platform/fs/Path.h"
#include "platform/shell/FileIcon.h"
#include "platform/shell/Launcher.h"
#include "platform/ui/MessageService.h"

#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>

#include <GL/glu.h>

#include <algorithm>

namespace {

void LoadPerspective(const GLint viewport[4])
{
    gluPerspective(45.0, viewport[3] > 0 ? double(viewport[2]) / viewport[3] : double(viewport[2]), 1.0, 256.0);
}

} // namespace

std::string Tglfr::ShownDirectory() const
{
    return platform::WithTrailingSeparator(dir.path);
}

void Tglfr::OpenGLPanel1MouseUp(Qt::MouseButton button, platform::ShiftState shift, int x, int y)
{
    tree.lastHit = 0;
    tree.pickedNode = nullptr;
    if (dblClickSeen) {
        dblClickSeen = false;
        return;
    }
    host.SetTitle("Pelvaxon");
    if (pickCount <= 0)
        return;
    const std::string directory = ShownDirectory();
    if (IsDrag(downX, downY, x, y)) {
        // The labels come back once the drag has ended, not at the next move.
        dragMode = dragNone;
        host.SetTitle("Pelvaxon - " + directory);
        return;
    }
    dragMode = dragNone;
    if (presetIndex == -1) {
        if (glReady && OpenGLPanel1->MakeOpenGLPanelCurrent()) {
            presetIndex = PickAt(x, y);
            OpenGLPanel1->MakeOpenGLPanelNotCurrent();
        }
    }
    const int hit = presetIndex;
    const int entryCount = int(dir.entries.size());
    std::string status = directory;
    if (hit >= 0 && hit < entryCount) {
        ff& entry = *dir.entries[std::size_t(hit)];
        tree.lastHit = 1;
        if (shift.shift || button == Qt::RightButton)
            entry.selected = !entry.selected;
        for (auto& other : dir.entries)
            other->current = false;
        entry.current = true;
        ShowLastIcon(entry, directory);
        status = directory + ClickedEntryText(entry, QLocale());
    } else if (hit >= entryCount && hit < pickCount) {
        status.assign(1, ' ');
        if (Tdirblock* node = tree.treeRoot ? tree.FindTreeNodeByIndex(hit, entryCount) : nullptr) {
            status = tree.ClickTreeNode(*node);
            // Reading the node's children changed the process's directory.
            platform::ChangeDir(dir.path);
        }
    }
    if (StatusBar1->isVisibleTo(this))
        StatusBar1->showMessage(QFile::decodeName(QByteArray::fromStdString(status)));
    host.SetTitle("Pelvaxon - " + status);
    RepaintScene();
    presetIndex = -1;
}

void Tglfr::ShowLastIcon(const ff& entry, const std::string& directory)
{
    Image1->clear();
    if (entry.IsDirectory()) {
        lasticonPanel->hide();
        return;
    }
    const QPixmap icon = platform::FileIcon(directory + entry.name);
    if (!icon.isNull()) {
        Image1->setPixmap(icon);
        Image1->resize(icon.size());
        lasticonPanel->resize(icon.size());
    }
    lasticonPanel->setVisible(!icon.isNull() && showLastIcon);
}

int Tglfr::PickAt(int x, int y)
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPickMatrix(x, viewport[3] - y, 1.0, 1.0, viewport);
    LoadPerspective(viewport);
    // Sized for every name this frame can hand out, so a large listing seen edge-on fits.
    const int names = std::max(pickCount, SceneObjectCount());
    selectBuffer.assign(SelectBufferWords(names), 0);
    glSelectBuffer(GLsizei(selectBuffer.size()), selectBuffer.data());
    glRenderMode(GL_SELECT);
    glInitNames();
    glPushName(GLuint(-1));
    DrawScene(GL_SELECT);
    glFlush();
    const int result = NearestHit(glRenderMode(GL_RENDER));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    LoadPerspective(viewport);
    glMatrixMode(GL_MODELVIEW);
    return result;
}

int Tglfr::NearestHit(int hits)
{
    return ::NearestHit(selectBuffer, hits);
}

void Tglfr::OpenGLPanel1DblClick()
{
    dblClickSeen = true;
    if (tree.lastHit == 0)
        return;
    ChangeToListingDir();
    if (tree.lastHit == 1) {
        OpenCursorEntry();
    } else if (tree.lastHit == 2 && tree.pickedNode) {
        const TreeMarkMove move = tree.DoubleClickTreeNode(*tree.pickedNode);
        tranx -= move.dx;
        trany -= move.dz;
        GoToDirectory(move.path);
    }
}

void Tglfr::OpenCursorEntry()
{
    const auto cursor = std::find_if(dir.entries.begin(), dir.entries.end(), [](const auto& e) { return e->current; });
    if (cursor == dir.entries.end())
        return;
    // Copies: the refresh frees the entries.
    const std::string name = (*cursor)->name;
    const std::string path = platform::JoinPath(dir.path, name);
    if (!(*cursor)->IsDirectory()) {
        try {
            platform::launcher().openDocument(path);
        } catch (const platform::Exception& error) {
            platform::ShowMessage(error.what());
        }
        ChangeToListingDir();
        RefreshListing(true);
        return;
    }
    if (!platform::ChangeDir(path)) {
        platform::ShowMessage("cannot change to dir: " + name);
        return;
    }
    GoToDirectory(platform::CurrentDir());
}
