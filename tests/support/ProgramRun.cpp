#include "support/ProgramRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace testsupport {

int runProgram(const std::vector<std::string>& command, std::string* output, int timeoutMs)
{
    if (command.empty())
        return -1;
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    for (const std::string& word : command)
        argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned = ::posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    auto left = [&] {
        return static_cast<int>(std::max<long long>(
            0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
                   .count()));
    };
    if (spawned == 0) {
        char chunk[4096];
        for (pollfd ready{pipeEnds[0], POLLIN, 0}; ::poll(&ready, 1, left()) > 0;) {
            const ssize_t got = ::read(pipeEnds[0], chunk, sizeof chunk);
            if (got <= 0)
                break;
            if (output)
                output->append(chunk, static_cast<std::size_t>(got));
        }
    }
    ::close(pipeEnds[0]);
    if (spawned != 0)
        return -1;

    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (left() == 0) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace testsupport
