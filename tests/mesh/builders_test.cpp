#include "mesh/builders.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "tests/support/gl_test_context.h"

namespace {

using mesh::Mesh;
using mesh::MeshTriangle;
using mesh::Outline;
using render::Vec3;

void expectPosition(const Mesh& m, int vertex, float x, float y, float z) {
    const Vec3& p = m.vertices[vertex].position;
    EXPECT_NEAR(p.x, x, 1e-5) << "vertex " << vertex;
    EXPECT_NEAR(p.y, y, 1e-5) << "vertex " << vertex;
    EXPECT_NEAR(p.z, z, 1e-5) << "vertex " << vertex;
}

void expectTriangle(const Mesh& m, int t, int i0, int i1, int i2) {
    const MeshTriangle& tri = m.triangles[t];
    EXPECT_TRUE(tri.i0 == i0 && tri.i1 == i1 && tri.i2 == i2)
        << "triangle " << t << " is (" << tri.i0 << ", " << tri.i1 << ", " << tri.i2 << ")";
}

// Face normal the way the normals are computed: (P0 - P1) x (P0 - P2).
Vec3 faceNormal(const Mesh& m, const MeshTriangle& t) {
    const Vec3& p0 = m.vertices[t.i0].position;
    return p0.subtract(m.vertices[t.i1].position).cross(p0.subtract(m.vertices[t.i2].position));
}

Vec3 centroid(const Mesh& m, const MeshTriangle& t) {
    const Vec3 &a = m.vertices[t.i0].position, &b = m.vertices[t.i1].position,
               &c = m.vertices[t.i2].position;
    return Vec3((a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3);
}

void expectIndicesInRange(const Mesh& m) {
    for (int t = 0; t < m.triangleCount; ++t) {
        for (const int i : {m.triangles[t].i0, m.triangles[t].i1, m.triangles[t].i2}) {
            EXPECT_GE(i, 0) << "triangle " << t;
            EXPECT_LT(i, m.vertexCount) << "triangle " << t;
        }
    }
}

std::array<float, 32> matrices() {
    std::array<float, 32> m{};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    glGetFloatv(GL_PROJECTION_MATRIX, m.data() + 16);
    return m;
}

TEST(MakeBox, CornersAndTriangleTable) {
    const Mesh box = mesh::makeBox(Vec3(1, 2, 3));
    ASSERT_EQ(box.vertexCount, 8);
    ASSERT_EQ(box.triangleCount, 12);
    const float corners[8][3] = {{-1, 2, -3},  {1, 2, -3},  {1, 2, 3},  {-1, 2, 3},
                                 {-1, -2, -3}, {1, -2, -3}, {1, -2, 3}, {-1, -2, 3}};
    for (int i = 0; i < 8; ++i) expectPosition(box, i, corners[i][0], corners[i][1], corners[i][2]);
    const int table[12][3] = {{0, 2, 1}, {0, 3, 2}, {3, 6, 2}, {3, 7, 6}, {4, 5, 7}, {5, 6, 7},
                              {0, 1, 4}, {1, 5, 4}, {1, 2, 5}, {2, 6, 5}, {3, 0, 4}, {7, 3, 4}};
    for (int t = 0; t < 12; ++t) expectTriangle(box, t, table[t][0], table[t][1], table[t][2]);

    // Each pair of triangles faces out along its own axis.
    const Vec3 axes[6] = {{0, 1, 0}, {0, 0, 1}, {0, -1, 0}, {0, 0, -1}, {1, 0, 0}, {-1, 0, 0}};
    for (int t = 0; t < 12; ++t) {
        Vec3 n = faceNormal(box, box.triangles[t]);
        n.normalize();
        const Vec3& axis = axes[t / 2];
        EXPECT_FLOAT_EQ(n.x * axis.x + n.y * axis.y + n.z * axis.z, 1) << "triangle " << t;
    }
}

TEST(MakePolygonOutline, SquareAndExactPoints) {
    const Outline square = mesh::makePolygonOutline(1, 4);
    ASSERT_EQ(square.pointCount, 4);
    ASSERT_EQ(square.edgeCount, 4);
    const float points[4][2] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(square.points[i].position.x, points[i][0], 1e-6);
        EXPECT_NEAR(square.points[i].position.y, points[i][1], 1e-6);
        EXPECT_TRUE(square.points[i].aux.x == 0 && square.points[i].aux.y == 0);
        EXPECT_EQ(square.edges[i].from, i);
        EXPECT_EQ(square.edges[i].to, (i + 1) % 4);
    }

    EXPECT_EQ(mesh::makePolygonOutline(1, 0).pointCount, 0);
}

TEST(RevolveOutline, RevolvedSquare) {
    ASSERT_TRUE(test_support::openGlContext());
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1, 2, 3);
    glMatrixMode(GL_PROJECTION);
    glOrtho(-1, 2, -3, 4, -5, 6);
    glMatrixMode(GL_MODELVIEW);
    const auto before = matrices();

