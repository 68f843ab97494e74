// Moving through a panel's scene: mouse presses and drags, the keys, and the menu commands
// that reset the view and invert the marks.
#include "filemanager/OpenGLPanel.h"
#include "filemanager/PanelHost.h"
#include "filemanager/PanelNavigation.h"
#include "filemanager/glform.h"
#include "platform/ui/ExceptionGuard.h"

#include <QMenu>
#include <QMouseEvent>
#include <QRadioButton>

namespace {

// Hands the scene's mouse events to the panel in the order its handlers expect: a double
// click is the double-click handler followed by a press, and the right button's release
// opens the popup menu after it has marked.
class PointerEvents : public QObject {
public:
    explicit PointerEvents(Tglfr& panel) : QObject(panel.OpenGLPanel1), panel_(panel)
    {
        panel.OpenGLPanel1->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease
            && type != QEvent::MouseButtonDblClick)
            return false;
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const qreal ratio = panel_.OpenGLPanel1->devicePixelRatioF();
        const int x = int(mouse->position().x() * ratio);
        const int y = int(mouse->position().y() * ratio);
        const platform::ShiftState shift = platform::shiftStateOf(mouse->modifiers());
        const Qt::MouseButton button = mouse->button();
        const QPoint at = mouse->globalPosition().toPoint();
        platform::guarded([&] {
            switch (type) {
            case QEvent::MouseButtonDblClick:
                panel_.OpenGLPanel1DblClick();
                panel_.OpenGLPanel1MouseDown(button, shift, x, y);
                break;
            case QEvent::MouseButtonPress:
                panel_.OpenGLPanel1MouseDown(button, shift, x, y);
                break;
            case QEvent::MouseMove:
                panel_.OpenGLPanel1MouseMove(mouse->buttons().testFlag(Qt::LeftButton), x, y);
                break;
            default:
                panel_.OpenGLPanel1MouseUp(button, shift, x, y);
                if (button == Qt::RightButton)
                    panel_.PopupMenu1->popup(at);
            }
        });
        return true;
    }

private:
    Tglfr& panel_;
};

int VisibleNodes(const Tdirblock& node)
{
    int count = 1;
    if (node.expanded)
        for (const auto& child : node.children)
            count += VisibleNodes(*child);
    return count;
}

bool IsArrow(int key)
{
    namespace vk = platform::vk;
    return key == vk::Left || key == vk::Right || key == vk::Up || key == vk::Down;
}

} // namespace

void Tglfr::ConnectPointer()
{
    // Without the buttons held, a move ends the drag mode, so the labels come back.
    OpenGLPanel1->setMouseTracking(true);
    new PointerEvents(*this);
}

int Tglfr::SceneObjectCount() const
{
    const int entries = int(dir.entries.size());
    return dirtreevisible && tree.treeRoot ? entries + VisibleNodes(*tree.treeRoot) : entries;
}

void Tglfr::OpenGLPanel1MouseDown(Qt::MouseButton, platform::ShiftState shift, int x, int y)
{
    host.filterEditFocused = false;
    host.ClearActiveControl();
    SetActive(true);
    if (otherPanel && otherPanel->active)
        otherPanel->SetActive(false);
    downX = mouseX = x;
    downY = mouseY = y;
    dragMode = DragModeFor(shift);
}

int Tglfr::DragModeFor(platform::ShiftState shift) const
{
    const int fromKeys = DragModeFromKeys(shift.alt, shift.ctrl);
    if (fromKeys != dragNone)
        return fromKeys;
    return panRadioButton->isChecked()      ? dragPan
           : rotateRadioButton->isChecked() ? dragRotate
           : zoomRadioButton->isChecked()   ? dragZoom
                                            : dragNone;
}

void Tglfr::OpenGLPanel1MouseMove(bool leftHeld, int x, int y)
{
    if (dragMode == dragNone || !leftHeld) {
        dragMode = dragNone;
        return;
    }
    if (SceneObjectCount() > largeSceneObjects)
        labelsSuppressed = true;
    prevMouseX = mouseX;
    prevMouseY = mouseY;
    mouseX = x;
    mouseY = y;
    ApplyDrag();
    RepaintScene();
}

void Tglfr::ApplyDrag()
{
    DragCamera(dragMode, mouseX - prevMouseX, mouseY - prevMouseY, {rotx, roty, tranx, trany, tranz});
}

void Tglfr::OpenGLPanel1KeyDown(int key, platform::ShiftState shift)
{
    namespace vk = platform::vk;
    if (dir.entries.empty())
        return;
    if (!shift.shift) {
        dragMode = DragModeFor(shift);
        if (IsArrow(key) && SceneObjectCount() > largeSceneObjects)
            labelsSuppressed = true;
    }
    prevMouseX = mouseX;
    prevMouseY = mouseY;
    if (key == vk::Return) {
        tree.lastHit = 1;
        OpenGLPanel1DblClick();
        dblClickSeen = false;
    } else if (IsArrow(key) && !shift.shift) {
        mouseX += key == vk::Left ? -8 : key == vk::Right ? 8 : 0;
        mouseY += key == vk::Up ? -8 : key == vk::Down ? 8 : 0;
        ApplyDrag();
    } else if (key == vk::Insert) {
        for (auto& entry : dir.entries)
            if (entry->current) {
                entry->selected = !entry->selected;
                break;
            }
    }
    RepaintScene();
    if (shift.shift && IsArrow(key))
        MoveCursorEntry(key);
}

void Tglfr::MoveCursorEntry(int key)
{
    int current = -1;
    for (std::size_t i = 0; i < dir.entries.size(); ++i)
        if (dir.entries[i]->current) {
            current = int(i);
            dir.entries[i]->current = false;
            break;
        }
    const int next = MovedCursor(current, key, int(dir.entries.size()), gridColumns);
    dir.entries[std::size_t(next)]->current = true;
    presetIndex = next;
    OpenGLPanel1MouseUp(Qt::LeftButton, {}, downX, downY);
    presetIndex = -1;
}

void Tglfr::OpenGLPanel1KeyUp(int, platform::ShiftState)
{
    dragMode = dragNone;
}

void Tglfr::resetview1Click()
{
    ResetCamera();
    RepaintScene();
}

void Tglfr::invertselection1Click()
{
    // The parent is never a target of the commands that act on the marks.
    for (auto& entry : dir.entries)
        entry->selected = entry->name != ".." && !entry->selected;
    RepaintScene();
}
