// The show beside a model of its rules with its own random generator: every
// frame the same timeline, draws, transforms and streak quads. With no GL
// context current only the recording sees the GL calls.
#include "tests/support/test.h"

#include <tuple>

#include "app/clocks.h"
#include "platform/random.h"
#include "show/frame_composer.h"
#include "show/frame_record.h"
#include "show/hidden_scenes.h"
#include "show/streaks.h"
#include "tests/support/gl_recorder.h"
#include "tests/support/scripted_platform.h"

namespace {

struct Model {
    std::uint32_t state = 1;
    int backgroundIndex = 1, ringSegments = 5, boxSeed = 39420;
    float zoomTime = 0, ringSwitchTime = 0, boxesSwitchTime = 0, ringPhase = 0, ringShapeTime = 0,
          boxSeedTime = 0;
    bool ringOn = false, boxesOn = false;
    std::vector<test_support::TransformCall> transforms;
    std::vector<show::StreakQuad> quads;  // those of non-zero width

    int draw(int n) {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF) % n;
    }
    static bool chance(float& switchTime, float delta) {
        switchTime += delta;
        const bool due = switchTime > 0.01f;
        if (due) switchTime = 0;
        return due;
    }
    void rotations(float x, float y, float z) {
        transforms.insert(transforms.end(), {{test_support::rotate, x, 1, 0, 0},
                                             {test_support::rotate, y, 0, 1, 0},
                                             {test_support::rotate, z, 0, 0, 1}});
    }

    void frame(float t, float delta, std::uint32_t counter) {
        transforms.clear();
        quads.clear();
        if (!ringOn) {
            const int a = draw(1000), b = draw(1000);
            transforms.push_back({test_support::scale, static_cast<float>(b * double{0.002f}),
                                  static_cast<float>(a * double{0.002f}), 1, 0});
        }
        zoomTime += delta;
        if (draw(10) < 3) std::tie(zoomTime, backgroundIndex) = std::tuple{0.0f, draw(5) + 1};
        if (t >= 5 && t < 200) {
            if (chance(ringSwitchTime, delta) && draw(10) < 3) ringOn = !ringOn;
            if (ringOn) ring(delta);
        }
        if (t >= 15 && t < 200) {
            if (chance(boxesSwitchTime, delta) && draw(10) == 0) boxesOn = !boxesOn;
            if (boxesOn) boxes(delta, counter);
        }
        const auto zoom = static_cast<float>(zoomTime * double{0.1f} + 1.0);
        transforms.push_back({test_support::scale, zoom, zoom, 1, 0});
        streaks(show::captureBuffer);
    }

    void ring(float delta) {
        ringPhase += delta;
        ringShapeTime += delta;
        if (ringShapeTime >= 0.01f && draw(10) < 2) {
            ringSegments = draw(4) + 3;
            ringPhase = static_cast<float>(draw(360000) * double{0.001f});
        }
        const auto step = static_cast<float>(360.0 / ringSegments);
        for (int i = 0; i < ringSegments; ++i) {
            rotations(0, static_cast<float>(i * double{step}), 0);
            transforms.push_back({test_support::translate, 3, 0, 0, 0});
        }
        transforms.push_back({test_support::translate, -1, -1, -10, 0});
        const double phase = ringPhase;
        rotations(static_cast<float>(phase * 8), static_cast<float>(phase * 4),
                  static_cast<float>(std::sin(phase * double{0.1f}) * 30));
    }

    void boxes(float delta, std::uint32_t counter) {
        boxSeedTime += delta;
        if (boxSeedTime >= 0.01f) {
            boxSeed += draw(10) < 2;
            boxSeedTime = 0;
        }
        state = static_cast<std::uint32_t>(boxSeed);
        const auto place = [this] { return static_cast<float>(draw(1000) * double{0.02f} - 10); };
        const auto angle = [this] { return static_cast<float>(draw(1000) * double{0.36f}); };
        for (int i = 0; i < 100; ++i) {
            const float z = place(), y = place(), x = place();
            const float aboutZ = angle(), aboutY = angle(), aboutX = angle();
            transforms.push_back({test_support::translate, x, y, z, 0});
            rotations(aboutX, aboutY, aboutZ);
        }
        state = counter;
    }

    // Every streak's draws, and its quads of non-zero width.
    void streaks(const unsigned char* capture) {
        for (int s = 0; s < 100; ++s) {
            // Top, bottom, left or right: where it enters and which way it runs.
            const int edge = draw(4);
            const auto along = static_cast<float>(draw(edge < 2 ? 640 : 480));
            float x = edge < 2 ? along : (edge == 2 ? 0 : 640);
            float y = edge < 2 ? (edge == 0 ? 0 : 480) : along;
            const float dx = edge < 2 ? 0 : (edge == 2 ? 2 : -2), dy = edge < 2 ? 2 - 4 * edge : 0;
            for (; x >= 0 && y >= 0 && x <= 640 && y <= 480; x += dx, y += dy) {
                // The capture's rows run up, the overlay's down; past the end: its last pixel.
                const int i = std::min(static_cast<int>(x) + static_cast<int>(y) * 640, 307199);
                const unsigned char* p = capture + 4 * i;
                const double k = 0.003921569f;
                const auto w = static_cast<float>((p[2] * k + p[1] * k + p[0] * k) *
                                                  double{0.33333334f} * 2.5);
                const int blue = draw(256), green = draw(256), red = draw(256);
                if (w == 0) continue;
                // The opposite corner: a quarter turn left of travel, w wide.
                quads.push_back({x, y, static_cast<float>(x + dy * double{w} + dx),
                                 static_cast<float>(y - dx * double{w} + dy), std::uint8_t(red),
                                 std::uint8_t(green), std::uint8_t(blue)});
            }
        }
    }
};

