#include "tools/capture/capture_platform.h"

#include <GL/gl.h>

#include <cstring>
#include <utility>

namespace capture {

CapturePlatform::CapturePlatform(CaptureRange range, FrameSink sink)
    : SdlPlatform(Options{.offscreen = true}),
      range_(range),
      sink_(std::move(sink)),
      bottomUp_(std::size_t{kFrameWidth} * kFrameHeight * 4),
      topDown_(bottomUp_.size()) {}

bool CapturePlatform::askYesNo(const char*, const char*) {
    return false;
}

void CapturePlatform::pumpMessages() {
    // Frame k is drawn at exactly k / fps seconds: whole milliseconds from
    // the start, so fractions never accumulate.
    now_ = start_ + static_cast<std::uint32_t>(rendered_ * 1000 / range_.fps);
    // The frame about to be drawn is the last one wanted: a close request now
    // ends the show after it is presented, as a user's would.
    const bool last = failed_ || (range_.frameCount >= 0 &&
                                  rendered_ + 1 >= range_.firstFrame + range_.frameCount);
    if (last) deliver(platform::WM_CLOSE);
}

void CapturePlatform::swapBuffers(platform::WindowHandle window) {
    const std::int64_t index = rendered_++;
    if (index >= range_.firstFrame && !failed_) {
        glReadPixels(0, 0, kFrameWidth, kFrameHeight, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp_.data());
        const std::size_t row = std::size_t{kFrameWidth} * 4;
        for (int y = 0; y < kFrameHeight; ++y) {
            std::memcpy(&topDown_[y * row], &bottomUp_[(kFrameHeight - 1 - y) * row], row);
        }
        if (!sink_(index - range_.firstFrame, topDown_)) failed_ = true;
        ++kept_;
    }
    SdlPlatform::swapBuffers(window);
}

}  // namespace capture
