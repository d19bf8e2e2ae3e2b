// Decoding speed of the show's JPEG decoder beside libjpeg-turbo (float IDCT,
// no fancy upsampling; with and without its SIMD code) and stb_image, on
// photographs of the show's sizes (640x480, 1024x768) and a large picture
// (4096x3072, where a whole decoded picture no longer fits in the caches),
// encoded at quality 90 in 4:2:0 and 4:4:4. The large one is the 640x480
// coffee picture repeated (its 16-pixel MCUs line up), so that it has the
// same detail per pixel and only its size differs. All decoders produce RGBA
// from the same bytes in memory.
//
//   decode_bench [--photos=DIR] [--write=DIR] [benchmark options]
//
// --write=DIR also saves every encoded picture in DIR as NAME.jpg, for
// timing whole programs on the same files.
//
// DIR holds astronaut.png and coffee.png from scikit-image's data folder
// (default: the python3-skimage install path, or $STREAKSHOW_PHOTOS). Without
// the package: apt-get download python3-skimage && dpkg -x python3-skimage_*.deb x
// and pass --photos=x/usr/lib/python3/dist-packages/skimage/data.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <png.h>
#include <stb/stb_image.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "image/jpeg_decoder.h"

namespace {

struct Rgb {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> pixels;
};

bool readPng(const std::string& path, Rgb& out) {
    png_image png;
    std::memset(&png, 0, sizeof(png));
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
    png.format = PNG_FORMAT_RGB;
    out.width = static_cast<int>(png.width);
    out.height = static_cast<int>(png.height);
    out.pixels.resize(PNG_IMAGE_SIZE(png));
    return png_image_finish_read(&png, nullptr, out.pixels.data(), 0, nullptr) != 0;
}

// Bilinear resampling to the benchmark's picture sizes.
Rgb resize(const Rgb& in, int width, int height) {
    Rgb out{width, height,
            std::vector<unsigned char>(static_cast<std::size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y) {
        const double sy = (y + 0.5) * in.height / height - 0.5;
        const int y0 = sy < 0 ? 0 : static_cast<int>(sy);
        const int y1 = y0 + 1 < in.height ? y0 + 1 : y0;
        const double fy = sy < 0 ? 0 : sy - y0;
        for (int x = 0; x < width; ++x) {
            const double sx = (x + 0.5) * in.width / width - 0.5;
            const int x0 = sx < 0 ? 0 : static_cast<int>(sx);
            const int x1 = x0 + 1 < in.width ? x0 + 1 : x0;
            const double fx = sx < 0 ? 0 : sx - x0;
            for (int c = 0; c < 3; ++c) {
                auto at = [&](int xx, int yy) {
                    return in.pixels[(static_cast<std::size_t>(yy) * in.width + xx) * 3 + c];
                };
                const double v = (at(x0, y0) * (1 - fx) + at(x1, y0) * fx) * (1 - fy) +
                                 (at(x0, y1) * (1 - fx) + at(x1, y1) * fx) * fy;
                out.pixels[(static_cast<std::size_t>(y) * width + x) * 3 + c] =
                    static_cast<unsigned char>(v + 0.5);
            }
        }
    }
    return out;
}

std::vector<unsigned char> encode(const Rgb& picture, int hFactor, int vFactor) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(picture.width);
    cinfo.image_height = static_cast<JDIMENSION>(picture.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    cinfo.comp_info[0].h_samp_factor = hFactor;
    cinfo.comp_info[0].v_samp_factor = vFactor;
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<unsigned char*>(picture.pixels.data()) +
                       static_cast<std::size_t>(cinfo.next_scanline) * picture.width * 3;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<unsigned char> bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

void decodeWithLibjpeg(const std::vector<unsigned char>& bytes, std::vector<unsigned char>& out) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.dct_method = JDCT_FLOAT;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&cinfo);
    const std::size_t row = static_cast<std::size_t>(cinfo.output_width) * 4;
    out.resize(row * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW target = out.data() + row * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &target, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
}

void reportRate(benchmark::State& state, int width, int height) {
    state.counters["MP/s"] = benchmark::Counter(width * static_cast<double>(height) * 1e-6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

// The picture repeated across width x height from its top-left corner.
Rgb tile(const Rgb& in, int width, int height) {
    Rgb out{width, height,
            std::vector<unsigned char>(static_cast<std::size_t>(width) * height * 3)};
    for (int y = 0; y < height; ++y) {
        const unsigned char* from =
            in.pixels.data() + static_cast<std::size_t>(y % in.height) * in.width * 3;
        unsigned char* to = out.pixels.data() + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < width; x += in.width) {
            const int count = x + in.width <= width ? in.width : width - x;
            std::memcpy(to + static_cast<std::size_t>(x) * 3, from,
                        static_cast<std::size_t>(count) * 3);
        }
    }
    return out;
}

struct Sample {
    std::string name;
    int width;
    int height;
    std::vector<unsigned char> bytes;
};

void registerSample(const Sample& sample) {
    const Sample* s = new Sample(sample);  // lives as long as the benchmarks
    benchmark::RegisterBenchmark((s->name + "/ours").c_str(), [s](benchmark::State& state) {
        image::DecodedPicture picture;
        std::string reason;
        for (auto _ : state) {
            if (!image::decodeJpeg(s->bytes.data(), s->bytes.size(), picture, reason)) {
                state.SkipWithError(reason.c_str());
                break;
            }
            benchmark::DoNotOptimize(picture.pixels.data());
        }
        reportRate(state, s->width, s->height);
    });
    benchmark::RegisterBenchmark((s->name + "/libjpeg-turbo").c_str(),
                                 [s](benchmark::State& state) {
                                     std::vector<unsigned char> out;
                                     for (auto _ : state) {
                                         decodeWithLibjpeg(s->bytes, out);
                                         benchmark::DoNotOptimize(out.data());
                                     }
                                     reportRate(state, s->width, s->height);
                                 });
    // libjpeg-turbo reads JSIMD_FORCENONE once per thread, so a fresh thread
    // started with it set runs the plain C code.
    benchmark::RegisterBenchmark((s->name + "/libjpeg-turbo-nosimd").c_str(),
                                 [s](benchmark::State& state) {
                                     setenv("JSIMD_FORCENONE", "1", 1);
                                     std::thread worker([&] {
                                         std::vector<unsigned char> out;
                                         for (auto _ : state) {
                                             decodeWithLibjpeg(s->bytes, out);
                                             benchmark::DoNotOptimize(out.data());
                                         }
                                     });
                                     worker.join();
                                     unsetenv("JSIMD_FORCENONE");
                                     reportRate(state, s->width, s->height);
                                 });
    benchmark::RegisterBenchmark((s->name + "/stb_image").c_str(), [s](benchmark::State& state) {
        for (auto _ : state) {
            int w = 0;
            int h = 0;
            int n = 0;
            unsigned char* pixels = stbi_load_from_memory(
                s->bytes.data(), static_cast<int>(s->bytes.size()), &w, &h, &n, 4);
            benchmark::DoNotOptimize(pixels);
            stbi_image_free(pixels);
        }
        reportRate(state, s->width, s->height);
    });
}

}  // namespace

int main(int argc, char** argv) {
    std::string photos = "/usr/lib/python3/dist-packages/skimage/data";
    std::string write;
    if (const char* env = std::getenv("STREAKSHOW_PHOTOS")) photos = env;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--photos=", 9) == 0) {
            photos = argv[i] + 9;
        } else if (std::strncmp(argv[i], "--write=", 8) == 0) {
            write = argv[i] + 8;
        } else {
            rest.push_back(argv[i]);
        }
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());

