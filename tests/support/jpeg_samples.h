// Test pictures made by libjpeg-turbo, the peer decoder and the source of the
// coefficients for an exact model.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace test_jpeg {

using Bytes = std::vector<std::uint8_t>;

struct EncodeOptions {
    int width = 64, height = 64;
    bool grey = false, twoComponents = false;  // two: two samples a pixel, no colour space
    int hFactor = 1, vFactor = 1;              // of the first component; the others are 1 x 1
    int quality = 75;
    bool optimize = false;
    int restartMcus = 0;  // restart every so many MCUs
    int scans = 1;        // 1: one interleaved scan; 2: Y, then Cb and Cr; 3: one scan each
    std::array<std::uint8_t, 6> halves{};  // RGB of the upper and the lower half, if not all 0
    // Stored as RGB, as `cjpeg -rgb` writes it: an Adobe marker (transform 0)
    // and the ids 'R', 'G', 'B'; or without that marker, with ids 1, 2, 3, or
    // with a JFIF marker besides.
    bool rgb = false, noAdobe = false, numericIds = false, jfif = false;
};

// Encodes a picture with smooth, hard-edged and noisy parts, the same for equal
// sizes, or one in two flat halves.
Bytes encode(const EncodeOptions& options);
void writeFile(const std::string& path, const Bytes& bytes);

// libjpeg-turbo's decode (float IDCT, replication; RGB or the raw samples of one
// or two components), and the RGBA pixels ours must give, from the coefficients.
struct Reference {
    int width = 0, height = 0, components = 0;
    bool rgb = false;  // libjpeg-turbo took the three components for RGB
    std::vector<std::uint8_t> samples, exact;
};
Reference readReference(const Bytes& jpeg);

}  // namespace test_jpeg
