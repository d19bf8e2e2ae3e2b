// The ES 3.0 side of the layer: one program (position through the
// modelview-projection product, colour, optionally times a texture), a
// second that takes the product from each vertex, one streaming vertex
// buffer that batches are appended to, a 32-bit index buffer for quads, and
// a third program that lays painted pixels over the frame. In the browser
// the calls go to emscripten's WebGL functions under their emscripten_gl
// names, so that our own glEnable and the rest stay ours and nothing
// recurses; natively (for checking the layer on Mesa's GLES) they come from
// eglGetProcAddress.
#include "platform/web/gl/backend.h"

// No ES prototypes: a plain glEnable here would be the layer's own.
#define GL_GLES_PROTOTYPES 0
#include <GLES3/gl3.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef __EMSCRIPTEN__
#include <emscripten/html5.h>
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
    X(BufferSubData, BUFFERSUBDATA) X(Clear, CLEAR) X(ClearColor, CLEARCOLOR) \
    X(ClearDepthf, CLEARDEPTHF) X(ColorMask, COLORMASK) X(CompileShader, COMPILESHADER) \
    X(CreateProgram, CREATEPROGRAM) X(CreateShader, CREATESHADER) \
    X(DeleteShader, DELETESHADER) X(DeleteTextures, DELETETEXTURES) X(DepthFunc, DEPTHFUNC) \
    X(Disable, DISABLE) X(DrawArrays, DRAWARRAYS) X(DrawElements, DRAWELEMENTS) \
    X(Enable, ENABLE) X(EnableVertexAttribArray, ENABLEVERTEXATTRIBARRAY) \
    X(GenBuffers, GENBUFFERS) X(GenTextures, GENTEXTURES) X(GenVertexArrays, GENVERTEXARRAYS) \
    X(GetIntegerv, GETINTEGERV) X(GetString, GETSTRING) X(GetProgramInfoLog, GETPROGRAMINFOLOG) \
    X(GetProgramiv, GETPROGRAMIV) X(GetShaderInfoLog, GETSHADERINFOLOG) \
    X(GetShaderiv, GETSHADERIV) X(GetUniformLocation, GETUNIFORMLOCATION) \
    X(LinkProgram, LINKPROGRAM) X(ReadPixels, READPIXELS) X(Scissor, SCISSOR) \
    X(ShaderSource, SHADERSOURCE) \
    X(TexImage2D, TEXIMAGE2D) X(TexParameteri, TEXPARAMETERI) X(TexSubImage2D, TEXSUBIMAGE2D) \
    X(Uniform1i, UNIFORM1I) X(Uniform2f, UNIFORM2F) \
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

// The same sum, with the product's columns coming with each vertex: draws
// under different matrices (the box field's hundred boxes) go as one.
constexpr const char* kMatrixVertexShader = R"(#version 300 es
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 color;
layout(location = 2) in vec2 texCoord;
layout(location = 3) in vec4 column0;
layout(location = 4) in vec4 column1;
layout(location = 5) in vec4 column2;
layout(location = 6) in vec4 column3;
out vec4 vertexColor;
out vec2 vertexTexCoord;
void main() {
    gl_Position = ((column0 * position.x + column1 * position.y) + column2 * position.z) + column3;
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

// An image over the frame that only some pixels show through: each
// fragment takes its texel as it is (texelFetch at its own window position,
// no filtering), or is dropped where the texel is not opaque. A whole byte
// read as a float and written back to 8 bits is the same byte.
constexpr const char* kLayerVertexShader = R"(#version 300 es
uniform vec2 rows;  // the bottom and top of the band drawn, in clip units
void main() {
    gl_Position = vec4((gl_VertexID & 1) == 0 ? -1.0 : 1.0, gl_VertexID < 2 ? rows.x : rows.y,
                       0.0, 1.0);
}
)";

constexpr const char* kLayerFragmentShader = R"(#version 300 es
precision highp float;
uniform highp sampler2D layer;
out vec4 fragmentColor;
void main() {
    vec4 texel = texelFetch(layer, ivec2(gl_FragCoord.xy), 0);
    if (texel.a < 0.5) discard;
    fragmentColor = texel;
}
)";

// Untextured batches whose colours are all whole bytes (i / 255, as
// glColor4ub gives them) go up as position and four normalised bytes, 16
// bytes a vertex against 36: the show's streaks are most of what a frame
// sends, 2.2 MB of it. Read back as floats the bytes come within an ulp of
// i / 255, which lands on the same 8-bit value.
struct CompactVertex {
    float position[3];
    std::uint8_t color[4];
};

