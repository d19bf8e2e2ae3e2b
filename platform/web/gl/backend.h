// What the GL 1.1 layer asks of OpenGL ES 3.0 / WebGL 2: the state it
// passes through and the drawing of one batch. Plain types only, so that
// gl11.cpp can keep the desktop GL header to itself (the two headers clash).
// GL and ES share the enum values used here, so they pass unchanged.
#pragma once

#include <cstdint>
#include <string>

namespace webgl::backend {

struct Vertex {
    float position[3];
    float color[4];  // clamped, lit or not
    float texCoord[2];
};

// Builds the program and buffers on the current context and puts its state
// where GL 1.1 starts; writes the viewport the context starts with. False,
// with a line on standard error, when the program does not build.
bool initialize(int viewport[4]);

// GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND or GL_SCISSOR_TEST.
void setEnabled(unsigned cap, bool on);
void depthFunc(unsigned func);
void viewport(int x, int y, int width, int height);
void clearColor(float red, float green, float blue, float alpha);
void clearDepth(float depth);
void scissor(int x, int y, int width, int height);
void clear(unsigned mask);
void readPixels(int x, int y, int width, int height, unsigned format, unsigned type, void* pixels);
// Rows [first, end) of a layer, `width` by `height` 8-bit RGBA rows bottom
// first as glReadPixels gives them, go up and over the colour buffer: each
// pixel whose alpha is 255 takes the layer's red, green and blue, and every
// other pixel, and the buffer's alpha, stay as they are. Depth test, culling,
// blending and the scissor test must be off.
void drawLayer(int width, int height, const unsigned char* pixels, int first, int end);

// What draws under the browser's WebGL, as far as the browser says.
std::string rendererName();
// The largest texture side the browser's WebGL takes.
int maxTextureSize();
void genTextures(int count, unsigned* names);
void deleteTextures(int count, const unsigned* names);
void bindTexture(unsigned name);
void texImage2D(int width, int height, const void* pixels);  // RGBA, 8 bits each
void texParameter(unsigned pname, int value);

// Triangles, or quads as Mesa splits them (0 1 3, 1 2 3), through
// `modelviewProjection` (column-major); `textured` modulates the colour by
// the bound texture. Draws are gathered, and go to the GL as one where
// nothing else comes between them: any other call here, or flush(), sends
// them.
void draw(const Vertex* vertices, int count, bool quads, const float modelviewProjection[16],
          bool textured);
void flush();

}  // namespace webgl::backend
