// Hand-made streams of DC-only blocks: every pixel's value is known, so
// block order, replication, cropping, restarts and refusals show exactly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/jpeg_decoder.h"
#include "image/jpeg_pixels.h"
#include "tests/image/jpeg_samples.h"

namespace {

using test_jpeg::StreamWriter;

struct Result {
    bool ok = false;
    image::DecodedPicture picture;
    std::string reason;
    int at(int x, int y, int channel) const {
        return picture.pixels[(static_cast<std::size_t>(y) * picture.width + x) * 4 + channel];
    }
};

Result decode(const test_jpeg::Bytes& bytes) {
    Result r;
    r.ok = image::decodeJpeg(bytes.data(), bytes.size(), r.picture, r.reason);
    return r;
}

// A stream with SOI, an all-`quant` table 0 and the example tables.
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
    ASSERT_EQ(r.picture.width, 32);
    ASSERT_EQ(r.picture.componentCount, 1);
    const int want[4] = {126, 255, 15, 15};
    for (int x = 0; x < 32; ++x) {
        for (int y = 0; y < 8; ++y) {
            ASSERT_EQ(r.at(x, y, 0), want[x / 8]) << x << "," << y;
            ASSERT_EQ(r.at(x, y, 1), want[x / 8]);
            ASSERT_EQ(r.at(x, y, 2), want[x / 8]);
            ASSERT_EQ(r.at(x, y, 3), 255);
        }
    }
}

TEST(JpegStream, CropsAtTheRightAndBottomEdges) {
    StreamWriter w = start(8);
    w.frame(20, 13, {{1, 1, 1, 0}});
    w.scan({{1, 0, 0}});
    int predictor = 0;
    const std::vector<int> dcs = {1, 2, 3, 4, 5, 6};  // 3 blocks across, 2 down
    dcBlocks(w, dcs, predictor);
    finish(w);
    const Result r = decode(w.bytes);
    ASSERT_TRUE(r.ok) << r.reason;
    ASSERT_EQ(r.picture.width, 20);
    ASSERT_EQ(r.picture.height, 13);
    ASSERT_EQ(r.picture.pixels.size(), 20u * 13u * 4u);
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 20; ++x) ASSERT_EQ(r.at(x, y, 0), 128 + dcs[(y / 8) * 3 + x / 8]);
    }
}

// Three components, luma factors h x v, two MCUs side by side. Luma blocks
// count 10, 20, ... in stream order; chroma differs between the MCUs.
void expectSubsampled(int h, int v) {
    StreamWriter w = start(8);
    const int mcuWidth = 8 * h;
    const int mcuHeight = 8 * v;
    w.frame(2 * mcuWidth, mcuHeight, {{1, h, v, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}});
    w.scan({{1, 0, 0}, {2, 0, 0}, {3, 0, 0}});
    int luma = 0;
    int cb = 0;
    int cr = 0;
    std::vector<int> lumaDcs;
    for (int mcu = 0; mcu < 2; ++mcu) {
        std::vector<int> blocks;
        for (int i = 0; i < h * v; ++i) blocks.push_back(10 * (mcu * h * v + i + 1));
        lumaDcs.insert(lumaDcs.end(), blocks.begin(), blocks.end());
        dcBlocks(w, blocks, luma);
        dcBlocks(w, {mcu == 0 ? -20 : 20}, cb);
        dcBlocks(w, {mcu == 0 ? 30 : -30}, cr);
    }
    finish(w);
    const Result r = decode(w.bytes);
    ASSERT_TRUE(r.ok) << r.reason;
    for (int y = 0; y < mcuHeight; ++y) {
        for (int x = 0; x < 2 * mcuWidth; ++x) {
            const int mcu = x / mcuWidth;
            const int block = (y / 8) * h + (x % mcuWidth) / 8;
            std::uint8_t want[4];
            image::jpeg::convertYCbCr(static_cast<std::uint8_t>(128 + lumaDcs[mcu * h * v + block]),
                                      static_cast<std::uint8_t>(mcu == 0 ? 108 : 148),
                                      static_cast<std::uint8_t>(mcu == 0 ? 158 : 98), want);
            for (int c = 0; c < 4; ++c) {
                ASSERT_EQ(r.at(x, y, c), want[c]) << h << "x" << v << " at " << x << "," << y;
            }
        }
    }
}

TEST(JpegStream, ReplicatesSubsampledChroma) {
    expectSubsampled(2, 2);
    expectSubsampled(2, 1);
    expectSubsampled(1, 2);
    expectSubsampled(4, 1);
}

