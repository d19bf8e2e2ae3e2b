// The real SDL platform on the offscreen driver, scripted: the answer, a failing
// start-up step, the millisecond counter and queued window events.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/sdl/sdl_platform.h"
#include "tests/support/keep_libraries.h"

namespace test_support {

class ScriptedPlatform : public platform::SdlPlatform {
  public:
    enum class Step { none, prepareWindow, displayMode, createWindow, glContext };
    using Event = platform::WindowEvent;

    ScriptedPlatform() : SdlPlatform(Options{.offscreen = true}) { platform::setPlatform(this); }
    ~ScriptedPlatform() override {
        keepLoadedLibraries();
        platform::setPlatform(nullptr);
    }

    bool answerYes = false;
    Step failAt = Step::none;
    std::uint32_t now = 0;  // what the millisecond counter reads
    // Runs at the start of every event pump, before queued events go out.
    std::function<void(ScriptedPlatform&)> onPump;
    void queueEvent(Event event) { queued_.push_back(event); }
    std::vector<bool> answers;  // the show's, to each event delivered

    std::vector<std::string> events;  // "ask", "notice", "prepare", "mode", "cursor", ...
    std::vector<std::pair<std::string, std::string>> boxes;  // (text, caption)
    platform::WindowDescription window;                      // as asked for
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
    bool prepareWindow(const platform::WindowDescription& description) override {
        return happened("prepare", Step::prepareWindow) && SdlPlatform::prepareWindow(description);
    }
    // The offscreen driver has no modes: full screen is only pretended.
    bool changeDisplayMode(const platform::WindowDescription&) override {
        return happened("mode", Step::displayMode);
    }
    void hideCursor() override { happened("cursor"); }
    platform::WindowHandle createWindow(const platform::WindowDescription& description) override {
        window = description;
        if (!happened("window", Step::createWindow)) return nullptr;
        auto framed = description;
        framed.fullscreen = false;
        return SdlPlatform::createWindow(framed);
    }
    bool createGlContext(platform::WindowHandle w,
                         const platform::WindowDescription& description) override {
        return happened("context", Step::glContext) && SdlPlatform::createGlContext(w, description);
    }
    void showWindow(platform::WindowHandle w) override {
        happened("show");
        SdlPlatform::showWindow(w);
    }
    void listen(platform::EventHandler handler) override {
        happened("listen");
        SdlPlatform::listen(std::move(handler));
    }
    void pumpEvents() override {
        ++pumps;
        if (onPump) onPump(*this);
        for (const Event event : std::exchange(queued_, {})) answers.push_back(deliver(event));
    }
    void swapBuffers(platform::WindowHandle w) override { ++swaps, SdlPlatform::swapBuffers(w); }
    std::uint32_t milliseconds() override { return now; }
    void startSoundSystem(int n) override { happened("sound"), SdlPlatform::startSoundSystem(n); }
    void openMusicStream(const char* path) override {
        happened("open");
        SdlPlatform::openMusicStream((musicPath = path).c_str());
    }
    void playMusic() override { happened("play"), SdlPlatform::playMusic(); }

  private:
    bool happened(const char* event, Step step = Step::none) {
        events.emplace_back(event);
        return step == Step::none || step != failAt;
    }
    std::vector<Event> queued_;
};

}  // namespace test_support
