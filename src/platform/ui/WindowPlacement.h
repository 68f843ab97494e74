#pragma once

#include <QSize>

class QWidget;

namespace platform {

// A dialog with a dialog border: the size of its stored form, which the user cannot
// change, in the middle of the screen's available area.
void FixSizeAndCentre(QWidget& window);
// A window the user may resize, put in the middle of the screen's available area.
void Centre(QWidget& window);

// Shows a window that stays on top while the user works in `owner`'s window (a tool window,
// a viewer), and brings it to the front. The first time, it becomes a dialog of that window's,
// which window managers place, stack and keep with it, centred over it, its frame inside the
// screen's available area (and made smaller once framed, should it not fit); after that it
// shows where the user left it. Without an owner on screen it only shows.
void ShowOverOwner(QWidget& window, const QWidget* owner);

// The largest client area a window shown over `owner` can have with its frame inside the
// screen's available area; the frame is reckoned as the owner's, decorated alike.
QSize AvailableClientSize(const QWidget* owner);

} // namespace platform
