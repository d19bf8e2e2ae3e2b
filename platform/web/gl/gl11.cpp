// The GL 1.1 entry points and the state behind them. Vertices gather
// between glBegin and glEnd with the current colour, normal and texture
// coordinate; glEnd lights them if lighting is on and hands the batch to
// the backend with the modelview-projection product Mesa would form.
#include "platform/web/gl/gl11.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/web/gl/backend.h"
#include "platform/web/gl/lighting.h"
#include "platform/web/gl/matrix_stack.h"

namespace webgl {
namespace {

using backend::Vertex;

// What glPushAttrib saves: the state the layer keeps, grouped below by
// attribute bit.
struct Attributes {
    float color[4] = {1, 1, 1, 1};  // clamped as it is set
    float normal[3] = {0, 0, 1};
    float texCoord[2] = {0, 0};
    bool lighting = false;
    bool depthTest = false;
    bool cullFace = false;
    bool texture2D = false;
    bool blend = false;
    bool scissorTest = false;
    bool fog = false;  // kept, never drawn: the show turns fog on nowhere
    LightSource lights[kLightCount];
    GLenum matrixMode = GL_MODELVIEW;
    GLenum depthFunc = GL_LESS;
    GLint viewport[4] = {0, 0, 0, 0};
    GLint scissor[4] = {0, 0, 0, 0};  // the box; GL 1.1 starts it at the window's size
    GLuint texture = 0;
    float clearColor[4] = {0, 0, 0, 0};
    float clearDepth = 1;
};

struct SavedAttributes {
    GLbitfield mask;
    Attributes values;
};

// A texture applies only when complete: an image, and a minifying filter
// that needs no mipmaps. Otherwise GL 1.1 draws as if texturing were off.
struct TextureState {
    bool hasImage = false;
    GLint minFilter = GL_NEAREST_MIPMAP_LINEAR;
};

constexpr std::size_t kAttributeDepth = 16;

struct Context {
    Attributes current;
    MatrixStack modelview;
    MatrixStack projection;
    std::vector<SavedAttributes> savedAttributes;
    std::unordered_map<GLuint, TextureState> textures;
    bool inside = false;  // between glBegin and glEnd
    GLenum primitive = GL_TRIANGLES;
    bool lit = false;  // the batch under way
    std::vector<Vertex> vertices;
    std::vector<float> normals;  // three per vertex, lit batches only
    bool compiling = false;      // between glNewList and glEndList: nothing happens
    GLuint nextList = 1;
};

Context& context() {
    static Context* const instance = new Context();
    return *instance;
}

float byteToFloat[256];

float clamp01(float x) {
    return x > 1.0f ? 1.0f : (x > 0.0f ? x : 0.0f);
}

MatrixStack& currentStack() {
    Context& c = context();
    return c.current.matrixMode == GL_PROJECTION ? c.projection : c.modelview;
}

// Mesa brings the modelview up to date whenever it validates state (a draw,
// glReadPixels); that can change how it multiplies afterwards.
void validate() {
    analyse(context().modelview.top());
}

void setColor(float red, float green, float blue, float alpha) {
    float* color = context().current.color;
    color[0] = clamp01(red);
    color[1] = clamp01(green);
    color[2] = clamp01(blue);
    color[3] = clamp01(alpha);
}

void vertex(float x, float y, float z) {
    Context& c = context();
    if (c.compiling || !c.inside) return;
    const Attributes& a = c.current;
    c.vertices.push_back({{x, y, z},
                          {a.color[0], a.color[1], a.color[2], a.color[3]},
                          {a.texCoord[0], a.texCoord[1]}});
    if (c.lit) c.normals.insert(c.normals.end(), a.normal, a.normal + 3);
}

bool textureApplies() {
    const Context& c = context();
    if (!c.current.texture2D) return false;
    const auto found = c.textures.find(c.current.texture);
    return found != c.textures.end() && found->second.hasImage &&
           (found->second.minFilter == GL_LINEAR || found->second.minFilter == GL_NEAREST);
}

void setEnabled(GLenum cap, bool on) {
    Context& c = context();
    if (c.compiling) return;
    Attributes& a = c.current;
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + kLightCount) {
        a.lights[cap - GL_LIGHT0].enabled = on;
        return;
    }
    switch (cap) {
        case GL_LIGHTING:
            a.lighting = on;
            break;
        case GL_TEXTURE_2D:
            a.texture2D = on;
            break;
        case GL_FOG:
            a.fog = on;
            break;
        case GL_DEPTH_TEST:
            a.depthTest = on;
            backend::setEnabled(cap, on);
            break;
        case GL_CULL_FACE:
            a.cullFace = on;
            backend::setEnabled(cap, on);
            break;
        case GL_BLEND:
            a.blend = on;
            backend::setEnabled(cap, on);
            break;
        case GL_SCISSOR_TEST:
            a.scissorTest = on;
            backend::setEnabled(cap, on);
            break;
        default:
            break;
    }
}

// Puts back the groups of `saved` that `mask` names, and tells ES what changed.
void restore(GLbitfield mask, const Attributes& saved) {
    Attributes& a = context().current;
    const Attributes before = a;
    if (mask & GL_CURRENT_BIT) {
        std::copy_n(saved.color, 4, a.color);
        std::copy_n(saved.normal, 3, a.normal);
        std::copy_n(saved.texCoord, 2, a.texCoord);
    }
    if (mask & (GL_ENABLE_BIT | GL_LIGHTING_BIT)) {
        a.lighting = saved.lighting;
        for (int i = 0; i < kLightCount; ++i) a.lights[i].enabled = saved.lights[i].enabled;
    }
    if (mask & GL_LIGHTING_BIT) {
        std::copy_n(saved.lights, kLightCount, a.lights);
        // Mesa analyses the modelview as it puts the lights back.
        validate();
    }
    if (mask & (GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT)) a.depthTest = saved.depthTest;
    if (mask & (GL_ENABLE_BIT | GL_POLYGON_BIT)) a.cullFace = saved.cullFace;
    if (mask & (GL_ENABLE_BIT | GL_TEXTURE_BIT)) a.texture2D = saved.texture2D;
    if (mask & (GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT)) a.blend = saved.blend;
    if (mask & (GL_ENABLE_BIT | GL_SCISSOR_BIT)) a.scissorTest = saved.scissorTest;
    if (mask & GL_SCISSOR_BIT) std::copy_n(saved.scissor, 4, a.scissor);
    if (mask & (GL_ENABLE_BIT | GL_FOG_BIT)) a.fog = saved.fog;
    if (mask & GL_TRANSFORM_BIT) a.matrixMode = saved.matrixMode;
    if (mask & GL_DEPTH_BUFFER_BIT) {
        a.depthFunc = saved.depthFunc;
        a.clearDepth = saved.clearDepth;
    }
    if (mask & GL_VIEWPORT_BIT) std::copy_n(saved.viewport, 4, a.viewport);
    if (mask & GL_TEXTURE_BIT) a.texture = saved.texture;
    if (mask & GL_COLOR_BUFFER_BIT) std::copy_n(saved.clearColor, 4, a.clearColor);

    if (a.depthTest != before.depthTest) backend::setEnabled(GL_DEPTH_TEST, a.depthTest);
    if (a.cullFace != before.cullFace) backend::setEnabled(GL_CULL_FACE, a.cullFace);
    if (a.blend != before.blend) backend::setEnabled(GL_BLEND, a.blend);
    if (a.scissorTest != before.scissorTest) backend::setEnabled(GL_SCISSOR_TEST, a.scissorTest);
    if (!std::equal(a.scissor, a.scissor + 4, before.scissor)) {
        backend::scissor(a.scissor[0], a.scissor[1], a.scissor[2], a.scissor[3]);
    }
    if (a.depthFunc != before.depthFunc) backend::depthFunc(a.depthFunc);
    if (!std::equal(a.viewport, a.viewport + 4, before.viewport)) {
        backend::viewport(a.viewport[0], a.viewport[1], a.viewport[2], a.viewport[3]);
    }
    if (a.texture != before.texture) backend::bindTexture(a.texture);
    if (!std::equal(a.clearColor, a.clearColor + 4, before.clearColor)) {
        backend::clearColor(a.clearColor[0], a.clearColor[1], a.clearColor[2], a.clearColor[3]);
    }
    if (a.clearDepth != before.clearDepth) backend::clearDepth(a.clearDepth);
}

}  // namespace

