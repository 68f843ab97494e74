#include "platform/base/ProgramSpawn.h"

#include "platform/base/Exception.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <spawn.h>
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

} // namespace platform
