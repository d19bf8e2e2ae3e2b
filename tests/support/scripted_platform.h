// The real SDL platform on the offscreen driver, scripted: the answer, a failing
// start-up step, the millisecond counter and queued window messages.
#pragma once

#include <dlfcn.h>
#include <link.h>

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
    ~ScriptedPlatform() override {
        // SDL unloads the GL driver with its window; pinning every library keeps
        // the module names that the leak checker's suppressions go by.
        dl_iterate_phdr(
            [](dl_phdr_info* info, std::size_t, void*) {
                if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
                    dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
                return 0;
            },
            nullptr);
        platform::setPlatform(nullptr);
    }

    bool answerYes = false;
    Step failAt = Step::none;
    std::uint32_t now = 0;  // what the millisecond counter reads
    // Runs at the start of every message pump, before queued messages go out.
    std::function<void(ScriptedPlatform&)> onPump;
    void queueMessage(std::uint32_t message, platform::WPARAM wParam = 0) {
        queued_.emplace_back(message, wParam);
    }

    std::vector<std::string> events;  // "ask", "notice", "class", "mode", "cursor", ...
    std::vector<std::pair<std::string, std::string>> boxes;  // (text, caption)
    Style windowStyle = Style::overlapped;
    int pumps = 0, swaps = 0;
    std::string musicPath;
    int countEvents(const std::string& name) const {
        return static_cast<int>(std::count(events.begin(), events.end(), name));
    }

    // Each step notes its event, then (unless scripted to fail) does what SDL does.
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
    // The offscreen driver has no modes: full screen is only pretended.
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
    void showWindow(platform::WindowHandle w) override {
        happened("show");
        SdlPlatform::showWindow(w);
    }
    void pumpMessages() override {
        ++pumps;
        if (onPump) onPump(*this);
        for (const auto& [message, wParam] : std::exchange(queued_, {})) deliver(message, wParam);
    }
    void swapBuffers(platform::WindowHandle w) override { ++swaps, SdlPlatform::swapBuffers(w); }
    std::uint32_t milliseconds() override { return now; }
    void startSoundSystem(int n) override { happened("sound"), SdlPlatform::startSoundSystem(n); }
    void openMusicStream(const char* path) override {
        happened("open");
        SdlPlatform::openMusicStream((musicPath = path).c_str());
    }
    void playMusic() override { happened("play"), SdlPlatform::playMusic(); }
    // Unlike SDL's, whose 0 would pass for the window's own refusal.
    platform::LRESULT defaultWindowProcedure(platform::WindowHandle, std::uint32_t,
                                             platform::WPARAM, platform::LPARAM) override {
        return 1;
    }

  private:
    bool happened(const char* event, Step step = Step::none) {
        events.emplace_back(event);
        return step == Step::none || step != failAt;
    }
    std::vector<std::pair<std::uint32_t, platform::WPARAM>> queued_;
};

}  // namespace test_support
