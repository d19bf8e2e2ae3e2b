// The whole program, start-up to exit, on a scripted clock that runs the
// 73-second show in a fraction of the time.
#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "app/display_window.h"
#include "app/show_main.h"
#include "show/frame_composer.h"
#include "tests/show/gl_recorder.h"
#include "tests/show/show_fixture.h"

namespace {

using test_support::ShowTest;

// Runs after the program's static objects are gone (it is registered before
// any of them exist): the pictures' GL textures must have been deleted, the
// backgrounds before the face, while the context was still current.
void checkTexturesReleased() {
    const auto& deleted = test_support::glRecording().deletedTextures;
    if (deleted.size() != 7) _exit(3);
    if (deleted.back() != *std::min_element(deleted.begin(), deleted.end())) _exit(4);
}

TEST_F(ShowTest, RunsTheWholeShowAndReleasesItsPicturesAtExit) {
    writePictures();
    EXPECT_EXIT(
        {
            std::atexit(checkTexturesReleased);
            platform.now = 500;
            std::uint32_t lastFrame = 0;
            // Ten frames a second of show time.
            platform.onPump = [&](test_support::ScriptedPlatform& p) {
                p.now += 100;
                lastFrame = p.now;
            };
            const int result = app::WinMain();
            // Frames at 0.1 s steps from the loop's start (0.5 s); the last
            // presented is the first whose clock reads past 73 s. (With the
            // float 0.001 the one at 73.0 s nominal already reads a hair over.)
            std::uint32_t expectedLast = 500;
            const double loopStart = static_cast<float>(500 * static_cast<double>(0.001f));
            while (expectedLast * static_cast<double>(0.001f) - loopStart <= 73.0)
                expectedLast += 100;
            const bool ended = result == 0 && platform.pumps == platform.swaps &&
                               lastFrame == expectedLast && expectedLast == 73500 &&
                               platform.swaps == 730 && !app::mainWindow.running;
            std::exit(ended ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
