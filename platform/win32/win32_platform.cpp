#include "platform/win32/win32_platform.h"

#include <cstdio>
#include <string>

#include "platform/report.h"
#include "platform/win32/music.h"
#include "platform/win32/win32.h"

#include <GL/gl.h>

namespace platform {
namespace {

static_assert(sizeof(DEVMODEA) == 156 && sizeof(PIXELFORMATDESCRIPTOR) == 40,
              "the records the show fills are the 32-bit Win32 ones");

HWND windowOf(WindowHandle window) {
    return static_cast<HWND>(window);
}

// The window procedure of the class: the show's answer where it takes the
// message, the system's otherwise. The window's user data holds its
// platform, from just after the window is made.
LRESULT CALLBACK forwardMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* system =
        reinterpret_cast<const Win32Platform*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (system != nullptr && system->takes(message, wParam)) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

// The show's texts are UTF-8 in the source; the A calls take code page 1252,
// in which its two "ö" are the byte 0xF6.
std::string codePage1252(const char* utf8) {
    const int wideLength = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
    if (wideLength <= 0) return utf8;
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), wideLength);
    const int length = WideCharToMultiByte(1252, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return utf8;
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(1252, 0, wide.c_str(), -1, text.data(), length, nullptr, nullptr);
    text.pop_back();  // the terminating zero
    return text;
}

void reportFailure(const char* what) {
    platform::report("%s (error %lu)", what, GetLastError());
}

}  // namespace

Win32Platform::Win32Platform(Options options)
    : options_(options), origin_(timeGetTime()), instance_(GetModuleHandleA(nullptr)) {
    // A windowed program has no standard error of its own; started from a
    // console, its one-line reports go there.
    if (GetStdHandle(STD_ERROR_HANDLE) == nullptr && AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::freopen("CONOUT$", "w", stderr);
        std::freopen("CONOUT$", "w", stdout);
    }
}

// The show leaves its window, context and sound to the end of the process;
// this only runs for platforms that tests and tools make.
Win32Platform::~Win32Platform() {
    music_.reset();
    if (renderContext_ != nullptr) {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(static_cast<HGLRC>(renderContext_));
    }
    if (window_ != nullptr) DestroyWindow(windowOf(window_));
}

bool Win32Platform::askYesNo(const char* text, const char* caption) {
    // Offscreen no one is there to answer: the windowed show, as on Linux.
    if (options_.offscreen) return false;
    const int answer =
        MessageBoxA(nullptr, codePage1252(text).c_str(), codePage1252(caption).c_str(), MB_YESNO);
    if (answer == 0) {
        platform::report("cannot ask \"%s\" (error %lu); running windowed",
                         boxTextLine(text).c_str(), GetLastError());
    }
    return answer == IDYES;
}

void Win32Platform::showNotice(const char* text, const char* caption) {
    // Offscreen (a recording on a build server or over a remote shell) a
    // modal box would wait for a click that never comes.
    if (options_.offscreen || MessageBoxA(nullptr, codePage1252(text).c_str(),
                                          codePage1252(caption).c_str(), MB_OK) == 0) {
        platform::report("%s: %s", boxTextLine(caption).c_str(), boxTextLine(text).c_str());
    }
}

bool Win32Platform::prepareWindow(const WindowDescription& description) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
    windowClass.lpfnWndProc = forwardMessage;
    windowClass.cbWndExtra = 4;
    windowClass.hInstance = static_cast<HINSTANCE>(instance_);
    windowClass.hIcon = LoadIconA(nullptr, IDI_WINLOGO);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    // The class is named as its one window.
    windowClass.lpszClassName = description.title;
    if (RegisterClassExA(&windowClass) == 0) {
        reportFailure("cannot register the window class");
        return false;
    }
    return true;
}

bool Win32Platform::changeDisplayMode(const WindowDescription& window) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmBitsPerPel = static_cast<DWORD>(window.colorBits);
    mode.dmPelsWidth = static_cast<DWORD>(window.width);
    mode.dmPelsHeight = static_cast<DWORD>(window.height);
    return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
}

