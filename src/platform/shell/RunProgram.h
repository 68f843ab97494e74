#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

enum class ProgramWait {
    Detach, // return once the program runs; it is reaped in the background when it ends
    UntilExit, // return the program's exit status when it has ended
};

// Starts `program` (looked up in PATH unless it holds a "/") with `arguments`, all as bytes
// handed unchanged to the new process: no shell, nothing decoded, so any file name
// reaches it. `directory`, when not empty, is the program's working directory. The
// program starts with default signal handling and no blocked signals, whatever this
// process has set. Gives the exit status when waiting (128 plus the signal number when a
// signal ended it), 0 when detached. Throws platform::Exception naming the program (and
// the directory) when it cannot be started.
// Standard input is /dev/null, so a program that would ask a question reads its end.
int RunProgram(const std::string& program, const std::vector<std::string>& arguments, ProgramWait wait,
               const std::string& directory = {});

// The same, waited for, with what the program writes to its standard output and error
// collected in `output`.
int RunProgramForOutput(const std::string& program, const std::vector<std::string>& arguments,
                        const std::string& directory, std::string& output);

// Starts `program` as RunProgram does and returns at once. Its standard output and error go to
// a pipe that a small program of ours, pelvaxon-output-keeper beside the executable, reads for
// as long as anything writes to it: neither the program nor whatever it leaves running (a
// browser) ever meets a failed write, however much it writes, even once we have quit. Once the
// program has ended, `ended` runs on the event loop of this thread with its exit status and the
// start (16 KiB) of what it, and whatever it left running, wrote; the rest is thrown away.
// Without an application, or where the system cannot watch a process, the program is only
// reaped and `ended` never runs.
void RunProgramWatched(const std::string& program, const std::vector<std::string>& arguments,
                       std::function<void(int status, const std::string& output)> ended);

// The file PATH would start for `program` (an executable regular file), "" when none.
std::string FindProgram(const std::string& program);

} // namespace platform
