#include "support/Locales.h"

#include <QTemporaryDir>

#include <clocale>
#include <cstdlib>
#include <memory>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>

extern char** environ;

namespace testsupport {

std::string buildLocale(const std::string& language, const std::string& charmap)
{
    static std::unique_ptr<QTemporaryDir> directory = std::make_unique<QTemporaryDir>();
    const std::string root = directory->path().toStdString();
    const std::string name = language + "." + charmap;
    const std::string output = root + "/" + name;
    const char* argv[] = {"localedef", "-i", language.c_str(), "-f", charmap.c_str(), output.c_str(), nullptr};
    // Exit status 1 means warnings with the locale written; setlocale tells whether it serves.
    pid_t pid = 0;
    int status = 0;
    if (posix_spawnp(&pid, "localedef", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0
        || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) > 1)
        throw std::runtime_error("localedef could not build " + name + " into " + root
                                 + " (is the locales package installed?)");
    setenv("LOCPATH", root.c_str(), 1);
    return name;
}

ScopedLocale::ScopedLocale(int category, const std::string& name) : category_(category)
{
    const char* previous = std::setlocale(category, nullptr);
    previous_ = previous ? previous : "C";
    if (!std::setlocale(category, name.c_str()))
        throw std::runtime_error("setlocale cannot switch to " + name);
}

ScopedLocale::~ScopedLocale()
{
    std::setlocale(category_, previous_.c_str());
}

} // namespace testsupport
