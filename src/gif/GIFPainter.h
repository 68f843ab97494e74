#pragma once

#include "gif/GIFExtension.h"
#include "gif/GIFSettings.h"
#include "gif/GIFTypes.h"
#include "platform/graphics/Bitmap.h"

#include <QPointer>

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

class TGIFImage;
class TGIFPaintSink;
class TGIFPainter;
class TGIFSubImage;
using TGIFPainterEvent = std::function<void(TGIFPainter* sender)>;

// Time for painters: a millisecond clock and a wait that ends early when woken. Tests put a
// clock of their own in its place.
class TGIFPainterClock {
public:
    virtual ~TGIFPainterClock() = default;
    virtual std::int64_t Now() = 0;
    // Waits on `cv` (whose mutex `lock` holds) until `woken` holds or `ms` milliseconds
    // have passed; a negative `ms` waits without limit. True when woken.
    virtual bool WaitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::int64_t ms,
                         const std::function<bool()>& woken) = 0;
};

// The steady clock of the machine.
TGIFPainterClock& SteadyPainterClock();
// What a painter that runs on the caller's thread does between its slices of waiting:
// serve the thread's pending messages; false once the application is quitting.
bool PumpPainterMessages();

// What an asynchronous animating painter waits on between frames: an auto-reset event, set on
// the user-interface thread (a stop, a speed change) and cleared by the wait it ends. Guarded
// by its painter's mutex.
class TGIFDelayEvent {
public:
    void SetEvent() { signalled_ = true; }
    bool Signalled() const { return signalled_; }
    void ResetEvent() { signalled_ = false; }

private:
    bool signalled_ = false;
};

// What a painter is given by the picture that makes it.
struct TGIFPainterSetup {
    TGIFDrawOptions options = 0;
    GifRect rect;
    TGIFPaintSink* sink = nullptr;
    // Where frames are composed: the picture's cached composite, or null for one of the
    // painter's own.
    std::shared_ptr<platform::Bitmap> target;
    platform::Rgb windowColor{255, 255, 255};
    TGIFPainterClock* clock = nullptr; // null: the steady clock
    std::function<bool()> pump; // null: PumpPainterMessages
};

// Plays a picture's frames: their delays, disposal and looping. An asynchronous painter
// (goAsync) times and walks the frames on a thread of its own and hands every step that
// touches the picture, every event and its end to the user-interface thread, waiting for
// each; a synchronous one runs the same loop inside the call that makes it. Frames are
// composed on the user-interface thread into a bitmap of the picture's logical screen.
class TGIFPainter : public std::enable_shared_from_this<TGIFPainter> {
public:
    // Made on the user-interface thread, without a thread yet. The screen buffer, unless given,
    // is made here ("Invalid image dimensions" beyond the canvas limit); what a disposal needs
    // is made when first needed.
    TGIFPainter(TGIFImage& image, TGIFPainterSetup setup);
    ~TGIFPainter();
    TGIFPainter(const TGIFPainter&) = delete;
    TGIFPainter& operator=(const TGIFPainter&) = delete;

    // Launches the thread of an asynchronous painter once, and resumes a paused one.
    void Start();
    // Ends the painter at its next step: its wait ends and its queued hand-offs are dropped.
    void Stop();
    // Begins a new pass at frame 0.
    void Restart();
    // The painter holds at its next wait until Start, Stop or Restart.
    void Pause();
    // 0..1000 percent; a painter that cannot be woken from its wait starts over instead.
    void SetAnimationSpeed(int speed);
    int GetAnimationSpeed() const;
    // The next frame (0..frames - 1; other values are ignored), from OnFramePainted.
    void SetActiveImage(int index);
    int GetActiveImage() const;

    bool IsAsync() const { return (setup_.options & goAsync) != 0; }
    bool Terminated() const;
    // Whether a frame has been painted in the current pass.
    bool Painted() const;
    TGIFPaintSink* Sink() const { return setup_.sink; }
    const GifRect& Rect() const { return setup_.rect; }
    TGIFDrawOptions Options() const { return setup_.options; }
    // The composite of the frames painted so far (user-interface thread); none once the
    // painter has ended.
    std::shared_ptr<const platform::Bitmap> Target() const { return BackBuffer; }
    // What a disposal to the background brings back (user-interface thread): none for
    // see-through.
    std::optional<platform::Rgb> GetBackgroundBuffer() const { return BackgroundBuffer; }
    // Whether the painter waits on a DelayEvent between frames; one that does not is
    // restarted by a speed change instead.
    bool HasDelayEvent() const;

