#include "platform/shell/RunProgram.h"

#include "platform/base/Exception.h"
#include "platform/base/FileDescriptor.h"
#include "platform/base/ProgramSpawn.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

// What a program wrote to a file it shares with us: the shared offset tells how far it got.
std::string WrittenTo(int file)
{
    const off_t end = lseek(file, 0, SEEK_CUR);
    std::string written;
    char buffer[4096];
    for (off_t at = 0; at < end;) {
        const ssize_t got = pread(file, buffer, std::min<off_t>(sizeof buffer, end - at), at);
        if (got <= 0)
            break;
        written.append(buffer, std::size_t(got));
        at += got;
    }
    return written;
}

} // namespace

using spawn::Spawn;
using spawn::WaitForExit;

int RunProgram(const std::string& program, const std::vector<std::string>& arguments, ProgramWait wait,
               const std::string& directory)
{
    const pid_t pid = Spawn(program, arguments, directory, {});
    if (wait == ProgramWait::UntilExit)
        return WaitForExit(pid);
    spawn::ReapInBackground(pid);
    return 0;
}

int RunProgramForOutput(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& directory, std::string& output)
{
    // A file rather than a pipe: a helper the program leaves running may keep its end open.
    const FileDescriptor collected(memfd_create("program-output", MFD_CLOEXEC));
    if (!collected)
        throw Exception("cannot start " + program + ": " + std::strerror(errno));
    const int status = WaitForExit(Spawn(program, arguments, directory, {-1, collected.get(), collected.get()}));
    output = WrittenTo(collected.get());
    return status;
}

std::string FindProgram(const std::string& program)
{
    if (program.empty())
        return {};
    const auto runnable = [](const std::string& path) {
        struct stat status {};
        return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) && access(path.c_str(), X_OK) == 0;
    };
    if (program.find('/') != std::string::npos)
        return runnable(program) ? program : std::string();
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "/usr/local/bin:/usr/bin:/bin";
    for (;;) {
        const std::size_t colon = rest.find(':');
        const std::string_view dir = rest.substr(0, colon);
        const std::string candidate = (dir.empty() ? std::string(".") : std::string(dir)) + "/" + program;
        if (runnable(candidate))
            return candidate;
        if (colon == std::string_view::npos)
            return {};
        rest.remove_prefix(colon + 1);
    }
}

} // namespace platform
