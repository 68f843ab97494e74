#pragma once

#include <string>

namespace platform {

// The label of the filesystem that holds the path; "" when it has none (usual for "/").
std::string VolumeLabel(const std::string& path);

} // namespace platform