struct MatrixVertex {
    Vertex vertex;
    float modelviewProjection[16];
};

enum Layout { kFull, kCompact, kMatrices, kLayouts };

// Draws wait here while nothing else happens between them: each draw is a
// message to the browser's GL and costs SwiftShader far more than its few
// vertices. Any other call draws them first.
struct Pending {
    std::vector<Vertex> vertices;
    std::vector<float> matrices;  // 16 for each draw
    std::vector<int> counts;      // vertices of each draw
    bool quads = false;
    bool textured = false;
};

// The vertex buffer's store at first (4 MiB): a frame of the show fits.
constexpr GLsizeiptr kFirstCapacity = 4 << 20;

struct Objects {
    GLuint program = 0;
    GLint modelviewProjection = -1;
    GLint textured = -1;
    GLuint matrixProgram = 0;  // kMatrices' program
    GLint matrixTextured = -1;
    int matrixTexturedNow = -1;
    GLuint vertexArrays[kLayouts] = {};
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLsizeiptr capacity = 0;  // bytes of the vertex buffer's store
    GLsizeiptr used = 0;      // bytes of the store already drawn from
    int layoutNow = kFull;
    float matrixNow[16] = {};  // the uniform's value, valid once texturedNow is
    int texturedNow = -1;      // the uniform's value, -1 before the first draw
    std::vector<CompactVertex> compact;
    std::vector<MatrixVertex> withMatrices;
    Pending pending;
    GLuint boundTexture = 0;  // the layer's, put back after drawLayer's upload
    // drawLayer's program, band, image and an empty vertex array (the
    // corners come from the vertex's index).
    GLuint layerProgram = 0;
    GLint layerRows = -1;
    GLuint layerTexture = 0;
    GLuint layerVertexArray = 0;
    int layerWidth = 0;
    int layerHeight = 0;
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

GLuint link(const char* vertexSource, const char* fragmentSource) {
    const GLuint vertexShader = compile(GL_VERTEX_SHADER, vertexSource);
    const GLuint fragmentShader = compile(GL_FRAGMENT_SHADER, fragmentSource);
    const GLuint program = ES(CreateProgram)();
    ES(AttachShader)(program, vertexShader);
    ES(AttachShader)(program, fragmentShader);
    ES(LinkProgram)(program);
    ES(DeleteShader)(vertexShader);
    ES(DeleteShader)(fragmentShader);
    GLint linked = GL_FALSE;
    ES(GetProgramiv)(program, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        char log[1024] = "";
        ES(GetProgramInfoLog)(program, sizeof log, nullptr, log);
        std::fprintf(stderr, "webgl: the program does not link: %s\n", log);
        return 0;
    }
    return program;
}

// A fresh store of `capacity` bytes, and indices for as many quads as the
// smallest vertices fill (each as triangles 0 1 3 and 1 2 3). Batches are
// appended to the store and never overwrite what an earlier draw may still
// read: the browser runs draws later, in another process, and a write over a
// store in use makes it wait for them or copy the store. When a batch no
// longer fits, the store is given up (orphaned) for a new one.
void makeStore(GLsizeiptr capacity) {
    ES(BufferData)(GL_ARRAY_BUFFER, capacity, nullptr, GL_STREAM_DRAW);
    objects.used = 0;
    if (capacity == objects.capacity) return;
    objects.capacity = capacity;
    const auto quads = static_cast<std::size_t>(capacity) / sizeof(CompactVertex) / 4;
    std::vector<GLuint> indices(quads * 6);
    for (std::size_t q = 0; q < quads; ++q) {
        const auto first = static_cast<GLuint>(q * 4);
        const GLuint pattern[6] = {first, first + 1, first + 3, first + 1, first + 2, first + 3};
        std::copy_n(pattern, 6, &indices[q * 6]);
    }
    // Both vertex arrays keep this element binding.
    ES(BufferData)
    (GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices.size() * sizeof(GLuint)),
     indices.data(), GL_STATIC_DRAW);
}

