#include "gif/GIFHandOff.h"

#include <algorithm>
#include <utility>

GifHandOffQueue& GifHandOffs()
{
    static auto* queue = new GifHandOffQueue();
    return *queue;
}

bool GifHandOffQueue::Run(Owner owner, std::function<void()> work, bool cancellable)
{
    auto record = std::make_shared<Record>(Record{owner, std::move(work), cancellable});
    std::function<void()> wake;
    {
        const std::lock_guard lock(mutex_);
        queue_.push_back(record);
        wake = wake_;
    }
    changed_.notify_all();
    if (wake)
        wake();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return record->state == Record::State::Finished || record->state == Record::State::Cancelled; });
    return record->state == Record::State::Finished;
}

void GifHandOffQueue::Cancel(Owner owner)
{
    {
        const std::lock_guard lock(mutex_);
        std::erase_if(queue_, [&](const auto& record) {
            if (record->owner != owner || !record->cancellable)
                return false;
            record->state = Record::State::Cancelled;
            return true;
        });
    }
    changed_.notify_all();
}

std::shared_ptr<GifHandOffQueue::Record> GifHandOffQueue::Next()
{
    if (queue_.empty())
        return nullptr;
    auto record = std::move(queue_.front());
    queue_.pop_front();
    record->state = Record::State::Running;
    return record;
}

void GifHandOffQueue::Execute(const std::shared_ptr<Record>& record)
{
    ++serving_;
    struct Finish {
        GifHandOffQueue& queue;
        const std::shared_ptr<Record>& record;
        ~Finish()
        {
            --queue.serving_;
            {
                const std::lock_guard lock(queue.mutex_);
                record->state = Record::State::Finished;
            }
            queue.changed_.notify_all();
        }
    } finish{*this, record};
    record->work();
}

bool GifHandOffQueue::Serve()
{
    std::size_t pending = 0;
    {
        const std::lock_guard lock(mutex_);
        pending = queue_.size();
    }
    // Only what is queued now: records queued meanwhile have their own wake-up.
    bool any = false;
    for (; pending > 0; --pending) {
        std::shared_ptr<Record> record;
        {
            const std::lock_guard lock(mutex_);
            record = Next();
        }
        if (!record)
            break;
        Execute(record);
        any = true;
    }
    return any;
}

void GifHandOffQueue::ServeUntil(const std::function<bool()>& done)
{
    for (;;) {
        std::shared_ptr<Record> record;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return done() || !queue_.empty(); });
            if (done())
                return;
            record = Next();
        }
        Execute(record);
    }
}

void GifHandOffQueue::SetWake(std::function<void()> wake)
{
    const std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

bool GifHandOffQueue::HasWake() const
{
    const std::lock_guard lock(mutex_);
    return static_cast<bool>(wake_);
}

void GifHandOffQueue::ThreadStarted()
{
    const std::lock_guard lock(mutex_);
    ++threads_;
}

void GifHandOffQueue::ThreadLeft()
{
    {
        const std::lock_guard lock(mutex_);
        --threads_;
    }
    changed_.notify_all();
}

void GifHandOffQueue::ServeUntilThreadsLeft()
{
    ServeUntil([this] { return threads_ == 0; });
}
