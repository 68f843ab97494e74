#include "platform/ui/Application.h"

#include "platform/ui/ExceptionGuard.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace platform {
namespace {
std::string& title()
{
    static std::string value = "Pelvaxon";
    return value;
}

void fire(const std::function<void()>& handler)
{
    if (handler)
        guarded(handler);
}
} // namespace

const std::string& applicationTitle() { return title(); }
void setApplicationTitle(const std::string& value) { title() = value; }

Application& Application::instance()
{
    // Owned by the application object, so it goes when that goes (tests make one per run).
    static QPointer<Application> current;
    if (!current)
        current = new Application;
    return *current;
}

Application::Application() : QObject(qApp)
{
    // After the call that minimised the window has returned, too: showMinimized() shows the
    // window once its state is set, which would undo hiding it in the tray.
    minimizeHeld_.setSingleShot(true);
    minimizeHeld_.setInterval(250);
    connect(&minimizeHeld_, &QTimer::timeout, this, [this] { TriggerMinimize(); });
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            TriggerActivate();
    });
}

void Application::setMainWindow(QWidget* window)
{
    if (mainWindow_)
        mainWindow_->removeEventFilter(this);
    mainWindow_ = window;
    minimized_ = window && window->isMinimized();
    minimizeHeld_.stop();
    if (window)
        window->installEventFilter(this);
}

bool Application::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == mainWindow_ && event->type() == QEvent::WindowStateChange) {
        const bool minimized = mainWindow_->isMinimized();
        if (minimized && !minimized_) {
            minimized_ = true;
            minimizeHeld_.start();
        } else if (!minimized && minimized_) {
            minimized_ = false;
            // A minimising that did not hold was never reported, so there is nothing to restore.
            if (minimizeHeld_.isActive())
                minimizeHeld_.stop();
            else
                TriggerRestore();
        }
    }
    return false;
}

void Application::Restore()
{
    const unsigned before = restores_;
    if (mainWindow_)
        mainWindow_->setWindowState(mainWindow_->windowState() & ~Qt::WindowMinimized);
    // The state change usually reports the restore itself; a window that was only hidden
    // has none to report.
    if (restores_ == before) {
        minimized_ = false;
        TriggerRestore();
    }
}

void Application::TriggerActivate()
{
    fire(OnActivate);
}
void Application::TriggerMinimize()
{
    fire(OnMinimize);
}
void Application::TriggerRestore()
{
    ++restores_;
    fire(OnRestore);
}

} // namespace platform
