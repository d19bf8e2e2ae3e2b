// One GL texture holding one picture, placed in the top-left corner of the
// smallest power-of-two texture that holds it.
#pragma once

#include <GL/gl.h>

namespace image {

class FileBuffer;

class Texture {
  public:
    Texture() : Texture(512, 512) {}
    // No GL call: a Texture may exist before the GL context does.
    Texture(int width, int height) { setSize(width, height); }
    ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // The picture size, the power-of-two texture size and the fractions
    // of the texture that the picture covers.
    void setSize(int width, int height);
    // rgbaPixels: width x height pixels of 4 bytes, rows top first; the
    // caller keeps them. The texture's name is made at the first upload and
    // kept for every later one; the texture stays bound.
    void upload(const unsigned char* rgbaPixels, int width, int height);
    void bind();
    // Decodes and uploads. A file that cannot be read or decoded uploads the
    // empty 0 x 0 picture (one transparent black texel, extents 0) and says
    // why in one line on standard error: "streakshow: <path>: <reason>".
    void loadJpeg(const FileBuffer& file);

    int width = 0;
    int height = 0;
    int potWidth = 1;
    int potHeight = 1;
    float uExtent = 0.0f;
    float vExtent = 0.0f;
    bool hasName = false;
    GLuint glName = 0;

  private:
    // texels: potWidth x potHeight pixels, the picture in the top-left corner.
    void uploadTexels(const unsigned char* texels);
};

}  // namespace image