    Rgb astronaut;
    Rgb coffee;
    if (!readPng(photos + "/astronaut.png", astronaut) ||
        !readPng(photos + "/coffee.png", coffee)) {
        std::fprintf(stderr,
                     "decode_bench: cannot read astronaut.png and coffee.png in %s "
                     "(pass --photos=DIR)\n",
                     photos.c_str());
        return 1;
    }
    const Rgb small = resize(coffee, 640, 480);
    const Rgb large = resize(astronaut, 1024, 768);
    const Rgb huge = tile(small, 4096, 3072);
    const Sample samples[] = {
        {"coffee640x480_420", 640, 480, encode(small, 2, 2)},
        {"coffee640x480_444", 640, 480, encode(small, 1, 1)},
        {"astronaut1024x768_420", 1024, 768, encode(large, 2, 2)},
        {"astronaut1024x768_444", 1024, 768, encode(large, 1, 1)},
        {"coffee4096x3072_420", 4096, 3072, encode(huge, 2, 2)},
        {"coffee4096x3072_444", 4096, 3072, encode(huge, 1, 1)},
    };
    for (const Sample& sample : samples) {
        registerSample(sample);
        if (write.empty()) continue;
        const std::string path = write + "/" + sample.name + ".jpg";
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr ||
            std::fwrite(sample.bytes.data(), 1, sample.bytes.size(), file) != sample.bytes.size()) {
            std::fprintf(stderr, "decode_bench: cannot write %s\n", path.c_str());
            return 1;
        }
        std::fclose(file);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
