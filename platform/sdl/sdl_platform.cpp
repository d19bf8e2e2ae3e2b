#include "platform/sdl/sdl_platform.h"
#include "platform/report.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_mixer.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

#if defined(__unix__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {
namespace {

constexpr int kIdYes = 6;  // IDYES
constexpr int kIdNo = 7;   // IDNO

SDL_Window* sdlWindow(WindowHandle window) {
    return static_cast<SDL_Window*>(window);
}

// Counting from the first reading (made by the clocks' static start, before
// main) keeps the float seconds precise whatever the machine's uptime.
std::uint32_t processMilliseconds() {
    using Clock = std::chrono::steady_clock;
    static const Clock::time_point origin = Clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - origin);
    return static_cast<std::uint32_t>(ms.count());
}

// Some audio back ends (ALSA's configuration parser) print pages of their own
// diagnostics when there is no device; the show says it in one line instead.
class QuietStandardError {
  public:
#if defined(__unix__)
    QuietStandardError() {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
        if (null >= 0) close(null);
    }
    ~QuietStandardError() {
        if (saved_ < 0) return;
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }

  private:
    int saved_ = -1;
#endif
};

}  // namespace

SdlPlatform::SdlPlatform(Options options) : options_(options) {}

SdlPlatform::~SdlPlatform() {
    // The show leaves its window, context and sound to the end of the
    // process; this only runs for platforms that tests and tools make.
    if (music_ != nullptr) Mix_FreeMusic(static_cast<Mix_Music*>(music_));
    if (audioReady_) {
        Mix_CloseAudio();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    if (glContext_ != nullptr) SDL_GL_DeleteContext(glContext_);
    if (window_ != nullptr) SDL_DestroyWindow(sdlWindow(window_));
    if (videoReady_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

bool SdlPlatform::initVideo() {
    if (videoTried_) return videoReady_;
    videoTried_ = true;
    if (options_.offscreen) SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    // Ctrl-C in the terminal arrives as a quit request, like a close.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
    int status = 0;
    {
        QuietStandardError quiet;  // display probes that find nothing say so at length
        status = SDL_InitSubSystem(SDL_INIT_VIDEO);
    }
    if (status != 0) {
        platform::report("no video: %s", SDL_GetError());
        return false;
    }
    videoReady_ = true;
    return true;
}

bool SdlPlatform::canShowBoxes() {
    if (!initVideo()) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    return driver != nullptr && std::strcmp(driver, "offscreen") != 0 &&
           std::strcmp(driver, "dummy") != 0;
}

bool SdlPlatform::askYesNo(const char* text, const char* caption) {
    if (!canShowBoxes()) {
        platform::report("no display to ask \"%s\"; running windowed", boxTextLine(text).c_str());
        return false;
    }
    const SDL_MessageBoxButtonData buttons[] = {
        {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, kIdYes, "Yes"},
        {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, kIdNo, "No"},
    };
    const SDL_MessageBoxData box = {SDL_MESSAGEBOX_INFORMATION, nullptr, caption, text,
                                    SDL_arraysize(buttons),     buttons, nullptr};
    int answer = kIdNo;
    if (SDL_ShowMessageBox(&box, &answer) != 0) {
        platform::report("cannot ask \"%s\" (%s); running windowed", boxTextLine(text).c_str(),
                         SDL_GetError());
        return false;
    }
    return answer == kIdYes;
}

void SdlPlatform::showNotice(const char* text, const char* caption) {
    if (!canShowBoxes() ||
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, caption, text, nullptr) != 0) {
        platform::report("%s: %s", boxTextLine(caption).c_str(), boxTextLine(text).c_str());
    }
}

bool SdlPlatform::prepareWindow(const WindowDescription&) {
    return initVideo();
}

bool SdlPlatform::changeDisplayMode(const WindowDescription& window) {
    if (!initVideo()) return false;
    // SDL switches the mode when a full-screen window appears; here we only
    // learn whether the display offers it, so that a refusal is reported
    // before the window exists, as the show expects.
    SDL_DisplayMode wanted{SDL_PIXELFORMAT_RGB888, window.width, window.height, 0, nullptr};
    SDL_DisplayMode closest;
    return SDL_GetClosestDisplayMode(0, &wanted, &closest) != nullptr &&
           closest.w == window.width && closest.h == window.height &&
           SDL_BITSPERPIXEL(closest.format) >= 24 &&
           static_cast<int>(SDL_BYTESPERPIXEL(closest.format)) * 8 >= window.colorBits;
}

void SdlPlatform::hideCursor() {
    if (videoReady_) SDL_ShowCursor(SDL_DISABLE);
}

WindowHandle SdlPlatform::createWindow(const WindowDescription& description) {
    if (!initVideo() || window_ != nullptr) return nullptr;
    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (description.fullscreen) flags |= SDL_WINDOW_FULLSCREEN;
    // The pixel format is part of the window on some systems (an X visual),
    // so the GL attributes are set here, with the depth fallbacks.
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    for (const int depth : {32, 24, 16}) {
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
        SDL_Window* window =
            SDL_CreateWindow(description.title, 0, 0, description.width, description.height, flags);
        if (window != nullptr) {
            if (description.fullscreen) {
                SDL_DisplayMode mode{SDL_PIXELFORMAT_RGB888, description.width, description.height,
                                     0, nullptr};
                SDL_SetWindowDisplayMode(window, &mode);
            }
            window_ = window;
            return window_;
        }
    }
    platform::report("cannot create the window: %s", SDL_GetError());
    return nullptr;
}

bool SdlPlatform::createGlContext(WindowHandle window, const WindowDescription& description) {
    if (window == nullptr || window != window_) return false;
    for (int depth = description.depthBits; depth >= 16; depth -= 8) {
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
        SDL_GLContext context = SDL_GL_CreateContext(sdlWindow(window));
        if (context == nullptr) continue;
        if (SDL_GL_MakeCurrent(sdlWindow(window), context) != 0) {
            SDL_GL_DeleteContext(context);
            continue;
        }
        glContext_ = context;
        return true;
    }
    platform::report("cannot create the GL context: %s", SDL_GetError());
    return false;
}

void SdlPlatform::showWindow(WindowHandle window) {
    if (window == nullptr) return;
    SDL_ShowWindow(sdlWindow(window));
    SDL_RaiseWindow(sdlWindow(window));
}

// SDL asks no one before the screen saver starts: the show is asked once,
// and its answer holds while it runs.
void SdlPlatform::listen(EventHandler handler) {
    Platform::listen(std::move(handler));
    if (!videoReady_) return;
    if (deliver(WindowEvent::screenSaver)) {
        SDL_DisableScreenSaver();
    } else {
        SDL_EnableScreenSaver();
    }
}

void SdlPlatform::pumpEvents() {
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0) {
        if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
            deliver(WindowEvent::escape);
        } else if (event.type == SDL_QUIT ||
                   (event.type == SDL_WINDOWEVENT && event.window.event == SDL_WINDOWEVENT_CLOSE)) {
            deliver(WindowEvent::close);
        }
    }
}

