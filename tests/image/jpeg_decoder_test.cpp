// The decoder on files that libjpeg-turbo writes: exactly the pixels of the
// show's own arithmetic, and within a small band of libjpeg-turbo's pixels
// (we truncate where it rounds); refused files, whole or cut anywhere,
// without reading outside them; and jpeg2ppm, run as a user runs it.
#include "tests/support/test.h"

#include <random>

#include "image/jpeg_decoder.h"
#include "tests/image/jpeg_samples.h"

namespace {

using test_jpeg::Bytes;
using test_jpeg::EncodeOptions;

void expectDecodes(EncodeOptions o, const std::string& name) {
    SCOPED_TRACE(name + " " + std::to_string(o.width) + "x" + std::to_string(o.height));
    const Bytes jpeg = test_jpeg::encode(o);
    image::DecodedPicture ours;
    std::string reason;
    ASSERT_TRUE(image::decodeJpeg(jpeg.data(), jpeg.size(), ours, reason)) << reason;
    const test_jpeg::Reference theirs = test_jpeg::readReference(jpeg);
    const auto wrong = std::mismatch(theirs.exact.begin(), theirs.exact.end(), ours.pixels.begin(),
                                     ours.pixels.end());
    ASSERT_TRUE(wrong.first == theirs.exact.end() && wrong.second == ours.pixels.end())
        << "byte " << (wrong.first - theirs.exact.begin());
    ASSERT_EQ(ours.width, theirs.width);
    ASSERT_EQ(ours.height, theirs.height);
    ASSERT_EQ(ours.componentCount, theirs.components);
    // Ours minus theirs: at most 4 below, 1 above in colour, 1 below in grey.
    for (std::size_t i = 0; i < static_cast<std::size_t>(ours.width) * ours.height; ++i) {
        for (int c = 0; c < theirs.components; ++c) {
            const int d = ours.pixels[4 * i + c] - theirs.samples[i * theirs.components + c];
            ASSERT_TRUE(theirs.components == 3 ? d >= -4 && d <= 1 : d >= -1 && d <= 0) << i;
        }
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

TEST(JpegDecoder, EverySamplingSizeRestartAndScanGivesExactPixels) {
    for (const Sampling& s : kSamplings) {
        EncodeOptions o{.grey = s.grey, .hFactor = s.h, .vFactor = s.v};
        for (auto [w, h] : {std::pair{1, 1}, {7, 5}, {20, 13}, {33, 17}, {641, 479}}) {
            o.width = w;
            o.height = h;
            expectDecodes(o, s.name);
        }
        o.width = 100;
        o.height = 70;
        for (int mcus : {1, 5, 7}) {
            o.restartMcus = mcus;
            expectDecodes(o, std::string(s.name) + " restarts " + std::to_string(mcus));
        }
        o.restartMcus = 0;
        for (int quality : {10, 100}) {
            o.quality = quality;
            o.optimize = true;
            expectDecodes(o,
                          std::string(s.name) + " optimized, quality " + std::to_string(quality));
        }
        if (s.grey) continue;
        for (int scans : {2, 3}) {
            o.scans = scans;
            o.restartMcus = scans == 3 ? 3 : 0;
            expectDecodes(o, std::string(s.name) + " scans " + std::to_string(scans));
        }
    }
    expectDecodes({.width = 19, .height = 9, .twoComponents = true}, "two components");
}

// Decodes an exact-size copy, so that AddressSanitizer sees any read past it.
std::string refusal(const Bytes& bytes) {
    image::DecodedPicture picture;
    std::string reason;
    const Bytes copy(bytes);
    const bool ok = image::decodeJpeg(copy.data(), copy.size(), picture, reason);
    EXPECT_EQ(ok, reason.empty()) << reason;
    EXPECT_TRUE(ok || (picture.width == 0 && picture.height == 0 && picture.pixels.empty()));
    return reason;
}

// The first byte after the length of the first segment with this marker.
std::size_t payloadOf(const Bytes& b, int marker) {
    for (std::size_t i = 0; i + 1 < b.size(); ++i)
        if (b[i] == 0xFF && b[i + 1] == marker) return i + 4;
    return 0;
}

TEST(JpegDecoder, RefusesWhatItCannotDecodeWithItsReason) {
    const Bytes base = test_jpeg::encode({.width = 16, .height = 16, .hFactor = 2, .vFactor = 2});
    ASSERT_EQ(refusal(base), "");
    struct Case {
        int marker, offset;
        std::vector<std::uint8_t> bytes;
        const char* reason;
    };
    const Case cases[] = {
        {0xC0, 0, {12}, "sample precision other than 8 bits is not supported"},
        {0xC0, 1, {0, 0}, "picture has no width or no height"},
        {0xC0, 3, {0, 0}, "picture has no width or no height"},
        {0xC0, 1, {0x40, 0x01}, "picture larger than 16384 pixels on a side"},
        {0xC0, 3, {0x40, 0x01}, "picture larger than 16384 pixels on a side"},
        {0xC0, 1, {0x40, 0x00, 0x40, 0x00}, "truncated (too little data for the picture's size)"},
        {0xC0, 5, {4}, "more than 3 components"},
        {0xC0, 5, {2}, "frame header length disagrees with its component count"},
        {0xC0, 7, {0x02}, "sampling factor of 0"},
        {0xC0, 10, {0x31}, "a component has larger sampling factors than the first"},
        {0xC0, 13, {0x13}, "a component has larger sampling factors than the first"},
        {0xC0, 8, {4}, "quantisation table id above 3"},
        {0xC0, 8, {3}, "scan uses an undefined quantisation table"},
        {0xDA, 1, {9}, "scan names an unknown component"},
        {0xDA, 2, {0x03}, "scan uses an undefined Huffman table"},
        {0xDA, 2, {0x30}, "scan uses an undefined Huffman table"},
        {0xC4, 0, {0x04}, "Huffman table id above 3"},
        {0xC4, 1, {3, 0, 3}, "bad Huffman table (more codes than fit)"},
        {0xDB, 0, {0x10}, "16-bit quantisation tables are not supported"},
        {0xDB, 0, {0x04}, "quantisation table id above 3"},
        {0xC0, -4, {0xFF, 0xC2}, "progressive JPEG is not supported"},
        {0xC0, -4, {0xFF, 0xC1}, "extended sequential JPEG is not supported"},
        {0xC0, -4, {0xFF, 0xC3}, "lossless JPEG is not supported"},
        {0xC0, -4, {0xFF, 0xC9}, "arithmetic-coded JPEG is not supported"},
    };
    for (const Case& c : cases) {
        Bytes patched = base;
        std::copy(c.bytes.begin(), c.bytes.end(),
                  patched.begin() + payloadOf(base, c.marker) + c.offset);
        EXPECT_EQ(refusal(patched), c.reason) << "marker " << c.marker << " offset " << c.offset;
    }
    // A run of zeros that would carry past the 64th coefficient: a DC table
    // of one code '0' (size 0), an AC table of ZRL '0' and end-of-block '10'.
    Bytes run = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
    run.insert(run.end(), 64, 8);
    for (const Bytes& part : {Bytes{0xFF, 0xC4, 0, 20, 0x00, 1}, Bytes(15, 0), Bytes{0x00},
                              Bytes{0xFF, 0xC4, 0, 21, 0x10, 1, 1}, Bytes(14, 0),
                              Bytes{0xF0, 0x00, 0xFF, 0xC0, 0, 11, 8, 0, 8, 0, 8, 1, 1, 0x11, 0},
                              Bytes{0xFF, 0xDA, 0, 8, 1, 1, 0x00, 0, 63, 0, 0x07, 0xFF, 0xD9}})
        run.insert(run.end(), part.begin(), part.end());
    EXPECT_EQ(refusal(run), "corrupt picture data");
    for (const Bytes& b : {Bytes{}, Bytes{0x00}, Bytes{0xFF}, Bytes{0xFF, 0xD8, 0xFF, 0xD9}})
        EXPECT_NE(refusal(b), "");
}

TEST(JpegDecoder, CutOrDamagedFilesAreRefusedWithoutReadingOutside) {
    for (int scans : {1, 3}) {
        const Bytes whole = test_jpeg::encode({.width = 48,
                                               .height = 40,
                                               .hFactor = 2,
                                               .vFactor = 2,
                                               .restartMcus = 2,
                                               .scans = scans});
        for (std::size_t cut = 0; cut + 2 < whole.size(); ++cut)
            EXPECT_NE(refusal(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut))), "")
                << "cut at " << cut;
        // Without its end-of-image marker the picture is whole.
        EXPECT_EQ(refusal(Bytes(whole.begin(), whole.end() - 2)), "");
    }
    // Damaged bytes in a real file: refused or decoded, never read outside.
    std::mt19937 random(11);
    const Bytes whole =
        test_jpeg::encode({.width = 50, .height = 37, .hFactor = 2, .restartMcus = 4});
    for (int round = 0; round < 300; ++round) {
        Bytes damaged = whole;
        for (int i = 0; i < 3; ++i) damaged[random() % damaged.size()] = std::uint8_t(random());
        refusal(damaged);
    }
}

#ifdef STREAKSHOW_JPEG2PPM
int jpeg2ppm(const std::string& in, const std::string& out) {
    const int status = std::system(
        (std::string(STREAKSHOW_JPEG2PPM) + " '" + in + "' '" + out + "' 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Jpeg2ppm, WritesAPpmOrSaysNo) {
    // Several scans, so that rows come out only after the last one.
    const Bytes jpeg =
        test_jpeg::encode({.width = 33, .height = 17, .hFactor = 2, .vFactor = 2, .scans = 3});
    const std::string in = testing::TempDir() + "streakshow_" + std::to_string(getpid()) + ".jpg";
    const std::string out = in + ".ppm";
    for (std::size_t length : {jpeg.size() / 2, jpeg.size()}) {
        std::FILE* file = std::fopen(in.c_str(), "wb");
        std::fwrite(jpeg.data(), 1, length, file);
        std::fclose(file);
        EXPECT_EQ(jpeg2ppm(in, out), length == jpeg.size() ? 0 : 2);
    }
    std::FILE* file = std::fopen(out.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    Bytes ppm(8192);
    ppm.resize(std::fread(ppm.data(), 1, ppm.size(), file));
    std::fclose(file);
    const std::string header = "P6\n33 17\n255\n";
    Bytes want(header.begin(), header.end());
    const Bytes rgba = test_jpeg::readReference(jpeg).exact;
    for (std::size_t i = 0; i < rgba.size(); ++i)
        if (i % 4 != 3) want.push_back(rgba[i]);
    EXPECT_EQ(ppm, want);
    EXPECT_EQ(jpeg2ppm(testing::TempDir() + "streakshow_missing.jpg", out), 2);
    EXPECT_EQ(jpeg2ppm(in, "/no/such/folder/out.ppm"), 1);
    std::remove(in.c_str());
    std::remove(out.c_str());
}
#endif

}  // namespace
