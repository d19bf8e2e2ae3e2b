// Mesa 22's matrix arithmetic (m_matrix.c, util_invert_mat4x4) and the
// entry checks of main/matrix.c, carried over operation for operation.
#include "platform/web/gl/matrix_stack.h"

#include <cmath>
#include <cstring>

#include "platform/web/gl/float_trig.h"

namespace webgl {
namespace {

// What Mesa knows about a matrix (MAT_FLAG_*); an identity has none.
constexpr unsigned kGeneral = 0x1;
constexpr unsigned kRotation = 0x2;
constexpr unsigned kTranslation = 0x4;
constexpr unsigned kUniformScale = 0x8;
constexpr unsigned kGeneralScale = 0x10;
constexpr unsigned kGeneral3D = 0x20;
constexpr unsigned kPerspective = 0x40;
constexpr unsigned kSingular = 0x80;
constexpr unsigned kDirtyType = 0x100;
constexpr unsigned kDirtyFlags = 0x200;
constexpr unsigned kDirtyInverse = 0x400;

constexpr unsigned kAnglePreserving = kRotation | kTranslation | kUniformScale;
constexpr unsigned kGeometry = kGeneral | kRotation | kTranslation | kUniformScale | kGeneralScale |
                               kGeneral3D | kPerspective | kSingular;
constexpr unsigned kFlags3D = kRotation | kTranslation | kUniformScale | kGeneralScale | kGeneral3D;
constexpr unsigned kDirty = kDirtyType | kDirtyFlags | kDirtyInverse;

// Mesa's matrix types, which pick the inverse routine.
enum Type {
    kTypeGeneral,
    kTypeIdentity,
    kType3DNoRot,
    kTypePerspective,
    kType2D,
    kType2DNoRot,
    kType3D
};

constexpr double kPi = 3.14159265358979323846;  // M_PI, which not every libc defines

constexpr float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

// True when every geometry flag set lies within `allowed`.
bool onlyFlags(const Matrix& matrix, unsigned allowed) {
    return (kGeometry & ~allowed & matrix.flags) == 0;
}

float& at(float* m, int row, int column) {
    return m[column * 4 + row];
}
float at(const float* m, int row, int column) {
    return m[column * 4 + row];
}

void multiply4(float* product, const float* a, const float* b) {
    for (int i = 0; i < 4; ++i) {
        const float ai0 = at(a, i, 0), ai1 = at(a, i, 1), ai2 = at(a, i, 2), ai3 = at(a, i, 3);
        for (int j = 0; j < 4; ++j) {
            at(product, i, j) =
                ai0 * at(b, 0, j) + ai1 * at(b, 1, j) + ai2 * at(b, 2, j) + ai3 * at(b, 3, j);
        }
    }
}

// Both matrices known to have 0 0 0 1 as their last row.
void multiply34(float* product, const float* a, const float* b) {
    for (int i = 0; i < 3; ++i) {
        const float ai0 = at(a, i, 0), ai1 = at(a, i, 1), ai2 = at(a, i, 2), ai3 = at(a, i, 3);
        for (int j = 0; j < 3; ++j) {
            at(product, i, j) = ai0 * at(b, 0, j) + ai1 * at(b, 1, j) + ai2 * at(b, 2, j);
        }
        at(product, i, 3) = ai0 * at(b, 0, 3) + ai1 * at(b, 1, 3) + ai2 * at(b, 2, 3) + ai3;
    }
    at(product, 3, 0) = 0;
    at(product, 3, 1) = 0;
    at(product, 3, 2) = 0;
    at(product, 3, 3) = 1;
}

// Mesa's matrix_multf: the product in place, its kind joined.
void multiplyKnown(Matrix& matrix, const float* m, unsigned flags) {
    matrix.flags |= flags | kDirtyType | kDirtyInverse;
    if (onlyFlags(matrix, kFlags3D)) {
        multiply34(matrix.m, matrix.m, m);
    } else {
        multiply4(matrix.m, matrix.m, m);
    }
}

bool invertGeneral(Matrix& matrix) {
    const float* m = matrix.m;
    float wtmp[4][8];
    float* r0 = wtmp[0];
    float* r1 = wtmp[1];
    float* r2 = wtmp[2];
    float* r3 = wtmp[3];
    float* rows[4] = {r0, r1, r2, r3};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) rows[r][c] = at(m, r, c);
        for (int c = 4; c < 8; ++c) rows[r][c] = c - 4 == r ? 1.0f : 0.0f;
    }
    auto swap = [](float*& a, float*& b) {
        float* t = a;
        a = b;
        b = t;
    };
    // Partial pivoting; the eliminations skip zero entries of the right
    // half, as Mesa's unrolled loops do.
    if (std::fabs(r3[0]) > std::fabs(r2[0])) swap(r3, r2);
    if (std::fabs(r2[0]) > std::fabs(r1[0])) swap(r2, r1);
    if (std::fabs(r1[0]) > std::fabs(r0[0])) swap(r1, r0);
    if (0.0f == r0[0]) return false;

