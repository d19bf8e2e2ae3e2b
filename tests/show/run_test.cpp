// The show as the program starts it, on llvmpipe: what each hidden scene leaves in
// the capture, what the streaks show, and the whole program on a scripted clock.
#include "tests/support/test.h"

#include "app/display_window.h"
#include "app/show_main.h"
#include "platform/random.h"
#include "show/frame_composer.h"
#include "show/hidden_scenes.h"
#include "show/streaks.h"
#include "tests/support/gl_recorder.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/scripted_platform.h"

namespace {

// A 4:2:0 picture in two flat halves.
void writeJpeg(const char* path, test_jpeg::EncodeOptions o) {
    o.hFactor = o.vFactor = 2;
    o.quality = 95;
    test_jpeg::writeFile(path, test_jpeg::encode(o));
}

// A working folder holding the face (red over blue) and six grey backgrounds.
class ShowRun : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = std::filesystem::temp_directory_path() / "streakshow-XXXXXX";
        ASSERT_NE(mkdtemp(folder.data()), nullptr);
        std::filesystem::current_path(folder);
        std::filesystem::create_directory("dorva");
        writeJpeg(show::kFacePath, {.halves = {255, 0, 0, 0, 0, 255}});
        for (int i = 0; i < 6; ++i) {
            const auto g = static_cast<std::uint8_t>(40 * (i + 1));
            writeJpeg(show::kBackgroundPaths[i],
                      {.width = 40, .height = 30, .halves = {g, g, g, g, g, g}});
        }
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    test_support::ScriptedPlatform platform;
    std::string folder;
};

std::array<int, 3> captured(int x, int y) {  // y counted up from the bottom
    const unsigned char* p = show::captureBuffer + (y * 640 + x) * 4;
    return {p[0], p[1], p[2]};
}
using Rgb = std::array<int, 3>;

int brightPixels(const std::vector<unsigned char>& rgba, int threshold) {
    int count = 0;
    for (std::size_t i = 0; i < rgba.size(); i += 4)
        count += std::max({rgba[i], rgba[i + 1], rgba[i + 2]}) > threshold;
    return count;
}

std::vector<unsigned char> window() {
    std::vector<unsigned char> rgba(1024 * 768 * 4);
    glReadPixels(0, 0, 1024, 768, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

TEST_F(ShowRun, EachHiddenSceneReachesTheCaptureAndTheStreaksShowIt) {
    app::mainWindow.create();
    app::initShow();
    platform::srand(1064396);  // the face unscaled: the first two draws are 500
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    platform.now += 16;
    show::composeFrame();
    // The quad spans window pixels x 205..819, y 115..653, upside down: the
    // picture's top band (red) along the lower edge; black discs of radius
    // 0.14 around window (410, 115) and (614, 115); outside the quad nothing.
    EXPECT_EQ(captured(300, 200), (Rgb{254, 0, 0}));
    EXPECT_EQ(captured(300, 450), (Rgb{0, 0, 254}));
    for (const auto& [x, y] : {std::pair{410, 130}, {614, 130}, {100, 300}, {300, 114}})
        EXPECT_EQ(captured(x, y), (Rgb{0, 0, 0})) << x << "," << y;
    // Over a background at a fifth of its brightness (at most 48), bright streaks.
    const std::vector<unsigned char> shown = window();
    EXPECT_GT(brightPixels(shown, 60), 1000);
    // Elsewhere the background: slot i is grey 40 i, dimmed to 8 i.
    std::vector<int> greyCounts(256);
    for (std::size_t i = 0; i < shown.size(); i += 4)
        if (shown[i] == shown[i + 1] && shown[i] == shown[i + 2]) ++greyCounts[shown[i]];
    const auto common = std::max_element(greyCounts.begin(), greyCounts.end()) - greyCounts.begin();
    EXPECT_NEAR(common, 8 * show::backgroundIndex, 1);
    // The streaks' colours reach GL with an alpha of 1 (of 255).
    for (const auto& v :
         test_support::feedback(GL_3D_COLOR, 7, [] { show::drawStreaks(show::captureBuffer); }))
        ASSERT_NEAR(v[6], 1 / 255.0f, 1e-6f);

    // The ring, radius 3 and tube 1, centred on (-1, -1, -10): around window
    // pixel (419, 291); lit from the eye, so shaded in many greys.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    show::drawHiddenScene(1);
    const std::vector<unsigned char> ring = window();
    long sumX = 0, sumY = 0, count = 0;
    std::vector<bool> greys(256);
    for (int i = 0; i < 1024 * 768; ++i) {
        if (ring[4 * i] <= 10) continue;
        sumX += i % 1024, sumY += i / 1024, ++count;
        greys[ring[4 * i]] = true;
    }
    EXPECT_GT(count, 20000);
    EXPECT_LT(count, 1024 * 768 / 2);
    EXPECT_NEAR(sumX / std::max(count, 1L), 419, 60);
    EXPECT_NEAR(sumY / std::max(count, 1L), 291, 60);
    EXPECT_GT(std::count(greys.begin(), greys.end(), true), 100);

    // The box field: unlit white boxes.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    show::drawHiddenScene(2);
    const std::vector<unsigned char> field = window();
    int white = 0;
    for (std::size_t i = 0; i < field.size(); i += 4)
        white += field[i] + field[i + 1] + field[i + 2] == 765;
    EXPECT_GT(white, 2000);
    EXPECT_EQ(brightPixels(field, 0), white) << "nothing but white on black";
}

// At exit, after the program's statics: the seven textures went, the face last.
void checkTexturesReleased() {
    const auto& deleted = test_support::glRecording().deletedTextures;
    if (deleted.size() != 7 || deleted.back() != *std::ranges::min_element(deleted)) _exit(3);
}

TEST_F(ShowRun, RunsTheWholeShowAndReleasesItsPicturesAtExit) {
    EXPECT_EXIT(
        {
            std::atexit(checkTexturesReleased);
            platform.now = 500;
            // Two frames a second from 0.5 s; with the float 0.001, 73.0 s reads a hair over.
            platform.onPump = [](test_support::ScriptedPlatform& p) { p.now += 500; };
            const int result = app::WinMain();
            std::exit(result == 0 && platform.pumps == 146 && platform.swaps == 146 &&
                              platform.now == 73500 && !app::mainWindow.running
                          ? 0
                          : 2);
        },
        ::testing::ExitedWithCode(0), "");
}

}  // namespace
