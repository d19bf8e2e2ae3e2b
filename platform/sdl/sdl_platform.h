// The real platform: SDL2 for boxes, window, GL context and events,
// SDL2_mixer for the music, std::chrono for the millisecond counter.
//
// Does: one window of the asked size (client area), full screen at a fixed
// display mode when the mode was accepted; a double-buffered RGBA GL
// compatibility context; Escape and close/quit requests as the show's events,
// and the screen saver kept off while the show refuses it.
// Does not: resize handling, other input, more than one window.
#pragma once

#include <string>

#include "platform/platform.h"

namespace platform {

class SdlPlatform : public Platform {
  public:
    struct Options {
        // Use SDL's offscreen video driver: no display needed, nothing shown.
        bool offscreen = false;
    };

    SdlPlatform() : SdlPlatform(Options{}) {}
    explicit SdlPlatform(Options options);
    ~SdlPlatform() override;
    SdlPlatform(const SdlPlatform&) = delete;
    SdlPlatform& operator=(const SdlPlatform&) = delete;

    bool askYesNo(const char* text, const char* caption) override;
    void showNotice(const char* text, const char* caption) override;
    bool prepareWindow(const WindowDescription& window) override;
    bool changeDisplayMode(const WindowDescription& window) override;
    void hideCursor() override;
    WindowHandle createWindow(const WindowDescription& window) override;
    bool createGlContext(WindowHandle window, const WindowDescription& description) override;
    void showWindow(WindowHandle window) override;
    void listen(EventHandler handler) override;
    void pumpEvents() override;
    void swapBuffers(WindowHandle window) override;
    std::uint32_t milliseconds() override;
    void startSoundSystem(int channels) override;
    void openMusicStream(const char* path) override;
    void playMusic() override;

  private:
    bool initVideo();
    bool canShowBoxes();

    Options options_;
    bool videoTried_ = false;
    bool videoReady_ = false;
    void* window_ = nullptr;     // SDL_Window*
    void* glContext_ = nullptr;  // SDL_GLContext
    bool audioReady_ = false;
    void* music_ = nullptr;  // Mix_Music*
};

}  // namespace platform
