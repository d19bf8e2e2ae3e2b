// The capture program run from outside, its frames against the show's own.
#include <map>
#include <sstream>

#include "app/show_main.h"
#include "show/frame_composer.h"
#include "show/frame_record.h"
#include "show/streak_painter.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/test.h"

namespace fs = std::filesystem;

namespace {

std::string run(const std::string& command, int* status = nullptr) {
    std::string out;
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    for (int c = 0; (c = std::fgetc(pipe)) != EOF;) out += static_cast<char>(c);
    const int code = pclose(pipe);
    if (status != nullptr) *status = WIFEXITED(code) ? WEXITSTATUS(code) : -1;
    return out;
}

// Not a terminal: no bar redrawn, a line every tenth of the way.
bool plain(const std::string& log) {
    return log.find('\r') > log.size() && std::ranges::count(log, '\n') <= 12;
}

// In a scratch folder, with the build's data (when made) as dorva/.
class CaptureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string folder = (fs::temp_directory_path() / "streakshow-capture-XXXXXX").string();
        ASSERT_NE(mkdtemp(folder.data()), nullptr);
        fs::current_path(folder);
        run("[ -d $STREAKSHOW_BINARY_DIR/dorva ] && ln -s $STREAKSHOW_BINARY_DIR/dorva dorva");
    }
    void TearDown() override { fs::remove_all(fs::current_path()); }
    std::string capture(const std::string& arguments, const char* before = "") {
        // (The leak checker's table of suppressions would add lines to the log.)
        return run(std::string(before) + " LSAN_OPTIONS=$LSAN_OPTIONS:print_suppressions=0 " +
                       "$STREAKSHOW_BINARY_DIR/recorder/streakshow-capture " + arguments,
                   &status);
    }
    int status = -1;
};

// The show drawn here by GL, all quads sent (as for a record), on the capture's clock: the first
// frame (RGB) of each scene state: 0 face, 1 ring (and face), 2|3 boxes.
struct FullDrawing : test_support::ScriptedPlatform {
    FullDrawing() {
        now = 1000;
        onPump = [](ScriptedPlatform& p) {  // 100 frames at 5 a second
            if ((p.now = 1000 + 200 * (p.pumps - 1)) == 20800)
                p.queueEvent(platform::WindowEvent::close);
        };
    }
    void swapBuffers(platform::WindowHandle window) override {
        const int scenes = show::ringOn + 2 * show::boxesOn;
        if (!firstOf.contains(scenes)) {
            auto& frame = firstOf[scenes] = {swaps, std::string(1024 * 768 * 3, '\0')};
            glReadPixels(0, 0, 1024, 768, GL_RGB, GL_UNSIGNED_BYTE, frame.second.data());
        }
        ScriptedPlatform::swapBuffers(window);
    }
    std::map<int, std::pair<int, std::string>> firstOf;  // (frame, pixels)
};

}  // namespace

TEST_F(CaptureTest, FramesWithEachSceneAreTheShowsFullDrawingAndCapturesAgree) {
    const std::string log = capture("--fps 5 --seconds 20 --frames a");
    EXPECT_EQ(log.find("unlike"), std::string::npos) << "the streaks were painted: " << log;
    EXPECT_NE(capture("--fps=5 --from=16 --seconds 2 --frames b --data /tmp")
                  .find("--data /tmp: the dorva/ folder in the working directory comes first"),
              std::string::npos);
    EXPECT_EQ(run("ls a | wc -l; ls b | wc -l"), "100\n10\n");
    EXPECT_EQ(run("for k in 0 1 2 3 4 5 6 7 8 9; do cmp b/*0$k.png a/*8$k.png; done"), "");
    FullDrawing full;
    show::FrameRecord record;
    ASSERT_EQ(app::WinMain(&record), 0);
    for (const auto& [scenes, frame] : full.firstOf) {
        const std::string png = "a/frame_0000" + std::to_string(100 + frame.first).substr(1);
        EXPECT_TRUE(run("ffmpeg -v error -i " + png +
                        ".png -vf vflip -f rawvideo -pix_fmt rgb24 -") == frame.second)
            << png;
    }
    EXPECT_GE(full.firstOf.size(), 3u) << "frames with the face, the ring and the boxes";
}

