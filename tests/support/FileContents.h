#pragma once

#include <string>

namespace testsupport {

// The whole file as bytes; empty when it cannot be read.
std::string readFile(const std::string& path);
// Makes the file hold exactly these bytes, making its directory first.
void writeFile(const std::string& path, const std::string& content);

} // namespace testsupport
