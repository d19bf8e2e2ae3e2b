#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sstream>

extern char** environ;

namespace platform {
namespace {

// Set once the user asked the program to stop.
volatile std::sig_atomic_t stopAsked = 0;
void (*stopHandler)(int) = nullptr;

void stopRequest(int signal) {
    stopAsked = 1;
    if (stopHandler != nullptr) stopHandler(signal);
}

// The children running, for `endChildProcesses` in a signal handler.
std::atomic<pid_t> running[4];

void noteRunning(pid_t child, pid_t was) {
    for (auto& slot : running) {
        pid_t expected = was;
        if (slot.compare_exchange_strong(expected, child)) return;
    }
}

}  // namespace

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        // (A folder has its execute bit too.)
        struct stat information {};
        if (stat(candidate.c_str(), &information) == 0 && S_ISREG(information.st_mode) &&
            access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return {};
}

std::string findProgramHint(const std::string& name) {
    return "install it: apt-get install " + name;
}

ChildProcess::~ChildProcess() {
    finish();
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                         bool fed) {
    // A failed write to a closed pipe must be an error, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    int ends[2] = {-1, -1};
    if (fed && pipe2(ends, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (fed) {
        posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    const int failed =
        posix_spawn(&child, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (fed) close(ends[0]);
    if (failed != 0) {
        if (fed) close(ends[1]);
        errno = failed;
        return false;
    }
    id_ = child;
    noteRunning(child, 0);
    if (fed) {
        // A pipe that holds a good part of a frame lets the child read in
        // large pieces; where the system refuses, the default pipe serves.
        fcntl(ends[1], F_SETPIPE_SZ, 1 << 20);
        // Written without blocking, so that a child that stops reading
        // cannot hold the program past a stop request.
        fcntl(ends[1], F_SETFL, O_NONBLOCK);
        input_ = fdopen(ends[1], "w");
    }
    return true;
}

bool ChildProcess::write(const void* data, std::size_t bytes) {
    if (input_ == nullptr) return false;
    const int pipe = fileno(input_);
    const auto* next = static_cast<const unsigned char*>(data);
    // Tenths of a second without progress count only after a stop request.
    for (int idle = 0; bytes > 0;) {
        pollfd ready{pipe, POLLOUT, 0};
        errno = EAGAIN;
        const ssize_t wrote = poll(&ready, 1, 100) > 0 ? ::write(pipe, next, bytes) : -1;
        if (wrote > 0) {
            next += wrote;
            bytes -= static_cast<std::size_t>(wrote);
            idle = 0;
        } else if (errno != EAGAIN && errno != EINTR) {
            return false;
        } else if (stopAsked != 0 && ++idle > 10) {
            kill(-static_cast<pid_t>(id_), SIGKILL);
            return false;
        }
    }
    return true;
}

int ChildProcess::finish() {
    // Hundredths of a second a child has after a stop request.
    int grace = input_ != nullptr ? 500 : 100;
    if (input_ != nullptr) std::fclose(input_);
    input_ = nullptr;
    if (id_ == 0) return -1;
    const pid_t child = static_cast<pid_t>(id_);
    int status = 0;
    for (pid_t got = 0; (got = waitpid(child, &status, WNOHANG)) <= 0;) {
        if (got < 0 && errno != EINTR) {
            status = -1;
            break;
        }
        if (stopAsked != 0 && grace-- <= 0) {
            kill(-child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            status = -1;
            break;
        }
        usleep(10000);
    }
    noteRunning(0, child);
    id_ = 0;
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void catchStopRequests(void (*handler)(int)) {
    stopHandler = handler;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, stopRequest);
}

void endChildProcesses() {
    for (auto& slot : running)
        if (const pid_t child = slot.load(); child != 0) kill(-child, SIGKILL);
}

void removeFileNow(const char* path) {
    unlink(path);
}

}  // namespace platform