    float m1 = r1[0] / r0[0];
    float m2 = r2[0] / r0[0];
    float m3 = r3[0] / r0[0];
    for (int c = 1; c < 4; ++c) {
        const float s = r0[c];
        r1[c] -= m1 * s;
        r2[c] -= m2 * s;
        r3[c] -= m3 * s;
    }
    for (int c = 4; c < 8; ++c) {
        const float s = r0[c];
        if (s != 0.0f) {
            r1[c] -= m1 * s;
            r2[c] -= m2 * s;
            r3[c] -= m3 * s;
        }
    }

    if (std::fabs(r3[1]) > std::fabs(r2[1])) swap(r3, r2);
    if (std::fabs(r2[1]) > std::fabs(r1[1])) swap(r2, r1);
    if (0.0f == r1[1]) return false;

    m2 = r2[1] / r1[1];
    m3 = r3[1] / r1[1];
    r2[2] -= m2 * r1[2];
    r3[2] -= m3 * r1[2];
    r2[3] -= m2 * r1[3];
    r3[3] -= m3 * r1[3];
    for (int c = 4; c < 8; ++c) {
        const float s = r1[c];
        if (0.0f != s) {
            r2[c] -= m2 * s;
            r3[c] -= m3 * s;
        }
    }

    if (std::fabs(r3[2]) > std::fabs(r2[2])) swap(r3, r2);
    if (0.0f == r2[2]) return false;

    m3 = r3[2] / r2[2];
    for (int c = 3; c < 8; ++c) r3[c] -= m3 * r2[c];

    if (0.0f == r3[3]) return false;

    float s = 1.0f / r3[3];
    for (int c = 4; c < 8; ++c) r3[c] *= s;

    m2 = r2[3];
    s = 1.0f / r2[2];
    for (int c = 4; c < 8; ++c) r2[c] = s * (r2[c] - r3[c] * m2);
    m1 = r1[3];
    for (int c = 4; c < 8; ++c) r1[c] -= r3[c] * m1;
    float m0 = r0[3];
    for (int c = 4; c < 8; ++c) r0[c] -= r3[c] * m0;

    m1 = r1[2];
    s = 1.0f / r1[1];
    for (int c = 4; c < 8; ++c) r1[c] = s * (r1[c] - r2[c] * m1);
    m0 = r0[2];
    for (int c = 4; c < 8; ++c) r0[c] -= r2[c] * m0;

    m0 = r0[1];
    s = 1.0f / r0[0];
    for (int c = 4; c < 8; ++c) r0[c] = s * (r0[c] - r1[c] * m0);

    float* out = matrix.inv;
    const float* solved[4] = {r0, r1, r2, r3};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) at(out, r, c) = solved[r][c + 4];
    }
    return true;
}

