// The capture program from outside: frame counts, sameness with the show's
// own frames, determinism, the video file, and its errors.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/show_main.h"
#include "platform/sdl_platform.h"
#include "tests/support/scripted_platform.h"

namespace fs = std::filesystem;

namespace {

std::string binary(const std::string& name) {
    return std::string(std::getenv("STREAKSHOW_BINARY_DIR")) + "/tools/" + name;
}

struct Outcome {
    int status;
    std::string output;  // standard error and standard output together
};

Outcome run(const std::string& command) {
    Outcome result{-1, {}};
    std::FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) return result;
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, n);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

Picture readPng(const fs::path& path) {
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr);
    return picture;
}

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A scratch folder holding the repository's data (when made) as dorva/.
class CaptureTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "streakshow-capture-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        const fs::path data = fs::path(std::getenv("STREAKSHOW_SOURCE_DIR")) / "dorva";
        if (fs::exists(data)) fs::create_directory_symlink(data, folder / "dorva");
        previous = fs::current_path();
        fs::current_path(folder);
    }
    void TearDown() override {
        fs::current_path(previous);
        fs::remove_all(folder);
    }
    Outcome capture(const std::string& arguments) {
        return run("cd " + folder.string() + " && " + binary("streakshow-capture") + " " +
                   arguments);
    }
    fs::path folder;
    fs::path previous;
};

// The show's own code, run in this process on the same counter readings as
// the capture: start-up at 1000 ms, frame k at 1000 + k * 1000 / fps.
class ReferenceShow : public test_support::ScriptedPlatform {
  public:
    explicit ReferenceShow(int fps) : fps_(fps) {
        now = 1000;
        onPump = [this](ScriptedPlatform& p) {
            p.now = 1000 + static_cast<std::uint32_t>((p.pumps - 1) * 1000 / fps_);
            if (p.pumps == lastFrame) p.queueMessage(platform::WM_CLOSE);
        };
    }
    void swapBuffers(platform::WindowHandle window) override {
        std::vector<unsigned char> rgba(1024 * 768 * 4);
        glReadPixels(0, 0, 1024, 768, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
        Picture frame{1024, 768, std::vector<unsigned char>(1024 * 768 * 3)};
        for (int y = 0; y < 768; ++y) {
            for (int x = 0; x < 1024; ++x) {
                for (int c = 0; c < 3; ++c) {
                    frame.rgb[(y * 1024 + x) * 3 + c] = rgba[((767 - y) * 1024 + x) * 4 + c];
                }
            }
        }
        frames.push_back(std::move(frame));
        ScriptedPlatform::swapBuffers(window);
    }
    int lastFrame = 0;
    std::vector<Picture> frames;

  private:
    int fps_;
};

}  // namespace

TEST_F(CaptureTest, FramesAreTheShowsOwnFramesForTheSameCounterReadings) {
    fs::create_directory("frames");
    const Outcome result = capture("--fps 30 --seconds 2 --frames frames");
    ASSERT_EQ(result.status, 0) << result.output;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator("frames")) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_EQ(files.size(), 60u) << "two seconds at 30 frames a second";
    EXPECT_EQ(files.front().filename(), "frame_000000.png");

    ReferenceShow reference(30);
    reference.lastFrame = 60;
    ASSERT_EQ(app::WinMain(), 0);
    ASSERT_EQ(reference.frames.size(), 60u);
    for (const std::size_t k : {std::size_t{0}, std::size_t{1}, std::size_t{31}, std::size_t{59}}) {
        SCOPED_TRACE(k);
        const Picture captured = readPng(files[k]);
        ASSERT_EQ(captured.width, 1024);
        ASSERT_EQ(captured.height, 768);
        EXPECT_TRUE(captured.rgb == reference.frames[k].rgb);
    }
}

