#pragma once

#include "icons3d/An8Model.h"

#include <cstdint>
#include <functional>
#include <string>

struct GLUquadric;

// What drawing a model needs besides its records: the quadric spheres, cylinders and disks
// are made with (none draws no primitive of them), the outline text of the view that draws
// (none draws no text), and where a GLU error goes.
struct An8DrawContext {
    const An8Model& model;
    GLUquadric* quadric = nullptr;
    std::function<void(const std::string&)> drawText;
    std::function<void(const std::string&)> gluError;
};

// Draws every node of the list at the current modelview matrix, under the scene light. The
// caller's lighting, blending and texturing are off afterwards, its shade model and matrix as
// they were.
void DrawNodeList(const An8DrawContext& context, const An8NodeList& list);

// The material a number selects in the model's list, or, for a number that selects none
// (negative or past the end), the material every record has until a file says otherwise.
const An8Material& SelectMaterial(const An8Model& model, int32_t number);
void ApplyMaterial(const An8Material& material);

