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
// Handed a recording clock (app/recording.h runs the page's recording mode),
// a frame follows the last one when the page's driver asks for it, not the
// screen; the page's request and the frames it is handed go through the two
// static calls below.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {

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

    // Copies files from the page's folder into the program's file system,
    // under the same relative names, all at once; a file the server does not
    // have is left out (the program then finds it missing, as it would on
    // disk). The music, which the page streams, starts loading beside them.
    static void fetchFiles(const std::vector<std::string>& paths, const char* music);
    // Tells the page that the program has ended with `status`.
    static void ended(int status);
    // The recording the page's driver asks for, as the page's address gives
    // it ("fps:first+count,..."); empty when the show runs live.
    static std::string requestedRecording();
    // Hands the page frame `index` as GL holds it now, with the line that
    // describes it.
    void handFrame(std::int64_t index, const std::string& note);

  private:
    int width_ = 0;  // the canvas's, 0 before the window is made
    int height_ = 0;
    bool soundReady_ = false;
    bool musicOpen_ = false;
    std::vector<unsigned char> pixels_;
};

// The face the outline glyphs are built from: shipped with the page, as
// there is no font configuration to ask.
inline constexpr const char* kWebFacePath = "fonts/LiberationSerif-Regular.ttf";

}  // namespace platform
