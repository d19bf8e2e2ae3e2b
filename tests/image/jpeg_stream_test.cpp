// Hand-made streams of DC-only blocks: every pixel's value is known, so
// block order, replication, cropping, restarts and refusals show exactly.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "image/jpeg_decoder.h"
#include "image/jpeg_pixels.h"
#include "tests/image/jpeg_samples.h"

namespace {

using test_jpeg::Bytes;
using test_jpeg::StreamWriter;

struct Result {
    bool ok = false;
    image::DecodedPicture picture;
    std::string reason;
    int at(int x, int y, int channel) const {
        return picture.pixels[(static_cast<std::size_t>(y) * picture.width + x) * 4 + channel];
    }
};

Result decode(const Bytes& bytes) {
    Result r;
    r.ok = image::decodeJpeg(bytes.data(), bytes.size(), r.picture, r.reason);
    return r;
}

// SOI, an all-`quant` table 0 and the example Huffman tables.
StreamWriter start(int quant) {
    StreamWriter w;
    w.marker(0xD8);
    w.quantTable(0, quant);
    w.standardTables();
    return w;
}

// DC-only blocks whose DC values are `dcs`, in stream order.
void dcBlocks(StreamWriter& w, const std::vector<int>& dcs, int& predictor) {
    for (int dc : dcs) {
        w.dcOnlyBlock(dc - predictor);
        predictor = dc;
    }
}

void finish(StreamWriter& w) {
    w.flushBits();
    w.marker(0xD9);
}

TEST(JpegStream, DcOnlyBlocksFloorClampAndKeepThePredictor) {
    StreamWriter w = start(1);
    w.frame(32, 8, {{1, 1, 1, 0}});
    w.scan({{1, 0, 0}});
    int predictor = 0;
    // The last block's difference is 0: the predictor stays.
    dcBlocks(w, {-9, 1100, -900, -900}, predictor);
    finish(w);
    const Result r = decode(w.bytes);
    ASSERT_TRUE(r.ok) << r.reason;
    ASSERT_EQ(r.picture.componentCount, 1);
    const int want[4] = {126, 255, 15, 15};
    for (int i = 0; i < 32 * 8; ++i) {
        const int x = i % 32;
        for (int c = 0; c < 4; ++c) ASSERT_EQ(r.at(x, i / 32, c), c < 3 ? want[x / 8] : 255) << i;
    }
}

TEST(JpegStream, GreyBlocksCropRestartAndStayInRasterOrder) {
    struct Case {
        const char* what;
        int width, height, factor, restart;
    };
    for (const Case& c : {Case{"cropped at the right and bottom", 20, 13, 1, 0},
                          Case{"2 x 2 factors alone are not interleaved", 24, 16, 2, 0},
                          Case{"restarts inside rows", 32, 16, 1, 3},
                          Case{"restarts, 2 x 2 alone", 24, 16, 2, 4}}) {
        SCOPED_TRACE(c.what);
        StreamWriter w = start(8);
        w.frame(c.width, c.height, {{1, c.factor, c.factor, 0}});
        if (c.restart > 0) w.restartInterval(c.restart);
        w.scan({{1, 0, 0}});
        const int across = (c.width + 7) / 8;
        int predictor = 0;
        for (int i = 0; i < across * ((c.height + 7) / 8); ++i) {
            if (c.restart > 0 && i > 0 && i % c.restart == 0) {
                w.flushBits();
                w.marker(0xD0 + (i / c.restart - 1) % 8);
                predictor = 0;
            }
            dcBlocks(w, {3 * i - 5}, predictor);
        }
        finish(w);
        const Result r = decode(w.bytes);
        ASSERT_TRUE(r.ok) << r.reason;
        ASSERT_EQ(r.picture.width, c.width);
        ASSERT_EQ(r.picture.height, c.height);
        ASSERT_EQ(r.picture.pixels.size(), 4u * c.width * c.height);
        for (int y = 0; y < c.height; ++y) {
            for (int x = 0; x < c.width; ++x)
                ASSERT_EQ(r.at(x, y, 0), 123 + 3 * ((y / 8) * across + x / 8)) << x << "," << y;
        }
    }
}

TEST(JpegStream, ReplicatesSubsampledChroma) {
    // Three components, luma factors h x v, two MCUs side by side. Luma
    // blocks count 10, 20, ... in stream order; chroma differs per MCU.
    for (auto [h, v] : {std::pair{2, 2}, {2, 1}, {1, 2}, {4, 1}}) {
        SCOPED_TRACE(std::to_string(h) + "x" + std::to_string(v));
        StreamWriter w = start(8);
        w.frame(16 * h, 8 * v, {{1, h, v, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}});
        w.scan({{1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
        int luma = 0, cb = 0, cr = 0;
        for (int mcu = 0; mcu < 2; ++mcu) {
            for (int i = 0; i < h * v; ++i) dcBlocks(w, {10 * (mcu * h * v + i + 1)}, luma);
            dcBlocks(w, {mcu == 0 ? -20 : 20}, cb);
            dcBlocks(w, {mcu == 0 ? 30 : -30}, cr);
        }
        finish(w);
        const Result r = decode(w.bytes);
        ASSERT_TRUE(r.ok) << r.reason;
        for (int y = 0; y < 8 * v; ++y) {
            for (int x = 0; x < 16 * h; ++x) {
                const int mcu = x / (8 * h);
                const int block = mcu * h * v + (y / 8) * h + (x % (8 * h)) / 8;
                std::uint8_t want[4];
                image::jpeg::convertYCbCr(static_cast<std::uint8_t>(138 + 10 * block),
                                          mcu == 0 ? 108 : 148, mcu == 0 ? 158 : 98, want);
                for (int c = 0; c < 4; ++c) ASSERT_EQ(r.at(x, y, c), want[c]) << x << "," << y;
            }
        }
    }
}

TEST(JpegStream, DecodesEveryScan) {
    // Luma alone, then both chroma components interleaved.
    StreamWriter w = start(8);
    w.frame(16, 8, {{1, 1, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}});
    w.scan({{1, 0, 0}});
    int predictor = 0, cb = 0, cr = 0;
    dcBlocks(w, {10, 20}, predictor);
    w.flushBits();
    const std::size_t firstScanEnd = w.bytes.size();
    w.scan({{2, 0, 0}, {3, 0, 0}});
    for (int sign : {1, -1}) {
        dcBlocks(w, {-5 * sign}, cb);
        dcBlocks(w, {7 * sign}, cr);
    }
    finish(w);
    const Result r = decode(w.bytes);
    ASSERT_TRUE(r.ok) << r.reason;
    for (int x = 0; x < 16; ++x) {
        std::uint8_t want[4];
        image::jpeg::convertYCbCr(x < 8 ? 138 : 148, x < 8 ? 123 : 133, x < 8 ? 135 : 121, want);
        for (int c = 0; c < 4; ++c) ASSERT_EQ(r.at(x, 3, c), want[c]) << x;
    }
    // Without its second scan the picture is incomplete: refused.
    Bytes cut(w.bytes.begin(), w.bytes.begin() + static_cast<long>(firstScanEnd));
    cut.insert(cut.end(), {0xFF, 0xD9});
    EXPECT_FALSE(decode(cut).ok);
}

TEST(JpegStream, TwoComponentsLeaveBytesTwoAndThreeClear) {
    StreamWriter w = start(8);
    w.frame(8, 8, {{1, 1, 1, 0}, {2, 1, 1, 0}});
    w.scan({{1, 0, 0}, {2, 0, 0}});
    int a = 0, b = 0;
    dcBlocks(w, {3}, a);
    dcBlocks(w, {-3}, b);
    finish(w);
    const Result r = decode(w.bytes);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.picture.componentCount, 2);
    for (int i = 0; i < 64; ++i) {
        const std::uint8_t* p = r.picture.pixels.data() + 4 * i;
        EXPECT_EQ(std::vector<int>(p, p + 4), (std::vector<int>{131, 125, 0, 0}));
    }
}

TEST(JpegStream, SkipsApplicationSegmentsAndComments) {
    StreamWriter w;
    w.marker(0xD8);
    w.segment(0xE0, {'J', 'F', 'I', 'F', 0, 0xFF, 0xD9, 0xFF});
    w.segment(0xFE, {0xFF, 0xDA, 0x00});
    w.segment(0xEF, {});
    // One quantisation segment with two tables, one Huffman segment with two.
    Bytes quant(130, 8);
    quant[0] = 0;
    quant[65] = 1;
    w.segment(0xDB, quant);
    w.segment(0xC4, {0x00, 0, 1, 5,  1,  1,    1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6,
                     7,    8, 9, 10, 11, 0x13, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    w.frame(8, 8, {{7, 1, 1, 1}});
    w.scan({{7, 0, 3}});
    w.dcOnlyBlock(-2);
    finish(w);
    const Result r = decode(w.bytes);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.at(5, 5, 0), 126);
}

TEST(JpegStream, RefusesWhatItCannotDecodeSafely) {
    auto refused = [](const Bytes& bytes, const std::string& why) {
        const Result r = decode(bytes);
        EXPECT_FALSE(r.ok) << why;
        EXPECT_FALSE(r.reason.empty()) << why;
        EXPECT_EQ(r.picture.width, 0) << why;
        EXPECT_TRUE(r.picture.pixels.empty()) << why;
        return r.reason;
    };
    struct Case {
        const char* why;
        int width = 8, height = 8;
        std::vector<std::array<int, 4>> components = {{1, 1, 1, 0}};
        int precision = 8;
        int segment = 0;  // written before the frame
        Bytes payload = {};
    };
    Bytes codes257(1 + 16 + 257, 0);
    codes257[1 + 8] = 255;
    codes257[1 + 9] = 2;
    Bytes wideQuant(1 + 128, 1);
    wideQuant[0] = 0x10;
    const Case cases[] = {
        {.why = "factor 0", .components = {{1, 0, 1, 0}}},
        {.why = "chroma factor above luma",
         .components = {{1, 1, 1, 0}, {2, 2, 1, 0}, {3, 1, 1, 0}}},
        {.why = "quant id 4", .components = {{1, 1, 1, 4}}},
        {.why = "undefined quant", .components = {{1, 1, 1, 1}}},
        {.why = "unknown scan selector", .components = {{2, 1, 1, 0}}},
        {.why = "no components", .components = {}},
        {.why = "4 components",
         .components = {{1, 1, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}, {4, 1, 1, 0}}},
        {.why = "width 0", .width = 0},
        {.why = "height 0 (DNL)", .height = 0},
        {.why = "too wide", .width = 16385},
        {.why = "65535 x 65535", .width = 65535, .height = 65535},
        {.why = "a huge size with little data", .width = 16384, .height = 16384},
        {.why = "12-bit", .precision = 12},
        {.why = "Huffman id 4",
         .segment = 0xC4,
         .payload = {0x04, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {.why = "257 codes", .segment = 0xC4, .payload = codes257},
        {.why = "16-bit quantisation table", .segment = 0xDB, .payload = wideQuant},
        {.why = "frame length", .segment = -1},
    };
    for (const Case& c : cases) {
        StreamWriter w = start(8);
        if (c.segment > 0) w.segment(c.segment, c.payload);
        w.frame(c.width, c.height, c.components, c.precision);
        if (c.segment < 0) w.bytes[w.bytes.size() - 10] += 1;  // one more than 3 per component
        w.scan({{1, 0, 0}});
        int predictor = 0;
        dcBlocks(w, {1, 2, 3, 4}, predictor);
        finish(w);
        refused(w.bytes, c.why);
    }

    // A scan that uses an AC table nobody defined.
    StreamWriter w = start(8);
    w.frame(8, 8, {{1, 1, 1, 0}});
    w.scan({{1, 0, 1}});
    w.dcOnlyBlock(1);
    finish(w);
    refused(w.bytes, "undefined Huffman table");

    // Runs of zeros that would carry past the 64th coefficient.
    StreamWriter run;
    run.marker(0xD8);
    run.quantTable(0, 8);
    run.huffmanTable(0, 0, {1}, {0x00});
    run.huffmanTable(1, 0, {1, 1}, {0xF0, 0x00});  // ZRL '0', EOB '10'
    run.frame(8, 8, {{1, 1, 1, 0}});
    run.scan({{1, 0, 0}});
    run.bits(0, 1);  // DC size 0
    run.bits(0, 4);  // four runs of 16
    finish(run);
    EXPECT_EQ(refused(run.bytes, "run past 63"), "corrupt picture data");

    // The frame type decides before anything else is read.
    for (int type : {0xC1, 0xC2, 0xC3, 0xC9, 0xCA}) {
        StreamWriter t = start(8);
        t.frame(8, 8, {{1, 1, 1, 0}}, 8, type);
        refused(t.bytes, "frame type " + std::to_string(type));
    }
    refused({}, "empty");
    refused({0x00}, "a single byte");
    refused({0xFF}, "only 0xFF");
    refused({0xFF, 0xD8, 0xFF, 0xD9}, "end of image first");
}

}  // namespace
