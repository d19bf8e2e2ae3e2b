// A window into a frame for tests and the benchmark: which scenes ran, what
// background was drawn, and where each stage ends. The show runs without
// one; with one installed it only makes the calls below.
#pragma once

#include <span>

#include "show/streaks.h"

namespace show {

enum class FrameStage { hiddenScenes, capture, background, streaks };

class FrameProbe {
  public:
    virtual ~FrameProbe() = default;
    virtual void sceneDrawn(int /*mode*/) {}
    virtual void backgroundDrawn(int /*index*/, float /*zoom*/) {}
    // The frame's streak quads in the order they were made, whoever draws them.
    virtual void streaksMade(std::span<const StreakQuad> /*quads*/) {}
    virtual void stageDone(FrameStage /*stage*/) {}
};

// Installs `probe` (not owned); nullptr removes it.
void setFrameProbe(FrameProbe* probe);
FrameProbe* frameProbe();

}  // namespace show
