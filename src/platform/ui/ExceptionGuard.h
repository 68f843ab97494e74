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

namespace detail {
// A handler that takes no arguments may be called with some; they are dropped. Decided in a
// template of its own so that the call not taken is never checked (clang checks a
// non-dependent call inside a generic lambda even in a discarded branch).
template <class Handler, class... Args>
void callHandler(Handler& handler, Args&&... args)
{
    if constexpr (std::is_invocable_v<Handler&, Args...>)
        handler(std::forward<Args>(args)...);
    else
        handler();
}
} // namespace detail

// Wraps a handler so that every call runs guarded; for connect() and std::function events.
// A handler that takes no arguments may be connected to a signal that has some.
template <class Handler>
auto guard(Handler handler)
{
    return [handler = std::move(handler)](auto&&... args) mutable noexcept {
        guarded([&] { detail::callHandler(handler, std::forward<decltype(args)>(args)...); });
    };
}

} // namespace platform