TEST(JpegStream, GreyWithLargeFactorsIsNotInterleaved) {
    // One component alone: blocks in raster order over the picture, not in
    // 2 x 2 groups.
    StreamWriter w = start(8);
    w.frame(24, 16, {{1, 2, 2, 0}});
    w.scan({{1, 0, 0}});
    int predictor = 0;
    const std::vector<int> dcs = {1, 2, 3, 4, 5, 6};
    dcBlocks(w, dcs, predictor);
    finish(w);
    const Result r = decode(w.bytes);
    ASSERT_TRUE(r.ok) << r.reason;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 24; ++x) ASSERT_EQ(r.at(x, y, 0), 128 + dcs[(y / 8) * 3 + x / 8]);
    }
}

TEST(JpegStream, RestartsAtAnyInterval) {
    // Four MCUs a row, a restart every three: markers fall inside rows.
    StreamWriter w = start(8);
    w.frame(32, 16, {{1, 1, 1, 0}});
    w.restartInterval(3);
    w.scan({{1, 0, 0}});
    const std::vector<int> dcs = {5, 6, 7, 8, 9, 10, 11, 12};
    int predictor = 0;
    for (std::size_t i = 0; i < dcs.size(); ++i) {
        if (i > 0 && i % 3 == 0) {
            w.flushBits();
            w.marker(0xD0 + static_cast<int>(i / 3 - 1) % 8);
            predictor = 0;
        }
        dcBlocks(w, {dcs[i]}, predictor);
    }
    finish(w);
    const Result r = decode(w.bytes);
    ASSERT_TRUE(r.ok) << r.reason;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 32; ++x) ASSERT_EQ(r.at(x, y, 0), 128 + dcs[(y / 8) * 4 + x / 8]);
    }
}

TEST(JpegStream, DecodesEveryScan) {
    // Luma alone, then both chroma components interleaved.
    StreamWriter w = start(8);
    w.frame(16, 8, {{1, 1, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}});
    w.scan({{1, 0, 0}});
    int predictor = 0;
    dcBlocks(w, {10, 20}, predictor);
    w.flushBits();
    const std::size_t firstScanEnd = w.bytes.size();
    w.scan({{2, 0, 0}, {3, 0, 0}});
    int cb = 0;
    int cr = 0;
    dcBlocks(w, {-5}, cb);
    dcBlocks(w, {7}, cr);
    dcBlocks(w, {5}, cb);
    dcBlocks(w, {-7}, cr);
    finish(w);
    const Result r = decode(w.bytes);
    ASSERT_TRUE(r.ok) << r.reason;
    for (int x = 0; x < 16; ++x) {
        std::uint8_t want[4];
        image::jpeg::convertYCbCr(x < 8 ? 138 : 148, x < 8 ? 123 : 133, x < 8 ? 135 : 121, want);
        for (int c = 0; c < 4; ++c) ASSERT_EQ(r.at(x, 3, c), want[c]) << x;
    }
    // Without its second scan the picture is incomplete: refused.
    test_jpeg::Bytes cut(w.bytes.begin(), w.bytes.begin() + static_cast<long>(firstScanEnd));
    cut.push_back(0xFF);
    cut.push_back(0xD9);
    EXPECT_FALSE(decode(cut).ok);
}

TEST(JpegStream, TwoComponentsLeaveBytesTwoAndThreeClear) {
    StreamWriter w = start(8);
    w.frame(8, 8, {{1, 1, 1, 0}, {2, 1, 1, 0}});
    w.scan({{1, 0, 0}, {2, 0, 0}});
    int a = 0;
    int b = 0;
    dcBlocks(w, {3}, a);
    dcBlocks(w, {-3}, b);
    finish(w);
    const Result r = decode(w.bytes);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.picture.componentCount, 2);
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(r.picture.pixels[4 * i], 131);
        EXPECT_EQ(r.picture.pixels[4 * i + 1], 125);
        EXPECT_EQ(r.picture.pixels[4 * i + 2], 0);
        EXPECT_EQ(r.picture.pixels[4 * i + 3], 0);
    }
}

