#include "platform/shell/RunProgram.h"

#include "platform/base/Exception.h"
#include "platform/base/FileDescriptor.h"
#include "platform/shell/ProgramSpawn.h"
#include "platform/ui/ExceptionGuard.h"
#include "platform/ui/Locations.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {
namespace {

constexpr std::size_t outputStart = 16 * 1024;

// The ends of a watched program's output that are ours to hand out: the pipe's writing end for
// the program, and our end of the socket through which the keeper hands the start back.
struct KeptOutput {
    FileDescriptor forProgram;
    FileDescriptor start;
};

[[noreturn]] void CannotStart(const std::string& program)
{
    throw Exception("cannot start " + program + ": " + std::strerror(errno));
}

// The output keeper, a program of its own beside ours so that it can outlive us, on a new pipe.
KeptOutput StartOutputKeeper(const std::string& program)
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        CannotStart(program);
    const FileDescriptor readEnd(pipeEnds[0]);
    KeptOutput output{FileDescriptor(pipeEnds[1]), {}};
    int socketEnds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, socketEnds) != 0)
        CannotStart(program);
    output.start.reset(socketEnds[0]);
    const FileDescriptor keepers(socketEnds[1]);
    const std::string keeper = programDirectory() + "pelvaxon-output-keeper";
    // The keeper hands its work to a process of its own and ends at once.
    if (spawn::WaitForExit(spawn::Spawn(keeper, {}, {}, {readEnd.get(), keepers.get(), -1})) != 0)
        throw Exception("cannot start " + program + ": " + keeper + " failed");
    return output;
}

// Hears a program's end through its process descriptor on the event loop and reaps it, then
// asks the keeper for the start of the output and hands both on once that has come. Goes with
// the application if the program outlives it, which tells the keeper that nobody asks.
class ExitWatch final : public QObject {
public:
    ExitWatch(pid_t pid, FileDescriptor process, FileDescriptor start,
              std::function<void(int, const std::string&)> ended)
        : QObject(QCoreApplication::instance()),
          pid_(pid),
          process_(std::move(process)),
          start_(std::move(start)),
          ended_(std::move(ended)),
          exit_(process_.get(), QSocketNotifier::Read),
          reading_(start_.get(), QSocketNotifier::Read)
    {
        connect(&exit_, &QSocketNotifier::activated, this, [this] { Exited(); });
        connect(&reading_, &QSocketNotifier::activated, this, [this] { ReadStart(); });
    }
    ~ExitWatch() override
    {
        if (!exited_)
            spawn::ReapInBackground(pid_);
    }
    ExitWatch(const ExitWatch&) = delete;
    ExitWatch& operator=(const ExitWatch&) = delete;

private:
    void Exited()
    {
        exit_.setEnabled(false);
        status_ = spawn::WaitForExit(pid_);
        exited_ = true;
        shutdown(start_.get(), SHUT_WR);
        EndOnceDone();
    }

    void ReadStart()
    {
        char buffer[4096];
        const ssize_t got = recv(start_.get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (got > 0) {
            output_.append(buffer, std::min(std::size_t(got), outputStart - output_.size()));
            return;
        }
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        reading_.setEnabled(false);
        startRead_ = true;
        EndOnceDone();
    }

    void EndOnceDone()
    {
        if (!exited_ || !startRead_)
            return;
        deleteLater();
        guarded([&] { ended_(status_, output_); });
    }

    pid_t pid_;
    FileDescriptor process_;
    FileDescriptor start_;
    std::function<void(int, const std::string&)> ended_;
    QSocketNotifier exit_;
    QSocketNotifier reading_;
    int status_ = -1;
    bool exited_ = false;
    bool startRead_ = false;
    std::string output_;
};

} // namespace

void RunProgramWatched(const std::string& program, const std::vector<std::string>& arguments,
                       std::function<void(int status, const std::string& output)> ended)
{
    if (!QCoreApplication::instance()) {
        RunProgram(program, arguments, ProgramWait::Detach);
        return;
    }
    KeptOutput output = StartOutputKeeper(program);
    const pid_t pid = spawn::Spawn(program, arguments, {}, {-1, output.forProgram.get(), output.forProgram.get()});
    // From here on only the program and what it starts write to the keeper.
    output.forProgram.reset();
    FileDescriptor process(static_cast<int>(syscall(SYS_pidfd_open, pid, 0)));
    if (!process) {
        spawn::ReapInBackground(pid);
        return;
    }
    new ExitWatch(pid, std::move(process), std::move(output.start), std::move(ended));
}

} // namespace platform
