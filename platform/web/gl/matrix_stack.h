// The modelview and projection matrices as desktop Mesa keeps them
// (src/mesa/math/m_matrix.c and main/matrix.c): the same float operations
// in the same order, and the same bookkeeping of what kind of matrix it is,
// since that bookkeeping picks the multiplication routine (and so the sign
// of some zeros) and the way the inverse is computed. The show reads
// matrices back with glGetFloatv and builds meshes from them, so they must
// match the Linux build's bit for bit. No GL here: the tests link this
// beside desktop GL to compare.
#pragma once

#include <array>

namespace webgl {

struct Matrix {
    float m[16];    // column-major, as glGetFloatv returns it
    float inv[16];  // valid once analysed
    unsigned flags;
    int type;
};

// Mesa's _math_matrix_* operations on one matrix.
void setIdentity(Matrix& matrix);
void analyse(Matrix& matrix);  // classifies it and brings the inverse up to date
// a * b, as Mesa forms the modelview-projection product.
Matrix product(const Matrix& a, const Matrix& b);

// One matrix stack with the checks glRotatef, glLoadMatrixf and the rest make
// before they touch the matrix.
class MatrixStack {
  public:
    static constexpr int kDepth = 32;

    MatrixStack();

    Matrix& top() { return entries_[depth_]; }
    const Matrix& top() const { return entries_[depth_]; }

    // False on overflow or underflow, leaving the stack as it was.
    bool push();
    bool pop();

    void loadIdentity();
    void load(const float m[16]);
    void multiply(const float m[16]);
    void multiply(const double m[16]);  // each value rounded to float first
    void rotate(float angle, float x, float y, float z);
    void translate(float x, float y, float z);
    void scale(float x, float y, float z);
    void ortho(double left, double right, double bottom, double top, double zNear, double zFar);
    // gluPerspective as Mesa's GLU computes it, in double, then multiplied
    // in as the glMultMatrixd it ends with.
    void perspective(double fovY, double aspect, double zNear, double zFar);

  private:
    std::array<Matrix, kDepth> entries_;
    int depth_ = 0;
};

}  // namespace webgl
