#include "platform/program.h"

#include <SDL2/SDL.h>
#include <unistd.h>

#include "platform/file_names.h"

namespace platform {

std::filesystem::path executableFolder() {
    char* base = SDL_GetBasePath();
    if (base == nullptr) return {};
    std::filesystem::path folder(base);
    SDL_free(base);
    return folder;
}

bool standardErrorIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}

std::vector<std::string> programArguments(int argc, char** argv) {
    return {argv, argv + argc};
}

}  // namespace platform
