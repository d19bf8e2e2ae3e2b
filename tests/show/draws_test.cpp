// How many random draws each part of a frame makes: the whole show's random
// sequence, and so every later frame, depends on these counts.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "app/clocks.h"
#include "platform/random.h"
#include "show/frame_composer.h"
#include "show/hidden_scenes.h"
#include "tests/show/gl_recorder.h"
#include "tests/show/show_fixture.h"

namespace {

using test_support::ShowTest;

// Runs one frame at `milliseconds` from random state `seed`, recording it.
void frameAt(test_support::ScriptedPlatform& platform, std::uint32_t milliseconds,
             std::uint32_t seed) {
    auto& recording = test_support::glRecording();
    recording.clear();
    recording.enabled = true;
    platform.now = milliseconds;
    platform::srand(seed);
    show::composeFrame();
    recording.enabled = false;
}

// One draw for the chance of a new background, a second for its choice.
int backgroundDraws(const test_support::FrameRecord& frame) {
    return frame.zoom == 1.0f ? 2 : 1;
}

TEST_F(ShowTest, BeforeFiveSecondsAFrameDrawsForFaceBackgroundAndStreaks) {
    restartClocks(1000);
    for (const std::uint32_t seed : {1u, 77u, 4242u}) {
        SCOPED_TRACE(seed);
        frame.reset();
        frameAt(platform, 1000 + 16 * seed % 4000, seed);
        ASSERT_EQ(frame.scenes[0], 1);
        EXPECT_EQ(test_support::drawsSince(seed, 400000),
                  2 + backgroundDraws(frame) + 200 + 3 * test_support::streakQuads());
    }
}

TEST_F(ShowTest, TheRingAddsItsChancesAndItsShapeDraws) {
    restartClocks(1000);
    show::ringOn = true;  // no face while the ring runs
    // A short frame 6 s in: no timeline chance, and the ring's timer short.
    platform.now = 7000;
    app::frameClock.lap();
    frame.reset();
    frameAt(platform, 7004, 5);
    ASSERT_EQ(frame.scenes[1], 1);
    ASSERT_TRUE(show::ringOn);
    EXPECT_EQ(test_support::drawsSince(5, 400000),
              backgroundDraws(frame) + 200 + 3 * test_support::streakQuads());

    // A frame past a hundredth of a second: the timeline's chance (one draw),
    // and the ring's 2-in-10 draw, with two more when its shape changes.
    for (const std::uint32_t seed : {11u, 12u, 13u, 14u, 15u, 16u}) {
        SCOPED_TRACE(seed);
        show::ringOn = true;
        show::ringSwitchTime = 0;
        const float phaseBefore = show::ringPhase;
        frame.reset();
        frameAt(platform, platform.now + 20, seed);
        const int ringDraws =
            frame.scenes[1] == 0 ? 0 : (show::ringPhase != phaseBefore + app::frameDelta ? 3 : 1);
        EXPECT_EQ(test_support::drawsSince(seed, 400000),
                  frame.scenes[0] * 2 + backgroundDraws(frame) + 1 + ringDraws + 200 +
                      3 * test_support::streakQuads());
    }
}

TEST_F(ShowTest, AfterTheBoxFieldOnlyTheStreaksDrawFromTheClock) {
    restartClocks(1000);
    show::boxesOn = true;
    platform.now = 17000;  // a short frame 16 s in: no timeline flips
    app::frameClock.lap();
    frame.reset();
    frameAt(platform, 17004, 3);
    ASSERT_EQ(frame.scenes[2], 1);
    EXPECT_EQ(test_support::glRecording().translations.size(), 100u) << "a hundred boxes";
    // The field reseeds from the counter; what follows is the streaks alone.
    EXPECT_EQ(test_support::drawsSince(17004, 400000), 200 + 3 * test_support::streakQuads());
}

}  // namespace
