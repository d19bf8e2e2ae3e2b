// The generator's sequence, and glyph requests that cannot be met.
#include "tests/support/test.h"

#include "platform/outline_glyphs.h"
#include "platform/random.h"

namespace {

TEST(Random, ReproducesTheRuntimeSequenceFromStateOne) {
    // (Every later draw is checked against the same generator by the replay.)
    for (const int value : {41, 18467, 6334, 26500, 19169, 15724})
        EXPECT_EQ(platform::rand(), value);
}

TEST(OutlineGlyphs, BadArgumentsFailInOneLineAndClearTheMetrics) {
    platform::GlyphMetrics metrics[2];
    metrics[0].cellIncX = 5;
    testing::internal::CaptureStderr();
    // List base 0 names no lists: nothing may be written, GL not touched.
    EXPECT_FALSE(platform::buildOutlineGlyphs("Times New Roman", 0, 2, 0, 0, 0.2f, metrics));
    EXPECT_FALSE(platform::buildOutlineGlyphs("Times New Roman", 250, 7, 1, 0, 0.2f, nullptr));
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(metrics[0].cellIncX, 0);
    EXPECT_EQ(errors.find("streakshow: font Times New Roman: "), 0u);
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2) << errors;
}

}  // namespace
