#include "gif/GIFHandOffWindow.h"

#include "gif/GIFHandOff.h"
#include "gif/GIFPainter.h"
#include "platform/win/MessagePump.h"
#include "platform/win/MessageWindow.h"

#include <QCoreApplication>

#include <vector>

namespace {

// User-interface thread only.
std::vector<std::weak_ptr<TGIFPainter>>& LivePainters()
{
    static std::vector<std::weak_ptr<TGIFPainter>> painters;
    return painters;
}

void InstallWake()
{
    const platform::HWND window =
        platform::AllocateHWnd([](platform::UINT, platform::WPARAM, platform::LPARAM) { GifHandOffs().Serve(); });
    GifHandOffs().SetWake([window] { platform::PostMessage(window, platform::WM_USER, 0, 0); });
    if (auto* application = QCoreApplication::instance())
        QObject::connect(application, &QCoreApplication::aboutToQuit, [] { GifStopAllPainters(); });
}

} // namespace

void GifRegisterPainter(const std::shared_ptr<TGIFPainter>& painter)
{
    if (!GifHandOffs().HasWake())
        InstallWake();
    auto& painters = LivePainters();
    std::erase_if(painters, [](const auto& p) { return p.expired(); });
    painters.push_back(painter);
}

void GifStopAllPainters()
{
    for (const auto& weak : LivePainters())
        if (const auto painter = weak.lock())
            painter->Stop();
    LivePainters().clear();
    GifHandOffs().ServeUntilThreadsLeft();
}

bool PumpPainterMessages()
{
    platform::ProcessMessages();
    return !platform::ApplicationTerminated();
}
