// Files the decoder must refuse, whole or cut anywhere, without reading
// outside them; and jpeg2ppm's exit status.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "image/jpeg_decoder.h"
#include "tests/image/jpeg_samples.h"

namespace {

using test_jpeg::Bytes;

// Decodes an exact-size copy, so that AddressSanitizer catches any read past it.
bool decodes(const Bytes& bytes, std::string* why = nullptr) {
    image::DecodedPicture picture;
    std::string reason;
    const Bytes copy(bytes);
    const bool ok = image::decodeJpeg(copy.data(), copy.size(), picture, reason);
    EXPECT_EQ(ok, reason.empty()) << reason;
    if (why != nullptr) *why = reason;
    return ok;
}

TEST(JpegRefusal, OtherKindsOfJpeg) {
    test_jpeg::EncodeOptions options;
    options.width = 40;
    options.height = 30;
    options.progressive = true;
    std::string why;
    EXPECT_FALSE(decodes(test_jpeg::encode(options), &why));
    EXPECT_EQ(why, "progressive JPEG is not supported");
    options.progressive = false;
    options.arithmetic = true;
    EXPECT_FALSE(decodes(test_jpeg::encode(options), &why));
    EXPECT_EQ(why, "arithmetic-coded JPEG is not supported");
}

TEST(JpegRefusal, CutAnywhereBeforeTheLastDataByte) {
    // Every segment's marker, header and body, every scan and restart.
    for (int scans : {1, 3}) {
        test_jpeg::EncodeOptions options;
        options.width = 48;
        options.height = 40;
        options.hFactor = 2;
        options.vFactor = 2;
        options.scans = scans;
        options.restartMcus = scans == 1 ? 0 : 2;
        const Bytes whole = test_jpeg::encode(options);
        ASSERT_TRUE(decodes(whole));
        for (std::size_t cut = 0; cut + 2 < whole.size(); ++cut) {
            EXPECT_FALSE(decodes(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut))))
                << "cut at " << cut << " of " << whole.size();
        }
        // Without its end-of-image marker the picture is whole.
        EXPECT_TRUE(decodes(Bytes(whole.begin(), whole.end() - 2)));
    }
}

TEST(JpegRefusal, RandomBytesAndDamagedData) {
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        Bytes noise(1 + random() % 2000);
        for (auto& b : noise) b = static_cast<std::uint8_t>(random());
        EXPECT_FALSE(decodes(noise));
    }
    // Flipped bytes in a real file: refused or decoded, never out of bounds
    // (AddressSanitizer and UBSan watch).
    test_jpeg::EncodeOptions options;
    options.width = 50;
    options.height = 37;
    options.hFactor = 2;
    options.restartMcus = 4;
    const Bytes whole = test_jpeg::encode(options);
    for (int round = 0; round < 300; ++round) {
        Bytes damaged = whole;
        for (int i = 0; i < 3; ++i)
            damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
        decodes(damaged);
    }
}

#ifdef STREAKSHOW_JPEG2PPM
int runJpeg2ppm(const std::string& in, const std::string& out) {
    const std::string command =
        std::string(STREAKSHOW_JPEG2PPM) + " '" + in + "' '" + out + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void writeFile(const std::string& path, const Bytes& bytes, std::size_t length) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(bytes.data(), 1, length, file);
    std::fclose(file);
}

TEST(Jpeg2ppm, WritesAPpmOrSaysNo) {
    test_jpeg::EncodeOptions options;
    options.width = 9;
    options.height = 4;
    options.grey = true;
    const Bytes jpeg = test_jpeg::encode(options);
    const std::string in = testing::TempDir() + "streakshow_in.jpg";
    const std::string out = testing::TempDir() + "streakshow_out.ppm";
    writeFile(in, jpeg, jpeg.size());
    ASSERT_EQ(runJpeg2ppm(in, out), 0);

    image::DecodedPicture picture;
    std::string reason;
    ASSERT_TRUE(image::decodeJpeg(jpeg.data(), jpeg.size(), picture, reason));
    std::FILE* file = std::fopen(out.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char header[12] = {};
    unsigned char rgb[9 * 4 * 3];
    const bool read = std::fread(header, 1, 11, file) == 11 &&
                      std::fread(rgb, 1, sizeof(rgb), file) == sizeof(rgb);
    std::fclose(file);
    ASSERT_TRUE(read);
    EXPECT_STREQ(header, "P6\n9 4\n255\n");
    for (int i = 0; i < 9 * 4 * 3; ++i) EXPECT_EQ(rgb[i], picture.pixels[4 * (i / 3)]);  // grey

    EXPECT_EQ(runJpeg2ppm(testing::TempDir() + "streakshow_missing.jpg", out), 2);
    writeFile(in, jpeg, jpeg.size() / 2);
    EXPECT_EQ(runJpeg2ppm(in, out), 2);
    std::remove(in.c_str());
    std::remove(out.c_str());
}
#endif

}  // namespace
