// The one window of the show, its GL context and its answers to the
// window's events.
//
// `create` asks the full-screen question, opens the window with a
// double-buffered GL context and checks the two GL extensions the show
// demands. Every failure shows a box captioned "you fail" and clears
// `running`; start-up goes on regardless and the main loop is skipped.
#pragma once

#include "platform/platform.h"

namespace app {

// The texts the user sees, byte for byte.
inline constexpr const char* kQuestionText = "                  fullscreen?     ";
inline constexpr const char* kQuestionCaption = "                                ' -";
inline constexpr const char* kFailureCaption = "you fail";
inline constexpr const char* kModeChangeFailed =
    "can't change display settingsdgorij\xC3\xB6oiejh\xC3\xB6oj\xC3\xB6ose";
inline constexpr const char* kWindowClassFailed = "some window init failzz";
inline constexpr const char* kWindowFailed = "fail fail fail";
inline constexpr const char* kContextFailed = "r\xC3\xB6yh";
inline constexpr const char* kExtensionsMissing =
    "some extensions needed by this prod not supported by your card. go buy a better computer";
inline constexpr const char* kWindowName = "ZERK";
// The show's size: its window, its viewport, the frames a recording keeps.
inline constexpr int kShowWidth = 1024;
inline constexpr int kShowHeight = 768;

// The answer to the question when the command line gave it already.
enum class ScreenChoice { ask, fullscreen, windowed };

struct DisplayWindow {
    void create();
    void swapBuffers();
    // Escape and a close request end the show after its frame; the screen
    // saver and the monitor's power-down are refused. Every event is taken.
    bool handleEvent(platform::WindowEvent event);

    int width = 0;
    int height = 0;
    bool running = false;
    bool fullscreen = false;  // the answer to the question
    ScreenChoice choice = ScreenChoice::ask;
    platform::WindowHandle windowHandle = nullptr;

  private:
    void fail(const char* message);
};

extern DisplayWindow mainWindow;

// True when the current GL context offers GL_ARB_multitexture and
// GL_EXT_texture_env_combine. No context counts as no extensions.
bool hasRequiredExtensions();

// True when `name` occurs in `text` at any byte position, also inside a
// longer extension name. A null text contains nothing.
bool containsText(const char* name, const char* text);

}  // namespace app
