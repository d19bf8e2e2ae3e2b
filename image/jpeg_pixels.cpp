#include "image/jpeg_pixels.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Where GCC can compile a function for AVX2 beside the rest (x86 ELF), the
// transform and the colour conversion take eight and thirty-two at a time
// on machines that have it. The same operations in the same order, and no
// fused multiply-add (AVX2 does not bring FMA, and contraction is off), so
// the results are those of the plain path bit for bit. Elsewhere (mingw,
// whose stack is not aligned for AVX spills; the browser) the SSE2 path.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && defined(__ELF__)
#define JPEG_AVX2 1
#include <immintrin.h>
#endif

namespace image::jpeg {

const std::uint8_t zigZagOrder[64] = {
    0,  1,  5,  6,  14, 15, 27, 28, 2,  4,  7,  13, 16, 26, 29, 42, 3,  8,  12, 17, 25, 30,
    41, 43, 9,  11, 18, 24, 31, 40, 44, 53, 10, 19, 23, 32, 39, 45, 52, 54, 20, 22, 33, 38,
    46, 51, 55, 60, 21, 34, 37, 47, 50, 56, 59, 61, 35, 36, 48, 49, 57, 58, 62, 63};

const std::uint8_t naturalOrder[64] = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

const float aanFactors[8] = {1.0f, 1.3870399f,  1.306563f,  1.1758755f,
                             1.0f, 0.78569496f, 0.5411961f, 0.27589938f};

namespace {

// The one-dimensional step, written once for scalars and for vectors of
// floats: the lanes of a vector run the same operations in the same order,
// so both give identical results.
template <class V>
inline void idct8(V& x0, V& x1, V& x2, V& x3, V& x4, V& x5, V& x6, V& x7) {
    const V t10 = x0 + x4;
    const V t11 = x0 - x4;
    const V t13 = x2 + x6;
    const V t12 = (x2 - x6) * 1.4142135f - t13;
    const V e0 = t10 + t13;
    const V e3 = t10 - t13;
    const V e1 = t11 + t12;
    const V e2 = t11 - t12;

    const V z13 = x5 + x3;
    const V z10 = x5 - x3;
    const V z11 = x1 + x7;
    const V z12 = x1 - x7;
    const V o7 = z11 + z13;
    const V o11 = (z11 - z13) * 1.4142135f;
    const V z5 = (z10 + z12) * 1.847759f;
    const V o10 = z12 * 1.0823922f - z5;
    const V o12 = z5 - z10 * 2.613126f;
    const V o6 = o12 - o7;
    const V o5 = o11 - o6;
    const V o4 = o10 + o5;

    x0 = e0 + o7;
    x7 = e0 - o7;
    x1 = e1 + o6;
    x6 = e1 - o6;
    x2 = e2 + o5;
    x5 = e2 - o5;
    x4 = e3 + o4;
    x3 = e3 - o4;
}

}  // namespace

void inverseDct(float block[64]) {
    for (int c = 0; c < 8; ++c) {
        float* b = block + c;
        idct8(b[0], b[8], b[16], b[24], b[32], b[40], b[48], b[56]);
    }
    for (int r = 0; r < 8; ++r) {
        float* b = block + 8 * r;
        idct8(b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
    }
}

#if defined(__GNUC__) || defined(__clang__)

namespace {

typedef float F4 __attribute__((vector_size(16), may_alias));
typedef int I4 __attribute__((vector_size(16)));

inline void transpose(F4& a, F4& b, F4& c, F4& d) {
    const F4 t0 = __builtin_shufflevector(a, b, 0, 4, 1, 5);
    const F4 t1 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
    const F4 t2 = __builtin_shufflevector(c, d, 0, 4, 1, 5);
    const F4 t3 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
    a = __builtin_shufflevector(t0, t2, 0, 1, 4, 5);
    b = __builtin_shufflevector(t0, t2, 2, 3, 6, 7);
    c = __builtin_shufflevector(t1, t3, 0, 1, 4, 5);
    d = __builtin_shufflevector(t1, t3, 2, 3, 6, 7);
}

// 8 rows of 8 as two halves each: l[r] holds columns 0-3 of row r, h[r]
// columns 4-7. Swapping the off-diagonal quarters while transposing each.
inline void transpose8(F4 l[8], F4 h[8]) {
    transpose(l[0], l[1], l[2], l[3]);
    transpose(h[4], h[5], h[6], h[7]);
    transpose(h[0], h[1], h[2], h[3]);
    transpose(l[4], l[5], l[6], l[7]);
    for (int i = 0; i < 4; ++i) {
        const F4 t = h[i];
        h[i] = l[i + 4];
        l[i + 4] = t;
    }
}

#if defined(__SSE2__)

// Eight samples of a row, as levelShift gives them. Only the upper clamp is
// needed before the conversion: a value below the int range converts to
// INT_MIN, which ends at 0 like any other negative one. The shifted values
// saturate to 16 bits, and the bias is added with saturation there: a sum
// that saturates is beyond 255 or below 0 either way, and the final
// unsigned pack clamps the rest.
inline __m128i rowSamples(F4 low, F4 high) {
    const __m128 limit = _mm_set1_ps(1.0e6f);
    const __m128 a = _mm_min_ps(reinterpret_cast<__m128&>(low), limit);
    const __m128 b = _mm_min_ps(reinterpret_cast<__m128&>(high), limit);
    const __m128i ia = _mm_srai_epi32(_mm_cvttps_epi32(a), 3);
    const __m128i ib = _mm_srai_epi32(_mm_cvttps_epi32(b), 3);
    return _mm_adds_epi16(_mm_packs_epi32(ia, ib), _mm_set1_epi16(128));
}

inline void storeSamples(F4 l[8], F4 h[8], std::uint8_t* out, int stride) {
    for (int r = 0; r < 8; r += 2) {
        const __m128i bytes =
            _mm_packus_epi16(rowSamples(l[r], h[r]), rowSamples(l[r + 1], h[r + 1]));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + r * stride), bytes);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + (r + 1) * stride),
                         _mm_unpackhi_epi64(bytes, bytes));
    }
}

