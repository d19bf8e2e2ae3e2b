// The decoder on files libjpeg-turbo writes: the exact pixels of our own
// arithmetic, within a band of libjpeg-turbo's (we truncate where it rounds);
// refusals, cut files read without going outside them; jpeg2ppm as run.
#include "tests/support/test.h"

#include <fstream>
#include <tuple>

#include "image/jpeg_decoder.h"
#include "tests/support/jpeg_samples.h"

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
    ASSERT_TRUE(ours.pixels == theirs.exact);
    ASSERT_EQ(std::tie(ours.width, ours.height, ours.componentCount),
              std::tie(theirs.width, theirs.height, theirs.components));
    // Ours minus theirs: at most 4 below, 1 above from YCbCr, 1 below in grey or RGB.
    const int n = theirs.components;
    for (std::size_t i = 0; i < theirs.samples.size(); ++i) {
        const int d = ours.pixels[i / n * 4 + i % n] - theirs.samples[i];
        ASSERT_TRUE(n == 3 && !theirs.rgb ? d >= -4 && d <= 1 : d >= -1 && d <= 0)
            << "sample " << i << " off by " << d;
    }
}

TEST(JpegDecoder, EverySamplingSizeRestartAndScanGivesExactPixels) {
    // Grey or colour, and the first component's factors: grey, 4:4:4, 4:2:2,
    // 4:2:0, 4:4:0, 4:1:1, and grey in 2x2 blocks.
    for (const std::string name : {"g11", "c11", "c21", "c22", "c12", "c41", "g22"}) {
        const bool grey = name[0] == 'g';
        EncodeOptions o{.grey = grey, .hFactor = name[1] - '0', .vFactor = name[2] - '0'};
        for (auto [width, height] : {std::pair{1, 1}, {7, 5}, {20, 13}, {33, 17}, {641, 479}}) {
            std::tie(o.width, o.height) = std::tie(width, height);
            expectDecodes(o, name);
        }
        std::tie(o.width, o.height) = std::pair{100, 70};
        for (int mcus : {1, 5, 7}) {
            o.restartMcus = mcus;
            expectDecodes(o, name + " restarts " + std::to_string(mcus));
        }
        std::tie(o.restartMcus, o.optimize) = std::pair{0, true};
        for (int quality : {10, 100}) {
            o.quality = quality;
            expectDecodes(o, name + " optimized, quality " + std::to_string(quality));
        }
        for (int scans : {2, 3}) {
            std::tie(o.scans, o.restartMcus) = std::pair{scans, scans == 3 ? 3 : 0};
            if (!grey) expectDecodes(o, name + " scans " + std::to_string(scans));
        }
    }
    expectDecodes({.width = 19, .height = 9, .twoComponents = true}, "two components");
}

TEST(JpegDecoder, ThreeComponentsAreRgbWhereLibjpegTakesThemForRgb) {
    // Written as `cjpeg -rgb` writes it, then with less or more said: the
    // Adobe marker decides, else the ids; a JFIF marker means YCbCr.
    const std::tuple<EncodeOptions, bool, const char*> cases[] = {
        {{.rgb = true}, true, "Adobe marker and ids"},
        {{.halves = {255, 0, 0, 0, 0, 255}, .rgb = true}, true, "red over blue"},
        {{.rgb = true, .noAdobe = true}, true, "ids alone"},
        {{.rgb = true, .numericIds = true}, true, "Adobe marker alone"},
        {{.rgb = true, .noAdobe = true, .numericIds = true}, false, "neither"},
        {{.rgb = true, .jfif = true}, false, "JFIF marker"},
        {{.hFactor = 2, .vFactor = 2, .rgb = true}, true, "green and blue halved"},
        {{.hFactor = 4, .rgb = true}, true, "green and blue quartered"},
        {{.hFactor = 2, .restartMcus = 3, .scans = 3, .rgb = true}, true, "separate scans"},
    };
    for (auto [o, rgb, name] : cases) {
        std::tie(o.width, o.height) = std::pair{41, 23};
        EXPECT_EQ(test_jpeg::readReference(test_jpeg::encode(o)).rgb, rgb) << name;
        expectDecodes(o, name);
    }
}

