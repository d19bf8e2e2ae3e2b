// The platform the capture program runs the show on: a recording run
// (app/recording.h: no question, no sound, a clock that moves on exactly
// 1000/fps per frame) over the native platform offscreen (SDL's offscreen
// driver, or on Windows a window that is never shown). Each finished frame is read back and handed
// to a sink on a thread of its own, so that writing one frame overlaps drawing the next. The
// streaks are not drawn by GL but painted into the read-back frame on that thread, once the first
// frame has shown that both ways agree here: the platform is the observer of the frames it records.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "app/display_window.h"
#include "app/recording.h"
#include "platform/native_platform.h"
#include "show/frame_observer.h"
#include "show/streak_painter.h"

namespace capture {

inline constexpr int kFrameWidth = app::kShowWidth;
inline constexpr int kFrameHeight = app::kShowHeight;

struct CaptureRange {
    int fps = 60;
    std::int64_t firstFrame = 0;   // frames before it are rendered, not kept
    std::int64_t frameCount = -1;  // frames to keep; -1: to the end of the show
};

// The window the recording draws in, made before the recording over it.
struct OffscreenWindow {
    platform::NativePlatform window{platform::NativePlatform::Options{.offscreen = true}};
};

class CapturePlatform : private OffscreenWindow, public app::Recording, public show::FrameObserver {
  public:
    // Receives each kept frame, in order, on the writer thread: RGBA, rows
    // bottom first as GL reads them. False stops the show.
    using FrameSink = std::function<bool(std::int64_t index, const unsigned char* rgba)>;

    CapturePlatform(CaptureRange range, FrameSink sink);
    ~CapturePlatform() override;

    // Waits until the sink has taken every frame read back.
    void finish();

    void streaksMade(std::span<const show::StreakQuad> quads) override;
    bool drawsStreaks() const override { return painting_; }

    // Called on the drawing thread for each frame kept, with its number from
    // the start of the show, before it is read back.
    std::function<void(std::int64_t frame)> frameKept;
    // Asked before each frame; true ends the show after that frame, as a
    // close request does.
    std::function<bool()> stopRequested;

    std::int64_t framesKept() const { return kept_; }

  private:
    bool frameStarting(std::int64_t frame) override;
    void frameDrawn(std::int64_t frame, bool kept) override;
    void writeFrames();
    // Draws the first frame's streaks with GL beside the painter, with either
    // way of snapping corners; where neither agrees, GL draws them for the
    // rest of the run.
    void checkPainter();

    CaptureRange range_;
    FrameSink sink_;
    std::int64_t kept_ = 0;
    std::atomic<bool> failed_ = false;
    std::vector<show::StreakQuad> quads_;  // the frame being drawn
    bool painterChecked_ = false;
    bool painting_ = true;                          // false once GL draws the streaks
    show::GridRule rule_ = show::GridRule::toEven;  // as this GL snaps its corners

    // Three frames in flight: one drawn, one written, one spare for when
    // the writer is slow for a moment.
    std::vector<std::vector<unsigned char>> buffers_;
    std::vector<std::vector<show::StreakQuad>> bufferQuads_;   // to paint into each
    std::vector<std::size_t> free_;                            // buffers ready to read into
    std::deque<std::pair<std::int64_t, std::size_t>> queued_;  // (index, buffer) to write
    bool finishing_ = false;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::thread writer_;
};

}  // namespace capture
