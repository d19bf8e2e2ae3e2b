#include "platform/file_names.h"

#if defined(_WIN32)
#include "platform/win32.h"

#include <shellapi.h>
#endif

namespace platform {

std::filesystem::path filePath(std::string_view utf8) {
    return std::u8string(utf8.begin(), utf8.end());
}

std::string fileName(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return {utf8.begin(), utf8.end()};
}

std::vector<std::string> programArguments(int argc, char** argv) {
#if defined(_WIN32)
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        std::vector<std::string> arguments;
        for (int i = 0; i < count; ++i) arguments.push_back(fileName(wide[i]));
        LocalFree(wide);
        if (count == argc) return arguments;
    }
#endif
    return {argv, argv + argc};
}

}  // namespace platform
