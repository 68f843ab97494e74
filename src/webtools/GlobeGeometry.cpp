#include "webtools/GlobeGeometry.h"

#include "platform/ui/VirtualKeys.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <optional>

namespace globe {

Point3 GlobePosition(double lat, double lon, double radius)
{
    const double la = lat * degToRad;
    const double lo = lon * degToRad;
    return {std::cos(la) * std::sin(lo) * radius, std::sin(la) * radius, std::cos(la) * std::cos(lo) * radius};
}

Point3 Scaled(const Point3& p, double factor)
{
    return {p.x * factor, p.y * factor, p.z * factor};
}

void PlaceHop(HopInfo& hop)
{
    const Point3 p = GlobePosition(hop.lat, hop.lon, HopRadius);
    hop.x = p.x;
    hop.y = p.y;
    hop.z = p.z;
}

bool IsShownOnGlobe(const HopInfo& hop)
{
    // Coordinates from elsewhere that are not numbers must never reach the drawing.
    return !hop.city.empty() && std::isfinite(hop.lat) && std::isfinite(hop.lon) && std::isfinite(hop.x)
           && std::isfinite(hop.y) && std::isfinite(hop.z);
}

std::vector<std::pair<std::size_t, std::size_t>> RouteArcs(const std::vector<HopInfo>& hops)
{
    std::vector<std::pair<std::size_t, std::size_t>> arcs;
    std::optional<std::size_t> start;
    for (std::size_t i = 0; i < hops.size(); ++i) {
        if (!IsShownOnGlobe(hops[i]))
            continue;
        if (!start) {
            start = i;
        } else if (hops[i].lat != hops[*start].lat || hops[i].lon != hops[*start].lon) {
            arcs.emplace_back(*start, i);
            start = i;
        }
    }
    return arcs;
}

std::vector<Segment> ArcSegments(const HopInfo& start, const HopInfo& end)
{
    const double latStep = std::abs(start.lat - end.lat) * ArcStepFactor;
    const double lonStep = std::abs(start.lon - end.lon) * ArcStepFactor;
    // Each coordinate moves towards the end hop's.
    const double latSign = start.lat >= end.lat ? -1 : 1;
    const double lonSign = start.lon >= end.lon ? -1 : 1;
    auto at = [&](int step) {
        return GlobePosition(start.lat + latSign * step * latStep, start.lon + lonSign * step * lonStep, ArcRadius);
    };
    std::vector<Segment> segments;
    segments.reserve(ArcSegmentCount);
    for (int j = 1; j <= ArcSegmentCount; ++j)
        segments.push_back({at(j - 1), at(j)});
    return segments;
}

std::string GlobeLabel(const std::vector<HopInfo>& hops, std::size_t index)
{
    std::string label = hops[index].city;
    auto shown = [&](std::size_t i) { return IsShownOnGlobe(hops[i]); };
    std::size_t lastShown = hops.size();
    for (std::size_t i = hops.size(); i-- > 0;) {
        if (shown(i)) {
            lastShown = i;
            break;
        }
    }
    // The route goes on into places nobody could name.
    if (index == lastShown && index + 1 < hops.size())
        label += " ???";
    return label;
}

std::vector<RingHop> RingView(const std::vector<HopInfo>& hops)
{
    std::int64_t total = 0;
    int largest = 1;
    for (const HopInfo& hop : hops) {
        total += hop.rtt;
        largest = std::max(largest, hop.rtt);
    }
    if (total <= 0)
        return {};
    std::vector<RingHop> ring;
    ring.reserve(hops.size());
    std::int64_t sum = 0;
    for (const HopInfo& hop : hops) {
        sum += hop.rtt;
        RingHop point;
        point.angle = static_cast<double>(sum) * 180.0 / static_cast<double>(total);
        point.point = GlobePosition(point.angle, 0, ArcRadius);
        point.red = static_cast<double>(hop.rtt) / largest;
        ring.push_back(point);
    }
    return ring;
}

std::string RingLabel(const HopInfo& hop)
{
    return hop.ip + "--" + hop.host + "--" + std::to_string(hop.rtt) + " ms";
}

MotionMode ModeFor(bool alt, bool ctrl, MotionMode chosen)
{
    if (alt && ctrl)
        return ZoomMotion;
    if (alt)
        return PanMotion;
    if (ctrl)
        return RotateMotion;
    return chosen;
}

namespace {

double WrapDegrees(double angle)
{
    if (angle > 360)
        angle -= 360;
    if (angle < -360)
        angle += 360;
    return angle;
}

} // namespace

void View::Apply(MotionMode mode, int dx, int dy)
{
    switch (mode) {
    case PanMotion:
        panX += 0.05 * dx;
        panY -= 0.05 * dy;
        break;
    case RotateMotion:
        rotX = WrapDegrees(rotX + dy * 180 * 0.002);
        rotY = WrapDegrees(rotY + dx * 180 * 0.002);
        break;
    case ZoomMotion: zoom += 0.2 * (dy - dx); break;
    case NoMotion: break;
    }
}

Step ArrowStep(int virtualKey)
{
    namespace vk = platform::vk;
    switch (virtualKey) {
    case vk::Left: return {-8, 0};
    case vk::Right: return {8, 0};
    case vk::Up: return {0, -8};
    case vk::Down: return {0, 8};
    default: return {};
    }
}

bool IsArrowKey(int virtualKey)
{
    const Step step = ArrowStep(virtualKey);
    return step.dx != 0 || step.dy != 0;
}

} // namespace globe
