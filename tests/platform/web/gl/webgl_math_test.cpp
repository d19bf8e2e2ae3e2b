// The browser build's GL layer (platform/web/gl/) computes matrices and lighting
// itself; here its arithmetic meets desktop Mesa's on the test context:
// matrices bit for bit after every call, lit colours as feedback reports them.
#include <GL/glu.h>
#include "tests/support/test.h"

#include <cstring>

#include "platform/web/gl/float_trig.h"
#include "platform/web/gl/lighting.h"
#include "platform/web/gl/matrix_stack.h"

namespace {

// A fixed stream of test values (a linear congruential generator).
struct Values {
    std::uint32_t state = 12345;
    int below(int n) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(n));
    }
    float real(float low, float high) { return low + (high - low) * below(1 << 20) / (1 << 20); }
    // Angles the show draws (whole and fractional degrees, zero, quarter turns) and others.
    float angle() {
        const float kinds[] = {0, 90, -90, 180, 360, real(-720, 720), below(1000) * 0.36f};
        return kinds[below(7)];
    }
};

bool sameBits(const float* a, const float* b) { return std::memcmp(a, b, 16 * sizeof(float)) == 0; }

// One matrix call made to both on the current stack; returns its name for
// the failure message.
std::string step(Values& v, webgl::MatrixStack& ours, webgl::MatrixStack& modelview) {
    switch (v.below(11)) {
        case 0:
        case 1: {
            // An axis in either direction, or a skew one.
            const float axes[][3] = {{1, 0, 0},  {0, 1, 0},  {0, 0, 1},        {-1, 0, 0},
                                     {0, -1, 0}, {0, 0, -1}, {0.3f, -2, 0.5f}, {0, 1e-5f, 0}};
            const float* a = axes[v.below(8)];
            const float angle = v.angle();
            glRotatef(angle, a[0], a[1], a[2]);
            ours.rotate(angle, a[0], a[1], a[2]);
            return "rotate " + std::to_string(angle);
        }
        case 2: {
            const float x = v.real(-20, 20), y = v.real(-20, 20), z = v.real(-20, 0);
            glTranslatef(x, y, z);
            ours.translate(x, y, z);
            return "translate";
        }
        case 3: {
            const float s = v.real(0.001f, 3);
            const float scales[][3] = {{s, s, 1}, {s, s, s}, {1, 1, 1}, {s, 0, 1}};
            const float* a = scales[v.below(4)];
            glScalef(a[0], a[1], a[2]);
            ours.scale(a[0], a[1], a[2]);
            return "scale";
        }
        case 4: {
            // The stack's own matrix (a no-op), or one of signed zeros and
            // small whole numbers, affine or not.
            float m[16];
            std::memcpy(m, ours.top().m, sizeof m);
            if (v.below(3)) {
                const float entries[] = {-0.0f, 0, 0, 1, -1, 2, 0.5f};
                for (float& x : m) x = entries[v.below(7)];
                if (v.below(3)) m[3] = m[7] = m[11] = 0, m[15] = 1;
            }
            glLoadMatrixf(m);
            ours.load(m);
            return "load";
        }
        case 5:
            glLoadIdentity();
            ours.loadIdentity();
            return "identity";
        case 6:
            if (!ours.push()) return "push refused";
            glPushMatrix();
            return "push";
        case 7:
            if (!ours.pop()) return "pop refused";
            glPopMatrix();
            return "pop";
        case 8:
            // Drawing brings the modelview up to date, which changes what
            // the next multiplication takes it for.
            glBegin(GL_TRIANGLES);
            glEnd();
            webgl::analyse(modelview.top());
            return "draw";
        case 9: {
            const double l = v.real(-2, 0), b = v.real(-2, 0);
            glOrtho(l, 640, 480, b, -1, 1);
            ours.ortho(l, 640, 480, b, -1, 1);
            return "ortho";
        }
        default: {
            const double fovY = v.below(2) ? 45 : v.real(1, 170);
            const double aspect = v.below(2) ? 1.3333334f : v.real(0.1f, 3);
            gluPerspective(fovY, aspect, 0.01f, 10000);
            ours.perspective(fovY, aspect, 0.01f, 10000);
            return "perspective";
        }
    }
}

