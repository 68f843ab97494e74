#include "gif/GIFPainter.h"

#include "gif/GIFHandOff.h"
#include "gif/GIFImage.h"
#include "gif/GIFPaintSink.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

constexpr std::int64_t kMaxWaitMs = std::int64_t{24} * 60 * 60 * 1000;
constexpr std::int64_t kSyncSliceMs = 100;

class SteadyClock final : public TGIFPainterClock {
public:
    std::int64_t Now() override
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    bool WaitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::int64_t ms,
                 const std::function<bool()>& woken) override
    {
        if (ms < 0) {
            cv.wait(lock, woken);
            return true;
        }
        return cv.wait_until(lock, std::chrono::steady_clock::now() + std::chrono::milliseconds(ms), woken);
    }
};

// a / b rounded to the nearest, halves away from zero; b > 0.
std::int64_t RoundedDiv(std::int64_t a, std::int64_t b)
{
    return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b);
}

} // namespace

TGIFPainterClock& SteadyPainterClock()
{
    static SteadyClock clock;
    return clock;
}


TGIFPainter::TGIFPainter(TGIFImage& image, TGIFPainterSetup setup)
    : setup_(std::move(setup)),
      settings_(GIFSettings()),
      clock_(setup_.clock ? *setup_.clock : SteadyPainterClock()),
      sinkWatch_(setup_.sink),
      image_(&image),
      animationSpeed_(image.GetAnimationSpeed())
{
    const bool animated = (setup_.options & goAsync) && (setup_.options & goAnimate) && image.Images.GetCount() > 1;
    if (animated && animationSpeed_ >= 0)
        DelayEvent.emplace();
    BackBuffer = std::move(setup_.target);
    MakeBuffers(image);
    OnPainterStart = image.OnPainterStart;
    OnFramePaint = image.OnFramePaint;
    OnFramePainted = image.OnFramePainted;
    OnAnimationLoop = image.OnAnimationLoop;
    OnPainterEnd = image.OnPainterEnd;
}

TGIFPainter::~TGIFPainter() = default;

void TGIFPainter::Start()
{
    {
        const std::lock_guard lock(mutex_);
        paused_ = false;
        if (!IsAsync() || launched_ || terminated_) {
            cv_.notify_all();
            return;
        }
        launched_ = true;
    }
    cv_.notify_all();
    GifHandOffs().ThreadStarted();
    std::thread([self = shared_from_this()]() mutable {
        self->Execute();
        GifHandOffs().Run(self.get(), [&self] { self->DoOnTerminate(); }, false);
        self.reset();
        GifHandOffs().ThreadLeft();
    }).detach();
}

void TGIFPainter::Stop()
{
    Terminate();
    GifHandOffs().Cancel(this);
    bool neverStarted = false;
    {
        const std::lock_guard lock(mutex_);
        neverStarted = IsAsync() && !launched_;
        launched_ = true;
    }
    // No thread will hand over its end: it happens here.
    if (neverStarted)
        DoOnTerminate();
}

void TGIFPainter::Terminate()
{
    {
        const std::lock_guard lock(mutex_);
        terminated_ = true;
        if (DelayEvent)
            DelayEvent->SetEvent();
    }
    cv_.notify_all();
}

void TGIFPainter::Restart()
{
    {
        const std::lock_guard lock(mutex_);
        restart_ = true;
        paused_ = false;
    }
    cv_.notify_all();
}

void TGIFPainter::Pause()
{
    const std::lock_guard lock(mutex_);
    paused_ = true;
}

void TGIFPainter::SetAnimationSpeed(int speed)
{
    speed = std::clamp(speed, 0, 1000);
    {
        const std::lock_guard lock(mutex_);
        if (speed == animationSpeed_)
            return;
        animationSpeed_ = speed;
        if (DelayEvent)
            DelayEvent->SetEvent();
        else
            restart_ = true;
    }
    cv_.notify_all();
}

int TGIFPainter::GetAnimationSpeed() const
{
    const std::lock_guard lock(mutex_);
    return animationSpeed_;
}

void TGIFPainter::SetActiveImage(int index)
{
    const std::lock_guard lock(mutex_);
    if (image_ && index >= 0 && index < image_->Images.GetCount())
        activeImage_ = index;
}

int TGIFPainter::GetActiveImage() const
{
    const std::lock_guard lock(mutex_);
    return activeImage_;
}

bool TGIFPainter::Terminated() const
{
    const std::lock_guard lock(mutex_);
    return terminated_;
}

bool TGIFPainter::Restarting() const
{
    const std::lock_guard lock(mutex_);
    return restart_;
}

bool TGIFPainter::HasDelayEvent() const
{
    const std::lock_guard lock(mutex_);
    return DelayEvent.has_value();
}

bool TGIFPainter::Painted() const
{
    const std::lock_guard lock(mutex_);
    return painted_;
}

void TGIFPainter::ForgetImage()
{
    const std::lock_guard lock(mutex_);
    image_ = nullptr;
}

void TGIFPainter::WaitWhilePaused()
{
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return !paused_ || terminated_ || restart_; });
}

bool TGIFPainter::DoSynchronize(const std::function<void(TGIFImage&)>& work)
{
    if (IsAsync())
        WaitWhilePaused();
    if (Terminated())
        return false;
    bool ran = false;
    // Terminated and the picture are asked again on the user-interface thread, where Stop
    // and the picture's end happen.
    const auto step = [&] {
        TGIFImage* image = nullptr;
        {
            const std::lock_guard lock(mutex_);
            if (!terminated_)
                image = image_;
        }
        if (image) {
            work(*image);
            ran = true;
        }
    };
    if (IsAsync())
        GifHandOffs().Run(this, step);
    else
        step();
    return ran;
}

