#pragma once

#include <string>
#include <vector>

namespace testsupport {

// Runs a program (found through PATH) with its arguments as bytes, waiting at most timeoutMs;
// a program still running then is killed. Its standard output goes to *output when given and
// is dropped otherwise; its standard error passes through. The exit status, or -1 when the
// program could not start, was killed or died of a signal.
int runProgram(const std::vector<std::string>& command, std::string* output = nullptr, int timeoutMs = 10000);

} // namespace testsupport
