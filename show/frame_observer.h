// Whoever watches a frame (the capture, the record, the tests, the benchmark)
// is handed to it: which scenes ran, what background was drawn, the streak
// quads and where each stage ends. The show's own frames have no observer.
#pragma once

#include <span>
#include <vector>

#include "show/streaks.h"

namespace show {

enum class FrameStage { hiddenScenes, capture, background, streaks };

class FrameObserver {
  public:
    virtual ~FrameObserver() = default;
    virtual void sceneDrawn(int /*mode*/) {}
    virtual void backgroundDrawn(int /*index*/, float /*zoom*/) {}
    // The frame's streak quads in the order they were made, whoever draws them.
    virtual void streaksMade(std::span<const StreakQuad> /*quads*/) {}
    virtual void stageDone(FrameStage /*stage*/) {}

    // True: this observer draws the streak quads itself, into a frame it
    // reads back anyway, and the frame does not send them to GL.
    virtual bool drawsStreaks() const { return false; }
    // True: quads of no width are made too, and drawn as the show first did.
    virtual bool wantsEmptyQuads() const { return false; }
};

// Several observers as one, each told in turn. It draws the streaks, or
// wants the empty quads, where any of them does.
class FrameObservers : public FrameObserver {
  public:
    void add(FrameObserver& observer) { observers_.push_back(&observer); }

    void sceneDrawn(int mode) override;
    void backgroundDrawn(int index, float zoom) override;
    void streaksMade(std::span<const StreakQuad> quads) override;
    void stageDone(FrameStage stage) override;
    bool drawsStreaks() const override;
    bool wantsEmptyQuads() const override;

  private:
    std::vector<FrameObserver*> observers_;  // not owned
};

}  // namespace show
