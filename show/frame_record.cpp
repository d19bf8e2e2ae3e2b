#include "show/frame_record.h"

#include <cstdio>
#include <cstring>

#include "app/clocks.h"
#include "platform/random.h"

namespace show {

// FNV-1a over the colours in the order the streaks were made.
constexpr std::uint64_t kNoColours = 14695981039346656037ull;

void FrameRecord::startFrame() {
    if (frameOpen_) return;
    frameOpen_ = true;
    scenes_ = 0;
    background_ = 0;
    zoom_ = 0;
    streaks_ = 0;
    colours_ = kNoColours;
}

void FrameRecord::sceneDrawn(int mode) {
    startFrame();
    scenes_ |= 1u << mode;
}

void FrameRecord::backgroundDrawn(int index, float zoom) {
    startFrame();
    background_ = index;
    zoom_ = zoom;
}

void FrameRecord::streaksMade(std::span<const StreakQuad> quads) {
    startFrame();
    streaks_ += quads.size();
    for (const StreakQuad& quad : quads) {
        for (const std::uint8_t channel : {quad.red, quad.green, quad.blue}) {
            colours_ = (colours_ ^ channel) * 1099511628211ull;
        }
    }
}

void FrameRecord::stageDone(FrameStage stage) {
    startFrame();
    if (stage != FrameStage::streaks) return;
    frameOpen_ = false;

    char scenes[4] = {};
    int length = 0;
    for (int mode = 0; mode < 3; ++mode) {
        if (scenes_ & (1u << mode)) scenes[length++] = static_cast<char>('0' + mode);
    }
    std::uint32_t zoomBits = 0;
    std::memcpy(&zoomBits, &zoom_, sizeof zoomBits);
    char text[160];
    std::snprintf(text, sizeof text,
                  "time %.6f scenes %s background %d zoom %08x streaks %zu colours "
                  "%016llx random %08x",
                  static_cast<double>(app::showTime), length != 0 ? scenes : "-", background_,
                  zoomBits, streaks_, static_cast<unsigned long long>(colours_),
                  platform::randomState());
    line_ = text;
}

}  // namespace show
