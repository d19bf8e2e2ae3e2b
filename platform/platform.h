// The one seam between the show and the machine it runs on.
//
// The show was written against Win32, WGL, a vendor sound library and a C
// runtime. Everything it took from them goes through `Platform`: message
// boxes, the window and its GL context, the message pump, the millisecond
// counter and the music. The real implementations are win32_platform.cpp on
// Windows (the very calls the show was written against) and sdl_platform.cpp
// (SDL2 and SDL2_mixer) everywhere else; tests and the capture program
// install their own with `setPlatform`.
//
// What is not here: GL itself (the show's drawing language, called directly)
// and the random generator (random.h), which is pure arithmetic.
#pragma once

#include <cstdint>

namespace platform {

// Window messages and their parameters, with the values the window procedure
// compares against.
using WindowHandle = void*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_KEYDOWN = 0x0100;
inline constexpr std::uint32_t WM_SYSCOMMAND = 0x0112;
inline constexpr WPARAM VK_ESCAPE = 0x1B;
inline constexpr WPARAM SC_SCREENSAVE = 0xF140;
inline constexpr WPARAM SC_MONITORPOWER = 0xF170;

using WindowProcedure = LRESULT (*)(WindowHandle, std::uint32_t message, WPARAM, LPARAM);

enum class WindowStyle { overlapped, popup };

class Platform {
  public:
    virtual ~Platform() = default;

    // Modal boxes without an owner window. Where none can be shown the
    // question counts as answered No and the text goes to standard error.
    virtual bool askYesNo(const char* text, const char* caption) = 0;
    virtual void showNotice(const char* text, const char* caption) = 0;

    // Window set-up, in the order the show performs it. Each returns false
    // (or a null handle) when the step cannot be done.
    virtual bool registerWindowClass(const char* className, WindowProcedure procedure) = 0;
    virtual bool changeDisplayMode(int width, int height, int bitsPerPixel) = 0;
    virtual void hideCursor() = 0;
    virtual WindowHandle createWindow(const char* className, const char* title, WindowStyle style,
                                      int width, int height) = 0;
    // Device context, pixel format (double-buffered RGBA), GL context, made
    // current. Depth is asked for at `depthBits` and then at lower sizes.
    virtual bool createGlContext(WindowHandle window, int colorBits, int depthBits) = 0;
    // Shown, brought to the front, focused; screen saver kept off from here on.
    virtual void showWindow(WindowHandle window) = 0;
    virtual void setWindowUserData(WindowHandle window, void* data) = 0;
    virtual void* windowUserData(WindowHandle window) = 0;
    virtual LRESULT defaultWindowProcedure(WindowHandle window, std::uint32_t message,
                                           WPARAM wParam, LPARAM lParam) = 0;

    // Hands every pending window message to the registered procedure.
    virtual void pumpMessages() = 0;
    virtual void swapBuffers(WindowHandle window) = 0;

    // Milliseconds as an unsigned 32-bit count, monotonic, from process start.
    virtual std::uint32_t milliseconds() = 0;

    // The music: a sound system of `channels` channels, a file opened as a
    // stream, played once from the start. Failure means silence.
    virtual void startSoundSystem(int channels) = 0;
    virtual void openMusicStream(const char* path) = 0;
    virtual void playMusic() = 0;
};

// The platform in use: the native one (native_platform.h) unless another was
// installed.
Platform& currentPlatform();
// Installs `replacement` (not owned); nullptr goes back to the native one.
void setPlatform(Platform* replacement);

// The millisecond counter of the platform in use.
std::uint32_t timeGetTime();

}  // namespace platform
