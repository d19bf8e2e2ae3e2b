#include "app/recording.h"

#include <algorithm>
#include <utility>

#include "platform/report.h"

namespace app {

Recording::Recording(platform::Platform& backend, int fps, std::vector<FrameSpan> kept)
    : backend_(backend), clock_(fps), spans_(std::move(kept)) {
    for (const FrameSpan& span : spans_) {
        if (span.count < 0) {
            lastFrame_ = -1;
            break;
        }
        lastFrame_ = std::max(lastFrame_, span.first + span.count - 1);
    }
    useClock(&clock_);
    backend_.useClock(&clock_);
}

Recording::~Recording() {
    backend_.useClock(nullptr);
}

bool Recording::keeps(std::int64_t frame) const {
    return std::any_of(spans_.begin(), spans_.end(), [frame](const FrameSpan& span) {
        return frame >= span.first && (span.count < 0 || frame < span.first + span.count);
    });
}

bool Recording::askYesNo(const char*, const char*) {
    return false;
}

// No one is there to click a box away: the notice goes to standard error.
void Recording::showNotice(const char* text, const char* caption) {
    platform::report("%s: %s", platform::boxTextLine(caption).c_str(),
                     platform::boxTextLine(text).c_str());
}

bool Recording::prepareWindow(const platform::WindowDescription& window) {
    return backend_.prepareWindow(window);
}

bool Recording::changeDisplayMode(const platform::WindowDescription& window) {
    return backend_.changeDisplayMode(window);
}

void Recording::hideCursor() {
    backend_.hideCursor();
}

platform::WindowHandle Recording::createWindow(const platform::WindowDescription& window) {
    return backend_.createWindow(window);
}

bool Recording::createGlContext(platform::WindowHandle window,
                                const platform::WindowDescription& description) {
    return backend_.createGlContext(window, description);
}

void Recording::showWindow(platform::WindowHandle window) {
    backend_.showWindow(window);
}

// The backend's own events are not the show's while it records: the run
// ends by its frames or by frameStarting.
void Recording::pumpEvents() {
    clock_.startFrame(rendered_);
    const bool stop = frameStarting(rendered_);
    // The frame about to be drawn is the last one wanted: a close request now
    // ends the show after it is presented, as a user's would.
    if (stop || (lastFrame_ >= 0 && rendered_ >= lastFrame_)) deliver(platform::WindowEvent::close);
}

void Recording::swapBuffers(platform::WindowHandle window) {
    const std::int64_t frame = rendered_++;
    frameDrawn(frame, keeps(frame));
    backend_.swapBuffers(window);
}

}  // namespace app
