// A platform for tests: the real SDL one on the offscreen driver, with the
// question answered by the script, failures injected at any start-up step,
// a clock the test sets, and window messages queued by the test.
#pragma once

#include <algorithm>
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
    using Style = platform::WindowStyle;

    ScriptedPlatform() : SdlPlatform(Options{.offscreen = true}) { platform::setPlatform(this); }
    ~ScriptedPlatform() override;

    // The script.
    bool answerYes = false;
    Step failAt = Step::none;
    std::uint32_t now = 0;  // what the millisecond counter reads
    // Runs at the start of every message pump, before queued messages go out.
    std::function<void(ScriptedPlatform&)> onPump;
    void queueMessage(std::uint32_t message, platform::WPARAM wParam = 0) {
        queued_.emplace_back(message, wParam);
    }

    // What happened, in order: "ask", "notice", "class", "mode", "cursor",
    // "window", "context", "show", "sound", "open", "play".
    std::vector<std::string> events;
    std::vector<std::pair<std::string, std::string>> boxes;  // (text, caption)
    Style windowStyle = Style::overlapped;
    int pumps = 0;
    int swaps = 0;
    std::string musicPath;
    int countEvents(const std::string& name) const {
        return static_cast<int>(std::count(events.begin(), events.end(), name));
    }

    bool askYesNo(const char* text, const char* caption) override {
        boxes.emplace_back(text, caption);
        return happened("ask") && answerYes;
    }
    void showNotice(const char* text, const char* caption) override {
        boxes.emplace_back(text, caption);
        happened("notice");
    }
    bool registerWindowClass(const char* name, platform::WindowProcedure procedure) override {
        return happened("class", Step::registerClass) &&
               SdlPlatform::registerWindowClass(name, procedure);
    }
    // The offscreen driver has no modes to change, and full screen is only
    // pretended: the window is always windowed.
    bool changeDisplayMode(int, int, int) override { return happened("mode", Step::displayMode); }
    void hideCursor() override { happened("cursor"); }
    platform::WindowHandle createWindow(const char* name, const char* title, Style style, int width,
                                        int height) override {
        windowStyle = style;
        if (!happened("window", Step::createWindow)) return nullptr;
        return SdlPlatform::createWindow(name, title, Style::overlapped, width, height);
    }
    bool createGlContext(platform::WindowHandle window, int colour, int depth) override {
        return happened("context", Step::glContext) &&
               SdlPlatform::createGlContext(window, colour, depth);
    }
    void showWindow(platform::WindowHandle window) override {
        happened("show");
        SdlPlatform::showWindow(window);
    }
    void pumpMessages() override {
        ++pumps;
        if (onPump) onPump(*this);
        for (const auto& [message, wParam] : std::exchange(queued_, {})) deliver(message, wParam);
    }
    void swapBuffers(platform::WindowHandle window) override {
        ++swaps;
        SdlPlatform::swapBuffers(window);
    }
    std::uint32_t milliseconds() override { return now; }
    void startSoundSystem(int channels) override {
        happened("sound");
        SdlPlatform::startSoundSystem(channels);
    }
    void openMusicStream(const char* path) override {
        happened("open");
        SdlPlatform::openMusicStream((musicPath = path).c_str());
    }
    void playMusic() override {
        happened("play");
        SdlPlatform::playMusic();
    }

  private:
    // Notes the step; false when the script fails it.
    bool happened(const char* event, Step step = Step::none) {
        events.emplace_back(event);
        return step == Step::none || step != failAt;
    }
    std::vector<std::pair<std::uint32_t, platform::WPARAM>> queued_;
};

}  // namespace test_support
