// The ES 3.0 side of the layer: one program (position through the
// modelview-projection product, colour, optionally times a texture), one
// vertex buffer refilled per batch and a growing 32-bit index buffer for
// quads. In the browser the calls go to emscripten's WebGL functions under
// their emscripten_gl names, so that our own glEnable and the rest stay ours
// and nothing recurses; natively (for checking the layer on Mesa's GLES) they
// come from eglGetProcAddress.
#include "platform/web/gl/backend.h"

// No ES prototypes: a plain glEnable here would be the layer's own.
#define GL_GLES_PROTOTYPES 0
#include <GLES3/gl3.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <vector>

#ifdef __EMSCRIPTEN__
#include <webgl/webgl1.h>
#include <webgl/webgl2.h>
#define ES(name) emscripten_gl##name
#else
#include <EGL/egl.h>
#define ES(name) es::gl##name
#endif

namespace webgl::backend {
namespace {

#ifndef __EMSCRIPTEN__
// clang-format off
#define WEBGL_ES_FUNCTIONS(X) \
    X(AttachShader, ATTACHSHADER) X(BindBuffer, BINDBUFFER) X(BindTexture, BINDTEXTURE) \
    X(BindVertexArray, BINDVERTEXARRAY) X(BufferData, BUFFERDATA) \
    X(BufferSubData, BUFFERSUBDATA) X(Clear, CLEAR) \
    X(ClearColor, CLEARCOLOR) X(ClearDepthf, CLEARDEPTHF) X(CompileShader, COMPILESHADER) \
    X(CreateProgram, CREATEPROGRAM) X(CreateShader, CREATESHADER) \
    X(DeleteShader, DELETESHADER) X(DeleteTextures, DELETETEXTURES) X(DepthFunc, DEPTHFUNC) \
    X(Disable, DISABLE) X(DrawArrays, DRAWARRAYS) X(DrawElements, DRAWELEMENTS) \
    X(Enable, ENABLE) X(EnableVertexAttribArray, ENABLEVERTEXATTRIBARRAY) \
    X(GenBuffers, GENBUFFERS) X(GenTextures, GENTEXTURES) X(GenVertexArrays, GENVERTEXARRAYS) \
    X(GetIntegerv, GETINTEGERV) X(GetProgramInfoLog, GETPROGRAMINFOLOG) \
    X(GetProgramiv, GETPROGRAMIV) X(GetShaderInfoLog, GETSHADERINFOLOG) \
    X(GetShaderiv, GETSHADERIV) X(GetUniformLocation, GETUNIFORMLOCATION) \
    X(LinkProgram, LINKPROGRAM) X(ReadPixels, READPIXELS) X(ShaderSource, SHADERSOURCE) \
    X(TexImage2D, TEXIMAGE2D) X(TexParameteri, TEXPARAMETERI) X(Uniform1i, UNIFORM1I) \
    X(UniformMatrix4fv, UNIFORMMATRIX4FV) X(UseProgram, USEPROGRAM) \
    X(VertexAttribPointer, VERTEXATTRIBPOINTER) X(Viewport, VIEWPORT)
// clang-format on
namespace es {
#define WEBGL_DECLARE(name, NAME) PFNGL##NAME##PROC gl##name = nullptr;
WEBGL_ES_FUNCTIONS(WEBGL_DECLARE)
#undef WEBGL_DECLARE
}  // namespace es

bool loadFunctions() {
    bool complete = true;
#define WEBGL_LOAD(name, NAME)                                                         \
    es::gl##name = reinterpret_cast<PFNGL##NAME##PROC>(eglGetProcAddress("gl" #name)); \
    complete = complete && es::gl##name != nullptr;
    WEBGL_ES_FUNCTIONS(WEBGL_LOAD)
#undef WEBGL_LOAD
    return complete;
}
#endif

constexpr const char* kVertexShader = R"(#version 300 es
uniform mat4 modelviewProjection;
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 color;
layout(location = 2) in vec2 texCoord;
out vec4 vertexColor;
out vec2 vertexTexCoord;
void main() {
    // Column by column, as Mesa's fixed-function program sums it (w = 1).
    gl_Position = ((modelviewProjection[0] * position.x + modelviewProjection[1] * position.y) +
                   modelviewProjection[2] * position.z) + modelviewProjection[3];
    vertexColor = color;
    vertexTexCoord = texCoord;
}
)";

constexpr const char* kFragmentShader = R"(#version 300 es
precision highp float;
uniform sampler2D picture;
uniform bool textured;
in vec4 vertexColor;
in vec2 vertexTexCoord;
out vec4 fragmentColor;
void main() {
    // GL_MODULATE
    fragmentColor = textured ? texture(picture, vertexTexCoord) * vertexColor : vertexColor;
}
)";

