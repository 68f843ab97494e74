#pragma once

#include "icons3d/An8Model.h"

#include <cstdint>

// How much drawing a model once may cost before it is refused as an icon, counted as the
// vertices sent plus the records visited. References multiply (elements of a figure of named
// objects of an object), so a few hundred kB of file could ask for 10^9 faces a frame.
constexpr std::uint64_t kAn8IconVertexBudget = 500000;

struct An8ModelSize {
    double minimum[3] = {0, 0, 0};
    double maximum[3] = {0, 0, 0};
    double extent = 1;           // the largest of 1 and the box's sides
    std::uint64_t vertices = 0;  // the cost of one draw, as far as it was counted
    bool tooComplex = false;     // above the budget: the walk stopped there
    bool holdsText = false;      // a text command with text is drawn
};

// The box around what drawing reaches, the origin always inside; positions add up along
// elements, named objects and groups, rotations and scales are not applied.
An8ModelSize MeasureModel(const An8NodeList& elements, std::uint64_t vertexBudget = kAn8IconVertexBudget);

// Scales a model in place so that it fits the small box of an icon: every position and size
// is divided by extent x 4, once per record however often it is reached. A model larger than
// one unit ends at most 0.25 across; a smaller one shrinks four times. A model above the
// budget is left as it was. Returns the measure taken before scaling.
An8ModelSize NormalizeModelSize(An8NodeList& elements, std::uint64_t vertexBudget = kAn8IconVertexBudget);
