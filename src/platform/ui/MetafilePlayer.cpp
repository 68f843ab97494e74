#include "platform/ui/MetafilePlayer.h"

#include "platform/base/Exception.h"
#include "platform/base/FileDescriptor.h"
#include "platform/base/ProgramSpawn.h"
#include "platform/ui/Locations.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <string_view>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kTimeLimitSeconds = 10;
// Far beyond what a metafile of the size we read plays into; more is a file that blows up.
constexpr std::int64_t kSvgLimit = 256 * 1024 * 1024;

[[noreturn]] void Fail(const std::string& reason)
{
    throw Exception(reason);
}

// Installed beside the program; tests and fuzz targets run from the build tree.
std::string PlayerProgram()
{
    const std::string beside = programDirectory() + "pelvaxon-metafile";
    return access(beside.c_str(), X_OK) == 0 ? beside : std::string(PELVAXON_METAFILE_PLAYER);
}

FileDescriptor MemoryFile(std::string_view contents)
{
    FileDescriptor file(memfd_create("metafile", MFD_CLOEXEC));
    if (!file)
        Fail(std::string("cannot make room to play it: ") + std::strerror(errno));
    while (!contents.empty()) {
        const ssize_t put = write(file.get(), contents.data(), contents.size());
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            Fail(std::string("cannot make room to play it: ") + std::strerror(errno));
        contents.remove_prefix(std::size_t(put));
    }
    lseek(file.get(), 0, SEEK_SET);
    return file;
}

// Its input and output are memory files, so neither side ever waits for the other; what the
// libraries say on their error stream is no business of the program's.
pid_t StartPlayer(const std::vector<std::string>& arguments, int input, int output)
{
    const FileDescriptor nowhere(open("/dev/null", O_WRONLY | O_CLOEXEC));
    const std::vector<std::string> options(arguments.begin() + 1, arguments.end());
    return spawn::Spawn(arguments.front(), options, {}, {input, output, nowhere ? nowhere.get() : -1});
}

// The player's exit status; one still running at the time limit is killed.
int AwaitPlayer(pid_t pid)
{
    const FileDescriptor process(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
    int ready = -1;
    if (process) {
        pollfd ended{process.get(), POLLIN, 0};
        while ((ready = poll(&ended, 1, kTimeLimitSeconds * 1000)) < 0 && errno == EINTR) {}
    }
    // Unwatched it could run for ever.
    const bool late = ready <= 0;
    if (late)
        kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    if (late)
        Fail("playing it took longer than " + std::to_string(kTimeLimitSeconds) + " seconds");
    return status;
}

} // namespace

std::string ReadWholeFile(int file, std::int64_t limit, const std::string& what)
{
    struct stat status {};
    if (fstat(file, &status) != 0)
        Fail(std::strerror(errno));
    if (status.st_size > limit)
        Fail(what + " is too large (" + std::to_string(status.st_size) + " bytes)");
    std::string contents(std::size_t(status.st_size), '\0');
    std::size_t done = 0;
    while (done < contents.size()) {
        const ssize_t got = pread(file, contents.data() + done, contents.size() - done, off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            Fail(std::strerror(errno));
        if (got == 0)
            break;
        done += std::size_t(got);
    }
    contents.resize(done);
    return contents;
}

std::string PlayMetafile(MetafileKind kind, const MetafileLayout& layout)
{
    std::vector<std::string> arguments = {PlayerProgram()};
    if (kind == MetafileKind::Wmf)
        arguments.insert(arguments.end(), {"wmf", std::to_string(layout.width), std::to_string(layout.height)});
    else
        arguments.emplace_back("emf");
    const FileDescriptor input = MemoryFile(layout.bytes);
    const FileDescriptor output = MemoryFile({});
    const int status = AwaitPlayer(StartPlayer(arguments, input.get(), output.get()));
    if (WIFSIGNALED(status))
        Fail("the metafile player ended on signal " + std::to_string(WTERMSIG(status)));
    const std::string written = ReadWholeFile(output.get(), kSvgLimit, "its drawing");
    if (WEXITSTATUS(status) == 3)
        Fail(written.substr(0, 200));
    if (WEXITSTATUS(status) != 0)
        Fail("the metafile player failed (exit status " + std::to_string(WEXITSTATUS(status)) + ")");
    return written;
}

} // namespace platform
