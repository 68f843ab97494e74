#include "platform/win/MessagePump.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace platform {
namespace {

std::atomic<bool> quitSeen{false};

// aboutToQuit is the quit message: connected once, on the first question.
void watchQuit()
{
    static const bool connected = [] {
        if (QCoreApplication* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, [] { quitSeen = true; });
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
