// The one seam between the show and the machine it runs on.
//
// Everything the show takes from the system goes through `Platform`, in the
// show's own terms: message boxes, its one window and GL context, the events
// it answers, the millisecond counter and the music. The real
// implementations are win32/ on Windows, web/ in a browser and sdl/ (SDL2
// and SDL2_mixer) everywhere else; tests and the capture program install
// their own with `setPlatform`.
//
// What is not here: GL itself (the show's drawing language, called directly)
// and the random generator (random.h), which is pure arithmetic.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace platform {

// The show's one window: its title, its size (the outer size where the
// system draws a frame), whether it covers the screen at a display mode of
// that size, and its pixels.
struct WindowDescription {
    const char* title = "";
    int width = 0;
    int height = 0;
    bool fullscreen = false;
    int colorBits = 32;
    int depthBits = 32;
};

// What the system tells the show: Escape was pressed, the window is asked to
// close, the screen saver would start, the monitor would power down.
enum class WindowEvent { escape, close, screenSaver, monitorPower };

// The show's answer to an event: true when it takes the event itself, so
// that the system does nothing more (the window stays open, the screen saver
// stays off); false leaves the event to the system.
using EventHandler = std::function<bool(WindowEvent)>;

using WindowHandle = void*;

// A recording run's clock, which stands in for the system's: frame k of a
// run at `fps` frames a second is drawn at exactly k / fps seconds, whatever
// drawing it costs, in whole milliseconds from a start of 1000, so that
// fractions never add up.
class RecordingClock {
  public:
    explicit RecordingClock(int fps) : fps_(fps) {}
    int fps() const { return fps_; }
    // The frame about to be drawn, counted from the show's start; the clock
    // shows its time until the next one starts.
    void startFrame(std::int64_t frame) {
        now_ = static_cast<std::uint32_t>(1000 + frame * 1000 / fps_);
    }
    std::uint32_t milliseconds() const { return now_; }

  private:
    int fps_;
    std::uint32_t now_ = 1000;
};

class Platform {
  public:
    virtual ~Platform() = default;

    // Modal boxes without an owner window. Where none can be shown the
    // question counts as answered No and the text goes to standard error.
    virtual bool askYesNo(const char* text, const char* caption) = 0;
    virtual void showNotice(const char* text, const char* caption) = 0;

    // Window set-up, in the order the show performs it, each step on its
    // own: the show reports each failure in a box of its own, in this order,
    // and a refused display mode still lets the window open. Each returns
    // false (or a null handle) when the step cannot be done.
    //
    // Readies the system for the window (on Windows its window class).
    virtual bool prepareWindow(const WindowDescription& window) = 0;
    // The display mode of the window's size and colour bits, for full screen.
    virtual bool changeDisplayMode(const WindowDescription& window) = 0;
    virtual void hideCursor() = 0;
    virtual WindowHandle createWindow(const WindowDescription& window) = 0;
    // A double-buffered RGBA GL context of the description's colour and
    // depth bits (or the closest the system offers), made current.
    virtual bool createGlContext(WindowHandle window, const WindowDescription& description) = 0;
    // Shown, brought to the front, focused.
    virtual void showWindow(WindowHandle window) = 0;
    // From here on the window's events go to `handler`; before, the system
    // handles them alone.
    virtual void listen(EventHandler handler) { handler_ = std::move(handler); }

    // Hands every pending event to the handler.
    virtual void pumpEvents() = 0;
    virtual void swapBuffers(WindowHandle window) = 0;

    // Milliseconds as an unsigned 32-bit count, monotonic, from process start.
    virtual std::uint32_t milliseconds() = 0;

    // Hands the platform a clock of a recording run (not owned), or nullptr
    // for the system's again. While it has one, the millisecond counter reads
    // that clock, and a frame follows the last one as soon as it is drawn,
    // not when the screen asks for it.
    void useClock(const RecordingClock* clock) { clock_ = clock; }
    const RecordingClock* clock() const { return clock_; }

    // The music: a sound system of `channels` channels, a file opened as a
    // stream, played once from the start. Failure means silence.
    virtual void startSoundSystem(int channels) = 0;
    virtual void openMusicStream(const char* path) = 0;
    virtual void playMusic() = 0;

  protected:
    // The show's answer to `event`; false (the system's own handling) while
    // no one listens.
    bool deliver(WindowEvent event) const { return handler_ && handler_(event); }

  private:
    EventHandler handler_;
    const RecordingClock* clock_ = nullptr;
};

// The platform in use: the native one (native_platform.h) unless another was
// installed.
Platform& currentPlatform();
// Installs `replacement` (not owned); nullptr goes back to the native one.
void setPlatform(Platform* replacement);

// The millisecond counter of the platform in use: its recording clock where
// it was handed one, the system's otherwise.
std::uint32_t millisecondCounter();

// A box's text for standard error: on one line, without the spaces that
// centre it in the box.
std::string boxTextLine(const char* text);

}  // namespace platform
