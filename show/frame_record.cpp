#include "show/frame_record.h"

#include <cstdio>
#include <cstring>

#include "app/clocks.h"
#include "platform/random.h"

namespace show {

FrameRecord::FrameRecord() {
    streaksSendEmptyQuads = true;
    if (streakQuadSink == nullptr) {
        streakQuadSink = &ownQuads_;
        collecting_ = true;
    }
    setFrameProbe(this);
}

FrameRecord::~FrameRecord() {
    if (frameProbe() == this) setFrameProbe(nullptr);
    if (collecting_ && streakQuadSink == &ownQuads_) streakQuadSink = nullptr;
    streaksSendEmptyQuads = false;
}

void FrameRecord::startFrame() {
    if (frameOpen_) return;
    frameOpen_ = true;
    scenes_ = 0;
    background_ = 0;
    zoom_ = 0;
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

void FrameRecord::stageDone(FrameStage stage) {
    startFrame();
    if (stage != FrameStage::streaks) return;
    frameOpen_ = false;

    // FNV-1a over the colours in the order the streaks drew them.
    std::uint64_t colours = 14695981039346656037ull;
    std::size_t count = 0;
    if (const std::vector<StreakQuad>* quads = streakQuadSink) {
        count = quads->size();
        for (const StreakQuad& quad : *quads) {
            for (const std::uint8_t channel : {quad.red, quad.green, quad.blue}) {
                colours = (colours ^ channel) * 1099511628211ull;
            }
        }
    }
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
                  static_cast<double>(app::showTime),
                  length != 0 ? scenes : "-", background_, zoomBits, count,
                  static_cast<unsigned long long>(colours), platform::randomState());
    line_ = text;

    if (collecting_ && streakQuadSink == &ownQuads_) {
        sendStreakQuads(ownQuads_);
        ownQuads_.clear();
    }
}

}  // namespace show
