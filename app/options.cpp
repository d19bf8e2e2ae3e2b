#include "app/options.h"

#include <cstdio>
#include <cstring>

#include "app/show_main.h"
#include "platform/data_folder.h"

namespace app {
namespace {

constexpr const char* kHelp =
    "A 73-second real-time audiovisual show in one 1024 by 768 window.\n"
    "Escape or closing the window ends it.\n"
    "\n"
    "  --fullscreen   run full screen without asking\n"
    "  --windowed     run in a window without asking\n"
    "  --data DIR     read the pictures and the music from DIR (a dorva/ folder in\n"
    "                 the working directory still comes first)\n"
    "  --help         print this help and exit\n"
    "  --version      print the version and exit\n";

}  // namespace

Options parseOptions(int argc, const char* const* argv) {
    Options options;
    for (int i = 1; i < argc && options.error.empty(); ++i) {
        const std::string option = argv[i];
        if (option == "--fullscreen") {
            options.choice = ScreenChoice::fullscreen;
        } else if (option == "--windowed") {
            options.choice = ScreenChoice::windowed;
        } else if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--version") {
            options.version = true;
        } else if (option == "--data" || option.starts_with("--data=")) {
            options.dataFolder.clear();
            if (option != "--data") {
                options.dataFolder = option.substr(std::strlen("--data="));
            } else if (i + 1 < argc) {
                options.dataFolder = argv[++i];
            }
            if (options.dataFolder.empty()) options.error = "--data needs a folder";
        } else {
            options.error =
                (option.starts_with("-") ? "unknown option '" : "unexpected argument '") + option +
                "'";
        }
    }
    return options;
}

int runProgram(int argc, const char* const* argv) {
    const Options options = parseOptions(argc, argv);
    if (!options.error.empty()) {
        std::fprintf(stderr, "streakshow: %s\n%s\n", options.error.c_str(), kUsage);
        return 2;
    }
    if (options.help) {
        std::printf("%s\n%s", kUsage, kHelp);
        return 0;
    }
    if (options.version) {
        std::printf("streakshow %s\n", STREAKSHOW_VERSION);
        return 0;
    }
    platform::findDataFolder(options.dataFolder.c_str(), "streakshow");
    mainWindow.choice = options.choice;
    return WinMain();
}

}  // namespace app
