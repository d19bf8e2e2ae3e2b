#include "recorder/frame_writers.h"

#include <png.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "image/file_buffer.h"
#include "platform/file_names.h"
#include "recorder/yuv_frames.h"

namespace capture {

bool PngFrameWriter::write(std::int64_t index, const unsigned char* rgba, int width, int height) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(index));
    const std::string path = folder_ + "/" + name;
    // Only a new file: nothing that stands at the name is written through.
    std::FILE* file = platform::createNewFile(path);
    if (file == nullptr) {
        error_ = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    // A frame that could not be written whole goes again (a full disk
    // leaves no truncated file), and the reason is the system's.
    const auto failed = [&](int reason) {
        error_ = "cannot write " + path + ": " + std::strerror(reason != 0 ? reason : EIO);
        platform::removeFile(path);
        return false;
    };
    errno = 0;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        const int reason = errno;
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return failed(reason);
    }
    png_init_io(png, file);
    // Speed over size: a whole show is thousands of frames.
    png_set_compression_level(png, 1);
    png_set_filter(png, 0, PNG_FILTER_SUB);
    // The alpha channel holds nothing to see; frames are stored as RGB.
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_set_filler(png, 0, PNG_FILLER_AFTER);
    for (int y = height - 1; y >= 0; --y) {
        png_write_row(png, rgba + static_cast<std::size_t>(y) * width * 4);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file) != 0 || std::ferror(file) != 0) {
        const int reason = errno;
        std::fclose(file);
        return failed(reason);
    }
    if (std::fclose(file) != 0) return failed(errno);
    written_.push_back(path);
    return true;
}

void PngFrameWriter::removeWritten() {
    for (const std::string& path : written_) platform::removeFile(path);
    written_.clear();
}

bool musicDecodes(const std::string& path, std::string& why) {
    // A file of random bytes passes for mp3 frames of changing formats: the
    // encoder's audio filters then fail and take the whole video with them.
    // ffmpeg itself fails on such a file, while it decodes a truncated or
    // partly damaged one to the end, as the encoder will.
    platform::ChildProcess ffmpeg;
    if (!ffmpeg.start(
            platform::findProgram("ffmpeg"),
            {"-loglevel", "quiet", "-nostdin", "-i", path, "-map", "0:a:0", "-f", "null", "-"},
            false) ||
        ffmpeg.finish() != 0) {
        why = "cannot be decoded";
        return false;
    }
    return true;
}

FfmpegWriter::~FfmpegWriter() {
    close();
}

bool FfmpegWriter::open(const VideoSettings& settings) {
    const std::string ffmpeg = platform::findProgram("ffmpeg");
    if (ffmpeg.empty()) {
        error_ = "ffmpeg not found (" + platform::findProgramHint("ffmpeg") +
                 "), or write PNG frames with --frames DIR";
        return false;
    }
    const auto number = [](auto value) {
        std::ostringstream text;
        text << value;
        return text.str();
    };
    std::vector<std::string> arguments = {"-hide_banner",
                                          "-loglevel",
                                          "error",
                                          "-nostdin",
                                          "-y",
                                          "-f",
                                          "rawvideo",
                                          "-pix_fmt",
                                          "yuv420p",
                                          "-s",
                                          number(settings.width) + "x" + number(settings.height),
                                          "-framerate",
                                          number(settings.fps),
                                          "-i",
                                          "-"};
    if (!settings.musicPath.empty()) {
        arguments.insert(arguments.end(), {"-ss", number(settings.musicOffset), "-i",
                                           settings.musicPath, "-map", "0:v", "-map", "1:a", "-c:a",
                                           "aac", "-b:a", "192k", "-af", "apad", "-shortest"});
    }
    // The frames come as x264 takes them: no conversion, no turning over.
    arguments.insert(arguments.end(),
                     {"-c:v", "libx264", "-preset", settings.preset, "-crf", number(settings.crf),
                      "-pix_fmt", "yuv420p", "-movflags", "+faststart", settings.output});
    if (!ffmpeg_.start(ffmpeg, arguments, true) || ffmpeg_.input() == nullptr) {
        error_ = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return false;
    }
    width_ = settings.width;
    height_ = settings.height;
    yuv_.resize(yuv420Size(width_, height_));
    return true;
}

bool FfmpegWriter::write(const unsigned char* rgba, std::size_t bytes) {
    if (ffmpeg_.input() == nullptr) return false;
    if (bytes != std::size_t{4} * width_ * height_) {
        error_ = "a frame of the wrong size for the video";
        return false;
    }
    rgbaToYuv420(rgba, width_, height_, yuv_.data());
    if (!ffmpeg_.write(yuv_.data(), yuv_.size())) {
        error_ = "ffmpeg stopped taking frames";
        return false;
    }
    return true;
}

bool FfmpegWriter::close() {
    // The input is open from a good start until the child is finished.
    if (ffmpeg_.input() == nullptr) return error_.empty();
    if (ffmpeg_.finish() != 0) {
        if (error_.empty()) error_ = "ffmpeg failed to write the video";
        return false;
    }
    return error_.empty();
}

}  // namespace capture
