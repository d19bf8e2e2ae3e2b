// The show's timeline over a whole simulated show, at steady frame rates.
// No GL context is current: GL calls do nothing and the timeline, the random
// sequence and the scene choice run exactly as they would on screen.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/clocks.h"
#include "show/frame_composer.h"
#include "tests/show/show_fixture.h"

namespace {

using test_support::ShowTest;

class Timeline : public ShowTest, public ::testing::WithParamInterface<int> {};

TEST_P(Timeline, FlagsFlipOnlyInTheirTimeWithOneChancePerFrame) {
    const int fps = GetParam();
    const std::uint32_t start = 5000;
    restartClocks(start);
    int ringFlips = 0;
    int boxFlips = 0;
    int backgroundChanges = 0;

    for (std::int64_t k = 1;; ++k) {
        platform.now = start + static_cast<std::uint32_t>(k * 1000 / fps);
        const bool ringBefore = show::ringOn;
        const bool boxesBefore = show::boxesOn;
        const float ringSwitchBefore = show::ringSwitchTime;
        const float boxesSwitchBefore = show::boxesSwitchTime;
        frame.reset();
        show::composeFrame();
        const float t = app::showTime;
        const float delta = app::frameDelta;
        SCOPED_TRACE(testing::Message() << "frame " << k << " at " << t << " s");

        if (t < 5) {
            ASSERT_EQ(show::ringOn, ringBefore);
        }
        if (t < 15) {
            ASSERT_EQ(show::boxesOn, boxesBefore);
        }

        // One chance at most: the accumulator either grew by this frame's
        // time, or went back to 0 after passing a hundredth of a second.
        auto checkAccumulator = [&](float before, float after, bool running, bool flipped) {
            if (!running) {
                ASSERT_EQ(after, before);
                return;
            }
            const float grown = before + delta;
            if (grown > 0.01f) {
                ASSERT_EQ(after, 0.0f);
            } else {
                ASSERT_EQ(after, grown);
                ASSERT_FALSE(flipped);
            }
        };
        checkAccumulator(ringSwitchBefore, show::ringSwitchTime, t >= 5,
                         show::ringOn != ringBefore);
        checkAccumulator(boxesSwitchBefore, show::boxesSwitchTime, t >= 15,
                         show::boxesOn != boxesBefore);

        // The face runs at the top of the frame while the ring is off; the
        // ring after its chance; so a flip on draws both, a flip off neither.
        ASSERT_EQ(frame.scenes[0], ringBefore ? 0 : 1);
        ASSERT_EQ(frame.scenes[1], t >= 5 && show::ringOn ? 1 : 0);
        ASSERT_EQ(frame.scenes[2], t >= 15 && show::boxesOn ? 1 : 0);
        if (!ringBefore && show::ringOn) {
            ASSERT_EQ(frame.scenes[0] + frame.scenes[1], 2);
        }
        if (ringBefore && !show::ringOn) {
            ASSERT_EQ(frame.scenes[0] + frame.scenes[1], 0);
        }

        ASSERT_GE(frame.backgroundIndex, 1);
        ASSERT_LE(frame.backgroundIndex, 5);
        if (show::zoomTime == 0) {
            ASSERT_EQ(frame.zoom, 1.0f) << "a new background starts unzoomed";
            ++backgroundChanges;
        } else {
            ASSERT_EQ(frame.zoom,
                      static_cast<float>(show::zoomTime * static_cast<double>(0.1f) + 1));
        }

        ringFlips += show::ringOn != ringBefore;
        boxFlips += show::boxesOn != boxesBefore;
        if (t > 73) break;
    }
    // The timeline did run: the ring flickers, the boxes come and go, and
    // about three frames in ten choose a background.
    EXPECT_GT(ringFlips, 100);
    EXPECT_GT(boxFlips, 20);
    EXPECT_GT(backgroundChanges, 73 * fps / 5);
    EXPECT_LT(backgroundChanges, 73 * fps * 2 / 5);
}

INSTANTIATE_TEST_SUITE_P(FramesPerSecond, Timeline, ::testing::Values(30, 60, 240));

TEST_F(ShowTest, ALongFrameStillGivesOneChanceAndAZeroFrameNone) {
    // Powers of two milliseconds are whole floats of seconds, so a frame
    // with no time passing reads exactly 0.
    restartClocks(16384);
    platform.now = 32768;
    show::composeFrame();  // a frame of 16 s
    EXPECT_EQ(show::ringSwitchTime, 0.0f);
    EXPECT_EQ(show::boxesSwitchTime, 0.0f);
    const bool ring = show::ringOn;
    show::composeFrame();  // no time passed
    EXPECT_EQ(app::frameDelta, 0.0f);
    EXPECT_EQ(show::ringSwitchTime, 0.0f);
    EXPECT_EQ(show::ringOn, ring);
}

}  // namespace
