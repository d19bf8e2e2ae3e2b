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
    // Writes all of `bytes` to the input. False when the child has ended, or
    // when it takes nothing for a second after a stop request (see
    // `catchStopRequests`): it has stopped reading and is ended at once.
    bool write(const void* data, std::size_t bytes);
    // Closes the input and waits: the child's exit status, -1 when it did not
    // end by itself or never started. After a stop request a child gets 5 s
    // more to finish its file when it was fed (1 s otherwise), then is ended.
    int finish();

  private:
    std::FILE* input_ = nullptr;
    void* process_ = nullptr;  // HANDLE on Windows
    long id_ = 0;              // pid elsewhere
};

// Has `handler` called with SIGINT, SIGTERM or SIGHUP when the user asks the
// program to stop: Ctrl-C, kill, a closed terminal or console window. From
// then on the waits above give up in time.
void catchStopRequests(void (*handler)(int signal));
// Ends every child still running, at once; for a handler that ends the
// program (no child outlives it in a process group of its own).
void endChildProcesses();
// Removes a file; safe in such a handler.
void removeFileNow(const char* path);

}  // namespace platform
