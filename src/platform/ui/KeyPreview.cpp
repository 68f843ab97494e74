#include "platform/ui/KeyPreview.h"

#include "platform/ui/ExceptionGuard.h"

#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace platform {

KeyPreview::KeyPreview(QWidget* window) : QObject(window), window_(window)
{
    window->installEventFilter(this);
    attach();
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

bool KeyPreview::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_) {
        if (event->type() == QEvent::WinIdChange || event->type() == QEvent::Show)
            attach();
        return false;
    }
    const bool press = event->type() == QEvent::KeyPress;
    if (watched != handle_ || (!press && event->type() != QEvent::KeyRelease))
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
    auto& handler = press ? OnKeyDown : OnKeyUp;
    if (handler)
        guarded([&] { handler(code, shift); });
    return false;
}

} // namespace platform
