// The decoder's pieces on inputs whose results are known exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "image/jpeg_entropy.h"
#include "image/jpeg_pixels.h"

namespace {

using image::jpeg::BitReader;
using image::jpeg::HuffmanTable;
using Data = std::vector<std::uint8_t>;

HuffmanTable makeTable(std::vector<int> counts, std::vector<int> symbols) {
    HuffmanTable table;
    for (std::size_t i = 0; i < counts.size(); ++i)
        table.counts[i] = static_cast<std::uint8_t>(counts[i]);
    for (std::size_t i = 0; i < symbols.size(); ++i)
        table.symbols[i] = static_cast<std::uint8_t>(symbols[i]);
    EXPECT_TRUE(table.build());
    return table;
}

TEST(HuffmanTable, CanonicalCodesLongCodesAndBadTables) {
    // The example DC table of T.81.
    const HuffmanTable dc =
        makeTable({0, 1, 5, 1, 1, 1, 1, 1, 1}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    const int codes[12] = {0b00,   0b010,   0b011,    0b100,     0b101,      0b110,
                           0b1110, 0b11110, 0b111110, 0b1111110, 0b11111110, 0b111111110};
    const int lengths[12] = {2, 3, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(dc.codeCount, 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(dc.codes[i], codes[i]) << i;
        EXPECT_EQ(dc.lengths[i], lengths[i]) << i;
    }

    HuffmanTable tooMany;
    tooMany.counts[0] = 3;  // three codes of one bit
    EXPECT_FALSE(tooMany.build());

    // One code of each length 1 to 16: fourteen 1s and a 0 is the 15th;
    // sixteen 1s is no code at all.
    std::vector<int> symbols;
    for (int i = 0; i < 16; ++i) symbols.push_back(0x20 + i);
    const HuffmanTable deep = makeTable(std::vector<int>(16, 1), symbols);
    const Data data = {0xFF, 0x00, 0xFD, 0xFF, 0x00, 0xFF, 0x00, 0xFF, 0x00};
    BitReader reader(data.data(), data.size(), 0);
    EXPECT_EQ(reader.decode(deep), 0x20 + 14);
    EXPECT_FALSE(reader.failed());
    EXPECT_EQ(reader.decode(deep), 0);
    EXPECT_TRUE(reader.failed());
    EXPECT_TRUE(reader.corrupt());
}

TEST(BitReader, UnstuffsStopsAtMarkersAndRestarts) {
    // FF 00 and FF FF 00 are data bytes 0xFF; FF D9 is a marker.
    const Data data = {0xA5, 0xFF, 0x00, 0xFF, 0xFF, 0x00, 0x3C, 0xFF, 0xD9};
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

    // The reader sees only the first byte of a longer array.
    const Data longer = {0xF0, 0xFF, 0xFF};
    BitReader first(longer.data(), 1, 0);
    EXPECT_EQ(first.bits(8), 0xF0u);
    EXPECT_FALSE(first.failed());
    EXPECT_EQ(first.bits(16), 0u);
    EXPECT_TRUE(first.failed());
    EXPECT_EQ(first.markerPosition(), 1u);

    // A restart drops the rest of the byte and a stray byte before the marker.
    const Data restart = {0x80, 0x12, 0xFF, 0xD3, 0xC0};
    BitReader r(restart.data(), restart.size(), 0);
    EXPECT_EQ(r.bit(), 1);
    EXPECT_TRUE(r.restart());
    EXPECT_EQ(r.bits(2), 3u);
    EXPECT_FALSE(r.failed());
    const Data plain = {0x80, 0x00};
    BitReader none(plain.data(), plain.size(), 0);
    EXPECT_FALSE(none.restart()) << "no marker where one was due";
}

TEST(BitReader, ExtendAndFastAcLookUp) {
    // Three bits 000 -> -7, 011 -> -4, 100 -> 4, 111 -> 7; size 0 reads
    // nothing; one bit 1 -> 1, 0 -> -1.
    const Data data = {0b00001110, 0b01111011};
    BitReader reader(data.data(), data.size(), 0);
    for (auto [size, want] : {std::pair{3, -7}, {3, -4}, {3, 4}, {3, 7}, {0, 0}, {1, 1}, {1, -1}})
        EXPECT_EQ(reader.receiveExtend(size), want) << size;

    // 01 + bit 0 -> (0x01, -1); 100 + 101 -> (0x13, 5); 1010 + ten 0s ->
    // (0x0A, -1023) through the long path; 00 -> end of block.
    const HuffmanTable ac = makeTable({0, 2, 1, 1}, {0x00, 0x01, 0x13, 0x0A});
    const Data bits = {0b01010010, 0b11010000, 0b00000000, 0b01111111};
    BitReader acReader(bits.data(), bits.size(), 0);
    for (auto [symbol, want] : {std::pair{0x01, -1}, {0x13, 5}, {0x0A, -1023}, {0x00, 0}}) {
        int value = 0;
        EXPECT_EQ(acReader.decodeAc(ac, value), symbol);
        EXPECT_EQ(value, want) << symbol;
    }
}

TEST(InverseDct, DcOnlyBlocksFloorAndClamp) {
    // trunc, then floor division by 8, then +128, clamped.
    for (auto [dc, want] : {std::pair{8.0f, 129},
                            {-9.0f, 126},
                            {-0.5f, 128},
                            {-1100.0f, 0},
                            {1100.0f, 255},
                            {3.0e9f, 255},
                            {-3.0e9f, 0}}) {
        EXPECT_EQ(image::jpeg::levelShift(dc), want) << dc;
        if (dc > 2000 || dc < -2000) continue;
        alignas(16) float block[64] = {dc};
        std::uint8_t out[64];
        image::jpeg::transformBlock(block, out, 8);
        for (std::uint8_t v : out) ASSERT_EQ(v, want) << dc;
    }
}

TEST(InverseDct, FastTransformIsBitExactWithTheReference) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> coefficient(-1024, 1023);
    std::uniform_int_distribution<int> quant(1, 255);
    for (int round = 0; round < 3000; ++round) {
        alignas(16) float block[64] = {};
        // Sparse and dense blocks; some only in the left half.
        const bool leftOnly = round % 3 == 0;
        const int used = 1 + static_cast<int>(random() % 64);
        for (int i = 0; i < used; ++i) {
            const int n = image::jpeg::naturalOrder[random() % 64];
            if (leftOnly && n % 8 >= 4) continue;
            block[n] = static_cast<float>(quant(random)) * static_cast<float>(coefficient(random)) *
                       image::jpeg::aanFactors[n / 8] * image::jpeg::aanFactors[n % 8];
        }
        float reference[64];
        std::copy(block, block + 64, reference);
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

// The conversion as written: float constants, products and sums in double,
// truncated and clamped. The decoder uses integer tables instead; they must
// give exactly this for every input.
std::array<int, 3> byFormula(int y, int cb, int cr) {
    const double cbp = cb - 128;
    const double crp = cr - 128;
    const double r = static_cast<double>(1.402f) * crp + y;
    const double g =
        (y - static_cast<double>(0.34414f) * cbp) - static_cast<double>(0.71414f) * crp;
    const double b = static_cast<double>(1.772f) * cbp + y;
    auto clamp = [](double v) {
        const int i = static_cast<int>(v);
        return i < 0 ? 0 : (i > 255 ? 255 : i);
    };
    return {clamp(r), clamp(g), clamp(b)};
}

TEST(ColourConversion, TablesEqualTheDoubleFormulaForEveryInput) {
    std::uint8_t rgba[4];
    for (int y = 0; y < 256; ++y) {
        for (int cb = 0; cb < 256; ++cb) {
            for (int cr = 0; cr < 256; ++cr) {
                image::jpeg::convertYCbCr(static_cast<std::uint8_t>(y),
                                          static_cast<std::uint8_t>(cb),
                                          static_cast<std::uint8_t>(cr), rgba);
                const std::array<int, 3> want = byFormula(y, cb, cr);
                if (rgba[0] != want[0] || rgba[1] != want[1] || rgba[2] != want[2]) {
                    FAIL() << y << " " << cb << " " << cr;
                }
            }
        }
    }
}

TEST(ColourConversion, SamplesAndRowsMatchSinglePixels) {
    for (auto [y, cb, cr, r, g, b] : {std::array{128, 128, 128, 128, 128, 128},
                                      {0, 128, 128, 0, 0, 0},
                                      {100, 128, 129, 101, 99, 100},
                                      {255, 128, 255, 255, 164, 255},
                                      {0, 0, 0, 0, 135, 0},
                                      {76, 85, 255, 254, 0, 0}}) {
        std::uint8_t rgba[4];
        image::jpeg::convertYCbCr(static_cast<std::uint8_t>(y), static_cast<std::uint8_t>(cb),
                                  static_cast<std::uint8_t>(cr), rgba);
        EXPECT_EQ(std::vector<int>(rgba, rgba + 4), (std::vector<int>{r, g, b, 255}))
            << y << " " << cb << " " << cr;
    }

    std::mt19937 random(3);
    for (int count : {1, 15, 16, 17, 33, 100}) {
        for (int step : {1, 2}) {
            Data y(count), cb(count), cr(count);
            for (int i = 0; i < count; ++i) {
                y[i] = static_cast<std::uint8_t>(random());
                cb[i] = static_cast<std::uint8_t>(random());
                cr[i] = static_cast<std::uint8_t>(random());
            }
            image::jpeg::YCbCrConverter converter;
            Data row(4 * count);
            converter.convertRow(y.data(), cb.data(), cr.data(), step, count, row.data());
            for (int i = 0; i < count; ++i) {
                std::uint8_t want[4];
                image::jpeg::convertYCbCr(y[i], cb[i / step], cr[i / step], want);
                ASSERT_EQ(Data(row.begin() + 4 * i, row.begin() + 4 * i + 4), Data(want, want + 4))
                    << "count " << count << " step " << step << " pixel " << i;
            }
        }
    }
}

}  // namespace