// Takes the quads as the capture does, drawing them itself while `draws`.
struct Collector : show::FrameObserver {
    bool draws = true;
    std::vector<show::StreakQuad> quads;
    void streaksMade(std::span<const show::StreakQuad> made) override {
        quads.insert(quads.end(), made.begin(), made.end());
    }
    bool drawsStreaks() const override { return draws; }
};

TEST(Replay, EveryFrameOfTheShowFollowsItsRules) {
    test_support::ScriptedPlatform platform;
    auto& recording = test_support::glRecording();
    recording.enabled = true;
    Collector capture;
    // Untouched by the frame's read-back (no context): black left third, noise, last pixel bright.
    for (std::size_t i = 0; i < show::kCaptureBytes; ++i) {
        const bool black = i / 4 % 640 < 213 && i < show::kCaptureBytes - 4;
        show::captureBuffer[i] = black ? 0 : static_cast<unsigned char>((i * 2654435761u) >> 13);
    }
    platform::srand(1);
    Model model;
    platform.now = 1000;
    app::showClock.lap();
    app::frameClock.lap();
    // Frame times of 1 to 66 ms cross the hundredth-of-a-second paces, past 73 s.
    const std::uint32_t frameTimes[] = {33, 17, 4, 50, 1, 9, 40, 66, 3, 21};
    int flips = 0, backgrounds = 0;
    for (int frame = 0; app::showTime < 74; ++frame) {
        platform.now += frameTimes[frame % 10];
        recording.transforms.clear();
        capture.quads.clear();
        const bool ringBefore = model.ringOn, boxesBefore = model.boxesOn;
        show::composeFrame(&capture);
        model.frame(app::showTime, app::frameDelta, platform.now);
        SCOPED_TRACE(testing::Message() << "frame " << frame << " at " << app::showTime << " s");
        ASSERT_EQ(recording.transforms, model.transforms);
        ASSERT_EQ(std::tie(show::backgroundIndex, show::zoomTime, show::ringOn,
                           show::ringSwitchTime, show::boxesOn, show::boxesSwitchTime,
                           show::ringSegments, show::ringPhase, show::boxSeed),
                  std::tie(model.backgroundIndex, model.zoomTime, model.ringOn,
                           model.ringSwitchTime, model.boxesOn, model.boxesSwitchTime,
                           model.ringSegments, model.ringPhase, model.boxSeed));
        ASSERT_TRUE(capture.quads == model.quads);
        // The show's generator must be where ours is; both move on by one draw.
        ASSERT_EQ(platform::rand(), model.draw(32768));
        platform::srand(model.state);
        flips += (model.ringOn != ringBefore) + (model.boxesOn != boxesBefore);
        backgrounds += model.zoomTime == 0;
    }
    EXPECT_GT(flips, 100) << "the timeline ran";
    EXPECT_GT(backgrounds, 600);
    EXPECT_GT(model.boxSeed, 39420);
}

// The record takes a frame's quads from the frame itself: the same line
// whether the capture paints them or GL draws them, also after the capture
// has given up its painter.
TEST(Replay, TheRecordSeesTheStreaksWhoeverDrawsThem) {
    test_support::ScriptedPlatform platform;
    // Grey over black: streaks of both kinds, quads with no width and with some.
    std::fill_n(show::captureBuffer, show::kCaptureBytes, 0x80);
    std::fill_n(show::captureBuffer, show::kCaptureBytes / 2, 0);
    show::FrameRecord record;
    Collector capture;
    show::FrameObservers all;  // in the capture program's order
    all.add(capture);
    all.add(record);
    std::vector<std::string> lines;
    // The same frame three times: the same draws, before the timeline starts.
    for (show::FrameObserver* observer :
         std::initializer_list<show::FrameObserver*>{&all, &all, &record}) {
        platform::srand(7);
        show::zoomTime = 0;
        app::frameClock.lap();
        show::composeFrame(observer);
        lines.push_back(record.line());
        capture.draws = false;
    }
    ASSERT_GT(capture.quads.size(), 2 * 24000u);
    const std::string count = "streaks " + std::to_string(capture.quads.size() / 2) + " ";
    EXPECT_NE(lines[0].find(count), std::string::npos) << lines[0];
    EXPECT_EQ(lines, std::vector<std::string>(3, lines[0]));
}

}  // namespace