#else

inline I4 toSamples(F4 v) {
    const F4 high = {1.0e6f, 1.0e6f, 1.0e6f, 1.0e6f};
    v = v > high ? high : v;
    v = v < -high ? -high : v;
    I4 p = (__builtin_convertvector(v, I4) >> 3) + 128;
    const I4 zero = {0, 0, 0, 0};
    const I4 top = {255, 255, 255, 255};
    p = p < zero ? zero : p;
    p = p > top ? top : p;
    return p;
}

inline void storeSamples(F4 l[8], F4 h[8], std::uint8_t* out, int stride) {
    for (int r = 0; r < 8; ++r) {
        const I4 a = toSamples(l[r]);
        const I4 b = toSamples(h[r]);
        std::uint8_t* row = out + r * stride;
        for (int i = 0; i < 4; ++i) {
            row[i] = static_cast<std::uint8_t>(a[i]);
            row[i + 4] = static_cast<std::uint8_t>(b[i]);
        }
    }
}

#endif

#if defined(JPEG_AVX2)

// __builtin_cpu_init first: this runs among the static initialisers.
const bool useAvx2 = (__builtin_cpu_init(), __builtin_cpu_supports("avx2") != 0);

#define AVX2_FUNCTION __attribute__((target("avx2")))

AVX2_FUNCTION inline void transpose8x8(__m256 v[8]) {
    __m256 t[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = _mm256_unpacklo_ps(v[i], v[i + 1]);
        t[i + 1] = _mm256_unpackhi_ps(v[i], v[i + 1]);
    }
    __m256 u[8];
    for (int i = 0; i < 8; i += 4) {
        u[i] = _mm256_shuffle_ps(t[i], t[i + 2], 0x44);
        u[i + 1] = _mm256_shuffle_ps(t[i], t[i + 2], 0xEE);
        u[i + 2] = _mm256_shuffle_ps(t[i + 1], t[i + 3], 0x44);
        u[i + 3] = _mm256_shuffle_ps(t[i + 1], t[i + 3], 0xEE);
    }
    for (int i = 0; i < 4; ++i) {
        v[i] = _mm256_permute2f128_ps(u[i], u[i + 4], 0x20);
        v[i + 4] = _mm256_permute2f128_ps(u[i], u[i + 4], 0x31);
    }
}

