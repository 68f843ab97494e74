#pragma once

#include <functional>

namespace testsupport {

// Points HOME and the XDG directories at a fresh temporary folder removed at exit, and
// fixes TZ and the locale, so no test reads or writes the user's own settings.
void isolateEnvironment();

// Work a GUI test binary must do before the application object exists (surface format,
// context sharing). Registered by a static object in the test file.
void setBeforeApplication(std::function<void()> step);
void beforeApplication();

} // namespace testsupport
