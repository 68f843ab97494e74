#pragma once

#include "webtools/HopInfo.h"

#include <cstddef>
#include <string>
#include <vector>

// Where the trace window draws things and how its view moves, apart from any drawing.
// Coordinates have the y axis through the poles; the scene turns them +90 degrees about x.
namespace globe {

inline constexpr double degToRad = 0.017453292519943295;
inline constexpr double SphereRadius = 10;
inline constexpr int SphereSlices = 36;
inline constexpr int SphereStacks = 24;
inline constexpr double HopRadius = 10.01;
inline constexpr double ArcRadius = 10.04;
// Spikes end, and labels stand, this far out from their point.
inline constexpr double LabelFactor = 1.3;
inline constexpr int ArcSegmentCount = 25;
inline constexpr double ArcStepFactor = 0.04; // 1 / ArcSegmentCount

struct Point3 {
    double x = 0;
    double y = 0;
    double z = 0;
};

Point3 GlobePosition(double lat, double lon, double radius);
Point3 Scaled(const Point3& p, double factor);
// Fills the hop's x, y, z from its latitude and longitude.
void PlaceHop(HopInfo& hop);

// A hop is shown on the globe when it has a city and coordinates that are numbers.
bool IsShownOnGlobe(const HopInfo& hop);

struct Segment {
    Point3 from;
    Point3 to;
};

// The route's arcs as pairs of hop indexes: from one shown hop to the next one at another
// latitude or longitude; hops in the same place get none.
std::vector<std::pair<std::size_t, std::size_t>> RouteArcs(const std::vector<HopInfo>& hops);
// An arc's line segments at ArcRadius, stepping latitude and longitude evenly.
std::vector<Segment> ArcSegments(const HopInfo& start, const HopInfo& end);

// The label of a shown hop: its city, with " ???" on the last shown hop when hops without a
// place follow it.
std::string GlobeLabel(const std::vector<HopInfo>& hops, std::size_t index);

// The ring view spreads the hops over a half circle in proportion to their round-trip times.
struct RingHop {
    double angle = 0; // degrees
    Point3 point;
    // The red part of the line that ends here (green and blue are 1).
    double red = 0;
};
// Empty when no hop took any time.
std::vector<RingHop> RingView(const std::vector<HopInfo>& hops);
inline constexpr Point3 RingStart{0, 0, ArcRadius};
std::string RingLabel(const HopInfo& hop);

enum MotionMode { NoMotion = 0, PanMotion = 1, RotateMotion = 2, ZoomMotion = 3 };

// Alt pans, Ctrl rotates, both zoom; with neither, the mode the user chose.
MotionMode ModeFor(bool alt, bool ctrl, MotionMode chosen);

struct View {
    double rotX = -90;
    double rotY = 0;
    double panX = 0;
    double panY = 0;
    double zoom = -35;

    void Reset() { *this = View(); }
    // A pointer movement of dx, dy pixels in the given mode.
    void Apply(MotionMode mode, int dx, int dy);
};

// The pointer movement an arrow key stands for (8 pixels); 0, 0 for other keys.
struct Step {
    int dx = 0;
    int dy = 0;
};
Step ArrowStep(int virtualKey);
bool IsArrowKey(int virtualKey);

} // namespace globe
