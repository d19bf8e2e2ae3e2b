// streakshow-capture: records the show, frame-exact at a steady rate,
// without a screen.
//
// It runs the show's own start-up, loading pass and main loop on an offscreen
// GL context, with the millisecond counter moving on exactly 1000/fps per
// frame, and pipes every frame to ffmpeg (H.264 with the music as AAC) or
// writes it as a PNG file.
//
// Nothing the user has is spoilt: every request is checked before anything
// is written, the video and the record go to temporary files beside their
// names and take those names only when the recording is complete, and a
// failed recording removes what it wrote. The temporary files are made new,
// under names no other run can have left, and a name that holds anything but
// a regular file (a folder, a device, a FIFO, a link) is refused. Ctrl-C, SIGTERM or a closed
// terminal end the recording after the current frame: the video so far is
// finished and kept under its temporary name, and the exit status says
// which signal came. A second Ctrl-C ends the program at once.
#include <csignal>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "app/show_main.h"
#include "image/file_buffer.h"
#include "platform/child_process.h"
#include "platform/command_line.h"
#include "platform/data_folder.h"
#include "platform/file_names.h"
#include "platform/platform.h"
#include "platform/program.h"
#include "platform/report.h"
#include "recorder/capture_platform.h"
#include "recorder/frame_writers.h"
#include "show/frame_record.h"

namespace {

constexpr const char* kUsage =
    "usage: streakshow-capture [--out FILE] [--fps N] [--from S] [--seconds S] [--frames DIR]\n"
    "                          [--crf N] [--preset NAME] [--data DIR] [--record FILE] "
    "[--overwrite]";

const std::vector<platform::OptionInfo> kOptions = {
    {"out", "FILE", "the video to write (default streakshow.mp4)"},
    {"fps", "N", "frames per second, 1 to 1000 (default 60)"},
    {"from", "S", "start at show time S seconds, 0 to 73 (default 0)"},
    {"seconds", "S", "record S seconds, up to 74 (default: to the end of the show)"},
    {"frames", "DIR", "write PNG files into DIR, made when missing, instead of a video"},
    {"crf", "N", "x264's quality, 0 to 51, lower is better and bigger (default 30)"},
    {"preset", "NAME", "x264's speed, ultrafast ... placebo (default ultrafast)"},
    {"data", "DIR", "read the show's pictures and music from DIR"},
    {"record", "FILE", "also write a line per kept frame of what the show chose"},
    {"overwrite", nullptr, "with --frames, replace the frames an earlier run left in DIR"},
    {"help", nullptr, "print this help and exit"},
    {"version", nullptr, "print the version and exit"},
};

struct Options {
    std::string out = "streakshow.mp4";
    int fps = 60;
    double from = 0;
    std::optional<double> seconds;
    std::string framesFolder;  // empty: video
    std::string dataFolder;    // as the show's --data
    std::string recordPath;    // a line per kept frame of what the show chose
    bool overwrite = false;    // earlier frames in framesFolder go
    bool help = false;
    bool version = false;
    capture::VideoSettings video;
};

// The signal that asked the recording to stop, 0 while none has.
volatile std::sig_atomic_t stopSignal = 0;

// The temporary files this run made, for a second Ctrl-C to take with it.
const char* volatile partialFiles[2] = {nullptr, nullptr};

void requestStop(int signal) {
    if (stopSignal == SIGINT && signal == SIGINT) {
        // At once: ffmpeg goes too, and the files it could not finish.
        platform::endChildProcesses();
        for (const char* partial : partialFiles)
            if (partial != nullptr) platform::removeFileNow(partial);
        std::signal(SIGINT, SIG_DFL);
        std::raise(SIGINT);
    }
    stopSignal = signal;
}

// The containers that take ffmpeg's H.264 and AAC as the recorder asks for them.
constexpr const char* kVideoExtensions[] = {".mp4", ".m4v", ".mov", ".mkv", ".avi", ".ts"};

bool isVideoName(const std::string& path) {
    std::string extension = platform::fileName(platform::filePath(path).extension());
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return path.back() != '/' && std::find(std::begin(kVideoExtensions), std::end(kVideoExtensions),
                                           extension) != std::end(kVideoExtensions);
}

// The frame files an earlier run left in `folder` (files only: no folder
// or link of that name goes with them).
std::vector<std::filesystem::path> earlierFrames(const std::string& folder) {
    std::vector<std::filesystem::path> frames;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(platform::filePath(folder), error), end;
         !error && entry != end; entry.increment(error)) {
        const std::string name = platform::fileName(entry->path().filename());
        if (name.starts_with("frame_") && name.ends_with(".png") &&
            entry->symlink_status(error).type() == std::filesystem::file_type::regular)
            frames.push_back(entry->path());
    }
    return frames;
}

