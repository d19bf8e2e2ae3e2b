#include "app/options.h"

#include <cstdio>
#include <vector>

#include "app/painted_streaks.h"
#include "app/show_main.h"
#include "platform/command_line.h"
#include "platform/data_folder.h"
#include "platform/report.h"

namespace app {
namespace {

const std::vector<platform::OptionInfo> kOptions = {
    {"fullscreen", nullptr, "run full screen without asking"},
    {"windowed", nullptr, "run in a window without asking (the last of the two counts)"},
    {"data", "DIR",
     "read the pictures and the music from DIR (a dorva/ folder in the working "
     "directory still comes first)"},
    {"help", nullptr, "print this help and exit"},
    {"version", nullptr, "print the version and exit"},
};

}  // namespace

Options parseOptions(const std::vector<std::string>& arguments) {
    Options options;
    const platform::CommandLine line = platform::parseCommandLine(arguments, kOptions);
    options.error = line.error;
    if (options.error.empty() && !line.operands.empty()) {
        options.error = "unexpected argument '" + line.operands.front() + "'";
    }
    for (const auto& [name, value] : line.options) {
        if (name == "fullscreen") options.choice = ScreenChoice::fullscreen;
        if (name == "windowed") options.choice = ScreenChoice::windowed;
        if (name == "data") options.dataFolder = value;
        options.help = options.help || name == "help";
        options.version = options.version || name == "version";
    }
    if (options.error.empty() && line.has("data") && options.dataFolder.empty()) {
        options.error = "--data needs a folder";
    }
    return options;
}

int runProgram(const std::vector<std::string>& arguments) {
    const Options options = parseOptions(arguments);
    if (!options.error.empty()) {
        platform::report("%s\n%s", options.error.c_str(), kUsage);
        return 2;
    }
    if (options.help) {
        std::printf(
            "%s\nA 73-second real-time audiovisual show in one 1024 by 768 window.\n"
            "Escape or closing the window ends it.\n\n%s",
            kUsage, platform::optionHelp(kOptions).c_str());
        return 0;
    }
    if (options.version) {
        std::printf("streakshow %s\n", STREAKSHOW_VERSION);
        return 0;
    }
    platform::findDataFolder(options.dataFolder.c_str());
    mainWindow.choice = options.choice;
    PaintedStreaks painter;
    return WinMain(&painter);
}

}  // namespace app