struct Objects {
    GLuint program = 0;
    GLint modelviewProjection = -1;
    GLint textured = -1;
    GLuint vertexArray = 0;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    int indexedQuads = 0;        // quads the index buffer covers
    GLsizeiptr vertexBytes = 0;  // the vertex buffer's size
    int texturedNow = -1;        // the uniform's value, -1 before the first draw
};

Objects objects;

GLuint compile(GLenum type, const char* source) {
    const GLuint shader = ES(CreateShader)(type);
    ES(ShaderSource)(shader, 1, &source, nullptr);
    ES(CompileShader)(shader);
    GLint compiled = GL_FALSE;
    ES(GetShaderiv)(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled != GL_TRUE) {
        char log[1024] = "";
        ES(GetShaderInfoLog)(shader, sizeof log, nullptr, log);
        std::fprintf(stderr, "webgl: a shader does not compile: %s\n", log);
    }
    return shader;
}

// Indices for quads [0, count): each as triangles 0 1 3 and 1 2 3.
void coverQuads(int count) {
    if (count <= objects.indexedQuads) return;
    int quads = objects.indexedQuads > 0 ? objects.indexedQuads : 1024;
    while (quads < count) quads *= 2;
    std::vector<GLuint> indices(static_cast<std::size_t>(quads) * 6);
    for (int q = 0; q < quads; ++q) {
        const GLuint first = static_cast<GLuint>(q) * 4;
        const GLuint pattern[6] = {first, first + 1, first + 3, first + 1, first + 2, first + 3};
        for (int k = 0; k < 6; ++k) indices[static_cast<std::size_t>(q) * 6 + k] = pattern[k];
    }
    // The vertex array keeps the element binding.
    ES(BufferData)
    (GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)),
     indices.data(), GL_STATIC_DRAW);
    objects.indexedQuads = quads;
}

}  // namespace

bool initialize(int viewport[4]) {
#ifndef __EMSCRIPTEN__
    if (!loadFunctions()) {
        std::fprintf(stderr, "webgl: the context lacks OpenGL ES 3.0 functions\n");
        return false;
    }
#endif
    objects = Objects();
    const GLuint vertexShader = compile(GL_VERTEX_SHADER, kVertexShader);
    const GLuint fragmentShader = compile(GL_FRAGMENT_SHADER, kFragmentShader);
    objects.program = ES(CreateProgram)();
    ES(AttachShader)(objects.program, vertexShader);
    ES(AttachShader)(objects.program, fragmentShader);
    ES(LinkProgram)(objects.program);
    ES(DeleteShader)(vertexShader);
    ES(DeleteShader)(fragmentShader);
    GLint linked = GL_FALSE;
    ES(GetProgramiv)(objects.program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        char log[1024] = "";
        ES(GetProgramInfoLog)(objects.program, sizeof log, nullptr, log);
        std::fprintf(stderr, "webgl: the program does not link: %s\n", log);
        return false;
    }
    ES(UseProgram)(objects.program);
    objects.modelviewProjection = ES(GetUniformLocation)(objects.program, "modelviewProjection");
    objects.textured = ES(GetUniformLocation)(objects.program, "textured");
    ES(Uniform1i)(ES(GetUniformLocation)(objects.program, "picture"), 0);

    ES(GenVertexArrays)(1, &objects.vertexArray);
    ES(BindVertexArray)(objects.vertexArray);
    ES(GenBuffers)(1, &objects.vertexBuffer);
    ES(GenBuffers)(1, &objects.indexBuffer);
    ES(BindBuffer)(GL_ARRAY_BUFFER, objects.vertexBuffer);
    ES(BindBuffer)(GL_ELEMENT_ARRAY_BUFFER, objects.indexBuffer);
    const auto stride = static_cast<GLsizei>(sizeof(Vertex));
    ES(VertexAttribPointer)
    (0, 3, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offsetof(Vertex, position)));
    ES(VertexAttribPointer)
    (1, 4, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offsetof(Vertex, color)));
    ES(VertexAttribPointer)
    (2, 2, GL_FLOAT, GL_FALSE, stride, reinterpret_cast<const void*>(offsetof(Vertex, texCoord)));
    for (GLuint attribute = 0; attribute < 3; ++attribute) {
        ES(EnableVertexAttribArray)(attribute);
    }

    // GL 1.1's starting state where ES differs, or where a browser may: no
    // dithering (llvmpipe does none into 8-bit channels).
    ES(Disable)(GL_DITHER);
    ES(Disable)(GL_DEPTH_TEST);
    ES(Disable)(GL_CULL_FACE);
    ES(Disable)(GL_BLEND);
    ES(DepthFunc)(GL_LESS);
    ES(ClearColor)(0, 0, 0, 0);
    ES(ClearDepthf)(1);
    ES(GetIntegerv)(GL_VIEWPORT, viewport);
    return true;
}

