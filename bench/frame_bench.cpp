// What a frame of the show costs at 1024 by 768 on Mesa's software
// rasteriser, stage by stage, beside a reference frame that draws the same
// picture with as few GL calls as it can (client vertex arrays, one draw per
// mesh, one draw for all hundred streaks), beside the show's frame with
// the streak quads of zero width sent as well, as the show first did, and
// beside the capture's frame, whose streaks are painted into the read-back
// frame instead of drawn.
//
//   frame_bench [benchmark options]      (run from the folder holding dorva/)
//
// At show times 5 s, 10 s and 20 s it renders 300 frames of each way, 1/60 s
// apart and taking turns, with glFinish at every stage boundary so that each stage is charged
// for its own drawing, and prints median milliseconds per frame and stage.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "app/clocks.h"
#include "app/display_window.h"
#include "app/show_main.h"
#include "image/file_buffer.h"
#include "image/texture.h"
#include "mesh/builders.h"
#include "mesh/mesh.h"
#include "platform/random.h"
#include "platform/sdl/sdl_platform.h"
#include "render/gl_state.h"
#include "render/light.h"
#include "show/frame_composer.h"
#include "show/frame_observer.h"
#include "show/hidden_scenes.h"
#include "show/streak_painter.h"
#include "show/streaks.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFrames = 300;
constexpr int kStages = 5;  // hidden scenes, capture, background, streaks, present
const char* const kStageNames[kStages] = {"hidden", "capture", "background", "streaks", "present"};

// The show on an offscreen context, under a recording clock at 60 frames a
// second that the benchmark moves.
class BenchPlatform : public platform::SdlPlatform {
  public:
    BenchPlatform() : SdlPlatform(Options{.offscreen = true}) { useClock(&clock); }
    bool askYesNo(const char*, const char*) override { return false; }
    void startSoundSystem(int) override {}
    void openMusicStream(const char*) override {}
    void playMusic() override {}
    platform::RecordingClock clock{60};
};

BenchPlatform* bench = nullptr;

struct StageTimer {
    Clock::time_point last;
    std::array<double, kStages> ms{};
    void start() { last = Clock::now(); }
    void mark(int stage) {
        glFinish();
        const auto now = Clock::now();
        ms[stage] = std::chrono::duration<double, std::milli>(now - last).count();
        last = now;
    }
};

// Charges the show's stages and remembers which scenes each frame drew, so
// that the reference frame can draw the same ones. Its way: 0 as the show,
// 1 with the quads of zero width sent too, 2 as the capture, which takes the
// quads to paint them.
struct StageProbe : show::FrameObserver {
    StageTimer* timer = nullptr;
    std::array<bool, 3> scenes{};
    int way = 0;
    std::vector<show::StreakQuad> quads;
    void sceneDrawn(int mode) override { scenes[static_cast<std::size_t>(mode)] = true; }
    void stageDone(show::FrameStage stage) override { timer->mark(static_cast<int>(stage)); }
    void streaksMade(std::span<const show::StreakQuad> made) override {
        if (way == 2) quads.assign(made.begin(), made.end());
    }
    bool drawsStreaks() const override { return way == 2; }
    bool wantsEmptyQuads() const override { return way == 1; }
};

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct Result {
    double frame = 0;
    std::array<double, kStages> stages{};
    double cpu = 0;  // of the drawing thread: GL's vertex work and set-up run there
};

double threadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

std::map<int, std::vector<std::array<bool, 3>>> scenesAt;  // by show second

// Keeps the medians of a run's frames and stages, and reports them.
void summarise(benchmark::State& state, Result& result, const std::vector<double>& frames,
               const std::vector<std::array<double, kStages>>& stages) {
    result.frame = median(frames);
    for (int s = 0; s < kStages; ++s) {
        std::vector<double> column;
        for (const auto& row : stages) column.push_back(row[static_cast<std::size_t>(s)]);
        result.stages[static_cast<std::size_t>(s)] = median(column);
        state.counters[kStageNames[s]] = result.stages[static_cast<std::size_t>(s)];
    }
    state.counters["median_ms"] = result.frame;
}

std::map<std::string, Result> results;

void setShowTime(double seconds, int frame) {
    // Show time 0 is where start-up restarted the clocks (1000 ms).
    bench->clock.startFrame(static_cast<std::int64_t>(seconds * 60) + frame);
}

// ---- the show's own frame, exactly as the main loop draws it --------------

