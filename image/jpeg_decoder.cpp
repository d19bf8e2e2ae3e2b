#include "image/jpeg_decoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "image/jpeg_entropy.h"
#include "image/jpeg_pixels.h"

namespace image {
namespace {

using jpeg::BitReader;
using jpeg::HuffmanTable;

struct Component {
    int id = 0;
    int hFactor = 0;
    int vFactor = 0;
    int quantTable = 0;
    // How many pixels one sample covers: component 0's factor over this
    // one's, truncated, in a three-component picture; 1 otherwise.
    int hScale = 1;
    int vScale = 1;
    // The sample plane: whole MCUs of blocks, plus one zero column and one
    // zero row for pixels that no sample covers. It holds either the whole
    // picture or one band of blocks (an MCU row), whose first sample row
    // is firstRow.
    std::size_t planeOffset = 0;
    int stride = 0;
    int rows = 0;
    int firstRow = 0;
    bool decoded = false;
};

struct QuantTable {
    std::uint8_t values[64] = {};  // in zig-zag order
    bool defined = false;
};

// One component of the scan being decoded, with what its blocks need.
struct ScanComponent {
    Component* component = nullptr;
    const HuffmanTable* dcTable = nullptr;
    const HuffmanTable* acTable = nullptr;
    std::int32_t predictor = 0;
    alignas(16) float quant[64] = {};  // natural order
};

const char* frameTypeReason(int marker) {
    switch (marker) {
        case 0xC1:
            return "extended sequential JPEG is not supported";
        case 0xC2:
        case 0xC6:
            return "progressive JPEG is not supported";
        case 0xC3:
        case 0xC7:
            return "lossless JPEG is not supported";
        case 0xC5:
            return "hierarchical JPEG is not supported";
        case 0xC9:
        case 0xCA:
        case 0xCB:
        case 0xCD:
        case 0xCE:
        case 0xCF:
            return "arithmetic-coded JPEG is not supported";
        default:
            return "unsupported frame type";
    }
}

bool isOtherFrameType(int marker) {
    return marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xCC;
}

// Over-aligned, so that new (see decodeJpeg) takes its aligned path: 32-bit
// Windows' malloc gives 8-byte blocks where the compiler counts on 16, and
// the block and the quantisation tables are read 16 bytes at a time.
class alignas(32) Decoder {
  public:
    Decoder(const std::uint8_t* data, std::size_t size, RowSink& sink, std::string& reason)
        : data_(data), size_(size), sink_(sink), reason_(reason) {
        std::memcpy(order_, jpeg::naturalOrder, 64);
        std::memset(order_ + 64, 64, sizeof(order_) - 64);
    }

    bool run() {
        if (size_ == 0) return fail("empty file");
        if (data_[0] != 0xFF) return fail("not a JPEG file");
        for (;;) {
            if (pos_ >= size_ || data_[pos_] != 0xFF) {
                return fail(pos_ >= size_ ? "truncated" : "bad segment structure");
            }
            while (pos_ < size_ && data_[pos_] == 0xFF) ++pos_;
            if (pos_ >= size_) return fail("truncated");
            const int marker = data_[pos_++];
            if (marker == 0xD8) continue;
            if (marker == 0xD9) {
                return fail(haveFrame_ ? "image ends before all its scans"
                                       : "image ends before a frame header");
            }
            if (isOtherFrameType(marker)) return fail(frameTypeReason(marker));
            if (pos_ + 2 > size_) return fail("truncated");
            const int length = (data_[pos_] << 8) | data_[pos_ + 1];
            if (length < 2) return fail("bad segment length");
            pos_ += 2;
            const std::size_t payload = static_cast<std::size_t>(length - 2);
            if (marker != 0xDA && payload > size_ - pos_) return fail("truncated");
            bool ok = true;
            switch (marker) {
                case 0xC0:
                    ok = readFrame(payload);
                    break;
                case 0xC4:
                    ok = readHuffmanTables(payload);
                    break;
                case 0xDB:
                    ok = readQuantTables(payload);
                    break;
                case 0xDD:
                    ok = readRestartInterval(payload);
                    break;
                case 0xE0:
                case 0xEE:
                    readColourMarker(marker, payload);
                    pos_ += payload;
                    break;
                case 0xDA:
                    if (!readScan()) return false;
                    if (allDecoded()) {
                        // Separate scans: every row only now has all its samples.
                        if (!banded_) {
                            for (int y = 0; y < height_; y += kWholePlaneBand) {
                                emitRows(y, std::min(height_, y + kWholePlaneBand));
                            }
                        }
                        return true;
                    }
                    continue;
                default:
                    pos_ += payload;
                    break;
            }
            if (!ok) return false;
        }
    }

