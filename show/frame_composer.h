// The frame composer: every frame of the show, and its timeline.
//
// A frame renders the hidden scenes into the back buffer, captures its
// lower-left 640 by 480 pixels, clears, draws a dimmed and zooming background
// picture, and then the streaks that show the capture. Which scenes run and
// which background shows change at random, paced by the frame time.
#pragma once

#include <cstddef>

namespace show {

inline constexpr int kCaptureWidth = 640;
inline constexpr int kCaptureHeight = 480;
inline constexpr std::size_t kCaptureBytes = std::size_t{kCaptureWidth} * kCaptureHeight * 4;

// RGBA, rows bottom-up as GL reads them.
extern unsigned char captureBuffer[kCaptureBytes];

extern int backgroundIndex;    // 1 to 5: the slot drawn in this frame
extern float zoomTime;         // seconds since the background was chosen
extern bool ringOn;            // the ring runs instead of the face
extern float ringSwitchTime;   // paces the chances to flip ringOn
extern bool boxesOn;           // the box field runs
extern float boxesSwitchTime;  // paces the chances to flip boxesOn
// True only while start-up runs the pass that loads the pictures.
extern bool loadingPass;

class FrameObserver;

// Draws one frame into the back buffer; the main loop presents it. The
// observer, if any, is told what the frame does (see show/frame_observer.h).
void composeFrame(FrameObserver* observer = nullptr);

// The background pictures, in the order the loading pass reads them.
inline constexpr const char* kBackgroundPaths[6] = {
    "dorva/daved_06smaller.jpg", "dorva/daved_09smaller.jpg", "dorva/daved_08smaller.jpg",
    "dorva/daved_07smaller.jpg", "dorva/daved_03smaller.jpg", "dorva/daved_10smaller.jpg",
};

}  // namespace show
