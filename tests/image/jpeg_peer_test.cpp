// The decoder beside libjpeg-turbo (float IDCT, plain replication) on files
// that libjpeg-turbo writes. We truncate where it rounds, so ours minus
// theirs lies in a small one-sided band per channel.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "image/jpeg_decoder.h"
#include "tests/image/jpeg_samples.h"

namespace {

using test_jpeg::EncodeOptions;

void expectCloseToReference(const EncodeOptions& options, const std::string& name) {
    SCOPED_TRACE(name + " " + std::to_string(options.width) + "x" + std::to_string(options.height));
    const test_jpeg::Bytes jpeg = test_jpeg::encode(options);
    // The file is what the case says: its scans and restart markers.
    int scans = 0, restarts = 0;
    for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) {
        if (jpeg[i] != 0xFF) continue;
        scans += jpeg[i + 1] == 0xDA;
        restarts += jpeg[i + 1] >= 0xD0 && jpeg[i + 1] <= 0xD7;
    }
    EXPECT_EQ(scans, options.grey ? 1 : options.scans);
    if (options.restartRows > 0 || options.restartMcus > 0) {
        EXPECT_GT(restarts, 0);
    }

    test_jpeg::Reference theirs;
    ASSERT_TRUE(test_jpeg::referenceDecode(jpeg, theirs));
    image::DecodedPicture ours;
    std::string reason;
    ASSERT_TRUE(image::decodeJpeg(jpeg.data(), jpeg.size(), ours, reason)) << reason;
    ASSERT_EQ(ours.width, theirs.width);
    ASSERT_EQ(ours.height, theirs.height);
    ASSERT_EQ(ours.componentCount, theirs.components);
    const bool grey = theirs.components == 1;
    // Ours minus theirs, low and high, for R, G, B.
    const int bands[3][2] = {
        {grey ? -1 : -3, 0}, {grey ? -1 : -2, grey ? 0 : 1}, {grey ? -1 : -4, 0}};
    long long absolute[3] = {};
    const std::size_t pixels = static_cast<std::size_t>(ours.width) * ours.height;
    for (std::size_t i = 0; i < pixels; ++i) {
        ASSERT_EQ(ours.pixels[4 * i + 3], 255);
        for (int c = 0; c < 3; ++c) {
            const int difference =
                ours.pixels[4 * i + c] - theirs.samples[i * theirs.components + (grey ? 0 : c)];
            ASSERT_GE(difference, bands[c][0]) << "pixel " << i << " channel " << c;
            ASSERT_LE(difference, bands[c][1]) << "pixel " << i << " channel " << c;
            absolute[c] += std::abs(difference);
        }
    }
    if (pixels >= 64 * 64) {
        for (int c = 0; c < 3; ++c) EXPECT_LE(static_cast<double>(absolute[c]) / pixels, 2.0) << c;
    }
}

struct Sampling {
    const char* name;
    bool grey;
    int h, v;
};

const Sampling kSamplings[] = {
    {"grey", true, 1, 1},   {"4:4:4", false, 1, 1}, {"4:2:2", false, 2, 1},  {"4:2:0", false, 2, 2},
    {"4:4:0", false, 1, 2}, {"4:1:1", false, 4, 1}, {"grey 2x2", true, 2, 2}};

EncodeOptions sampled(const Sampling& s, int width, int height) {
    EncodeOptions options;
    options.width = width;
    options.height = height;
    options.grey = s.grey;
    options.hFactor = s.h;
    options.vFactor = s.v;
    return options;
}

TEST(JpegPeer, EverySamplingAndSize) {
    for (const Sampling& s : kSamplings) {
        for (auto [w, h] : {std::pair{1, 1}, {7, 5}, {20, 13}, {33, 17}, {641, 479}})
            expectCloseToReference(sampled(s, w, h), s.name);
    }
}

TEST(JpegPeer, RestartIntervals) {
    for (const Sampling& s : kSamplings) {
        for (auto [rows, mcus] : {std::pair{1, 0}, {2, 0}, {0, 5}}) {
            EncodeOptions options = sampled(s, 100, 70);
            options.restartRows = rows;
            options.restartMcus = mcus;
            expectCloseToReference(options, std::string(s.name) + " restart rows " +
                                                std::to_string(rows) + " MCUs " +
                                                std::to_string(mcus));
        }
    }
}

TEST(JpegPeer, SeveralScansOptimizedTablesAndQualities) {
    for (const Sampling& s : kSamplings) {
        if (!s.grey) {
            EncodeOptions options = sampled(s, 90, 66);
            options.scans = 2;
            expectCloseToReference(options, std::string(s.name) + " Y then CbCr");
            options.scans = 3;
            options.restartMcus = 3;
            expectCloseToReference(options, std::string(s.name) + " three scans");
        }
        for (int quality : {10, 100}) {
            EncodeOptions options = sampled(s, 77, 64);
            options.quality = quality;
            options.optimize = true;
            expectCloseToReference(options, std::string(s.name) + " quality " +
                                                std::to_string(quality) + ", optimized");
        }
    }
}

}  // namespace
