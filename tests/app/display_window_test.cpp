// The extension search and the clocks, which need no window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "app/clocks.h"
#include "app/display_window.h"
#include "tests/support/scripted_platform.h"

TEST(ContainsText, FindsANameAnywhereIncludingTheVeryEnd) {
    using app::containsText;
    EXPECT_TRUE(containsText("GL_ARB_multitexture", "GL_ARB_multitexture GL_EXT_x "));
    EXPECT_TRUE(containsText("GL_ARB_multitexture", "GL_A GL_ARB_multitexture GL_B"));
    // The last start position is tried: a capable driver that lists the
    // extension last, with no trailing blank, is accepted.
    EXPECT_TRUE(containsText("GL_EXT_texture_env_combine", "GL_A GL_EXT_texture_env_combine"));
    EXPECT_TRUE(containsText("GL_EXT_texture_env_combine", "GL_EXT_texture_env_combine"));
    // Matching is by bytes, also inside a longer name.
    EXPECT_TRUE(containsText("GL_ARB_multitexture", "GL_ARB_multitextureX"));
    EXPECT_FALSE(containsText("GL_ARB_multitexture", "GL_ARB_multitextur"));
    EXPECT_FALSE(containsText("GL_ARB_multitexture", "gl_arb_multitexture"));
    EXPECT_FALSE(containsText("GL_ARB_multitexture", ""));
    EXPECT_FALSE(containsText("GL_ARB_multitexture", nullptr));
}

TEST(ContainsText, TheSoftwareRasteriserOffersBothExtensions) {
    test_support::ScriptedPlatform platform;
    app::mainWindow.create();
    EXPECT_TRUE(app::hasRequiredExtensions());
}

TEST(Stopwatch, LapReadsTheCounterTwiceAndElapsedLeavesTheClockAlone) {
    test_support::ScriptedPlatform platform;
    platform.now = 1000;
    app::Stopwatch clock;
    EXPECT_EQ(clock.start, 1.0f);
    platform.now = 1500;
    EXPECT_NEAR(clock.elapsed(), 0.5, 1e-6);
    EXPECT_NEAR(clock.elapsed(), 0.5, 1e-6);
    EXPECT_EQ(clock.start, 1.0f);

    // A counter that moves between the two readings of lap: the interval
    // ends at the first, the new start is the second.
    struct Ticking : test_support::ScriptedPlatform {
        std::uint32_t milliseconds() override { return now++; }
    };
    platform::setPlatform(nullptr);
    Ticking ticking;
    ticking.now = 2000;
    app::Stopwatch lapped;                // reads 2000
    const float interval = lapped.lap();  // reads 2001, then 2002
    EXPECT_NEAR(interval, 0.001, 1e-6);
    EXPECT_EQ(lapped.start, static_cast<float>(2002 * static_cast<double>(0.001f)));
}

TEST(Stopwatch, RoundingOfTheStartCanMakeShortIntervalsNegative) {
    test_support::ScriptedPlatform platform;
    // After about ten days the float start is rounded to 1/128 s or coarser.
    platform.now = 864000123u;
    app::Stopwatch clock;
    const double reading = 864000123u * static_cast<double>(0.001f);
    EXPECT_NE(static_cast<double>(clock.start), reading);
    EXPECT_EQ(clock.elapsed() < 0, static_cast<double>(clock.start) > reading);
    EXPECT_LE(std::fabs(clock.elapsed()), 0.0625 / 2);
}

TEST(Stopwatch, ACounterAboveTwoToTheThirtyFirstIsPositive) {
    test_support::ScriptedPlatform platform;
    platform.now = 0x80000010u;
    app::Stopwatch clock;
    EXPECT_GT(clock.start, 2.1e6f);
    platform.now = 0x80000010u + 1000;
    EXPECT_NEAR(clock.elapsed(), 1.0, 0.25);
}
