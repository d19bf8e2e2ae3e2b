// Files read whole, and pictures in power-of-two textures, read back from GL.
#include "image/texture.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include "image/file_buffer.h"
#include "image/jpeg_decoder.h"
#include "tests/support/gl_recorder.h"
#include "tests/support/jpeg_samples.h"
#include "tests/support/test.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes texels(const image::Texture& texture) {
    Bytes out(static_cast<std::size_t>(texture.potWidth) * texture.potHeight * 4);
    glBindTexture(GL_TEXTURE_2D, texture.glName);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

TEST(Texture, HoldsAFileInAPowerOfTwoOrTheEmptyPictureWithOneLine) {
    // Size, power-of-two size, and the fractions of it the picture covers.
    using Row = std::array<float, 6>;
    for (const Row c : {Row{0, 0, 1, 1, 0, 0}, Row{1, 1, 1, 1, 1, 1}, Row{2, 3, 2, 4, 1, 0.75f},
                        Row{513, 512, 1024, 512, 0.50097656f, 1}}) {
        image::Texture t(7, 7);
        t.setSize(int(c[0]), int(c[1]));
        EXPECT_EQ((Row{float(t.width), float(t.height), float(t.potWidth), float(t.potHeight),
                       t.uExtent, t.vExtent}),
                  c);
    }

    ASSERT_TRUE(test_support::openGlContext());
    const Bytes jpeg = test_jpeg::encode({.width = 20, .height = 13});
    const std::string path = testing::TempDir() + "streakshow_" + std::to_string(getpid()) + ".jpg";
    test_jpeg::writeFile(path, jpeg);
    image::FileBuffer good(path.c_str());
    std::remove(path.c_str());
    ASSERT_EQ(good.size, static_cast<int>(jpeg.size()) + 1);
    EXPECT_EQ(Bytes(good.bytes, good.bytes + jpeg.size()), jpeg);
    EXPECT_EQ(good.bytes[jpeg.size()], 0xFF) << "a marker after the end";
    image::Texture texture(512, 512);
    testing::internal::CaptureStderr();
    texture.loadJpeg(good);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ((std::pair{texture.potWidth, texture.potHeight}), (std::pair{32, 16}));
    // The picture in the top-left corner, transparent black around it.
    const Bytes got = texels(texture), want = test_jpeg::readReference(jpeg).exact;
    for (std::size_t i = 0; i < got.size(); ++i) {
        const std::size_t x = i / 4 % 32, y = i / 128;
        ASSERT_EQ(got[i], x < 20 && y < 13 ? want[(y * 20 + x) * 4 + i % 4] : 0) << x << "," << y;
    }
    GLint filters[2] = {};
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filters[0]);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filters[1]);
    EXPECT_EQ((std::pair{filters[0], filters[1]}), (std::pair{GL_LINEAR, GL_LINEAR}));

    // A file that cannot be read or decoded, or a picture too big for the
    // GL's textures: the same name, one texel.
    const GLuint name = texture.glName;
    image::FileBuffer missing("no/such/file.jpg");
    EXPECT_EQ(missing.size, 0);
    EXPECT_EQ(missing.contents(), nullptr);
    // A FIFO named like a picture is refused at once, not waited on. (A
    // writer comes after 5 s to free a reader that waits in open.)
    const std::string fifo = path + ".fifo.jpg";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::atomic<bool> read = false;
    std::thread writer([&] {
        for (int i = 0; i < 100 && !read; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!read) close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    });
    const auto start = std::chrono::steady_clock::now();
    image::FileBuffer pipe(fifo.c_str());
    read = true;
    writer.join();
    std::remove(fifo.c_str());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    struct Case {
        const image::FileBuffer* file;
        GLint textureLimit;  // 0: the GL's own
        std::string why;
    };
    for (const Case& c :
         {Case{&good, 16,
               "too big for this GL's textures (32 by 16; it takes at "
               "most 16)"},
          Case{&missing, 0, "cannot open"}, Case{&pipe, 0, "cannot read: not a regular file"},
          Case{&good, 0, "progressive"}}) {
        if (c.why == "progressive") good.bytes[3] = 0xC2;
        test_support::glRecording().maxTextureSize = c.textureLimit;
        testing::internal::CaptureStderr();
        texture.loadJpeg(*c.file);
        test_support::glRecording().maxTextureSize = 0;
        const std::string line = testing::internal::GetCapturedStderr();
        const image::FileBuffer* file = c.file;
        const std::string& why = c.why;
        EXPECT_EQ(line.find(std::string("streakshow: ") + file->path() + ": " + why), 0u) << line;
        EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
        EXPECT_EQ((std::tuple{texture.glName, texture.width, texture.potWidth, texture.uExtent,
                              texture.vExtent}),
                  (std::tuple{name, 0, 1, 0.0f, 0.0f}));
        EXPECT_EQ(texels(texture), Bytes(4, 0));
    }

    // A side exactly at the GL's limit (or the decoder's, if lower) is taken;
    // with the limit halved, the same picture is one step above it.
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    const int side = std::min(int(largest), image::kMaxJpegSide);
    for (const auto& [width, height] : {std::pair{side, 8}, std::pair{8, side}}) {
        test_jpeg::writeFile(path, test_jpeg::encode({.width = width, .height = height}));
        const image::FileBuffer file(path.c_str());
        std::remove(path.c_str());
        for (const int limit : {side, side / 2}) {
            test_support::glRecording().maxTextureSize = limit == largest ? 0 : limit;
            testing::internal::CaptureStderr();
            texture.loadJpeg(file);
            test_support::glRecording().maxTextureSize = 0;
            const std::string line = testing::internal::GetCapturedStderr();
            GLint held[2] = {};
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &held[0]);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &held[1]);
            const bool fits = limit == side;
            EXPECT_EQ((std::tuple{held[0], held[1], line.empty()}),
                      (std::tuple{fits ? width : 1, fits ? height : 1, fits}))
                << width << " by " << height << " at " << limit << ": " << line;
        }
    }
}

