// libFuzzer entry: any bytes as a file; above a megapixel refused after the headers, as
// libjpeg-turbo's fuzzers do. Rows go to one band's buffer, once each, in order, all of them.
#include <cstdint>
#include <string>
#include <vector>

#include "image/jpeg_decoder.h"

namespace {

struct CheckingSink : image::RowSink {
    std::vector<unsigned char> band;
    std::size_t rowBytes = 0, pending = 0;
    int height = -1, next = 0;

    bool begin(int width, int rows, int, int bandRows) override {
        if (width <= 0 || rows <= 0 || bandRows <= 0 || bandRows > rows) __builtin_trap();
        height = rows;
        rowBytes = static_cast<std::size_t>(width) * 4;
        band.resize(rowBytes * static_cast<std::size_t>(bandRows));
        return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(rows) <= 1 << 20;
    }
    unsigned char* row(int y) override {
        if (y != next++) __builtin_trap();
        return band.data() + rowBytes * pending++;
    }
    void rowsDone(int first, int count) override {
        if (count <= 0 || std::size_t(count) != pending || first + count != next) __builtin_trap();
        pending = 0;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckingSink sink;
    std::string reason;
    const bool decoded = image::decodeJpeg(data, size, sink, reason);
    if (decoded ? sink.next != sink.height || sink.pending != 0 : reason.empty()) __builtin_trap();
    return 0;
}
