// The live show's streaks (and the page's, live or recording) painted on the
// CPU where GL is a software rasteriser: there a frame's ten to twenty thousand tiny quads cost
// several times what reading the frame back, painting their few pixels and writing it back costs.
// The painter's pixels are checked against GL's on the first frame with streaks; where they differ,
// GL goes on drawing them.
#pragma once

#include <vector>

#include "show/frame_observer.h"
#include "show/streak_painter.h"

namespace app {

class PaintedStreaks : public show::FrameObserver {
  public:
    void streaksMade(std::span<const show::StreakQuad> quads) override;
    void stageDone(show::FrameStage stage) override;
    bool drawsStreaks() const override { return state_ != State::off; }

  private:
    enum class State { unchecked, painting, off };
    void check();
    void paint();
    void writeBack();

    State state_ = State::unchecked;
    show::SnapTies ties_ = show::SnapTies::toEven;
    std::vector<show::StreakQuad> quads_;
    std::vector<unsigned char> frame_;
};

// True where the current GL context is Mesa's llvmpipe, whose rasterising
// the painter follows, and in a browser, where only the check can tell.
bool paintsStreaksWell();

}  // namespace app
