#include "image/texture.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "image/file_buffer.h"
#include "image/jpeg_decoder.h"

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

void Texture::upload(const unsigned char* rgbaPixels, int newWidth, int newHeight) {
    setSize(newWidth, newHeight);
    if (!hasName) glGenTextures(1, &glName);
    hasName = true;
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
    DecodedPicture picture;
    std::string reason;
    bool decoded = false;
    if (file.size <= 0 || file.contents() == nullptr) {
        reason = *file.error() != '\0' ? file.error() : "cannot read the file";
    } else {
        decoded = decodeJpeg(file.contents(), static_cast<std::size_t>(file.size), picture, reason);
    }
    if (!decoded) {
        std::fprintf(stderr, "streakshow: %s: %s\n", file.path(), reason.c_str());
        upload(nullptr, 0, 0);
        return;
    }
    upload(picture.pixels.data(), picture.width, picture.height);
}

}  // namespace image
