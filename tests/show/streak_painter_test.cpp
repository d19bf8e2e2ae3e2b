// The painter's ways against the rasterisers they stand for: llvmpipe into
// a framebuffer object (as Firefox draws WebGL) here, SwiftShader's coarser
// grid by a corner where the two grids part.
#define GL_GLEXT_PROTOTYPES 1
#include "show/streak_painter.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <random>

#include "tests/support/test.h"

namespace {

// Rows whose edges lie half-way between two steps of 1/256 pixel, give or
// take a float's rounding (every 5/4096 unit is 1/512 pixel): there the
// grid's direction decides the row.
TEST(StreakPainter, EachWayGivesItsRasterisersPixels) {
    ASSERT_TRUE(test_support::openGlContext());
    GLuint framebuffer = 0, colour = 0;
    glGenFramebuffers(1, &framebuffer);
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, 1024, 768);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    std::mt19937 random(7);
    std::vector<show::StreakQuad> quads;
    for (int i = 0; i < 4000; ++i) {
        const float x = static_cast<float>(random() % 2000) * 0.3125f;
        const float y = static_cast<float>(random() % 390000) * (5.0f / 4096);
        quads.push_back({x, y, x + 1.25f, y + 0.625f, 255, static_cast<unsigned char>(i), 9});
    }
    for (const show::GridRule way : {show::GridRule::framebufferObject, show::GridRule::toEven}) {
        glClear(GL_COLOR_BUFFER_BIT);
        const bool agrees = show::drawAndCompare(quads, std::span(&way, 1)).rule.has_value();
        EXPECT_EQ(agrees, way == show::GridRule::framebufferObject) << static_cast<int>(way);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &framebuffer);
    glDeleteRenderbuffers(1, &colour);

    // A left edge 0.02 pixel past column 100's centre: 5 steps of 1/256
    // (column 100 is out), no step of 1/16 (on the centre: it is in).
    std::vector<unsigned char> fine(1024 * 768 * 4), coarse(fine.size());
    show::paintStreaks({{62.825f, 100, 70, 110, 255, 255, 255}}, fine.data(),
                       show::GridRule::toEven);
    show::paintStreaks({{62.825f, 100, 70, 110, 255, 255, 255}}, coarse.data(),
                       show::GridRule::sixteenths);
    const std::size_t row = (767 - 170) * 1024 * 4;
    EXPECT_EQ(fine[row + 100 * 4] * 1000 + fine[row + 101 * 4], 255);
    EXPECT_EQ(coarse[row + 99 * 4] * 1000 + coarse[row + 100 * 4], 255);
}

}  // namespace