// The translation column of an inverse whose upper 3 by 3 is done.
void invertTranslation(const float* in, float* out) {
    for (int r = 0; r < 3; ++r) {
        at(out, r, 3) = -(at(in, 0, 3) * at(out, r, 0) + at(in, 1, 3) * at(out, r, 1) +
                          at(in, 2, 3) * at(out, r, 2));
    }
}

bool invert3DGeneral(Matrix& matrix) {
    const float* in = matrix.m;
    float* out = matrix.inv;
    // The determinant of the upper 3 by 3, positive and negative terms apart.
    float pos = 0.0f, neg = 0.0f;
    const float terms[6] = {
        at(in, 0, 0) * at(in, 1, 1) * at(in, 2, 2),  at(in, 1, 0) * at(in, 2, 1) * at(in, 0, 2),
        at(in, 2, 0) * at(in, 0, 1) * at(in, 1, 2),  -at(in, 2, 0) * at(in, 1, 1) * at(in, 0, 2),
        -at(in, 1, 0) * at(in, 0, 1) * at(in, 2, 2), -at(in, 0, 0) * at(in, 2, 1) * at(in, 1, 2),
    };
    for (const float t : terms) {
        if (t >= 0.0f) {
            pos += t;
        } else {
            neg += t;
        }
    }
    float det = pos + neg;
    if (std::fabs(det) < 1e-25f) return false;
    det = 1.0f / det;
    at(out, 0, 0) = ((at(in, 1, 1) * at(in, 2, 2) - at(in, 2, 1) * at(in, 1, 2)) * det);
    at(out, 0, 1) = (-(at(in, 0, 1) * at(in, 2, 2) - at(in, 2, 1) * at(in, 0, 2)) * det);
    at(out, 0, 2) = ((at(in, 0, 1) * at(in, 1, 2) - at(in, 1, 1) * at(in, 0, 2)) * det);
    at(out, 1, 0) = (-(at(in, 1, 0) * at(in, 2, 2) - at(in, 2, 0) * at(in, 1, 2)) * det);
    at(out, 1, 1) = ((at(in, 0, 0) * at(in, 2, 2) - at(in, 2, 0) * at(in, 0, 2)) * det);
    at(out, 1, 2) = (-(at(in, 0, 0) * at(in, 1, 2) - at(in, 1, 0) * at(in, 0, 2)) * det);
    at(out, 2, 0) = ((at(in, 1, 0) * at(in, 2, 1) - at(in, 2, 0) * at(in, 1, 1)) * det);
    at(out, 2, 1) = (-(at(in, 0, 0) * at(in, 2, 1) - at(in, 2, 0) * at(in, 0, 1)) * det);
    at(out, 2, 2) = ((at(in, 0, 0) * at(in, 1, 1) - at(in, 1, 0) * at(in, 0, 1)) * det);
    invertTranslation(in, out);
    return true;
}

bool invert3D(Matrix& matrix) {
    const float* in = matrix.m;
    float* out = matrix.inv;
    if (!onlyFlags(matrix, kAnglePreserving)) return invert3DGeneral(matrix);
    if (matrix.flags & kUniformScale) {
        float scale =
            at(in, 0, 0) * at(in, 0, 0) + at(in, 0, 1) * at(in, 0, 1) + at(in, 0, 2) * at(in, 0, 2);
        if (scale == 0.0f) return false;
        scale = 1.0f / scale;
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) at(out, r, c) = scale * at(in, c, r);
        }
    } else if (matrix.flags & kRotation) {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) at(out, r, c) = at(in, c, r);
        }
    } else {
        std::memcpy(out, kIdentity, sizeof kIdentity);
        at(out, 0, 3) = -at(in, 0, 3);
        at(out, 1, 3) = -at(in, 1, 3);
        at(out, 2, 3) = -at(in, 2, 3);
        return true;
    }
    if (matrix.flags & kTranslation) {
        invertTranslation(in, out);
    } else {
        at(out, 0, 3) = at(out, 1, 3) = at(out, 2, 3) = 0.0f;
    }
    return true;
}

