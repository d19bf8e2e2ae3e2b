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

#include <cerrno>
#include <cstdio>
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
        rgb_.resize(width_ * 3 * static_cast<std::size_t>(bandRows));
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
    // The decoder writes the PPM's own bytes; rows come in order, so a
    // band's rows simply follow each other and go out in one write.
    bool rgbRows() const override {
        return true;
    }
    unsigned char* row(int) override {
        return rgb_.data() + width_ * 3 * pending_++;
    }
    void rowsDone(int, int count) override {
        pending_ = 0;
        if (writeFailed_) return;
        const std::size_t bytes = width_ * 3 * static_cast<std::size_t>(count);
        if (std::fwrite(rgb_.data(), 1, bytes, file_) != bytes) {
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
