#include "image/jpeg_entropy.h"

#include <cstring>

namespace image::jpeg {

bool HuffmanTable::build() {
    int code = 0;
    int entry = 0;
    for (int length = 1; length <= 16; ++length) {
        const int count = counts[length - 1];
        entryOffset[length] = entry - code;
        for (int i = 0; i < count; ++i) {
            lengths[entry] = static_cast<std::uint8_t>(length);
            codes[entry] = static_cast<std::uint16_t>(code);
            ++entry;
            ++code;
        }
        // A prefix code cannot hold more codes of a length than it has bits for.
        if (code > (1 << length)) return false;
        codeLimit[length] = count > 0 ? code : 0;
        code <<= 1;
    }
    codeCount = entry;

    std::memset(fast, 0, sizeof(fast));
    std::memset(fastAc, 0, sizeof(fastAc));
    for (int i = 0; i < codeCount; ++i) {
        const int length = lengths[i];
        if (length > kFastBits) break;
        const int shift = kFastBits - length;
        const int first = codes[i] << shift;
        const int size = symbols[i] & 15;
        for (int j = 0; j < (1 << shift); ++j) {
            fast[first + j] = static_cast<std::uint16_t>((length << 8) | symbols[i]);
            if (length + size > kFastBits) continue;
            // The value bits follow the code within the same look-up index.
            // No value bits (end of block, a run of 16 zeros): value 0.
            const int bits = size == 0 ? 0 : j >> (shift - size);
            const int value = size == 0                  ? 0
                              : bits < (1 << (size - 1)) ? bits - (1 << size) + 1
                                                         : bits;
            fastAc[first + j] =
                static_cast<std::int32_t>(static_cast<std::uint32_t>(value) << 16 |
                                          static_cast<std::uint32_t>(symbols[i]) << 8 |
                                          static_cast<std::uint32_t>(length + size));
        }
    }
    defined = true;
    return true;
}

void BitReader::refillBytes() {
    while (count_ <= 56) {
        unsigned byte = 0;
        if (!stopped_ && next_ < end_) {
            byte = *next_;
            if (byte != 0xFF) {
                ++next_;
            } else {
                // 0xFF 0x00 is a data byte 0xFF; fill bytes 0xFF may come
                // before the 0x00 or before a marker.
                const std::uint8_t* after = next_ + 1;
                while (after < end_ && *after == 0xFF) ++after;
                if (after < end_ && *after == 0x00) {
                    next_ = after + 1;
                } else {
                    stopped_ = true;
                    byte = 0;
                }
            }
        } else {
            stopped_ = true;
        }
        if (stopped_) padding_ += 8;
        buffer_ |= static_cast<std::uint64_t>(byte) << (56 - count_);
        count_ += 8;
    }
}

int BitReader::decodeLong(const HuffmanTable& table) {
    for (int length = kFastBits + 1; length <= 16; ++length) {
        const auto code = static_cast<std::int32_t>(buffer_ >> (64 - length));
        if (code < table.codeLimit[length]) {
            consume(length);
            return table.symbols[code + table.entryOffset[length]];
        }
    }
    corrupt_ = true;
    return 0;
}

std::size_t BitReader::markerPosition() const {
    const std::uint8_t* p = next_;
    while (p < end_) {
        if (*p == 0xFF) {
            const std::uint8_t* after = p + 1;
            while (after < end_ && *after == 0xFF) ++after;
            if (after == end_ || *after != 0x00) return static_cast<std::size_t>(p - data_);
            p = after + 1;
        } else {
            ++p;
        }
    }
    return static_cast<std::size_t>(end_ - data_);
}

bool BitReader::restart() {
    next_ = data_ + markerPosition();
    buffer_ = 0;
    count_ = 0;
    padding_ = 0;
    stopped_ = false;
    if (next_ == end_) return false;  // no marker left, nothing to step over
    const std::uint8_t* after = next_ + 1;
    while (after < end_ && *after == 0xFF) ++after;
    if (after < end_ && *after >= 0xD0 && *after <= 0xD7) {
        next_ = after + 1;
        return true;
    }
    return false;
}

}  // namespace image::jpeg
