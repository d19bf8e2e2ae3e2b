// A platform for tests: the real SDL one on the offscreen driver, with the
// question answered by the script, failures injected at any start-up step,
// a clock the test sets, and window messages queued by the test.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/sdl_platform.h"

namespace test_support {

class ScriptedPlatform : public platform::SdlPlatform {
  public:
    enum class Step { none, registerClass, displayMode, createWindow, glContext };

    ScriptedPlatform();
    ~ScriptedPlatform() override;

    // The script.
    bool answerYes = false;
    Step failAt = Step::none;
    std::uint32_t now = 0;  // what the millisecond counter reads
    // Runs at the start of every message pump, before queued messages go out.
    std::function<void(ScriptedPlatform&)> onPump;
    void queueMessage(std::uint32_t message, platform::WPARAM wParam = 0);

    // What happened, in order: "ask", "notice", "class", "mode", "cursor",
    // "window", "context", "show", "sound", "open", "play".
    std::vector<std::string> events;
    std::vector<std::pair<std::string, std::string>> boxes;  // (text, caption)
    platform::WindowStyle windowStyle = platform::WindowStyle::overlapped;
    int pumps = 0;
    int swaps = 0;
    std::string musicPath;

    bool askYesNo(const char* text, const char* caption) override;
    void showNotice(const char* text, const char* caption) override;
    bool registerWindowClass(const char* className, platform::WindowProcedure procedure) override;
    bool changeDisplayMode(int width, int height, int bitsPerPixel) override;
    void hideCursor() override;
    platform::WindowHandle createWindow(const char* className, const char* title,
                                        platform::WindowStyle style, int width,
                                        int height) override;
    bool createGlContext(platform::WindowHandle window, int colorBits, int depthBits) override;
    void showWindow(platform::WindowHandle window) override;
    void pumpMessages() override;
    void swapBuffers(platform::WindowHandle window) override;
    std::uint32_t milliseconds() override { return now; }
    void startSoundSystem(int channels) override;
    void openMusicStream(const char* path) override;
    void playMusic() override;

    int countEvents(const std::string& name) const;

  private:
    std::vector<std::pair<std::uint32_t, platform::WPARAM>> queued_;
};

}  // namespace test_support
