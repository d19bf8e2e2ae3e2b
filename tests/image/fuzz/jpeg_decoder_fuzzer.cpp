// libFuzzer entry: any bytes, as a whole file in memory.
//
// Pictures above a megapixel are refused once their headers are read, as
// libjpeg-turbo's own fuzzers do: decoding them finds nothing that a smaller
// one would not, and costs most of a run's time.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/jpeg_decoder.h"

namespace {

constexpr std::uint64_t kMaxPixels = 1 << 20;

// Every row in a buffer of exactly its size, so that the sanitizer sees a
// write past a row's end (or a band longer than announced); rows must come
// once each, in order, and all of them when the decode succeeds.
class CheckingSink : public image::RowSink {
  public:
    bool begin(int width, int height, int, int bandRows) override {
        if (width <= 0 || height <= 0 || bandRows <= 0 || bandRows > height) __builtin_trap();
        if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) > kMaxPixels) {
            return false;
        }
        height_ = height;
        rows_.assign(static_cast<std::size_t>(bandRows),
                     std::vector<unsigned char>(static_cast<std::size_t>(width) * 4));
        return true;
    }
    unsigned char* row(int y) override {
        if (y != next_ || pending_ == rows_.size()) __builtin_trap();
        ++next_;
        return rows_[pending_++].data();
    }
    void rowsDone(int first, int count) override {
        if (count <= 0 || static_cast<std::size_t>(count) != pending_ || first + count != next_) {
            __builtin_trap();
        }
        pending_ = 0;
    }
    bool complete() const { return next_ == height_ && pending_ == 0; }

  private:
    std::vector<std::vector<unsigned char>> rows_;
    std::size_t pending_ = 0;
    int next_ = 0;
    int height_ = -1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckingSink sink;
    std::string reason;
    if (image::decodeJpeg(data, size, sink, reason)) {
        if (!sink.complete()) __builtin_trap();
    } else if (reason.empty()) {
        __builtin_trap();
    }
    return 0;
}