// Frames take turns: as the show draws them; sending the streak quads of zero
// width too, as the show first did; and as the capture makes them, the quads
// painted into the frame read back (its streaks stage is the painting, its
// present stage the read-back). All three give the same pictures, and meet
// the same scenes and load.
void showFrames(benchmark::State& state, int second) {
    StageTimer timer;
    StageProbe probe;
    probe.timer = &timer;
    std::vector<double> frames[3];
    std::vector<double> cpu[3];
    std::vector<std::array<double, kStages>> stages[3];
    std::vector<unsigned char> frame(1024 * 768 * 4);
    auto& scenes = scenesAt[second];
    scenes.clear();
    // Half a second of frames first, so that the timeline is in its stride.
    for (int i = -30; i < 0; ++i) {
        setShowTime(second, i);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 1, 1);
        show::composeFrame();
        app::mainWindow.swapBuffers();
    }
    int i = 0;
    for (auto _ : state) {
        const int way = i % 3;
        probe.way = way;
        probe.quads.clear();
        setShowTime(second, i++);
        probe.scenes = {};
        glFinish();
        const auto begun = Clock::now();
        const double cpuBegun = threadCpuMs();
        timer.start();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 1, 1);
        show::composeFrame(&probe);
        if (way == 2) {
            const auto painting = Clock::now();
            show::paintStreaks(probe.quads, frame.data());
            timer.ms[3] +=
                std::chrono::duration<double, std::milli>(Clock::now() - painting).count();
            timer.start();
            glReadPixels(0, 0, 1024, 768, GL_RGBA, GL_UNSIGNED_BYTE, frame.data());
        }
        app::mainWindow.swapBuffers();
        timer.mark(4);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begun).count();
        state.SetIterationTime(ms / 1000);
        cpu[way].push_back(threadCpuMs() - cpuBegun);
        frames[way].push_back(ms);
        stages[way].push_back(timer.ms);
        scenes.push_back(probe.scenes);
    }
    const char* const ways[3] = {"show/", "all/", "painted/"};
    for (int way = 2; way >= 0; --way) {
        Result& result = results[ways[way] + std::to_string(second)];
        summarise(state, result, frames[way], stages[way]);
        result.cpu = median(cpu[way]);
    }
}

// ---- the reference frame: the same picture, minimal GL calls ----------------

struct Vertex2 {
    float x, y;
    GLubyte colour[4];
};

struct Reference {
    image::Texture face{512, 512};
    image::Texture background{512, 512};
    std::vector<float> ringArrays[7];  // by segment count: position, normal
    std::vector<float> boxArrays;
    std::vector<float> discs;
    std::vector<Vertex2> streaks;
    std::vector<unsigned char> capture = std::vector<unsigned char>(640 * 480 * 4);

    static std::vector<float> arrays(const mesh::Mesh& m) {
        std::vector<float> out;
        for (int t = 0; t < m.triangleCount; ++t) {
            const mesh::MeshTriangle& tri = m.triangles[t];
            for (const int index : {tri.i0, tri.i1, tri.i2}) {
                const mesh::MeshVertex& v = m.vertices[index];
                out.insert(out.end(), {v.position.x, v.position.y, v.position.z, v.normal.x,
                                       v.normal.y, v.normal.z});
            }
        }
        return out;
    }

    void load() {
        const image::FileBuffer faceFile(show::kFacePath);
        face.loadJpeg(faceFile);
        const image::FileBuffer backgroundFile(show::kBackgroundPaths[0]);
        background.loadJpeg(backgroundFile);
        for (int n = 3; n <= 6; ++n) {
            mesh::Mesh ring;
            ring.assign(mesh::revolveOutline(3, n, mesh::makePolygonOutline(1, n)));
            ringArrays[n] = arrays(ring.computeNormals());
        }
        mesh::Mesh box(mesh::makeBox(render::Vec3(1, 1, 1)));
        boxArrays = arrays(box.computeNormals());
        for (const float cx : {-0.2f, 0.2f}) {
            for (int i = 0; i < 20; ++i) {
                const float a = i / 20.0f * 6.28f;
                const float b = (i + 1) % 20 / 20.0f * 6.28f;
                discs.insert(discs.end(),
                             {cx, -0.7f, cx + 0.14f * std::sin(b), -0.7f + 0.14f * std::cos(b),
                              cx + 0.14f * std::sin(a), -0.7f + 0.14f * std::cos(a)});
            }
        }
    }

