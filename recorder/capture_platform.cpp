#include "recorder/capture_platform.h"

#include <GL/gl.h>

#include <cstdio>
#include <utility>

#include "platform/report.h"

namespace capture {

CapturePlatform::CapturePlatform(CaptureRange range, FrameSink sink)
    : app::Recording(window, range.fps, {{range.firstFrame, range.frameCount}}),
      range_(range),
      sink_(std::move(sink)),
      buffers_(3, std::vector<unsigned char>(std::size_t{kFrameWidth} * kFrameHeight * 4)),
      bufferQuads_(3),
      free_{0, 1, 2},
      writer_([this] { writeFrames(); }) {}

CapturePlatform::~CapturePlatform() {
    finish();
}

void CapturePlatform::finish() {
    {
        const std::lock_guard lock(mutex_);
        finishing_ = true;
    }
    changed_.notify_all();
    if (writer_.joinable()) writer_.join();
}

bool CapturePlatform::frameStarting(std::int64_t) {
    // A frame starts here: the loading pass's streaks were never shown.
    quads_.clear();
    return failed_ || (stopRequested && stopRequested());
}

void CapturePlatform::streaksMade(std::span<const show::StreakQuad> quads) {
    if (painting_) quads_.insert(quads_.end(), quads.begin(), quads.end());
}

void CapturePlatform::frameDrawn(std::int64_t frame, bool kept) {
    if (!painterChecked_) checkPainter();
    if (!kept || failed_) return;
    if (frameKept) frameKept(frame);
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !free_.empty(); });
    const std::size_t buffer = free_.back();
    free_.pop_back();
    lock.unlock();
    glReadPixels(0, 0, kFrameWidth, kFrameHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                 buffers_[buffer].data());
    bufferQuads_[buffer].swap(quads_);
    lock.lock();
    queued_.emplace_back(frame - range_.firstFrame, buffer);
    lock.unlock();
    changed_.notify_all();
    ++kept_;
}

void CapturePlatform::writeFrames() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return !queued_.empty() || finishing_; });
        if (queued_.empty()) return;
        const auto [index, buffer] = queued_.front();
        queued_.pop_front();
        lock.unlock();
        show::paintStreaks(bufferQuads_[buffer], buffers_[buffer].data(), rule_);
        // After a failed write the rest are dropped; the show stops soon.
        if (!failed_ && !sink_(index, buffers_[buffer].data())) failed_ = true;
        lock.lock();
        free_.push_back(buffer);
        changed_.notify_all();
    }
}

void CapturePlatform::checkPainter() {
    painterChecked_ = true;
    const show::PainterVerdict verdict = show::drawAndCompare(quads_);
    quads_.clear();  // this frame holds its streaks as GL drew them
    if (verdict.rule) {
        rule_ = *verdict.rule;
        return;
    }
    painting_ = false;
    platform::report(
        "this GL draws the streaks unlike the painter (pixel %d,%d of the first frame: GL %d %d "
        "%d, painter %d %d %d); GL draws them (slower)",
        verdict.x, verdict.y, verdict.gl[0], verdict.gl[1], verdict.gl[2], verdict.painter[0],
        verdict.painter[1], verdict.painter[2]);
}

}  // namespace capture