  private:
    bool fail(const char* why) {
        reason_ = why;
        return false;
    }

    int word(std::size_t at) const { return (data_[at] << 8) | data_[at + 1]; }

    bool readFrame(std::size_t payload) {
        if (haveFrame_) return fail("more than one frame header");
        if (payload < 6) return fail("bad frame header");
        const int precision = data_[pos_];
        height_ = word(pos_ + 1);
        width_ = word(pos_ + 3);
        componentCount_ = data_[pos_ + 5];
        if (precision != 8) return fail("sample precision other than 8 bits is not supported");
        if (componentCount_ == 0) return fail("frame has no components");
        if (componentCount_ > 3) return fail("more than 3 components");
        if (payload != 6 + 3 * static_cast<std::size_t>(componentCount_)) {
            return fail("frame header length disagrees with its component count");
        }
        if (width_ == 0 || height_ == 0) return fail("picture has no width or no height");
        if (width_ > kMaxJpegSide || height_ > kMaxJpegSide) {
            return fail("picture larger than 16384 pixels on a side");
        }
        for (int k = 0; k < componentCount_; ++k) {
            Component& c = components_[k];
            const std::size_t at = pos_ + 6 + 3 * static_cast<std::size_t>(k);
            c.id = data_[at];
            c.hFactor = data_[at + 1] >> 4;
            c.vFactor = data_[at + 1] & 15;
            c.quantTable = data_[at + 2];
            if (c.hFactor == 0 || c.vFactor == 0) return fail("sampling factor of 0");
            if (c.quantTable > 3) return fail("quantisation table id above 3");
            if (c.hFactor > components_[0].hFactor || c.vFactor > components_[0].vFactor) {
                return fail("a component has larger sampling factors than the first");
            }
        }
        pos_ += payload;
        haveFrame_ = true;
        return checkSize();
    }

    bool checkSize() {
        const Component& first = components_[0];
        mcusWide_ = (width_ + 8 * first.hFactor - 1) / (8 * first.hFactor);
        mcusHigh_ = (height_ + 8 * first.vFactor - 1) / (8 * first.vFactor);
        // Every block takes at least two bits (a DC code and an AC code), so
        // a header can only claim as many blocks as the rest of the file can
        // hold; this keeps a forged size from costing a huge allocation.
        std::uint64_t blocks = 0;
        for (int k = 0; k < componentCount_; ++k) {
            Component& c = components_[k];
            blocks += static_cast<std::uint64_t>(blocksWide(c)) * blocksHigh(c);
            if (componentCount_ == 3) {
                c.hScale = first.hFactor / c.hFactor;
                c.vScale = first.vFactor / c.vFactor;
            }
        }
        if (static_cast<std::uint64_t>(size_ - pos_) * 4 < blocks) {
            return fail("truncated (too little data for the picture's size)");
        }
        return true;
    }

