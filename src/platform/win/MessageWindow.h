#pragma once

#include <cstdint>
#include <functional>

namespace platform {

// A message window is a small object on its creator's thread that receives numbered messages
// posted to it, in posting order, from that thread's event loop. Handles are ids that are never
// handed out twice, so a message or call aimed at a window that is gone simply fails.
using HWND = std::uint32_t;
using UINT = std::uint32_t;
using WPARAM = std::uint64_t;
using LPARAM = std::int64_t;
using WindowProc = std::function<void(UINT msg, WPARAM wParam, LPARAM lParam)>;

constexpr UINT WM_USER = 1024;

// Makes a window on the calling thread (which needs a Qt event loop) that hands every message
// to proc. Never returns 0.
HWND AllocateHWnd(WindowProc proc);

// The window takes no more messages; those already posted are dropped. Called on the
// window's own thread; safe inside its own procedure, whose running call finishes first.
void DeallocateHWnd(HWND wnd);

// Queues a message for the window from any thread; false when the window does not exist.
bool PostMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
// As PostMessage, but the message waits behind every message posted the usual way, even those
// posted after it until the loop takes its waiting messages next: for work that may wait while
// everything else goes first. Such messages keep their order among themselves.
bool PostLowPriorityMessage(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);

bool IsWindow(HWND wnd);

// Called inside the catch block when a window procedure lets an exception escape, so the
// program can show it and go on; nothing is ever thrown through Qt. Without a handler the
// message goes to the Qt log.
void setEscapedExceptionHandler(std::function<void()> handler);

} // namespace platform