    const Mesh ring = mesh::revolveOutline(3, 4, mesh::makePolygonOutline(1, 4));
    EXPECT_EQ(matrices(), before);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);

    ASSERT_EQ(ring.vertexCount, 16);
    ASSERT_EQ(ring.triangleCount, 32);
    expectPosition(ring, 0, 4, 0, 0);
    expectPosition(ring, 1, 3, 1, 0);
    expectPosition(ring, 2, 2, 0, 0);
    expectPosition(ring, 3, 3, -1, 0);
    expectPosition(ring, 4, 0, 0, -4);  // ring 1, 90 degrees about +y
    expectPosition(ring, 9, -3, 1, 0);
    expectPosition(ring, 15, 0, -1, 3);
    expectTriangle(ring, 0, 0, 4, 5);
    expectTriangle(ring, 1, 5, 1, 0);
    expectTriangle(ring, 24, 12, 0, 1);  // ring 3 wraps to ring 0
    expectTriangle(ring, 25, 1, 13, 12);
    expectTriangle(ring, 6, 3, 7, 4);  // point 3 wraps to point 0
    expectTriangle(ring, 7, 4, 0, 3);
    expectIndicesInRange(ring);
}

TEST(RevolveOutline, ScenesRingsFaceAwayFromTheTube) {
    ASSERT_TRUE(test_support::openGlContext());
    glMatrixMode(GL_MODELVIEW);
    for (int n = 3; n <= 6; ++n) {
        const Mesh ring = mesh::revolveOutline(3, n, mesh::makePolygonOutline(1, n));
        ASSERT_EQ(ring.vertexCount, n * n);
        ASSERT_EQ(ring.triangleCount, 2 * n * n);
        expectIndicesInRange(ring);
        // Each ring is a regular polygon about its own point of the centre
        // line, so the mean of its vertices is that point.
        std::vector<Vec3> centres(n);
        for (int i = 0; i < n * n; ++i) {
            const Vec3& p = ring.vertices[i].position;
            centres[i / n].add(Vec3(p.x / n, p.y / n, p.z / n));
        }
        for (int t = 0; t < ring.triangleCount; ++t) {
            const MeshTriangle& tri = ring.triangles[t];
            const Vec3& from = centres[t / (2 * n)];
            const Vec3& to = centres[(t / (2 * n) + 1) % n];
            const Vec3 axis((from.x + to.x) / 2, 0, (from.z + to.z) / 2);
            const Vec3 out = centroid(ring, tri).subtract(axis);
            const Vec3 f = faceNormal(ring, tri);
            EXPECT_GT(f.x * out.x + f.y * out.y + f.z * out.z, 0) << n << " sides, triangle " << t;
        }
    }
}

TEST(RevolveOutline, FewerEdgesThanPointsStaysInBounds) {
    ASSERT_TRUE(test_support::openGlContext());
    glMatrixMode(GL_MODELVIEW);
    Outline outline(4, 2);
    for (int i = 0; i < 4; ++i) outline.points[i].position.set(i % 2, i / 2);
    const Mesh ring = mesh::revolveOutline(3, 3, outline);
    EXPECT_EQ(ring.vertexCount, 12);
    ASSERT_EQ(ring.triangleCount, 12);
    expectIndicesInRange(ring);
    expectTriangle(ring, 0, 0, 4, 5);

    const Mesh none = mesh::revolveOutline(3, 0, mesh::makePolygonOutline(1, 4));
    EXPECT_EQ(none.vertexCount, 0);
    EXPECT_EQ(none.triangleCount, 0);
}

}  // namespace
