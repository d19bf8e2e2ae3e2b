// glibc's sinf and cosf (sysdeps/ieee754/flt-32, from Arm's
// optimized-routines, MIT licensed) as its x86-64 build runs them on a
// processor with FMA, which is the variant glibc picks there: every
// a * b + c of the C source fused, the quadrant found by a scaled integer
// conversion rather than a rounding instruction. Checked against the host's
// sinf and cosf on every float: no difference. (Without FMA glibc runs the
// unfused variant, which differs from this in 34 arguments.)
#include "platform/web/gl/float_trig.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace webgl {
namespace {

// The polynomials for sine and cosine; the second entry computes -cos(x)
// so that quadrants 2 and 3 need no negation.
struct SinCosTable {
    double sign[4];
    double hpiInv;  // 2 / pi * 2^24
    double hpi;     // pi / 2
    double c0, c1, c2, c3, c4;
    double s1, s2, s3;
};

constexpr SinCosTable kTable[2] = {
    {{1.0, -1.0, -1.0, 1.0},
     0x1.45F306DC9C883p+23,
     0x1.921FB54442D18p0,
     0x1p0,
     -0x1.ffffffd0c621cp-2,
     0x1.55553e1068f19p-5,
     -0x1.6c087e89a359dp-10,
     0x1.99343027bf8c3p-16,
     -0x1.555545995a603p-3,
     0x1.1107605230bc4p-7,
     -0x1.994eb3774cf24p-13},
    {{1.0, -1.0, -1.0, 1.0},
     0x1.45F306DC9C883p+23,
     0x1.921FB54442D18p0,
     -0x1p0,
     0x1.ffffffd0c621cp-2,
     -0x1.55553e1068f19p-5,
     0x1.6c087e89a359dp-10,
     -0x1.99343027bf8c3p-16,
     -0x1.555545995a603p-3,
     0x1.1107605230bc4p-7,
     -0x1.994eb3774cf24p-13},
};

// 4 / pi to 192 bits, eight new bits per entry.
constexpr std::uint32_t kInvPio4[24] = {
    0xa2,       0xa2f9,     0xa2f983,   0xa2f9836e, 0xf9836e4e, 0x836e4e44, 0x6e4e4415, 0x4e441529,
    0x441529fc, 0x1529fc27, 0x29fc2757, 0xfc2757d1, 0x2757d1f5, 0x57d1f534, 0xd1f534dd, 0xf534ddc0,
    0x34ddc0db, 0xddc0db62, 0xc0db6295, 0xdb629599, 0x6295993c, 0x95993c43, 0x993c4390, 0x3c439041,
};

constexpr double kPi63 = 0x1.921FB54442D18p-62;  // 2 pi * 2^-64
constexpr float kPio4 = 0x1.921FB6p-1f;

std::uint32_t bits(float x) {
    std::uint32_t u;
    std::memcpy(&u, &x, sizeof u);  // emscripten's libc++ has no std::bit_cast yet
    return u;
}

std::uint32_t abstop12(float x) {
    return (bits(x) >> 20) & 0x7ff;
}

// Odd n: the cosine polynomial.
float polynomial(double x, double x2, const SinCosTable* p, int n) {
    if ((n & 1) == 0) {
        const double x3 = x * x2;
        const double s1 = std::fma(x2, p->s3, p->s2);
        const double x7 = x3 * x2;
        const double s = std::fma(x3, p->s1, x);
        return static_cast<float>(std::fma(x7, s1, s));
    }
    const double x4 = x2 * x2;
    const double c2 = std::fma(x2, p->c4, p->c3);
    const double c1 = std::fma(x2, p->c1, p->c0);
    const double x6 = x4 * x2;
    const double c = std::fma(x4, p->c2, c1);
    return static_cast<float>(std::fma(x6, c2, c));
}

// |x| below 120: one multiply-subtract by pi / 2 is exact enough.
double reduceFast(double x, const SinCosTable* p, int* quadrant) {
    const double r = x * p->hpiInv;
    const int n = (static_cast<std::int32_t>(r) + 0x800000) >> 24;
    *quadrant = n;
    return std::fma(-n, p->hpi, x);
}

// Larger arguments: a 32 by 96 bit product with 4 / pi in integers.
double reduceLarge(std::uint32_t xi, int* quadrant) {
    const std::uint32_t* arr = &kInvPio4[(xi >> 26) & 15];
    const int shift = (xi >> 23) & 7;
    xi = (xi & 0xffffff) | 0x800000;
    xi <<= shift;
    std::uint64_t res0 = xi * arr[0];  // the low 32 bits only, as in C
    const std::uint64_t res1 = static_cast<std::uint64_t>(xi) * arr[4];
    const std::uint64_t res2 = static_cast<std::uint64_t>(xi) * arr[8];
    res0 = (res2 >> 32) | (res0 << 32);
    res0 += res1;
    const std::uint64_t n = (res0 + (1ULL << 61)) >> 62;
    res0 -= n << 62;
    const double x = static_cast<double>(static_cast<std::int64_t>(res0));
    *quadrant = static_cast<int>(n);
    return x * kPi63;
}

// Cosine is sine a quadrant on.
float sinOrCos(float y, bool cosine) {
    double x = y;
    int n = 0;
    const SinCosTable* p = &kTable[0];
    if (abstop12(y) < abstop12(kPio4)) {
        const double x2 = x * x;
        if (abstop12(y) < abstop12(0x1p-12f)) return cosine ? 1.0f : y;
        return polynomial(x, x2, p, cosine ? 1 : 0);
    }
    if (abstop12(y) < abstop12(120.0f)) {
        x = reduceFast(x, p, &n);
        const double s = p->sign[n & 3];
        if (n & 2) p = &kTable[1];
        return polynomial(x * s, x * x, p, cosine ? n ^ 1 : n);
    }
    if (abstop12(y) < abstop12(__builtin_inff())) {
        const std::uint32_t xi = bits(y);
        const int sign = static_cast<int>(xi >> 31);
        x = reduceLarge(xi, &n);
        const double s = p->sign[(n + sign) & 3];
        if ((n + sign) & 2) p = &kTable[1];
        return polynomial(x * s, x * x, p, cosine ? n ^ 1 : n);
    }
    return (y - y) / (y - y);
}

}  // namespace

float glibcSinf(float x) {
    return sinOrCos(x, false);
}

float glibcCosf(float x) {
    return sinOrCos(x, true);
}

}  // namespace webgl