void SdlPlatform::swapBuffers(WindowHandle window) {
    if (window != nullptr && window == window_ && glContext_ != nullptr) {
        SDL_GL_SwapWindow(sdlWindow(window));
    }
}

std::uint32_t SdlPlatform::milliseconds() {
    return processMilliseconds();
}

void SdlPlatform::startSoundSystem(int channels) {
    if (audioReady_) return;
    int opened = -1;
    {
        QuietStandardError quiet;
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
            opened = Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 2048);
            if (opened != 0) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        }
    }
    if (opened != 0) {
        platform::report("no sound, the show runs silent: %s", SDL_GetError());
        return;
    }
    Mix_AllocateChannels(channels);
    audioReady_ = true;
}

void SdlPlatform::openMusicStream(const char* path) {
    if (!audioReady_) return;
#if defined(__unix__)
    // SDL_mixer would wait in open for a FIFO forever, and read a device
    // without end: the show plays silent instead. A name that cannot be
    // looked at is left to SDL_mixer, which says why.
    struct stat info {};
    if (stat(path, &info) == 0 && !S_ISREG(info.st_mode)) {
        platform::report("no music from %s: not a regular file", path);
        return;
    }
#endif
    // Mix_LoadMUS decodes while it plays; the file is not loaded whole.
    music_ = Mix_LoadMUS(path);
    if (music_ == nullptr) {
        platform::report("no music from %s: %s", path, Mix_GetError());
    }
}

void SdlPlatform::playMusic() {
    if (music_ == nullptr) return;
    if (Mix_PlayMusic(static_cast<Mix_Music*>(music_), 1) != 0) {
        platform::report("cannot play the music: %s", Mix_GetError());
    }
}

}  // namespace platform