TEST_F(CaptureTest, TheVideoCarriesTheMusicADamagedOneGivesSilenceAndALogStaysPlain) {
    run("rm dorva; mkdir dorva; ln -s $STREAKSHOW_BINARY_DIR/dorva/*.jpg dorva; ffmpeg -v error "
        "-f lavfi -i sine=duration=5 dorva/vindu-tarok.mp3");
    const auto probe = [](const std::string& file) {
        return run(
            "ffprobe -v error -count_frames -of csv=p=0 -show_entries stream=codec_name,"
            "width,height,nb_read_frames:format=duration " +
            file + " | sed -E 's/^aac,.*/aac/; s/^([0-9]+[.][0-9]).*/\\1/'");
    };
    const std::string log = capture("--fps 30 --seconds 2 --out show.mp4");
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(plain(log)) << log;
    EXPECT_EQ(probe("show.mp4"), "h264,1024,768,60\naac\n2.0\n");
    capture("--fps 30 --seconds 2 --out again.mp4");
    EXPECT_EQ(run("cmp show.mp4 again.mp4"), "") << "two captures are identical";

    run("head -c 100000 /dev/urandom > dorva/vindu-tarok.mp3");
    const std::string silent = capture("--fps 30 --seconds 1 --out silent.mp4");
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(plain(silent)) << silent;
    EXPECT_EQ(probe("silent.mp4"), "h264,1024,768,30\n1.0\n");
    const std::size_t says = silent.find("vindu-tarok.mp3");
    EXPECT_NE(says, std::string::npos) << silent;
    EXPECT_EQ(says, silent.rfind("vindu-tarok.mp3")) << silent;
}

TEST_F(CaptureTest, BadRequestsGetOneLineAndLeaveTheEarlierFilesAsTheyWere) {
    run("echo earlier > streakshow.mp4; echo earlier > rec.txt; mkdir d.mp4 old; mkfifo fifo; "
        "ln -s rec.txt link; echo earlier > old/frame_000000.png");
    // Each case: what runs first (a limit on file sizes stands in for a full
    // disk), the arguments, what the one line says, and the exit status (2
    // for a request refused as it stands).
    std::istringstream cases(
        "|--fps 0|--fps|2\n|--fps sixty|--fps|2\n|--seconds -1|--seconds|2\n|--crf 52|--crf|2\n"
        "|--seconds 1e300|--seconds|2\n|--from 73.5|--from|2\n"
        "|--preset quick|--preset|2\n|--from|--from needs a value|2\n"
        "|--loud yes|unknown option '--loud'|2\n"
        "|--frames streakshow.mp4/x|cannot make the folder streakshow.mp4/x|1\n"
        "|--out no/such/folder/show.mp4|cannot write no/such/folder/show.mp4|1\n"
        "|--record no/such/folder/rec.txt|cannot write no/such/folder/rec.txt|1\n"
        "PATH=/nonexistent|--seconds 1 --record rec.txt|ffmpeg not found|1\n"
        "SDL_VIDEODRIVER=none|--seconds 1 --record rec.txt|the show could not start|1\n"
        "|--out video|--out takes a video file|2\n|--out d.mp4/|--out takes a video file|2\n"
        "|--out d.mp4|cannot write d.mp4: not a regular file|1\n"
        "|--out ./rec.txt.mp4 --record old/../rec.txt.mp4|--record and --out name the same|2\n"
        "|--record fifo|cannot write fifo: not a regular file|1\n"
        "|--record link|cannot write link: not a regular file|1\n"
        "|--frames old|old already holds the frames of an earlier run|1\n"
        "mkdir frames; trap '' XFSZ; ulimit -f 100;|--seconds 0.5 --frames frames|"
        "cannot write frames/frame_000000.png: File too large|1\n"
        "trap '' XFSZ; ulimit -f 100;|--fps 30 --seconds 2 --out streakshow.mp4||1\n");
    for (std::string before, arguments, says, code;
         getline(cases, before, '|') && getline(cases, arguments, '|') &&
         getline(cases, says, '|') && getline(cases, code);) {
        const std::string out = capture("--fps 10 --seconds 0.1 " + arguments, before.c_str());
        EXPECT_EQ(status, std::stoi(code)) << arguments;
        EXPECT_NE(out.find("streakshow-capture: " + says), std::string::npos) << out;
    }
    EXPECT_EQ(run("cat streakshow.mp4 rec.txt old/*; ls -F; ls d.mp4; ls frames"),
              "earlier\nearlier\nearlier\nd.mp4/\ndorva@\nfifo|\nframes/\nlink@\nold/\n"
              "rec.txt\nstreakshow.mp4\n")
        << "the earlier files as they were, and nothing else left";
}

