// Where captured frames go: numbered PNG files, or an ffmpeg process that
// encodes them with the music into one video.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/child_process.h"

namespace capture {

// Writes DIR/frame_000000.png, DIR/frame_000001.png, ...
class PngFrameWriter {
  public:
    explicit PngFrameWriter(std::string folder) : folder_(std::move(folder)) {}
    // `rgba` has its rows bottom first, as GL reads them. False, with the
    // reason in `error`, when the file cannot be written.
    bool write(std::int64_t index, const unsigned char* rgba, int width, int height);
    const std::string& error() const { return error_; }
    // Removes the files written so far, for a recording that failed.
    void removeWritten();

  private:
    std::string folder_;
    std::string error_;
    std::vector<std::string> written_;
};

struct VideoSettings {
    std::string output;
    int fps = 60;
    int width = 1024;
    int height = 768;
    std::string musicPath;   // empty: no sound track
    double musicOffset = 0;  // seconds into the music where the video starts
    // x264's speed and quality; the defaults keep up with the show on two
    // cores and give the smallest such file (the README has the figures).
    std::string preset = "ultrafast";
    int crf = 30;
};

// x264's presets, fastest first.
inline constexpr const char* kPresets[] = {"ultrafast", "superfast", "veryfast", "faster",
                                           "fast",      "medium",    "slow",     "slower",
                                           "veryslow",  "placebo"};

// Whether ffmpeg can decode the music file to the end; false, with the reason
// in `why`, for one that would make the encoder fail.
bool musicDecodes(const std::string& path, std::string& why);

// H.264 video with AAC sound through an ffmpeg process fed on a pipe (in a
// process group of its own, started without a shell).
class FfmpegWriter {
  public:
    ~FfmpegWriter();
    bool open(const VideoSettings& settings);
    // One frame of the settings' size, RGBA (`bytes` of it), rows bottom
    // first; it goes to ffmpeg as YUV 4:2:0.
    bool write(const unsigned char* rgba, std::size_t bytes);
    // Waits for ffmpeg; false when it failed.
    bool close();
    const std::string& error() const { return error_; }

  private:
    platform::ChildProcess ffmpeg_;
    std::string error_;
    int width_ = 0;
    int height_ = 0;
    std::vector<unsigned char> yuv_;  // the frame being written
};

}  // namespace capture
