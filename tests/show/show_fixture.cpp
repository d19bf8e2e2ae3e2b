#include "tests/show/show_fixture.h"

#include <GL/gl.h>
#include <turbojpeg.h>

#include <cstdlib>
#include <fstream>

#include "app/clocks.h"
#include "platform/random.h"
#include "render/gl_state.h"
#include "show/frame_composer.h"
#include "show/hidden_scenes.h"
#include "tests/show/gl_recorder.h"
#include "tests/support/gl_test_context.h"

namespace test_support {

void writeJpeg(const std::string& path, int width, int height,
               const std::vector<unsigned char>& rgb, int quality) {
    tjhandle encoder = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    ASSERT_EQ(tjCompress2(encoder, rgb.data(), width, 0, height, TJPF_RGB, &jpeg, &size, TJSAMP_420,
                          quality, 0),
              0)
        << tjGetErrorStr2(encoder);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(jpeg), size);
    tjFree(jpeg);
    tjDestroy(encoder);
}

std::vector<unsigned char> twoBands(int width, int height, const unsigned char top[3],
                                    const unsigned char bottom[3]) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const unsigned char* colour = y < height / 2 ? top : bottom;
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c)
                rgb[(static_cast<std::size_t>(y) * width + x) * 3 + c] = colour[c];
        }
    }
    return rgb;
}

int drawsSince(std::uint32_t seed, int limit) {
    const int next[3] = {platform::rand(), platform::rand(), platform::rand()};
    platform::srand(seed);
    std::vector<int> sequence(static_cast<std::size_t>(limit) + 3);
    for (int& value : sequence) value = platform::rand();
    for (int n = 0; n <= limit; ++n) {
        if (sequence[n] == next[0] && sequence[n + 1] == next[1] && sequence[n + 2] == next[2]) {
            return n;
        }
    }
    return -1;
}

int streakQuads() {
    const GlRecording& recording = glRecording();
    int quads = 0;
    for (std::size_t i = 0; i < recording.primitives.size(); ++i) {
        if (recording.primitives[i] == GL_QUADS && recording.primitiveVertices[i] > 4) {
            quads += recording.primitiveVertices[i] / 4;
        }
    }
    return quads;
}

void ShowTest::SetUp() {
    previousFolder = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "streakshow-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder = pattern;
    std::filesystem::current_path(folder);
    show::setFrameProbe(&frame);
}

void ShowTest::TearDown() {
    show::setFrameProbe(nullptr);
    std::filesystem::current_path(previousFolder);
    std::filesystem::remove_all(folder);
}

void ShowTest::startGl() {
    ASSERT_TRUE(openGlContext());
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    render::setPerspective(45, 1.3333334f);
    glLoadIdentity();
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);
}

void ShowTest::writePictures() {
    std::filesystem::create_directory("dorva");
    const unsigned char red[3] = {255, 0, 0};
    const unsigned char blue[3] = {0, 0, 255};
    writeJpeg("dorva/zim.jpg", 64, 64, twoBands(64, 64, red, blue));
    for (int i = 0; i < 6; ++i) {
        const unsigned char grey[3] = {static_cast<unsigned char>(40 * (i + 1)),
                                       static_cast<unsigned char>(40 * (i + 1)),
                                       static_cast<unsigned char>(40 * (i + 1))};
        writeJpeg(show::kBackgroundPaths[i], 40, 30, twoBands(40, 30, grey, grey));
    }
}

void ShowTest::restartClocks(std::uint32_t milliseconds) {
    platform.now = milliseconds;
    app::showClock.lap();
    app::frameClock.lap();
}

}  // namespace test_support