// The batch in compact form, or false where a colour is no whole byte.
bool packCompact(const Vertex* vertices, int count) {
    objects.compact.resize(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const Vertex& v = vertices[i];
        CompactVertex& c = objects.compact[static_cast<std::size_t>(i)];
        std::copy_n(v.position, 3, c.position);
        for (int k = 0; k < 4; ++k) {
            const float value = v.color[k];
            if (!(value >= 0.0f && value <= 1.0f)) return false;
            const auto byte = static_cast<int>(value * 255.0f + 0.5f);
            if (static_cast<float>(byte) / 255.0f != value) return false;
            c.color[k] = static_cast<std::uint8_t>(byte);
        }
    }
    return true;
}

GLuint programNow() {
    return objects.layoutNow == kMatrices ? objects.matrixProgram : objects.program;
}

// Sets the program, vertex array and uniforms for `layout`, each only where
// it changes: every call is a message to the browser's GL.
void prepare(int layout, const float* modelviewProjection, bool textured) {
    if (layout != objects.layoutNow) {
        const GLuint before = programNow();
        objects.layoutNow = layout;
        if (programNow() != before) ES(UseProgram)(programNow());
        ES(BindVertexArray)(objects.vertexArrays[layout]);
    }
    if (layout == kMatrices) {
        if (objects.matrixTexturedNow != (textured ? 1 : 0)) {
            objects.matrixTexturedNow = textured ? 1 : 0;
            ES(Uniform1i)(objects.matrixTextured, objects.matrixTexturedNow);
        }
        return;
    }
    if (objects.texturedNow < 0 ||
        std::memcmp(modelviewProjection, objects.matrixNow, sizeof objects.matrixNow) != 0) {
        std::copy_n(modelviewProjection, 16, objects.matrixNow);
        ES(UniformMatrix4fv)(objects.modelviewProjection, 1, GL_FALSE, modelviewProjection);
    }
    if (objects.texturedNow != (textured ? 1 : 0)) {
        objects.texturedNow = textured ? 1 : 0;
        ES(Uniform1i)(objects.textured, objects.texturedNow);
    }
}

