// How fast the capture program records the whole show at 60 frames a second,
// against the show's own 73 seconds: rendering alone (frames read back and
// dropped), and rendering with the H.264 encoding in ffmpeg at the default
// settings; each with the streaks painted into the read-back frames, as the
// program does, and drawn by GL, as it did before. The encoding runs beside
// its earlier form as the peer: RGBA frames through the pipe, which ffmpeg
// converted to YUV and turned over itself.
//
//   capture_bench [benchmark options]    (run from the folder holding dorva/)
//
// Each benchmark records the whole show once, in a child process of its own,
// since the show runs once per process.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "app/show_main.h"
#include "platform/child_process.h"
#include "platform/platform.h"
#include "recorder/capture_platform.h"
#include "recorder/frame_writers.h"

namespace {

struct Outcome {
    std::int64_t frames = 0;
    double seconds = 0;
    double cpuSeconds = 0;  // the recorder's and ffmpeg's, user and system
    long long bytes = 0;
};

constexpr const char* kVideo = "/tmp/streakshow-capture-bench.mp4";

enum class Path { none, yuv, rgba };  // what goes through the pipe

// The earlier pipe: RGBA as read back, with ffmpeg's conversion and vflip.
class RgbaPipe {
  public:
    bool open(const capture::VideoSettings& s) {
        return ffmpeg_.start(platform::findProgram("ffmpeg"),
                             {"-hide_banner", "-loglevel", "error",     "-nostdin",
                              "-y",           "-f",        "rawvideo",  "-pix_fmt",
                              "rgba",         "-s",        "1024x768",  "-framerate",
                              "60",           "-i",        "-",         "-i",
                              s.musicPath,    "-map",      "0:v",       "-map",
                              "1:a",          "-c:a",      "aac",       "-b:a",
                              "192k",         "-af",       "apad",      "-shortest",
                              "-vf",          "vflip",     "-c:v",      "libx264",
                              "-preset",      s.preset,    "-crf",      std::to_string(s.crf),
                              "-pix_fmt",     "yuv420p",   "-movflags", "+faststart",
                              s.output},
                             true);
    }
    bool write(const unsigned char* rgba, std::size_t bytes) { return ffmpeg_.write(rgba, bytes); }
    bool close() { return ffmpeg_.finish() == 0; }

  private:
    platform::ChildProcess ffmpeg_;
};

// Records the whole show in a child process and reports through a pipe.
Outcome recordInChild(Path path, bool painted) {
    int channel[2];
    if (pipe(channel) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const auto begun = std::chrono::steady_clock::now();
        capture::FfmpegWriter video;
        RgbaPipe rgbaVideo;
        capture::VideoSettings settings;
        settings.output = kVideo;
        settings.musicPath = app::kMusicPath;
        if (path == Path::yuv && !video.open(settings)) _exit(1);
        if (path == Path::rgba && !rgbaVideo.open(settings)) _exit(1);
        constexpr std::size_t bytes = std::size_t{capture::kFrameWidth} * capture::kFrameHeight * 4;
        capture::CaptureRange range;
        range.fps = 60;
        auto& platform =
            *new capture::CapturePlatform(range, [&](std::int64_t, const unsigned char* rgba) {
                return path == Path::none  ? true
                       : path == Path::yuv ? video.write(rgba, bytes)
                                           : rgbaVideo.write(rgba, bytes);
            });
        platform::setPlatform(&platform);
        app::WinMain(painted ? &platform : nullptr);
        platform.finish();
        if (path == Path::yuv && !video.close()) _exit(1);
        if (path == Path::rgba && !rgbaVideo.close()) _exit(1);
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
    rusage usage{};
    wait4(child, &status, 0, &usage);  // (with ffmpeg's, which the child waited for)
    const auto seconds = [](timeval t) { return t.tv_sec + t.tv_usec / 1e6; };
    outcome.cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    if (std::FILE* video = std::fopen(kVideo, "rb")) {
        std::fseek(video, 0, SEEK_END);
        outcome.bytes = std::ftell(video);
        std::fclose(video);
    }
    std::remove(kVideo);
    return outcome;
}

void wholeShow(benchmark::State& state, Path path, bool painted) {
    Outcome outcome;
    for (auto _ : state) {
        outcome = recordInChild(path, painted);
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
    state.counters["cpu_s"] = outcome.cpuSeconds;
    std::printf(
        "%-26s %-18s %6lld frames in %6.1f s: %6.1f fps, %.2fx real time, %5.1f s CPU, %.1f MB\n",
        path == Path::none  ? "render + read back only"
        : path == Path::yuv ? "render + H.264, YUV piped"
                            : "render + H.264, RGBA piped",
        painted ? "streaks painted" : "streaks drawn by GL", static_cast<long long>(outcome.frames),
        outcome.seconds, fps, fps / 60, outcome.cpuSeconds, outcome.bytes / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    // The default recording and its earlier pipe take turns, twice: the
    // machine's speed drifts, and the pairs show how far.
    const struct {
        const char* name;
        Path path;
        bool painted;
    } runs[] = {
        {"render_only_painted", Path::none, true},
        {"render_only_gl_streaks", Path::none, false},
        {"encode_default_painted", Path::yuv, true},
        {"encode_rgba_pipe_painted", Path::rgba, true},
        {"encode_default_painted_again", Path::yuv, true},
        {"encode_rgba_pipe_painted_again", Path::rgba, true},
        {"encode_default_gl_streaks", Path::yuv, false},
    };
    for (const auto& run : runs) {
        benchmark::RegisterBenchmark(
            run.name, [run](benchmark::State& state) { wholeShow(state, run.path, run.painted); })
            ->Iterations(1)
            ->UseManualTime()
            ->Unit(benchmark::kSecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
