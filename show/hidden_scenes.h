// The hidden scenes, drawn into the back buffer before the capture and never
// shown directly: the streaks are the only way they reach the screen.
//   mode 0: the face picture with two black discs, squashed and stretched at
//           random every frame;
//   mode 1: a lit ring revolved from a regular polygon, tumbling, whose
//           cross-section changes at random;
//   mode 2: a hundred boxes from a reseeded random sequence, standing still
//           until the seed is bumped.
// Other modes only set the common state.
#pragma once

namespace show {

inline constexpr const char* kFacePath = "dorva/zim.jpg";

void drawHiddenScene(int mode);

// Scene state, for tests.
extern float ringPhase;
extern float ringShapeTime;
extern int ringSegments;
extern float boxSeedTime;
extern int boxSeed;

}  // namespace show
