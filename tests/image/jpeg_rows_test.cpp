// jpeg2ppm writes rows band by band from one reused buffer: colour pictures of
// several bands (a partial last one, separate scans) must match the whole decode.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "image/jpeg_decoder.h"
#include "tests/image/jpeg_samples.h"

namespace {

TEST(JpegRows, Jpeg2ppmWritesEveryBandAsTheWholeDecode) {
    const std::string in = testing::TempDir() + "rows.jpg", out = testing::TempDir() + "rows.ppm";
    test_jpeg::EncodeOptions options{.width = 37, .height = 41, .hFactor = 2, .vFactor = 2};
    for (const int scans : {1, 3}) {
        options.scans = scans;
        const test_jpeg::Bytes jpeg = test_jpeg::encode(options);
        std::ofstream(in, std::ios::binary)
            .write(reinterpret_cast<const char*>(jpeg.data()), static_cast<long>(jpeg.size()));
        ASSERT_EQ(std::system((STREAKSHOW_JPEG2PPM " " + in + " " + out).c_str()), 0);
        const std::string ppm{std::istreambuf_iterator<char>(std::ifstream(out).rdbuf()), {}};
        image::DecodedPicture picture;
        std::string reason;
        ASSERT_TRUE(image::decodeJpeg(jpeg.data(), jpeg.size(), picture, reason));
        std::string expected = "P6\n37 41\n255\n";
        for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
            if (i % 4 != 3) expected += static_cast<char>(picture.pixels[i]);
        }
        EXPECT_EQ(ppm, expected) << scans << " scans";
    }
}

}  // namespace