int fail(const std::string& message) {
    platform::report("%s", message.c_str());
    return 1;
}

bool parseNumber(const char* text, double& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(value);
}

// Fills `options`; an empty result means success, otherwise it is the error.
std::string parse(const std::vector<std::string>& arguments, Options& options) {
    const platform::CommandLine line = platform::parseCommandLine(arguments, kOptions);
    if (!line.error.empty()) return line.error;
    if (!line.operands.empty()) return "unexpected argument '" + line.operands.front() + "'";
    options.help = line.has("help");
    options.version = line.has("version");
    if (options.help || options.version) return {};
    for (const auto& [name, text] : line.options) {
        const std::string option = "--" + name;
        const char* value = text.c_str();
        double number = 0;
        if (option == "--out") {
            options.out = value;
        } else if (option == "--frames") {
            options.framesFolder = value;
        } else if (option == "--data") {
            options.dataFolder = value;
        } else if (option == "--record") {
            options.recordPath = value;
        } else if (option == "--overwrite") {
            options.overwrite = true;
        } else if (option == "--fps") {
            if (!parseNumber(value, number) || number != std::floor(number) || number < 1 ||
                number > 1000) {
                return "--fps takes a whole number from 1 to 1000, not '" + std::string(value) +
                       "'";
            }
            options.fps = static_cast<int>(number);
        } else if (option == "--from") {
            // The last frame is the one at 73 s.
            if (!parseNumber(value, number) || number < 0 || number > app::kShowLength) {
                return "--from takes seconds from 0 to 73, not '" + std::string(value) + "'";
            }
            options.from = number;
        } else if (option == "--seconds") {
            if (!parseNumber(value, number) || number <= 0 || number > app::kShowLength + 1) {
                return "--seconds takes a positive number of seconds up to 74, not '" +
                       std::string(value) + "'";
            }
            options.seconds = number;
        } else if (option == "--crf") {
            if (!parseNumber(value, number) || number != std::floor(number) || number < 0 ||
                number > 51) {
                return "--crf takes a whole number from 0 to 51, not '" + std::string(value) + "'";
            }
            options.video.crf = static_cast<int>(number);
        } else if (option == "--preset") {
            if (std::find(std::begin(capture::kPresets), std::end(capture::kPresets),
                          std::string(value)) == std::end(capture::kPresets)) {
                return "--preset takes one of ultrafast, superfast, veryfast, faster, fast, "
                       "medium, slow, slower, veryslow, placebo, not '" +
                       std::string(value) + "'";
            }
            options.video.preset = value;
        }
    }
    if (options.framesFolder.empty()) {
        if (options.out.empty() || !isVideoName(options.out)) {
            return "--out takes a video file ending in .mp4, .m4v, .mov, .mkv, .avi or .ts, not '" +
                   options.out + "'";
        }
        if (!options.recordPath.empty() && platform::sameFile(options.recordPath, options.out)) {
            return "--record and --out name the same file, '" + options.out + "'";
        }
    }
    return {};
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_directory(platform::filePath(path), error);
}

// On a terminal, one line redrawn in place: frames, speed and time left.
// Elsewhere (a log, a pipe) a plain line at every tenth of the way.
class Progress {
  public:
    explicit Progress(std::int64_t total)
        : total_(total), terminal_(platform::standardErrorIsTerminal()), begun_(Clock::now()) {}

    void update(std::int64_t done, bool final = false) {
        const int tenth =
            total_ > 0 ? static_cast<int>(std::min<std::int64_t>(10, done * 10 / total_)) : 0;
        if (terminal_ ? !final && done % 15 != 0 : final || tenth <= reported_) return;
        reported_ = tenth;
        const double seconds = elapsed();
        const double fps = seconds > 0 ? done / seconds : 0;
        const double left = std::max(0.0, fps > 0 ? (total_ - done) / fps : 0);
        if (!terminal_) {
            platform::report("%3d%%  %lld/%lld frames  %.1f fps  %.0f s left", tenth * 10,
                             static_cast<long long>(done), static_cast<long long>(total_), fps,
                             left);
            return;
        }
        const int width = 30;
        const int filled =
            total_ > 0 ? static_cast<int>(width * std::min<double>(1, 1.0 * done / total_)) : 0;
        std::fprintf(stderr, "\r[%.*s%*s] %lld/%lld frames  %5.1f fps  %3.0f s left ", filled,
                     "##############################", width - filled, "",
                     static_cast<long long>(done), static_cast<long long>(total_), fps, left);
        if (final) std::fprintf(stderr, "\n");
    }
    double elapsed() const { return std::chrono::duration<double>(Clock::now() - begun_).count(); }