// rowSamples' steps on two rows at once.
AVX2_FUNCTION inline __m256i rowSamples2(__m256 a, __m256 b) {
    const __m256 limit = _mm256_set1_ps(1.0e6f);
    const __m256i ia = _mm256_srai_epi32(_mm256_cvttps_epi32(_mm256_min_ps(a, limit)), 3);
    const __m256i ib = _mm256_srai_epi32(_mm256_cvttps_epi32(_mm256_min_ps(b, limit)), 3);
    return _mm256_adds_epi16(_mm256_packs_epi32(ia, ib), _mm256_set1_epi16(128));
}

AVX2_FUNCTION void transformBlockAvx2(float* block, const float* quant, std::uint8_t* out,
                                      int stride) {
    __m256 v[8];
    const __m256 column = _mm256_loadu_ps(aanFactors);
    const __m256 zero = _mm256_setzero_ps();
    for (int r = 0; r < 8; ++r) {
        v[r] = _mm256_loadu_ps(block + 8 * r) * _mm256_loadu_ps(quant + 8 * r) * aanFactors[r] *
               column;
        _mm256_storeu_ps(block + 8 * r, zero);
    }
    // A column of zeros gives zeros, as when the narrower path skips it.
    idct8(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
    transpose8x8(v);
    idct8(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
    transpose8x8(v);
    // Packing works within 128-bit halves: the four rows' halves come out
    // as a0-3 b0-3 c0-3 d0-3 | a4-7 b4-7 c4-7 d4-7, and are put in order.
    const __m256i rowOrder = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    for (int r = 0; r < 8; r += 4) {
        const __m256i bytes = _mm256_permutevar8x32_epi32(
            _mm256_packus_epi16(rowSamples2(v[r], v[r + 1]), rowSamples2(v[r + 2], v[r + 3])),
            rowOrder);
        const __m128i low = _mm256_castsi256_si128(bytes);
        const __m128i high = _mm256_extracti128_si256(bytes, 1);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + r * stride), low);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + (r + 1) * stride),
                         _mm_unpackhi_epi64(low, low));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + (r + 2) * stride), high);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + (r + 3) * stride),
                         _mm_unpackhi_epi64(high, high));
    }
}

#endif

}  // namespace

void transformBlock(float* block, const float* quant, std::uint8_t* out, int stride,
                    bool rightHalfZero) {
#if defined(JPEG_AVX2)
    if (useAvx2) {
        transformBlockAvx2(block, quant, out, stride);
        return;
    }
#endif
    F4 l[8];
    F4 h[8];
    F4* stored = reinterpret_cast<F4*>(block);
    const F4* q = reinterpret_cast<const F4*>(quant);
    const F4 zero = {0.0f, 0.0f, 0.0f, 0.0f};
    const F4 columnLow = {aanFactors[0], aanFactors[1], aanFactors[2], aanFactors[3]};
    const F4 columnHigh = {aanFactors[4], aanFactors[5], aanFactors[6], aanFactors[7]};
    // Dequantised and prescaled lane by lane as ((value q) row) column, the
    // scalar order; a zero stays zero.
    for (int r = 0; r < 8; ++r) {
        l[r] = stored[2 * r] * q[2 * r] * aanFactors[r] * columnLow;
        stored[2 * r] = zero;
        if (rightHalfZero) {
            h[r] = zero;
        } else {
            h[r] = stored[2 * r + 1] * q[2 * r + 1] * aanFactors[r] * columnHigh;
            stored[2 * r + 1] = zero;
        }
    }
    // Columns: lane c of every row vector belongs to column c. Columns of
    // zeros stay zeros.
    idct8(l[0], l[1], l[2], l[3], l[4], l[5], l[6], l[7]);
    if (!rightHalfZero) idct8(h[0], h[1], h[2], h[3], h[4], h[5], h[6], h[7]);
    // Rows, on the transposed block; then back.
    transpose8(l, h);
    idct8(l[0], l[1], l[2], l[3], l[4], l[5], l[6], l[7]);
    idct8(h[0], h[1], h[2], h[3], h[4], h[5], h[6], h[7]);
    transpose8(l, h);
    storeSamples(l, h, out, stride);
}

