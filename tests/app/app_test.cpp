// Start-up, the window's messages, the clocks, the main loop and the command line
// on the scripted platform.
#include "tests/support/test.h"

#include <tuple>

#include "app/clocks.h"
#include "app/display_window.h"
#include "app/options.h"
#include "app/painted_streaks.h"
#include "app/show_main.h"
#include "platform/random.h"
#include "show/frame_composer.h"
#include "show/hidden_scenes.h"
#include "tests/support/scripted_platform.h"

namespace {

using test_support::ScriptedPlatform;
const std::string kQuestion = std::string(18, ' ') + "fullscreen?" + std::string(5, ' ');

TEST(Startup, EachAnswerAndFailureGivesItsWindowAndBoxes) {
    using Step = ScriptedPlatform::Step;
    const std::string mode =
        "can't change display settingsdgorij\xC3\xB6oiejh\xC3\xB6oj\xC3\xB6ose";
    const std::string failed =
        "|some extensions needed by this prod not supported by your card. go buy a better computer";
    // The answer, the step that fails, what happens, the boxes captioned "you fail".
    const std::tuple<bool, Step, std::string, std::string> cases[] = {
        {false, Step::none, "ask prepare window context show listen", ""},
        {true, Step::none, "ask prepare mode cursor window context show listen", ""},
        // A refused mode keeps the window framed; the cursor goes after the box.
        {true, Step::displayMode, "ask prepare mode notice cursor window context show listen",
         "|" + mode},
        {false, Step::prepareWindow, "ask prepare notice notice",
         "|some window init failzz" + failed},
        {false, Step::createWindow, "ask prepare window notice notice", "|fail fail fail" + failed},
        {true, Step::glContext, "ask prepare mode cursor window context notice notice",
         "|r\xC3\xB6yh" + failed}};
    for (const auto& [yes, failAt, events, notices] : cases) {
        SCOPED_TRACE(events);
        ScriptedPlatform platform;
        platform.answerYes = yes;
        platform.failAt = failAt;
        platform.onPump = [](ScriptedPlatform& p) { p.queueEvent(platform::WindowEvent::close); };
        app::mainWindow = app::DisplayWindow{};
        EXPECT_EQ(app::WinMain(), 0);
        std::string happened, boxes;
        for (const std::string& e : platform.events) happened += (happened.empty() ? "" : " ") + e;
        for (const auto& [text, caption] : platform.boxes)
            boxes += (boxes.empty() ? text + caption
                                    : "|" + text + (caption == "you fail" ? "" : caption));
        // The music is loaded and started whether the show can draw or not.
        EXPECT_EQ(happened, events + " sound open play");
        EXPECT_EQ(platform.musicPath, "dorva/vindu-tarok.mp3");
        EXPECT_EQ(boxes, kQuestion + std::string(32, ' ') + "' -" + notices);
        const bool running = std::count(notices.begin(), notices.end(), '|') < 2;
        EXPECT_EQ(platform.swaps, running) << "a frame only where the window opened";
        EXPECT_EQ(platform.window.fullscreen, yes && failAt != Step::displayMode);
        if (failAt == Step::prepareWindow) continue;
        const auto& [title, width, height, full, colour, depth] = platform.window;
        EXPECT_EQ(std::tuple(std::string(title), width, height, colour, depth),
                  std::tuple("ZERK", 1024, 768, 32, 32));
        if (!running) continue;
        EXPECT_EQ(test_support::glGet<4>(GL_VIEWPORT), (std::array<float, 4>{0, 0, 1024, 768}));
        EXPECT_TRUE(app::hasRequiredExtensions());
    }
}

TEST(Clocks, LapReadsTheCounterTwiceAndExtensionsAreFoundAtTheVeryEnd) {
    // A counter that moves on by 1 ms at every reading.
    struct Ticking : ScriptedPlatform {
        std::uint32_t milliseconds() override { return now++; }
    } platform;
    platform.now = 2000;
    app::Stopwatch lapped;  // reads 2000
    EXPECT_EQ(lapped.lap(), static_cast<float>(2001 * double{0.001f} - 2));
    EXPECT_EQ(lapped.start, static_cast<float>(2002 * double{0.001f}));
    platform.now = 864000123u;  // ten days: the float start is rounded to 1/128 s
    app::Stopwatch clock;
    EXPECT_EQ(clock.elapsed(), 864000124u * double{0.001f} - double{clock.start});
    platform.now = 0x80000010u;  // past 2^31 ms the counter still counts up
    EXPECT_GT(app::Stopwatch().start, 2.1e6f);
    EXPECT_TRUE(app::containsText("GL_EXT_texture_env_combine", "GL_A GL_EXT_texture_env_combine"));
    EXPECT_FALSE(app::containsText("GL_ARB_multitexture", "GL_ARB_multitextur"));
}

TEST(MainLoop, SeventyThreeSecondsGoOnAndTheFirstCheckPastThemEnds) {
    // Readings at which a loop clock started at the first shows exactly 73.0 s.
    constexpr std::uint32_t start = 123608, exactly73 = 196608;
    ASSERT_EQ(exactly73 * double{0.001f} - double{static_cast<float>(start * double{0.001f})},
              73.0);
    ScriptedPlatform platform;
    platform.now = start;
    platform.onPump = [](ScriptedPlatform& p) { p.now = p.pumps == 1 ? exactly73 : exactly73 + 1; };
    EXPECT_EQ(app::WinMain(), 0);
    EXPECT_EQ((std::pair{platform.pumps, platform.swaps}), (std::pair{2, 2}))
        << "the last frame is presented";
    EXPECT_FALSE(app::mainWindow.running);
}

TEST(MainLoop, EscapeAndCloseEndTheShowAfterTheirFramePowerRequestsAreRefused) {
    using Event = platform::WindowEvent;
    for (const Event ending : {Event::escape, Event::close}) {
        ScriptedPlatform platform;
        platform.onPump = [ending](ScriptedPlatform& p) {
            p.now += p.pumps > 3 ? 100000 : 16;  // a show that runs on ends at once
            if (p.pumps == 2) {
                p.queueEvent(Event::screenSaver);
                p.queueEvent(Event::monitorPower);
            }
            if (p.pumps == 3) p.queueEvent(ending);
        };
        app::mainWindow = app::DisplayWindow{};
        EXPECT_EQ(app::WinMain(), 0);
        EXPECT_EQ(std::tuple(platform.pumps, platform.swaps), std::tuple(3, 3));
        EXPECT_EQ(platform.answers, (std::vector<bool>{true, true, true})) << "all taken";
    }
}

// Each frame from 5 to 21 s (the face, the ring, the boxes) drawn from the same state with
// GL's streaks and with painted ones: the same pixels, and painting goes on after the check.
TEST(MainLoop, PaintedStreaksShowGlsPixels) {
    ScriptedPlatform platform;
    app::mainWindow = app::DisplayWindow{};
    app::mainWindow.create();
    app::initShow();
    app::PaintedStreaks painter;
    auto state = std::tie(app::showClock, app::frameClock, show::backgroundIndex, show::zoomTime,
                          show::ringOn, show::ringSwitchTime, show::boxesOn, show::boxesSwitchTime,
                          show::ringPhase, show::ringShapeTime, show::ringSegments,
                          show::boxSeedTime, show::boxSeed);
    std::string frames[2];
    for (platform.now = 5000; platform.now < 21000; platform.now += 200) {
        const auto seed = platform::randomState();
        const auto saved = std::apply([](auto&... v) { return std::tuple(v...); }, state);
        for (std::string& frame : frames) {
            platform::srand(seed);
            state = saved;
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glColor3f(1, 1, 1);
            show::composeFrame(&frame == frames ? nullptr : &painter);
            frame.resize(1024 * 768 * 3);
            glReadPixels(0, 0, 1024, 768, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
        }
        ASSERT_TRUE(frames[0] == frames[1]) << "at " << platform.now << " ms";
    }
    EXPECT_TRUE(painter.drawsStreaks()) << "painting was given up";
}

// From a folder with no dorva/: the last screen option answers, --data names the folder.
TEST(CommandLine, ScreenOptionsAnswerTheQuestionAndDataNamesTheFolder) {
    const std::string pictures = testing::TempDir() + "streakshow-" + std::to_string(getpid());
    std::filesystem::create_directory(pictures);
    for (const bool full : {false, true}) {
        ScriptedPlatform platform;
        platform.onPump = [](ScriptedPlatform& p) { p.queueEvent(platform::WindowEvent::close); };
        app::mainWindow = app::DisplayWindow{};
        EXPECT_EQ(app::runProgram({"streakshow", full ? "--windowed" : "--fullscreen", "--data",
                                   pictures, full ? "--fullscreen" : "--windowed"}),
                  0);
        EXPECT_EQ((std::pair{platform.countEvents("ask"), platform.swaps}), (std::pair{0, 1}));
        EXPECT_EQ(platform.countEvents("mode"), full);
        EXPECT_EQ(platform.window.fullscreen, full);
        EXPECT_EQ(platform.musicPath, pictures + "/vindu-tarok.mp3");
    }
    std::filesystem::remove(pictures);
}

}  // namespace