TEST(WebglMatrices, EveryCallLeavesMesasBits) {
    // Rotations take their sine and cosine from a copy of glibc's, which
    // Mesa calls here: the same bits, small arguments and large.
    for (int i = -1000000; i <= 1000000; i += 3) {
        const float x = static_cast<float>(i) * 0.0007f;
        const float want[2] = {std::sin(x), std::cos(x)};
        const float got[2] = {webgl::glibcSinf(x), webgl::glibcCosf(x)};
        ASSERT_EQ(0, std::memcmp(want, got, sizeof want)) << x;
    }

    ASSERT_TRUE(test_support::openGlContext());
    webgl::MatrixStack modelview, projection;
    Values v;
    for (int sequence = 0; sequence < 400; ++sequence) {
        const bool onModelview = sequence % 4 != 3;
        glMatrixMode(onModelview ? GL_MODELVIEW : GL_PROJECTION);
        webgl::MatrixStack& ours = onModelview ? modelview : projection;
        std::string calls;
        for (int i = 0; i < 14; ++i) {
            calls += step(v, ours, modelview) + "; ";
            const auto mesa =
                test_support::glGet(onModelview ? GL_MODELVIEW_MATRIX : GL_PROJECTION_MATRIX);
            ASSERT_TRUE(sameBits(mesa.data(), ours.top().m))
                << "sequence " << sequence << ": " << calls;
        }
    }
}

TEST(WebglLighting, LitColoursMatchMesaFeedback) {
    ASSERT_TRUE(test_support::openGlContext());
    glViewport(0, 0, 1024, 768);
    glMatrixMode(GL_PROJECTION);
    gluPerspective(45, 1.3333334f, 0.01f, 10000);
    glMatrixMode(GL_MODELVIEW);
    webgl::MatrixStack modelview;
    webgl::LightSource lights[webgl::kLightCount];

    // Light 1 at the eye as the show places it; light 3 tinted, placed under
    // a turned modelview.
    auto place = [&](int index, const float ambient[4], const float diffuse[4], const float at[4]) {
        glLightfv(GL_LIGHT0 + index, GL_AMBIENT, ambient);
        glLightfv(GL_LIGHT0 + index, GL_DIFFUSE, diffuse);
        glLightfv(GL_LIGHT0 + index, GL_POSITION, at);
        glEnable(GL_LIGHT0 + index);
        webgl::LightSource& light = lights[index];
        light.enabled = true;
        std::memcpy(light.ambient, ambient, sizeof light.ambient);
        std::memcpy(light.diffuse, diffuse, sizeof light.diffuse);
        webgl::transformPosition(modelview.top(), at, light.eyePosition);
    };
    const float black[4] = {0, 0, 0, 1}, white[4] = {1, 1, 1, 1}, eye[4] = {0, 0, 0, 1};
    place(1, black, white, eye);
    glEnable(GL_LIGHTING);

    Values v;
    for (int scene = 0; scene < 6; ++scene) {
        if (scene == 3) {
            glPushMatrix();
            modelview.push();
            glRotatef(30, 0.2f, 1, 0);
            modelview.rotate(30, 0.2f, 1, 0);
            const float tint[4] = {0.3f, 0.1f, 0.05f, 1}, orange[4] = {0.9f, 0.5f, 0.1f, 1};
            const float at[4] = {4, 3, -2, 1};
            place(3, tint, orange, at);
            glPopMatrix();
            modelview.pop();
        }
        // A mesh placed as Mesh::draw places it, now and then stretched.
        glPushMatrix();
        modelview.push();
        const float x = v.real(-1, 1), y = v.real(-1, 1), z = v.real(-40, -20);
        const float ax = v.real(-360, 360), ay = v.angle(), az = v.real(0, 360);
        glTranslatef(x, y, z);
        modelview.translate(x, y, z);
        glRotatef(ax, 1, 0, 0);
        modelview.rotate(ax, 1, 0, 0);
        glRotatef(ay, 0, 1, 0);
        modelview.rotate(ay, 0, 1, 0);
        glRotatef(az, 0, 0, 1);
        modelview.rotate(az, 0, 0, 1);
        if (scene % 3 == 2) {
            glScalef(2, 0.5f, 1);
            modelview.scale(2, 0.5f, 1);
        }
        webgl::analyse(modelview.top());
        const webgl::VertexLighting lighting(lights, modelview.top());

        std::vector<std::array<float, 6>> sent;  // position, normal
        for (int i = 0; i < 300; ++i) {
            sent.push_back({v.real(-1, 1), v.real(-1, 1), v.real(-1, 1), v.real(-1, 1),
                            v.real(-1, 1), v.real(-1, 1)});
        }
        const auto got = test_support::feedback(GL_3D_COLOR, 7, [&] {
            glBegin(GL_TRIANGLES);
            for (const auto& s : sent) {
                glNormal3f(s[3], s[4], s[5]);
                glVertex3f(s[0], s[1], s[2]);
            }
            glEnd();
        });
        glPopMatrix();
        modelview.pop();
        ASSERT_EQ(got.size(), sent.size()) << "scene " << scene;
        for (std::size_t i = 0; i < sent.size(); ++i) {
            float want[4];
            lighting.light(sent[i].data(), sent[i].data() + 3, want);
            ASSERT_EQ(0, std::memcmp(want, got[i].data() + 3, sizeof want))
                << "scene " << scene << " vertex " << i << ": " << want[0] << " " << got[i][3];
        }
    }
}

}  // namespace
