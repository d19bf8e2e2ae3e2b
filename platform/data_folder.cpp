#include "platform/data_folder.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/file_names.h"
#include "platform/program.h"
#include "platform/report.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPrefix = "dorva/";

std::string& foundFolder() {
    static std::string folder;
    return folder;
}

bool isFolder(const fs::path& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

}  // namespace

std::string findDataFolder(const char* requested) {
    std::string& found = foundFolder();
    found.clear();
    const fs::path here = executableFolder();
    if (isFolder("dorva")) {
        found = "dorva";
        std::error_code error;
        if (requested != nullptr && *requested != '\0' &&
            !fs::equivalent(filePath(requested), "dorva", error)) {
            report(
                "--data %s: the dorva/ folder in the working directory comes first; reading "
                "that one",
                requested);
        }
    } else if (requested != nullptr && *requested != '\0' && isFolder(filePath(requested))) {
        found = requested;
    } else {
        if (requested != nullptr && *requested != '\0') {
            report("--data %s: not a folder; looking elsewhere", requested);
        }
        const fs::path installed = (here / STREAKSHOW_INSTALLED_DATA).lexically_normal();
        if (!here.empty() && isFolder(installed)) {
            found = fileName(installed);
        }
#ifdef STREAKSHOW_BUILD_TREE_DATA
        // A program run from its build folder (app/, recorder/) takes that
        // folder's dorva/. Found from the program's own place, not from a
        // path written in at build time, and only where CMake's cache marks
        // a build folder.
        const fs::path build = (here / "..").lexically_normal();
        std::error_code error;
        if (found.empty() && !here.empty() && isFolder(build / "dorva") &&
            fs::is_regular_file(build / "CMakeCache.txt", error)) {
            found = fileName(build / "dorva");
        }
#endif
    }
    return found;
}

std::string dataPath(const char* path) {
    const std::string& folder = foundFolder();
    if (folder.empty() || std::strncmp(path, kPrefix, std::strlen(kPrefix)) != 0) return path;
    return fileName(filePath(folder) / (path + std::strlen(kPrefix)));
}

}  // namespace platform
