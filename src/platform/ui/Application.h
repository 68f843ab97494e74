#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <string>

class QWidget;

namespace platform {

// The application's title: the caption of every message box and the main window's title
// base. Set once at start-up by the program entry.
const std::string& applicationTitle();
void setApplicationTitle(const std::string& title);

// The application's own events, for the main window to install its handlers on: the
// program gaining the focus (again), and its main window being minimised and restored.
// Handlers run inside the exception guard. Exists once the QApplication does.
class Application final : public QObject {
public:
    static Application& instance();

    std::function<void()> OnActivate;
    std::function<void()> OnMinimize;
    std::function<void()> OnRestore;

    // The window whose minimising and restoring are the application's. A minimising counts
    // once it has held for a moment: the window manager may report a window it maps again as
    // minimised for an instant.
    void setMainWindow(QWidget* window);
    // Brings the main window back from minimised (or from hidden in the tray) and fires
    // OnRestore.
    void Restore();

    void TriggerActivate();
    void TriggerMinimize();
    void TriggerRestore();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Application();
    QPointer<QWidget> mainWindow_;
    bool minimized_ = false;
    QTimer minimizeHeld_;
    unsigned restores_ = 0;
};

} // namespace platform
