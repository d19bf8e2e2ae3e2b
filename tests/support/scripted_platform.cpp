#include "tests/support/scripted_platform.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>

namespace test_support {

ScriptedPlatform::ScriptedPlatform() : SdlPlatform(Options{.offscreen = true}) {
    platform::setPlatform(this);
}

namespace {

// SDL unloads the GL driver when its window goes; what the driver keeps until
// exit would then be reported by the leak checker without a module name to
// suppress it by. Pinning every loaded library keeps the names.
void pinLoadedLibraries() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void*) {
            if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0') {
                dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            }
            return 0;
        },
        nullptr);
}

}  // namespace

ScriptedPlatform::~ScriptedPlatform() {
    pinLoadedLibraries();
    platform::setPlatform(nullptr);
}

void ScriptedPlatform::queueMessage(std::uint32_t message, platform::WPARAM wParam) {
    queued_.emplace_back(message, wParam);
}

bool ScriptedPlatform::askYesNo(const char* text, const char* caption) {
    events.push_back("ask");
    boxes.emplace_back(text, caption);
    return answerYes;
}

void ScriptedPlatform::showNotice(const char* text, const char* caption) {
    events.push_back("notice");
    boxes.emplace_back(text, caption);
}

bool ScriptedPlatform::registerWindowClass(const char* className,
                                           platform::WindowProcedure procedure) {
    events.push_back("class");
    if (failAt == Step::registerClass) return false;
    return SdlPlatform::registerWindowClass(className, procedure);
}

bool ScriptedPlatform::changeDisplayMode(int, int, int) {
    events.push_back("mode");
    // The offscreen driver has no modes to change; accept unless told not to.
    return failAt != Step::displayMode;
}

void ScriptedPlatform::hideCursor() {
    events.push_back("cursor");
}

platform::WindowHandle ScriptedPlatform::createWindow(const char* className, const char* title,
                                                      platform::WindowStyle style, int width,
                                                      int height) {
    events.push_back("window");
    windowStyle = style;
    if (failAt == Step::createWindow) return nullptr;
    // Full screen is only pretended: the offscreen window is windowed.
    return SdlPlatform::createWindow(className, title, platform::WindowStyle::overlapped, width,
                                     height);
}

bool ScriptedPlatform::createGlContext(platform::WindowHandle window, int colorBits,
                                       int depthBits) {
    events.push_back("context");
    if (failAt == Step::glContext) return false;
    return SdlPlatform::createGlContext(window, colorBits, depthBits);
}

void ScriptedPlatform::showWindow(platform::WindowHandle window) {
    events.push_back("show");
    SdlPlatform::showWindow(window);
}

void ScriptedPlatform::pumpMessages() {
    ++pumps;
    if (onPump) onPump(*this);
    auto messages = std::move(queued_);
    queued_.clear();
    for (const auto& [message, wParam] : messages) {
        deliver(message, wParam);
    }
}

void ScriptedPlatform::swapBuffers(platform::WindowHandle window) {
    ++swaps;
    SdlPlatform::swapBuffers(window);
}

void ScriptedPlatform::startSoundSystem(int channels) {
    events.push_back("sound");
    SdlPlatform::startSoundSystem(channels);
}

void ScriptedPlatform::openMusicStream(const char* path) {
    events.push_back("open");
    musicPath = path;
    SdlPlatform::openMusicStream(path);
}

void ScriptedPlatform::playMusic() {
    events.push_back("play");
    SdlPlatform::playMusic();
}

int ScriptedPlatform::countEvents(const std::string& name) const {
    return static_cast<int>(std::count(events.begin(), events.end(), name));
}

}  // namespace test_support
