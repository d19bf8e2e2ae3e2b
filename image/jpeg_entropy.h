// Entropy decoding of baseline JPEG: canonical Huffman tables and the bit
// reader over entropy-coded data (byte stuffing, markers, restarts).
// Kept apart from the parser so that tests can drive each piece.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace image::jpeg {

// Codes up to this length are decoded with one table look-up.
constexpr int kFastBits = 10;

struct HuffmanTable {
    std::uint8_t counts[16] = {};    // codes of each length 1 to 16
    std::uint8_t symbols[256] = {};  // in order of increasing code length
    std::uint8_t lengths[256] = {};  // code length of entry i
    std::uint16_t codes[256] = {};   // canonical code of entry i
    int codeCount = 0;               // defined entries; nothing beyond is ever searched
    bool defined = false;

    // Look-up on the next kFastBits bits: (length << 8) | symbol, or 0 when
    // the code is longer than kFastBits (or no code starts with those bits).
    std::uint16_t fast[1 << kFastBits] = {};
    // For AC tables: when the code and its value bits both fit in the next
    // kFastBits bits, (value << 16) | (symbol << 8) | bits used; else 0.
    // End of block and the run of 16 zeros are there too, with value 0.
    std::int32_t fastAc[1 << kFastBits] = {};
    // Per length: the largest code plus one (0 when there is none), and the
    // offset from a code to its entry.
    std::int32_t codeLimit[17] = {};
    std::int32_t entryOffset[17] = {};

    // Assigns the canonical codes to `counts` and `symbols`. Returns false
    // when the counts need more codes than their lengths hold.
    bool build();
};

// Reads the bits of entropy-coded data, most significant first. Stops in
// front of any marker other than stuffing and at the end of the input; past
// either it delivers zero bits and remembers that it did, so that a decoder
// never reads outside the input and can tell a cut stream from a whole one.
class BitReader {
  public:
    BitReader(const std::uint8_t* data, std::size_t size, std::size_t position)
        : data_(data), end_(data + size), next_(data + position) {}

    // The next n bits (0 to 16) as an unsigned number.
    std::uint32_t bits(int n) {
        if (n == 0) return 0;
        if (count_ < n) refill();
        const auto value = static_cast<std::uint32_t>(buffer_ >> (64 - n));
        consume(n);
        return value;
    }

    // Reads s bits (0 to 15) and returns the signed value that they code
    // (the EXTEND procedure: 0 in three bits is -7, 3 is -4).
    int receiveExtend(int s) {
        if (s == 0) return 0;
        const auto v = static_cast<int>(bits(s));
        return v < (1 << (s - 1)) ? v - (1 << s) + 1 : v;
    }

    // The symbol whose code comes next. A bit sequence that matches no
    // defined code marks the stream corrupt and yields 0.
    int decode(const HuffmanTable& table) {
        if (count_ < 16) refill();
        const unsigned entry = table.fast[buffer_ >> (64 - kFastBits)];
        if (entry != 0) {
            consume(static_cast<int>(entry >> 8));
            return static_cast<int>(entry & 0xFF);
        }
        return decodeLong(table);
    }

    // One block: the DC difference (decode with dcTable, then
    // receiveExtend) into dcDiff, then calls put(k, value) for each AC
    // coefficient coded at zig-zag position k (value 0 for a run of 16
    // zeros), with the reader's state in locals. Returns false when a run
    // passes position 63; put has then seen a k of up to 78.
    template <class Put>
    bool decodeBlock(const HuffmanTable& dcTable, const HuffmanTable& table, int& dcDiff,
                     Put&& put) {
        std::uint64_t buffer = buffer_;
        int count = count_;
        const std::uint8_t* next = next_;
        auto refill = [&] {
            if (count < 16 && !refillFast(buffer, count, next)) {
                store(buffer, count, next);
                refillBytes();
                load(buffer, count, next);
            }
        };
        refill();
        const unsigned dcEntry = dcTable.fast[buffer >> (64 - kFastBits)];
        int size = 0;
        if (dcEntry != 0) {
            buffer <<= dcEntry >> 8;
            count -= static_cast<int>(dcEntry >> 8);
            size = static_cast<int>(dcEntry & 15);
        } else {
            store(buffer, count, next);
            size = decodeLong(dcTable) & 15;
            load(buffer, count, next);
        }
        dcDiff = 0;
        if (size != 0) {
            refill();
            const auto v = static_cast<int>(buffer >> (64 - size));
            buffer <<= size;
            count -= size;
            // EXTEND without a branch: the sign of a difference is as
            // good as random. A clear top bit adds 1 - 2^size.
            dcDiff = v + (((v >> (size - 1)) - 1) & (1 - (1 << size)));
        }
        // Away from 0xFF bytes the buffer is topped up before every symbol,
        // with no test of how full it is (a test whose outcome the data
        // decides, so often guessed wrong). The bytes past what it takes
        // are the stream's own, so taking them again later changes nothing.
        const std::uint8_t* safeEnd = safeEnd_;
        int k = 1;
        while (k < 64) {
            unsigned index;
            if (next < safeEnd && count >= kFastBits && count < 64) {
                // The look-up's bits are in already: it need not wait for
                // the new ones.
                index = static_cast<unsigned>(buffer >> (64 - kFastBits));
                std::uint64_t word;
                std::memcpy(&word, next, 8);
                if constexpr (std::endian::native == std::endian::little) {
                    word = __builtin_bswap64(word);
                }
                buffer |= word >> count;
                next += (63 - count) >> 3;
                count |= 56;
            } else {
                refill();
                if (next >= ffAt_) {
                    findFf(next);
                    safeEnd = safeEnd_;
                }
                index = static_cast<unsigned>(buffer >> (64 - kFastBits));
            }
            const std::int32_t entry = table.fastAc[index];
            int rs = 0;
            int value = 0;
            if (entry != 0) {
                buffer <<= entry & 0xFF;
                count -= entry & 0xFF;
                value = entry >> 16;
                rs = (entry >> 8) & 0xFF;
            } else {
                store(buffer, count, next);
                rs = decode(table);
                value = receiveExtend(rs & 15);
                load(buffer, count, next);
            }
            if (rs == 0) break;
            // One test of k per coefficient: a run past 63 is found when the
            // loop ends.
            k += rs >> 4;
            put(k, value);
            ++k;
        }
        store(buffer, count, next);
        return k <= 64;
    }

