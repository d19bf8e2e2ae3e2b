// Files read whole, and pictures placed in power-of-two textures, read back
// from GL.
#include "image/texture.h"

#include "image/file_buffer.h"
#include "tests/image/jpeg_samples.h"
#include "tests/support/test.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes texels(const image::Texture& texture) {
    Bytes out(static_cast<std::size_t>(texture.potWidth) * texture.potHeight * 4);
    glBindTexture(GL_TEXTURE_2D, texture.glName);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

TEST(Texture, PowerOfTwoSizesPaddingFiltersAndOneName) {
    // Size, power-of-two size, and the fractions of it the picture covers.
    for (const std::array<float, 6> c : {std::array<float, 6>{0, 0, 1, 1, 0, 0},
                                         {1, 1, 1, 1, 1, 1},
                                         {2, 3, 2, 4, 1, 0.75f},
                                         {513, 512, 1024, 512, 0.50097656f, 1}}) {
        image::Texture texture(7, 7);
        texture.setSize(int(c[0]), int(c[1]));
        EXPECT_EQ((std::array<float, 6>{float(texture.width), float(texture.height),
                                        float(texture.potWidth), float(texture.potHeight),
                                        texture.uExtent, texture.vExtent}),
                  c);
    }
    ASSERT_TRUE(test_support::openGlContext());
    image::Texture texture;
    Bytes pixels(3 * 2 * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i + 1);
    texture.upload(pixels.data(), 3, 2);
    const GLuint name = texture.glName;
    const Bytes got = texels(texture);
    ASSERT_EQ(got.size(), 4u * 2 * 4);
    for (std::size_t i = 0; i < got.size(); ++i) {
        const std::size_t x = i / 4 % 4, y = i / 16;  // transparent black right of the picture
        EXPECT_EQ(got[i], x < 3 ? pixels[(y * 3 + x) * 4 + i % 4] : 0) << i;
    }
    for (GLenum which : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) {
        GLint filter = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, which, &filter);
        EXPECT_EQ(filter, GL_LINEAR);
    }
    const Bytes square(2 * 2 * 4, 200);
    texture.upload(square.data(), 2, 2);
    EXPECT_TRUE(texture.glName == name && texels(texture) == square);
}

TEST(Texture, LoadsAFileOrTheEmptyPictureWithOneLine) {
    ASSERT_TRUE(test_support::openGlContext());
    const Bytes jpeg = test_jpeg::encode({.width = 20, .height = 13});
    const std::string path = testing::TempDir() + "streakshow_" + std::to_string(getpid()) + ".jpg";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    std::fwrite(jpeg.data(), 1, jpeg.size(), out);
    std::fclose(out);
    image::FileBuffer good(path.c_str());
    std::remove(path.c_str());
    ASSERT_EQ(good.size, static_cast<int>(jpeg.size()) + 1);
    EXPECT_TRUE(std::equal(jpeg.begin(), jpeg.end(), good.bytes) &&
                good.bytes[jpeg.size()] == 0xFF);
    image::Texture texture(512, 512);
    testing::internal::CaptureStderr();
    texture.loadJpeg(good);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const test_jpeg::Reference reference = test_jpeg::readReference(jpeg);
    ASSERT_EQ(texture.potWidth, 32);
    const Bytes got = texels(texture);
    for (std::size_t y = 0; y < 13; ++y) {
        EXPECT_TRUE(std::equal(got.begin() + y * 32 * 4, got.begin() + y * 32 * 4 + 20 * 4,
                               reference.exact.begin() + y * 20 * 4));
    }
    const GLuint name = texture.glName;

    good.bytes[3] = 0xC2;  // now progressive
    image::FileBuffer missing("no/such/file.jpg");
    EXPECT_TRUE(missing.size == 0 && missing.contents() == nullptr);
    for (const image::FileBuffer* file : {&missing, &good}) {
        testing::internal::CaptureStderr();
        texture.loadJpeg(*file);
        const std::string line = testing::internal::GetCapturedStderr();
        const std::string why = file == &missing ? "cannot open" : "progressive";
        EXPECT_EQ(line.find(std::string("streakshow: ") + file->path() + ": " + why), 0u) << line;
        EXPECT_EQ(line.find('\n'), line.size() - 1) << line;
        EXPECT_TRUE(texture.glName == name && texture.width == 0 && texture.potWidth == 1 &&
                    texture.uExtent == 0 && texture.vExtent == 0);
        EXPECT_EQ(texels(texture), Bytes(4, 0));
    }
}

}  // namespace
