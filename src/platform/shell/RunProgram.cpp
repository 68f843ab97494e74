#include "platform/shell/RunProgram.h"

#include "platform/base/Exception.h"
#include "platform/base/FileDescriptor.h"
#include "platform/shell/ProgramSpawn.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <string_view>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {
namespace {

// Owns the spawn attributes and file actions for one start.
class SpawnSetup {
public:
    SpawnSetup(const std::string& directory, const spawn::Streams& streams)
    {
        posix_spawnattr_init(&attributes_);
        posix_spawn_file_actions_init(&actions_);
        // Ignored signals (SIGPIPE is, for the sockets) and blocked ones would be inherited.
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attributes_, &all);
        posix_spawnattr_setsigmask(&attributes_, &none);
        posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        if (!directory.empty())
            posix_spawn_file_actions_addchdir_np(&actions_, directory.c_str());
        if (streams.input >= 0)
            posix_spawn_file_actions_adddup2(&actions_, streams.input, STDIN_FILENO);
        else
            posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        if (streams.output >= 0)
            posix_spawn_file_actions_adddup2(&actions_, streams.output, STDOUT_FILENO);
        if (streams.error >= 0)
            posix_spawn_file_actions_adddup2(&actions_, streams.error, STDERR_FILENO);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&actions_);
        posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    const posix_spawnattr_t* attributes() const { return &attributes_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }

private:
    posix_spawnattr_t attributes_;
    posix_spawn_file_actions_t actions_;
};

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

namespace spawn {

int WaitForExit(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments, const std::string& directory,
            const Streams& streams)
{
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const SpawnSetup setup(directory, streams);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, program.c_str(), setup.actions(), setup.attributes(), argv.data(), environ);
    if (error != 0) {
        const std::string where = directory.empty() ? std::string() : " in " + directory;
        throw Exception("cannot start " + program + where + ": " + std::strerror(error));
    }
    return pid;
}

void ReapInBackground(pid_t pid)
{
    std::thread([pid] { WaitForExit(pid); }).detach();
}

} // namespace spawn

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