#else

void transformBlock(float* block, const float* quant, std::uint8_t* out, int stride, bool) {
    float work[64];
    for (int i = 0; i < 64; ++i)
        work[i] = block[i] * quant[i] * aanFactors[i / 8] * aanFactors[i % 8];
    std::memset(block, 0, sizeof(work));
    inverseDct(work);
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) out[r * stride + c] = levelShift(work[8 * r + c]);
    }
}

#endif

namespace {

// The conversion's products are exact in double, so they are exact as
// integers scaled by a power of two: floor(1.402f x) = (M x) >> 23 with
// M = 1.402f * 2^23, and likewise for the others. Floor of the sum plus Y,
// clamped, is what truncating the double sum and clamping gives (a sum in
// (-1, 0) truncates to 0 and floors to -1: both clamp to 0).
struct ColourTables {
    std::int16_t red[256];               // floor(1.402f Cr')
    std::int16_t blue[256];              // floor(1.772f Cb')
    std::int64_t greenB[256];            // -0.34414f Cb' * 2^25
    std::int64_t greenR[256];            // -0.71414f Cr' * 2^25
    std::int16_t greenTable[256 * 256];  // green(cb, cr) at [cb << 8 | cr]

    ColourTables() {
        const double scale = 33554432.0;  // 2^25
        const auto kb = static_cast<std::int64_t>(static_cast<double>(0.34414f) * scale);
        const auto kr = static_cast<std::int64_t>(static_cast<double>(0.71414f) * scale);
        for (int i = 0; i < 256; ++i) {
            const int d = i - 128;
            red[i] = static_cast<std::int16_t>(std::floor(static_cast<double>(1.402f) * d));
            blue[i] = static_cast<std::int16_t>(std::floor(static_cast<double>(1.772f) * d));
            greenB[i] = -kb * d;
            greenR[i] = -kr * d;
        }
        for (int cb = 0; cb < 256; ++cb) {
            for (int cr = 0; cr < 256; ++cr) greenTable[cb << 8 | cr] = green(cb, cr);
        }
    }
    std::int16_t green(int cb, int cr) const {
        return static_cast<std::int16_t>((greenB[cb] + greenR[cr]) >> 25);
    }
};

const ColourTables& colourTables() {
    static const ColourTables tables;
    return tables;
}

inline std::uint8_t clampSample(int v) {
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

#if defined(JPEG_AVX2)

inline int exactProduct(float k, double scale) {
    return static_cast<int>(static_cast<double>(k) * scale);
}

// The chroma terms of the tables, sixteen samples at a time, from the same
// exact products: 1.402f and 1.772f times 2^23 are integers whose products
// with Cr' and Cb' fit 32 bits, so red and blue are those products shifted
// right by 23 (floor). The green constants times 2^25 are even: halved,
// floor((x + y) / 2^24) = ((x >> 1) + (y >> 1) + (x & y & 1)) >> 23, which
// keeps the sum within 32 bits. Returns how many samples it did.
struct ChromaFactors {
    __m256i red, blue, greenB, greenR;
};

// Eight samples' terms.
AVX2_FUNCTION inline void chromaTerms8(const ChromaFactors& k, const std::uint8_t* cb,
                                       const std::uint8_t* cr, __m256i& r, __m256i& g, __m256i& b) {
    const __m256i bias = _mm256_set1_epi32(128);
    const __m256i db = _mm256_sub_epi32(
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb))), bias);
    const __m256i dr = _mm256_sub_epi32(
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr))), bias);
    r = _mm256_srai_epi32(_mm256_mullo_epi32(dr, k.red), 23);
    b = _mm256_srai_epi32(_mm256_mullo_epi32(db, k.blue), 23);
    const __m256i x = _mm256_mullo_epi32(db, k.greenB);
    const __m256i y = _mm256_mullo_epi32(dr, k.greenR);
    const __m256i odd = _mm256_and_si256(_mm256_and_si256(x, y), _mm256_set1_epi32(1));
    g = _mm256_srai_epi32(
        _mm256_add_epi32(_mm256_add_epi32(_mm256_srai_epi32(x, 1), _mm256_srai_epi32(y, 1)), odd),
        23);
}

