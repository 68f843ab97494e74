#pragma once

#include "net/WSocketLine.h"

#include <cstdint>
#include <functional>
#include <string>

// Waiting for a condition while the thread's messages are served, and a blocking ReadLine.
class TCustomSyncWSocket : public TCustomLineWSocket {
public:
    using TWSocketSyncNextProc = std::function<void()>;

    TCustomSyncWSocket() = default;

    // Clears DoneFlag, runs Proc (when given) and waits until it is set again.
    virtual std::int32_t Synchronize(const TWSocketSyncNextProc& Proc, bool& DoneFlag);
    // Serves messages until DoneFlag is set: 0, or 12001 when the time-out passed or the
    // application is ending.
    virtual std::int32_t WaitUntilReady(bool& DoneFlag);
    // Waits for one line (its line end included) and puts it in Buffer. Timeout 0 waits 60
    // seconds, a negative value -Timeout milliseconds, a positive one Timeout seconds; when it
    // passes, Buffer gets whatever part of a line has come.
    void ReadLine(std::int32_t Timeout, std::string& Buffer);

private:
    std::int64_t timeoutMs_ = 0; // 0: no time-out
};