TEST_F(CaptureTest, TwoCapturesOfTheSameRangeAreIdentical) {
    fs::create_directory("a");
    fs::create_directory("b");
    ASSERT_EQ(capture("--fps 20 --from 5.5 --seconds 1 --frames a").status, 0);
    ASSERT_EQ(capture("--fps 20 --from 5.5 --seconds 1 --frames b").status, 0);
    int compared = 0;
    for (const auto& entry : fs::directory_iterator("a")) {
        ASSERT_EQ(slurp(entry.path()), slurp(fs::path("b") / entry.path().filename()))
            << entry.path().filename();
        ++compared;
    }
    EXPECT_EQ(compared, 20);
}

TEST_F(CaptureTest, TheVideoHasTheShowsFramesAndItsMusic) {
    if (run("command -v ffprobe").status != 0) GTEST_SKIP() << "no ffprobe";
    // A music file of its own, so that the test does not depend on the data.
    fs::remove("dorva");
    fs::create_directory("dorva");
    ASSERT_EQ(run("ffmpeg -loglevel error -f lavfi -i sine=frequency=220:duration=5 "
                  "dorva/vindu-tarok.mp3")
                  .status,
              0);
    const Outcome result = capture("--fps 30 --seconds 2 --out show.mp4");
    ASSERT_EQ(result.status, 0) << result.output;
    const Outcome probe =
        run("ffprobe -v error -count_frames -select_streams v:0 -show_entries "
            "stream=nb_read_frames,width,height -of csv=p=0 show.mp4");
    EXPECT_EQ(probe.output, "1024,768,60\n");
    const Outcome audio = run(
        "ffprobe -v error -select_streams a -show_entries stream=codec_name -of csv=p=0 show.mp4");
    EXPECT_EQ(audio.output, "aac\n");
    const Outcome duration =
        run("ffprobe -v error -show_entries format=duration -of csv=p=0 show.mp4");
    EXPECT_NEAR(std::atof(duration.output.c_str()), 2.0, 0.1);
}

TEST_F(CaptureTest, BadRequestsGetOneLineAndANonZeroExit) {
    struct Case {
        std::string arguments;
        std::string says;
    };
    const Case cases[] = {
        {"--fps 0", "--fps"},
        {"--fps sixty", "--fps"},
        {"--seconds -1", "--seconds"},
        {"--from", "missing value"},
        {"--loud yes", "unknown option --loud"},
        {"--frames no/such/folder", "no folder no/such/folder"},
        {"--out no/such/folder/show.mp4", "cannot write no/such/folder/show.mp4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        const Outcome result = capture(c.arguments);
        EXPECT_NE(result.status, 0);
        EXPECT_NE(result.output.find(c.says), std::string::npos) << result.output;
        EXPECT_EQ(result.output.find("streakshow-capture: "), 0u) << result.output;
    }
    const Outcome noFfmpeg = run("cd " + folder.string() + " && PATH=/nonexistent " +
                                 binary("streakshow-capture") + " --seconds 1");
    EXPECT_NE(noFfmpeg.status, 0);
    EXPECT_NE(noFfmpeg.output.find("ffmpeg not found"), std::string::npos) << noFfmpeg.output;
}

TEST_F(CaptureTest, TheDefaultDataDecodesWithTheShowsDecoderAndTheMusicOpens) {
    if (!fs::exists("dorva/zim.jpg")) GTEST_SKIP() << "no data; tools/make-data.sh makes it";
    const char* pictures[] = {"zim.jpg",
                              "daved_06smaller.jpg",
                              "daved_09smaller.jpg",
                              "daved_08smaller.jpg",
                              "daved_07smaller.jpg",
                              "daved_03smaller.jpg",
                              "daved_10smaller.jpg"};
    for (const char* name : pictures) {
        SCOPED_TRACE(name);
        const Outcome decoded =
            run(binary("jpeg2ppm") + " dorva/" + name + " " + (folder / "out.ppm").string());
        EXPECT_EQ(decoded.status, 0) << decoded.output;
        EXPECT_GT(fs::file_size(folder / "out.ppm"), 640u * 480u);
    }
    platform::SdlPlatform sound(platform::SdlPlatform::Options{.offscreen = true});
    sound.startSoundSystem(1);
    sound.openMusicStream("dorva/vindu-tarok.mp3");
    EXPECT_TRUE(sound.hasMusic());
}
