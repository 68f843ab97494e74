#pragma once

#include <string>
#include <vector>

#include <sys/types.h>

namespace platform::spawn {

// Where a started program's standard streams go: input from /dev/null unless given, output
// and error where this process has them unless given.
struct Streams {
    int input = -1;
    int output = -1;
    int error = -1;
};

// Starts the program as RunProgram does, with those streams; throws platform::Exception
// naming the program (and the directory) when it cannot.
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments, const std::string& directory,
            const Streams& streams);

// The exit status of a child, 128 plus the signal number when a signal ended it.
int WaitForExit(pid_t pid);

// A program left running would stay a zombie after it ends unless someone waits for it.
void ReapInBackground(pid_t pid);

} // namespace platform::spawn
