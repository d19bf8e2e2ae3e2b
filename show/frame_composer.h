// The frame composer: every frame of the show, and its timeline.
#pragma once

namespace show {

// True only while start-up runs the pass that loads the pictures.
extern bool loadingPass;

// Draws one frame into the back buffer; the main loop presents it.
void composeFrame();

}  // namespace show