    // Called at the first scan. A scan of every component is turned into
    // pixels one MCU row at a time, so its planes hold one band; separate
    // scans keep whole planes until the last one.
    bool startPicture(int scanCount) {
        banded_ = scanCount == componentCount_;
        const bool single = componentCount_ == 1;
        const int bandRows = !banded_ ? kWholePlaneBand : single ? 8 : 8 * components_[0].vFactor;
        if (!sink_.begin(width_, height_, componentCount_, std::min(bandRows, height_))) {
            return fail("refused by the reader");
        }
        pixelBytes_ = sink_.rgbRows() ? 3 : 4;
        std::size_t planeBytes = 0;
        for (int k = 0; k < componentCount_; ++k) {
            Component& c = components_[k];
            const int blockRows = !banded_ ? mcusHigh_ * c.vFactor : single ? 1 : c.vFactor;
            c.stride = mcusWide_ * c.hFactor * 8 + 1;
            c.rows = blockRows * 8 + 1;
            c.firstRow = 0;
            c.planeOffset = planeBytes;
            planeBytes += static_cast<std::size_t>(c.stride) * static_cast<std::size_t>(c.rows);
        }
        planes_.reset(new (std::nothrow) std::uint8_t[planeBytes]);
        if (planes_ == nullptr) return fail("not enough memory to decode it");
        prepareConversion();
        // The zero column and row stand for samples that no block covers.
        // Only an uneven sampling can leave other samples uncovered and read;
        // a band is small enough to clear whole anyway.
        const Component& first = components_[0];
        bool clearAll = banded_;
        for (int k = 1; k < componentCount_; ++k) {
            const Component& c = components_[k];
            clearAll = clearAll || first.hFactor != c.hFactor * c.hScale ||
                       first.vFactor != c.vFactor * c.vScale;
        }
        if (clearAll) {
            std::memset(planes_.get(), 0, planeBytes);
        } else {
            for (int k = 0; k < componentCount_; ++k) {
                const Component& c = components_[k];
                std::uint8_t* plane = planes_.get() + c.planeOffset;
                const auto stride = static_cast<std::size_t>(c.stride);
                for (int row = 0; row < c.rows; ++row) plane[stride * row + stride - 1] = 0;
                std::memset(plane + stride * static_cast<std::size_t>(c.rows - 1), 0, stride);
            }
        }
        return true;
    }

    // Blocks of a component in a scan of its own, as the standard counts them.
    int blocksWide(const Component& c) const {
        const int samples =
            (width_ * c.hFactor + components_[0].hFactor - 1) / components_[0].hFactor;
        return (samples + 7) / 8;
    }
    int blocksHigh(const Component& c) const {
        const int samples =
            (height_ * c.vFactor + components_[0].vFactor - 1) / components_[0].vFactor;
        return (samples + 7) / 8;
    }

    bool readHuffmanTables(std::size_t payload) {
        const std::size_t end = pos_ + payload;
        while (pos_ < end) {
            if (end - pos_ < 17) return fail("bad Huffman table segment");
            const int tableClass = data_[pos_];
            if ((tableClass & 15) > 3) return fail("Huffman table id above 3");
            HuffmanTable& table =
                (tableClass & 0x10) ? acTables_[tableClass & 15] : dcTables_[tableClass & 15];
            int count = 0;
            for (int i = 0; i < 16; ++i) {
                table.counts[i] = data_[pos_ + 1 + i];
                count += table.counts[i];
            }
            pos_ += 17;
            if (count > 256) return fail("Huffman table with more than 256 codes");
            if (end - pos_ < static_cast<std::size_t>(count)) {
                return fail("bad Huffman table segment");
            }
            std::memcpy(table.symbols, data_ + pos_, static_cast<std::size_t>(count));
            pos_ += static_cast<std::size_t>(count);
            if (!table.build()) return fail("bad Huffman table (more codes than fit)");
        }
        return true;
    }

    bool readQuantTables(std::size_t payload) {
        const std::size_t end = pos_ + payload;
        while (pos_ < end) {
            const int kind = data_[pos_];
            if ((kind >> 4) != 0) return fail("16-bit quantisation tables are not supported");
            if (kind > 3) return fail("quantisation table id above 3");
            if (end - pos_ < 65) return fail("bad quantisation table segment");
            std::memcpy(quantTables_[kind].values, data_ + pos_ + 1, 64);
            quantTables_[kind].defined = true;
            pos_ += 65;
        }
        return true;
    }

