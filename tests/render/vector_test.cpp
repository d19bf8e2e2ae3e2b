#include "render/vector.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using render::Matrix4;
using render::Vec3;

void expectVec3(const Vec3& v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(Vec3, OperandOrderAndSigns) {
    const Vec3 a(1, 2, 3);
    expectVec3(a.subtract(Vec3(1, 1, 1)), 0, 1, 2);  // a - b, never b - a
    expectVec3(a, 1, 2, 3);

    expectVec3(Vec3(1, 0, 0).cross(Vec3(0, 1, 0)), 0, 0, 1);
    expectVec3(Vec3(2, 3, 4).cross(Vec3(5, 6, 7)), -3, 6, -3);

    Vec3 sum(1, 2, 3);
    expectVec3(sum.add(Vec3(10, 20, 30)), 11, 22, 33);
    expectVec3(sum, 11, 22, 33);
    EXPECT_EQ(render::Color4().a, 1) << "opaque black by default";
}

TEST(Vec3, NormalizeAndWithLength) {
    Vec3 v(3, 0, 4);
    v.normalize();
    expectVec3(v, 0.6f, 0, 0.8f);
    const Vec3 down(0, 0, -2);
    expectVec3(down.withLength(5), 0, 0, -5);
    expectVec3(down, 0, 0, -2);

    // Zero stays zero instead of turning into NaN.
    Vec3 zero;
    zero.normalize();
    expectVec3(zero, 0, 0, 0);
    expectVec3(Vec3().withLength(3), 0, 0, 0);

    // The extremes of float range: squares that underflow or overflow in
    // float, and a factor 1 / length that would overflow it.
    Vec3 tiny(1e-45f, 0, 0);
    tiny.normalize();
    expectVec3(tiny, 1, 0, 0);
    Vec3 huge(3e38f, 0, 3e38f);
    huge.normalize();
    expectVec3(huge, std::sqrt(0.5f), 0, std::sqrt(0.5f));
    expectVec3(Vec3(0, -1e-40f, 0).withLength(2), 0, -2, 0);
}

TEST(Vec3, TransformAsPointWithOldCoordinates) {
    // x' = 2x, y' = x + y, z' = x + y + z, plus (10, 20, 30); the bottom row
    // would scale by 1/w if it were used. Overwriting x or y before the
    // later rows read them would change y' and z'.
    Matrix4 mixed{};
    const float m[16] = {2, 1, 1, 5, 0, 1, 1, 0, 0, 0, 1, 0, 10, 20, 30, 4};
    std::copy(m, m + 16, mixed.m);
    Vec3 p(1, 2, 3);
    EXPECT_EQ(&p.transform(mixed), &p);
    expectVec3(p, 12, 23, 36);
}

}  // namespace
