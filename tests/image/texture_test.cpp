#include "image/texture.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "image/file_buffer.h"
#include "image/jpeg_decoder.h"
#include "tests/image/jpeg_samples.h"
#include "tests/support/gl_test_context.h"

// The texture calls, counted on their way to the real GL (the test program
// is linked with --wrap for each).
namespace {
struct GlCalls {
    int genTextures = 0;
    int deleteTextures = 0;
    int other = 0;
    int total() const { return genTextures + deleteTextures + other; }
} calls;
}  // namespace

extern "C" {
void __real_glGenTextures(GLsizei n, GLuint* names);
void __real_glDeleteTextures(GLsizei n, const GLuint* names);
void __real_glBindTexture(GLenum target, GLuint name);
void __real_glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                         const void*);
void __real_glTexParameteri(GLenum, GLenum, GLint);

void __wrap_glGenTextures(GLsizei n, GLuint* names) {
    ++calls.genTextures;
    __real_glGenTextures(n, names);
}
void __wrap_glDeleteTextures(GLsizei n, const GLuint* names) {
    ++calls.deleteTextures;
    __real_glDeleteTextures(n, names);
}
void __wrap_glBindTexture(GLenum target, GLuint name) {
    ++calls.other;
    __real_glBindTexture(target, name);
}
void __wrap_glTexImage2D(GLenum target, GLint level, GLint internal, GLsizei width, GLsizei height,
                         GLint border, GLenum format, GLenum type, const void* pixels) {
    ++calls.other;
    __real_glTexImage2D(target, level, internal, width, height, border, format, type, pixels);
}
void __wrap_glTexParameteri(GLenum target, GLenum name, GLint value) {
    ++calls.other;
    __real_glTexParameteri(target, name, value);
}
}

namespace {

std::vector<unsigned char> texels(const image::Texture& texture) {
    std::vector<unsigned char> out(static_cast<std::size_t>(texture.potWidth) * texture.potHeight *
                                   4);
    glBindTexture(GL_TEXTURE_2D, texture.glName);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
    return out;
}

TEST(Texture, SizesAreTheSmallestPowersOfTwoWithTheirExtents) {
    calls = {};
    struct Case {
        int w, h, potW, potH;
        float u, v;
    };
    for (const Case& c : {Case{0, 0, 1, 1, 0.0f, 0.0f}, Case{1, 1, 1, 1, 1.0f, 1.0f},
                          Case{2, 3, 2, 4, 1.0f, 0.75f}, Case{640, 480, 1024, 512, 0.625f, 0.9375f},
                          Case{513, 512, 1024, 512, 0.50097656f, 1.0f}}) {
        image::Texture texture(7, 7);
        texture.setSize(c.w, c.h);
        EXPECT_EQ(texture.width, c.w);
        EXPECT_EQ(texture.potWidth, c.potW) << c.w;
        EXPECT_EQ(texture.potHeight, c.potH) << c.h;
        EXPECT_EQ(texture.uExtent, c.u) << c.w;
        EXPECT_EQ(texture.vExtent, c.v) << c.h;
    }
    const image::Texture standard;
    EXPECT_EQ(standard.potWidth, 512);
    EXPECT_FALSE(standard.hasName);
    // Made and released before any context, without a single GL call.
    EXPECT_EQ(calls.total(), 0);
}

TEST(Texture, PadsWithTransparentBlackAndKeepsOneName) {
    ASSERT_TRUE(test_support::openGlContext());
    calls = {};
    {
        image::Texture texture;
        std::vector<unsigned char> pixels(3 * 2 * 4);
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = static_cast<unsigned char>(i + 1);
        texture.upload(pixels.data(), 3, 2);
        ASSERT_TRUE(texture.hasName);
        EXPECT_EQ(texture.potWidth, 4);
        const std::vector<unsigned char> got = texels(texture);
        ASSERT_EQ(got.size(), 4u * 2 * 4);
        for (std::size_t i = 0; i < got.size(); ++i) {
            const std::size_t x = i / 4 % 4, y = i / 16;
            EXPECT_EQ(got[i], x < 3 ? pixels[(y * 3 + x) * 4 + i % 4] : 0) << i;
        }
        for (GLenum which : {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER}) {
            GLint filter = 0;
            glGetTexParameteriv(GL_TEXTURE_2D, which, &filter);
            EXPECT_EQ(filter, GL_LINEAR);
        }

        // A second picture replaces the first under the same name.
        const GLuint name = texture.glName;
        std::vector<unsigned char> square(2 * 2 * 4, 200);
        texture.upload(square.data(), 2, 2);
        EXPECT_EQ(texture.glName, name);
        EXPECT_EQ(texels(texture), square);
        EXPECT_EQ(calls.genTextures, 1);
    }
    EXPECT_EQ(calls.deleteTextures, 1);
}

TEST(Texture, LoadsAJpegOrTheEmptyPictureWithOneLine) {
    ASSERT_TRUE(test_support::openGlContext());
    test_jpeg::EncodeOptions options;
    options.width = 20;
    options.height = 13;
    const test_jpeg::Bytes jpeg = test_jpeg::encode(options);
    const std::string path = testing::TempDir() + "streakshow_texture.jpg";
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(jpeg.data(), 1, jpeg.size(), out);
    std::fclose(out);

    image::Texture texture(512, 512);
    const image::FileBuffer good(path.c_str());
    testing::internal::CaptureStderr();
    texture.loadJpeg(good);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(texture.width, 20);
    EXPECT_EQ(texture.potHeight, 16);
    image::DecodedPicture picture;
    std::string reason;
    ASSERT_TRUE(image::decodeJpeg(jpeg.data(), jpeg.size(), picture, reason));
    const std::vector<unsigned char> got = texels(texture);
    for (std::size_t y = 0; y < 13; ++y) {
        ASSERT_TRUE(std::equal(got.begin() + y * 32 * 4, got.begin() + y * 32 * 4 + 20 * 4,
                               picture.pixels.begin() + y * 20 * 4))
            << y;
    }
    const GLuint name = texture.glName;

    for (const char* bad : {"no/such/file.jpg", path.c_str()}) {
        image::FileBuffer file(bad);
        if (bad == path.c_str()) file.bytes[3] = 0xC2;  // now progressive
        testing::internal::CaptureStderr();
        texture.loadJpeg(file);
        const std::string message = testing::internal::GetCapturedStderr();
        EXPECT_EQ(message.rfind(std::string("streakshow: ") + bad + ": ", 0), 0u) << message;
        EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
        EXPECT_EQ(texture.width, 0);
        EXPECT_EQ(texture.uExtent, 0.0f);
        EXPECT_EQ(texture.glName, name);
        EXPECT_EQ(texels(texture), std::vector<unsigned char>(4, 0));
    }
    std::remove(path.c_str());
}

}  // namespace
