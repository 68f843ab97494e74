#include "platform/ui/KeyPreview.h"

#include "platform/ui/ExceptionGuard.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QWidget>
#include <QWindow>

namespace platform {

KeyPreview::KeyPreview(QWidget* window) : QObject(window), window_(window)
{
    window->installEventFilter(this);
    attach();
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focused) { followFocus(focused); });
}

// The native window comes into being at the first show and is made anew when the
// window's flags change, so follow it.
void KeyPreview::attach()
{
    QWindow* handle = window_ ? window_->windowHandle() : nullptr;
    if (handle == handle_)
        return;
    if (handle_)
        handle_->removeEventFilter(this);
    handle_ = handle;
    if (handle_)
        handle_->installEventFilter(this);
}

// A popup is made once and shown again and again; listening twice is listening once.
void KeyPreview::followFocus(QWindow* focused)
{
    if (focused && ownsPopup(focused))
        focused->installEventFilter(this);
}

// The popup holding the keyboard, when it is one of the window's own and no menu: it opened
// from a control of this window, not from one of a dialog this window owns, whose keys (a
// letter typed into a drop-down list) are the dialog's.
bool KeyPreview::ownsPopup(const QWindow* window) const
{
    const QWidget* popup = QApplication::activePopupWidget();
    if (!handle_ || !popup || popup->windowHandle() != window || qobject_cast<const QMenu*>(popup))
        return false;
    const QWidget* openedFrom = popup->parentWidget();
    return openedFrom && openedFrom->window() == window_;
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_) {
        if (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show)
            attach();
        return false;
    }
    const bool press = event->type() == QEvent::KeyPress;
    if (!press && event->type() != QEvent::KeyRelease)
        return false;
    auto* window = qobject_cast<QWindow*>(watched);
    const bool fromPopup = window != handle_;
    if (!window || (fromPopup && !ownsPopup(window)))
        return false;
    const auto& key = *static_cast<QKeyEvent*>(event);
    if (!press && key.isAutoRepeat())
        return false;
    const int code = toVk(key);
    ShiftState shift = shiftStateOf(key.modifiers());
    // Windows counts a modifier key as held in its own press and as let go in its own
    // release; platforms differ on what they report there.
    if (code == vk::Shift)
        shift.shift = press;
    else if (code == vk::Control)
        shift.ctrl = press;
    else if (code == vk::Menu)
        shift.alt = press;
    // Whether the window takes the key is decided as it comes, before its handler changes
    // what has the focus.
    bool taken = false;
    if (TakesKey)
        guarded([&] { taken = TakesKey(code, shift); });
    auto& handler = press ? OnKeyDown : OnKeyUp;
    if (handler)
        guarded([&] { handler(code, shift); });
    if (taken && press && fromPopup) {
        if (QWidget* popup = QApplication::activePopupWidget())
            popup->close();
    }
    return taken;
}

} // namespace platform
