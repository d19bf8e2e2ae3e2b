// Writes the fuzzer's seed corpus: small files of every kind the decoder
// reads, and a few that it refuses.
#include <cstdio>
#include <string>

#include "tests/image/jpeg_samples.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: jpeg_fuzz_seeds DIR\n");
        return 1;
    }
    int count = 0;
    auto write = [&](const test_jpeg::Bytes& bytes) {
        const std::string path = std::string(argv[1]) + "/seed" + std::to_string(count++) + ".jpg";
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr) return false;
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        return std::fclose(file) == 0;
    };
    const int samplings[][3] = {{1, 1, 1}, {0, 1, 1}, {0, 2, 1}, {0, 2, 2},
                                {0, 1, 2}, {0, 4, 1}, {1, 2, 2}};
    for (const auto& s : samplings) {
        test_jpeg::EncodeOptions options;
        options.grey = s[0] == 1;
        options.hFactor = s[1];
        options.vFactor = s[2];
        options.width = 19;
        options.height = 11;
        if (!write(test_jpeg::encode(options))) return 1;
        options.restartMcus = 2;
        options.quality = 30;
        options.optimize = true;
        if (!write(test_jpeg::encode(options))) return 1;
        options.scans = 3;
        if (!options.grey && !write(test_jpeg::encode(options))) return 1;
    }
    return 0;
}
