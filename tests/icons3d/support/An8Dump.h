#pragma once

#include "icons3d/An8Model.h"

#include <string>

// A text picture of a model tree: kinds, names, numbers rounded to 1e-4, registry names
// and list order. References print as "-> kind name" and are not followed.
std::string DumpModel(const An8Model& model);
