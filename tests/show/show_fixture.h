// What the show's tests share: a working folder with generated pictures, a
// scripted millisecond counter, the GL state start-up leaves, and a record
// of what each frame drew.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "show/frame_probe.h"
#include "tests/support/scripted_platform.h"

namespace test_support {

// Writes a baseline JPEG of `width` by `height` RGB pixels.
void writeJpeg(const std::string& path, int width, int height,
               const std::vector<unsigned char>& rgb, int quality = 95);

// A picture whose upper half is one colour and lower half another.
std::vector<unsigned char> twoBands(int width, int height, const unsigned char top[3],
                                    const unsigned char bottom[3]);

// How many draws the shared generator made since it was seeded with `seed`:
// where its next three draws first appear in the sequence from `seed`; -1
// when not within `limit`.
int drawsSince(std::uint32_t seed, int limit);

// Quads in the streak batch of the last recording (the one large GL_QUADS).
int streakQuads();

// Counts what a frame drew.
struct FrameRecord : show::FrameProbe {
    int scenes[3] = {0, 0, 0};
    int backgroundIndex = -1;
    float zoom = -1;
    void sceneDrawn(int mode) override {
        if (mode >= 0 && mode < 3) ++scenes[mode];
    }
    void backgroundDrawn(int index, float zoomFactor) override {
        backgroundIndex = index;
        zoom = zoomFactor;
    }
    void reset() { *this = FrameRecord{}; }
};

class ShowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Opens the GL context and sets the state start-up leaves for the show.
    void startGl();
    // Writes the face and the six backgrounds into dorva/.
    void writePictures();
    // The clocks as start-up leaves them, restarted at `milliseconds`.
    void restartClocks(std::uint32_t milliseconds);

    ScriptedPlatform platform;
    FrameRecord frame;
    std::filesystem::path folder;
    std::filesystem::path previousFolder;
};

}  // namespace test_support
