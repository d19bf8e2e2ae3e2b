// The hidden scenes on a real GL context: what reaches the capture, and how
// the box field uses the random sequence.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "app/clocks.h"
#include "platform/random.h"
#include "show/frame_composer.h"
#include "show/hidden_scenes.h"
#include "tests/show/gl_recorder.h"
#include "tests/show/show_fixture.h"

namespace {

using test_support::ShowTest;

struct Pixel {
    int r, g, b;
};

// Pixel (x, y) of the capture, y counted up from the bottom of the window.
Pixel captured(int x, int y) {
    const unsigned char* p = show::captureBuffer + (static_cast<std::size_t>(y) * 640 + x) * 4;
    return {p[0], p[1], p[2]};
}

std::vector<unsigned char> readWindow() {
    std::vector<unsigned char> pixels(1024 * 768 * 4);
    glReadPixels(0, 0, 1024, 768, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

int litPixels(const std::vector<unsigned char>& pixels, int threshold) {
    int lit = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        lit += pixels[i] + pixels[i + 1] + pixels[i + 2] > threshold;
    }
    return lit;
}

// A random state whose first two draws, the face's scale, are both 500:
// factors of exactly 1.
std::uint32_t seedForUnitScale() {
    for (std::uint32_t seed = 1;; ++seed) {
        platform::srand(seed);
        const int a = platform::rand() % 1000;
        const int b = platform::rand() % 1000;
        if (a == 500 && b == 500) return seed;
    }
}

TEST_F(ShowTest, TheFaceReachesTheCaptureUpsideDownWithItsDiscs) {
    startGl();
    writePictures();
    restartClocks(1000);
    show::loadingPass = true;
    show::composeFrame();  // loads the pictures
    show::loadingPass = false;

    platform.now = 1016;
    frame.reset();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);  // as the main loop does
    platform::srand(seedForUnitScale());
    show::composeFrame();
    ASSERT_EQ(frame.scenes[0], 1);

    // The quad spans x -0.6..0.6 and y -0.7..0.7 of the window's -1..1 square,
    // so window pixels x 205..819 and y 115..653; the capture holds x < 640
    // and y < 480. The picture's top band (red) lies along the lower edge.
    const Pixel lower = captured(300, 200);
    EXPECT_GT(lower.r, 200);
    EXPECT_LT(lower.b, 60);
    const Pixel upper = captured(300, 450);
    EXPECT_GT(upper.b, 200);
    EXPECT_LT(upper.r, 60);
    // A black disc of radius 0.14 around (-0.2, -0.7): window (410, 115).
    const Pixel disc = captured(410, 130);
    EXPECT_LT(disc.r + disc.g + disc.b, 30);
    // Outside the quad the frame was cleared.
    const Pixel outside = captured(100, 300);
    EXPECT_EQ(outside.r + outside.g + outside.b, 0);
}

TEST_F(ShowTest, TheRingIsLitAroundItsPlace) {
    startGl();
    restartClocks(1000);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    app::frameDelta = 0.016f;
    show::drawHiddenScene(1);
    const auto pixels = readWindow();
    // The ring, radius 3 and tube 1, centred on (-1, -1, -10): window pixel
    // (419, 291), left of and below the centre; tumbling, it covers a good
    // part of the frame but not all of it.
    const int lit = litPixels(pixels, 30);
    EXPECT_GT(lit, 20000);
    EXPECT_LT(lit, 1024 * 768 / 2);
    long sumX = 0, sumY = 0, count = 0;
    for (int y = 0; y < 768; ++y) {
        for (int x = 0; x < 1024; ++x) {
            const unsigned char* p = &pixels[(static_cast<std::size_t>(y) * 1024 + x) * 4];
            if (p[0] + p[1] + p[2] > 30) {
                sumX += x;
                sumY += y;
                ++count;
            }
        }
    }
    ASSERT_GT(count, 0);
    EXPECT_NEAR(sumX / count, 419, 60);
    EXPECT_NEAR(sumY / count, 291, 60);
    // Shaded, not flat: the light at the eye gives a range of greys.
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
}

TEST_F(ShowTest, TheBoxFieldRepeatsForOneSeedAndReseedsFromTheClock) {
    startGl();
    restartClocks(1000);
    app::frameDelta = 0.001f;  // too little to bump the seed
    auto& recording = test_support::glRecording();

    auto drawField = [&] {
        recording.clear();
        recording.enabled = true;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        show::drawHiddenScene(2);
        recording.enabled = false;
        return recording.translations;
    };
    platform.now = 4242;
    const auto first = drawField();
    ASSERT_EQ(first.size(), 100u) << "a hundred boxes";
    for (const auto& t : first) {
        for (const float v : t) {
            ASSERT_GE(v, -10.0f);
            ASSERT_LE(v, 9.98f);
        }
    }
    // After the field the sequence continues from the clock, not the seed.
    const int afterField = platform::rand();
    platform::srand(4242);
    EXPECT_EQ(afterField, platform::rand());

    const int white = [&] {
        const auto pixels = readWindow();
        int count = 0;
        for (std::size_t i = 0; i < pixels.size(); i += 4) {
            count += pixels[i] == 255 && pixels[i + 1] == 255 && pixels[i + 2] == 255;
        }
        return count;
    }();
    EXPECT_GT(white, 2000) << "unlit white boxes";

    EXPECT_EQ(drawField(), first) << "the same seed draws the same field";
    show::boxSeed += 1;
    EXPECT_NE(drawField(), first) << "a bumped seed moves the field";

    // Once a hundredth of a second has gathered, the seed may be bumped and
    // the gathering starts again.
    app::frameDelta = 0.02f;
    drawField();
    EXPECT_EQ(show::boxSeedTime, 0.0f);
    EXPECT_GE(show::boxSeed, 39421);
}

TEST_F(ShowTest, TheRingChangesShapeOnlyAfterAHundredthOfASecond) {
    startGl();
    restartClocks(1000);
    app::frameDelta = 0.004f;
    platform::srand(7);
    show::drawHiddenScene(1);
    show::drawHiddenScene(1);
    EXPECT_EQ(show::ringSegments, 5);
    EXPECT_FLOAT_EQ(show::ringPhase, 0.008f);
    // From here every call makes the 2-in-10 draw.
    int changes = 0;
    for (int i = 0; i < 200; ++i) {
        const float before = show::ringPhase;
        show::drawHiddenScene(1);
        ASSERT_GE(show::ringSegments, 3);
        ASSERT_LE(show::ringSegments, 6);
        if (show::ringPhase != before + app::frameDelta) {
            ++changes;
            ASSERT_LE(show::ringPhase, 32.767f);
        }
    }
    EXPECT_GT(changes, 20);
    EXPECT_LT(changes, 80);
}

}  // namespace
