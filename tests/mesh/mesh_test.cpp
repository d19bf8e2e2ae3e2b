#include "mesh/mesh.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using mesh::Mesh;
using mesh::MeshTriangle;
using mesh::MeshVertex;
using mesh::Outline;

// Records of plain four-byte words: equal bytes are equal fields.
void expectSameMesh(const Mesh& a, const Mesh& b) {
    ASSERT_EQ(a.vertexCount, b.vertexCount);
    ASSERT_EQ(a.triangleCount, b.triangleCount);
    EXPECT_EQ(std::memcmp(a.vertices.get(), b.vertices.get(), sizeof(MeshVertex) * a.vertexCount),
              0);
    EXPECT_EQ(
        std::memcmp(a.triangles.get(), b.triangles.get(), sizeof(MeshTriangle) * a.triangleCount),
        0);
}

// A small mesh with every field set to something other than its default.
Mesh sample() {
    Mesh m(3, 2);
    for (int i = 0; i < 3; ++i) {
        m.vertices[i].position.set(i, i + 1.5f, -i);
        m.vertices[i].normal.set(0, 0, 1);
        m.vertices[i].texCoord.set(0.25f * i, 1);
        m.vertices[i].color = {0.5f, 0.25f, 0.125f, 0.75f};
        m.vertices[i].index = 10 + i;
    }
    m.triangles[0] = {0, 1, 2, 7};
    m.triangles[1] = {2, 1, 0, -7};
    return m;
}

TEST(Mesh, AllocateGivesDefaults) {
    const Mesh m(3, 1);
    EXPECT_TRUE(m.ownsArrays);
    ASSERT_EQ(m.vertexCount, 3);
    ASSERT_EQ(m.triangleCount, 1);
    for (int i = 0; i < 3; ++i) {
        const MeshVertex& v = m.vertices[i];
        EXPECT_EQ(v.index, i);
        EXPECT_TRUE(v.position.x == 0 && v.normal.z == 0 && v.texCoord.y == 0);
        // Opaque white, unlike a default Color4.
        EXPECT_TRUE(v.color.r == 1 && v.color.g == 1 && v.color.b == 1 && v.color.a == 1);
    }
    EXPECT_EQ(m.triangles[0].i2, 0);

    const Mesh empty;
    EXPECT_FALSE(empty.ownsArrays);
    EXPECT_EQ(empty.vertices, nullptr);
    for (auto [vertices, triangles] : {std::pair{0, 0}, {-4, -1}}) {
        const Mesh none(vertices, triangles);
        EXPECT_TRUE(none.ownsArrays);
        EXPECT_EQ(none.vertexCount, 0);
        EXPECT_EQ(none.triangleCount, 0);
    }
}

TEST(Mesh, CopiesAreDeepAndIndependent) {
    const Mesh source = sample();
    Mesh copy(source);
    EXPECT_TRUE(copy.ownsArrays);
    expectSameMesh(copy, source);
    EXPECT_NE(copy.vertices.get(), source.vertices.get());
    EXPECT_NE(copy.triangles.get(), source.triangles.get());

    copy.vertices[1].position.x = 99;
    copy.triangles[0].i1 = 0;
    EXPECT_EQ(source.vertices[1].position.x, 1);
    EXPECT_EQ(source.triangles[0].i1, 1);

    // Assignment replaces an owning mesh's arrays and fills an empty one.
    Mesh big(8, 12);
    big = source;
    expectSameMesh(big, source);
    Mesh empty;
    EXPECT_EQ(&empty.assign(source), &empty);
    EXPECT_TRUE(empty.ownsArrays);
    expectSameMesh(empty, source);

    // Assigning to itself keeps the contents (and frees nothing it reads).
    Mesh self = sample();
    Mesh& alias = self;
    self = alias;
    expectSameMesh(self, source);
}

TEST(Mesh, ReleaseFreesOnceAndKeepsCounts) {
    Mesh m = sample();
    m.release();
    EXPECT_FALSE(m.ownsArrays);
    EXPECT_EQ(m.vertices, nullptr);
    EXPECT_EQ(m.triangles, nullptr);
    EXPECT_EQ(m.vertexCount, 3);
    EXPECT_EQ(m.triangleCount, 2);
    m.release();
    EXPECT_FALSE(m.ownsArrays);

    // Its stale counts promise arrays it no longer has: a copy takes none.
    const Mesh copy(m);
    EXPECT_TRUE(copy.ownsArrays);
    EXPECT_EQ(copy.vertexCount, 0);
    EXPECT_EQ(copy.triangleCount, 0);

    m.assign(sample());
    EXPECT_TRUE(m.ownsArrays);
    expectSameMesh(m, sample());
}

TEST(Outline, CopiesPointsAuxAndEdges) {
    Outline outline(3, 2);
    EXPECT_TRUE(outline.ownsArrays);
    EXPECT_TRUE(outline.points[2].position.y == 0 && outline.points[2].aux.x == 0);
    for (int i = 0; i < 3; ++i) {
        outline.points[i].position.set(i, -i);
        outline.points[i].aux.set(10 + i, 20 + i);
    }
    outline.edges[0] = {0, 2};
    outline.edges[1] = {2, 1};

    Outline copy(outline);
    ASSERT_EQ(copy.pointCount, 3);
    ASSERT_EQ(copy.edgeCount, 2);
    EXPECT_NE(copy.points.get(), outline.points.get());
    EXPECT_EQ(std::memcmp(copy.points.get(), outline.points.get(), 3 * sizeof(copy.points[0])), 0);
    EXPECT_TRUE(copy.edges[1].from == 2 && copy.edges[1].to == 1);
    copy.points[0].aux.x = -1;
    EXPECT_EQ(outline.points[0].aux.x, 10);
}

}  // namespace
