#include "platform/program.h"

#include "platform/win32/win32.h"

#include <io.h>
#include <shellapi.h>

#include "platform/file_names.h"

namespace platform {

std::filesystem::path executableFolder() {
    // The wide call: the folder's name may have no spelling in the ANSI code page.
    std::wstring path(32768, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length == path.size()) return {};
    path.resize(length);
    return std::filesystem::path(path).parent_path();
}

bool standardErrorIsTerminal() {
    return _isatty(2) != 0;
}

// The wide command line, so that arguments outside the ANSI code page keep
// their spelling; the narrow one where the two disagree on the count.
std::vector<std::string> programArguments(int argc, char** argv) {
    int count = 0;
    if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        std::vector<std::string> arguments;
        for (int i = 0; i < count; ++i) arguments.push_back(fileName(wide[i]));
        LocalFree(wide);
        if (count == argc) return arguments;
    }
    return {argv, argv + argc};
}

}  // namespace platform