    bool readRestartInterval(std::size_t payload) {
        if (payload != 2) return fail("bad restart interval segment");
        restartInterval_ = word(pos_);
        pos_ += 2;
        return true;
    }

    // JFIF and Adobe markers say how three components are stored. libjpeg
    // reads them the same way (and only this much of them), so a file shows
    // in the same colours here as there.
    void readColourMarker(int marker, std::size_t payload) {
        const std::uint8_t* p = data_ + pos_;
        if (marker == 0xE0 && payload >= 14 && std::memcmp(p, "JFIF", 5) == 0) sawJfif_ = true;
        if (marker == 0xEE && payload >= 12 && std::memcmp(p, "Adobe", 5) == 0) {
            adobeTransform_ = p[11];
        }
    }

    // YCbCr unless a marker says RGB, or, with neither marker, the ids
    // 'R', 'G', 'B' do.
    bool storedAsRgb() const {
        if (componentCount_ != 3 || sawJfif_) return false;
        if (adobeTransform_ >= 0) return adobeTransform_ == 0;
        return components_[0].id == 'R' && components_[1].id == 'G' && components_[2].id == 'B';
    }

    bool allDecoded() const {
        for (int k = 0; k < componentCount_; ++k) {
            if (!components_[k].decoded) return false;
        }
        return true;
    }

    bool readScan() {
        if (!haveFrame_) return fail("scan before the frame header");
        if (pos_ >= size_) return fail("truncated");
        const int count = data_[pos_];
        if (count == 0 || count > componentCount_) return fail("bad scan header");
        if (size_ - pos_ < 4 + 2 * static_cast<std::size_t>(count)) return fail("truncated");
        ScanComponent scan[3];
        for (int i = 0; i < count; ++i) {
            const int selector = data_[pos_ + 1 + 2 * i];
            const int tables = data_[pos_ + 2 + 2 * i];
            // The first frame component with this id that the scan has not
            // named yet.
            Component* component = nullptr;
            for (int k = 0; k < componentCount_ && component == nullptr; ++k) {
                bool taken = false;
                for (int j = 0; j < i; ++j) taken = taken || scan[j].component == &components_[k];
                if (components_[k].id == selector && !taken) component = &components_[k];
            }
            if (component == nullptr) return fail("scan names an unknown component");
            if (component->decoded) return fail("a component appears in two scans");
            if ((tables >> 4) > 3 || (tables & 15) > 3) return fail("Huffman table id above 3");
            ScanComponent& s = scan[i];
            s.component = component;
            s.dcTable = &dcTables_[tables >> 4];
            s.acTable = &acTables_[tables & 15];
            if (!s.dcTable->defined || !s.acTable->defined) {
                return fail("scan uses an undefined Huffman table");
            }
            const QuantTable& quant = quantTables_[component->quantTable];
            if (!quant.defined) return fail("scan uses an undefined quantisation table");
            for (int z = 0; z < 64; ++z) {
                s.quant[jpeg::naturalOrder[z]] = static_cast<float>(quant.values[z]);
            }
        }
        // Spectral selection and approximation bits are those of a
        // sequential scan in any baseline file; the entropy-coded data
        // starts right after them.
        pos_ += 4 + 2 * static_cast<std::size_t>(count);
        if (!planes_ && !startPicture(count)) return false;
        if (!decodeScan(scan, count)) return false;
        for (int i = 0; i < count; ++i) scan[i].component->decoded = true;
        return true;
    }