    static void texturedQuad(image::Texture& texture, float top, float left, float bottom,
                             float right) {
        const float u = texture.uExtent;
        const float v = texture.vExtent;
        const float quad[] = {0, v, left,  bottom, 0, 0, left,  top,
                              u, 0, right, top,    u, v, right, bottom};
        glEnable(GL_TEXTURE_2D);
        glDisable(GL_CULL_FACE);  // the background quad winds clockwise
        texture.bind();
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_VERTEX_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(float), quad);
        glVertexPointer(2, GL_FLOAT, 4 * sizeof(float), quad + 2);
        glDrawArrays(GL_QUADS, 0, 4);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisable(GL_TEXTURE_2D);
        glEnable(GL_CULL_FACE);
    }

    static void drawLit(const std::vector<float>& a) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, 6 * sizeof(float), a.data());
        glNormalPointer(GL_FLOAT, 6 * sizeof(float), a.data() + 3);
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(a.size() / 6));
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }

    void hiddenScenes(const std::array<bool, 3>& scenes, float time) {
        glColor4f(1, 1, 1, 1);
        glDisable(GL_LIGHTING);
        if (scenes[0]) {
            render::beginOverlay(1, -1, -1, 1);
            glScalef((platform::rand() % 1000) * 0.002f, (platform::rand() % 1000) * 0.002f, 1);
            texturedQuad(face, -0.7f, -0.6f, 0.7f, 0.6f);
            glColor4f(0, 0, 0, 1);
            glEnableClientState(GL_VERTEX_ARRAY);
            glVertexPointer(2, GL_FLOAT, 0, discs.data());
            glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(discs.size() / 2));
            glDisableClientState(GL_VERTEX_ARRAY);
            render::endOverlay();
        }
        if (scenes[1]) {
            glDisable(GL_TEXTURE_2D);
            render::applyLight({GL_LIGHT1, render::Vec3(0, 0, 0), render::Color4{1, 1, 1, 1},
                                render::Color4{0, 0, 0, 1}});
            glEnable(GL_LIGHTING);
            glPushMatrix();
            glTranslatef(-1, -1, -10);
            glRotatef(time * 8, 1, 0, 0);
            glRotatef(time * 4, 0, 1, 0);
            glRotatef(std::sin(time * 0.1f) * 30, 0, 0, 1);
            drawLit(ringArrays[platform::rand() % 4 + 3]);
            glPopMatrix();
            glDisable(GL_LIGHTING);
        }
        if (scenes[2]) {
            platform::srand(39420);
            for (int i = 0; i < 100; ++i) {
                float v[6];
                for (int k = 0; k < 6; ++k) {
                    v[k] = (platform::rand() % 1000) * (k < 3 ? 0.02f : 0.36f) - (k < 3 ? 10 : 0);
                }
                glPushMatrix();
                glTranslatef(v[2], v[1], v[0]);
                glRotatef(v[5], 1, 0, 0);
                glRotatef(v[4], 0, 1, 0);
                glRotatef(v[3], 0, 0, 1);
                drawLit(boxArrays);
                glPopMatrix();
            }
        }
    }

    void streakOverlay() {
        streaks.clear();
        for (int s = 0; s < 100; ++s) {
            const int edge = platform::rand() % 4;
            // One draw for the position along the entry edge, as the show makes.
            const auto along = static_cast<float>(platform::rand() % (edge < 2 ? 640 : 480));
            float x = edge == 2 ? 0 : edge == 3 ? 640 : along;
            float y = edge == 0 ? 0 : edge == 1 ? 480 : along;
            const float dx = edge == 2 ? 2.0f : edge == 3 ? -2.0f : 0.0f;
            const float dy = edge == 0 ? 2.0f : edge == 1 ? -2.0f : 0.0f;
            for (; x >= 0 && y >= 0 && x <= 640 && y <= 480; x += dx, y += dy) {
                const int index =
                    std::min(static_cast<int>(x) + static_cast<int>(y) * 640, 640 * 480 - 1);
                const unsigned char* p = &capture[static_cast<std::size_t>(index) * 4];
                const float w = (p[0] + p[1] + p[2]) * (2.5f / 765);
                const GLubyte c[4] = {static_cast<GLubyte>(platform::rand() % 256),
                                      static_cast<GLubyte>(platform::rand() % 256),
                                      static_cast<GLubyte>(platform::rand() % 256), 1};
                const float sx = dy * w;
                const float sy = -dx * w;
                for (const auto& [vx, vy] : {std::array<float, 2>{x, y},
                                             {x + sx, y + sy},
                                             {x + sx + dx, y + sy + dy},
                                             {x + dx, y + dy}}) {
                    streaks.push_back({vx, vy, {c[0], c[1], c[2], c[3]}});
                }
            }
        }
        render::beginOverlay(0, 0, 480, 640);
        glDisable(GL_CULL_FACE);
        glDisable(GL_TEXTURE_2D);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(2, GL_FLOAT, sizeof(Vertex2), &streaks[0].x);
        glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex2), streaks[0].colour);
        glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(streaks.size()));
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        render::endOverlay();
    }

    void frame(const std::array<bool, 3>& scenes, float time, StageTimer& timer) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        hiddenScenes(scenes, time);
        timer.mark(0);
        glReadPixels(0, 0, 640, 480, GL_RGBA, GL_UNSIGNED_BYTE, capture.data());
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        timer.mark(1);
        render::beginOverlay(1, -1, -1, 1);
        glColor3f(0.2f, 0.2f, 0.2f);
        glScalef(1.05f, 1.05f, 1);
        texturedQuad(background, 1, -1, -1, 1);
        render::endOverlay();
        timer.mark(2);
        streakOverlay();
        timer.mark(3);
        app::mainWindow.swapBuffers();
        timer.mark(4);
    }
};