TEST(JpegStream, SkipsApplicationSegmentsAndComments) {
    StreamWriter w;
    w.marker(0xD8);
    w.segment(0xE0, {'J', 'F', 'I', 'F', 0, 0xFF, 0xD9, 0xFF});
    w.segment(0xFE, {0xFF, 0xDA, 0x00});
    w.segment(0xEF, {});
    // One quantisation segment with two tables, one Huffman segment with two.
    w.segment(0xDB, [] {
        test_jpeg::Bytes p(130, 8);
        p[0] = 0;
        p[65] = 1;
        return p;
    }());
    w.segment(0xC4, {0x00, 0, 1, 5,  1,  1,    1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6,
                     7,    8, 9, 10, 11, 0x13, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    w.frame(8, 8, {{7, 1, 1, 1}});
    w.scan({{7, 0, 3}});
    int predictor = 0;
    dcBlocks(w, {-2}, predictor);
    finish(w);
    const Result r = decode(w.bytes);
    ASSERT_TRUE(r.ok) << r.reason;
    EXPECT_EQ(r.at(5, 5, 0), 126);
}

TEST(JpegStream, RefusesWhatItCannotDecodeSafely) {
    auto refused = [](const test_jpeg::Bytes& bytes, const std::string& why) {
        const Result r = decode(bytes);
        EXPECT_FALSE(r.ok) << why;
        EXPECT_FALSE(r.reason.empty()) << why;
        EXPECT_EQ(r.picture.width, 0) << why;
        EXPECT_TRUE(r.picture.pixels.empty()) << why;
        return r.reason;
    };
    auto picture = [](auto frameAndTables) {
        StreamWriter w = start(8);
        frameAndTables(w);
        w.scan({{1, 0, 0}});
        int predictor = 0;
        dcBlocks(w, {1, 2, 3, 4}, predictor);
        finish(w);
        return w.bytes;
    };
    refused(picture([](StreamWriter& w) { w.frame(8, 8, {{1, 0, 1, 0}}); }), "factor 0");
    refused(picture([](StreamWriter& w) {
                w.frame(8, 8, {{1, 1, 1, 0}, {2, 2, 1, 0}, {3, 1, 1, 0}});
            }),
            "chroma factor larger than luma");
    refused(picture([](StreamWriter& w) { w.frame(8, 8, {{1, 1, 1, 4}}); }), "quant id 4");
    refused(picture([](StreamWriter& w) { w.frame(8, 8, {{1, 1, 1, 1}}); }), "undefined quant");
    refused(picture([](StreamWriter& w) { w.frame(0, 8, {{1, 1, 1, 0}}); }), "width 0");
    refused(picture([](StreamWriter& w) { w.frame(8, 0, {{1, 1, 1, 0}}); }), "height 0 (DNL)");
    refused(picture([](StreamWriter& w) { w.frame(16385, 8, {{1, 1, 1, 0}}); }), "too wide");
    refused(picture([](StreamWriter& w) { w.frame(65535, 65535, {{1, 1, 1, 0}}); }), "65535");
    refused(picture([](StreamWriter& w) {
                w.frame(16384, 16384, {{1, 1, 1, 0}});
            }),
            "a huge size with little data");
    refused(picture([](StreamWriter& w) { w.frame(8, 8, {}); }), "no components");
    refused(picture([](StreamWriter& w) {
                w.frame(8, 8, {{1, 1, 1, 0}, {2, 1, 1, 0}, {3, 1, 1, 0}, {4, 1, 1, 0}});
            }),
            "4 components");
    refused(picture([](StreamWriter& w) { w.frame(8, 8, {{1, 1, 1, 0}}, 12); }), "12-bit");
    refused(picture([](StreamWriter& w) {
                w.frame(8, 8, {{1, 1, 1, 0}});
                w.bytes[w.bytes.size() - 10] += 1;  // length one more than 3 per component
            }),
            "frame length");
    refused(picture([](StreamWriter& w) {
                w.huffmanTable(0, 4, {1}, {0});
                w.frame(8, 8, {{1, 1, 1, 0}});
            }),
            "Huffman id 4");
    refused(picture([](StreamWriter& w) {
                test_jpeg::Bytes p(1 + 16 + 257, 0);
                p[1 + 8] = 255;
                p[1 + 9] = 2;
                w.segment(0xC4, p);
                w.frame(8, 8, {{1, 1, 1, 0}});
            }),
            "257 codes");
    refused(picture([](StreamWriter& w) {
                test_jpeg::Bytes p(1 + 128, 1);
                p[0] = 0x10;
                w.segment(0xDB, p);
                w.frame(8, 8, {{1, 1, 1, 0}});
            }),
            "16-bit quantisation table");
    refused(picture([](StreamWriter& w) { w.frame(8, 8, {{2, 1, 1, 0}}); }), "unknown selector");

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

TEST(JpegStream, CutStreamsAreRefusedAndNeverReadPastTheirEnd) {
    StreamWriter w = start(8);
    w.frame(32, 32, {{1, 1, 1, 0}});
    w.scan({{1, 0, 0}});
    int predictor = 0;
    std::vector<int> dcs;
    for (int i = 0; i < 16; ++i) dcs.push_back(i * 37 % 200 - 100);
    dcBlocks(w, dcs, predictor);
    finish(w);
    ASSERT_TRUE(decode(w.bytes).ok);
    // Every cut before the last data byte; each copy is exactly as long as
    // the cut, so ASan sees any read past it.
    for (std::size_t length = 0; length + 2 < w.bytes.size(); ++length) {
        const test_jpeg::Bytes cut(w.bytes.begin(), w.bytes.begin() + static_cast<long>(length));
        EXPECT_FALSE(decode(cut).ok) << length;
    }
    // Without its end-of-image marker the picture is whole.
    const test_jpeg::Bytes noEnd(w.bytes.begin(), w.bytes.end() - 2);
    EXPECT_TRUE(decode(noEnd).ok);
}

}  // namespace
