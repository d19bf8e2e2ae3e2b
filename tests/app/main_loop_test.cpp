// The main loop on a scripted clock: when the show ends and which frame is
// the last one presented.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/display_window.h"
#include "app/show_main.h"
#include "platform/platform.h"
#include "tests/support/scripted_platform.h"

using test_support::ScriptedPlatform;

namespace {

// Counter readings (ms) at which the loop's clock, started at the first,
// shows exactly 73.0 seconds at the second: float(0.001f * a) is rounded,
// so most whole-millisecond pairs miss 73.0 by a little.
constexpr std::uint32_t kLoopStart = 123608;
constexpr std::uint32_t kExactly73 = 196608;

}  // namespace

TEST(MainLoop, ExactlySeventyThreeSecondsGoesOnAndTheFirstCheckPastItEnds) {
    ASSERT_EQ(kExactly73 * static_cast<double>(0.001f) -
                  static_cast<double>(static_cast<float>(kLoopStart * static_cast<double>(0.001f))),
              73.0);
    ScriptedPlatform platform;
    platform.now = kLoopStart;
    // Frame 1 at 73.0 s exactly, frame 2 one millisecond later.
    platform.onPump = [](ScriptedPlatform& p) {
        p.now = p.pumps == 1 ? kExactly73 : kExactly73 + 1;
    };
    EXPECT_EQ(app::WinMain(), 0);
    EXPECT_EQ(platform.pumps, 2);
    EXPECT_EQ(platform.swaps, 2) << "the last frame is presented";
    EXPECT_FALSE(app::mainWindow.running);
}

TEST(MainLoop, EscapeAndCloseEndTheShowAfterTheCurrentFrame) {
    for (const std::uint32_t message : {platform::WM_KEYDOWN, platform::WM_CLOSE}) {
        SCOPED_TRACE(message);
        ScriptedPlatform platform;
        platform.onPump = [message](ScriptedPlatform& p) {
            p.now += 16;
            if (p.pumps == 3) p.queueMessage(message, platform::VK_ESCAPE);
            // Other keys go to the default handling and change nothing.
            if (p.pumps == 2) p.queueMessage(platform::WM_KEYDOWN, 'A');
        };
        app::mainWindow = app::DisplayWindow{};
        EXPECT_EQ(app::WinMain(), 0);
        EXPECT_EQ(platform.pumps, 3);
        EXPECT_EQ(platform.swaps, 3) << "the frame of the message is still presented";
    }
}

TEST(MainLoop, ScreenSaverAndMonitorPowerAreRefusedOtherCommandsPassOn) {
    app::DisplayWindow window;
    window.running = true;
    EXPECT_EQ(window.handleMessage(nullptr, platform::WM_SYSCOMMAND, platform::SC_SCREENSAVE, 0),
              0);
    EXPECT_EQ(window.handleMessage(nullptr, platform::WM_SYSCOMMAND, platform::SC_MONITORPOWER, 0),
              0);
    EXPECT_EQ(window.handleMessage(nullptr, platform::WM_SYSCOMMAND, 0xF020, 0), 0);
    EXPECT_TRUE(window.running);
    EXPECT_EQ(window.handleMessage(nullptr, platform::WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(window.running);
}