    bool decodeScan(ScanComponent* scan, int count) {
        BitReader reader(data_, size_, pos_);
        // One component alone is not interleaved: one block per MCU, in
        // raster order over that component's own blocks.
        const bool single = count == 1;
        const int unitsWide = single ? blocksWide(*scan[0].component) : mcusWide_;
        const int unitsHigh = single ? blocksHigh(*scan[0].component) : mcusHigh_;
        int untilRestart = restartInterval_;
        // Pixel rows finished by one row of units when banded: an MCU row, or
        // a row of blocks of a picture's only component.
        const int bandRows = single ? 8 : 8 * components_[0].vFactor;
        for (int unitY = 0; unitY < unitsHigh; ++unitY) {
            if (banded_) {
                for (int i = 0; i < count; ++i) {
                    scan[i].component->firstRow =
                        unitY * (single ? 1 : scan[i].component->vFactor) * 8;
                }
            }
            for (int unitX = 0; unitX < unitsWide; ++unitX) {
                if (restartInterval_ > 0) {
                    if (untilRestart == 0) {
                        reader.restart();
                        for (int i = 0; i < count; ++i) scan[i].predictor = 0;
                        untilRestart = restartInterval_;
                    }
                    --untilRestart;
                }
                for (int i = 0; i < count; ++i) {
                    ScanComponent& s = scan[i];
                    const Component& c = *s.component;
                    const int blocksAcross = single ? 1 : c.hFactor;
                    const int blocksDown = single ? 1 : c.vFactor;
                    for (int v = 0; v < blocksDown; ++v) {
                        for (int h = 0; h < blocksAcross; ++h) {
                            const std::size_t row =
                                static_cast<std::size_t>((unitY * blocksDown + v) * 8 - c.firstRow);
                            const std::size_t column =
                                static_cast<std::size_t>(unitX * blocksAcross + h) * 8;
                            std::uint8_t* out = planes_.get() + c.planeOffset +
                                                row * static_cast<std::size_t>(c.stride) + column;
                            if (!decodeBlock(reader, s, out, c.stride)) {
                                return fail("corrupt picture data");
                            }
                        }
                    }
                }
                if (reader.failed()) {
                    return fail(reader.corrupt() ? "corrupt picture data"
                                                 : "truncated (picture data ends early)");
                }
                if (pendingCount_ > kBlockSlots - kMaxBlocksPerMcu) transformPending();
            }
            transformPending();
            if (banded_) {
                emitRows(unitY * bandRows, std::min(height_, (unitY + 1) * bandRows));
            }
        }
        pos_ = reader.markerPosition();
        return true;
    }

    bool decodeBlock(BitReader& reader, ScanComponent& s, std::uint8_t* out, int stride) {
        // Only a file beyond the standard's ten blocks an MCU fills them all.
        if (pendingCount_ == kBlockSlots) transformPending();
        float* block = blocks_[pendingCount_];
        int last = 0;  // zig-zag position of the last coefficient set
        int dcDiff = 0;
        const bool ok = reader.decodeBlock(*s.dcTable, *s.acTable, dcDiff, [&](int k, int value) {
            block[order_[k]] = static_cast<float>(value);
            last = k;
        });
        // The predictor wraps like the 32-bit integer it is; only a damaged
        // stream gets anywhere near that.
        s.predictor = static_cast<std::int32_t>(static_cast<std::uint32_t>(s.predictor) +
                                                static_cast<std::uint32_t>(dcDiff));
        if (!ok) return false;
        if (last == 0) {
            // A block with only its DC coefficient transforms to 64 copies of
            // that coefficient exactly.
            const std::uint8_t sample =
                jpeg::levelShift(s.quant[0] * static_cast<float>(s.predictor));
            for (int r = 0; r < 8; ++r) std::memset(out + r * stride, sample, 8);
            return true;
        }
        block[0] = static_cast<float>(s.predictor);
        // Position 14 (row 0, column 4) is the first in zig-zag order outside
        // the left half.
        pending_[pendingCount_++] = {s.quant, out, stride, last < 14};
        return true;
    }

    // The blocks decoded since the last call, transformed into their
    // samples. Done a few blocks later than their decoding, so that their
    // coefficients, written one at a time, have reached the cache before the
    // transform reads them many at a time (a read that spans stores still
    // on their way waits for all of them).
    void transformPending() {
        for (int i = 0; i < pendingCount_; ++i) {
            const PendingBlock& p = pending_[i];
            jpeg::transformBlock(blocks_[i], p.quant, p.out, p.stride, p.rightHalfZero);
        }
        pendingCount_ = 0;
    }

