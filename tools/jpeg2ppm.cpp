// jpeg2ppm IN.jpg OUT.ppm: decodes one picture with the show's decoder and
// writes it as a binary PPM (grey as R = G = B). Exit status 0 when decoded,
// 2 when the picture is refused or unreadable (the reason on standard
// error), 1 for a usage error or when OUT cannot be written.
#include <cstdio>
#include <string>

#include "image/file_buffer.h"
#include "image/jpeg_decoder.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: jpeg2ppm IN.jpg OUT.ppm\n");
        return 1;
    }
    const image::FileBuffer file(argv[1]);
    if (file.size == 0) {
        std::fprintf(stderr, "jpeg2ppm: %s: %s\n", argv[1], file.error());
        return 2;
    }
    image::DecodedPicture picture;
    std::string reason;
    if (!image::decodeJpeg(file.contents(), static_cast<std::size_t>(file.size), picture, reason)) {
        std::fprintf(stderr, "jpeg2ppm: %s: %s\n", argv[1], reason.c_str());
        return 2;
    }
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        std::perror(argv[2]);
        return 1;
    }
    std::fprintf(out, "P6\n%d %d\n255\n", picture.width, picture.height);
    const std::size_t pixels = static_cast<std::size_t>(picture.width) * picture.height;
    for (std::size_t i = 0; i < pixels; ++i) std::fwrite(&picture.pixels[4 * i], 1, 3, out);
    if (std::fclose(out) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    return 0;
}
