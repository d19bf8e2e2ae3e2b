#include "platform/sdl/sdl_platform.h"
#include "tests/support/test.h"

namespace test_support {

bool openGlContext() {
    // The show's own kind of window and context on SDL's offscreen driver,
    // kept until the process ends.
    static const platform::WindowDescription window{
        .title = "streakshow", .width = 1024, .height = 768};
    static auto* const system = new platform::SdlPlatform({.offscreen = true});
    static const bool open = system->prepareWindow(window) &&
                             system->createGlContext(system->createWindow(window), window);
    EXPECT_TRUE(open) << "no offscreen GL context";
    return open;
}

std::vector<std::vector<float>> feedback(GLenum type, int size, const std::function<void()>& draw) {
    std::vector<GLfloat> buffer(1 << 21);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), type, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "feedback buffer overflowed";
    std::vector<std::vector<float>> vertices;
    for (GLint i = 0; i < used; i += 2 + size * static_cast<int>(buffer[i + 1])) {
        EXPECT_EQ(buffer[i], GL_POLYGON_TOKEN);
        for (int v = 0; v < static_cast<int>(buffer[i + 1]); ++v)
            vertices.emplace_back(&buffer[i + 2 + size * v], &buffer[i + 2 + size * (v + 1)]);
    }
    return vertices;
}

}  // namespace test_support
