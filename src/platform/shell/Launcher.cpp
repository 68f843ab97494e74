#include "platform/shell/Launcher.h"

#include "platform/base/Exception.h"
#include "platform/shell/RunProgram.h"
#include "platform/ui/MessageService.h"

namespace platform {
namespace {

// Why the opener gave up: its last line, where it gives its verdict after whatever the
// programs it tried said; else how it ended.
std::string OpenerFailure(int status, const std::string& output)
{
    const std::size_t end = output.find_last_not_of(" \t\r\n");
    if (end == std::string::npos)
        return "xdg-open ended with status " + std::to_string(status);
    const std::size_t lineBreak = output.find_last_of('\n', end);
    const std::size_t start = lineBreak == std::string::npos ? 0 : lineBreak + 1;
    return output.substr(start, end + 1 - start);
}

// The desktop's opener, xdg-open, gets the page, address or document as bytes. It may run as
// long as the browser it starts, so its failure ("no method available") shows once it has ended.
void OpenWithDesktop(const std::string& what)
{
    try {
        RunProgramWatched("xdg-open", {what}, [what](int status, const std::string& output) {
            if (status != 0)
                ShowMessage("cannot open " + what + ": " + OpenerFailure(status, output));
        });
    } catch (const Exception& error) {
        throw Exception("cannot open " + what + ": " + error.what());
    }
}

class DesktopLauncher final : public Launcher {
public:
    void openUrl(const std::string& url) override { OpenWithDesktop(url); }

    void openDocument(const std::string& path) override
    {
        if (path.empty() || path.front() != '/')
            throw Exception("cannot open " + path + ": not an absolute path");
        OpenWithDesktop(path);
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

Launcher& launcher()
{
    return *current();
}

std::unique_ptr<Launcher> setLauncher(std::unique_ptr<Launcher> replacement)
{
    std::swap(current(), replacement);
    return replacement;
}

} // namespace platform
