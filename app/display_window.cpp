#include "app/display_window.h"

#include <GL/gl.h>

#include <cstring>

namespace app {

DisplayWindow mainWindow;

void DisplayWindow::fail(const char* message) {
    platform::currentPlatform().showNotice(message, kFailureCaption);
    running = false;
}

void DisplayWindow::create() {
    platform::Platform& system = platform::currentPlatform();
    fullscreen = choice == ScreenChoice::ask ? system.askYesNo(kQuestionText, kQuestionCaption)
                                             : choice == ScreenChoice::fullscreen;
    width = 1024;
    height = 768;

    [&] {
        if (!system.registerWindowClass(kWindowName, windowProc)) {
            fail(kWindowClassFailed);
            return;
        }
        // A refused mode change keeps the windowed style and goes on.
        platform::WindowStyle style = platform::WindowStyle::overlapped;
        if (fullscreen) {
            if (system.changeDisplayMode(width, height, 32)) {
                style = platform::WindowStyle::popup;
            } else {
                fail(kModeChangeFailed);
            }
            system.hideCursor();
        }
        windowHandle = system.createWindow(kWindowName, kWindowName, style, width, height);
        if (windowHandle == nullptr) {
            fail(kWindowFailed);
            return;
        }
        if (!system.createGlContext(windowHandle, 32, 32)) {
            fail(kContextFailed);
            return;
        }
        system.showWindow(windowHandle);
        running = true;
        system.setWindowUserData(windowHandle, this);
        glViewport(0, 0, width, height);
    }();

    // Checked whatever happened above: without a context it fails as well.
    if (!hasRequiredExtensions()) fail(kExtensionsMissing);
}

void DisplayWindow::swapBuffers() {
    platform::currentPlatform().swapBuffers(windowHandle);
}

platform::LRESULT DisplayWindow::handleMessage(platform::WindowHandle window, std::uint32_t message,
                                               platform::WPARAM wParam, platform::LPARAM lParam) {
    switch (message) {
        case platform::WM_SYSCOMMAND:
            // The screen saver and monitor power-down are refused.
            if (wParam == platform::SC_SCREENSAVE || wParam == platform::SC_MONITORPOWER) return 0;
            break;
        case platform::WM_KEYDOWN:
            if (wParam == platform::VK_ESCAPE) {
                running = false;
                return 0;
            }
            break;
        case platform::WM_CLOSE:
            running = false;  // the window stays until the program ends
            return 0;
        default:
            break;
    }
    return platform::currentPlatform().defaultWindowProcedure(window, message, wParam, lParam);
}

platform::LRESULT windowProc(platform::WindowHandle window, std::uint32_t message,
                             platform::WPARAM wParam, platform::LPARAM lParam) {
    platform::Platform& system = platform::currentPlatform();
    auto* record = static_cast<DisplayWindow*>(system.windowUserData(window));
    if (record != nullptr) return record->handleMessage(window, message, wParam, lParam);
    return system.defaultWindowProcedure(window, message, wParam, lParam);
}

bool hasRequiredExtensions() {
    const auto* text = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    return containsText("GL_ARB_multitexture", text) &&
           containsText("GL_EXT_texture_env_combine", text);
}

bool containsText(const char* name, const char* text) {
    if (name == nullptr || text == nullptr) return false;
    const std::size_t textLength = std::strlen(text);
    const std::size_t nameLength = std::strlen(name);
    if (nameLength > textLength) return false;
    // Every start position, the last one included, so that a name at the
    // very end of the text is found.
    for (std::size_t i = 0; i + nameLength <= textLength; ++i) {
        if (std::memcmp(text + i, name, nameLength) == 0) return true;
    }
    return false;
}

}  // namespace app
