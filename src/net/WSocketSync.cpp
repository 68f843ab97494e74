#include "net/WSocketSync.h"

#include "platform/win/MessagePump.h"

#include <QElapsedTimer>

#include <algorithm>

using namespace platform;

namespace {

constexpr std::int32_t timedOut = 12001;
// The wait sleeps until a message comes, or this long at most.
constexpr std::int64_t waitSliceMs = 50;

} // namespace

std::int32_t TCustomSyncWSocket::WaitUntilReady(bool& DoneFlag)
{
    QElapsedTimer clock;
    clock.start();
    while (!DoneFlag) {
        if (timeoutMs_ > 0 && clock.elapsed() >= timeoutMs_)
            return timedOut;
        if (ApplicationTerminated() || terminated_)
            return timedOut;
        const std::int64_t left = timeoutMs_ > 0 ? timeoutMs_ - clock.elapsed() : waitSliceMs;
        WaitForMessages(static_cast<int>(std::clamp<std::int64_t>(left, 1, waitSliceMs)));
    }
    return 0;
}

std::int32_t TCustomSyncWSocket::Synchronize(const TWSocketSyncNextProc& Proc, bool& DoneFlag)
{
    DoneFlag = false;
    if (Proc)
        Proc();
    return WaitUntilReady(DoneFlag);
}

void TCustomSyncWSocket::ReadLine(std::int32_t Timeout, std::string& Buffer)
{
    Buffer.clear();
    if (State() != wsConnected) {
        RaiseException("ReadLine failed: not connected");
        return;
    }
    if (Timeout == 0)
        timeoutMs_ = 60000;
    else if (Timeout < 0)
        timeoutMs_ = -static_cast<std::int64_t>(Timeout);
    else
        timeoutMs_ = static_cast<std::int64_t>(Timeout) * 1000;

    const TDataAvailable savedHandler = OnDataAvailable;
    const bool savedLineMode = LineMode();
    bool taken = false;
    // One line per call: a second line found in the same read stays buffered for the next.
    OnDataAvailable = [&Buffer, &taken](TCustomWSocket* Sender, std::uint16_t) {
        if (taken)
            return;
        taken = true;
        Buffer = Sender->ReceiveStr();
    };
    const auto restore = [&] {
        OnDataAvailable = savedHandler;
        timeoutMs_ = 0;
        SetLineMode(savedLineMode);
    };
    try {
        SetLineMode(true);
        const std::int32_t result = Synchronize(nullptr, lineReceivedFlag_);
        if (result == timedOut && !taken)
            Buffer = TakeBuffered();
    } catch (...) {
        restore();
        throw;
    }
    restore();
}
