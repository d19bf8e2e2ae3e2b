// Geometry records, builders, normals, and what Mesh::draw sends (feedback mode).
#include "tests/support/test.h"

#include "mesh/builders.h"
#include "mesh/mesh.h"

namespace {

using mesh::Mesh;
using render::Vec3;
using V = std::array<float, 3>;
using T = std::array<int, 3>;

V at(const Vec3& v) { return {v.x, v.y, v.z}; }
T corners(const mesh::MeshTriangle& t) { return {t.i0, t.i1, t.i2}; }
void expectNear(const V& got, const V& want, float tolerance = 1e-5f) {
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], want[i], tolerance) << i;
}

TEST(Mesh, CopiesAreDeepAndAReleasedMeshCopiesAsAnEmptyOne) {
    Mesh m(3, 2);
    m.triangles[1] = {2, 1, 0, 0};
    m.vertices[2].position.set(1, 2, 3);
    Mesh copy(m);
    m.vertices[2].position.set(9, 9, 9);
    EXPECT_EQ(at(copy.vertices[2].position), (V{1, 2, 3}));
    EXPECT_EQ(corners(copy.triangles[1]), (T{2, 1, 0}));
    m.release();
    m.release();  // frees once (AddressSanitizer watches)
    copy.assign(m);
    EXPECT_EQ((T{copy.vertexCount, copy.triangleCount, copy.ownsArrays}), (T{0, 0, true}));
}

TEST(Builders, BoxPolygonAndRevolvedSquare) {
    const Mesh box = mesh::makeBox(Vec3(1, 2, 3));
    ASSERT_EQ((std::pair{box.vertexCount, box.triangleCount}), (std::pair{8, 12}));
    const V boxCorners[8] = {{-1, 2, -3},  {1, 2, -3},  {1, 2, 3},  {-1, 2, 3},
                             {-1, -2, -3}, {1, -2, -3}, {1, -2, 3}, {-1, -2, 3}};
    const T faces[12] = {{0, 2, 1}, {0, 3, 2}, {3, 6, 2}, {3, 7, 6}, {4, 5, 7}, {5, 6, 7},
                         {0, 1, 4}, {1, 5, 4}, {1, 2, 5}, {2, 6, 5}, {3, 0, 4}, {7, 3, 4}};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(at(box.vertices[i].position), boxCorners[i]);
    for (int t = 0; t < 12; ++t) EXPECT_EQ(corners(box.triangles[t]), faces[t]);

    const mesh::Outline square = mesh::makePolygonOutline(1, 4);
    ASSERT_EQ((std::pair{square.pointCount, square.edgeCount}), (std::pair{4, 4}));
    for (int i = 0; i < 4; ++i) {
        const render::Vec2 p = square.points[i].position;
        expectNear({p.x, p.y, 0}, {i % 2 ? 0.0f : 1.0f - i, i % 2 ? 2.0f - i : 0.0f, 0}, 1e-7f);
        EXPECT_EQ((std::pair{square.edges[i].from, square.edges[i].to}),
                  (std::pair{i, (i + 1) % 4}));
    }

    ASSERT_TRUE(test_support::openGlContext());
    glTranslatef(1, 2, 3);
    const Mesh ring = mesh::revolveOutline(3, 4, square);
    EXPECT_EQ(test_support::glGet(GL_MODELVIEW_MATRIX)[12], 1) << "the modelview is left alone";
    ASSERT_EQ((std::pair{ring.vertexCount, ring.triangleCount}), (std::pair{16, 32}));
    // Ring i is the square moved 3 along x and turned i quarter turns about +y.
    const std::pair<int, V> positions[] = {{0, {4, 0, 0}},  {1, {3, 1, 0}},  {3, {3, -1, 0}},
                                           {4, {0, 0, -4}}, {9, {-3, 1, 0}}, {15, {0, -1, 3}}};
    for (const auto& [i, p] : positions) expectNear(at(ring.vertices[i].position), p);
    // Quads between ring i point j and ring i + 1 point j + 1, wrapping both ways.
    const std::pair<int, T> triangles[] = {{0, {0, 4, 5}}, {1, {5, 1, 0}},   {6, {3, 7, 4}},
                                           {7, {4, 0, 3}}, {24, {12, 0, 1}}, {25, {1, 13, 12}}};
    for (const auto& [t, want] : triangles) EXPECT_EQ(corners(ring.triangles[t]), want) << t;
    // An outline with fewer edges than points fills only the quads it has room for.
    const Mesh thin = mesh::revolveOutline(3, 2, mesh::Outline(4, 1));
    EXPECT_EQ(thin.triangleCount, 4);
    for (int t = 0; t < 4; ++t)
        for (int i : corners(thin.triangles[t])) {
            EXPECT_GE(i, 0);
            EXPECT_LT(i, thin.vertexCount);
        }
}

