#pragma once

#include <type_traits>
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
// A handler that takes no arguments may be connected to a signal that has some.
template <class Handler>
auto guard(Handler handler)
{
    return [handler = std::move(handler)](auto&&... args) mutable noexcept {
        guarded([&] {
            if constexpr (std::is_invocable_v<Handler&, decltype(args)...>)
                handler(std::forward<decltype(args)>(args)...);
            else
                handler();
        });
    };
}

} // namespace platform
