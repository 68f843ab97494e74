#pragma once

// Painters on a fake clock, their hand-offs served by the test's own thread: every run is
// the same sequence of steps, and waits cost nothing.

#include "GifTestKit.h"
#include "ReferenceCompositor.h"
#include "support/Deadline.h"

#include "gif/GIFHandOff.h"

#include <atomic>
#include <cstring>
#include <thread>

namespace giftest {

class FakeClock final : public TGIFPainterClock {
public:
    std::int64_t Now() override { return now_; }
    bool WaitFor(std::unique_lock<std::mutex>& lock, std::condition_variable& cv, std::int64_t ms,
                 const std::function<bool()>& woken) override
    {
        if (woken())
            return true;
        if (ms < 0) {
            blocked_ = true;
            cv.wait(lock, woken);
            blocked_ = false;
            return true;
        }
        {
            const std::lock_guard guard(mutex_);
            waits_.push_back(ms);
        }
        now_ += ms;
        return false;
    }
    void Advance(std::int64_t ms) { now_ += ms; }
    bool Blocked() const { return blocked_; }
    std::vector<std::int64_t> Waits() const
    {
        const std::lock_guard guard(mutex_);
        return waits_;
    }

private:
    std::atomic<std::int64_t> now_{1'000'000};
    std::atomic<bool> blocked_{false};
    mutable std::mutex mutex_;
    std::vector<std::int64_t> waits_;
};

inline std::vector<std::uint32_t> Pixels(const platform::Bitmap& bitmap)
{
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(bitmap.width()) * bitmap.height());
    for (int y = 0; y < bitmap.height(); ++y)
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * bitmap.width(), bitmap.scanLine(y),
                    4 * static_cast<std::size_t>(bitmap.width()));
    return pixels;
}

// Plays a picture: records its events ("start", "paint N", "painted N", "loop", "end"), the
// frames painted, the composite after each and the clock's waits.
class Player {
public:
    explicit Player(TGIFImage& picture) : image(picture)
    {
        GifHandOffs().SetWake([] {});
        image.PainterClock = &clock;
        image.PainterPump = [] { return true; };
        image.OnPainterStart = [this](TGIFPainter*) { events.push_back("start"); };
        image.OnFramePaint = [this](TGIFPainter* p) { events.push_back("paint " + std::to_string(p->GetActiveImage())); };
        image.OnFramePainted = [this](TGIFPainter* p) {
            const int index = p->GetActiveImage();
            events.push_back("painted " + std::to_string(index));
            painted.push_back(index);
            composites.push_back(Pixels(*p->Target()));
            if (afterFrame)
                afterFrame(*p);
        };
        image.OnAnimationLoop = [this](TGIFPainter*) { events.push_back("loop"); };
        image.OnPainterEnd = [this](TGIFPainter*) { events.push_back("end"); };
    }

    // Paints with `options` and serves the hand-offs until every painter thread has left;
    // `serve` acts first (between hand-offs), and may even delete the picture.
    void Play(TGIFDrawOptions options, const std::function<void()>& serve = {})
    {
        testsupport::finishWithin(std::chrono::seconds(20), [&] {
            painter = image.Paint(nullptr, {0, 0, image.GetWidth(), image.GetHeight()}, options);
            if (serve)
                serve();
            GifHandOffs().ServeUntilThreadsLeft();
            return 0;
        });
    }

    // Serves hand-offs while `busy` holds, also when it turns false without one (a wait).
    static void ServeWhile(const std::function<bool()>& busy)
    {
        while (busy()) {
            GifHandOffs().Serve();
            std::this_thread::yield();
        }
    }

    TGIFImage& image;
    FakeClock clock;
    std::vector<std::string> events;
    std::vector<int> painted;
    std::vector<std::vector<std::uint32_t>> composites;
    std::function<void(TGIFPainter&)> afterFrame;
    std::shared_ptr<TGIFPainter> painter;
};

// The frames as the reference compositor takes them, from our reading of the file.
inline std::vector<ReferenceFrame> ReferenceFrames(const TGIFImage& image)
{
    std::vector<ReferenceFrame> frames;
    for (const auto& frame : image.Images) {
        ReferenceFrame f;
        f.left = frame->GetLeft();
        f.top = frame->GetTop();
        f.width = frame->GetWidth();
        f.height = frame->GetHeight();
        f.indices.assign(frame->GetData().begin(), frame->GetData().end());
        for (int i = 0; i < 256; ++i) {
            const platform::Rgb c = frame->GetActiveColorMap().LookupPadded(i);
            f.colours.push_back(0xFF000000u | (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b);
        }
        f.transparent = frame->GetTransparentIndex();
        if (const auto* control = frame->GetGraphicControlExtension())
            f.disposal = (control->Flags >> 2) & 7;
        frames.push_back(std::move(f));
    }
    return frames;
}

// A 4 x 2 animation of full-screen frames, frame i all of entry i; `delays[i]` < 0 leaves
// frame i without a graphic control extension. A looping extension playing `loops` times
// (0: for ever) goes before frame `loopAt` when it is not negative.
inline Bytes Animation(const std::vector<int>& delays, int loopAt = -1, int loops = 0)
{
    GifBuilder b;
    b.header(4, 2, 8);
    for (std::size_t i = 0; i < delays.size(); ++i) {
        if (static_cast<int>(i) == loopAt)
            b.raw({'!', 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1,
                   static_cast<std::uint8_t>(loops & 0xFF), static_cast<std::uint8_t>(loops >> 8), 0});
        if (delays[i] >= 0)
            b.graphicControl(0, delays[i], 0);
        b.frame(0, 0, 4, 2, Bytes(8, static_cast<std::uint8_t>(i)), 3);
    }
    return b.trailer().bytes;
}

} // namespace giftest
