#include "app/web_program.h"

#include <charconv>
#include <memory>
#include <string>
#include <vector>

#include "app/painted_streaks.h"
#include "app/recording.h"
#include "app/show_main.h"
#include "platform/data_folder.h"
#include "platform/web/web_platform.h"
#include "show/frame_composer.h"
#include "show/frame_observer.h"
#include "show/frame_record.h"
#include "show/hidden_scenes.h"

namespace app {
namespace {

// The page's recording mode: each kept frame goes to the page with the line
// of the record that describes it.
class PageRecording : public Recording {
  public:
    PageRecording(platform::WebPlatform& page, int fps, std::vector<FrameSpan> kept)
        : Recording(page, fps, std::move(kept)), page_(page) {}
    show::FrameRecord record;

  private:
    void frameDrawn(std::int64_t frame, bool kept) override {
        if (kept) page_.handFrame(frame, record.line());
    }
    platform::WebPlatform& page_;
};

// "fps:first+count,first+count,...", as the page's address gives it; anything
// else asks for no recording (fps 0).
int parseRecording(const std::string& text, std::vector<FrameSpan>& spans) {
    const char* at = text.data();
    const char* end = at + text.size();
    int fps = 0;
    auto parsed = std::from_chars(at, end, fps);
    if (parsed.ec != std::errc() || parsed.ptr == end || *parsed.ptr != ':' || fps < 1 ||
        fps > 1000) {
        return 0;
    }
    at = parsed.ptr + 1;
    while (at < end) {
        FrameSpan span;
        parsed = std::from_chars(at, end, span.first);
        if (parsed.ec != std::errc() || parsed.ptr == end || *parsed.ptr != '+' || span.first < 0) {
            return 0;
        }
        parsed = std::from_chars(parsed.ptr + 1, end, span.count);
        if (parsed.ec != std::errc() || span.count < 1 || span.count > 100000) return 0;
        spans.push_back(span);
        at = parsed.ptr;
        if (at < end && *at++ != ',') return 0;
    }
    return spans.empty() ? 0 : fps;
}

}  // namespace

int runWebProgram() {
    auto& page = static_cast<platform::WebPlatform&>(platform::currentPlatform());

    // The music streams from the page's folder; everything else the show
    // reads as files. A file the server lacks stays missing, and the show
    // then goes on as it does without it on disk.
    std::vector<std::string> files{platform::kWebFacePath, show::kFacePath};
    for (const char* path : show::kBackgroundPaths) files.emplace_back(path);
    platform::WebPlatform::fetchFiles(files, kMusicPath);
    platform::findDataFolder(nullptr);

    std::vector<FrameSpan> spans;
    const int fps = parseRecording(platform::WebPlatform::requestedRecording(), spans);
    std::unique_ptr<PageRecording> recording;
    if (fps != 0) {
        recording = std::make_unique<PageRecording>(page, fps, std::move(spans));
        platform::setPlatform(recording.get());
    }
    // Live or recording, the streaks are painted as natively, once the first
    // frame with streaks shows that the painter gives this browser's pixels.
    PaintedStreaks painter;
    show::FrameObservers observers;
    if (recording) observers.add(recording->record);
    observers.add(painter);
    const int status = WinMain(&observers);
    platform::setPlatform(nullptr);
    platform::WebPlatform::ended(status);
    return status;
}

}  // namespace app
