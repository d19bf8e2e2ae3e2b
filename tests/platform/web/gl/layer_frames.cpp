// The whole show, frame by frame on a scripted clock, drawn on Mesa's
// llvmpipe through EGL: built once over desktop GL (the reference) and once
// with the browser build's GL layer standing in for libGL, over an OpenGL ES
// 3.0 context. Each frame's capture and window, then the face, the ring and
// the box field alone, are compared pixel for pixel.
//
//   layer_frames_gl                 writes its pictures to standard output
//   layer_frames_layer REFERENCE    runs REFERENCE and compares; 1 on a difference
//
// Both draw into one EGL configuration on one rasteriser, and every picture
// must come out the same, with one exception. Mesa draws GL_QUADS through a
// path of its own, which OpenGL ES lacks; the layer sends each quad as the
// two triangles Mesa splits it into (0 1 3, 1 2 3). Sent to desktop GL as
// those two triangles, every textured quad of the show gives the layer's
// pixels exactly. Sent as a quad, its texture coordinates differ in the last
// bits (with nearest filtering the two agree): where one lies on a step of
// the linear filter's weights, a row of the face comes out 1 brighter or
// darker. The face is never shown directly, only through the capture, so a
// capture may differ by 1 in at most 0.1 % of its pixels; the frame then goes
// on from the reference's capture, and its streaks and window must match.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "app/show_main.h"
#include "platform/native_platform.h"
#include "show/frame_composer.h"
#include "show/frame_observer.h"
#include "show/hidden_scenes.h"
#include "tests/support/keep_libraries.h"
#ifdef STREAKSHOW_GL_LAYER
#include "platform/web/gl/gl11.h"
#endif

namespace {

constexpr int kWidth = 1024, kHeight = 768;
constexpr int kFramesPerSecond = 2;  // 146 frames: the ring from 5 s, the boxes from 15 s

// The show's own platform under a recording clock, which moves only when a
// frame begins.
class ScriptedClock : public platform::NativePlatform {
  public:
    ScriptedClock() : platform::NativePlatform(Options{.offscreen = true}) {
        useClock(&clock);
        platform::setPlatform(this);
    }
    platform::RecordingClock clock{kFramesPerSecond};
};

// A pbuffer on the surfaceless platform, the same configuration either way.
bool openContext(bool es) {
    const auto platformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    const EGLDisplay display =
        platformDisplay == nullptr
            ? EGL_NO_DISPLAY
            : platformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    // clang-format off
    const EGLint configWanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                   EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT | EGL_OPENGL_ES3_BIT,
                                   EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                   EGL_DEPTH_SIZE, 24, EGL_NONE};
    // clang-format on
    const EGLint surfaceSize[] = {EGL_WIDTH, kWidth, EGL_HEIGHT, kHeight, EGL_NONE};
    const EGLint esVersion[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0,
                                EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr) ||
        !eglChooseConfig(display, configWanted, &config, 1, &configs) || configs < 1 ||
        !eglBindAPI(es ? EGL_OPENGL_ES_API : EGL_OPENGL_API)) {
        return false;
    }
    const EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceSize);
    const EGLContext context =
        eglCreateContext(display, config, EGL_NO_CONTEXT, es ? esVersion : nullptr);
    if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT ||
        !eglMakeCurrent(display, surface, surface, context)) {
        return false;
    }
    test_support::keepLoadedLibraries();
    return true;
}

// Hands each frame's capture on as soon as it is read back.
struct CaptureProbe : show::FrameObserver {
    std::function<void()> captured;
    void stageDone(show::FrameStage stage) override {
        if (stage == show::FrameStage::capture) captured();
    }
};

// Draws the pictures in order and hands each to `take`, which may change it:
// a capture, before the streaks read it.
template <typename Take>
void drawShow(Take take) {
    ScriptedClock clock;
    std::vector<unsigned char> window(std::size_t{kWidth} * kHeight * 4);
    const auto readWindow = [&] {
        glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, window.data());
        return window.data();
    };
    app::initShow();
    std::string name;
    CaptureProbe probe;
    probe.captured = [&] {
        take(name + " capture", show::captureBuffer, sizeof show::captureBuffer,
             show::kCaptureWidth);
    };
    for (int frame = 1; frame <= 73 * kFramesPerSecond; ++frame) {
        clock.clock.startFrame(frame);
        name = "frame " + std::to_string(frame);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 1, 1);
        show::composeFrame(&probe);
        take(name, readWindow(), window.size(), kWidth);
    }
    const char* const scenes[] = {"face", "ring", "box field"};
    for (int mode = 0; mode < 3; ++mode) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        show::drawHiddenScene(mode);
        take(scenes[mode], readWindow(), window.size(), kWidth);
    }
}

}  // namespace

int main(int argc, char** argv) {
#ifdef STREAKSHOW_GL_LAYER
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s REFERENCE\n", argv[0]);
        return 2;
    }
    if (!openContext(true) || !webgl::initialize()) {
        std::fprintf(stderr, "%s: no OpenGL ES 3.0 context on EGL's surfaceless platform\n",
                     argv[0]);
        return 1;
    }
    const auto begun = std::chrono::steady_clock::now();
    FILE* reference = popen(("'" + std::string(argv[1]) + "'").c_str(), "r");
    if (reference == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    int pictures = 0, failed = 0, quadPath = 0;
    std::vector<unsigned char> expected;
    drawShow([&](const std::string& name, unsigned char* got, std::size_t bytes, int width) {
        ++pictures;
        expected.resize(bytes);
        if (std::fread(expected.data(), 1, bytes, reference) != bytes) {
            std::fprintf(stderr, "%s: the reference ended early\n", name.c_str());
            std::exit(1);
        }
        int pixels = 0, largest = 0;
        std::size_t first = 0;
        for (std::size_t i = 0; i < bytes; i += 4) {
            int most = 0;
            for (std::size_t c = i; c < i + 4; ++c)
                most = std::max(most, std::abs(got[c] - expected[c]));
            if (most > 0 && pixels++ == 0) first = i / 4;
            largest = std::max(largest, most);
        }
        // The frame goes on from the reference's picture, so that a capture's
        // difference cannot reach the streaks.
        std::copy(expected.begin(), expected.end(), got);
        if (pixels == 0) return;
        const bool explained = name.ends_with("capture") && largest == 1 &&
                               pixels <= static_cast<int>(bytes / 4 / 1000);
        (explained ? quadPath : failed) += 1;
        std::fprintf(stderr, "%s: %d pixels differ, by up to %d, the first at (%zu, %zu)%s\n",
                     name.c_str(), pixels, largest, first % width, first / width,
                     explained ? " (the quad path)" : "");
    });
    const int status = pclose(reference);
    std::printf("%d pictures: %d differ, %d captures by the quad path; %.1f s\n", pictures, failed,
                quadPath,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count());
    return failed == 0 && status == 0 ? 0 : 1;
#else
    // Pictures only on standard output; anything the show prints goes to standard error.
    const int out = dup(STDOUT_FILENO);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    if (argc != 1) {
        std::fprintf(stderr, "usage: %s\n", argv[0]);
        return 2;
    }
    if (out < 0 || !openContext(false)) {
        std::fprintf(stderr, "%s: no desktop GL context on EGL's surfaceless platform\n", argv[0]);
        return 1;
    }
    FILE* pictures = fdopen(out, "wb");
    drawShow([&](const std::string&, const unsigned char* pixels, std::size_t bytes, int) {
        if (std::fwrite(pixels, 1, bytes, pictures) != bytes) std::exit(1);
    });
    return std::fclose(pictures) == 0 ? 0 : 1;
#endif
}