// Names that an earlier run kept, or someone else planted, beside the output
// are never written through nor taken; with --overwrite the earlier frames
// go, and a failed run removes the frames it wrote.
TEST_F(CaptureTest, OnlyWhatThisRunMadeIsWrittenOrRemoved) {
    run("echo victim > victim.txt; ln -s victim.txt show.partial.mp4; echo kept > "
        "rec.partial.txt; mkdir -p f/frame_000002.png; echo old > f/frame_000009.png");
    std::string out = capture("--fps 10 --seconds 0.2 --out show.mp4 --record rec.txt");
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(run("cat victim.txt rec.partial.txt; readlink show.partial.mp4; wc -l < rec.txt; "
                  "find show.mp4 -type f; ls | grep -c partial"),
              "victim\nkept\nvictim.txt\n2\nshow.mp4\n2\n");
    out = capture("--fps 10 --seconds 0.5 --frames f --overwrite");
    EXPECT_EQ(status, 1);
    EXPECT_NE(out.find("cannot write f/frame_000002.png: File exists"), std::string::npos) << out;
    EXPECT_EQ(run("ls f"), "frame_000002.png\n");
}

// Ctrl-C to the recorder's process group, as a terminal sends it: the video
// so far is finished and kept beside the earlier one, which stays.
TEST_F(CaptureTest, CtrlCKeepsAPlayableVideoOfTheFramesSoFar) {
    run("echo earlier > show.mp4");
    const std::string out = capture(
        "--fps 30 --out show.mp4 2>&1 & job=$!; for i in $(seq 600); do "
        "[ $(stat -c %s show.partial-*.mp4 2>/dev/null || echo 0) -gt 200000 ] && break; sleep "
        "0.1; "
        "done; kill -s INT -- -$job; wait $job; echo status $?",
        "setsid env");
    EXPECT_NE(out.find("stopped by Ctrl-C after"), std::string::npos) << out;
    EXPECT_NE(out.find("status 130"), std::string::npos) << out;
    EXPECT_EQ(run("cat show.mp4"), "earlier\n");
    const std::string frames =
        run("ffprobe -v error -count_frames -select_streams v -of csv=p=0 -show_entries "
            "stream=nb_read_frames show.partial-*.mp4");
    EXPECT_GT(std::atoi(frames.c_str()), 0) << frames;
}

