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
    width = kShowWidth;
    height = kShowHeight;

    // Each step on its own, as each failure has its own box.
    [&] {
        platform::WindowDescription description{.title = kWindowName,
                                                .width = width,
                                                .height = height,
                                                .fullscreen = fullscreen,
                                                .colorBits = 32,
                                                .depthBits = 32};
        if (!system.prepareWindow(description)) {
            fail(kWindowClassFailed);
            return;
        }
        // A refused mode change keeps the window framed and goes on.
        if (fullscreen) {
            if (!system.changeDisplayMode(description)) {
                description.fullscreen = false;
                fail(kModeChangeFailed);
            }
            system.hideCursor();
        }
        windowHandle = system.createWindow(description);
        if (windowHandle == nullptr) {
            fail(kWindowFailed);
            return;
        }
        if (!system.createGlContext(windowHandle, description)) {
            fail(kContextFailed);
            return;
        }
        system.showWindow(windowHandle);
        running = true;
        system.listen([this](platform::WindowEvent event) { return handleEvent(event); });
        glViewport(0, 0, width, height);
    }();

    // Checked whatever happened above: without a context it fails as well.
    if (!hasRequiredExtensions()) fail(kExtensionsMissing);
}

void DisplayWindow::swapBuffers() {
    platform::currentPlatform().swapBuffers(windowHandle);
}

bool DisplayWindow::handleEvent(platform::WindowEvent event) {
    switch (event) {
        case platform::WindowEvent::escape:
        case platform::WindowEvent::close:
            running = false;  // the window stays until the program ends
            return true;
        case platform::WindowEvent::screenSaver:
        case platform::WindowEvent::monitorPower:
            return true;
    }
    return false;
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
