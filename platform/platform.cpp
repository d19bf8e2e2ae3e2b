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

std::uint32_t timeGetTime() {
    return currentPlatform().milliseconds();
}

}  // namespace platform
