// The browser build's OpenGL 1.1: the fixed-function calls the show makes
// (glBegin/glEnd with colours, normals and texture coordinates, both matrix
// stacks, one positional light, textures, glPushAttrib, the font's display
// lists, gluPerspective) drawn with OpenGL ES 3.0 / WebGL 2. Matrices and
// lighting come out as desktop Mesa computes them. The program includes
// <GL/gl.h> as before; the definitions of those functions live here.
//
// Linking: -sMAX_WEBGL_VERSION=2 and no -sLEGACY_GL_EMULATION. The layer
// reaches WebGL through emscripten's emscripten_gl* functions only, so the
// output carries none of emscripten's legacy GL stubs.
#pragma once

namespace webgl {

// Call once after making a WebGL 2 context current, before any GL call.
// Builds the layer's program and buffers and starts from GL 1.1's state
// (the viewport as the context starts it). False when the program cannot
// be built; a line on standard error says why.
bool initialize();

// Sends the draws the layer has gathered: before the page shows the frame.
void flush();

// Over rows [first, end) of the colour buffer, those rows of an image of its
// size (8-bit RGBA rows, bottom first, as glReadPixels gives them) of which
// only the opaque pixels (alpha 255) show: they take the image's red, green
// and blue; every other pixel, and the buffer's alpha, stay. The same as
// reading the frame back, copying those pixels in and drawing it back,
// without waiting for the frame to be drawn.
void drawLayer(int width, int height, const unsigned char* pixels, int first, int end);

}  // namespace webgl
