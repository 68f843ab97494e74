#include "platform/win/MessageWindow.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QtGlobal>

#include <exception>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

namespace platform {
namespace {

QEvent::Type messageEventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

struct MessageEvent : QEvent {
    MessageEvent(UINT msg, WPARAM wParam, LPARAM lParam)
        : QEvent(messageEventType()), msg(msg), wParam(wParam), lParam(lParam)
    {
    }
    const UINT msg;
    const WPARAM wParam;
    const LPARAM lParam;
};

void reportEscapedException() noexcept;

// Qt delivers the posted events of one thread first in, first out, so messages keep their
// posting order, interleaved with the socket notices that are posted the same way.
class MessageWindow : public QObject {
public:
    explicit MessageWindow(WindowProc proc) : proc_(std::make_shared<WindowProc>(std::move(proc))) {}

    // Destroying the object drops its pending events, as messages to a destroyed window are.
    void retire()
    {
        proc_.reset();
        deleteLater();
    }

    bool event(QEvent* e) override
    {
        if (e->type() != messageEventType())
            return QObject::event(e);
        // A local reference keeps the procedure alive when it deallocates its own window.
        const std::shared_ptr<WindowProc> proc = proc_;
        if (!proc)
            return true;
        const auto* message = static_cast<MessageEvent*>(e);
        try {
            (*proc)(message->msg, message->wParam, message->lParam);
        } catch (...) {
            reportEscapedException();
        }
        return true;
    }

private:
    std::shared_ptr<WindowProc> proc_;
};

struct Registry {
    std::mutex lock;
    std::unordered_map<HWND, MessageWindow*> windows;
    HWND lastHandle = 0;
    std::function<void()> escapedHandler;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

void reportEscapedException() noexcept
{
    std::function<void()> handler;
    {
        std::lock_guard guard(registry().lock);
        handler = registry().escapedHandler;
    }
    try {
        if (handler) {
            handler();
            return;
        }
        throw;
    } catch (const std::exception& error) {
        qWarning("Exception in a message handler: %s", error.what());
    } catch (...) {
        qWarning("Unknown exception in a message handler");
    }
}

bool post(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam, int priority)
{
    std::lock_guard guard(registry().lock);
    const auto found = registry().windows.find(wnd);
    if (found == registry().windows.end())
        return false;
    // Under the lock the window cannot be retired, so the object is alive for postEvent,
    // which may be called from any thread.
    QCoreApplication::postEvent(found->second, new MessageEvent(msg, wParam, lParam), priority);
    return true;
}

} // namespace

HWND AllocateHWnd(WindowProc proc)
{
    auto* window = new MessageWindow(std::move(proc));
    std::lock_guard guard(registry().lock);
    Registry& r = registry();
    do
        ++r.lastHandle;
    while (r.lastHandle == 0 || r.windows.count(r.lastHandle));
    r.windows.emplace(r.lastHandle, window);
    return r.lastHandle;
}

void DeallocateHWnd(HWND wnd)
{
    MessageWindow* window = nullptr;
    {
        std::lock_guard guard(registry().lock);
        const auto found = registry().windows.find(wnd);
        if (found == registry().windows.end())
            return;
        window = found->second;
        registry().windows.erase(found);
    }
    // Outside the lock: the procedure's captures may free other windows as they go.
    window->retire();
}

bool PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return post(wnd, msg, wParam, lParam, Qt::NormalEventPriority);
}

bool PostLowPriorityMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return post(wnd, msg, wParam, lParam, Qt::LowEventPriority);
}

bool IsWindow(HWND wnd)
{
    std::lock_guard guard(registry().lock);
    return registry().windows.count(wnd) != 0;
}

void setEscapedExceptionHandler(std::function<void()> handler)
{
    std::lock_guard guard(registry().lock);
    registry().escapedHandler = std::move(handler);
}

} // namespace platform
