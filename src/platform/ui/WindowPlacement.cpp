#include "platform/ui/WindowPlacement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace platform {
namespace {

// Set on a window once it has been placed over its owner: from then on it is where the user
// leaves it.
constexpr char placedOverOwner[] = "placedOverOwner";

QRect AvailableArea(const QWidget* window)
{
    const QScreen* screen = window && window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

// The frame the window manager put around a window: none before it is shown, nor without one.
QMargins FrameMargins(const QWidget& window)
{
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

// The rectangle moved inside the area, its top left corner kept inside when it is too large.
QRect Inside(QRect rect, const QRect& area)
{
    rect.moveLeft(std::max(area.left(), std::min(rect.left(), area.right() + 1 - rect.width())));
    rect.moveTop(std::max(area.top(), std::min(rect.top(), area.bottom() + 1 - rect.height())));
    return rect;
}

// Once the window manager has framed the window, pulls it inside the available area, smaller
// where it must be; the frame it was placed by was the owner's, not yet its own.
class FitOnceFramed final : public QObject {
public:
    explicit FitOnceFramed(QWidget& window) : QObject(&window), window_(window) { window.installEventFilter(this); }

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::Move && event->type() != QEvent::Resize)
            return false;
        const QMargins frame = FrameMargins(window_);
        if (frame.isNull())
            return false;
        window_.removeEventFilter(this);
        deleteLater();
        const QRect area = AvailableArea(&window_);
        const QSize client = window_.size().boundedTo(area.size().shrunkBy(frame)).expandedTo(QSize(1, 1));
        const QRect placed = Inside(QRect(window_.frameGeometry().topLeft(), client.grownBy(frame)), area);
        if (client != window_.size())
            window_.resize(client);
        if (placed.topLeft() != window_.frameGeometry().topLeft())
            window_.move(placed.topLeft());
        return false;
    }

private:
    QWidget& window_;
};

} // namespace

void FixSizeAndCentre(QWidget& window)
{
    window.setFixedSize(window.size());
    Centre(window);
}

void Centre(QWidget& window)
{
    const QRect area = AvailableArea(&window);
    if (area.isNull())
        return;
    QRect frame(QPoint(), window.size());
    frame.moveCenter(area.center());
    window.move(frame.topLeft());
}

void ShowOverOwner(QWidget& window, const QWidget* owner)
{
    const QWidget* top = owner ? owner->window() : nullptr;
    if (top && top->isVisible() && top->windowHandle() && !window.property(placedOverOwner).toBool()) {
        window.setProperty(placedOverOwner, true);
        window.setWindowFlags(Qt::Dialog | (window.windowFlags() & ~Qt::WindowType_Mask));
        window.winId();
        window.windowHandle()->setTransientParent(top->windowHandle());
        // A window made already is placed by its client area, which the manager leaves where it is.
        const QMargins margins = FrameMargins(*top);
        QRect frame(QPoint(), window.size().grownBy(margins));
        frame.moveCenter(top->frameGeometry().center());
        window.move(Inside(frame, AvailableArea(top)).topLeft() + QPoint(margins.left(), margins.top()));
        new FitOnceFramed(window);
    }
    window.show();
    window.raise();
    window.activateWindow();
}

QSize AvailableClientSize(const QWidget* owner)
{
    const QWidget* top = owner ? owner->window() : nullptr;
    const QMargins frame = top && top->isVisible() ? FrameMargins(*top) : QMargins();
    return AvailableArea(top).size().shrunkBy(frame).expandedTo(QSize(1, 1));
}

} // namespace platform
