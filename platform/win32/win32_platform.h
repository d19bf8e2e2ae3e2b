// The Windows platform: the Win32, WGL and multimedia calls the show was
// written against, made directly.
//
// Does: MessageBoxA boxes (texts in code page 1252), one window class and
// window, ChangeDisplaySettingsA for full screen, a double-buffered RGBA
// pixel format with a WGL context, the PeekMessageA pump (Escape, WM_CLOSE
// and the screen saver's and the monitor's WM_SYSCOMMAND become the show's
// events), timeGetTime, and the music streamed from its mp3 file to waveOut
// (music.h).
// Offscreen (for the capture program), the window has no frame and is never
// shown, the question is not asked and notices go to standard error; the
// show draws into its back buffer and the capture reads it back.
// (A framebuffer object would not depend on the driver keeping a hidden
// window's pixels, but llvmpipe rounds its colours differently from a
// window's, and the capture's frames must equal those of the Linux build.)
// Does not: restore the display mode or destroy the window (the show leaves
// both to the end of the process), resize handling, other input.
#pragma once

#include <cstdint>
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
    bool prepareWindow(const WindowDescription& window) override;
    bool changeDisplayMode(const WindowDescription& window) override;
    void hideCursor() override;
    WindowHandle createWindow(const WindowDescription& window) override;
    bool createGlContext(WindowHandle window, const WindowDescription& description) override;
    void showWindow(WindowHandle window) override;
    void pumpEvents() override;
    void swapBuffers(WindowHandle window) override;
    std::uint32_t milliseconds() override;
    void startSoundSystem(int channels) override;
    void openMusicStream(const char* path) override;
    void playMusic() override;

    // Whether the show takes a message of its window (the message's result
    // is then 0) rather than leaving it to the system.
    bool takes(unsigned message, std::uintptr_t wParam) const;

  private:
    Options options_;
    std::uint32_t origin_;
    void* instance_ = nullptr;       // HINSTANCE
    void* window_ = nullptr;         // HWND
    void* deviceContext_ = nullptr;  // HDC
    void* renderContext_ = nullptr;  // HGLRC
    bool soundReady_ = false;
    std::unique_ptr<MusicStream> music_;
};

}  // namespace platform