bool initialize() {
    Context& c = context();
    c = Context();
    c.current.lights[0].diffuse[0] = c.current.lights[0].diffuse[1] =
        c.current.lights[0].diffuse[2] = 1;
    for (int i = 0; i < 256; ++i) byteToFloat[i] = static_cast<float>(i) / 255.0f;
    if (!backend::initialize(c.current.viewport)) return false;
    std::copy_n(c.current.viewport, 4, c.current.scissor);
    return true;
}

void flush() {
    backend::flush();
}

void drawLayer(int width, int height, const unsigned char* pixels, int first, int end) {
    const Context& c = context();
    if (c.compiling || c.inside || width <= 0 || height <= 0 || pixels == nullptr) return;
    // Nothing but the layer decides what shows: no test, scissor, culling or
    // blending.
    const Attributes& a = c.current;
    const GLenum caps[] = {GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND, GL_SCISSOR_TEST};
    const bool on[] = {a.depthTest, a.cullFace, a.blend, a.scissorTest};
    for (int i = 0; i < 4; ++i) {
        if (on[i]) backend::setEnabled(caps[i], false);
    }
    backend::drawLayer(width, height, pixels, std::max(first, 0), std::min(end, height));
    backend::viewport(a.viewport[0], a.viewport[1], a.viewport[2], a.viewport[3]);
    for (int i = 0; i < 4; ++i) {
        if (on[i]) backend::setEnabled(caps[i], true);
    }
}

}  // namespace webgl