  private:
    using Clock = std::chrono::steady_clock;
    std::int64_t total_;
    bool terminal_;
    int reported_ = 0;
    Clock::time_point begun_;
};

}  // namespace

int main(int argc, char** argv) {
    platform::setProgramName("streakshow-capture");
    Options options;
    const std::string problem = parse(platform::programArguments(argc, argv), options);
    if (!problem.empty()) {
        platform::report("%s\n%s", problem.c_str(), kUsage);
        return 2;
    }
    if (options.help) {
        std::printf(
            "%s\nRecords the show frame by frame, without a screen: a video through ffmpeg, "
            "or PNG files.\n\n%s",
            kUsage, platform::optionHelp(kOptions).c_str());
        return 0;
    }
    if (options.version) {
        std::printf("streakshow-capture %s\n", STREAKSHOW_VERSION);
        return 0;
    }

    // The show's data is looked for as the show itself looks for it.
    platform::findDataFolder(options.dataFolder.c_str());
    const std::string musicPath = platform::dataPath(app::kMusicPath);

    capture::CaptureRange range;
    range.fps = options.fps;
    range.firstFrame = static_cast<std::int64_t>(std::ceil(options.from * options.fps - 1e-9));
    if (options.seconds) {
        range.frameCount = std::max<std::int64_t>(1, std::llround(*options.seconds * options.fps));
    }
    // The show ends with the first frame whose clock reads past 73 s; with
    // the float 0.001 of the clock that is the one at 73 s itself. (Only the
    // progress bar uses this; the show decides for itself.)
    const std::int64_t showFrames = static_cast<std::int64_t>(app::kShowLength * options.fps) + 1;
    const std::int64_t expected = std::max<std::int64_t>(
        0, range.frameCount >= 0 ? std::min(range.frameCount, showFrames - range.firstFrame)
                                 : showFrames - range.firstFrame);

    // Every request is checked before anything is written: the frames'
    // folder, the record's file and the video's file can be made, and no
    // name holds what a rename would destroy.
    capture::PngFrameWriter png(options.framesFolder);
    capture::FfmpegWriter video;
    const bool toFrames = !options.framesFolder.empty();
    for (const std::string* name : {&options.recordPath, toFrames ? nullptr : &options.out}) {
        if (name != nullptr && !name->empty() &&
            platform::fileKind(*name) == platform::FileKind::other) {
            return fail("cannot write " + *name + ": not a regular file");
        }
    }
    if (toFrames) {
        const auto earlier = earlierFrames(options.framesFolder);
        if (!earlier.empty() && !options.overwrite) {
            return fail(options.framesFolder +
                        " already holds the frames of an earlier run; --overwrite replaces them");
        }
        for (const auto& frame : earlier) platform::removeFile(platform::fileName(frame));
    }
    if (toFrames && !isFolder(options.framesFolder)) {
        std::error_code error;
        std::filesystem::create_directories(platform::filePath(options.framesFolder), error);
        if (error)
            return fail("cannot make the folder " + options.framesFolder + ": " + error.message());
    }
    // From here a stop request is the recorder's to answer, so that ffmpeg
    // and the temporary files never outlive it.
    platform::catchStopRequests(requestStop);
    std::FILE* recordFile = nullptr;
    std::string recordPartial;
    std::string videoPartial;
    // What this run wrote goes again when it fails.
    const auto discard = [&] {
        partialFiles[0] = nullptr;
        partialFiles[1] = nullptr;
        if (recordFile != nullptr) std::fclose(recordFile);
        recordFile = nullptr;
        if (!recordPartial.empty()) platform::removeFile(recordPartial);
        if (!videoPartial.empty()) platform::removeFile(videoPartial);
        if (toFrames) png.removeWritten();
    };
    if (!options.recordPath.empty()) {
        recordFile = platform::createTemporaryBeside(options.recordPath, recordPartial);
        if (recordFile == nullptr) {
            return fail("cannot write " + options.recordPath + ": " + std::strerror(errno));
        }
        partialFiles[0] = recordPartial.c_str();
    }
    if (!toFrames) {
        if (std::FILE* probe = platform::createTemporaryBeside(options.out, videoPartial)) {
            std::fclose(probe);
            partialFiles[1] = videoPartial.c_str();
        } else {
            const std::string why = std::strerror(errno);
            discard();
            return fail("cannot write " + options.out + ": " + why);
        }
        capture::VideoSettings& settings = options.video;
        settings.output = videoPartial;
        settings.fps = options.fps;
        settings.musicOffset = static_cast<double>(range.firstFrame) / options.fps;
        std::string why;
        std::string refusal;
        // A FIFO or a device would hold the recorder (and ffmpeg) in open.
        if (std::FILE* music = image::openRegularFile(musicPath.c_str(), refusal)) {
            std::fclose(music);
            if (platform::findProgram("ffmpeg").empty() || capture::musicDecodes(musicPath, why)) {
                settings.musicPath = musicPath;
            }
        } else {
            why = refusal.find("not a regular file") != std::string::npos ? "is not a regular file"
                                                                          : "is missing";
        }
        if (stopSignal != 0) {
            discard();
            fail("stopped before the first frame; nothing recorded");
            return 128 + stopSignal;
        }
        if (!why.empty()) {
            platform::report("%s %s; the video has no sound", musicPath.c_str(), why.c_str());
        }
        if (!video.open(settings)) {
            discard();
            return fail(video.error());
        }
    }

    Progress progress(expected);
    std::string writeError;
    // Like the show, the capture leaves its window and GL context to the end
    // of the process.
    auto& platform =
        *new capture::CapturePlatform(range, [&](std::int64_t index, const unsigned char* rgba) {
            const bool written =
                toFrames ? png.write(index, rgba, capture::kFrameWidth, capture::kFrameHeight)
                         : video.write(
                               rgba, std::size_t{capture::kFrameWidth} * capture::kFrameHeight * 4);
            if (!written) writeError = toFrames ? png.error() : video.error();
            progress.update(index + 1);
            return written;
        });
    platform.stopRequested = [] { return stopSignal != 0; };
    platform::setPlatform(&platform);
    show::FrameObservers observers;
    observers.add(platform);
    show::FrameRecord record;
    if (recordFile != nullptr) {
        observers.add(record);
        platform.frameKept = [&](std::int64_t frame) {
            std::fprintf(recordFile, "frame %lld %s\n", static_cast<long long>(frame),
                         record.line().c_str());
        };
    }
    app::WinMain(&observers);
    platform.finish();
    progress.update(platform.framesKept(), true);

    if (!toFrames && !video.close() && writeError.empty()) writeError = video.error();
    if (recordFile != nullptr && std::fclose(recordFile) != 0 && writeError.empty()) {
        writeError = "cannot write " + options.recordPath + ": " + std::strerror(errno);
    }
    recordFile = nullptr;
    // (ffmpeg fails too when it got no frame: the show is the cause.)
    if (platform.framesRendered() == 0) {
        discard();
        return fail("the show could not start; nothing recorded");
    }
    if (!writeError.empty()) {
        discard();
        fail(writeError);
        return stopSignal != 0 ? 128 + stopSignal : 1;
    }
    if (platform.framesKept() == 0) {
        discard();
        return fail("the show ended before --from; nothing recorded");
    }
    const double seconds = progress.elapsed();
    if (const int signal = stopSignal) {
        // What was recorded is whole and kept, but the user's names keep
        // what they held.
        std::string kept = toFrames ? options.framesFolder : videoPartial;
        if (!recordPartial.empty()) kept += " and " + recordPartial;
        platform::report("stopped by %s after %lld frames (%.3f s); kept in %s",
                         signal == SIGINT    ? "Ctrl-C"
                         : signal == SIGTERM ? "SIGTERM"
                                             : "a closed terminal",
                         static_cast<long long>(platform.framesKept()),
                         static_cast<double>(platform.framesKept()) / options.fps, kept.c_str());
        return 128 + signal;
    }
    if ((!videoPartial.empty() && !platform::replaceFile(videoPartial, options.out, writeError)) ||
        (!recordPartial.empty() &&
         !platform::replaceFile(recordPartial, options.recordPath, writeError))) {
        return fail(writeError);
    }
    // Speed counts every frame drawn, those before --from included.
    const double rendered = static_cast<double>(platform.framesRendered());
    platform::report(
        "%lld frames (%.3f s at %d fps) -> %s; %.1f frames/s, %.2fx "
        "real time",
        static_cast<long long>(platform.framesKept()),
        static_cast<double>(platform.framesKept()) / options.fps, options.fps,
        toFrames ? options.framesFolder.c_str() : options.out.c_str(), rendered / seconds,
        rendered / options.fps / seconds);
    return 0;
}
