#include "platform/base/Exception.h"
#include "platform/win/MessagePump.h"
#include "platform/win/MessageWindow.h"

#include <QThread>
#include <gtest/gtest.h>

#include <exception>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace platform;

namespace {

struct Received {
    UINT msg;
    WPARAM wParam;
};

void drain()
{
    for (int round = 0; round < 5; ++round)
        ProcessMessages();
}

} // namespace

TEST(MessageWindow, MessagesFromEveryThreadArriveInPostingOrderOnTheOwnersThread)
{
    std::vector<Received> received;
    bool onOwner = true;
    QThread* const owner = QThread::currentThread();
    const HWND wnd = AllocateHWnd([&](UINT msg, WPARAM w, LPARAM) {
        received.push_back({msg, w});
        onOwner = onOwner && QThread::currentThread() == owner;
    });
    ASSERT_NE(wnd, 0u);
    for (WPARAM i = 0; i < 50; ++i)
        ASSERT_TRUE(PostMessage(wnd, WM_USER + 1, i, 0));
    std::thread worker([wnd] {
        for (WPARAM i = 0; i < 50; ++i)
            PostMessage(wnd, WM_USER + 2, i, 0);
    });
    worker.join();
    drain();
    ASSERT_EQ(received.size(), 100u);
    EXPECT_TRUE(onOwner);
    WPARAM next[2] = {0, 0};
    for (const Received& r : received) {
        ASSERT_EQ(r.wParam, next[r.msg - WM_USER - 1]) << "message " << r.msg;
        ++next[r.msg - WM_USER - 1];
    }
    for (std::size_t i = 0; i < 50; ++i)
        EXPECT_EQ(received[i].msg, WM_USER + 1) << "the owner's own messages were posted first";
    DeallocateHWnd(wnd);
}

// Work that may wait goes behind every ordinary message, even one posted after it, in its
// own order; one posting itself again lets the ordinary messages that came meanwhile go
// first instead of running on without end.
TEST(MessageWindow, LowPriorityMessagesWaitBehindOrdinaryOnesInTheirOwnOrder)
{
    std::vector<Received> received;
    HWND wnd = 0;
    int reposts = 3;
    wnd = AllocateHWnd([&](UINT msg, WPARAM w, LPARAM) {
        received.push_back({msg, w});
        if (msg == WM_USER + 2 && w == 1 && reposts-- > 0) {
            PostLowPriorityMessage(wnd, WM_USER + 2, 1, 0);
            PostMessage(wnd, WM_USER + 1, 100 + reposts, 0);
        }
    });
    ASSERT_TRUE(PostLowPriorityMessage(wnd, WM_USER + 2, 0, 0));
    ASSERT_TRUE(PostLowPriorityMessage(wnd, WM_USER + 2, 1, 0));
    for (WPARAM i = 0; i < 3; ++i)
        ASSERT_TRUE(PostMessage(wnd, WM_USER + 1, i, 0));
    drain();
    std::vector<std::pair<UINT, WPARAM>> order;
    for (const Received& r : received)
        order.emplace_back(r.msg, r.wParam);
    const std::vector<std::pair<UINT, WPARAM>> expected{
        {WM_USER + 1, 0},   {WM_USER + 1, 1}, {WM_USER + 1, 2}, {WM_USER + 2, 0}, {WM_USER + 2, 1},
        {WM_USER + 1, 102}, {WM_USER + 2, 1}, {WM_USER + 1, 101}, {WM_USER + 2, 1}, {WM_USER + 1, 100},
        {WM_USER + 2, 1}};
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(PostLowPriorityMessage(wnd + 1000, WM_USER, 0, 0)) << "no such window";
    DeallocateHWnd(wnd);
}

TEST(MessageWindow, AWindowFreedInsideItsOwnMessageFinishesTheCallAndGetsNoMore)
{
    auto alive = std::make_shared<int>(7);
    std::weak_ptr<int> watch = alive;
    std::vector<WPARAM> seen;
    HWND wnd = 0;
    wnd = AllocateHWnd([&seen, &wnd, keep = std::move(alive)](UINT, WPARAM w, LPARAM) {
        seen.push_back(w);
        if (w == 2) {
            DeallocateHWnd(wnd);
            // The procedure and what it holds live until this call returns.
            seen.push_back(static_cast<WPARAM>(*keep));
        }
    });
    for (WPARAM i = 1; i <= 4; ++i)
        PostMessage(wnd, WM_USER, i, 0);
    drain();
    EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2, 7}));
    EXPECT_TRUE(watch.expired());
}

TEST(MessageWindow, HandlesOfFreedWindowsAreNeverValidAgain)
{
    int calls = 0;
    const HWND first = AllocateHWnd([&](UINT, WPARAM, LPARAM) { ++calls; });
    EXPECT_TRUE(IsWindow(first));
    DeallocateHWnd(first);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_FALSE(PostMessage(first, WM_USER, 0, 0));
    DeallocateHWnd(first); // twice is harmless
    const HWND second = AllocateHWnd([&](UINT, WPARAM, LPARAM) { ++calls; });
    EXPECT_NE(second, first);
    EXPECT_FALSE(PostMessage(first, WM_USER, 0, 0));
    EXPECT_FALSE(IsWindow(0));
    drain();
    EXPECT_EQ(calls, 0);
    DeallocateHWnd(second);
}

TEST(MessageWindow, AnEscapingExceptionGoesToTheHandlerAndMessagesGoOn)
{
    std::vector<std::string> shown;
    setEscapedExceptionHandler([&] {
        try {
            throw;
        } catch (const std::exception& error) {
            shown.push_back(error.what());
        }
    });
    std::vector<WPARAM> seen;
    const HWND wnd = AllocateHWnd([&](UINT, WPARAM w, LPARAM) {
        seen.push_back(w);
        if (w == 1)
            throw Exception("cannot send to 127.0.0.1");
    });
    for (WPARAM i = 1; i <= 3; ++i)
        PostMessage(wnd, WM_USER, i, 0);
    drain();
    EXPECT_EQ(seen, (std::vector<WPARAM>{1, 2, 3}));
    EXPECT_EQ(shown, std::vector<std::string>{"cannot send to 127.0.0.1"});
    setEscapedExceptionHandler({});
    DeallocateHWnd(wnd);
}

TEST(MessagePump, ProcessMessageSaysWhetherAnythingWasServedAndWaitingIsBounded)
{
    int calls = 0;
    const HWND wnd = AllocateHWnd([&](UINT, WPARAM, LPARAM) { ++calls; });
    drain();
    PostMessage(wnd, WM_USER, 0, 0);
    EXPECT_TRUE(ProcessMessage());
    EXPECT_EQ(calls, 1);
    const auto start = std::chrono::steady_clock::now();
    WaitForMessages(50);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(ApplicationTerminated());
    DeallocateHWnd(wnd);
}
