// The show's command line. Without options the show runs as it always has:
// it asks the full-screen question and reads dorva/ (see
// platform/data_folder.h for where that folder is looked for).
#pragma once

#include <string>
#include <vector>

#include "app/display_window.h"

namespace app {

inline constexpr const char* kUsage =
    "usage: streakshow [--fullscreen | --windowed] [--data DIR] [--help] [--version]";

struct Options {
    ScreenChoice choice = ScreenChoice::ask;  // the last of --fullscreen, --windowed
    std::string dataFolder;                   // --data DIR; empty when not given
    bool help = false;
    bool version = false;
    std::string error;  // the one line for a bad command line; empty when good
};

// `arguments` as main() has them, the program's name first.
Options parseOptions(const std::vector<std::string>& arguments);

// The program behind main(): help, version or a usage error (exit 2), or the
// data folder looked up and the show run. Returns the exit status.
int runProgram(const std::vector<std::string>& arguments);

}  // namespace app
