#include "platform/shell/Launcher.h"

#include "platform/base/Exception.h"
#include "platform/shell/RunProgram.h"

#include <QDesktopServices>
#include <QUrl>

namespace platform {
namespace {

class DesktopLauncher final : public Launcher {
public:
    void openUrl(const std::string& url) override
    {
        if (!QDesktopServices::openUrl(QUrl(QString::fromStdString(url))))
            throw Exception("cannot open " + url);
    }

    // A document goes to xdg-open as bytes: a URL would have to decode a name that may not
    // be valid text.
    void openDocument(const std::string& path) override
    {
        if (path.empty() || path.front() != '/')
            throw Exception("cannot open " + path + ": not an absolute path");
        RunProgram("xdg-open", {path}, ProgramWait::Detach);
    }

    void startProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const std::string& directory) override
    {
        RunProgram(program, arguments, ProgramWait::Detach, directory);
    }
};

std::unique_ptr<Launcher>& current()
{
    static std::unique_ptr<Launcher> instance = std::make_unique<DesktopLauncher>();
    return instance;
}

} // namespace

Launcher& launcher() { return *current(); }

std::unique_ptr<Launcher> setLauncher(std::unique_ptr<Launcher> replacement)
{
    std::swap(current(), replacement);
    return replacement;
}

} // namespace platform
