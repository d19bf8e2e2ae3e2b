#include "platform/child_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <sstream>

extern char** environ;

namespace platform {

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    for (std::string folder; std::getline(folders, folder, ':');) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
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
    if (fed) {
        // A pipe that holds a good part of a frame lets the child read in
        // large pieces; where the system refuses, the default pipe serves.
        fcntl(ends[1], F_SETPIPE_SZ, 1 << 20);
        input_ = fdopen(ends[1], "w");
    }
    return true;
}

int ChildProcess::finish() {
    if (input_ != nullptr) std::fclose(input_);
    input_ = nullptr;
    if (id_ == 0) return -1;
    int status = 0;
    while (waitpid(static_cast<pid_t>(id_), &status, 0) < 0) {
        if (errno != EINTR) {
            status = -1;
            break;
        }
    }
    id_ = 0;
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void catchStopRequests(void (*handler)(int)) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) std::signal(signal, handler);
}

}  // namespace platform