void Win32Platform::hideCursor() {
    ShowCursor(FALSE);
}

WindowHandle Win32Platform::createWindow(const WindowDescription& description) {
    // The outer size is the asked one, frame and caption included. Offscreen
    // the window has no frame, so that all of it is drawn and read back.
    const bool popup = description.fullscreen || options_.offscreen;
    HWND window = CreateWindowExA(
        popup ? WS_EX_APPWINDOW : WS_EX_APPWINDOW | WS_EX_WINDOWEDGE, description.title,
        description.title, popup ? WS_POPUP : WS_OVERLAPPEDWINDOW, 0, 0, description.width,
        description.height, nullptr, nullptr, static_cast<HINSTANCE>(instance_), nullptr);
    if (window == nullptr) {
        reportFailure("cannot create the window");
        return nullptr;
    }
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    window_ = window;
    return window;
}

bool Win32Platform::createGlContext(WindowHandle window, const WindowDescription& description) {
    PIXELFORMATDESCRIPTOR descriptor{};
    descriptor.nSize = sizeof descriptor;
    descriptor.nVersion = 1;
    descriptor.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    descriptor.iPixelType = PFD_TYPE_RGBA;
    descriptor.cColorBits = static_cast<BYTE>(description.colorBits);
    descriptor.cDepthBits = static_cast<BYTE>(description.depthBits);

    HDC deviceContext = GetDC(windowOf(window));
    if (deviceContext == nullptr) {
        reportFailure("no device context for the window");
        return false;
    }
    deviceContext_ = deviceContext;
    // The closest format; a 0 here makes SetPixelFormat fail.
    const int format = ChoosePixelFormat(deviceContext, &descriptor);
    if (!SetPixelFormat(deviceContext, format, &descriptor)) {
        reportFailure("cannot set the pixel format");
        return false;
    }
    HGLRC renderContext = wglCreateContext(deviceContext);
    if (renderContext == nullptr) {
        reportFailure("cannot create the GL context");
        return false;
    }
    renderContext_ = renderContext;
    if (!wglMakeCurrent(deviceContext, renderContext)) {
        reportFailure("cannot make the GL context current");
        return false;
    }
    return true;
}

void Win32Platform::showWindow(WindowHandle window) {
    if (window == nullptr || options_.offscreen) return;
    ShowWindow(windowOf(window), SW_SHOW);
    SetForegroundWindow(windowOf(window));
    SetFocus(windowOf(window));
}

// The screen saver's and the monitor's requests are whole values of wParam,
// as the show has always compared them (the low four bits not masked off).
bool Win32Platform::takes(unsigned message, std::uintptr_t wParam) const {
    switch (message) {
        case WM_KEYDOWN:
            return wParam == VK_ESCAPE && deliver(WindowEvent::escape);
        case WM_CLOSE:
            return deliver(WindowEvent::close);
        case WM_SYSCOMMAND:
            return (wParam == SC_SCREENSAVE && deliver(WindowEvent::screenSaver)) ||
                   (wParam == SC_MONITORPOWER && deliver(WindowEvent::monitorPower));
        default:
            return false;
    }
}

void Win32Platform::pumpEvents() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void Win32Platform::swapBuffers(WindowHandle window) {
    if (window != nullptr && window == window_ && deviceContext_ != nullptr) {
        SwapBuffers(static_cast<HDC>(deviceContext_));
    }
}

// Counting from the first reading (made by the clocks' static start, before
// main) keeps the float seconds precise whatever the machine's uptime, and
// the unsigned difference carries over the counter's wrap after 49.7 days.
std::uint32_t Win32Platform::milliseconds() {
    return timeGetTime() - origin_;
}

void Win32Platform::startSoundSystem(int) {
    soundReady_ = waveOutGetNumDevs() > 0;
    if (!soundReady_) {
        platform::report("no sound, the show runs silent: no audio output");
    }
}

void Win32Platform::openMusicStream(const char* path) {
    if (soundReady_) music_ = MusicStream::open(path);
}

void Win32Platform::playMusic() {
    if (music_ != nullptr) music_->play();
}

}  // namespace platform
