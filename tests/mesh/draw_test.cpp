#include <GL/gl.h>
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "mesh/mesh.h"
#include "tests/support/gl_test_context.h"

// This program stands in for the GL entry points that Mesh::draw calls, so a
// test can see the calls in order; each forwards to the real GL.
namespace {
struct Call {
    std::string name;
    std::vector<float> args;
    bool operator==(const Call&) const = default;
};
bool recording = false;
std::vector<Call> calls;

void record(const char* name, std::vector<float> args) {
    if (recording) calls.push_back({name, std::move(args)});
}
}  // namespace

// Defines the GL entry point `function` to record `label` with its arguments
// and forward the call.
#define RECORD_AND_FORWARD(function, label, params, call, ...)                                     \
    extern "C" void function params {                                                              \
        static const auto forward = reinterpret_cast<void(*) params>(dlsym(RTLD_NEXT, #function)); \
        record(label, {__VA_ARGS__});                                                              \
        forward call;                                                                              \
    }
RECORD_AND_FORWARD(glPushMatrix, "PushMatrix", (), ())
RECORD_AND_FORWARD(glPopMatrix, "PopMatrix", (), ())
RECORD_AND_FORWARD(glTranslatef, "Translate", (GLfloat x, GLfloat y, GLfloat z), (x, y, z), x, y, z)
RECORD_AND_FORWARD(glRotatef, "Rotate", (GLfloat a, GLfloat x, GLfloat y, GLfloat z), (a, x, y, z),
                   a, x, y, z)
RECORD_AND_FORWARD(glBegin, "Begin", (GLenum mode), (mode), static_cast<float>(mode))
RECORD_AND_FORWARD(glEnd, "End", (), ())
RECORD_AND_FORWARD(glTexCoord2f, "TexCoord", (GLfloat s, GLfloat t), (s, t), s, t)
RECORD_AND_FORWARD(glColor4f, "Color", (GLfloat r, GLfloat g, GLfloat b, GLfloat a), (r, g, b, a),
                   r, g, b, a)
RECORD_AND_FORWARD(glNormal3f, "Normal", (GLfloat x, GLfloat y, GLfloat z), (x, y, z), x, y, z)
RECORD_AND_FORWARD(glVertex3f, "Vertex", (GLfloat x, GLfloat y, GLfloat z), (x, y, z), x, y, z)
#undef RECORD_AND_FORWARD

namespace {

using mesh::Mesh;
using render::Vec3;

// One triangle whose corners differ in every attribute.
Mesh triangle() {
    Mesh m(4, 1);
    for (int i = 0; i < 4; ++i) {
        m.vertices[i].position.set(i == 1 ? 1.0f : 0.0f, i == 2 ? 1.0f : 0.0f, 0);
        m.vertices[i].normal.set(0, 0.6f, 0.8f * i);
        m.vertices[i].texCoord.set(0.25f * i, 1 - 0.25f * i);
        m.vertices[i].color = {0.2f * i, 0.5f, 1, 1 - 0.1f * i};
    }
    m.triangles[0] = {2, 0, 1, 0};  // vertex 3 is never sent
    return m;
}

std::array<float, 16> modelview() {
    std::array<float, 16> m{};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

TEST(MeshDraw, CallsInOrder) {
    ASSERT_TRUE(test_support::openGlContext());
    glMatrixMode(GL_MODELVIEW);
    const Mesh m = triangle();
    calls.clear();
    recording = true;
    m.draw(Vec3(1, 2, 3), Vec3(10, 20, 30), 0.5f);
    recording = false;

    std::vector<Call> expected = {{"PushMatrix", {}},        {"Translate", {1, 2, 3}},
                                  {"Rotate", {10, 1, 0, 0}}, {"Rotate", {20, 0, 1, 0}},
                                  {"Rotate", {30, 0, 0, 1}}, {"Begin", {GL_TRIANGLES}}};
    for (const int i : {2, 0, 1}) {
        const mesh::MeshVertex& v = m.vertices[i];
        expected.push_back({"TexCoord", {v.texCoord.x, v.texCoord.y}});
        expected.push_back({"Color", {v.color.r, v.color.g, v.color.b, v.color.a * 0.5f}});
        expected.push_back({"Normal", {v.normal.x, v.normal.y, v.normal.z}});
        expected.push_back({"Vertex", {v.position.x, v.position.y, v.position.z}});
    }
    expected.push_back({"End", {}});
    expected.push_back({"PopMatrix", {}});
    EXPECT_EQ(calls, expected);

    // No triangles, or none left after release: still one empty pair.
    for (Mesh* empty : {new Mesh(), new Mesh(triangle())}) {
        empty->release();
        calls.clear();
        recording = true;
        empty->draw(Vec3(), Vec3(), 1);
        recording = false;
        ASSERT_EQ(calls.size(), 8u);
        EXPECT_EQ(calls[5], (Call{"Begin", {GL_TRIANGLES}}));
        EXPECT_EQ(calls[6], (Call{"End", {}}));
        delete empty;
    }
}

TEST(MeshDraw, FeedbackShowsPlacedFadedTriangles) {
    ASSERT_TRUE(test_support::openGlContext());
    glViewport(0, 0, 100, 100);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-10, 10, -10, 10, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(5, 0, 0, 1);
    const auto before = modelview();
    glLoadIdentity();

    Mesh m = triangle();
    m.vertices[0].position.set(0, 1, 0);
    m.vertices[1].position.set(2, 0, 0);
    m.vertices[2].position.set(0, 0, 2);
    m.triangles[0] = {0, 1, 2, 0};

    std::array<GLfloat, 256> buffer{};
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    // Z turns first, then Y, then X, then the move: (0, 1, 0) goes to
    // (-1, 0, 0), (0, 0, 1), (0, -1, 0); (2, 0, 0) to (0, 2, 0), (0, 2, 0),
    // (0, 0, 2); (0, 0, 2) to (0, 0, 2), (2, 0, 0), (2, 0, 0).
    m.draw(Vec3(1, 2, 0), Vec3(90, 90, 90), 0.5f);
    const GLint size = glRenderMode(GL_RENDER);

    ASSERT_EQ(size, 2 + 3 * 11);
    EXPECT_EQ(buffer[0], GL_POLYGON_TOKEN);
    EXPECT_EQ(buffer[1], 3);
    // Window coordinates of the three corners: x = 5 (x + 10), y = 5 (y + 10),
    // and depth (1 - z / 10) / 2.
    const float window[3][3] = {{55, 55, 0.5f}, {55, 60, 0.4f}, {65, 60, 0.5f}};
    for (int k = 0; k < 3; ++k) {
        const GLfloat* v = &buffer[2 + 11 * k];
        const mesh::MeshVertex& source = m.vertices[k];
        EXPECT_NEAR(v[0], window[k][0], 1e-3) << "corner " << k;
        EXPECT_NEAR(v[1], window[k][1], 1e-3) << "corner " << k;
        EXPECT_NEAR(v[2], window[k][2], 1e-5) << "corner " << k;
        EXPECT_FLOAT_EQ(v[3], source.color.r);
        EXPECT_FLOAT_EQ(v[4], source.color.g);
        EXPECT_FLOAT_EQ(v[5], source.color.b);
        EXPECT_FLOAT_EQ(v[6], source.color.a * 0.5f);
        EXPECT_FLOAT_EQ(v[7], source.texCoord.x);
        EXPECT_FLOAT_EQ(v[8], source.texCoord.y);
    }
    // The stored colours are not faded.
    EXPECT_FLOAT_EQ(m.vertices[0].color.a, 1);
    EXPECT_FLOAT_EQ(m.vertices[2].color.a, 0.8f);

    glLoadMatrixf(before.data());
    m.draw(Vec3(1, 2, 3), Vec3(4, 5, 6), 1);
    EXPECT_EQ(modelview(), before);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(MeshDraw, SkipsTrianglesOutsideTheVertexArray) {
    ASSERT_TRUE(test_support::openGlContext());
    glMatrixMode(GL_MODELVIEW);
    Mesh m(3, 3);
    m.triangles[0] = {0, 1, 3, 0};
    m.triangles[1] = {0, 1, 2, 0};
    m.triangles[2] = {-1, 1, 2, 0};
    calls.clear();
    recording = true;
    m.draw(Vec3(), Vec3(), 1);
    recording = false;
    int vertices = 0;
    for (const Call& call : calls) vertices += call.name == "Vertex";
    EXPECT_EQ(vertices, 3);
}

}  // namespace