using webgl::context;

extern "C" {

void GLAPIENTRY glBegin(GLenum mode) {
    webgl::Context& c = context();
    if (c.compiling || c.inside) return;
    webgl::validate();
    c.inside = true;
    c.primitive = mode;
    c.lit = c.current.lighting;
    c.vertices.clear();
    c.normals.clear();
}

void GLAPIENTRY glEnd() {
    webgl::Context& c = context();
    if (c.compiling || !c.inside) return;
    c.inside = false;
    int count = static_cast<int>(c.vertices.size());
    if (c.primitive == GL_QUADS) {
        count -= count % 4;
    } else if (c.primitive == GL_TRIANGLES) {
        count -= count % 3;
    } else {
        return;  // the show draws nothing else
    }
    if (c.lit) {
        const webgl::VertexLighting lighting(c.current.lights, c.modelview.top());
        for (int i = 0; i < count; ++i) {
            webgl::backend::Vertex& v = c.vertices[static_cast<std::size_t>(i)];
            lighting.light(v.position, &c.normals[static_cast<std::size_t>(i) * 3], v.color);
        }
    }
    const webgl::Matrix modelviewProjection = webgl::product(c.projection.top(), c.modelview.top());
    webgl::backend::draw(c.vertices.data(), count, c.primitive == GL_QUADS, modelviewProjection.m,
                         webgl::textureApplies());
}

void GLAPIENTRY glVertex2f(GLfloat x, GLfloat y) {
    webgl::vertex(x, y, 0);
}

void GLAPIENTRY glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    webgl::vertex(x, y, z);
}

void GLAPIENTRY glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    if (context().compiling) return;
    float* normal = context().current.normal;
    normal[0] = x;
    normal[1] = y;
    normal[2] = z;
}

void GLAPIENTRY glTexCoord2f(GLfloat s, GLfloat t) {
    if (context().compiling) return;
    context().current.texCoord[0] = s;
    context().current.texCoord[1] = t;
}

void GLAPIENTRY glColor3f(GLfloat red, GLfloat green, GLfloat blue) {
    if (!context().compiling) webgl::setColor(red, green, blue, 1);
}

void GLAPIENTRY glColor4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    if (!context().compiling) webgl::setColor(red, green, blue, alpha);
}

void GLAPIENTRY glColor4ub(GLubyte red, GLubyte green, GLubyte blue, GLubyte alpha) {
    if (context().compiling) return;
    // Mesa's table, i / 255.0f; in range already.
    float* color = context().current.color;
    color[0] = webgl::byteToFloat[red];
    color[1] = webgl::byteToFloat[green];
    color[2] = webgl::byteToFloat[blue];
    color[3] = webgl::byteToFloat[alpha];
}

void GLAPIENTRY glEnable(GLenum cap) {
    webgl::setEnabled(cap, true);
}

void GLAPIENTRY glDisable(GLenum cap) {
    webgl::setEnabled(cap, false);
}

void GLAPIENTRY glMatrixMode(GLenum mode) {
    if (context().compiling) return;
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION) context().current.matrixMode = mode;
}

void GLAPIENTRY glLoadIdentity() {
    if (!context().compiling) webgl::currentStack().loadIdentity();
}

void GLAPIENTRY glPushMatrix() {
    if (!context().compiling) webgl::currentStack().push();
}

void GLAPIENTRY glPopMatrix() {
    if (!context().compiling) webgl::currentStack().pop();
}

