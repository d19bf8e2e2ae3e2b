// One GL texture holding one picture, placed in the top-left corner of the
// smallest power-of-two texture that holds it.
#pragma once

#include <GL/gl.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace image {

class FileBuffer;

// A picture decoded into the texels of its power-of-two texture, not yet
// uploaded.
struct TextureImage {
    int width = 0;  // the picture's size
    int height = 0;
    // potWidth x potHeight texels, the picture in the top-left corner; null
    // when the picture was refused, `reason` saying why.
    std::unique_ptr<unsigned char[]> texels;
    std::string reason;
    // Refused for the texture's size or for memory, not for the file.
    bool refusedForSize = false;
};

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
    // The same for the file at path, taking the picture from the prefetch
    // when it holds one for that path.
    void loadJpeg(const std::string& path);

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
    void uploadImage(TextureImage image, const char* path);
};

// Reads and decodes pictures on a thread of its own, in the order given,
// while the caller goes on (the show opens its window and builds its font
// meanwhile). While it exists, Texture::loadJpeg(path) takes each picture
// from it, waiting for it if need be, and uploads it with the same messages
// as a picture decoded then. A picture whose texture would be over 2048 a
// side, or one there was no memory for, is left for loadJpeg to read and
// decode itself against the GL's own limit; so is every picture where no
// thread can be started.
class PicturePrefetch {
  public:
    explicit PicturePrefetch(std::vector<std::string> paths);
    ~PicturePrefetch();  // waits for the picture being decoded, if any
    PicturePrefetch(const PicturePrefetch&) = delete;
    PicturePrefetch& operator=(const PicturePrefetch&) = delete;

    // The next picture not yet taken for path; none when the prefetch has
    // no picture for it.
    std::optional<TextureImage> take(const std::string& path);

  private:
    struct Slot {
        std::string path;
        TextureImage image;
        bool ready = false;
        bool taken = false;
    };
    void decodeAll();

    std::mutex mutex_;
    std::condition_variable decoded_;
    std::vector<Slot> slots_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace image