void TGIFPainter::DoEvent(const TGIFPainterEvent& event)
{
    if (event)
        DoSynchronize([&](TGIFImage&) { event(this); });
}

bool TGIFPainter::WaitDelay(std::int64_t ms)
{
    std::unique_lock lock(mutex_);
    const bool woken = clock_.WaitFor(lock, cv_, ms, [this] {
        return (DelayEvent && DelayEvent->Signalled()) || terminated_ || restart_;
    });
    if (DelayEvent)
        DelayEvent->ResetEvent();
    return woken;
}

void TGIFPainter::SleepSynchronously(std::int64_t ms)
{
    for (ms = std::max<std::int64_t>(ms, 1); ms > 0 && !Terminated() && !Restarting();) {
        const std::int64_t start = clock_.Now();
        {
            std::unique_lock lock(mutex_);
            clock_.WaitFor(lock, cv_, std::min(ms, kSyncSliceMs), [this] { return terminated_ || restart_; });
        }
        ms -= clock_.Now() - start;
        if (!(setup_.pump ? setup_.pump() : PumpPainterMessages()))
            Terminate();
    }
}

void TGIFPainter::Execute()
{
    try {
        Run();
    } catch (const std::exception&) {
        Terminate();
        error_ = std::current_exception();
    }
    {
        const std::lock_guard lock(mutex_);
        activeImage_ = -1;
    }
    if (!IsAsync()) {
        DoOnTerminate();
        if (error_)
            std::rethrow_exception(std::exchange(error_, nullptr));
    }
}

void TGIFPainter::Run()
{
    const bool async = IsAsync();
    const bool animate = (setup_.options & goAnimate) != 0;
    {
        const std::lock_guard lock(mutex_);
        restart_ = true;
    }
    for (;;) {
        {
            const std::lock_guard lock(mutex_);
            if (!restart_ || terminated_)
                break;
            activeImage_ = 0;
        }
        DoEvent(OnPainterStart);
        {
            const std::lock_guard lock(mutex_);
            painted_ = restart_ = false;
        }
        std::int64_t loopCount = 1; // negative: endless
        int loopStart = 0;
        bool loopSeen = false;
        int delay = async ? 0 : 1;
        std::int64_t lastTime = clock_.Now();
        std::int64_t lastWait = 0;
        while (loopCount != 0 || (setup_.options & goLoopContinously)) {
            if (Terminated() || Restarting())
                break;
            {
                const std::lock_guard lock(mutex_);
                activeImage_ = loopStart;
            }
            if (Painted())
                DoEvent(OnAnimationLoop);
            bool paintedThisLoop = false;
            // Whether the active frame is there, as the step before found out.
            std::optional<bool> knownPresent;
            do {
                const int index = GetActiveImage();
                bool present = knownPresent.value_or(false);
                if (!knownPresent)
                    DoSynchronize([&](TGIFImage& image) {
                        present = index < image.Images.GetCount() && !image.Images.GetImage(index)->GetEmpty();
                    });
                knownPresent.reset();
                if (!present || Terminated() || Restarting())
                    break;
                if (delay < 1) {
                    std::this_thread::yield();
                } else {
                    const std::int64_t now = clock_.Now();
                    const int speed = GetAnimationSpeed();
                    std::int64_t wait = std::int64_t{settings_.MaximumDelay} * settings_.DelayExp;
                    if (speed > 0) {
                        const std::int64_t late = now - lastTime - lastWait;
                        wait = RoundedDiv((std::int64_t{delay} * settings_.DelayExp - late / 2) * 100, speed);
                    }
                    // After a suspend of the machine the lateness is hours: the next wait is just 0.
                    wait = std::clamp<std::int64_t>(wait, 0, kMaxWaitMs);
                    lastWait = wait;
                    lastTime = now;
                    const bool holdFrame = async && speed == 0;
                    if (!async) {
                        SleepSynchronously(wait);
                    } else if ((wait > 0 || holdFrame) && WaitDelay(holdFrame ? -1 : wait)) {
                        lastWait = 0;
                        lastTime = clock_.Now();
                    }
                }
                if (async)
                    WaitWhilePaused();
                if (Terminated())
                    break;
                DoEvent(OnFramePaint);
                if (Terminated())
                    break;
                FrameStep step;
                step.index = index;
                step.loopSeen = loopSeen;
                DoSynchronize([&](TGIFImage& image) { PaintStep(image, step); });
                if (!step.painted)
                    break;
                paintedThisLoop = true;
                if (step.loops) {
                    loopSeen = true;
                    loopStart = index;
                    const bool endless = *step.loops == 0 || (setup_.options & goLoopContinously);
                    loopCount = endless ? (async ? -1 : 0) : *step.loops;
                }
                delay = settings_.DefaultDelay;
                if (step.delay > 0) {
                    delay = std::max(step.delay, settings_.MinimumDelay);
                    if (!async)
                        delay = std::min(delay, settings_.MaximumDelay);
                }
                DoEvent(OnFramePainted);
                if (Terminated())
                    break;
                const std::lock_guard lock(mutex_);
                if (activeImage_ == index) {
                    ++activeImage_;
                    knownPresent = step.nextPresent;
                }
            } while (animate);
            // A pass that paints nothing would only spin: the painter ends instead.
            if (!paintedThisLoop)
                break;
            if (loopCount > 0)
                --loopCount;
            if (!(animate && (setup_.options & goLoop)))
                break;
        }
    }
    {
        const std::lock_guard lock(mutex_);
        activeImage_ = -1;
    }
    DoEvent(OnPainterEnd);
}