void GLAPIENTRY glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    if (!context().compiling) webgl::currentStack().rotate(angle, x, y, z);
}

void GLAPIENTRY glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    if (!context().compiling) webgl::currentStack().translate(x, y, z);
}

void GLAPIENTRY glScalef(GLfloat x, GLfloat y, GLfloat z) {
    if (!context().compiling) webgl::currentStack().scale(x, y, z);
}

void GLAPIENTRY glLoadMatrixf(const GLfloat* m) {
    if (!context().compiling && m != nullptr) webgl::currentStack().load(m);
}

void GLAPIENTRY glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top,
                        GLdouble zNear, GLdouble zFar) {
    if (!context().compiling) webgl::currentStack().ortho(left, right, bottom, top, zNear, zFar);
}

void GLAPIENTRY gluPerspective(GLdouble fovY, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    if (!context().compiling) webgl::currentStack().perspective(fovY, aspect, zNear, zFar);
}

void GLAPIENTRY glGetFloatv(GLenum pname, GLfloat* params) {
    const webgl::Context& c = context();
    switch (pname) {
        case GL_MODELVIEW_MATRIX:
            std::memcpy(params, c.modelview.top().m, sizeof c.modelview.top().m);
            break;
        case GL_PROJECTION_MATRIX:
            std::memcpy(params, c.projection.top().m, sizeof c.projection.top().m);
            break;
        case GL_CURRENT_COLOR:
            std::copy_n(c.current.color, 4, params);
            break;
        case GL_VIEWPORT:
            std::copy_n(c.current.viewport, 4, params);
            break;
        default:
            break;
    }
}

void GLAPIENTRY glGetIntegerv(GLenum pname, GLint* params) {
    switch (pname) {
        case GL_VIEWPORT:
            std::copy_n(context().current.viewport, 4, params);
            break;
        case GL_MAX_TEXTURE_SIZE:
            *params = webgl::backend::maxTextureSize();
            break;
        default:
            break;
    }
}

void GLAPIENTRY glLightfv(GLenum light, GLenum pname, const GLfloat* params) {
    webgl::Context& c = context();
    if (c.compiling || light < GL_LIGHT0 || light >= GL_LIGHT0 + webgl::kLightCount) return;
    webgl::LightSource& source = c.current.lights[light - GL_LIGHT0];
    switch (pname) {
        case GL_AMBIENT:
            std::copy_n(params, 4, source.ambient);
            break;
        case GL_DIFFUSE:
            std::copy_n(params, 4, source.diffuse);
            break;
        case GL_POSITION:
            webgl::transformPosition(c.modelview.top(), params, source.eyePosition);
            break;
        default:
            break;  // the shine: the material's is black, so it never shows
    }
}

void GLAPIENTRY glViewport(GLint x, GLint y, GLsizei width, GLsizei height) {
    webgl::Context& c = context();
    if (c.compiling) return;
    const GLint viewport[4] = {x, y, width, height};
    std::copy_n(viewport, 4, c.current.viewport);
    webgl::backend::viewport(x, y, width, height);
}

void GLAPIENTRY glScissor(GLint x, GLint y, GLsizei width, GLsizei height) {
    webgl::Context& c = context();
    if (c.compiling || width < 0 || height < 0) return;
    const GLint box[4] = {x, y, width, height};
    std::copy_n(box, 4, c.current.scissor);
    webgl::backend::scissor(x, y, width, height);
}

void GLAPIENTRY glClear(GLbitfield mask) {
    if (!context().compiling) webgl::backend::clear(mask);
}

void GLAPIENTRY glClearColor(GLclampf red, GLclampf green, GLclampf blue, GLclampf alpha) {
    webgl::Context& c = context();
    if (c.compiling) return;
    const float color[4] = {webgl::clamp01(red), webgl::clamp01(green), webgl::clamp01(blue),
                            webgl::clamp01(alpha)};
    std::copy_n(color, 4, c.current.clearColor);
    webgl::backend::clearColor(color[0], color[1], color[2], color[3]);
}

void GLAPIENTRY glClearDepth(GLclampd depth) {
    webgl::Context& c = context();
    if (c.compiling) return;
    c.current.clearDepth = webgl::clamp01(static_cast<float>(depth));
    webgl::backend::clearDepth(c.current.clearDepth);
}

void GLAPIENTRY glDepthFunc(GLenum func) {
    webgl::Context& c = context();
    if (c.compiling) return;
    c.current.depthFunc = func;
    webgl::backend::depthFunc(func);
}

