// The show's clocks. Time is seconds in 32-bit floats, read from the
// platform's millisecond counter; `showTime` and `frameDelta` are refreshed
// by the frame composer at the start of every frame.
//
// This header is the one part of the shell that the show itself reads.
#pragma once

namespace app {

class Stopwatch {
  public:
    // Starts the clock.
    Stopwatch();

    // Seconds since the start, at double precision; the clock is unchanged.
    double elapsed() const;
    // Seconds since the start, rounded to float, and restarts the clock. The
    // counter is read twice: the interval returned ends at the first reading,
    // the next one begins at the second.
    float lap();

    float start;
};

// Seconds on the platform's millisecond counter: the count times the float
// 0.001, at double precision.
double clockReading();

extern Stopwatch showClock;   // its elapsed time is the show time
extern Stopwatch frameClock;  // lapped once per frame
extern float showTime;
extern float frameDelta;

}  // namespace app
