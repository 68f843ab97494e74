#include "platform/win/MessagePump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace platform {
namespace {

std::atomic<bool> quitSeen{false};

// A quit asked for while a waiting loop runs inside the application's own loop sends a Quit
// event; aboutToQuit would come only once every loop inside has returned.
class QuitWatch final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit)
            quitSeen = true;
        return false;
    }
};

// The quit message, watched from the first question on.
void watchQuit()
{
    static const bool connected = [] {
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QObject::connect(app, &QCoreApplication::aboutToQuit, [] { quitSeen = true; });
            auto* watch = new QuitWatch;
            watch->setParent(app);
            app->installEventFilter(watch);
        }
        return true;
    }();
    (void)connected;
}

} // namespace

bool ProcessMessage()
{
    QAbstractEventDispatcher* dispatcher = QThread::currentThread()->eventDispatcher();
    return dispatcher && dispatcher->processEvents(QEventLoop::AllEvents);
}

void ProcessMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void WaitForMessages(int maxWaitMs)
{
    // The timer bounds the wait: a condition the caller polls (a socket's state changed by
    // a plain call, not by a message) is seen again within maxWaitMs.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(maxWaitMs);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool ApplicationTerminated()
{
    watchQuit();
    return quitSeen || QCoreApplication::closingDown() || !QCoreApplication::instance();
}

} // namespace platform
