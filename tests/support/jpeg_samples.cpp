#include "tests/support/jpeg_samples.h"

#include <algorithm>
#include <cstdio>  // before jpeglib.h, which needs FILE and size_t
#include <cstdlib>

#include <jpeglib.h>

namespace test_jpeg {
namespace {

std::vector<std::uint8_t> testPicture(int width, int height, int channels) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height * channels);
    std::uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int random = static_cast<int>((noise >> 16) & 0xFF);
            // A gradient, a hard-edged checker and a noisy patch.
            const std::uint8_t p[3] = {
                static_cast<std::uint8_t>(x * 255 / (width > 1 ? width - 1 : 1)),
                static_cast<std::uint8_t>(((x / 5 + y / 3) % 2) ? 230 : 20),
                static_cast<std::uint8_t>(y < height / 2 ? random : (y * 7 + x * 3) & 0xFF)};
            for (int c = 0; c < channels; ++c)
                out[(static_cast<std::size_t>(y) * width + x) * channels + c] = p[3 - channels + c];
        }
    }
    return out;
}

// The one-dimensional AAN step on eight floats `stride` apart.
void aan(float* b, int stride) {
    float x[8];
    for (int i = 0; i < 8; ++i) x[i] = b[i * stride];
    const float t10 = x[0] + x[4], t11 = x[0] - x[4], t13 = x[2] + x[6];
    const float t12 = (x[2] - x[6]) * 1.4142135f - t13;
    const float e0 = t10 + t13, e3 = t10 - t13, e1 = t11 + t12, e2 = t11 - t12;
    const float z13 = x[5] + x[3], z10 = x[5] - x[3], z11 = x[1] + x[7], z12 = x[1] - x[7];
    const float o7 = z11 + z13, o11 = (z11 - z13) * 1.4142135f, z5 = (z10 + z12) * 1.847759f;
    const float o10 = z12 * 1.0823922f - z5, o12 = z5 - z10 * 2.613126f;
    const float o6 = o12 - o7, o5 = o11 - o6, o4 = o10 + o5;
    const float y[8] = {e0 + o7, e1 + o6, e2 + o5, e3 - o4, e3 + o4, e2 - o5, e1 - o6, e0 - o7};
    for (int i = 0; i < 8; ++i) b[i * stride] = y[i];
}

std::uint8_t clamp(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

}  // namespace

