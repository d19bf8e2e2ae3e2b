// A recording run: the windowed show drawn frame by frame over a backend's
// window and GL context, under a clock of its own (platform::RecordingClock),
// with no question (the windowed show is what is recorded), no sound (a
// video takes the music from its file) and a close request once the last
// frame wanted is drawn. The capture program and the page's recording mode
// both run the show this way; what becomes of each frame is theirs, through
// the two hooks below. The backend only learns of the clock.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/platform.h"

namespace app {

// Frames [first, first + count) from the show's start; a count of -1 runs
// to the end of the show.
struct FrameSpan {
    std::int64_t first = 0;
    std::int64_t count = -1;
};

class Recording : public platform::Platform {
  public:
    // The backend outlives the recording; `kept` is not empty.
    Recording(platform::Platform& backend, int fps, std::vector<FrameSpan> kept);
    ~Recording() override;
    Recording(const Recording&) = delete;
    Recording& operator=(const Recording&) = delete;

    bool askYesNo(const char* text, const char* caption) override;
    void showNotice(const char* text, const char* caption) override;
    bool prepareWindow(const platform::WindowDescription& window) override;
    bool changeDisplayMode(const platform::WindowDescription& window) override;
    void hideCursor() override;
    platform::WindowHandle createWindow(const platform::WindowDescription& window) override;
    bool createGlContext(platform::WindowHandle window,
                         const platform::WindowDescription& description) override;
    void showWindow(platform::WindowHandle window) override;
    void pumpEvents() override;
    void swapBuffers(platform::WindowHandle window) override;
    std::uint32_t milliseconds() override { return clock_.milliseconds(); }
    void startSoundSystem(int) override {}
    void openMusicStream(const char*) override {}
    void playMusic() override {}

    // Whether frame `frame` is one of those kept.
    bool keeps(std::int64_t frame) const;
    std::int64_t framesRendered() const { return rendered_; }

  protected:
    // A frame starts: the one numbered `frame` from the show's start is about
    // to be drawn. True ends the show after it, as a close request does.
    virtual bool frameStarting(std::int64_t /*frame*/) { return false; }
    // Frame `frame` is drawn and about to be presented; GL still holds it.
    virtual void frameDrawn(std::int64_t /*frame*/, bool /*kept*/) {}

  private:
    platform::Platform& backend_;
    platform::RecordingClock clock_;
    std::vector<FrameSpan> spans_;
    std::int64_t lastFrame_ = -1;  // the last frame kept; -1: the show's end
    std::int64_t rendered_ = 0;
};

}  // namespace app
