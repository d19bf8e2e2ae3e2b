#include "image/texture.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "image/file_buffer.h"
#include "image/jpeg_decoder.h"
#include "platform/report.h"

namespace image {

Texture::~Texture() {
    if (hasName) glDeleteTextures(1, &glName);
}

void Texture::setSize(int newWidth, int newHeight) {
    width = newWidth;
    height = newHeight;
    potWidth = 1;
    potHeight = 1;
    if (width > 1) {
        while (potWidth < width) potWidth *= 2;
    }
    if (height > 1) {
        while (potHeight < height) potHeight *= 2;
    }
    uExtent = static_cast<float>(static_cast<double>(width) / potWidth);
    vExtent = static_cast<float>(static_cast<double>(height) / potHeight);
}

namespace {

// Decoded rows go straight to their place in the power-of-two texture
// image; the texels right of and below the picture are transparent black.
class TextureSink : public RowSink {
  public:
    bool begin(int pictureWidth, int pictureHeight, int, int) override {
        width = pictureWidth;
        height = pictureHeight;
        const Texture size(width, height);
        potWidth = size.potWidth;
        potHeight = size.potHeight;
        rowBytes_ = static_cast<std::size_t>(width) * 4;
        potRowBytes_ = static_cast<std::size_t>(potWidth) * 4;
        // A GPU takes textures up to a size of its own (8192 a side is
        // common); a larger one would leave a blank picture without a word.
        GLint largest = 0;  // stays 0 without a context: nothing to upload to
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
        if (largest > 0 && (potWidth > largest || potHeight > largest)) {
            refusal = "too big for this GL's textures (" + std::to_string(potWidth) + " by " +
                      std::to_string(potHeight) + "; it takes at most " + std::to_string(largest) +
                      ")";
            return false;
        }
        const std::size_t bytes = potRowBytes_ * static_cast<std::size_t>(potHeight);
        // A big picture needs a big texture (9000 pixels a side need 1 GiB),
        // which a 32-bit process or a limited one may not have: refused
        // like a bad file, and the show goes on.
        texels.reset(new (std::nothrow) unsigned char[bytes]);
        if (texels == nullptr) {
            refusal = "not enough memory for its " + std::to_string(potWidth) + " by " +
                      std::to_string(potHeight) + " texture (" + std::to_string(bytes >> 20) +
                      " MiB)";
            return false;
        }
        std::memset(texels.get() + potRowBytes_ * static_cast<std::size_t>(height), 0,
                    potRowBytes_ * static_cast<std::size_t>(potHeight - height));
        return true;
    }
    unsigned char* row(int y) override {
        unsigned char* start = texels.get() + potRowBytes_ * static_cast<std::size_t>(y);
        std::memset(start + rowBytes_, 0, potRowBytes_ - rowBytes_);
        return start;
    }
    void rowsDone(int, int) override {}

    int width = 0;
    int height = 0;
    int potWidth = 1;
    int potHeight = 1;
    std::unique_ptr<unsigned char[]> texels;
    std::string refusal;  // why begin refused the picture

  private:
    std::size_t rowBytes_ = 0;
    std::size_t potRowBytes_ = 0;
};

}  // namespace

void Texture::upload(const unsigned char* rgbaPixels, int newWidth, int newHeight) {
    setSize(newWidth, newHeight);
    const unsigned char* texels = rgbaPixels;
    std::vector<unsigned char> padded;
    if (potWidth > width || potHeight > height) {
        // Texels right of and below the picture are transparent black.
        const std::size_t potRow = static_cast<std::size_t>(potWidth) * 4;
        const std::size_t row = static_cast<std::size_t>(width) * 4;
        padded.assign(potRow * static_cast<std::size_t>(potHeight), 0);
        for (int y = 0; y < height; ++y) {
            std::memcpy(padded.data() + potRow * static_cast<std::size_t>(y),
                        rgbaPixels + row * static_cast<std::size_t>(y), row);
        }
        texels = padded.data();
    }
    uploadTexels(texels);
}

void Texture::uploadTexels(const unsigned char* texels) {
    if (!hasName) glGenTextures(1, &glName);
    hasName = true;
    glBindTexture(GL_TEXTURE_2D, glName);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, potWidth, potHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 texels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

void Texture::bind() {
    glBindTexture(GL_TEXTURE_2D, glName);
}

void Texture::loadJpeg(const FileBuffer& file) {
    TextureSink sink;
    std::string reason;
    bool decoded = false;
    if (file.size <= 0 || file.contents() == nullptr) {
        reason = *file.error() != '\0' ? file.error() : "cannot read the file";
    } else {
        decoded = decodeJpeg(file.contents(), static_cast<std::size_t>(file.size), sink, reason);
        if (!sink.refusal.empty()) reason = sink.refusal;
    }
    if (!decoded) {
        platform::report("%s: %s", file.path(), reason.c_str());
        upload(nullptr, 0, 0);
        return;
    }
    // The rows are in place already: only the sizes are left to set.
    setSize(sink.width, sink.height);
    uploadTexels(sink.texels.get());
}

}  // namespace image