// An ffmpeg that stops reading (here one that sleeps), in the music check or
// once a frame has begun: the first SIGTERM ends the recorder within 2 s, a second
// Ctrl-C at once, and neither leaves ffmpeg running nor a partial video.
TEST_F(CaptureTest, AStoppedFfmpegHoldsNothingUpAndIsEnded) {
    run("mkdir bin; printf '#!/bin/sh\\ncase \"$*\" in *\" -\") [ -e music ] || exit 0;; esac\\n"
        "head -c 9 >/dev/null; echo $$ > pid; exec sleep 600 >/dev/null 2>&1\\n' > bin/ffmpeg; "
        "chmod +x "
        "bin/ffmpeg");
    // Each case: where the stand-in hangs, the signals (0.3 s apart), the
    // exit status and the most milliseconds from the last signal to the end
    // (waiting the 5 s given to a fed ffmpeg, or for ever, is the fault; a
    // loaded machine's slower exit is not).
    std::istringstream cases(
        "music|TERM|143|3500\nframes|TERM|143|3500\nframes|INT INT|130|3000\n");
    for (std::string hang, signals, code, most;
         getline(cases, hang, '|') && getline(cases, signals, '|') && getline(cases, code, '|') &&
         getline(cases, most);) {
        const std::string out = capture(
            "--fps 10 --out s.mp4 & job=$!; for i in $(seq 300); do [ -e pid ] && break; sleep "
            "0.1; done; for s in " +
                signals +
                "; do sleep 0.3; kill -s $s $job; done; "
                "t=$(date +%s%N); wait $job; echo status $? ms $((($(date +%s%N) - t) / 1000000)); "
                "sleep 0.2; ps -o stat= -p $(cat pid) | grep -qv Z && echo ffmpeg left; ls | grep "
                "partial; kill -9 $(cat pid); rm pid",
            // (The leak check at exit takes a second of its own.)
            (std::string(hang == "music" ? "touch music;" : "rm -f music;") +
             " PATH=$PWD/bin:$PATH ASAN_OPTIONS=$ASAN_OPTIONS:detect_leaks=0 timeout -k 5 20 env")
                .c_str());
        const auto at = out.find("status " + code + " ms ");
        ASSERT_NE(at, std::string::npos) << hang << signals << out;
        EXPECT_LE(std::atoi(out.c_str() + at + 14), std::stoi(most)) << hang << signals << out;
        EXPECT_EQ(out.find("ffmpeg left"), std::string::npos) << out;
        EXPECT_EQ(out.find(".partial"), std::string::npos) << out;
    }
}

// x = 320.313721 lands half a step of the 1/256-pixel grid past pixel 512's
// centre: x86-64 Mesa snaps it onto the centre (a right edge: the pixel is
// out), Debian's 32-bit Mesa past it (the pixel is in).
TEST(StreakPainter, SnapsHalfWayCornersAsEitherMesaBuildDoes) {
    const std::vector<show::StreakQuad> quad = {{316, 10, 320.313721f, 12, 255, 255, 255}};
    std::vector<unsigned char> even(1024 * 768 * 4), away(even.size());
    show::paintStreaks(quad, even.data(), show::GridRule::toEven);
    show::paintStreaks(quad, away.data(), show::GridRule::awayFromZero);
    int rows = 0;
    for (std::size_t i = 0; i < even.size(); i += 4) {
        const auto x = i / 4 % 1024;
        EXPECT_EQ(away[i] - even[i], x == 512 && away[i - 4] != 0 ? 255 : 0)
            << x << "," << i / 4096;
        rows += x == 511 && even[i] != 0;
    }
    EXPECT_EQ(rows, 3) << "the quad is 2 units, 3.2 pixels, high";
}

#if defined(__SANITIZE_ADDRESS__)
// A picture whose texture cannot be had (the allocator here gives at most
// 128 MiB at once; 4097 pixels a side need 256 MiB) is refused like a bad
// file, and the show goes on.
TEST_F(CaptureTest, APictureWithoutMemoryIsRefusedInOneLine) {
    run("rm dorva; mkdir dorva; ln -s $STREAKSHOW_BINARY_DIR/dorva/* dorva; rm dorva/zim.jpg; "
        "ppmmake grey 4097 4097 | cjpeg > dorva/zim.jpg");
    const std::string log = capture(
        "--fps 10 --seconds 0.2 --frames .",
        "ASAN_OPTIONS=$ASAN_OPTIONS:allocator_may_return_null=1:max_allocation_size_mb=128");
    EXPECT_EQ(status, 0) << log;
    EXPECT_NE(
        log.find(
            "streakshow-capture: dorva/zim.jpg: not enough memory for its 8192 by 8192 texture "
            "(256 MiB)\n"),
        std::string::npos)
        << log;
    EXPECT_TRUE(fs::exists("frame_000001.png"));
}
#endif