// Decodes an exact-size copy, so that AddressSanitizer sees any read past it.
std::string refusal(const Bytes copy) {
    image::DecodedPicture picture;
    std::string reason;
    const bool ok = image::decodeJpeg(copy.data(), copy.size(), picture, reason);
    EXPECT_EQ(ok, reason.empty()) << reason;
    if (!ok) {
        EXPECT_EQ((std::tuple{picture.width, picture.height, picture.pixels.size()}),
                  (std::tuple{0, 0, std::size_t{0}}));
    }
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
    // The marker whose segment to patch, where after its length, the new bytes, the reason.
    const std::tuple<int, int, Bytes, const char*> cases[] = {
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
    for (const auto& [marker, offset, bytes, reason] : cases) {
        Bytes patched = base;
        std::copy(bytes.begin(), bytes.end(), patched.begin() + payloadOf(base, marker) + offset);
        EXPECT_EQ(refusal(patched), reason) << "marker " << marker << " offset " << offset;
    }
    // Zero runs past coefficient 63: DC code '0' (size 0), AC ZRL '0', end-of-block '10'.
    Bytes run = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};
    run.insert(run.end(), 64, 8);
    for (const Bytes& part : {Bytes{0xFF, 0xC4, 0, 20, 0x00, 1}, Bytes(15, 0), Bytes{0x00},
                              Bytes{0xFF, 0xC4, 0, 21, 0x10, 1, 1}, Bytes(14, 0),
                              Bytes{0xF0, 0x00, 0xFF, 0xC0, 0, 11, 8, 0, 8, 0, 8, 1, 1, 0x11, 0},
                              Bytes{0xFF, 0xDA, 0, 8, 1, 1, 0x00, 0, 63, 0, 0x07, 0xFF, 0xD9}})
        run.insert(run.end(), part.begin(), part.end());
    EXPECT_EQ(refusal(run), "corrupt picture data");
    // 48 blocks an MCU, beyond the standard's 10: a 4:4:4 picture whose three
    // components share their tables, read as 4x4 each (the same block count).
    Bytes many = test_jpeg::encode({.width = 64, .height = 64, .rgb = true});
    for (int k = 0; k < 3; ++k) many[payloadOf(many, 0xC0) + 7 + 3 * k] = 0x44;
    EXPECT_EQ(refusal(many), "");
    for (const Bytes& b : {Bytes{}, Bytes{0x00}, Bytes{0xFF}, Bytes{0xFF, 0xD8, 0xFF, 0xD9}})
        EXPECT_NE(refusal(b), "");
}

// (Damaged bytes are the fuzz run's part.)
TEST(JpegDecoder, CutFilesAreRefusedWithoutReadingOutside) {
    EncodeOptions o{.width = 48, .height = 40, .hFactor = 2, .vFactor = 2, .restartMcus = 2};
    for (int scans : {1, 3}) {
        o.scans = scans;
        const Bytes whole = test_jpeg::encode(o);
        for (std::size_t cut = 0; cut + 2 < whole.size(); ++cut)
            EXPECT_NE(refusal(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut))), "")
                << "cut at " << cut;
        // Without its end-of-image marker the picture is whole.
        EXPECT_EQ(refusal(Bytes(whole.begin(), whole.end() - 2)), "");
    }
}

int jpeg2ppm(const std::string& in, const std::string& out) {
    const int status = std::system(
        (std::string(STREAKSHOW_JPEG2PPM) + " '" + in + "' '" + out + "' 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(Jpeg2ppm, WritesAPpmOrSaysNo) {
    // Several scans, so that rows come out only after the last one.
    const Bytes jpeg =
        test_jpeg::encode({.width = 51, .height = 17, .hFactor = 2, .vFactor = 2, .scans = 3});
    const std::string in = testing::TempDir() + "streakshow_" + std::to_string(getpid()) + ".jpg";
    const std::string out = in + ".ppm";
    const std::string cut = in + ".cut.jpg", link = in + ".link",
                      self = testing::TempDir() + "./" + in.substr(testing::TempDir().size());
    test_jpeg::writeFile(in, jpeg);
    test_jpeg::writeFile(cut, Bytes(jpeg.begin(), jpeg.begin() + long(jpeg.size() / 2)));
    EXPECT_EQ(jpeg2ppm(in, out), 0);
    std::string want = "P6\n51 17\n255\n";
    const Bytes rgba = test_jpeg::readReference(jpeg).exact;
    for (std::size_t i = 0; i < rgba.size(); ++i)
        if (i % 4 != 3) want.push_back(static_cast<char>(rgba[i]));
    const auto contents = [](const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    EXPECT_EQ(contents(out), want);
    EXPECT_EQ(jpeg2ppm(testing::TempDir() + "streakshow_missing.jpg", out), 2);
    EXPECT_EQ(jpeg2ppm(in, "/no/such/folder/out.ppm"), 1);
    // Refused part way, into IN itself or through a link: OUT, IN and the
    // link's target stay byte for byte.
    ASSERT_EQ(symlink(out.c_str(), link.c_str()), 0);
    for (const auto& [from, to, status] :
         {std::tuple{cut, out, 2}, {in, in, 2}, {in, self, 2}, {in, link, 1}, {cut, link, 1}}) {
        EXPECT_EQ(jpeg2ppm(from, to), status) << from << " " << to;
        EXPECT_TRUE(contents(out) == want) << from << " " << to;
        EXPECT_TRUE(contents(in) == std::string(jpeg.begin(), jpeg.end())) << from << " " << to;
        EXPECT_TRUE(contents(link) == want) << from << " " << to;
    }
    EXPECT_EQ(std::system(("ls " + in + "* | wc -l | grep -qx 4").c_str()), 0) << "nothing left";
    for (const std::string& name : {in, out, cut, link}) std::remove(name.c_str());
}

}  // namespace
