// The show's command line as main() hands it over, on the scripted platform:
// the screen options answer the question, --data points the show's files
// into the folder named.
#include "app/options.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/test.h"

namespace fs = std::filesystem;
using test_support::ScriptedPlatform;

namespace {

// Runs the program on one frame, from a scratch folder with no dorva/.
int runOneFrame(ScriptedPlatform& platform, const char* screen, const char* other = nullptr) {
    std::string pattern = (fs::temp_directory_path() / "streakshow-options-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return -1;
    const fs::path previous = fs::current_path();
    fs::current_path(pattern);
    fs::create_directory("pictures");
    platform.onPump = [](ScriptedPlatform& p) { p.queueMessage(platform::WM_CLOSE); };
    const char* argv[] = {"streakshow", "--data", "pictures", screen, other};
    const int status = app::runProgram(other != nullptr ? 5 : 4, argv);
    fs::current_path(previous);
    fs::remove_all(pattern);
    return status;
}

}  // namespace

TEST(CommandLine, WindowedOpensTheWindowWithoutAskingAndTheLastScreenOptionCounts) {
    ScriptedPlatform platform;
    EXPECT_EQ(runOneFrame(platform, "--fullscreen", "--windowed"), 0);
    EXPECT_EQ(platform.countEvents("ask"), 0);
    EXPECT_EQ(platform.countEvents("mode"), 0);
    EXPECT_EQ(platform.countEvents("show"), 1);
    EXPECT_EQ(platform.windowStyle, platform::WindowStyle::overlapped);
    EXPECT_EQ(platform.swaps, 1);
    EXPECT_EQ(platform.musicPath, "pictures/vindu-tarok.mp3");
}

TEST(CommandLine, FullscreenChangesTheModeWithoutAsking) {
    ScriptedPlatform platform;
    EXPECT_EQ(runOneFrame(platform, "--fullscreen"), 0);
    EXPECT_EQ(platform.countEvents("ask"), 0);
    EXPECT_EQ(platform.countEvents("mode"), 1);
    EXPECT_EQ(platform.windowStyle, platform::WindowStyle::popup);
}
