// The platform in a browser tab (WebAssembly): the page's own dialog for the
// question and the notices, the Fullscreen API for the display mode, one
// canvas of the window's size with a WebGL 2 context under our GL 1.1 layer
// (platform/web/gl/),
// the page's clock, and an audio element that streams the music.
//
// The show's loop keeps its shape: swapBuffers hands control back to the
// browser until the next animation frame (Asyncify unwinds and rewinds the
// stack), and the question waits for a click the same way. The page queues
// the events it sees by name ("escape", "close"); the event pump takes them.
//
// The page can also ask for a recording run (for checks and the benchmark):
// no question, no sound, a clock that moves on exactly 1000/fps per frame as
// the capture program's does, and chosen frames read back and handed to the
// page with a line that describes them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

// A recording run: frames [firstFrame, firstFrame + frameCount) of each range
// are handed to the page; the show is closed after the last of them.
struct WebRecording {
    int fps = 0;  // 0: no recording, the show runs live
    std::vector<std::pair<std::int64_t, std::int64_t>> ranges;  // (first, count)
};

class WebPlatform : public Platform {
  public:
    WebPlatform();

    bool askYesNo(const char* text, const char* caption) override;
    void showNotice(const char* text, const char* caption) override;
    bool prepareWindow(const WindowDescription& window) override;
    bool changeDisplayMode(const WindowDescription& window) override;
    void hideCursor() override;
    WindowHandle createWindow(const WindowDescription& window) override;
    bool createGlContext(WindowHandle window, const WindowDescription& description) override;
    void showWindow(WindowHandle window) override;
    void pumpEvents() override;
    void swapBuffers(WindowHandle window) override;
    std::uint32_t milliseconds() override;
    void startSoundSystem(int channels) override;
    void openMusicStream(const char* path) override;
    void playMusic() override;

    // The recording the page's driver asked for (empty fps when live).
    const WebRecording& recording() const { return recording_; }
    // Called for each frame handed to the page, for the line that goes with it.
    void setFrameNote(std::function<std::string()> note) { note_ = std::move(note); }

    // Copies files from the page's folder into the program's file system,
    // under the same relative names, all at once; a file the server does not
    // have is left out (the program then finds it missing, as it would on
    // disk). The music, which the page streams, starts loading beside them.
    static void fetchFiles(const std::vector<std::string>& paths, const char* music);
    // Tells the page that the program has ended with `status`.
    static void ended(int status);

  private:
    WebRecording recording_;
    std::function<std::string()> note_;
    int width_ = 0;  // the canvas's, 0 before the window is made
    int height_ = 0;
    bool soundReady_ = false;
    bool musicOpen_ = false;
    std::int64_t rendered_ = 0;
    std::uint32_t now_ = 1000;     // a recording's clock
    std::int64_t lastFrame_ = -1;  // the last frame a recording keeps
    std::vector<unsigned char> pixels_;
};

// The face the outline glyphs are built from: shipped with the page, as
// there is no font configuration to ask.
inline constexpr const char* kWebFacePath = "fonts/LiberationSerif-Regular.ttf";

}  // namespace platform
