// The music on Windows: an mp3 file decoded while it plays (dr_mp3) and
// played through waveOut, the system's own audio output, from a thread of
// its own. The show makes no sound call after starting it.
#pragma once

#include <memory>

namespace platform {

class MusicStream {
  public:
    // Opens `path` and an audio output in its format. Null, with one line on
    // standard error, when the file is missing or not mp3, or when there is
    // no output to play it on.
    static std::unique_ptr<MusicStream> open(const char* path);
    virtual ~MusicStream() = default;
    // Starts playing from the beginning, once, to the end of the file.
    virtual void play() = 0;
};

}  // namespace platform