    // Pixel column px of the picture to the column of component c's plane
    // that covers it: the MCU's own columns first, each sample repeated
    // hScale times; columns past the component's share of the MCU get the
    // plane's zero column.
    std::vector<int> columnMap(const Component& c) const {
        std::vector<int> map(static_cast<std::size_t>(width_));
        const int mcuWidth = 8 * components_[0].hFactor;
        for (int px = 0; px < width_; ++px) {
            const int within = (px % mcuWidth) / c.hScale;
            map[static_cast<std::size_t>(px)] =
                within < 8 * c.hFactor ? (px / mcuWidth) * 8 * c.hFactor + within : c.stride - 1;
        }
        return map;
    }
    // The samples of component c that serve pixel row py: a row of the
    // plane, or its zero row.
    const std::uint8_t* planeRowData(const Component& c, int py) const {
        const int mcuHeight = 8 * components_[0].vFactor;
        const int within = (py % mcuHeight) / c.vScale;
        const int row = within < 8 * c.vFactor
                            ? (py / mcuHeight) * 8 * c.vFactor + within - c.firstRow
                            : c.rows - 1;
        return planes_.get() + c.planeOffset +
               static_cast<std::size_t>(row) * static_cast<std::size_t>(c.stride);
    }
    // The chroma step when every pixel's sample is plainly px / step.
    int simpleStep(const Component& c) const {
        const bool whole = components_[0].hFactor == c.hFactor * c.hScale;
        return whole && (c.hScale == 1 || c.hScale == 2) ? c.hScale : 0;
    }

    void prepareConversion() {
        if (componentCount_ == 2) secondMap_ = columnMap(components_[1]);
        if (componentCount_ != 3) return;
        rgb_ = storedAsRgb();
        const int step = simpleStep(components_[1]);
        chromaStep_ = step == simpleStep(components_[2]) ? step : 0;
        if (chromaStep_ == 0) {
            // Any other sampling: the chroma rows are spread out to one sample
            // per pixel first.
            cbMap_ = columnMap(components_[1]);
            crMap_ = columnMap(components_[2]);
            cbRow_.resize(cbMap_.size());
            crRow_.resize(crMap_.size());
        }
    }

    void emitRows(int first, int end) {
        // A band's buffer holds other chroma rows from one band to the next.
        converter_.forgetChroma();
        for (int py = first; py < end; ++py) convertRow(py, sink_.row(py));
        sink_.rowsDone(first, end - first);
    }

    // One pixel row into the sink's layout: 4 bytes a pixel, or 3 without
    // the alpha byte.
    void convertRow(int py, std::uint8_t* out) {
        const int n = pixelBytes_;
        const Component& luma = components_[0];
        const std::uint8_t* y = planeRowData(luma, py);
        if (componentCount_ == 1) {
            for (int px = 0; px < width_; ++px) {
                out[n * px] = out[n * px + 1] = out[n * px + 2] = y[px];
                if (n == 4) out[n * px + 3] = 255;
            }
            return;
        }
        if (componentCount_ == 2) {
            const std::uint8_t* b = planeRowData(components_[1], py);
            for (int px = 0; px < width_; ++px) {
                out[n * px] = y[px];
                out[n * px + 1] = b[secondMap_[static_cast<std::size_t>(px)]];
                out[n * px + 2] = 0;
                if (n == 4) out[n * px + 3] = 0;
            }
            return;
        }
        const std::uint8_t* cb = planeRowData(components_[1], py);
        const std::uint8_t* cr = planeRowData(components_[2], py);
        int step = chromaStep_;
        if (step == 0) {
            for (std::size_t px = 0; px < cbRow_.size(); ++px) {
                cbRow_[px] = cb[cbMap_[px]];
                crRow_[px] = cr[crMap_[px]];
            }
            cb = cbRow_.data();
            cr = crRow_.data();
            step = 1;
            converter_.forgetChroma();
        }
        if (!rgb_) {
            converter_.convertRow(y, cb, cr, step, width_, out, n);
            return;
        }
        // Red, green and blue samples, spread like chroma.
        const int shift = step - 1;
        for (int px = 0; px < width_; ++px) {
            out[n * px] = y[px];
            out[n * px + 1] = cb[px >> shift];
            out[n * px + 2] = cr[px >> shift];
            if (n == 4) out[n * px + 3] = 255;
        }
    }

