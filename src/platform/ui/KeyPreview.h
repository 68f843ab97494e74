#pragma once

#include "platform/ui/VirtualKeys.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;
class QWindow;

namespace platform {

// Lets a window see every key typed into it before the focused control does, as virtual
// keys, and lets the key go on to the control. It listens on the window's native window,
// which gets each key exactly once whichever control has the focus (Qt offers a key the
// control ignores to each parent in turn, so listening on the widgets would see it
// several times), and on the native window of a popup of its own while that holds the
// keyboard (a drop-down list, a tool bar's overflow), which X gives the keys to instead;
// a menu's keys are the menu's. Keys of other windows are left alone, so a viewer's F3 is
// the viewer's, and so are the popups of a dialog it owns. The releases X11 sends for a held
// key are dropped: a held key gives several presses but one release, as on Windows, so a
// key-up command runs once.
class KeyPreview final : public QObject {
public:
    explicit KeyPreview(QWidget* window);

    std::function<void(int key, ShiftState shift)> OnKeyDown;
    std::function<void(int key, ShiftState shift)> OnKeyUp;
    // Asked before each handler: true when the window acts on the key itself, so that the
    // control holding the keyboard gets neither its press nor its release. A popup holding
    // the keyboard is closed by such a press, so that what the key starts is not hidden
    // behind it and the release comes back to the window.
    std::function<bool(int key, ShiftState shift)> TakesKey;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void attach();
    void followFocus(QWindow* focused);
    bool ownsPopup(const QWindow* window) const;

    QPointer<QWidget> window_;
    QPointer<QWindow> handle_;
};

} // namespace platform
