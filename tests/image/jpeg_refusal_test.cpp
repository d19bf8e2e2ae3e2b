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

bool decodes(const test_jpeg::Bytes& bytes, std::string* why = nullptr) {
    image::DecodedPicture picture;
    std::string reason;
    // An exact-size copy, so that AddressSanitizer catches any read past it.
    const test_jpeg::Bytes copy(bytes);
    const bool ok = image::decodeJpeg(copy.data(), copy.size(), picture, reason);
    EXPECT_EQ(ok, !reason.empty() ? false : ok);
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

    // 12-bit samples, as a baseline header and as an extended one.
    options.arithmetic = false;
    test_jpeg::Bytes twelve = test_jpeg::encode(options);
    std::size_t frame = 2;
    while (!(twelve[frame] == 0xFF && twelve[frame + 1] == 0xC0)) ++frame;
    twelve[frame + 4] = 12;
    EXPECT_FALSE(decodes(twelve, &why));
    twelve[frame + 1] = 0xC1;
    EXPECT_FALSE(decodes(twelve, &why));
}

// Every position where a segment starts in a whole file.
std::vector<std::size_t> segmentStarts(const test_jpeg::Bytes& bytes) {
    std::vector<std::size_t> starts;
    std::size_t at = 2;
    while (at + 4 <= bytes.size() && bytes[at] == 0xFF) {
        starts.push_back(at);
        const int marker = bytes[at + 1];
        if (marker == 0xDA) break;
        at += 2 + static_cast<std::size_t>((bytes[at + 2] << 8) | bytes[at + 3]);
    }
    return starts;
}

TEST(JpegRefusal, CutAtEverySegmentAndInsideTheData) {
    for (int scans : {1, 3}) {
        test_jpeg::EncodeOptions options;
        options.width = 48;
        options.height = 40;
        options.hFactor = 2;
        options.vFactor = 2;
        options.scans = scans;
        options.restartMcus = scans == 1 ? 0 : 2;
        const test_jpeg::Bytes whole = test_jpeg::encode(options);
        ASSERT_TRUE(decodes(whole));
        std::vector<std::size_t> cuts = segmentStarts(whole);
        for (std::size_t start : std::vector<std::size_t>(cuts)) {
            cuts.push_back(start + 1);  // inside the marker
            cuts.push_back(start + 5);  // inside the segment
        }
        // Every tenth byte through the data, and the bytes right before the end.
        for (std::size_t at = cuts.back(); at + 2 < whole.size(); at += 10) cuts.push_back(at);
        cuts.push_back(whole.size() - 3);
        for (std::size_t cut : cuts) {
            std::string why;
            EXPECT_FALSE(decodes(
                test_jpeg::Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)), &why))
                << "cut at " << cut << " of " << whole.size();
        }
    }
}

TEST(JpegRefusal, RandomBytesAndDamagedData) {
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        test_jpeg::Bytes noise(1 + random() % 2000);
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
    const test_jpeg::Bytes whole = test_jpeg::encode(options);
    for (int round = 0; round < 300; ++round) {
        test_jpeg::Bytes damaged = whole;
        for (int i = 0; i < 3; ++i) {
            damaged[random() % damaged.size()] = static_cast<std::uint8_t>(random());
        }
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

TEST(Jpeg2ppm, WritesAPpmOrSaysNo) {
    test_jpeg::EncodeOptions options;
    options.width = 9;
    options.height = 4;
    options.grey = true;
    const test_jpeg::Bytes jpeg = test_jpeg::encode(options);
    const std::string in = testing::TempDir() + "streakshow_in.jpg";
    const std::string out = testing::TempDir() + "streakshow_out.ppm";
    std::FILE* file = std::fopen(in.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(jpeg.data(), 1, jpeg.size(), file);
    std::fclose(file);
    ASSERT_EQ(runJpeg2ppm(in, out), 0);

    image::DecodedPicture picture;
    std::string reason;
    ASSERT_TRUE(image::decodeJpeg(jpeg.data(), jpeg.size(), picture, reason));
    file = std::fopen(out.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    char header[32] = {};
    ASSERT_EQ(std::fread(header, 1, 11, file), 11u);
    EXPECT_STREQ(header, "P6\n9 4\n255\n");
    unsigned char rgb[9 * 4 * 3];
    ASSERT_EQ(std::fread(rgb, 1, sizeof(rgb), file), sizeof(rgb));
    std::fclose(file);
    for (int i = 0; i < 9 * 4; ++i) {
        for (int c = 0; c < 3; ++c) EXPECT_EQ(rgb[3 * i + c], picture.pixels[4 * i]);  // grey
    }

    EXPECT_EQ(runJpeg2ppm(testing::TempDir() + "streakshow_missing.jpg", out), 2);
    file = std::fopen(in.c_str(), "wb");
    std::fwrite(jpeg.data(), 1, jpeg.size() / 2, file);
    std::fclose(file);
    EXPECT_EQ(runJpeg2ppm(in, out), 2);
    std::remove(in.c_str());
    std::remove(out.c_str());
}
#endif

}  // namespace
