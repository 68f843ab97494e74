// The animation painter's timing, looping, events and lifecycle, on a fake clock with the
// hand-offs served by the test thread.

#include "PainterTestKit.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace giftest;

namespace {

constexpr TGIFDrawOptions kAsyncOnce = goAsync | goAnimate;
constexpr TGIFDrawOptions kAsyncLoop = goAsync | goAnimate | goLoop;
using Frames = std::vector<int>;

} // namespace

TEST(GIFPainter, DelaysFollowTheFramesTheSpeedAndTheLateness)
{
    // Delays 1, 2, 0, none, 5: 3, 3, 10, 10 units before frames 1..4, 12 ms a unit.
    Loaded l = Load(Animation({1, 2, 0, -1, 5}));
    for (const auto& [speed, expected] : std::vector<std::pair<int, std::vector<std::int64_t>>>{
             {100, {36, 36, 120, 120}}, {200, {18, 18, 60, 60}}, {50, {72, 72, 240, 240}}}) {
        l.image->SetAnimationSpeed(speed);
        Player player(*l.image);
        player.Play(kAsyncOnce);
        EXPECT_EQ(player.painted, (Frames{0, 1, 2, 3, 4})) << speed;
        EXPECT_EQ(player.clock.Waits(), expected) << "speed " << speed;
    }
    l.image->SetAnimationSpeed(100);

    // Half of a frame's lateness comes off the next wait, truncated towards zero; a clock
    // that jumps ten days ahead (a suspended machine) makes the next wait simply 0.
    for (const auto& [late, expected] : std::vector<std::pair<std::int64_t, std::vector<std::int64_t>>>{
             {40, {36, 16, 120, 120}}, {-3, {36, 37, 120, 120}}, {std::int64_t{10} * 24 * 3600 * 1000, {36, 120, 120}}}) {
        Player player(*l.image);
        player.afterFrame = [&, late = late](TGIFPainter& p) {
            if (p.GetActiveImage() == 1)
                player.clock.Advance(late);
        };
        player.Play(kAsyncOnce);
        EXPECT_EQ(player.painted, (Frames{0, 1, 2, 3, 4}));
        EXPECT_EQ(player.clock.Waits(), expected) << "late by " << late;
    }

    // 5000 units: waited in full by a thread, cut to 1000 on the caller's thread (in slices).
    Loaded slow = Load(Animation({5000, 0}));
    Player async(*slow.image);
    async.Play(kAsyncOnce);
    EXPECT_EQ(async.clock.Waits(), std::vector<std::int64_t>{60000});
    Player sync(*slow.image);
    sync.Play(goAnimate);
    const auto waits = sync.clock.Waits();
    EXPECT_EQ(std::accumulate(waits.begin(), waits.end(), std::int64_t{0}), 12 + 12000) << "a unit before frame 0";
    EXPECT_EQ(sync.painted, (Frames{0, 1}));
}

TEST(GIFPainter, SpeedZeroHoldsTheFrameUntilTheSpeedChangesOrAStop)
{
    Loaded l = Load(Animation({4, 4, 4}));
    l.image->SetAnimationSpeed(0);
    Player player(*l.image);
    player.Play(kAsyncOnce, [&] {
        Player::ServeWhile([&] { return !player.clock.Blocked(); });
        EXPECT_EQ(player.painted, (Frames{0}));
        // The wait ends when the speed change sets the DelayEvent.
        EXPECT_TRUE(player.painter->HasDelayEvent());
        player.painter->SetAnimationSpeed(100);
    });
    EXPECT_EQ(player.painted, (Frames{0, 1, 2}));
    EXPECT_EQ(player.clock.Waits(), std::vector<std::int64_t>{48}) << "the new speed applies from the next frame";

    Player stopped(*l.image);
    stopped.Play(kAsyncOnce, [&] {
        Player::ServeWhile([&] { return !stopped.clock.Blocked(); });
        stopped.painter->Stop();
    });
    EXPECT_EQ(stopped.painted, (Frames{0}));
    EXPECT_EQ(stopped.events.back(), "painted 0") << "a stopped painter fires nothing more";

    // Only a painter that animates on a thread of its own has a DelayEvent.
    TGIFPainterSetup still;
    still.options = goAsync;
    still.rect = {0, 0, 4, 2};
    const auto idle = l.image->InternalPaint(still, false);
    ASSERT_NE(idle, nullptr);
    EXPECT_FALSE(idle->HasDelayEvent());
    idle->Stop();
}

TEST(GIFPainter, LoopsEventsAndTheNextFrameFollowTheExtensionTheOptionsAndTheHandlers)
{
    // Count 0 is endless on a thread (stopped here after 8 frames) and once on the caller's.
    Loaded endless = Load(Animation({1, 1, 1}, 0, 0));
    Player endlessly(*endless.image);
    endlessly.afterFrame = [&](TGIFPainter& p) {
        if (endlessly.painted.size() == 8)
            p.Stop();
    };
    endlessly.Play(kAsyncLoop);
    EXPECT_EQ(endlessly.painted, (Frames{0, 1, 2, 0, 1, 2, 0, 1}));
    Player once(*endless.image);
    once.Play(goAnimate | goLoop);
    EXPECT_EQ(once.painted, (Frames{0, 1, 2}));

    // Count 3 on frame 1: three passes, the later ones from frame 1.
    Loaded three = Load(Animation({1, 1, 1}, 1, 3));
    Player looping(*three.image);
    looping.Play(kAsyncLoop);
    EXPECT_EQ(looping.painted, (Frames{0, 1, 2, 1, 2, 1, 2}));
    Player noLoop(*three.image);
    noLoop.Play(kAsyncOnce);
    EXPECT_EQ(noLoop.painted, (Frames{0, 1, 2}));
    Player still(*three.image);
    still.Play(goAsync | goLoop);
    EXPECT_EQ(still.painted, (Frames{0}));

    // Count 2: the events of both passes in order, and a handler chooses the next frame.
    Loaded l = Load(Animation({1, 1, 1}, 0, 2));
    Player player(*l.image);
    player.Play(kAsyncLoop);
    EXPECT_EQ(player.events,
              (std::vector<std::string>{"start", "paint 0", "painted 0", "paint 1", "painted 1", "paint 2", "painted 2",
                                        "loop", "paint 0", "painted 0", "paint 1", "painted 1", "paint 2", "painted 2",
                                        "end"}));

    Player chooser(*l.image);
    chooser.afterFrame = [](TGIFPainter& p) {
        if (p.GetActiveImage() == 0)
            p.SetActiveImage(2);
        p.SetActiveImage(7); // beyond the frames: ignored
    };
    chooser.Play(kAsyncOnce);
    EXPECT_EQ(chooser.painted, (Frames{0, 2}));
}