    // Runs the painting loop in the calling thread; a synchronous painter rethrows what
    // ended it afterwards.
    void Execute();
    // The last step, on the user-interface thread: the painter leaves its picture.
    void DoOnTerminate();
    // The picture is going: hand-offs from now on do nothing.
    void ForgetImage();

    TGIFPainterEvent OnPainterStart;
    TGIFPainterEvent OnFramePaint;
    TGIFPainterEvent OnFramePainted;
    TGIFPainterEvent OnAnimationLoop;
    TGIFPainterEvent OnPainterEnd;

private:
    // The frame step's user-interface half: what it reads of the frame and what it did.
    struct FrameStep {
        int index = 0;
        bool loopSeen = false; // a looping extension was met earlier in this pass
        std::optional<int> loops; // the first looping extension's count, met now
        TDisposalMethod disposal = dmNoDisposal;
        int delay = 0; // as the frame states it; 0 for none
        bool painted = false;
        bool nextPresent = false; // the frame after it is there and has pixels
    };

    void Run();
    // Runs `work` on the user-interface thread (a hand-off) unless the painter has ended
    // or lost its picture; false when it did not run.
    bool DoSynchronize(const std::function<void(TGIFImage&)>& work);
    // Calls an assigned event on the user-interface thread.
    void DoEvent(const TGIFPainterEvent& event);
    void WaitWhilePaused();
    // Waits `ms` (negative: until woken) on the delay event; true when woken early.
    bool WaitDelay(std::int64_t ms);
    void SleepSynchronously(std::int64_t ms);
    bool Restarting() const;
    void Terminate();
    void Repaint();
    // With goValidateCanvas, a sink that has gone ends the painter.
    bool SinkGone();

    // User-interface side of a step (GIFPainterCompose.cpp).
    void PaintStep(TGIFImage& image, FrameStep& step);
    // The frame with its disposal: what the last frame left is disposed of, what this one
    // covers is kept when it disposes to "previous", then DoPaint.
    void DoPaintFrame(TGIFSubImage& frame, const FrameStep& step);
    // The frame drawn onto the composite at its place; the painted flag is set.
    void DoPaint(TGIFSubImage& frame);
    // The last frame's disposal, done before the next frame is drawn.
    void Dispose();
    // `area` of the back buffer back to BackgroundBuffer.
    void RestoreBackground(const GifRect& area);
    void MakeBuffers(TGIFImage& image);

    TGIFPainterSetup setup_; // fixed once made; its target becomes BackBuffer
    const TGIFSettings settings_;
    TGIFPainterClock& clock_;
    // User-interface thread only.
    // The picture composed so far, frame after frame, on the logical screen: what is shown.
    std::shared_ptr<platform::Bitmap> BackBuffer;
    // What the area of a frame disposed to "previous" held before it was drawn.
    platform::Bitmap PreviousBuffer;
    // What lies under the picture: see-through (none) with goTransparent, as the sink draws
    // the composite over its own background, else the background colour. Being one value
    // for the whole screen, it is kept as that value instead of a bitmap.
    std::optional<platform::Rgb> BackgroundBuffer;
    // The frame shown last: its area on the screen and what becomes of it.
    GifRect lastArea_;
    TDisposalMethod lastDisposal_ = dmNoDisposal;
    QPointer<TGIFPaintSink> sinkWatch_;
    std::exception_ptr error_;

    // Both threads, under mutex_.
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    TGIFImage* image_;
    // Made for an asynchronous painter that animates several frames; none otherwise.
    std::optional<TGIFDelayEvent> DelayEvent;
    bool launched_ = false;
    bool terminated_ = false;
    bool restart_ = false;
    bool paused_ = false;
    bool painted_ = false;
    int activeImage_ = -1;
    int animationSpeed_ = 100;
};
