#include "tests/image/jpeg_samples.h"

#include <csetjmp>
#include <cstdio>  // before jpeglib.h, which needs FILE and size_t
#include <cstdlib>

#include <jpeglib.h>

namespace test_jpeg {
namespace {

std::vector<std::uint8_t> testPicture(int width, int height) {
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
    std::uint32_t noise = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int random = static_cast<int>((noise >> 16) & 0xFF);
            std::uint8_t* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
            // A gradient, a hard-edged checker and a noisy patch.
            p[0] = static_cast<std::uint8_t>(x * 255 / (width > 1 ? width - 1 : 1));
            p[1] = static_cast<std::uint8_t>(((x / 5 + y / 3) % 2) ? 230 : 20);
            p[2] = static_cast<std::uint8_t>(y < height / 2 ? random : (y * 7 + x * 3) & 0xFF);
        }
    }
    return rgb;
}

struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void onError(j_common_ptr cinfo) {
    auto* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
    std::longjmp(trap->jump, 1);
}

void quiet(j_common_ptr, int) {}

}  // namespace

Bytes encode(const EncodeOptions& options) {
    const std::vector<std::uint8_t> rgb = testPicture(options.width, options.height);
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(options.width);
    cinfo.image_height = static_cast<JDIMENSION>(options.height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    if (options.grey) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    cinfo.comp_info[0].h_samp_factor = options.hFactor;
    cinfo.comp_info[0].v_samp_factor = options.vFactor;
    cinfo.optimize_coding = options.optimize ? TRUE : FALSE;
    cinfo.restart_in_rows = options.restartRows;
    if (options.restartMcus > 0)
        cinfo.restart_interval = static_cast<unsigned>(options.restartMcus);
    cinfo.arith_code = options.arithmetic ? TRUE : FALSE;
    jpeg_scan_info split[3];
    if (options.progressive) {
        jpeg_simple_progression(&cinfo);
    } else if (options.scans > 1 && !options.grey) {
        const int count = options.scans == 2 ? 2 : 3;
        for (int i = 0; i < 3; ++i) split[i] = jpeg_scan_info{1, {i, 0, 0, 0}, 0, 63, 0, 0};
        if (count == 2) split[1] = jpeg_scan_info{2, {1, 2, 0, 0}, 0, 63, 0, 0};
        cinfo.scan_info = split;
        cinfo.num_scans = count;
    }
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<std::uint8_t*>(rgb.data()) +
                       static_cast<std::size_t>(cinfo.next_scanline) * options.width * 3;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes bytes(buffer, buffer + size);
    std::free(buffer);
    return bytes;
}

bool referenceDecode(const Bytes& jpeg, Reference& out) {
    jpeg_decompress_struct cinfo;
    ErrorTrap trap;
    cinfo.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = onError;
    trap.manager.emit_message = quiet;
    if (setjmp(trap.jump) != 0) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.dct_method = JDCT_FLOAT;
    cinfo.do_fancy_upsampling = FALSE;
    cinfo.do_block_smoothing = FALSE;
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.components = cinfo.output_components;
    const std::size_t row = static_cast<std::size_t>(out.width) * out.components;
    out.samples.assign(row * out.height, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW target = out.samples.data() + row * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &target, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

void StreamWriter::marker(int code) {
    bytes.push_back(0xFF);
    bytes.push_back(static_cast<std::uint8_t>(code));
}

void StreamWriter::segment(int code, const Bytes& payload) {
    marker(code);
    const std::size_t length = payload.size() + 2;
    bytes.push_back(static_cast<std::uint8_t>(length >> 8));
    bytes.push_back(static_cast<std::uint8_t>(length & 0xFF));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
}

void StreamWriter::quantTable(int id, int value) {
    Bytes payload(65, static_cast<std::uint8_t>(value));
    payload[0] = static_cast<std::uint8_t>(id);
    segment(0xDB, payload);
}

void StreamWriter::frame(int width, int height, const std::vector<std::array<int, 4>>& components,
                         int precision, int type) {
    Bytes payload = {
        static_cast<std::uint8_t>(precision),     static_cast<std::uint8_t>(height >> 8),
        static_cast<std::uint8_t>(height & 0xFF), static_cast<std::uint8_t>(width >> 8),
        static_cast<std::uint8_t>(width & 0xFF),  static_cast<std::uint8_t>(components.size())};
    for (const auto& c : components) {
        payload.push_back(static_cast<std::uint8_t>(c[0]));
        payload.push_back(static_cast<std::uint8_t>((c[1] << 4) | c[2]));
        payload.push_back(static_cast<std::uint8_t>(c[3]));
    }
    segment(type, payload);
}

void StreamWriter::huffmanTable(int tableClass, int id, const std::vector<int>& counts,
                                const std::vector<int>& symbols) {
    Bytes payload = {static_cast<std::uint8_t>((tableClass << 4) | id)};
    for (int i = 0; i < 16; ++i) {
        payload.push_back(
            static_cast<std::uint8_t>(i < static_cast<int>(counts.size()) ? counts[i] : 0));
    }
    for (int s : symbols) payload.push_back(static_cast<std::uint8_t>(s));
    segment(0xC4, payload);
}

void StreamWriter::restartInterval(int mcus) {
    segment(0xDD, {static_cast<std::uint8_t>(mcus >> 8), static_cast<std::uint8_t>(mcus & 0xFF)});
}

void StreamWriter::scan(std::initializer_list<std::initializer_list<int>> components) {
    Bytes payload = {static_cast<std::uint8_t>(components.size())};
    for (const auto& c : components) {
        const int* v = c.begin();
        payload.push_back(static_cast<std::uint8_t>(v[0]));
        payload.push_back(static_cast<std::uint8_t>((v[1] << 4) | v[2]));
    }
    payload.push_back(0);
    payload.push_back(63);
    payload.push_back(0);
    segment(0xDA, payload);
}

void StreamWriter::bits(std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        pending_ = (pending_ << 1) | ((value >> i) & 1);
        if (++pendingCount_ == 8) {
            bytes.push_back(static_cast<std::uint8_t>(pending_));
            if (pending_ == 0xFF) bytes.push_back(0x00);
            pending_ = 0;
            pendingCount_ = 0;
        }
    }
}

void StreamWriter::flushBits() {
    while (pendingCount_ != 0) bits(1, 1);
}

void StreamWriter::standardTables(int dcId, int acId) {
    huffmanTable(0, dcId, {0, 1, 5, 1, 1, 1, 1, 1, 1}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11});
    huffmanTable(1, acId, {1}, {0x00});
}

void StreamWriter::dcOnlyBlock(int difference) {
    // The codes of the example DC table by size.
    static const std::uint32_t codes[12] = {0b00,     0b010,     0b011,      0b100,
                                            0b101,    0b110,     0b1110,     0b11110,
                                            0b111110, 0b1111110, 0b11111110, 0b111111110};
    static const int lengths[12] = {2, 3, 3, 3, 3, 3, 4, 5, 6, 7, 8, 9};
    const int magnitude = difference < 0 ? -difference : difference;
    int size = 0;
    while ((1 << size) <= magnitude) ++size;
    bits(codes[size], lengths[size]);
    if (size > 0) {
        const int value = difference < 0 ? difference + (1 << size) - 1 : difference;
        bits(static_cast<std::uint32_t>(value), size);
    }
    bits(0, 1);  // end of block
}

}  // namespace test_jpeg