bool invertIdentity(Matrix& matrix) {
    std::memcpy(matrix.inv, kIdentity, sizeof kIdentity);
    return true;
}

// Mesa's invert_matrix_3d_no_rot and invert_matrix_2d_no_rot: a diagonal
// and a translation over the first `axes` axes.
bool invertNoRotation(Matrix& matrix, int axes) {
    const float* in = matrix.m;
    float* out = matrix.inv;
    for (int i = 0; i < axes; ++i) {
        if (at(in, i, i) == 0) return false;
    }
    std::memcpy(out, kIdentity, sizeof kIdentity);
    for (int i = 0; i < axes; ++i) at(out, i, i) = 1.0f / at(in, i, i);
    if (matrix.flags & kTranslation) {
        for (int i = 0; i < axes; ++i) at(out, i, 3) = -(at(in, i, 3) * at(out, i, i));
    }
    return true;
}

bool invert(Matrix& matrix) {
    switch (matrix.type) {
        case kTypeIdentity:
            return invertIdentity(matrix);
        case kType3DNoRot:
            return invertNoRotation(matrix, 3);
        case kType2D:
        case kType3D:
            return invert3D(matrix);
        case kType2DNoRot:
            return invertNoRotation(matrix, 2);
        default:  // general and perspective alike
            return invertGeneral(matrix);
    }
}

