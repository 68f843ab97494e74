// pelvaxon-output-keeper: holds the reading end of a watched program's output for as long as
// anything writes to it, so that the program, and whatever it leaves running (a browser started
// by the desktop's opener), never meets a full or closed pipe, however much it writes and
// whether or not Pelvaxon still runs. It keeps the start of the output for Pelvaxon and throws
// the rest away.
//
// Standard input is the pipe the program writes to; standard output a stream socket to Pelvaxon.
// Pelvaxon shuts its side of the socket once the program has ended: the keeper then reads what
// the pipe holds, which is all the program wrote, sends the start it kept and closes the socket.
// The output ending first sends the start at once. The keeper leaves once every writer has gone.
#include <algorithm>
#include <cerrno>
#include <cstddef>

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr std::size_t keptSize = 16 * 1024;
constexpr std::size_t pieceSize = 64 * 1024;
char kept[keptSize];
std::size_t keptLength = 0;

// Reads up to `most` bytes of the output, keeping what the start still lacks. Gives how many
// came, 0 once the last writer has closed the pipe.
std::size_t ReadPiece(std::size_t most)
{
    static char piece[pieceSize];
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, piece, std::min(most, pieceSize));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return 0;
        const std::size_t keep = std::min(std::size_t(got), keptSize - keptLength);
        std::copy(piece, piece + keep, kept + keptLength);
        keptLength += keep;
        return std::size_t(got);
    }
}

// Reads what the pipe holds now and no more, since whatever the program left running may
// write on and on; false once the last writer has closed the pipe.
bool ReadWaiting()
{
    int waiting = 0;
    if (ioctl(STDIN_FILENO, FIONREAD, &waiting) != 0)
        return true;
    for (std::size_t left = std::size_t(std::max(waiting, 0)); left > 0;) {
        const std::size_t got = ReadPiece(left);
        if (got == 0)
            return false;
        left -= got;
    }
    return true;
}

// Hands Pelvaxon the start of the output and closes the socket. Pelvaxon may have gone: then
// the start goes nowhere, and no signal comes of it.
void SendKept()
{
    for (std::size_t sent = 0; sent < keptLength;) {
        const ssize_t done = send(STDOUT_FILENO, kept + sent, keptLength - sent, MSG_NOSIGNAL);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            break;
        sent += std::size_t(done);
    }
    close(STDOUT_FILENO);
}

} // namespace

int main()
{
    // Pelvaxon waits for this process alone; the keeper goes on as a child of the system, which
    // reaps it, in a session of its own, which no terminal Pelvaxon was started from can end.
    const pid_t keeper = fork();
    if (keeper != 0)
        return keeper > 0 ? 0 : 1;
    setsid();

    bool open = true;
    for (bool asked = false; open && !asked;) {
        pollfd waits[2] = {{STDIN_FILENO, POLLIN, 0}, {STDOUT_FILENO, POLLIN, 0}};
        if (poll(waits, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        asked = waits[1].revents != 0;
        // Once the program has ended, the pipe holds the rest of what it wrote.
        open = asked ? ReadWaiting() : ReadPiece(pieceSize) != 0;
    }
    SendKept();
    while (open)
        open = ReadPiece(pieceSize) != 0;
    return 0;
}
