// jpeg2ppm IN.jpg OUT.ppm: decodes one picture with the show's decoder and
// writes it as a binary PPM (grey as R = G = B). Exit status 0 when decoded,
// 2 when the picture is refused or unreadable (the reason on standard
// error) and for a usage error, 1 when OUT cannot be written.
//
// The rows go to OUT as the decoder finishes them, one band per write, so
// the memory needed stays that of the file and one band of rows whatever
// the picture's size. They go to a new file beside OUT, which takes OUT's
// name only when the picture is whole: a refusal leaves OUT as it was. OUT
// must be a regular file or nothing, and not IN; "-" is standard output.
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "image/file_buffer.h"
#include "image/jpeg_decoder.h"
#include "platform/command_line.h"
#include "platform/file_names.h"
#include "platform/report.h"

namespace {

class PpmSink : public image::RowSink {
  public:
    explicit PpmSink(const char* path) : path_(path), toOutput_(std::string(path) == "-") {}
    ~PpmSink() override { discard(); }

    bool begin(int width, int height, int, int bandRows) override {
        width_ = static_cast<std::size_t>(width);
        // Room for whole groups of four pixels at the end.
        rgba_.resize(width_ * 4 * static_cast<std::size_t>(bandRows) + 16);
        rgb_.resize(width_ * 3 * static_cast<std::size_t>(bandRows) + 12);
        // A picture refused before this point never creates anything.
        if (toOutput_) {
#if defined(_WIN32)
            _setmode(_fileno(stdout), _O_BINARY);
#endif
            file_ = stdout;
        } else {
            file_ = platform::createTemporaryBeside(path_, temporary_);
        }
        if (file_ == nullptr) {
            writeFailed_ = true;
            error_ = errno;
            return true;  // still decoded, so that a refusal is told first
        }
        std::fprintf(file_, "P6\n%d %d\n255\n", width, height);
        return true;
    }
    // Rows come in order, so a band's rows simply follow each other.
    unsigned char* row(int) override {
        return rgba_.data() + width_ * 4 * pending_++;
    }
    void rowsDone(int, int count) override {
        pending_ = 0;
        if (writeFailed_) return;
        // RGBA to RGB, four pixels (12 bytes) at a time; the spare bytes at
        // the end of rgb_ take the overhang of the last group.
        const std::size_t pixels = width_ * static_cast<std::size_t>(count);
        const unsigned char* in = rgba_.data();
        unsigned char* out = rgb_.data();
        if constexpr (std::endian::native == std::endian::little) {
            for (std::size_t i = 0; i < pixels; i += 4, in += 16, out += 12) {
                std::uint32_t p[4];
                std::memcpy(p, in, 16);
                const std::uint64_t low = (p[0] & 0xFFFFFFu) |
                                          static_cast<std::uint64_t>(p[1] & 0xFFFFFFu) << 24 |
                                          static_cast<std::uint64_t>(p[2]) << 48;
                const std::uint32_t high = (p[2] >> 16 & 0xFFu) | (p[3] & 0xFFFFFFu) << 8;
                std::memcpy(out, &low, 8);
                std::memcpy(out + 8, &high, 4);
            }
        } else {
            for (std::size_t i = 0; i < pixels; ++i) std::memcpy(out + 3 * i, in + 4 * i, 3);
        }
        if (std::fwrite(rgb_.data(), 1, pixels * 3, file_) != pixels * 3) {
            writeFailed_ = true;
            error_ = errno;
        }
    }

    // Closes the file and gives it OUT's name; false when any of it could
    // not be written.
    bool finish() {
        if (file_ != nullptr && (toOutput_ ? std::fflush(file_) : std::fclose(file_)) != 0 &&
            !writeFailed_) {
            writeFailed_ = true;
            error_ = errno;
        }
        file_ = nullptr;
        if (writeFailed_) {
            errno = error_;
            std::perror(path_);
            discard();
            return false;
        }
        std::string failed;
        if (!temporary_.empty() && !platform::replaceFile(temporary_, path_, failed)) {
            platform::report("%s", failed.c_str());
            discard();
            return false;
        }
        temporary_.clear();
        return true;
    }
    // After a refusal: the temporary file goes, and OUT stays as it was.
    void discard() {
        if (file_ != nullptr && !toOutput_) std::fclose(file_);
        file_ = nullptr;
        if (temporary_.empty()) return;
        platform::removeFile(temporary_);
        temporary_.clear();
    }

  private:
    const char* path_;
    bool toOutput_;
    std::string temporary_;  // written, to become OUT
    std::FILE* file_ = nullptr;
    std::size_t width_ = 0;
    std::vector<unsigned char> rgba_;
    std::vector<unsigned char> rgb_;
    std::size_t pending_ = 0;
    bool writeFailed_ = false;
    int error_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    platform::setProgramName("jpeg2ppm");
    const std::vector<platform::OptionInfo> options = {
        {"help", nullptr, "print this help and exit"},
        {"version", nullptr, "print the version and exit"},
    };
    const std::vector<std::string> all = platform::programArguments(argc, argv);
    const platform::CommandLine line = platform::parseCommandLine(all, options);
    constexpr const char* kUsage = "usage: jpeg2ppm IN.jpg OUT.ppm";
    if (line.error.empty() && line.has("help")) {
        std::printf(
            "%s\nDecodes a baseline JPEG picture with streakshow's decoder into a binary PPM.\n"
            "OUT \"-\" is standard output. Exit status: 0 decoded, 1 OUT not written, 2 IN "
            "refused or a usage error.\n\n%s",
            kUsage, platform::optionHelp(options).c_str());
        return 0;
    }
    if (line.error.empty() && line.has("version")) {
        std::printf("jpeg2ppm %s\n", STREAKSHOW_VERSION);
        return 0;
    }
    if (!line.error.empty() || line.operands.size() != 2) {
        platform::report("%s\n%s",
                         !line.error.empty() ? line.error.c_str() : "needs IN.jpg and OUT.ppm",
                         kUsage);
        return 2;
    }
    const std::vector<std::string> arguments = {all.front(), line.operands[0], line.operands[1]};
    // Checked before anything is read or written: a rename would destroy
    // what is not a regular file, and IN itself.
    const std::string& out = arguments[2];
    if (out != "-" && platform::fileKind(out) == platform::FileKind::other) {
        platform::report("%s: not a regular file (\"-\" writes to standard output)", out.c_str());
        return 1;
    }
    if (out != "-" && platform::sameFile(arguments[1], out)) {
        platform::report("%s is IN itself\n%s", out.c_str(), kUsage);
        return 2;
    }
    const image::FileBuffer file(arguments[1].c_str());
    if (file.size == 0) {
        platform::report("%s: %s", arguments[1].c_str(), file.error());
        return 2;
    }
    PpmSink sink(arguments[2].c_str());
    std::string reason;
    if (!image::decodeJpeg(file.contents(), static_cast<std::size_t>(file.size), sink, reason)) {
        sink.discard();
        platform::report("%s: %s", arguments[1].c_str(), reason.c_str());
        return 2;
    }
    return sink.finish() ? 0 : 1;
}
