#include "render/vector.h"

#include <cmath>

namespace render {

Vec3::Vec3(float x, float y, float z) : x(x), y(y), z(z) {}

Vec3& Vec3::set(float newX, float newY, float newZ) {
    x = newX;
    y = newY;
    z = newZ;
    return *this;
}

Vec3 Vec3::add(const Vec3& other) {
    x = static_cast<float>(static_cast<double>(x) + other.x);
    y = static_cast<float>(static_cast<double>(y) + other.y);
    z = static_cast<float>(static_cast<double>(z) + other.z);
    return *this;
}

Vec3 Vec3::subtract(const Vec3& other) const {
    return {static_cast<float>(static_cast<double>(x) - other.x),
            static_cast<float>(static_cast<double>(y) - other.y),
            static_cast<float>(static_cast<double>(z) - other.z)};
}

Vec3 Vec3::cross(const Vec3& other) const {
    const double ax = x, ay = y, az = z;
    return {static_cast<float>(ay * other.z - az * other.y),
            static_cast<float>(az * other.x - ax * other.z),
            static_cast<float>(ax * other.y - ay * other.x)};
}

namespace {
// 1 / length in double, or 0 for a zero vector. Kept in double so that a
// tiny but non-zero vector cannot overflow the factor to infinity.
double inverseLength(const Vec3& v) {
    const double x = v.x, y = v.y, z = v.z;
    const double length = std::sqrt(x * x + y * y + z * z);
    return length > 0 ? 1.0 / length : 0.0;
}
}  // namespace

void Vec3::normalize() {
    const double factor = inverseLength(*this);
    x = static_cast<float>(x * factor);
    y = static_cast<float>(y * factor);
    z = static_cast<float>(z * factor);
}

Vec3 Vec3::withLength(float length) const {
    const double factor = inverseLength(*this);
    return {static_cast<float>(x * factor * length), static_cast<float>(y * factor * length),
            static_cast<float>(z * factor * length)};
}

Vec3& Vec3::transform(const Matrix4& matrix) {
    // Every row reads the old x, y, z.
    const double px = x, py = y, pz = z;
    const float* m = matrix.m;
    x = static_cast<float>(m[0] * px + m[4] * py + m[8] * pz + m[12]);
    y = static_cast<float>(m[1] * px + m[5] * py + m[9] * pz + m[13]);
    z = static_cast<float>(m[2] * px + m[6] * py + m[10] * pz + m[14]);
    return *this;
}

Vec2& Vec2::set(float newX, float newY) {
    x = newX;
    y = newY;
    return *this;
}

}  // namespace render
