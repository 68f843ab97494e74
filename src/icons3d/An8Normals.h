#pragma once

#include "icons3d/An8Model.h"

#include <functional>
#include <string>

// Faces a point's smoothing may look at; a point in more faces uses the first ones.
inline constexpr int kAn8MaxFacesPerPoint = 130;

// Fills the corner normals of every face and the mesh's vertex normals. Face normals are
// the negated Newell normals of each face's first three corners. Large meshes (above 916
// faces) and meshes marked smooth get vertex normals; small ones get corner normals
// smoothed across neighbouring faces within the smooth angle. The corner indices must be
// valid (the reader drops faces that are not). message receives "vertex is in too many
// faces" once when a point lies in more faces than are looked at.
void An8ComputeNormals(An8Mesh& mesh, const std::function<void(const std::string&)>& message);
