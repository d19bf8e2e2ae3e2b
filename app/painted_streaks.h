// The streaks painted on the CPU where GL is a software rasteriser, in the
// live show and in the page (live or recording): there a frame's ten to
// twenty thousand tiny quads cost several times what painting their few
// pixels and drawing them over the frame as a layer costs. The painter's
// pixels are checked against GL's on the first frame with streaks; where
// they differ, GL goes on drawing them.
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
    void drawLayer();

    State state_ = State::unchecked;
    show::GridRule rule_ = show::GridRule::toEven;
    std::vector<show::StreakQuad> quads_;
    std::vector<unsigned char> frame_;  // the painted layer
    show::RowSpan layerRows_;           // its painted rows
};

// True where the current GL context draws with a software rasteriser whose
// rules the painter may follow (Mesa's llvmpipe, or SwiftShader in a browser);
// a GPU draws the streaks faster than a frame's read-back would cost.
bool paintsStreaksWell();

}  // namespace app