float dot2(const float* a, const float* b) {
    return a[0] * b[0] + a[1] * b[1];
}
float dot3(const float* a, const float* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
float square(float x) {
    return x * x;
}

// Bit i: element i is 0; bit 16 + i: element i is 1.
constexpr unsigned zero(int i) {
    return 1u << i;
}
constexpr unsigned one(int i) {
    return 1u << (i + 16);
}
constexpr unsigned kMaskNoTranslation = zero(12) | zero(13) | zero(14);
constexpr unsigned kMaskNo2DScale = one(0) | one(5);
constexpr unsigned kMaskIdentity = one(0) | zero(4) | zero(8) | zero(12) | zero(1) | one(5) |
                                   zero(9) | zero(13) | zero(2) | zero(6) | one(10) | zero(14) |
                                   zero(3) | zero(7) | zero(11) | one(15);
constexpr unsigned kMask2DNoRot = zero(4) | zero(8) | zero(1) | zero(9) | zero(2) | zero(6) |
                                  one(10) | zero(14) | zero(3) | zero(7) | zero(11) | one(15);
constexpr unsigned kMask2D = zero(8) | zero(9) | zero(2) | zero(6) | one(10) | zero(14) | zero(3) |
                             zero(7) | zero(11) | one(15);
constexpr unsigned kMask3DNoRot = zero(4) | zero(8) | zero(1) | zero(9) | zero(2) | zero(6) |
                                  zero(3) | zero(7) | zero(11) | one(15);
constexpr unsigned kMask3D = zero(3) | zero(7) | zero(11) | one(15);
constexpr unsigned kMaskPerspective =
    zero(4) | zero(12) | zero(1) | zero(13) | zero(2) | zero(6) | zero(3) | zero(7) | zero(15);

// After glLoadMatrix or glMultMatrix: the kind found from the values.
void analyseFromScratch(Matrix& matrix) {
    const float* m = matrix.m;
    unsigned mask = 0;
    for (int i = 0; i < 16; ++i) {
        if (m[i] == 0.0f) mask |= 1u << i;
    }
    if (m[0] == 1.0f) mask |= 1u << 16;
    if (m[5] == 1.0f) mask |= 1u << 21;
    if (m[10] == 1.0f) mask |= 1u << 26;
    if (m[15] == 1.0f) mask |= 1u << 31;

    matrix.flags &= ~kGeometry;
    if ((mask & kMaskNoTranslation) != kMaskNoTranslation) matrix.flags |= kTranslation;

    constexpr float kLimit = 1e-6f;
    if (mask == kMaskIdentity) {
        matrix.type = kTypeIdentity;
    } else if ((mask & kMask2DNoRot) == kMask2DNoRot) {
        matrix.type = kType2DNoRot;
        if ((mask & kMaskNo2DScale) != kMaskNo2DScale) matrix.flags |= kGeneralScale;
    } else if ((mask & kMask2D) == kMask2D) {
        const float mm = dot2(m, m);
        const float m4m4 = dot2(m + 4, m + 4);
        const float mm4 = dot2(m, m + 4);
        matrix.type = kType2D;
        if (square(mm - 1) > square(kLimit) || square(m4m4 - 1) > square(kLimit)) {
            matrix.flags |= kGeneralScale;
        }
        matrix.flags |= square(mm4) > square(kLimit) ? kGeneral3D : kRotation;
    } else if ((mask & kMask3DNoRot) == kMask3DNoRot) {
        matrix.type = kType3DNoRot;
        if (square(m[0] - m[5]) < square(kLimit) && square(m[0] - m[10]) < square(kLimit)) {
            if (square(m[0] - 1.0f) > square(kLimit)) matrix.flags |= kUniformScale;
        } else {
            matrix.flags |= kGeneralScale;
        }
    } else if ((mask & kMask3D) == kMask3D) {
        const float c1 = dot3(m, m);
        const float c2 = dot3(m + 4, m + 4);
        const float c3 = dot3(m + 8, m + 8);
        const float d1 = dot3(m, m + 4);
        matrix.type = kType3D;
        if (square(c1 - c2) < square(kLimit) && square(c1 - c3) < square(kLimit)) {
            if (square(c1 - 1.0f) > square(kLimit)) matrix.flags |= kUniformScale;
        } else {
            matrix.flags |= kGeneralScale;
        }
        if (square(d1) < square(kLimit)) {
            // Rotation when the third column is the cross product of the first two.
            float cp[3] = {m[1] * m[6] - m[2] * m[5], m[2] * m[4] - m[0] * m[6],
                           m[0] * m[5] - m[1] * m[4]};
            for (int i = 0; i < 3; ++i) cp[i] = cp[i] - m[8 + i];
            matrix.flags |= dot3(cp, cp) < square(kLimit) ? kRotation : kGeneral3D;
        } else {
            matrix.flags |= kGeneral3D;
        }
    } else if ((mask & kMaskPerspective) == kMaskPerspective && m[11] == -1.0f) {
        matrix.type = kTypePerspective;
        matrix.flags |= kGeneral;
    } else {
        matrix.type = kTypeGeneral;
        matrix.flags |= kGeneral;
    }
}

// After the operations that keep the flags exact: the kind from the flags.
void analyseFromFlags(Matrix& matrix) {
    const float* m = matrix.m;
    if (onlyFlags(matrix, 0)) {
        matrix.type = kTypeIdentity;
    } else if (onlyFlags(matrix, kTranslation | kUniformScale | kGeneralScale)) {
        matrix.type = m[10] == 1.0f && m[14] == 0.0f ? kType2DNoRot : kType3DNoRot;
    } else if (onlyFlags(matrix, kFlags3D)) {
        matrix.type = m[8] == 0.0f && m[9] == 0.0f && m[2] == 0.0f && m[6] == 0.0f &&
                              m[10] == 1.0f && m[14] == 0.0f
                          ? kType2D
                          : kType3D;
    } else if (m[4] == 0.0f && m[12] == 0.0f && m[1] == 0.0f && m[13] == 0.0f && m[2] == 0.0f &&
               m[6] == 0.0f && m[3] == 0.0f && m[7] == 0.0f && m[11] == -1.0f && m[15] == 0.0f) {
        matrix.type = kTypePerspective;
    } else {
        matrix.type = kTypeGeneral;
    }
}

}  // namespace

