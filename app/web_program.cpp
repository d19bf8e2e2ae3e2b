#include "app/web_program.h"

#include <optional>
#include <string>
#include <vector>

#include "app/show_main.h"
#include "platform/data_folder.h"
#include "platform/web/web_platform.h"
#include "show/frame_composer.h"
#include "show/frame_record.h"
#include "show/hidden_scenes.h"

namespace app {

int runWebProgram() {
    auto& page = static_cast<platform::WebPlatform&>(platform::currentPlatform());

    // The music streams from the page's folder; everything else the show
    // reads as files. A file the server lacks stays missing, and the show
    // then goes on as it does without it on disk.
    std::vector<std::string> files{platform::kWebFacePath, show::kFacePath};
    for (const char* path : show::kBackgroundPaths) files.emplace_back(path);
    platform::WebPlatform::fetchFiles(files, kMusicPath);
    platform::findDataFolder(nullptr, "streakshow");

    std::optional<show::FrameRecord> record;
    if (page.recording().fps != 0) {
        record.emplace();
        page.setFrameNote([&record] { return record->line(); });
    }
    const int status = WinMain(record ? &*record : nullptr);
    platform::WebPlatform::ended(status);
    return status;
}

}  // namespace app
