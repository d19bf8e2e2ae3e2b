// One line of text per frame with what the show decided in it: the hidden
// scenes drawn, the background and its zoom, every streak colour, and the
// random generator's state after the frame (which fixes every draw made so
// far). Two builds that run the show on the same clock must write the same
// lines, whatever their rasterisers make of the pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "show/frame_probe.h"
#include "show/streaks.h"

namespace show {

class FrameRecord : public FrameProbe {
  public:
    // Installs itself as the frame probe and sends every streak quad, those
    // of no width too, so that the colours do not depend on the pixels under
    // the streaks. When no one else collects the quads, it collects them and
    // sends them to GL itself, as a frame would.
    FrameRecord();
    ~FrameRecord() override;
    FrameRecord(const FrameRecord&) = delete;
    FrameRecord& operator=(const FrameRecord&) = delete;

    void sceneDrawn(int mode) override;
    void backgroundDrawn(int index, float zoom) override;
    void stageDone(FrameStage stage) override;

    // The line of the last frame finished, without a line end.
    const std::string& line() const { return line_; }

  private:
    void startFrame();

    std::vector<StreakQuad> ownQuads_;
    bool collecting_ = false;  // the quads go to ownQuads_
    bool frameOpen_ = false;
    unsigned scenes_ = 0;
    int background_ = 0;
    float zoom_ = 0;
    std::string line_;
};

}  // namespace show
