// Start-up, the main loop and the end of the show.
#pragma once

#include "render/outline_font.h"

namespace show {
class FrameObserver;
}

namespace app {

// The show's seconds: the loop ends on the first check past this.
inline constexpr float kShowLength = 73.0f;
inline constexpr const char* kMusicPath = "dorva/vindu-tarok.mp3";

// GL defaults, projection, font, the loading pass, then the music.
void initShow(show::FrameObserver* observer = nullptr);

// The whole program: window, sound, start-up, loop. Always returns 0. The
// observer, if any, watches every frame (the show itself has none).
int WinMain(show::FrameObserver* observer = nullptr);

extern render::OutlineFont outlineFont;

}  // namespace app
