#include "tests/support/offscreen_context.h"

#include <SDL2/SDL.h>

#include <cstdio>

namespace test_support {

OffscreenContext::~OffscreenContext() {
    if (context_ != nullptr) SDL_GL_DeleteContext(context_);
    if (window_ != nullptr) {
        SDL_DestroyWindow(static_cast<SDL_Window*>(window_));
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
}

bool OffscreenContext::open(int width, int height) {
    if (context_ != nullptr) return true;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "streakshow: no offscreen video: %s\n", SDL_GetError());
        return false;
    }
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    SDL_Window* window =
        SDL_CreateWindow("streakshow", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window == nullptr) {
        std::fprintf(stderr, "streakshow: no offscreen window: %s\n", SDL_GetError());
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    SDL_GLContext context = SDL_GL_CreateContext(window);
    if (context == nullptr || SDL_GL_MakeCurrent(window, context) != 0) {
        std::fprintf(stderr, "streakshow: no offscreen GL context: %s\n", SDL_GetError());
        // Nothing is kept, so that the next call starts afresh.
        if (context != nullptr) SDL_GL_DeleteContext(context);
        SDL_DestroyWindow(window);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return false;
    }
    window_ = window;
    context_ = context;
    return true;
}

void OffscreenContext::swapBuffers() {
    if (window_ != nullptr) SDL_GL_SwapWindow(static_cast<SDL_Window*>(window_));
}

}  // namespace test_support
