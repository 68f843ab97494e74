#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// The one queue through which painter threads hand work to the user-interface thread: a
// painter queues a record and waits until the user-interface thread has run it or it was
// cancelled. The user-interface thread serves it from its event loop (woken by the injected
// Wake, which may be called from any thread) and from its waits for painters, which serve
// nothing else. No Qt inside, so the thread sanitizer sees every access.
class GifHandOffQueue {
public:
    using Owner = const void*;

    // Painter thread: runs `work` on the user-interface thread; true once it has run, false
    // when it was cancelled first. A record that is not cancellable always runs.
    bool Run(Owner owner, std::function<void()> work, bool cancellable = true);
    // User-interface thread: the owner's records that have not started are dropped and their
    // painters released.
    void Cancel(Owner owner);
    // User-interface thread: runs the records queued now; true when any ran.
    bool Serve();
    // User-interface thread: runs records until `done` holds. `done` is asked with the queue
    // locked, so it reads only what the user-interface thread and the records change.
    void ServeUntil(const std::function<bool()>& done);
    // True while the user-interface thread runs a record: a wait for painters begun there
    // would wait for itself.
    bool Serving() const { return serving_ > 0; }

    // How sleeping user-interface threads are woken when a record arrives.
    void SetWake(std::function<void()> wake);
    bool HasWake() const;

    // Painter threads count themselves in and out; ServeUntilThreadsLeft serves until the
    // last has left its function (at quit, before anything they reach goes).
    void ThreadStarted();
    void ThreadLeft();
    void ServeUntilThreadsLeft();

private:
    struct Record {
        Owner owner;
        std::function<void()> work;
        bool cancellable;
        enum class State { Queued, Running, Finished, Cancelled } state = State::Queued;
    };

    // Takes the next record and marks it running; none when the queue is empty. Called
    // with the queue locked.
    std::shared_ptr<Record> Next();
    void Execute(const std::shared_ptr<Record>& record);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Record>> queue_;
    std::function<void()> wake_;
    std::size_t threads_ = 0;
    int serving_ = 0; // user-interface thread only
};

// The process's queue; never destroyed, so a painter thread still leaving at exit finds it.
GifHandOffQueue& GifHandOffs();
