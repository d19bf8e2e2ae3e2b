#include "show/frame_observer.h"

#include <algorithm>

namespace show {

void FrameObservers::sceneDrawn(int mode) {
    for (FrameObserver* observer : observers_) observer->sceneDrawn(mode);
}

void FrameObservers::backgroundDrawn(int index, float zoom) {
    for (FrameObserver* observer : observers_) observer->backgroundDrawn(index, zoom);
}

void FrameObservers::streaksMade(std::span<const StreakQuad> quads) {
    for (FrameObserver* observer : observers_) observer->streaksMade(quads);
}

void FrameObservers::stageDone(FrameStage stage) {
    for (FrameObserver* observer : observers_) observer->stageDone(stage);
}

bool FrameObservers::drawsStreaks() const {
    return std::any_of(observers_.begin(), observers_.end(),
                       [](const FrameObserver* observer) { return observer->drawsStreaks(); });
}

bool FrameObservers::wantsEmptyQuads() const {
    return std::any_of(observers_.begin(), observers_.end(),
                       [](const FrameObserver* observer) { return observer->wantsEmptyQuads(); });
}

}  // namespace show
