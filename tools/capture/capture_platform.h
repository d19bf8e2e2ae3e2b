// The platform the capture program runs the show on: SDL's offscreen driver,
// no question (the windowed show is recorded), no sound (the music goes into
// the video file instead), and a millisecond counter that moves on exactly
// 1000/fps per frame. Each finished frame is read back and handed to a sink.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/sdl_platform.h"

namespace capture {

inline constexpr int kFrameWidth = 1024;
inline constexpr int kFrameHeight = 768;

struct CaptureRange {
    int fps = 60;
    std::int64_t firstFrame = 0;   // frames before it are rendered, not kept
    std::int64_t frameCount = -1;  // frames to keep; -1: to the end of the show
};

class CapturePlatform : public platform::SdlPlatform {
  public:
    // Receives each kept frame, RGBA, rows top first; false stops the show.
    using FrameSink =
        std::function<bool(std::int64_t index, const std::vector<unsigned char>& rgba)>;

    CapturePlatform(CaptureRange range, FrameSink sink);

    bool askYesNo(const char* text, const char* caption) override;
    void pumpMessages() override;
    void swapBuffers(platform::WindowHandle window) override;
    std::uint32_t milliseconds() override { return now_; }
    void startSoundSystem(int) override {}
    void openMusicStream(const char*) override {}
    void playMusic() override {}

    std::int64_t framesRendered() const { return rendered_; }
    std::int64_t framesKept() const { return kept_; }

  private:
    CaptureRange range_;
    FrameSink sink_;
    std::uint32_t start_ = 1000;
    std::uint32_t now_ = 1000;
    std::int64_t rendered_ = 0;
    std::int64_t kept_ = 0;
    bool failed_ = false;
    std::vector<unsigned char> bottomUp_;
    std::vector<unsigned char> topDown_;
};

}  // namespace capture