// Sixteen terms to 16 bits. Packing works within halves; 0xD8 puts the
// quarters back in order.
AVX2_FUNCTION inline void storeTerms(std::int16_t* to, __m256i a, __m256i b) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(to),
                        _mm256_permute4x64_epi64(_mm256_packs_epi32(a, b), 0xD8));
}

AVX2_FUNCTION int chromaTermsAvx2(const std::uint8_t* cb, const std::uint8_t* cr, int count,
                                  std::int16_t* red, std::int16_t* green, std::int16_t* blue) {
    ChromaFactors k;
    k.red = _mm256_set1_epi32(exactProduct(1.402f, 8388608.0));
    k.blue = _mm256_set1_epi32(exactProduct(1.772f, 8388608.0));
    k.greenB = _mm256_set1_epi32(exactProduct(-0.34414f, 16777216.0));  // halved 2^25 scale
    k.greenR = _mm256_set1_epi32(exactProduct(-0.71414f, 16777216.0));
    int c = 0;
    for (; c + 16 <= count; c += 16) {
        __m256i r0, g0, b0, r1, g1, b1;
        chromaTerms8(k, cb + c, cr + c, r0, g0, b0);
        chromaTerms8(k, cb + c + 8, cr + c + 8, r1, g1, b1);
        storeTerms(red + c, r0, r1);
        storeTerms(green + c, g0, g1);
        storeTerms(blue + c, b0, b1);
    }
    return c;
}

// One channel of pixels i to i + 31, Y plus its terms, clamped by the
// saturating pack.
AVX2_FUNCTION inline __m256i channel32(const std::int16_t* term, int i, int chromaStep,
                                       __m256i lumaLow, __m256i lumaHigh) {
    __m256i low;
    __m256i high;
    if (chromaStep == 2) {
        const __m256i terms = _mm256_permute4x64_epi64(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(term + i / 2)), 0xD8);
        low = _mm256_unpacklo_epi16(terms, terms);
        high = _mm256_unpackhi_epi16(terms, terms);
    } else {
        low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(term + i));
        high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(term + i + 16));
    }
    return _mm256_packus_epi16(_mm256_add_epi16(lumaLow, low), _mm256_add_epi16(lumaHigh, high));
}

