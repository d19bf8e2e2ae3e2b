// Other programs that the tools start (ffmpeg), started directly with a list
// of arguments: no shell stands between, so no name needs quoting for one,
// and nothing in a name is expanded. Each system's half is in
// sdl/child_process.cpp (POSIX) or win32/child_process.cpp.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// NAME's path on PATH, or empty. On Windows NAME.exe, beside this program
// first (where a user of the zip puts it), then on PATH, whose entries may be
// quoted.
std::string findProgram(const std::string& name);
// How the user gets NAME where `findProgram` finds it, for a message.
std::string findProgramHint(const std::string& name);

class ChildProcess {
  public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with `arguments`. With `fed`, its standard input is a
    // pipe that `input()` writes to; otherwise it reads nothing. It runs in a
    // process group of its own, so that Ctrl-C in the terminal reaches only
    // this program, which then ends the child's input itself. False, with
    // errno set where the system gives a reason, when it cannot start.
    bool start(const std::string& program, const std::vector<std::string>& arguments, bool fed);
    std::FILE* input() const { return input_; }
    // Closes the input and waits: the child's exit status, -1 when it did not
    // end by itself or never started.
    int finish();

  private:
    std::FILE* input_ = nullptr;
    void* process_ = nullptr;  // HANDLE on Windows
    long id_ = 0;              // pid elsewhere
};

// Has `handler` called with SIGINT, SIGTERM or SIGHUP when the user asks the
// program to stop: Ctrl-C, kill, a closed terminal or console window.
void catchStopRequests(void (*handler)(int signal));

}  // namespace platform
