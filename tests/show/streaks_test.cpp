// The streak overlay: its walk, its widths from the capture, and its draws.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/random.h"
#include "show/streaks.h"
#include "tests/show/gl_recorder.h"
#include "tests/show/show_fixture.h"

namespace {

using test_support::RecordedVertex;

struct Quad {
    RecordedVertex corner[4];
    float width() const { return std::hypot(corner[1].x - corner[0].x, corner[1].y - corner[0].y); }
};

struct Streak {
    std::vector<Quad> quads;
};

// Runs the overlay over `capture` from random state `seed` and splits what it
// drew into streaks: a quad continues a streak where the last one ended.
std::vector<Streak> drawAndRecord(const std::vector<unsigned char>& capture, std::uint32_t seed) {
    auto& recording = test_support::glRecording();
    recording.clear();
    recording.enabled = true;
    platform::srand(seed);
    show::drawStreaks(capture.data());
    recording.enabled = false;

    EXPECT_EQ(recording.vertices2.size() % 4, 0u);
    std::vector<Streak> streaks;
    for (std::size_t i = 0; i + 3 < recording.vertices2.size(); i += 4) {
        Quad quad;
        for (int c = 0; c < 4; ++c) quad.corner[c] = recording.vertices2[i + c];
        const bool continues = !streaks.empty() &&
                               streaks.back().quads.back().corner[3].x == quad.corner[0].x &&
                               streaks.back().quads.back().corner[3].y == quad.corner[0].y;
        if (!continues) streaks.emplace_back();
        streaks.back().quads.push_back(quad);
    }
    return streaks;
}

// A white pixel's width factor with the float constants: a hair over 2.5.
const float kWhite = static_cast<float>((255 * static_cast<double>(0.003921569f) * 3) *
                                        static_cast<double>(0.33333334f) * 2.5);
const float kWhiteBand = 2 * kWhite;

std::vector<unsigned char> filledCapture(unsigned char value) {
    return std::vector<unsigned char>(640 * 480 * 4, value);
}

int totalQuads(const std::vector<Streak>& streaks) {
    int total = 0;
    for (const Streak& s : streaks) total += static_cast<int>(s.quads.size());
    return total;
}

}  // namespace

TEST(Streaks, BlackHidesThemWhiteDrawsFiveUnitBandsAndEachWalkIsExact) {
    for (const unsigned char value : {0, 255}) {
        SCOPED_TRACE(static_cast<int>(value));
        const std::uint32_t seed = 1234;
        const auto streaks = drawAndRecord(filledCapture(value), seed);
        ASSERT_EQ(streaks.size(), 100u);
        EXPECT_EQ(test_support::glRecording().begins, 1) << "one batch for all streaks";
        EXPECT_EQ(test_support::glRecording().primitives.front(), static_cast<GLenum>(GL_QUADS));
        EXPECT_EQ(test_support::drawsSince(seed, 200000), 200 + 3 * totalQuads(streaks))
            << "two draws per streak and three per step";

        int vertical = 0;
        for (const Streak& streak : streaks) {
            const Quad& first = streak.quads.front();
            const float dx = first.corner[3].x - first.corner[0].x;
            const float dy = first.corner[3].y - first.corner[0].y;
            ASSERT_EQ(std::fabs(dx) + std::fabs(dy), 2.0f) << "steps of exactly 2";
            const bool down = dx == 0;
            vertical += down;
            // 0, 2, ..., 480 down the screen; 0, 2, ..., 640 across it.
            ASSERT_EQ(streak.quads.size(), down ? 241u : 321u);
            for (const Quad& quad : streak.quads) {
                ASSERT_NEAR(quad.width(), value == 0 ? 0.0f : kWhiteBand, 1e-3);
                ASSERT_EQ(quad.corner[0].a, 1) << "alpha 1 of 255";
                // The width grows to the left of the direction of travel.
                const float side = (quad.corner[1].x - quad.corner[0].x) * dy -
                                   (quad.corner[1].y - quad.corner[0].y) * dx;
                if (value != 0) {
                    ASSERT_GT(side, 0);
                }
            }
        }
        EXPECT_GT(vertical, 10);
        EXPECT_LT(vertical, 90);
    }
}

TEST(Streaks, EachPointReadsTheMirroredCapturePixelUnderIt) {
    // A white row 100 of the capture, counted from its bottom. An overlay
    // point (x, y), y counted from the top, reads the capture at (x, y), so
    // only points on y = 100 are wide, and the right edge (x = 640) reads the
    // first pixel of the next row.
    auto capture = filledCapture(0);
    for (int x = 0; x < 640; ++x) {
        for (int c = 0; c < 3; ++c) capture[(100 * 640 + x) * 4 + c] = 255;
    }
    const auto streaks = drawAndRecord(capture, 99);
    int wide = 0;
    for (const Streak& streak : streaks) {
        for (const Quad& quad : streak.quads) {
            const float x = quad.corner[0].x;
            const float y = quad.corner[0].y;
            const bool expected = (y == 100 && x < 640) || (x == 640 && y == 99);
            ASSERT_NEAR(quad.width(), expected ? kWhiteBand : 0.0f, 1e-3) << x << ", " << y;
            wide += expected;
        }
    }
    EXPECT_GT(wide, 0);
}

TEST(Streaks, PointsPastTheCaptureReadItsLastPixel) {
    auto capture = filledCapture(0);
    for (int c = 0; c < 3; ++c) capture[(480 * 640 - 1) * 4 + c] = 255;
    bool sawBottomRow = false;
    for (const std::uint32_t seed : {1u, 2u, 3u}) {
        for (const Streak& streak : drawAndRecord(capture, seed)) {
            for (const Quad& quad : streak.quads) {
                const float x = quad.corner[0].x;
                const float y = quad.corner[0].y;
                const bool expected = y == 480 || (y == 479 && x >= 639);
                ASSERT_NEAR(quad.width(), expected ? kWhiteBand : 0.0f, 1e-3) << x << ", " << y;
                sawBottomRow = sawBottomRow || y == 480;
            }
        }
    }
    EXPECT_TRUE(sawBottomRow);
}

TEST(Streaks, HalfGreyGivesTheTruncatedMeanWidth) {
    // (B + G + R) / 255 / 3 * 2.5 with the float constants, stored as float.
    auto capture = filledCapture(0);
    for (std::size_t i = 0; i < capture.size(); i += 4) {
        capture[i] = 10;
        capture[i + 1] = 128;
        capture[i + 2] = 200;
    }
    const double k = 0.003921569f;
    const float w =
        static_cast<float>((200 * k + 128 * k + 10 * k) * static_cast<double>(0.33333334f) * 2.5);
    // Corners are worked out in double from the point and stored as floats.
    for (const Streak& streak : drawAndRecord(capture, 5)) {
        for (const Quad& quad : streak.quads) {
            const RecordedVertex& p = quad.corner[0];
            const float stepX = quad.corner[3].x - p.x;
            const float stepY = quad.corner[3].y - p.y;
            const float sideX = stepY;
            const float sideY = -stepX;
            ASSERT_EQ(quad.corner[1].x, static_cast<float>(p.x + static_cast<double>(w) * sideX));
            ASSERT_EQ(quad.corner[1].y, static_cast<float>(p.y + static_cast<double>(w) * sideY));
            ASSERT_EQ(quad.corner[2].x,
                      static_cast<float>(p.x + static_cast<double>(w) * sideX + stepX));
            ASSERT_EQ(quad.corner[2].y,
                      static_cast<float>(p.y + static_cast<double>(w) * sideY + stepY));
        }
    }
}