// The pixel loop, thirty-two pixels at a time, up to `end`. Returns how
// many pixels it did.
AVX2_FUNCTION int convertPixelsAvx2(const std::uint8_t* y, const std::int16_t* red,
                                    const std::int16_t* green, const std::int16_t* blue,
                                    int chromaStep, int end, std::uint8_t* out, bool rgb) {
    const __m256i alpha = _mm256_set1_epi8(static_cast<char>(0xFF));
    // Within each half, four RGBA pixels to twelve RGB bytes (the top four
    // bytes are spare).
    const __m256i toRgb = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,
                                           0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int i = 0;
    for (; i + 32 <= end; i += 32) {
        const __m256i luma = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(y + i));
        const __m256i lumaLow = _mm256_cvtepu8_epi16(_mm256_castsi256_si128(luma));
        const __m256i lumaHigh = _mm256_cvtepu8_epi16(_mm256_extracti128_si256(luma, 1));
        // Pixels 0-7 16-23 | 8-15 24-31, in every channel alike.
        const __m256i r = channel32(red, i, chromaStep, lumaLow, lumaHigh);
        const __m256i g = channel32(green, i, chromaStep, lumaLow, lumaHigh);
        const __m256i b = channel32(blue, i, chromaStep, lumaLow, lumaHigh);
        // Interleaving within halves undoes that order: rgLow holds pixels
        // 0-7 | 8-15, rgHigh 16-23 | 24-31.
        const __m256i rgLow = _mm256_unpacklo_epi8(r, g);
        const __m256i rgHigh = _mm256_unpackhi_epi8(r, g);
        const __m256i baLow = _mm256_unpacklo_epi8(b, alpha);
        const __m256i baHigh = _mm256_unpackhi_epi8(b, alpha);
        // Pixels 0-3 | 8-11, 4-7 | 12-15, 16-19 | 24-27, 20-23 | 28-31.
        const __m256i quads[4] = {
            _mm256_unpacklo_epi16(rgLow, baLow), _mm256_unpackhi_epi16(rgLow, baLow),
            _mm256_unpacklo_epi16(rgHigh, baHigh), _mm256_unpackhi_epi16(rgHigh, baHigh)};
        if (!rgb) {
            auto* rgba = reinterpret_cast<__m256i*>(out + 4 * i);
            for (int q = 0; q < 4; q += 2) {
                _mm256_storeu_si256(rgba + q,
                                    _mm256_permute2x128_si256(quads[q], quads[q + 1], 0x20));
                _mm256_storeu_si256(rgba + q + 1,
                                    _mm256_permute2x128_si256(quads[q], quads[q + 1], 0x31));
            }
            continue;
        }
        // Sixteen-byte stores twelve bytes apart, in order, each one's spare
        // bytes overwritten by the next: the caller stops 2 pixels short of
        // the row's end so that none lands beyond it.
        std::uint8_t* to = out + 3 * i;
        for (int q = 0; q < 4; q += 2) {
            const __m256i first = _mm256_shuffle_epi8(quads[q], toRgb);
            const __m256i second = _mm256_shuffle_epi8(quads[q + 1], toRgb);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm256_castsi256_si128(first));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 12), _mm256_castsi256_si128(second));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 24),
                             _mm256_extracti128_si256(first, 1));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 36),
                             _mm256_extracti128_si256(second, 1));
            to += 48;
        }
    }
    return i;
}

#endif

}  // namespace

void convertYCbCr(std::uint8_t y, std::uint8_t cb, std::uint8_t cr, std::uint8_t rgba[4]) {
    const ColourTables& t = colourTables();
    rgba[0] = clampSample(y + t.red[cr]);
    rgba[1] = clampSample(y + t.greenTable[cb << 8 | cr]);
    rgba[2] = clampSample(y + t.blue[cb]);
    rgba[3] = 255;
}

