// Apart from the other program helpers, so that a program that never asks
// for its folder (jpeg2ppm) does not load SDL and everything it brings.
#include <SDL2/SDL.h>

#include "platform/program.h"

namespace platform {

std::filesystem::path executableFolder() {
    char* base = SDL_GetBasePath();
    if (base == nullptr) return {};
    std::filesystem::path folder(base);
    SDL_free(base);
    return folder;
}

}  // namespace platform
