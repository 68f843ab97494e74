#include "support/TestEnvironment.h"

#include <QDir>
#include <QTemporaryDir>

#include <clocale>
#include <cstdlib>
#include <memory>

namespace testsupport {
namespace {
std::function<void()>& pendingStep()
{
    static std::function<void()> step;
    return step;
}
} // namespace

void isolateEnvironment()
{
    static std::unique_ptr<QTemporaryDir> root = std::make_unique<QTemporaryDir>();
    const QByteArray base = root->path().toLocal8Bit();
    for (const char* sub : {"home", "config", "data", "cache", "runtime"})
        QDir(root->path()).mkpath(sub);
    setenv("HOME", (base + "/home").constData(), 1);
    setenv("XDG_CONFIG_HOME", (base + "/config").constData(), 1);
    setenv("XDG_DATA_HOME", (base + "/data").constData(), 1);
    setenv("XDG_CACHE_HOME", (base + "/cache").constData(), 1);
    setenv("XDG_RUNTIME_DIR", (base + "/runtime").constData(), 1);
    QFile::setPermissions(root->path() + "/runtime", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setenv("TZ", "UTC", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    std::setlocale(LC_ALL, "C.UTF-8");
}

void setBeforeApplication(std::function<void()> step) { pendingStep() = std::move(step); }

void beforeApplication()
{
    if (pendingStep())
        pendingStep()();
}

} // namespace testsupport