void YCbCrConverter::convertRow(const std::uint8_t* y, const std::uint8_t* cb,
                                const std::uint8_t* cr, int chromaStep, int count,
                                std::uint8_t* out, int pixelBytes) {
    const auto size = static_cast<std::size_t>(count);
    if (red_.size() < size + 16) {
        red_.assign(size + 16, 0);
        green_.assign(size + 16, 0);
        blue_.assign(size + 16, 0);
        lastCb_ = lastCr_ = nullptr;
    }
    // Rows that share their chroma rows share the chroma terms too.
    if (cb != lastCb_ || cr != lastCr_ || chromaStep != lastStep_) {
        const ColourTables& t = colourTables();
        std::int16_t* red = red_.data();
        std::int16_t* green = green_.data();
        std::int16_t* blue = blue_.data();
        // One term per chroma sample; pixel i takes term i / chromaStep.
        const int samples = chromaStep == 2 ? (count + 1) / 2 : count;
        int done = 0;
#if defined(JPEG_AVX2)
        if (useAvx2) done = chromaTermsAvx2(cb, cr, samples, red, green, blue);
#endif
        if (chromaStep == 2) {
            for (int c = done; c < samples; ++c) {
                red[c] = t.red[cr[c]];
                green[c] = t.green(cb[c], cr[c]);
                blue[c] = t.blue[cb[c]];
            }
        } else {
            for (int c = done; c < samples; ++c) {
                red[c] = t.red[cr[c]];
                green[c] = t.greenTable[cb[c] << 8 | cr[c]];
                blue[c] = t.blue[cb[c]];
            }
        }
        lastCb_ = cb;
        lastCr_ = cr;
        lastStep_ = chromaStep;
    }
    int i = 0;
    const bool rgb = pixelBytes == 3;
#if defined(__SSE2__)
    // Y plus each term in 16 bits, clamped by the saturating pack.
    const __m128i zero = _mm_setzero_si128();
    const __m128i alpha = _mm_set1_epi8(static_cast<char>(0xFF));
    // Without alpha, 16 pixels go out as four 16-byte stores 12 bytes apart,
    // whose last 4 bytes the next store (or the scalar tail) overwrites: the
    // loop stops 2 pixels short of the row's end so that none lands beyond it.
    const int vectorEnd = rgb ? count - 2 : count;
#if defined(JPEG_AVX2)
    if (useAvx2) {
        i = convertPixelsAvx2(y, red_.data(), green_.data(), blue_.data(), chromaStep, vectorEnd,
                              out, rgb);
    }
#endif
    for (; i + 16 <= vectorEnd; i += 16) {
        const __m128i luma = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + i));
        const __m128i lumaLow = _mm_unpacklo_epi8(luma, zero);
        const __m128i lumaHigh = _mm_unpackhi_epi8(luma, zero);
        auto channel = [&](const std::int16_t* term) {
            __m128i low;
            __m128i high;
            if (chromaStep == 2) {
                const __m128i terms =
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(term + i / 2));
                low = _mm_unpacklo_epi16(terms, terms);
                high = _mm_unpackhi_epi16(terms, terms);
            } else {
                low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(term + i));
                high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(term + i + 8));
            }
            return _mm_packus_epi16(_mm_add_epi16(lumaLow, low), _mm_add_epi16(lumaHigh, high));
        };
        const __m128i r = channel(red_.data());
        const __m128i g = channel(green_.data());
        const __m128i b = channel(blue_.data());
        const __m128i rgLow = _mm_unpacklo_epi8(r, g);
        const __m128i rgHigh = _mm_unpackhi_epi8(r, g);
        const __m128i baLow = _mm_unpacklo_epi8(b, alpha);
        const __m128i baHigh = _mm_unpackhi_epi8(b, alpha);
        const __m128i quads[4] = {
            _mm_unpacklo_epi16(rgLow, baLow), _mm_unpackhi_epi16(rgLow, baLow),
            _mm_unpacklo_epi16(rgHigh, baHigh), _mm_unpackhi_epi16(rgHigh, baHigh)};
        if (!rgb) {
            auto* rgba = reinterpret_cast<__m128i*>(out + 4 * i);
            for (int q = 0; q < 4; ++q) _mm_storeu_si128(rgba + q, quads[q]);
            continue;
        }
        // Four RGBA pixels to 12 bytes: in each 64-bit half the second
        // pixel moves down over the first one's alpha, then the upper half
        // moves down over the lower one's two spare bytes.
        const __m128i firstOfPair = _mm_set_epi32(0, 0x00FFFFFF, 0, 0x00FFFFFF);
        const __m128i secondOfPair = _mm_set_epi32(0x00FFFFFF, 0, 0x00FFFFFF, 0);
        const __m128i lowSix = _mm_set_epi32(0, 0, 0xFFFF, -1);
        for (int q = 0; q < 4; ++q) {
            const __m128i pairs =
                _mm_or_si128(_mm_and_si128(quads[q], firstOfPair),
                             _mm_srli_epi64(_mm_and_si128(quads[q], secondOfPair), 8));
            const __m128i packed = _mm_or_si128(_mm_and_si128(pairs, lowSix),
                                                _mm_andnot_si128(lowSix, _mm_srli_si128(pairs, 2)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * i + 12 * q), packed);
        }
    }
#endif
    const int n = rgb ? 3 : 4;
    for (; i < count; ++i) {
        const auto k = static_cast<std::size_t>(i / chromaStep);
        out[n * i] = clampSample(y[i] + red_[k]);
        out[n * i + 1] = clampSample(y[i] + green_[k]);
        out[n * i + 2] = clampSample(y[i] + blue_[k]);
        if (!rgb) out[n * i + 3] = 255;
    }
}

}  // namespace image::jpeg