void setEnabled(unsigned cap, bool on) {
    if (on) {
        ES(Enable)(cap);
    } else {
        ES(Disable)(cap);
    }
}

void depthFunc(unsigned func) {
    ES(DepthFunc)(func);
}

void viewport(int x, int y, int width, int height) {
    ES(Viewport)(x, y, width, height);
}

void clearColor(float red, float green, float blue, float alpha) {
    ES(ClearColor)(red, green, blue, alpha);
}

void clearDepth(float depth) {
    ES(ClearDepthf)(depth);
}

void clear(unsigned mask) {
    ES(Clear)(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
}

void readPixels(int x, int y, int width, int height, unsigned format, unsigned type, void* pixels) {
    ES(ReadPixels)(x, y, width, height, format, type, pixels);
}

int maxTextureSize() {
    GLint largest = 0;
    ES(GetIntegerv)(GL_MAX_TEXTURE_SIZE, &largest);
    return largest;
}

void genTextures(int count, unsigned* names) {
    ES(GenTextures)(count, names);
}

void deleteTextures(int count, const unsigned* names) {
    ES(DeleteTextures)(count, names);
}

void bindTexture(unsigned name) {
    ES(BindTexture)(GL_TEXTURE_2D, name);
}

void texImage2D(int width, int height, const void* pixels) {
    ES(TexImage2D)(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

void texParameter(unsigned pname, int value) {
    ES(TexParameteri)(GL_TEXTURE_2D, pname, value);
}

void draw(const Vertex* vertices, int count, bool quads, const float modelviewProjection[16],
          bool textured) {
    if (count <= 0) return;
    // The buffer grows but is never made anew: a fresh store for every
    // batch costs more than the copy.
    const GLsizeiptr bytes = static_cast<GLsizeiptr>(sizeof(Vertex)) * count;
    if (bytes > objects.vertexBytes) {
        objects.vertexBytes = std::max<GLsizeiptr>(bytes, objects.vertexBytes * 2);
        ES(BufferData)(GL_ARRAY_BUFFER, objects.vertexBytes, nullptr, GL_DYNAMIC_DRAW);
    }
    ES(BufferSubData)(GL_ARRAY_BUFFER, 0, bytes, vertices);
    ES(UniformMatrix4fv)(objects.modelviewProjection, 1, GL_FALSE, modelviewProjection);
    if (objects.texturedNow != (textured ? 1 : 0)) {
        objects.texturedNow = textured ? 1 : 0;
        ES(Uniform1i)(objects.textured, objects.texturedNow);
    }
    if (quads) {
        coverQuads(count / 4);
        ES(DrawElements)(GL_TRIANGLES, count / 4 * 6, GL_UNSIGNED_INT, nullptr);
    } else {
        ES(DrawArrays)(GL_TRIANGLES, 0, count);
    }
}

}  // namespace webgl::backend
