#include "tools/capture/frame_writers.h"

#include <png.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "image/file_buffer.h"
#include "platform/file_names.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace capture {
namespace {

#if defined(_WIN32)
// cmd.exe runs the commands. It drops the first and the last quote of a
// command line, so the whole line is quoted once more.
constexpr char kPathSeparator = ';';
constexpr const char* kProgramSuffix = ".exe";
constexpr const char* kNoInput = " <NUL";
// The wide calls, as the names in a command may be any (see file_names.h).
std::FILE* startWriting(const std::string& command, long&) {
    return _wpopen(platform::filePath("\"" + command + "\"").c_str(), L"wb");
}
int finishWriting(std::FILE* pipe, long) {
    return _pclose(pipe);
}
int runCommand(const std::string& command) {
    return _wsystem(platform::filePath("\"" + command + "\"").c_str());
}
bool succeeded(int status) {
    return status == 0;
}
bool isProgram(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(platform::filePath(path), error);
}
#else
constexpr char kPathSeparator = ':';
constexpr const char* kProgramSuffix = "";
constexpr const char* kNoInput = " </dev/null";
// The command runs in a process group of its own: Ctrl-C in the terminal
// goes to the recorder alone, which then ends the video itself, cleanly.
std::FILE* startWriting(const std::string& command, long& process) {
    // A failed write to a closed pipe must be an error, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return nullptr;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t child = 0;
    const char* arguments[] = {"sh", "-c", command.c_str(), nullptr};
    const int failed = posix_spawn(&child, "/bin/sh", &actions, &attributes,
                                   const_cast<char* const*>(arguments), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(ends[0]);
    if (failed != 0) {
        close(ends[1]);
        errno = failed;
        return nullptr;
    }
    process = child;
    // A pipe that holds a good part of a frame lets ffmpeg read in large
    // pieces; where the system refuses, the default pipe serves.
    fcntl(ends[1], F_SETPIPE_SZ, 1 << 20);
    return fdopen(ends[1], "w");
}
int finishWriting(std::FILE* pipe, long process) {
    std::fclose(pipe);
    int status = 0;
    while (waitpid(static_cast<pid_t>(process), &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return status;
}
int runCommand(const std::string& command) {
    return std::system(command.c_str());
}
bool succeeded(int status) {
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
bool isProgram(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}
#endif

}  // namespace

bool PngFrameWriter::write(std::int64_t index, const unsigned char* rgba, int width, int height) {
    char name[32];
    std::snprintf(name, sizeof name, "frame_%06lld.png", static_cast<long long>(index));
    const std::string path = folder_ + "/" + name;
    std::FILE* file = image::openFile(path.c_str(), "wb");
    if (file == nullptr) {
        error_ = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    // A frame that could not be written whole goes again (a full disk
    // leaves no truncated file), and the reason is the system's.
    const auto failed = [&](int reason) {
        error_ = "cannot write " + path + ": " + std::strerror(reason != 0 ? reason : EIO);
        std::error_code ignored;
        std::filesystem::remove(platform::filePath(path), ignored);
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
    return true;
}

bool musicDecodes(const std::string& path, std::string& why) {
    // A file of random bytes passes for mp3 frames of changing formats: the
    // encoder's audio filters then fail and take the whole video with them.
    // ffmpeg itself fails on such a file, while it decodes a truncated or
    // partly damaged one to the end, as the encoder will.
    const std::string command = shellQuote(findOnPath("ffmpeg")) + " -loglevel quiet -nostdin -i " +
                                shellQuote(path) + " -map 0:a:0 -f null -" + kNoInput;
    if (!succeeded(runCommand(command))) {
        why = "cannot be decoded";
        return false;
    }
    return true;
}

std::string findOnPath(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, kPathSeparator)) {
        const std::string candidate = (folder.empty() ? "." : folder) + "/" + name + kProgramSuffix;
        if (isProgram(candidate)) return candidate;
    }
    return {};
}

std::string shellQuote(const std::string& text) {
#if defined(_WIN32)
    return "\"" + text + "\"";  // a Windows path holds no quote
#else
    std::string quoted = "'";
    for (const char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
#endif
}

FfmpegWriter::~FfmpegWriter() {
    close();
}

bool FfmpegWriter::open(const VideoSettings& settings) {
    const std::string ffmpeg = findOnPath("ffmpeg");
    if (ffmpeg.empty()) {
        error_ =
            "ffmpeg not found (install it: apt-get install ffmpeg), or write PNG frames with "
            "--frames DIR";
        return false;
    }
    std::ostringstream command;
    command << shellQuote(ffmpeg) << " -hide_banner -loglevel error -nostdin -y"
            << " -f rawvideo -pix_fmt rgba -s " << settings.width << "x" << settings.height
            << " -framerate " << settings.fps << " -i -";
    // GL's rows come bottom first; vflip turns them by pointer, not by copy.
    if (!settings.musicPath.empty()) {
        command << " -ss " << settings.musicOffset << " -i " << shellQuote(settings.musicPath)
                << " -map 0:v -map 1:a -c:a aac -b:a 192k -af apad -shortest";
    }
    command << " -vf vflip -c:v libx264 -preset " << shellQuote(settings.preset) << " -crf "
            << settings.crf << " -pix_fmt yuv420p -movflags +faststart "
            << shellQuote(settings.output);
    pipe_ = startWriting(command.str(), process_);
    if (pipe_ == nullptr) {
        error_ = std::string("cannot start ffmpeg: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool FfmpegWriter::write(const unsigned char* rgba, std::size_t bytes) {
    if (pipe_ == nullptr) return false;
    if (std::fwrite(rgba, 1, bytes, pipe_) != bytes) {
        error_ = "ffmpeg stopped taking frames";
        return false;
    }
    return true;
}

bool FfmpegWriter::close() {
    if (pipe_ == nullptr) return error_.empty();
    const int status = finishWriting(pipe_, process_);
    pipe_ = nullptr;
    if (!succeeded(status)) {
        if (error_.empty()) error_ = "ffmpeg failed to write the video";
        return false;
    }
    return error_.empty();
}

}  // namespace capture
