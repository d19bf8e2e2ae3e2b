// How fast the capture program records the whole show at 60 frames a second,
// against the show's own 73 seconds: rendering alone (frames read back and
// dropped), and rendering with the H.264 encoding in ffmpeg at the default
// settings; each with the streaks painted into the read-back frames, as the
// program does, and drawn by GL, as it did before.
//
//   capture_bench [benchmark options]    (run from the folder holding dorva/)
//
// Each benchmark records the whole show once, in a child process of its own,
// since the show runs once per process.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/show_main.h"
#include "platform/platform.h"
#include "recorder/capture_platform.h"
#include "recorder/frame_writers.h"

namespace {

struct Outcome {
    std::int64_t frames = 0;
    double seconds = 0;
    long long bytes = 0;
};

constexpr const char* kVideo = "/tmp/streakshow-capture-bench.mp4";

// Records the whole show in a child process and reports through a pipe.
// `crf` 0: frames read back and dropped.
Outcome recordInChild(int crf, bool painted) {
    const bool encode = crf > 0;
    int channel[2];
    if (pipe(channel) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const auto begun = std::chrono::steady_clock::now();
        capture::FfmpegWriter video;
        if (encode) {
            capture::VideoSettings settings;
            settings.output = kVideo;
            settings.musicPath = app::kMusicPath;
            settings.crf = crf;
            if (!video.open(settings)) _exit(1);
        }
        capture::CaptureRange range;
        range.fps = 60;
        auto& platform =
            *new capture::CapturePlatform(range, [&](std::int64_t, const unsigned char* rgba) {
                return !encode || video.write(rgba, std::size_t{capture::kFrameWidth} *
                                                        capture::kFrameHeight * 4);
            });
        platform::setPlatform(&platform);
        app::WinMain(painted ? &platform : nullptr);
        platform.finish();
        if (encode && !video.close()) _exit(1);
        Outcome outcome{
            platform.framesKept(),
            std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count()};
        if (write(channel[1], &outcome, sizeof outcome) != sizeof outcome) _exit(1);
        _exit(0);
    }
    close(channel[1]);
    Outcome outcome;
    if (read(channel[0], &outcome, sizeof outcome) != sizeof outcome) outcome = {};
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (std::FILE* video = std::fopen(kVideo, "rb")) {
        std::fseek(video, 0, SEEK_END);
        outcome.bytes = std::ftell(video);
        std::fclose(video);
    }
    std::remove(kVideo);
    return outcome;
}

void wholeShow(benchmark::State& state, int crf, bool painted) {
    Outcome outcome;
    for (auto _ : state) {
        outcome = recordInChild(crf, painted);
        state.SetIterationTime(outcome.seconds);
    }
    if (outcome.frames == 0) {
        state.SkipWithError("the capture failed (no dorva/, no ffmpeg?)");
        return;
    }
    const double fps = outcome.frames / outcome.seconds;
    state.counters["frames"] = static_cast<double>(outcome.frames);
    state.counters["fps"] = fps;
    state.counters["x_real_time"] = fps / 60;
    state.counters["MB"] = outcome.bytes / 1e6;
    std::printf(
        "%-28s %-18s %6lld frames in %6.1f s: %6.1f fps, %.2fx real time, %.0f MB\n",
        crf > 0 ? ("render + H.264 CRF " + std::to_string(crf)).c_str() : "render + read back only",
        painted ? "streaks painted" : "streaks drawn by GL", static_cast<long long>(outcome.frames),
        outcome.seconds, fps, fps / 60, outcome.bytes / 1e6);
}

}  // namespace

BENCHMARK_CAPTURE(wholeShow, render_only_painted, 0, true)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(wholeShow, render_only_gl_streaks, 0, false)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(wholeShow, encode_default_painted, capture::VideoSettings{}.crf, true)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_CAPTURE(wholeShow, encode_default_gl_streaks, capture::VideoSettings{}.crf, false)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);
BENCHMARK_MAIN();