void setIdentity(Matrix& matrix) {
    std::memcpy(matrix.m, kIdentity, sizeof kIdentity);
    std::memcpy(matrix.inv, kIdentity, sizeof kIdentity);
    matrix.type = kTypeIdentity;
    // Mesa leaves the geometry flags as they were: a later multiplication
    // still takes the routine the old matrix called for.
    matrix.flags &= ~kDirty;
}

void analyse(Matrix& matrix) {
    if (matrix.flags & kDirtyType) {
        if (matrix.flags & kDirtyFlags) {
            analyseFromScratch(matrix);
        } else {
            analyseFromFlags(matrix);
        }
    }
    if (matrix.flags & kDirtyInverse) {
        if (invert(matrix)) {
            matrix.flags &= ~kSingular;
        } else {
            matrix.flags |= kSingular;
            std::memcpy(matrix.inv, kIdentity, sizeof kIdentity);
        }
        matrix.flags &= ~kDirtyInverse;
    }
    matrix.flags &= ~(kDirtyFlags | kDirtyType);
}

Matrix product(const Matrix& a, const Matrix& b) {
    Matrix result{};
    result.flags = a.flags | b.flags | kDirtyType | kDirtyInverse;
    if (onlyFlags(result, kFlags3D)) {
        multiply34(result.m, a.m, b.m);
    } else {
        multiply4(result.m, a.m, b.m);
    }
    return result;
}

MatrixStack::MatrixStack() {
    for (Matrix& matrix : entries_) {
        std::memcpy(matrix.m, kIdentity, sizeof kIdentity);
        std::memcpy(matrix.inv, kIdentity, sizeof kIdentity);
        matrix.type = kTypeIdentity;
        matrix.flags = 0;
    }
}

bool MatrixStack::push() {
    if (depth_ + 1 >= kDepth) return false;
    // Mesa brings the matrix up to date before copying it.
    if (top().flags & kDirty) analyse(top());
    entries_[depth_ + 1] = entries_[depth_];
    ++depth_;
    return true;
}

bool MatrixStack::pop() {
    if (depth_ == 0) return false;
    --depth_;
    return true;
}

void MatrixStack::loadIdentity() {
    setIdentity(top());
}

void MatrixStack::load(const float m[16]) {
    // The same matrix again keeps what Mesa knew about it.
    if (std::memcmp(m, top().m, sizeof top().m) == 0) return;
    std::memcpy(top().m, m, sizeof top().m);
    top().flags = kGeneral | kDirty;
}

void MatrixStack::multiply(const float m[16]) {
    if (std::memcmp(m, kIdentity, sizeof kIdentity) == 0) return;
    top().flags |= kGeneral | kDirtyType | kDirtyInverse | kDirtyFlags;
    multiply4(top().m, top().m, m);
}

void MatrixStack::multiply(const double m[16]) {
    float f[16];
    for (int i = 0; i < 16; ++i) f[i] = static_cast<float>(m[i]);
    multiply(f);
}

