// Test pictures made at run time: libjpeg-turbo as encoder and as the
// reference decoder, and a small stream writer for hand-made streams whose
// every bit is known.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace test_jpeg {

using Bytes = std::vector<std::uint8_t>;

struct EncodeOptions {
    int width = 64;
    int height = 64;
    bool grey = false;
    int hFactor = 1;  // of the first component; the others are 1 x 1
    int vFactor = 1;
    int quality = 75;
    bool optimize = false;
    int restartRows = 0;  // restart every so many MCU rows
    int restartMcus = 0;  // or every so many MCUs
    // 1: one interleaved scan; 2: Y, then Cb and Cr; 3: one scan each.
    int scans = 1;
    bool progressive = false;
    bool arithmetic = false;
};

// Encodes an RGB picture with smooth and busy parts, the same for equal sizes.
Bytes encode(const EncodeOptions& options);

// libjpeg-turbo's decode with the float IDCT and plain replication: RGB, or
// one sample per pixel for grey.
struct Reference {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<std::uint8_t> samples;
};
bool referenceDecode(const Bytes& jpeg, Reference& out);

// Writes marker segments and entropy-coded bits.
class StreamWriter {
  public:
    Bytes bytes;

    void marker(int code);
    void segment(int code, const Bytes& payload);
    void quantTable(int id, int value);  // all 64 entries the same
    // Components as id, h, v, quantisation table.
    void frame(int width, int height, const std::vector<std::array<int, 4>>& components,
               int precision = 8, int type = 0xC0);
    void huffmanTable(int tableClass, int id, const std::vector<int>& counts,
                      const std::vector<int>& symbols);
    void restartInterval(int mcus);
    void scan(std::initializer_list<std::initializer_list<int>> components);  // id, dc, ac
    // Entropy-coded data: bits most significant first, with 0xFF stuffed.
    void bits(std::uint32_t value, int count);
    void flushBits();  // pads with ones to a byte boundary

    // With the example DC table of T.81 (ids given) and an AC table that
    // holds only end-of-block (code 0): one DC-only block of difference d.
    void standardTables(int dcId = 0, int acId = 0);
    void dcOnlyBlock(int difference);

  private:
    std::uint32_t pending_ = 0;
    int pendingCount_ = 0;
};

}  // namespace test_jpeg