    // Consumed bits that did not come from the data (the stream ended or hit
    // a marker too early), or met a sequence that is no code.
    bool failed() const { return corrupt_ || count_ < padding_; }
    bool corrupt() const { return corrupt_; }

    // At a restart boundary: drops the rest of the current byte, passes over
    // stray bytes to the next marker and consumes it when it is RST0 to RST7.
    // Returns whether a restart marker was found.
    bool restart();

    // Where the next marker starts once the scan is done (the size when the
    // input ends first).
    std::size_t markerPosition() const;

  private:
    // The next 0xFF byte at or after `from` (or the end), and where the
    // positions end from which 8 bytes hold none and lie within the input.
    void findFf(const std::uint8_t* from) {
        const auto* ff = static_cast<const std::uint8_t*>(
            std::memchr(from, 0xFF, static_cast<std::size_t>(end_ - from)));
        ffAt_ = ff != nullptr ? ff : end_;
        safeEnd_ = ffAt_ - from >= 8 ? ffAt_ - 7 : from;
    }
    void consume(int n) {
        buffer_ <<= n;
        count_ -= n;
    }
    // Away from markers and stuffed bytes the bytes that fill the buffer
    // can be taken in one load, provided none of them is 0xFF. Works on a
    // copy of the state, so that hot loops keep it in registers; false when
    // the bytes must be taken one at a time.
    bool refillFast(std::uint64_t& buffer, int& count, const std::uint8_t*& next) const {
        const int take = (64 - count) >> 3;
        if (stopped_ || take == 0 || end_ - next < 8) return false;
        std::uint64_t word;
        std::memcpy(&word, next, 8);
        if constexpr (std::endian::native == std::endian::little) {
            word = __builtin_bswap64(word);
        }
        const std::uint64_t mask =
            take == 8 ? ~std::uint64_t{0} : ~(~std::uint64_t{0} >> (8 * take));
        // A zero byte in the complement marks 0xFF (a borrow may also mark
        // a byte above a real one, which only sends us the slow way).
        const std::uint64_t ones = 0x0101010101010101u;
        const std::uint64_t complement = ~word;
        if (((complement - ones) & ~complement & (ones << 7) & mask) != 0) return false;
        buffer |= (word & mask) >> count;
        count += 8 * take;
        next += take;
        return true;
    }
    void refill() {
        if (!refillFast(buffer_, count_, next_)) refillBytes();
    }
    // One byte at a time, with stuffing, markers and the end of the input.
    void refillBytes();
    void store(std::uint64_t buffer, int count, const std::uint8_t* next) {
        buffer_ = buffer;
        count_ = count;
        next_ = next;
    }
    void load(std::uint64_t& buffer, int& count, const std::uint8_t*& next) const {
        buffer = buffer_;
        count = count_;
        next = next_;
    }
    int decodeLong(const HuffmanTable& table);

    const std::uint8_t* data_;
    const std::uint8_t* end_;
    const std::uint8_t* next_;
    std::uint64_t buffer_ = 0;  // the next bit is bit 63
    int count_ = 0;             // bits held in buffer_, padding included
    int padding_ = 0;           // zero bits appended past the data
    bool stopped_ = false;      // at a marker or at the end of the input
    // Found by findFf; none yet: nothing is safe, and any position is past.
    const std::uint8_t* ffAt_ = data_;
    const std::uint8_t* safeEnd_ = data_;
    bool corrupt_ = false;
};

}  // namespace image::jpeg