void MatrixStack::rotate(float angle, float x, float y, float z) {
    if (angle == 0.0f) return;
    // The angle goes to radians in double, then to float for sinf and cosf.
    const auto radians = static_cast<float>(angle * kPi / 180.0);
    const float s = glibcSinf(radians);
    const float c = glibcCosf(radians);
    float m[16];
    std::memcpy(m, kIdentity, sizeof kIdentity);
    bool optimized = false;
    // A rotation about one axis fills in only its four entries.
    if (x == 0.0f) {
        if (y == 0.0f) {
            if (z != 0.0f) {
                optimized = true;
                at(m, 0, 0) = c;
                at(m, 1, 1) = c;
                at(m, 0, 1) = z < 0.0f ? s : -s;
                at(m, 1, 0) = z < 0.0f ? -s : s;
            }
        } else if (z == 0.0f) {
            optimized = true;
            at(m, 0, 0) = c;
            at(m, 2, 2) = c;
            at(m, 0, 2) = y < 0.0f ? -s : s;
            at(m, 2, 0) = y < 0.0f ? s : -s;
        }
    } else if (y == 0.0f) {
        if (z == 0.0f) {
            optimized = true;
            at(m, 1, 1) = c;
            at(m, 2, 2) = c;
            at(m, 1, 2) = x < 0.0f ? s : -s;
            at(m, 2, 1) = x < 0.0f ? -s : s;
        }
    }
    if (!optimized) {
        const float magnitude = std::sqrt(x * x + y * y + z * z);
        if (magnitude <= 1.0e-4f) return;
        x /= magnitude;
        y /= magnitude;
        z /= magnitude;
        const float xx = x * x, yy = y * y, zz = z * z;
        const float xy = x * y, yz = y * z, zx = z * x;
        const float xs = x * s, ys = y * s, zs = z * s;
        const float oneC = 1.0f - c;
        at(m, 0, 0) = (oneC * xx) + c;
        at(m, 0, 1) = (oneC * xy) - zs;
        at(m, 0, 2) = (oneC * zx) + ys;
        at(m, 1, 0) = (oneC * xy) + zs;
        at(m, 1, 1) = (oneC * yy) + c;
        at(m, 1, 2) = (oneC * yz) - xs;
        at(m, 2, 0) = (oneC * zx) - ys;
        at(m, 2, 1) = (oneC * yz) + xs;
        at(m, 2, 2) = (oneC * zz) + c;
    }
    multiplyKnown(top(), m, kRotation);
}

void MatrixStack::translate(float x, float y, float z) {
    float* m = top().m;
    m[12] = m[0] * x + m[4] * y + m[8] * z + m[12];
    m[13] = m[1] * x + m[5] * y + m[9] * z + m[13];
    m[14] = m[2] * x + m[6] * y + m[10] * z + m[14];
    m[15] = m[3] * x + m[7] * y + m[11] * z + m[15];
    top().flags |= kTranslation | kDirtyType | kDirtyInverse;
}

void MatrixStack::scale(float x, float y, float z) {
    float* m = top().m;
    for (int i = 0; i < 4; ++i) {
        m[i] *= x;
        m[4 + i] *= y;
        m[8 + i] *= z;
    }
    if (std::fabs(x - y) < 1e-8f && std::fabs(x - z) < 1e-8f) {
        top().flags |= kUniformScale;
    } else {
        top().flags |= kGeneralScale;
    }
    top().flags |= kDirtyType | kDirtyInverse;
}

void MatrixStack::ortho(double left, double right, double bottom, double top, double zNear,
                        double zFar) {
    // glOrtho works on the values rounded to float.
    const auto l = static_cast<float>(left), r = static_cast<float>(right);
    const auto b = static_cast<float>(bottom), t = static_cast<float>(top);
    const auto n = static_cast<float>(zNear), f = static_cast<float>(zFar);
    if (l == r || b == t || n == f) return;
    float m[16] = {};
    at(m, 0, 0) = 2.0f / (r - l);
    at(m, 0, 3) = -(r + l) / (r - l);
    at(m, 1, 1) = 2.0f / (t - b);
    at(m, 1, 3) = -(t + b) / (t - b);
    at(m, 2, 2) = -2.0f / (f - n);
    at(m, 2, 3) = -(f + n) / (f - n);
    at(m, 3, 3) = 1.0f;
    multiplyKnown(this->top(), m, kGeneralScale | kTranslation);
}

void MatrixStack::perspective(double fovY, double aspect, double zNear, double zFar) {
    const double radians = fovY / 2 * kPi / 180;
    const double deltaZ = zFar - zNear;
    const double sine = std::sin(radians);
    if (deltaZ == 0 || sine == 0 || aspect == 0) return;
    const double cotangent = std::cos(radians) / sine;
    double m[16] = {};
    m[0] = cotangent / aspect;
    m[5] = cotangent;
    m[10] = -(zFar + zNear) / deltaZ;
    m[11] = -1;
    m[14] = -2 * zNear * zFar / deltaZ;
    multiply(m);
}

}  // namespace webgl