TEST(GIFPainter, StopsRestartsAndPausesInEveryState)
{
    Loaded l = Load(Animation({1, 1, 1}));
    // Made and never started: stopping it ends it at once.
    GifHandOffs().SetWake([] {});
    TGIFPainterSetup setup;
    setup.options = kAsyncOnce;
    setup.rect = {0, 0, 4, 2};
    auto idle = l.image->InternalPaint(setup, true);
    ASSERT_NE(idle, nullptr);
    EXPECT_EQ(l.image->LastDrawPainter(), idle.get());
    idle->Stop();
    idle->Start();
    EXPECT_TRUE(l.image->Painters().empty());
    EXPECT_EQ(l.image->LastDrawPainter(), nullptr);

    // From a handler, StopDraw and PaintStop stop without waiting for themselves.
    Player drawn(*l.image);
    drawn.afterFrame = [&](TGIFPainter&) { l.image->StopDraw(); };
    testsupport::finishWithin(std::chrono::seconds(20), [&] {
        auto painter = l.image->InternalPaint(setup, true);
        painter->Start();
        GifHandOffs().ServeUntil([&] { return l.image->Painters().empty(); });
        return 0;
    });
    EXPECT_EQ(drawn.painted, (Frames{0}));
    Player stopping(*l.image);
    stopping.afterFrame = [&](TGIFPainter&) { l.image->PaintStop(); };
    stopping.Play(kAsyncOnce);
    EXPECT_EQ(stopping.painted, (Frames{0}));

    // Restart goes back to frame 0 with a new pass.
    Player restarted(*l.image);
    restarted.afterFrame = [&, done = false](TGIFPainter& p) mutable {
        if (p.GetActiveImage() == 1 && !std::exchange(done, true))
            l.image->PaintRestart();
    };
    restarted.Play(kAsyncOnce);
    EXPECT_EQ(restarted.painted, (Frames{0, 1, 0, 1, 2}));
    EXPECT_EQ(std::count(restarted.events.begin(), restarted.events.end(), "start"), 2);

    // Paused after frame 0, nothing more is painted until the painters resume.
    Player paused(*l.image);
    paused.afterFrame = [&](TGIFPainter& p) {
        if (p.GetActiveImage() == 0)
            l.image->PaintPause();
    };
    paused.Play(kAsyncOnce, [&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
        Player::ServeWhile([&] { return std::chrono::steady_clock::now() < until; });
        EXPECT_EQ(paused.painted, (Frames{0}));
        l.image->PaintResume();
    });
    EXPECT_EQ(paused.painted, (Frames{0, 1, 2}));
}

TEST(GIFPainter, ThePictureMayGoWhilePaintersWaitOrPaint)
{
    // Deleted while its painter holds a frame at speed 0: the destructor stops and waits.
    Loaded held = Load(Animation({4, 4}));
    held.image->SetAnimationSpeed(0);
    auto player = std::make_unique<Player>(*held.image);
    player->Play(kAsyncOnce, [&] {
        Player::ServeWhile([&] { return !player->clock.Blocked(); });
        held.image.reset();
    });
    EXPECT_EQ(player->painted, (Frames{0}));

    // Deleted by its own handler: the painter finds no picture and ends; its thread leaves.
    Loaded gone = Load(Animation({1, 1, 1}));
    Player deleting(*gone.image);
    deleting.afterFrame = [&](TGIFPainter&) { gone.image.reset(); };
    testsupport::finishWithin(std::chrono::seconds(20), [&] {
        gone.image->Paint(nullptr, {0, 0, 4, 2}, kAsyncLoop);
        GifHandOffs().ServeUntilThreadsLeft();
        return 0;
    });
    EXPECT_EQ(deleting.painted, (Frames{0}));
}

TEST(GIFPainter, APassThatPaintsNothingEndsThePainter)
{
    TGIFImage image;
    image.Header.ColorMap.ImportColorMap(std::vector<platform::Rgb>{{1, 2, 3}, {4, 5, 6}});
    image.Add(std::make_unique<TGIFSubImage>(&image));
    auto frame = std::make_unique<TGIFSubImage>(&image);
    frame->DoSetBounds(0, 0, 2, 2);
    image.Add(std::move(frame));
    Player player(image);
    player.Play(kAsyncLoop | goLoopContinously);
    EXPECT_EQ(player.events, (std::vector<std::string>{"start", "end"}));
    Player sync(image);
    sync.Play(goAnimate | goLoop | goLoopContinously);
    EXPECT_EQ(sync.events, (std::vector<std::string>{"start", "end"}));
}
