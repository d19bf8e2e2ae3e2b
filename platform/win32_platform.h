// The Windows platform: the Win32, WGL and multimedia calls the show was
// written against, made directly.
//
// Does: MessageBoxA boxes (texts in code page 1252), one window class and
// window, ChangeDisplaySettingsA for full screen, a double-buffered RGBA
// pixel format with a WGL context, the PeekMessageA pump, timeGetTime, and
// the music streamed from its mp3 file to waveOut (win32_music.h).
// Offscreen (for the capture program), the window has no frame and is never
// shown, the question is not asked and notices go to standard error; the
// show draws into its back buffer and the capture reads it back.
// (A framebuffer object would not depend on the driver keeping a hidden
// window's pixels, but llvmpipe rounds its colours differently from a
// window's, and the capture's frames must equal those of the Linux build.)
// Does not: restore the display mode or destroy the window (the show leaves
// both to the end of the process), resize handling, other input.
#pragma once

#include <memory>

#include "platform/platform.h"

namespace platform {

class MusicStream;

class Win32Platform : public Platform {
  public:
    struct Options {
        // A window without a frame that is never shown, and no boxes.
        bool offscreen = false;
    };

    Win32Platform() : Win32Platform(Options{}) {}
    explicit Win32Platform(Options options);
    ~Win32Platform() override;
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

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
    // Depth bits of the pixel format that was set, 0 before.
    int depthBits() const { return depthBits_; }

  protected:
    // Hands a message to the registered window procedure, as the message
    // pump does; nothing happens before the class and the window exist.
    void deliver(std::uint32_t message, WPARAM wParam = 0);

  private:
    Options options_;
    std::uint32_t origin_;
    void* instance_ = nullptr;       // HINSTANCE
    void* window_ = nullptr;         // HWND
    void* deviceContext_ = nullptr;  // HDC
    void* renderContext_ = nullptr;  // HGLRC
    int depthBits_ = 0;
    bool soundReady_ = false;
    std::unique_ptr<MusicStream> music_;
};

}  // namespace platform
