#include <gtest/gtest.h>

#include <cmath>

#include "mesh/builders.h"
#include "mesh/mesh.h"

namespace {

using mesh::Mesh;
using render::Vec3;

void expectNormal(const Mesh& m, int vertex, float x, float y, float z) {
    const Vec3& n = m.vertices[vertex].normal;
    EXPECT_FLOAT_EQ(n.x, x) << "vertex " << vertex;
    EXPECT_FLOAT_EQ(n.y, y) << "vertex " << vertex;
    EXPECT_FLOAT_EQ(n.z, z) << "vertex " << vertex;
}

TEST(ComputeNormals, SplitSquareFacesUp) {
    Mesh square(4, 2);
    square.vertices[0].position.set(0, 0, 0);
    square.vertices[1].position.set(1, 0, 0);
    square.vertices[2].position.set(1, 1, 0);
    square.vertices[3].position.set(0, 1, 0);
    square.triangles[0] = {0, 1, 2, 0};
    square.triangles[1] = {0, 2, 3, 0};
    square.vertices[3].normal.set(5, 5, 5);  // overwritten, not added to
    EXPECT_EQ(&square.computeNormals(), &square);
    for (int i = 0; i < 4; ++i) expectNormal(square, i, 0, 0, 1);

    // Reversed winding turns the normals over.
    square.triangles[0] = {0, 2, 1, 0};
    square.triangles[1] = {0, 3, 2, 0};
    square.computeNormals();
    for (int i = 0; i < 4; ++i) expectNormal(square, i, 0, 0, -1);
}

TEST(ComputeNormals, BoxCornersBlendTheirFaces) {
    Mesh box = mesh::makeBox(Vec3(1, 1, 1));
    box.computeNormals();
    // Vertex 0 is in two +y triangles, one -z and one -x: each counts once.
    const float k = 1 / std::sqrt(6.0f);
    expectNormal(box, 0, -k, 2 * k, -k);
    for (int i = 0; i < 8; ++i) {
        const Vec3& n = box.vertices[i].normal;
        const Vec3& p = box.vertices[i].position;
        EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1, 1e-6);
        EXPECT_GT(n.x * p.x + n.y * p.y + n.z * p.z, 0.5f) << "vertex " << i << " points inwards";
    }

    // Idempotent to the bit: the old normals play no part.
    const Mesh once(box);
    box.computeNormals();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(box.vertices[i].normal.x, once.vertices[i].normal.x);
        EXPECT_EQ(box.vertices[i].normal.y, once.vertices[i].normal.y);
        EXPECT_EQ(box.vertices[i].normal.z, once.vertices[i].normal.z);
    }
}

TEST(ComputeNormals, DegenerateInputStaysFinite) {
    // Triangle 0 is fine, triangle 1 has zero area, triangle 2 points past
    // the array, vertex 4 is unused.
    Mesh m(5, 3);
    m.vertices[0].position.set(0, 0, 0);
    m.vertices[1].position.set(1, 0, 0);
    m.vertices[2].position.set(0, 1, 0);
    m.vertices[3].position.set(2, 2, 2);
    m.triangles[0] = {0, 1, 2, 0};
    m.triangles[1] = {3, 3, 0, 0};
    m.triangles[2] = {0, 5, -1, 0};
    m.computeNormals();
    expectNormal(m, 0, 0, 0, 1);
    expectNormal(m, 1, 0, 0, 1);
    expectNormal(m, 3, 0, 0, 0);
    expectNormal(m, 4, 0, 0, 0);

    // Released: its counts remain but there is nothing to touch.
    m.release();
    m.computeNormals();
    EXPECT_EQ(m.vertices, nullptr);
}

}  // namespace
