#include "filemanager/CommandInProgress.h"

#include "platform/ui/ExceptionGuard.h"

#include <utility>

namespace {
int depth = 0;
std::function<void()>& Pending()
{
    static std::function<void()> work;
    return work;
}
} // namespace

CommandInProgress::CommandInProgress() { ++depth; }

CommandInProgress::~CommandInProgress()
{
    if (--depth > 0 || !Pending())
        return;
    std::function<void()> work = std::move(Pending());
    Pending() = nullptr;
    platform::guarded(work);
}

bool CommandInProgress::Running() { return depth > 0; }

bool CommandInProgress::Defer(std::function<void()> work)
{
    if (depth == 0)
        return false;
    Pending() = std::move(work);
    return true;
}