    // Rows handed over at a time from whole planes.
    static constexpr int kWholePlaneBand = 16;

    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
    RowSink& sink_;
    std::string& reason_;

    bool haveFrame_ = false;
    bool sawJfif_ = false;
    int adobeTransform_ = -1;  // -1: no Adobe marker
    int width_ = 0;
    int height_ = 0;
    int componentCount_ = 0;
    int restartInterval_ = 0;
    int mcusWide_ = 0;
    int mcusHigh_ = 0;
    Component components_[3];
    QuantTable quantTables_[4];
    HuffmanTable dcTables_[4];
    HuffmanTable acTables_[4];
    std::unique_ptr<std::uint8_t[]> planes_;
    bool banded_ = false;
    // Blocks waiting for their transform: coefficients in natural order, and
    // a spare entry that takes what a damaged block codes past position 63
    // (order_ sends it there). A slot is all zeros until its block is
    // decoded, and again once it is transformed.
    static constexpr int kMaxBlocksPerMcu = 10;  // in a file that keeps to the standard
    static constexpr int kBlockSlots = 16;
    struct PendingBlock {
        const float* quant;
        std::uint8_t* out;
        int stride;
        bool rightHalfZero;
    };
    alignas(32) float blocks_[kBlockSlots][72] = {};
    PendingBlock pending_[kBlockSlots] = {};
    int pendingCount_ = 0;
    std::uint8_t order_[79];

    jpeg::YCbCrConverter converter_;
    bool rgb_ = false;  // three components of red, green and blue, not YCbCr
    int pixelBytes_ = 4;
    int chromaStep_ = 0;
    std::vector<int> secondMap_;
    std::vector<int> cbMap_;
    std::vector<int> crMap_;
    std::vector<std::uint8_t> cbRow_;
    std::vector<std::uint8_t> crRow_;
};

// Rows into one buffer of the whole picture.
class PictureSink : public RowSink {
  public:
    explicit PictureSink(DecodedPicture& out) : out_(out) {}
    bool begin(int width, int height, int componentCount, int) override {
        out_.width = width;
        out_.height = height;
        out_.componentCount = componentCount;
        rowBytes_ = static_cast<std::size_t>(width) * 4;
        // Every byte is written, so a buffer kept from an earlier picture
        // needs no clearing.
        out_.pixels.resize(rowBytes_ * static_cast<std::size_t>(height));
        return true;
    }
    unsigned char* row(int y) override {
        return out_.pixels.data() + rowBytes_ * static_cast<std::size_t>(y);
    }
    void rowsDone(int, int) override {}

  private:
    DecodedPicture& out_;
    std::size_t rowBytes_ = 0;
};

}  // namespace

bool decodeJpeg(const unsigned char* bytes, std::size_t size, RowSink& sink, std::string& reason) {
    reason.clear();
    if (bytes == nullptr) size = 0;
    // On the heap: its Huffman look-up tables alone would take a small
    // thread stack (the browser's is 64 KB).
    const std::unique_ptr<Decoder> decoder(new (std::nothrow) Decoder(bytes, size, sink, reason));
    if (decoder == nullptr) {
        reason = "not enough memory to decode it";
        return false;
    }
    return decoder->run();
}

bool decodeJpeg(const unsigned char* bytes, std::size_t size, DecodedPicture& out,
                std::string& reason) {
    out.width = out.height = out.componentCount = 0;
    PictureSink sink(out);
    if (decodeJpeg(bytes, size, sink, reason)) return true;
    out.width = out.height = out.componentCount = 0;
    out.pixels.clear();
    return false;
}

}  // namespace image
