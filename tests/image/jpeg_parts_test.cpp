// The decoder's pieces on inputs whose results are known exactly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "image/jpeg_entropy.h"
#include "image/jpeg_pixels.h"

namespace {

using image::jpeg::BitReader;
using image::jpeg::HuffmanTable;

HuffmanTable makeTable(std::vector<int> counts, std::vector<int> symbols) {
    HuffmanTable table;
    for (std::size_t i = 0; i < counts.size(); ++i)
        table.counts[i] = static_cast<std::uint8_t>(counts[i]);
    for (std::size_t i = 0; i < symbols.size(); ++i)
        table.symbols[i] = static_cast<std::uint8_t>(symbols[i]);
    EXPECT_TRUE(table.build());
    return table;
}

TEST(HuffmanTable, AssignsTheCanonicalCodesOfTheExampleDcTable) {
    const HuffmanTable table =
        makeTable({0, 1, 5, 1, 1, 1, 1, 1, 1}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    const int codes[12] = {0b00,   0b010,   0b011,    0b100,     0b101,      0b110,
                           0b1110, 0b11110, 0b111110, 0b1111110, 0b11111110, 0b111111110};
    const int lengths[12] = {2, 3, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(table.codeCount, 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(table.codes[i], codes[i]) << i;
        EXPECT_EQ(table.lengths[i], lengths[i]) << i;
    }
    // Decoding every code back, one after another in one stream.
    std::vector<std::uint8_t> data;
    std::uint64_t acc = 0;
    int bits = 0;
    for (int i = 0; i < 12; ++i) {
        acc = (acc << lengths[i]) | static_cast<std::uint64_t>(codes[i]);
        bits += lengths[i];
        while (bits >= 8) {
            data.push_back(static_cast<std::uint8_t>(acc >> (bits - 8)));
            bits -= 8;
        }
    }
    data.push_back(static_cast<std::uint8_t>((acc << (8 - bits)) | ((1u << (8 - bits)) - 1)));
    BitReader reader(data.data(), data.size(), 0);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(reader.decode(table), i);
    EXPECT_FALSE(reader.failed());
}

TEST(HuffmanTable, RefusesMoreCodesThanTheirLengthsHold) {
    HuffmanTable table;
    table.counts[0] = 3;  // three codes of one bit
    EXPECT_FALSE(table.build());
}

TEST(HuffmanTable, LongCodesAndUndefinedSequences) {
    // One code of each length 1 to 16: 0, 10, 110, ..., fifteen 1s then 0.
    std::vector<int> counts(16, 1);
    std::vector<int> symbols;
    for (int i = 0; i < 16; ++i) symbols.push_back(0x20 + i);
    const HuffmanTable table = makeTable(counts, symbols);
    // Fourteen 1s and a 0 (length 15), then sixteen 1s: no such code.
    const std::vector<std::uint8_t> data = {0xFF, 0x00, 0xFD, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00};
    BitReader reader(data.data(), data.size(), 0);
    EXPECT_EQ(reader.decode(table), 0x20 + 14);
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(reader.decode(table), 0);
    EXPECT_TRUE(reader.failed());
    EXPECT_TRUE(reader.corrupt());
}

TEST(BitReader, UnstuffsAndStopsAtMarkers) {
    // FF 00 and FF FF 00 are data bytes 0xFF; FF D9 is a marker.
    const std::vector<std::uint8_t> data = {0xA5, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x3C, 0xFF, 0xD9};
    BitReader reader(data.data(), data.size(), 0);
    EXPECT_EQ(reader.bits(8), 0xA5u);
    EXPECT_EQ(reader.bits(16), 0xFFFFu);
    EXPECT_EQ(reader.bit(), 0);
    EXPECT_EQ(reader.bits(7), 0x3Cu);
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(reader.markerPosition(), 7u);
    // Past the marker: zero bits, and the reader knows the data ran out.
    EXPECT_EQ(reader.bits(3), 0u);
    EXPECT_TRUE(reader.failed());
    EXPECT_FALSE(reader.corrupt());
}

TEST(BitReader, RestartsAtTheMarkerAfterDroppingTheRestOfTheByte) {
    const std::vector<std::uint8_t> data = {0x80, 0x12, 0xFF, 0xD3, 0xC0};
    BitReader reader(data.data(), data.size(), 0);
    EXPECT_EQ(reader.bit(), 1);
    // A stray byte before the marker is passed over.
    EXPECT_TRUE(reader.restart());
    EXPECT_EQ(reader.bits(2), 3u);
    EXPECT_FALSE(reader.failed());
    // No marker where one was due.
    const std::vector<std::uint8_t> plain = {0x80, 0x00};
    BitReader other(plain.data(), plain.size(), 0);
    EXPECT_FALSE(other.restart());
}

TEST(BitReader, NeverReadsPastItsInput) {
    // The reader sees only the first byte of a longer array.
    const std::vector<std::uint8_t> data = {0xF0, 0xFF, 0xFF};
    BitReader reader(data.data(), 1, 0);
    EXPECT_EQ(reader.bits(4), 0xFu);
    EXPECT_EQ(reader.bits(4), 0u);
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(reader.bits(16), 0u);
    EXPECT_TRUE(reader.failed());
    EXPECT_EQ(reader.markerPosition(), 1u);
}

TEST(BitReader, ExtendsSignedValues) {
    // 000 in three bits is -7, 011 is -4, 100 is 4, 111 is 7; one bit 1 is
    // 1 and 0 is -1; size 0 reads nothing.
    const std::vector<std::uint8_t> data = {0b00001110, 0b01111011, 0xFF, 0x00};
    BitReader reader(data.data(), data.size(), 0);
    EXPECT_EQ(reader.receiveExtend(3), -7);
    EXPECT_EQ(reader.receiveExtend(3), -4);
    EXPECT_EQ(reader.receiveExtend(3), 4);
    EXPECT_EQ(reader.receiveExtend(3), 7);
    EXPECT_EQ(reader.receiveExtend(0), 0);
    EXPECT_EQ(reader.receiveExtend(1), 1);
    EXPECT_EQ(reader.receiveExtend(1), -1);
    EXPECT_EQ(reader.receiveExtend(1), 1);
}

TEST(BitReader, FastAcLookUpMatchesTheSymbolAndValue) {
    // AC symbols of several sizes, each decoded through both paths.
    const HuffmanTable table = makeTable({0, 2, 1, 1}, {0x00, 0x01, 0x13, 0x0A});
    // 01 then value bit 0 -> (0x01, -1); 100 + 3 bits 101 -> (0x13, 5);
    // 1010 + 10 bits -> (0x0A, long path); 00 -> end of block.
    std::vector<std::uint8_t> data = {0b01010010, 0b11010000, 0b00000000, 0b01111111};
    BitReader reader(data.data(), data.size(), 0);
    int value = 0;
    EXPECT_EQ(reader.decodeAc(table, value), 0x01);
    EXPECT_EQ(value, -1);
    EXPECT_EQ(reader.decodeAc(table, value), 0x13);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(reader.decodeAc(table, value), 0x0A);
    EXPECT_EQ(value, -1023);  // ten 0 bits
    EXPECT_EQ(reader.decodeAc(table, value), 0x00);
    EXPECT_EQ(value, 0);
}

TEST(InverseDct, DcOnlyBlocksFloorAndClamp) {
    // The level shift of 64 equal values: trunc, floor division by 8, +128.
    EXPECT_EQ(image::jpeg::levelShift(8.0f), 129);
    EXPECT_EQ(image::jpeg::levelShift(-9.0f), 126);  // floor(-9 / 8), not truncation
    EXPECT_EQ(image::jpeg::levelShift(-0.5f), 128);  // truncated first
    EXPECT_EQ(image::jpeg::levelShift(-1100.0f), 0);
    EXPECT_EQ(image::jpeg::levelShift(1100.0f), 255);
    EXPECT_EQ(image::jpeg::levelShift(3.0e9f), 255);
    EXPECT_EQ(image::jpeg::levelShift(-3.0e9f), 0);
    for (float dc : {8.0f, -9.0f, 1100.0f, -1100.0f, 123.456f}) {
        alignas(16) float block[64] = {dc};
        float reference[64] = {dc};
        image::jpeg::inverseDct(reference);
        for (float v : reference) EXPECT_EQ(v, dc);
        std::uint8_t out[64];
        image::jpeg::transformBlock(block, out, 8);
        for (std::uint8_t v : out) EXPECT_EQ(v, image::jpeg::levelShift(dc));
    }
}

TEST(InverseDct, FastTransformIsBitExactWithTheReference) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coefficient(-1024, 1023);
    std::uniform_int_distribution<int> quant(1, 255);
    std::uniform_int_distribution<int> count(1, 64);
    for (int round = 0; round < 3000; ++round) {
        alignas(16) float block[64] = {};
        const int used = count(random);
        // Sparse and dense blocks; some only in the left half.
        const bool leftOnly = round % 3 == 0;
        for (int i = 0; i < used; ++i) {
            const int k = static_cast<int>(random() % 64);
            const int n = image::jpeg::naturalOrder[k];
            if (leftOnly && n % 8 >= 4) continue;
            block[n] = static_cast<float>(quant(random)) * static_cast<float>(coefficient(random)) *
                       image::jpeg::aanFactors[n / 8] * image::jpeg::aanFactors[n % 8];
        }
        float reference[64];
        for (int i = 0; i < 64; ++i) reference[i] = block[i];
        image::jpeg::inverseDct(reference);
        std::uint8_t out[8 * 10];
        image::jpeg::transformBlock(block, out, 10, leftOnly);
        for (int i = 0; i < 64; ++i) {
            ASSERT_EQ(out[(i / 8) * 10 + i % 8], image::jpeg::levelShift(reference[i]))
                << "round " << round << " sample " << i;
            ASSERT_EQ(block[i], 0.0f) << "the block is left clear";
        }
    }
}

TEST(InverseDct, ZigZagTablesAreInverses) {
    EXPECT_EQ(image::jpeg::zigZagOrder[8], 2);
    EXPECT_EQ(image::jpeg::zigZagOrder[63], 63);
    EXPECT_EQ(image::jpeg::zigZagOrder[56], 35);
    for (int n = 0; n < 64; ++n) {
        EXPECT_EQ(image::jpeg::naturalOrder[image::jpeg::zigZagOrder[n]], n);
    }
}

std::vector<std::uint8_t> byFormula(int y, int cb, int cr) {
    const double cbp = cb - 128;
    const double crp = cr - 128;
    const double r = static_cast<double>(1.402f) * crp + y;
    const double g =
        (y - static_cast<double>(0.34414f) * cbp) - static_cast<double>(0.71414f) * crp;
    const double b = static_cast<double>(1.772f) * cbp + y;
    auto clamp = [](double v) {
        const int i = static_cast<int>(v);
        return static_cast<std::uint8_t>(i < 0 ? 0 : (i > 255 ? 255 : i));
    };
    return {clamp(r), clamp(g), clamp(b), 255};
}

TEST(ColourConversion, TruncatesLikeTheDoubleFormulasForEverySample) {
    std::uint8_t rgba[4];
    auto expectPixel = [&](int y, int cb, int cr, std::vector<int> want) {
        image::jpeg::convertYCbCr(static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(cb),
                                  static_cast<std::uint8_t>(cr), rgba);
        EXPECT_EQ(std::vector<int>(rgba, rgba + 4), want) << y << " " << cb << " " << cr;
    };
    expectPixel(128, 128, 128, {128, 128, 128, 255});
    expectPixel(0, 128, 128, {0, 0, 0, 255});
    expectPixel(100, 128, 129, {101, 99, 100, 255});
    expectPixel(255, 128, 255, {255, 164, 255, 255});
    expectPixel(0, 0, 0, {0, 135, 0, 255});
    expectPixel(76, 85, 255, {254, 0, 0, 255});
    for (int y = 0; y < 256; ++y) {
        for (int cb = 0; cb < 256; ++cb) {
            for (int cr = 0; cr < 256; ++cr) {
                image::jpeg::convertYCbCr(static_cast<std::uint8_t>(y),
                                          static_cast<std::uint8_t>(cb),
                                          static_cast<std::uint8_t>(cr), rgba);
                const std::vector<std::uint8_t> want = byFormula(y, cb, cr);
                if (rgba[0] != want[0] || rgba[1] != want[1] || rgba[2] != want[2]) {
                    FAIL() << y << " " << cb << " " << cr;
                }
            }
        }
    }
}

TEST(ColourConversion, RowsMatchSinglePixels) {
    std::mt19937 random(3);
    for (int count : {1, 15, 16, 17, 33, 100}) {
        for (int step : {1, 2}) {
            std::vector<std::uint8_t> y(count), cb(count), cr(count);
            for (int i = 0; i < count; ++i) {
                y[i] = static_cast<std::uint8_t>(random());
                cb[i] = static_cast<std::uint8_t>(random());
                cr[i] = static_cast<std::uint8_t>(random());
            }
            image::jpeg::YCbCrConverter converter;
            std::vector<std::uint8_t> row(4 * count);
            converter.convertRow(y.data(), cb.data(), cr.data(), step, count, row.data());
            for (int i = 0; i < count; ++i) {
                std::uint8_t want[4];
                image::jpeg::convertYCbCr(y[i], cb[i / step], cr[i / step], want);
                ASSERT_EQ(std::vector<std::uint8_t>(row.begin() + 4 * i, row.begin() + 4 * i + 4),
                          std::vector<std::uint8_t>(want, want + 4))
                    << "count " << count << " step " << step << " pixel " << i;
            }
        }
    }
}

}  // namespace
