#include "platform/ui/VirtualKeys.h"
#include "webtools/GlobeGeometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using namespace globe;

HopInfo Located(const char* city, double lat, double lon)
{
    HopInfo hop;
    hop.city = city;
    hop.lat = lat;
    hop.lon = lon;
    PlaceHop(hop);
    hop.rtt = 5;
    return hop;
}

HopInfo Unlocated(int rtt = 5)
{
    HopInfo hop;
    hop.rtt = rtt;
    return hop;
}

void ExpectPoint(const Point3& p, double x, double y, double z)
{
    EXPECT_NEAR(p.x, x, 1e-12);
    EXPECT_NEAR(p.y, y, 1e-12);
    EXPECT_NEAR(p.z, z, 1e-12);
}

TEST(GlobeGeometry, PlacesHopsAboveTheGlobeWithThePolesOnTheYAxis)
{
    HopInfo hop = Located("Accra", 0, 0);
    ExpectPoint({hop.x, hop.y, hop.z}, 0, 0, 10.01);
    hop = Located("Pole", 90, 0);
    ExpectPoint({hop.x, hop.y, hop.z}, 0, 10.01, 0);
    hop = Located("East", 0, 90);
    ExpectPoint({hop.x, hop.y, hop.z}, 10.01, 0, 0);
}

TEST(GlobeGeometry, ArcsJoinShownHopsInOtherPlacesAndEndOnTheEndHop)
{
    const std::vector<HopInfo> hops{
        Located("Paris", 48.85, 2.35),     Located("Paris", 48.85, 2.35), Unlocated(),
        Located("Frankfurt", 50.11, 8.68), Located("Nowhere", NAN, 0),    Located("New York", 40.71, -74.0)};
    const auto arcs = RouteArcs(hops);
    ASSERT_EQ(arcs.size(), 2u);
    EXPECT_EQ(arcs[0], std::make_pair(std::size_t{0}, std::size_t{3}));
    EXPECT_EQ(arcs[1], std::make_pair(std::size_t{3}, std::size_t{5}));

    const auto segments = ArcSegments(hops[3], hops[5]);
    ASSERT_EQ(segments.size(), 25u);
    const Point3 start = GlobePosition(50.11, 8.68, ArcRadius);
    const Point3 end = GlobePosition(40.71, -74.0, ArcRadius);
    ExpectPoint(segments.front().from, start.x, start.y, start.z);
    EXPECT_NEAR(segments.back().to.x, end.x, 1e-9);
    EXPECT_NEAR(segments.back().to.y, end.y, 1e-9);
    EXPECT_NEAR(segments.back().to.z, end.z, 1e-9);
    for (std::size_t j = 1; j < segments.size(); ++j)
        ExpectPoint(segments[j].from, segments[j - 1].to.x, segments[j - 1].to.y, segments[j - 1].to.z);

    EXPECT_TRUE(RouteArcs({Located("Paris", 48.85, 2.35), Located("Paris", 48.85, 2.35)}).empty());
}

TEST(GlobeGeometry, TheLastShownHopIsMarkedWhenUnnamedPlacesFollowIt)
{
    std::vector<HopInfo> hops{Located("Paris", 48.85, 2.35), Located("Berlin", 52.52, 13.4), Unlocated(), Unlocated()};
    EXPECT_EQ(GlobeLabel(hops, 0), "Paris");
    EXPECT_EQ(GlobeLabel(hops, 1), "Berlin ???");
    hops.resize(2);
    EXPECT_EQ(GlobeLabel(hops, 1), "Berlin");
    // A city whose coordinates are no numbers is not shown, so the mark goes to the one before.
    hops.push_back(Located("Broken", std::numeric_limits<double>::infinity(), 0));
    EXPECT_FALSE(IsShownOnGlobe(hops[2]));
    EXPECT_EQ(GlobeLabel(hops, 1), "Berlin ???");
}

TEST(GlobeGeometry, TheRingSpreadsHopsByTheirTimes)
{
    const std::vector<HopInfo> hops{Unlocated(10), Unlocated(20), Unlocated(30)};
    const auto ring = RingView(hops);
    ASSERT_EQ(ring.size(), 3u);
    EXPECT_DOUBLE_EQ(ring[0].angle, 30);
    EXPECT_DOUBLE_EQ(ring[1].angle, 90);
    EXPECT_DOUBLE_EQ(ring[2].angle, 180);
    EXPECT_DOUBLE_EQ(ring[0].red, 1.0 / 3);
    EXPECT_DOUBLE_EQ(ring[2].red, 1);
    ExpectPoint(ring[1].point, 0, 10.04, 0);
    ExpectPoint(ring[2].point, 0, 0, -10.04);

    EXPECT_TRUE(RingView({Unlocated(0), Unlocated(0)}).empty());
    EXPECT_TRUE(RingView({}).empty());
    HopInfo named = Unlocated(12);
    named.ip = "10.0.0.1";
    named.host = "r1.example";
    EXPECT_EQ(RingLabel(named), "10.0.0.1--r1.example--12 ms");
}

TEST(GlobeGeometry, MotionPansRotatesAndZoomsByThePixelsMoved)
{
    View view;
    view.Apply(RotateMotion, 0, 1000);
    EXPECT_DOUBLE_EQ(view.rotX, 270); // kept: only beyond 360 does it wrap
    view.Apply(RotateMotion, 0, 500);
    EXPECT_NEAR(view.rotX, 90, 1e-9);
    view.Apply(RotateMotion, -1100, 0);
    EXPECT_NEAR(view.rotY, -36, 1e-9);

    view.Reset();
    view.Apply(PanMotion, 10, 20);
    EXPECT_DOUBLE_EQ(view.panX, 0.5);
    EXPECT_DOUBLE_EQ(view.panY, -1);
    view.Apply(ZoomMotion, 5, 15);
    EXPECT_DOUBLE_EQ(view.zoom, -33);
    view.Apply(NoMotion, 100, 100);
    EXPECT_DOUBLE_EQ(view.zoom, -33);

    EXPECT_EQ(ModeFor(true, false, RotateMotion), PanMotion);
    EXPECT_EQ(ModeFor(false, true, PanMotion), RotateMotion);
    EXPECT_EQ(ModeFor(true, true, PanMotion), ZoomMotion);
    EXPECT_EQ(ModeFor(false, false, ZoomMotion), ZoomMotion);

    EXPECT_EQ(ArrowStep(platform::vk::Left).dx, -8);
    EXPECT_EQ(ArrowStep(platform::vk::Down).dy, 8);
    EXPECT_FALSE(IsArrowKey('P'));
}

} // namespace
