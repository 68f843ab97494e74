#include "platform/gl/ViewVolume.h"

#include <gtest/gtest.h>

namespace {

using Points = std::vector<std::array<float, 3>>;
using Kept = std::vector<std::uint32_t>;

// Model x and y are window coordinates of a 10 by 10 viewport; z from -1 to 1 is in view.
const platform::Matrix4 windowSpace{0.2, 0, 0, 0, 0, 0.2, 0, 0, 0, 0, 1, 0, -1, -1, 0, 1};
// The same, seen in perspective: clip w is the model's z, so z <= 0 lies behind the eye.
const platform::Matrix4 perspective{0.2, 0, 0, 0, 0, 0.2, 0, 0, 0, 0, 0, 1, -1, -1, 0, 0};

Kept Covering(const platform::Matrix4& toClip, const Points& corners)
{
    std::vector<std::array<std::uint32_t, 3>> triangles;
    for (std::uint32_t i = 0; i + 2 < corners.size(); i += 3)
        triangles.push_back({i, i + 1, i + 2});
    Kept kept;
    platform::ViewVolume(windowSpace, {0, 0, 10, 10}).CoveringTriangles(toClip, corners, triangles, kept);
    return kept;
}

TEST(ViewVolume, ATriangleIsLeftOutOnlyWhenNoPixelCentreLiesOnItOrWithinRoundingOfIt)
{
    const Points triangles = {
        {1, 1, 0},       {4, 1, 0},       {1, 4, 0}, // 0: covers several centres
        {2.1f, 2.1f, 0}, {2.9f, 2.1f, 0}, {2.1f, 2.4f, 0}, // 1: between the rows of centres
        {2, 2, 0},       {2.9f, 2, 0},    {2, 2.9f, 0}, // 2: around (2.5, 2.5) but short of it
        {2, 2, 0},       {2.98f, 2, 0},   {2, 2.98f, 0}, // 3: short of it by less than rounding
        {5.5f, 5.5f, 0}, {5.5f, 5.5f, 0}, {5.5f, 5.5f, 0}, // 4: a point, on a centre
        {20, 20, 0},     {24, 20, 0},     {20, 24, 0}, // 5: beyond the viewport
        {1, 1, 0},       {9, 1, 0},       {1, 9, 5}, // 6: partly beyond the far plane
        {1, 1, 3},       {9, 1, 3},       {1, 9, 3}, // 7: wholly beyond it
        {9.9f, 4, 0},    {12, 4, 0},      {12, 6, 0}, // 8: its centres lie right of the viewport
    };
    EXPECT_EQ(Covering(windowSpace, triangles), (Kept{0, 3, 4, 6}));
}

TEST(ViewVolume, BehindTheEyeATriangleIsKeptUnlessWhollyBeyondAPlane)
{
    const Points triangles = {
        {2.1f, 2.1f, 1}, {2.9f, 2.1f, 1}, {2.1f, 2.4f, -1}, // its window shadow is no bound
        {1, 1, -1},      {4, 1, -1},      {1, 4, -1}, // wholly behind
    };
    EXPECT_EQ(Covering(perspective, triangles), (Kept{0}));
}

TEST(ViewVolume, ABoxIsExcludedOnlyWhenWhollyBeyondOnePlane)
{
    const platform::ViewVolume view(windowSpace, {0, 0, 10, 10});
    EXPECT_FALSE(view.Excludes({2, 2, 0}, {3, 3, 0}));
    EXPECT_FALSE(view.Excludes({-5, -5, -5}, {15, 15, 5})) << "around the whole view";
    EXPECT_FALSE(view.Excludes({9, 2, 0}, {11, 3, 0})) << "across the right edge";
    EXPECT_TRUE(view.Excludes({11, 2, 0}, {12, 3, 0}));
    EXPECT_TRUE(view.Excludes({2, 2, 1.5}, {3, 3, 2})) << "beyond the far plane";
    EXPECT_TRUE(view.Excludes({-3, 11, 0}, {-1, 12, 0})) << "beyond two planes";
    EXPECT_FALSE(view.Excludes({10.0001, 2, 0}, {11, 3, 0})) << "grazing the edge, within the driver's rounding";
}

} // namespace