TEST(Normals, BlendUnitFaceNormalsAndStayZeroWhereThereAreNone) {
    Mesh box = mesh::makeBox(Vec3(1, 1, 1));
    box.computeNormals();
    // Corner 0 is in two +y triangles, one -z and one -x: each counts once.
    const float k = 1 / std::sqrt(6.0f);
    expectNear(at(box.vertices[0].normal), {-k, 2 * k, -k});
    expectNear(at(box.vertices[6].normal), {k, -k, 2 * k});
    // Flat, small at right angles, zero-area and past-the-array triangles; a vertex unused.
    Mesh m(6, 4);
    const V p[6] = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {0, 0, 1}, {5, 5, 5}, {0, 1, 0}};
    for (int i = 0; i < 6; ++i) m.vertices[i].position.set(p[i][0], p[i][1], p[i][2]);
    m.vertices[4].normal.set(3, 3, 3);
    const mesh::MeshTriangle triangles[4] = {
        {0, 1, 2, 0}, {0, 5, 3, 0}, {1, 1, 1, 0}, {0, 1, 9, 0}};
    std::copy(std::begin(triangles), std::end(triangles), m.triangles.get());
    m.computeNormals();
    expectNear(at(m.vertices[0].normal), {std::sqrt(0.5f), 0, std::sqrt(0.5f)});
    expectNear(at(m.vertices[1].normal), {0, 0, 1});
    expectNear(at(m.vertices[4].normal), {0, 0, 0});
}

TEST(MeshDraw, SendsPlacedTurnedFadedTrianglesAndLeavesTheMatrix) {
    ASSERT_TRUE(test_support::openGlContext());
    glViewport(0, 0, 100, 100);
    glOrtho(-10, 10, -10, 10, -10, 10);  // window x = 5 (x + 10)
    const auto before = test_support::glGet(GL_MODELVIEW_MATRIX);
    Mesh m(4, 2);  // one triangle whose corners differ in everything; one past the array
    for (int i = 0; i < 3; ++i) {
        m.vertices[i].position.set(i == 1 ? 2 : 0, i == 0 ? 1 : 0, i == 2 ? 2 : 0);
        m.vertices[i].normal.set(0, 0.6f, 0.8f * i);
        m.vertices[i].texCoord.set(0.25f * i, 1 - 0.25f * i);
        m.vertices[i].color = {0.2f * i, 0.5f, 1, 1 - 0.1f * i};
    }
    m.triangles[0] = {0, 1, 2, 0};
    m.triangles[1] = {0, 1, 4, 0};
    const auto sent = test_support::feedback(
        GL_3D_COLOR_TEXTURE, 11, [&] { m.draw(Vec3(1, 2, 0), Vec3(90, 90, 90), 0.5f); });
    ASSERT_EQ(sent.size(), 3u) << "one triangle";
    // Z turns first, then Y, then X, then the move.
    const V window[3] = {{55, 55, 0.5f}, {55, 60, 0.4f}, {65, 60, 0.5f}};
    for (int k = 0; k < 3; ++k) {
        const mesh::MeshVertex& s = m.vertices[k];
        expectNear({sent[k][0], sent[k][1], sent[k][2]}, window[k], 1e-3f);
        EXPECT_EQ(std::vector<float>(sent[k].begin() + 3, sent[k].begin() + 9),
                  (std::vector<float>{s.color.r, s.color.g, s.color.b, s.color.a * 0.5f,
                                      s.texCoord.x, s.texCoord.y}));
    }
    expectNear(test_support::glGet<3>(GL_CURRENT_NORMAL), {0, 0.6f, 1.6f});
    EXPECT_EQ(test_support::glGet(GL_MODELVIEW_MATRIX), before);
}

}  // namespace
