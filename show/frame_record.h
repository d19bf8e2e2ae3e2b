// One line of text per frame with what the show decided in it: the hidden
// scenes drawn, the background and its zoom, every streak colour, and the
// random generator's state after the frame (which fixes every draw made so
// far). Two builds that run the show on the same clock must write the same
// lines, whatever their rasterisers make of the pixels.
#pragma once

#include <cstdint>
#include <string>

#include "show/frame_observer.h"

namespace show {

// An observer of the frames to be recorded.
class FrameRecord : public FrameObserver {
  public:
    void sceneDrawn(int mode) override;
    void backgroundDrawn(int index, float zoom) override;
    void streaksMade(std::span<const StreakQuad> quads) override;
    void stageDone(FrameStage stage) override;
    // Every streak quad is made, those of no width too, so that the colours
    // do not depend on the pixels under the streaks.
    bool wantsEmptyQuads() const override { return true; }

    // The line of the last frame finished, without a line end.
    const std::string& line() const { return line_; }

  private:
    void startFrame();

    bool frameOpen_ = false;
    unsigned scenes_ = 0;
    int background_ = 0;
    float zoom_ = 0;
    std::size_t streaks_ = 0;
    std::uint64_t colours_ = 0;
    std::string line_;
};

}  // namespace show
