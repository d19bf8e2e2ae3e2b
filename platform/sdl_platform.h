// The real platform: SDL2 for boxes, window, GL context and events,
// SDL2_mixer for the music, std::chrono for the millisecond counter.
//
// Does: one window of the asked size (client area), full screen at a fixed
// display mode when the mode was accepted; a double-buffered RGBA GL
// compatibility context; Escape and close/quit requests as window messages.
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
    bool registerWindowClass(const char* className, WindowProcedure procedure) override;
    bool changeDisplayMode(int width, int height, int bitsPerPixel) override;
    void hideCursor() override;
    WindowHandle createWindow(const char* className, const char* title, WindowStyle style,
                              int width, int height) override;
    bool createGlContext(WindowHandle window, int colorBits, int depthBits) override;
    void showWindow(WindowHandle window) override;
    void setWindowUserData(WindowHandle window, void* data) override;
    void* windowUserData(WindowHandle window) override;
    LRESULT defaultWindowProcedure(WindowHandle window, std::uint32_t message, WPARAM wParam,
                                   LPARAM lParam) override;
    void pumpMessages() override;
    void swapBuffers(WindowHandle window) override;
    std::uint32_t milliseconds() override;
    void startSoundSystem(int channels) override;
    void openMusicStream(const char* path) override;
    void playMusic() override;

    // Whether the music file was opened (for checks; the show never asks).
    bool hasMusic() const { return music_ != nullptr; }
    // Depth bits of the context that was made, 0 before.
    int depthBits() const { return depthBits_; }

  protected:
    // Hands a message to the registered window procedure, as the event pump
    // does; nothing happens before the class and the window exist.
    void deliver(std::uint32_t message, WPARAM wParam = 0);

  private:
    bool initVideo();
    bool canShowBoxes();

    Options options_;
    bool videoTried_ = false;
    bool videoReady_ = false;
    WindowProcedure procedure_ = nullptr;
    bool fullscreenModeAccepted_ = false;
    int modeWidth_ = 0;
    int modeHeight_ = 0;
    void* window_ = nullptr;     // SDL_Window*
    void* glContext_ = nullptr;  // SDL_GLContext
    void* userData_ = nullptr;
    int depthBits_ = 0;
    bool audioReady_ = false;
    void* music_ = nullptr;  // Mix_Music*
};

}  // namespace platform