Bytes encode(const EncodeOptions& options) {
    const int channels = options.twoComponents ? 2 : 3;
    std::vector<std::uint8_t> picture = testPicture(options.width, options.height, channels);
    if (options.halves != decltype(options.halves){})
        for (std::size_t i = 0; i < picture.size(); ++i)
            picture[i] =
                options.halves[i % 3 + (i / 3 / options.width < options.height / 2u ? 0 : 3)];
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = JDIMENSION(options.width);
    cinfo.image_height = JDIMENSION(options.height);
    cinfo.input_components = channels;
    cinfo.in_color_space = options.twoComponents ? JCS_UNKNOWN : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (options.grey) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    if (options.rgb) {
        jpeg_set_colorspace(&cinfo, JCS_RGB);
        cinfo.write_Adobe_marker = !options.noAdobe;
        cinfo.write_JFIF_header = options.jfif;
        for (int i = 0; options.numericIds && i < 3; ++i) cinfo.comp_info[i].component_id = i + 1;
    }
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    cinfo.comp_info[0].h_samp_factor = options.hFactor;
    cinfo.comp_info[0].v_samp_factor = options.vFactor;
    cinfo.optimize_coding = options.optimize;
    cinfo.restart_interval = static_cast<unsigned>(options.restartMcus);
    jpeg_scan_info split[3];
    if (options.scans > 1 && cinfo.num_components == 3) {
        for (int i = 0; i < 3; ++i) split[i] = jpeg_scan_info{1, {i, 0, 0, 0}, 0, 63, 0, 0};
        if (options.scans == 2) split[1] = jpeg_scan_info{2, {1, 2, 0, 0}, 0, 63, 0, 0};
        cinfo.scan_info = split;
        cinfo.num_scans = options.scans == 2 ? 2 : 3;
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = &picture[std::size_t{cinfo.next_scanline} * options.width * channels];
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
        std::abort();
    std::fclose(file);
}

namespace {

// The show's arithmetic: dequantise with the prescale, transform columns then
// rows, truncate, floor-divide by 8, shift by 128, clamp; replicate samples
// by the factor ratio in a three-component picture (by 1 otherwise; past the
// part of the MCU a component covers there is none: 0); convert colour with
// float constants in double arithmetic, truncating.
std::vector<std::uint8_t> exactPixels(jpeg_decompress_struct& cinfo, jvirt_barray_ptr* arrays) {
    const int width = static_cast<int>(cinfo.image_width);
    const int count = cinfo.num_components;
    const int h0 = cinfo.comp_info[0].h_samp_factor, v0 = cinfo.comp_info[0].v_samp_factor;
    const float factors[8] = {1.0f, 1.3870399f,  1.306563f,  1.1758755f,
                              1.0f, 0.78569496f, 0.5411961f, 0.27589938f};
    std::vector<std::uint8_t> planes[3];
    for (int k = 0; k < count; ++k) {
        const jpeg_component_info& c = cinfo.comp_info[k];
        const auto stride = static_cast<std::size_t>(c.width_in_blocks) * 8;
        planes[k].assign(stride * c.height_in_blocks * 8, 0);
        for (JDIMENSION by = 0; by < c.height_in_blocks; ++by) {
            JBLOCKARRAY row = cinfo.mem->access_virt_barray(reinterpret_cast<j_common_ptr>(&cinfo),
                                                            arrays[k], by, 1, FALSE);
            for (JDIMENSION bx = 0; bx < c.width_in_blocks; ++bx) {
                float block[64];
                for (int n = 0; n < 64; ++n)
                    block[n] = static_cast<float>(c.quant_table->quantval[n]) *
                               static_cast<float>(row[0][bx][n]) * factors[n / 8] * factors[n % 8];
                for (int i = 0; i < 8; ++i) aan(block + i, 8);
                for (int i = 0; i < 8; ++i) aan(block + 8 * i, 1);
                for (int n = 0; n < 64; ++n)
                    planes[k][(by * 8 + n / 8) * stride + bx * 8 + n % 8] =
                        clamp((static_cast<int>(block[n]) >> 3) + 128);
            }
        }
    }
    auto sample = [&](int k, int px, int py) -> int {
        const jpeg_component_info& c = cinfo.comp_info[k];
        const int inX = (px % (8 * h0)) / (count == 3 ? h0 / c.h_samp_factor : 1);
        const int inY = (py % (8 * v0)) / (count == 3 ? v0 / c.v_samp_factor : 1);
        if (inX >= 8 * c.h_samp_factor || inY >= 8 * c.v_samp_factor) return 0;
        return planes[k][(static_cast<std::size_t>(py / (8 * v0) * 8 * c.v_samp_factor + inY) *
                          c.width_in_blocks * 8) +
                         static_cast<std::size_t>(px / (8 * h0) * 8 * c.h_samp_factor + inX)];
    };
    std::vector<std::uint8_t> rgba;
    for (int i = 0; i < width * static_cast<int>(cinfo.image_height); ++i) {
        const int px = i % width, py = i / width, y = sample(0, px, py);
        if (count < 3) {
            const int second = count == 2 ? sample(1, px, py) : y;
            rgba.insert(rgba.end(),
                        {std::uint8_t(y), std::uint8_t(second), std::uint8_t(count == 2 ? 0 : y),
                         std::uint8_t(count == 2 ? 0 : 255)});
            continue;
        }
        if (cinfo.jpeg_color_space == JCS_RGB) {
            rgba.insert(rgba.end(), {std::uint8_t(y), std::uint8_t(sample(1, px, py)),
                                     std::uint8_t(sample(2, px, py)), 255});
            continue;
        }
        const double cb = sample(1, px, py) - 128, cr = sample(2, px, py) - 128;
        rgba.insert(rgba.end(),
                    {clamp(static_cast<int>(double{1.402f} * cr + y)),
                     clamp(static_cast<int>((y - double{0.34414f} * cb) - double{0.71414f} * cr)),
                     clamp(static_cast<int>(double{1.772f} * cb + y)), 255});
    }
    return rgba;
}

}  // namespace

// Files it cannot read end the test program, with libjpeg-turbo's message.
Reference readReference(const Bytes& jpeg) {
    jpeg_decompress_struct cinfo[2];
    jpeg_error_mgr error;
    for (auto& c : cinfo) {
        c.err = jpeg_std_error(&error);
        jpeg_create_decompress(&c);
        jpeg_mem_src(&c, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
        jpeg_read_header(&c, TRUE);
    }
    jpeg_decompress_struct& d = cinfo[1];
    d.dct_method = JDCT_FLOAT;
    d.do_fancy_upsampling = d.do_block_smoothing = FALSE;
    jpeg_start_decompress(&d);
    Reference out{int(d.output_width), int(d.output_height), d.output_components,
                  d.jpeg_color_space == JCS_RGB};
    out.exact = exactPixels(cinfo[0], jpeg_read_coefficients(&cinfo[0]));
    const std::size_t row = static_cast<std::size_t>(out.width) * out.components;
    out.samples.assign(row * out.height, 0);
    while (d.output_scanline < d.output_height) {
        JSAMPROW target = out.samples.data() + row * d.output_scanline;
        jpeg_read_scanlines(&d, &target, 1);
    }
    for (auto& c : cinfo) jpeg_destroy_decompress(&c);
    return out;
}

}  // namespace test_jpeg
