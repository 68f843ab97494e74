#pragma once

#include <string>

namespace testsupport {

// Builds a locale from the system's definitions (the `locales` package) into a temporary
// directory of this test program and points LOCPATH there, so setlocale finds it on any
// machine, whether or not it was ever generated and whoever runs the tests. Gives the name
// to pass to setlocale ("de_DE.UTF-8"); throws std::runtime_error saying why it failed.
std::string buildLocale(const std::string& language, const std::string& charmap);

// Sets one locale category while it lives and puts the previous one back.
class ScopedLocale {
public:
    ScopedLocale(int category, const std::string& name);
    ~ScopedLocale();
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

private:
    int category_;
    std::string previous_;
};

} // namespace testsupport
