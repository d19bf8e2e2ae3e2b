// Start-up, the main loop and the end of the show.
#pragma once

#include "render/outline_font.h"

namespace app {

// The show's seconds: the loop ends on the first check past this.
inline constexpr float kShowLength = 73.0f;
inline constexpr const char* kMusicPath = "dorva/vindu-tarok.mp3";

// GL defaults, projection, font, the loading pass, then the music.
void initShow();

// The whole program: window, sound, start-up, loop. Always returns 0.
int WinMain();

extern render::OutlineFont outlineFont;

}  // namespace app
