#pragma once

#include <utility>

// Fires an event when a handler is assigned. A copy runs, so a handler may reassign or clear
// its own event while it runs.
template <class Event, class... Args>
void fire(const Event& event, Args&&... args)
{
    if (event) {
        const Event handler = event;
        handler(std::forward<Args>(args)...);
    }
}
