#include "platform/platform.h"

#include "platform/native_platform.h"

namespace platform {
namespace {
Platform* installed = nullptr;
}

Platform& currentPlatform() {
    if (installed != nullptr) return *installed;
    // Never destroyed: the show leaves window, context and sound to the end
    // of the process, and the clocks read the counter during static start.
    static NativePlatform* const native = new NativePlatform();
    return *native;
}

void setPlatform(Platform* replacement) {
    installed = replacement;
}

std::uint32_t millisecondCounter() {
    Platform& platform = currentPlatform();
    return platform.clock() != nullptr ? platform.clock()->milliseconds() : platform.milliseconds();
}

std::string boxTextLine(const char* text) {
    std::string line = text != nullptr ? text : "";
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    const auto first = line.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return line.substr(first, line.find_last_not_of(' ') - first + 1);
}

}  // namespace platform