// One draw of `count` vertices: MatrixVertex where `modelviewProjection` is
// null, else Vertex, sent compact where they allow it.
void drawBatch(const void* vertices, int count, bool quads, const float* modelviewProjection,
               bool textured) {
    int layout = kMatrices;
    if (modelviewProjection != nullptr) {
        const auto* plain = static_cast<const Vertex*>(vertices);
        layout = !textured && packCompact(plain, count) ? kCompact : kFull;
        if (layout == kCompact) vertices = objects.compact.data();
    }
    const auto stride = static_cast<GLsizeiptr>(layout == kCompact ? sizeof(CompactVertex)
                                                : layout == kFull  ? sizeof(Vertex)
                                                                   : sizeof(MatrixVertex));
    const GLsizeiptr bytes = stride * count;
    // The batch's first vertex, in its own stride; quads start on a multiple
    // of four vertices, where the index buffer's quads do.
    GLsizeiptr first = (objects.used + stride - 1) / stride;
    if (quads) first = (first + 3) / 4 * 4;
    if (first * stride + bytes > objects.capacity) {
        GLsizeiptr capacity = std::max(objects.capacity, kFirstCapacity);
        while (capacity < bytes) capacity *= 2;
        makeStore(capacity);
        first = 0;
    }
    ES(BufferSubData)(GL_ARRAY_BUFFER, first * stride, bytes, vertices);
    objects.used = first * stride + bytes;
    prepare(layout, modelviewProjection, textured);
    if (quads) {
        const auto offset = static_cast<std::uintptr_t>(first / 4 * 6) * sizeof(GLuint);
        ES(DrawElements)
        (GL_TRIANGLES, count / 4 * 6, GL_UNSIGNED_INT, reinterpret_cast<const void*>(offset));
    } else {
        ES(DrawArrays)(GL_TRIANGLES, static_cast<GLint>(first), count);
    }
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
    objects.program = link(kVertexShader, kFragmentShader);
    if (objects.program == 0) return false;
    ES(UseProgram)(objects.program);
    objects.modelviewProjection = ES(GetUniformLocation)(objects.program, "modelviewProjection");
    objects.textured = ES(GetUniformLocation)(objects.program, "textured");
    ES(Uniform1i)(ES(GetUniformLocation)(objects.program, "picture"), 0);
    objects.matrixProgram = link(kMatrixVertexShader, kFragmentShader);
    if (objects.matrixProgram == 0) return false;
    ES(UseProgram)(objects.matrixProgram);
    objects.matrixTextured = ES(GetUniformLocation)(objects.matrixProgram, "textured");
    ES(Uniform1i)(ES(GetUniformLocation)(objects.matrixProgram, "picture"), 0);
    ES(UseProgram)(objects.program);

    ES(GenBuffers)(1, &objects.vertexBuffer);
    ES(GenBuffers)(1, &objects.indexBuffer);
    ES(GenVertexArrays)(kLayouts, objects.vertexArrays);
    for (int layout = kLayouts - 1; layout >= 0; --layout) {
        // kFull is bound last, as the layout now.
        ES(BindVertexArray)(objects.vertexArrays[layout]);
        ES(BindBuffer)(GL_ARRAY_BUFFER, objects.vertexBuffer);
        ES(BindBuffer)(GL_ELEMENT_ARRAY_BUFFER, objects.indexBuffer);
        if (layout != kCompact) {
            // A MatrixVertex starts with its Vertex.
            const auto stride =
                static_cast<GLsizei>(layout == kMatrices ? sizeof(MatrixVertex) : sizeof(Vertex));
            ES(VertexAttribPointer)
            (0, 3, GL_FLOAT, GL_FALSE, stride,
             reinterpret_cast<const void*>(offsetof(Vertex, position)));
            ES(VertexAttribPointer)
            (1, 4, GL_FLOAT, GL_FALSE, stride,
             reinterpret_cast<const void*>(offsetof(Vertex, color)));
            ES(VertexAttribPointer)
            (2, 2, GL_FLOAT, GL_FALSE, stride,
             reinterpret_cast<const void*>(offsetof(Vertex, texCoord)));
            ES(EnableVertexAttribArray)(2);
            for (GLuint column = 0; layout == kMatrices && column < 4; ++column) {
                ES(VertexAttribPointer)
                (3 + column, 4, GL_FLOAT, GL_FALSE, stride,
                 reinterpret_cast<const void*>(offsetof(MatrixVertex, modelviewProjection) +
                                               column * 4 * sizeof(float)));
                ES(EnableVertexAttribArray)(3 + column);
            }
        } else {
            const auto stride = static_cast<GLsizei>(sizeof(CompactVertex));
            ES(VertexAttribPointer)
            (0, 3, GL_FLOAT, GL_FALSE, stride,
             reinterpret_cast<const void*>(offsetof(CompactVertex, position)));
            ES(VertexAttribPointer)
            (1, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride,
             reinterpret_cast<const void*>(offsetof(CompactVertex, color)));
        }
        ES(EnableVertexAttribArray)(0);
        ES(EnableVertexAttribArray)(1);
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
    flush();
    if (on) {
        ES(Enable)(cap);
    } else {
        ES(Disable)(cap);
    }
}

void depthFunc(unsigned func) {
    flush();
    ES(DepthFunc)(func);
}

void viewport(int x, int y, int width, int height) {
    flush();
    ES(Viewport)(x, y, width, height);
}

void clearColor(float red, float green, float blue, float alpha) {
    flush();
    ES(ClearColor)(red, green, blue, alpha);
}

void clearDepth(float depth) {
    flush();
    ES(ClearDepthf)(depth);
}

void scissor(int x, int y, int width, int height) {
    flush();
    ES(Scissor)(x, y, width, height);
}

void clear(unsigned mask) {
    flush();
    ES(Clear)(mask & (GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT));
}

void readPixels(int x, int y, int width, int height, unsigned format, unsigned type, void* pixels) {
    flush();
    ES(ReadPixels)(x, y, width, height, format, type, pixels);
}

void drawLayer(int width, int height, const unsigned char* pixels, int first, int end) {
    flush();
    if (objects.layerVertexArray == 0) {
        objects.layerProgram = link(kLayerVertexShader, kLayerFragmentShader);
        objects.layerRows = ES(GetUniformLocation)(objects.layerProgram, "rows");
        ES(UseProgram)(objects.layerProgram);
        ES(Uniform1i)(ES(GetUniformLocation)(objects.layerProgram, "layer"), 0);
        ES(UseProgram)(programNow());
        ES(GenTextures)(1, &objects.layerTexture);
        ES(GenVertexArrays)(1, &objects.layerVertexArray);
    }
    if (objects.layerProgram == 0) return;
    ES(BindTexture)(GL_TEXTURE_2D, objects.layerTexture);
    if (width != objects.layerWidth || height != objects.layerHeight) {
        objects.layerWidth = width;
        objects.layerHeight = height;
        ES(TexParameteri)(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        ES(TexParameteri)(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        ES(TexImage2D)
        (GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    } else if (first < end) {
        // Rows outside the band are never drawn, so what they hold is stale.
        ES(TexSubImage2D)
        (GL_TEXTURE_2D, 0, 0, first, width, end - first, GL_RGBA, GL_UNSIGNED_BYTE,
         pixels + static_cast<std::size_t>(first) * width * 4);
    }
    if (first < end) {
        ES(UseProgram)(objects.layerProgram);
        ES(BindVertexArray)(objects.layerVertexArray);
        ES(Viewport)(0, 0, width, height);
        const auto clip = [height](int row) {
            return static_cast<float>(row) * 2.0f / static_cast<float>(height) - 1.0f;
        };
        ES(Uniform2f)(objects.layerRows, clip(first), clip(end));
        // The buffer's alpha is the frame's, as a read-back and write-back
        // would leave it.
        ES(ColorMask)(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
        ES(DrawArrays)(GL_TRIANGLE_STRIP, 0, 4);
        ES(ColorMask)(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        ES(BindVertexArray)(objects.vertexArrays[objects.layoutNow]);
        ES(UseProgram)(programNow());
    }
    ES(BindTexture)(GL_TEXTURE_2D, objects.boundTexture);
}

std::string rendererName() {
#ifdef __EMSCRIPTEN__
    // Browsers mask the renderer unless this extension is asked for; Firefox
    // names a software one ("llvmpipe, or similar") even then.
    constexpr GLenum kUnmaskedRenderer = 0x9246;
    const bool unmasked = emscripten_webgl_enable_extension(emscripten_webgl_get_current_context(),
                                                            "WEBGL_debug_renderer_info");
    const GLubyte* name = ES(GetString)(unmasked ? kUnmaskedRenderer : GL_RENDERER);
#else
    const GLubyte* name = ES(GetString)(GL_RENDERER);
#endif
    return name != nullptr ? reinterpret_cast<const char*>(name) : "";
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
    flush();
    ES(DeleteTextures)(count, names);
    if (std::find(names, names + count, objects.boundTexture) != names + count) {
        objects.boundTexture = 0;
    }
}

void bindTexture(unsigned name) {
    flush();
    objects.boundTexture = name;
    ES(BindTexture)(GL_TEXTURE_2D, name);
}

void texImage2D(int width, int height, const void* pixels) {
    flush();
    ES(TexImage2D)(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
}

void texParameter(unsigned pname, int value) {
    flush();
    ES(TexParameteri)(GL_TEXTURE_2D, pname, value);
}

void draw(const Vertex* vertices, int count, bool quads, const float modelviewProjection[16],
          bool textured) {
    if (count <= 0) return;
    Pending& pending = objects.pending;
    if (!pending.counts.empty() && (pending.quads != quads || pending.textured != textured)) {
        flush();
    }
    pending.quads = quads;
    pending.textured = textured;
    pending.vertices.insert(pending.vertices.end(), vertices, vertices + count);
    pending.matrices.insert(pending.matrices.end(), modelviewProjection, modelviewProjection + 16);
    pending.counts.push_back(count);
}

void flush() {
    Pending& pending = objects.pending;
    if (pending.counts.empty()) return;
    const auto count = static_cast<int>(pending.vertices.size());
    const float* const matrices = pending.matrices.data();
    bool oneMatrix = true;
    for (std::size_t at = 16; at < pending.matrices.size() && oneMatrix; at += 16) {
        oneMatrix = std::equal(matrices, matrices + 16, matrices + at);
    }
    if (oneMatrix) {
        drawBatch(pending.vertices.data(), count, pending.quads, matrices, pending.textured);
    } else {
        objects.withMatrices.resize(pending.vertices.size());
        std::size_t next = 0;
        for (std::size_t d = 0; d < pending.counts.size(); ++d) {
            for (int i = 0; i < pending.counts[d]; ++i, ++next) {
                MatrixVertex& v = objects.withMatrices[next];
                v.vertex = pending.vertices[next];
                std::copy_n(matrices + d * 16, 16, v.modelviewProjection);
            }
        }
        drawBatch(objects.withMatrices.data(), count, pending.quads, nullptr, pending.textured);
    }
    pending.vertices.clear();
    pending.matrices.clear();
    pending.counts.clear();
}

}  // namespace webgl::backend