void GLAPIENTRY glGenTextures(GLsizei n, GLuint* textures) {
    if (n <= 0) return;
    webgl::backend::genTextures(n, textures);
    for (GLsizei i = 0; i < n; ++i) context().textures[textures[i]] = webgl::TextureState();
}

void GLAPIENTRY glDeleteTextures(GLsizei n, const GLuint* textures) {
    if (n <= 0) return;
    webgl::Context& c = context();
    for (GLsizei i = 0; i < n; ++i) {
        if (textures[i] == 0) continue;
        c.textures.erase(textures[i]);
        // A deleted texture that is bound leaves the default one bound.
        if (c.current.texture == textures[i]) c.current.texture = 0;
    }
    webgl::backend::deleteTextures(n, textures);
}

void GLAPIENTRY glBindTexture(GLenum target, GLuint texture) {
    webgl::Context& c = context();
    if (c.compiling || target != GL_TEXTURE_2D) return;
    c.current.texture = texture;
    webgl::backend::bindTexture(texture);
}

void GLAPIENTRY glTexImage2D(GLenum target, GLint level, GLint, GLsizei width, GLsizei height,
                             GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    webgl::Context& c = context();
    // The show's textures: one level of 8-bit RGBA.
    if (c.compiling || target != GL_TEXTURE_2D || level != 0 || border != 0 || format != GL_RGBA ||
        type != GL_UNSIGNED_BYTE || width < 0 || height < 0) {
        return;
    }
    webgl::backend::texImage2D(width, height, pixels);
    c.textures[c.current.texture].hasImage = width > 0 && height > 0;
}

void GLAPIENTRY glTexParameteri(GLenum target, GLenum pname, GLint param) {
    webgl::Context& c = context();
    if (c.compiling || target != GL_TEXTURE_2D) return;
    if (pname == GL_TEXTURE_MIN_FILTER) c.textures[c.current.texture].minFilter = param;
    if (pname == GL_TEXTURE_MIN_FILTER || pname == GL_TEXTURE_MAG_FILTER ||
        pname == GL_TEXTURE_WRAP_S || pname == GL_TEXTURE_WRAP_T) {
        webgl::backend::texParameter(pname, param);
    }
}

void GLAPIENTRY glPushAttrib(GLbitfield mask) {
    webgl::Context& c = context();
    if (c.compiling || c.savedAttributes.size() >= webgl::kAttributeDepth) return;
    c.savedAttributes.push_back({mask, c.current});
}

void GLAPIENTRY glPopAttrib() {
    webgl::Context& c = context();
    if (c.compiling || c.savedAttributes.empty()) return;
    const webgl::SavedAttributes saved = c.savedAttributes.back();
    c.savedAttributes.pop_back();
    webgl::restore(saved.mask, saved.values);
}

void GLAPIENTRY glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                             GLenum type, GLvoid* pixels) {
    webgl::validate();
    webgl::backend::readPixels(x, y, width, height, format, type, pixels);
}

const GLubyte* GLAPIENTRY glGetString(GLenum name) {
    const char* text = nullptr;
    switch (name) {
        case GL_VENDOR:
            text = "streakshow";
            break;
        case GL_RENDERER: {
            // Named once: what the browser draws with decides whether the
            // streaks are worth painting on the CPU.
            static const std::string renderer =
                "streakshow GL 1.1 on WebGL 2 over " + webgl::backend::rendererName();
            text = renderer.c_str();
            break;
        }
        case GL_VERSION:
            text = "1.1 streakshow-webgl";
            break;
        case GL_EXTENSIONS:
            // What the show asks for before it starts; its drawing needs
            // neither beyond what the layer does.
            text = "GL_ARB_multitexture GL_EXT_texture_env_combine";
            break;
        default:
            break;
    }
    return reinterpret_cast<const GLubyte*>(text);
}

GLuint GLAPIENTRY glGenLists(GLsizei range) {
    webgl::Context& c = context();
    if (range <= 0) return 0;
    const GLuint first = c.nextList;
    c.nextList += static_cast<GLuint>(range);
    return first;
}

void GLAPIENTRY glNewList(GLuint, GLenum mode) {
    // The show compiles its font but never calls a list: compiling records
    // nothing, and what would be compiled is not done either.
    if (mode == GL_COMPILE) context().compiling = true;
}

void GLAPIENTRY glEndList() {
    context().compiling = false;
}

}  // extern "C"
