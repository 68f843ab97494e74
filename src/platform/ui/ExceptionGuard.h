#pragma once

#include <utility>

namespace platform {

// Shows an exception that escaped a handler and lets the program go on; nothing may be
// thrown through Qt's event dispatch.
void showException();

// Runs a handler connected to Qt inside the one exception boundary of the program.
template <class Handler>
void guarded(Handler&& handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (...) {
        showException();
    }
}

// Wraps a handler so that every call runs guarded; for connect() and std::function events.
template <class Handler>
auto guard(Handler handler)
{
    return [handler = std::move(handler)](auto&&... args) mutable noexcept {
        guarded([&] { handler(std::forward<decltype(args)>(args)...); });
    };
}

} // namespace platform
