// The geometry value types: Vec3, Vec2, Color4 and Matrix4. Plain values,
// copied freely, never allocating.
//
// Vector arithmetic is evaluated in double and each result is stored as a
// float, the way the show's numbers are defined, so results do not depend on
// the compiler's float evaluation. Normalising a zero vector gives a zero
// vector rather than NaN, so one degenerate triangle cannot poison a mesh.
#pragma once

namespace render {

struct Matrix4;

struct Vec3 {
    float x = 0, y = 0, z = 0;

    Vec3() = default;
    Vec3(float x, float y, float z);

    Vec3& set(float x, float y, float z);
    // In place; returns a copy of the new value.
    Vec3 add(const Vec3& other);
    // this - other; the receiver is unchanged.
    Vec3 subtract(const Vec3& other) const;
    // Right-handed this x other.
    Vec3 cross(const Vec3& other) const;
    // In place, to unit length; a zero vector stays zero.
    void normalize();
    // The same direction with the given length; a zero vector gives zero.
    Vec3 withLength(float length) const;
    // In place: the point (x, y, z, 1) times m, without division by w.
    Vec3& transform(const Matrix4& m);
};

struct Vec2 {
    float x = 0, y = 0;

    Vec2& set(float x, float y);
};

struct Color4 {
    float r = 0, g = 0, b = 0, a = 1;
};

// Sixteen floats in GL column-major order, m[4 * column + row]; m[12..14] is
// the translation. Not initialised on construction: start with setIdentity.
// The operations compose through the GL modelview stack (matrix4.cpp), so
// they need a current context with GL_MODELVIEW as the matrix mode; the GL's
// own modelview matrix is left as it was.
struct Matrix4 {
    float m[16];

    Matrix4& setIdentity();
    // this * T(x, y, z).
    Matrix4& translate(float x, float y, float z);
    // this * Rx(ax) * Ry(ay) * Rz(az), angles in degrees.
    Matrix4& rotate(float ax, float ay, float az);
};

}  // namespace render