// Pictures decoded on the prefetch's thread reach the texture, and the
// standard error, as the same pictures read when asked for: a good one, a
// missing one, a damaged one, one above the GL's limit (asked only at the
// upload), one above what any GL takes (left for the upload to decode) and a
// path that was never prefetched; a path named twice is taken twice, and a
// prefetched one never asked for is passed over.
TEST(Texture, PrefetchedPicturesLoadAsPicturesReadThen) {
    ASSERT_TRUE(test_support::openGlContext());
    const std::string stem = testing::TempDir() + "streakshow_prefetch_" + std::to_string(getpid());
    struct Case {
        std::string path;
        Bytes jpeg;  // none: no file
        GLint textureLimit = 0;
    };
    Bytes damaged = test_jpeg::encode({.width = 9, .height = 5});
    damaged[3] = 0xC2;
    std::vector<Case> cases = {
        {stem + "_a.jpg", test_jpeg::encode({.width = 20, .height = 13})},
        {stem + "_missing.jpg", {}},
        {stem + "_damaged.jpg", damaged},
        {stem + "_a.jpg", {}, 16},
        {stem + "_wide.jpg", test_jpeg::encode({.width = 4100, .height = 8})},
        {stem + "_a.jpg", {}},
    };
    const std::string unasked = stem + "_unasked.jpg";
    test_jpeg::writeFile(unasked, test_jpeg::encode({.width = 7, .height = 3}));
    for (const Case& c : cases) {
        if (!c.jpeg.empty()) test_jpeg::writeFile(c.path, c.jpeg);
    }
    const auto load = [&](bool prefetched) {
        std::vector<std::string> paths{unasked};
        for (const Case& c : cases) paths.push_back(c.path);
        paths.pop_back();  // the last is read when asked for
        std::optional<image::PicturePrefetch> prefetch;
        if (prefetched) prefetch.emplace(paths);
        std::vector<std::pair<Bytes, std::string>> loaded;
        for (const Case& c : cases) {
            image::Texture texture(512, 512);
            test_support::glRecording().maxTextureSize = c.textureLimit;
            testing::internal::CaptureStderr();
            if (prefetched) {
                texture.loadJpeg(c.path);
            } else {
                texture.loadJpeg(image::FileBuffer(c.path.c_str()));
            }
            test_support::glRecording().maxTextureSize = 0;
            loaded.emplace_back(texels(texture), testing::internal::GetCapturedStderr());
        }
        return loaded;
    };
    const auto wanted = load(false), got = load(true);
    for (const Case& c : cases) std::remove(c.path.c_str());
    std::remove(unasked.c_str());
    ASSERT_EQ(got.size(), wanted.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].second, wanted[i].second) << i;
        EXPECT_TRUE(got[i].first == wanted[i].first) << i << ": " << got[i].first.size();
    }
    // The cases mean what they say.
    EXPECT_EQ(wanted[0].first.size(), 32u * 16 * 4);
    EXPECT_EQ(wanted[4].first.size(), 8192u * 8 * 4);
    for (const std::size_t refused : {1, 2, 3}) EXPECT_NE(wanted[refused].second, "") << refused;
}

}  // namespace