Reference* reference = nullptr;

void referenceFrames(benchmark::State& state, int second) {
    StageTimer timer;
    std::vector<double> frames;
    std::vector<std::array<double, kStages>> stages;
    const auto& scenes = scenesAt[second];
    std::size_t i = 0;
    for (auto _ : state) {
        const auto& frameScenes =
            scenes.empty() ? std::array<bool, 3>{true, false, false} : scenes[i % scenes.size()];
        ++i;
        glFinish();
        const auto begun = Clock::now();
        timer.start();
        reference->frame(frameScenes, second + i / 60.0f, timer);
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begun).count();
        state.SetIterationTime(ms / 1000);
        frames.push_back(ms);
        stages.push_back(timer.ms);
    }
    summarise(state, results["reference/" + std::to_string(second)], frames, stages);
}

void printTable() {
    std::printf("\nMedian milliseconds over %d frames at 1024x768 (Mesa llvmpipe):\n\n", kFrames);
    std::printf(
        "| show time | frame | hidden | capture | background | streaks | present | drawing thread "
        "CPU | all quads sent: frame | streaks | drawing thread CPU | reference frame | ratio "
        "| capture's frame | streaks painted | read back | drawing thread CPU |\n");
    std::printf(
        "| --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | --- | "
        "--- | --- | --- |\n");
    for (const int second : {5, 10, 20}) {
        const Result& s = results["show/" + std::to_string(second)];
        const Result& a = results["all/" + std::to_string(second)];
        const Result& r = results["reference/" + std::to_string(second)];
        const Result& p = results["painted/" + std::to_string(second)];
        std::printf(
            "| %d s | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | %.2f | "
            "%.2f | %.2f | %.2f | %.2f | %.2f |\n",
            second, s.frame, s.stages[0], s.stages[1], s.stages[2], s.stages[3], s.stages[4], s.cpu,
            a.frame, a.stages[3], a.cpu, r.frame, r.frame > 0 ? s.frame / r.frame : 0, p.frame,
            p.stages[3], p.stages[4], p.cpu);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    bench = new BenchPlatform();
    platform::setPlatform(bench);
    app::mainWindow.create();
    if (!app::mainWindow.running) {
        std::fprintf(stderr, "frame_bench: no GL context\n");
        return 1;
    }
    app::initShow();
    reference = new Reference();
    reference->load();

    for (const int second : {5, 10, 20}) {
        benchmark::RegisterBenchmark(("show_frame/" + std::to_string(second) + "s").c_str(),
                                     [second](benchmark::State& s) { showFrames(s, second); })
            ->Iterations(3 * kFrames)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("reference_frame/" + std::to_string(second) + "s").c_str(),
                                     [second](benchmark::State& s) { referenceFrames(s, second); })
            ->Iterations(kFrames)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RunSpecifiedBenchmarks();
    printTable();
    benchmark::Shutdown();
    return 0;
}
