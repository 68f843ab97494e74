#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

// Opens things with the desktop's program for them, as the shell's "open" did, and starts
// the programs a user works in. One replaceable service, so tests record what would have
// been opened or started instead of starting a browser, a mail program or a terminal.
class Launcher {
public:
    virtual ~Launcher() = default;
    // A web page or a "mailto:" address. Throws platform::Exception naming the address
    // when no opener could be started; an opener that fails later says so in a message box
    // naming the address and giving the opener's reason.
    virtual void openUrl(const std::string& url) = 0;
    // A document by its absolute path, as bytes; failures as for openUrl.
    virtual void openDocument(const std::string& path) = 0;
    // A program left running on its own (an editor, a terminal), its arguments as bytes, in
    // the directory. Throws platform::Exception naming the program when it cannot start.
    virtual void startProgram(const std::string& program, const std::vector<std::string>& arguments,
                              const std::string& directory) = 0;
};

// The launcher in force; the desktop's until another is installed.
Launcher& launcher();
// Installs a launcher and returns the previous one, so a test can put it back.
std::unique_ptr<Launcher> setLauncher(std::unique_ptr<Launcher> replacement);

} // namespace platform
