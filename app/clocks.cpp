#include "app/clocks.h"

#include "platform/platform.h"

namespace app {

double clockReading() {
    return static_cast<double>(platform::millisecondCounter()) * static_cast<double>(0.001f);
}

Stopwatch::Stopwatch() : start(static_cast<float>(clockReading())) {}

double Stopwatch::elapsed() const {
    return clockReading() - static_cast<double>(start);
}

float Stopwatch::lap() {
    const double first = clockReading();
    const float interval = static_cast<float>(first - static_cast<double>(start));
    start = static_cast<float>(clockReading());
    return interval;
}

// Started by static initialisation, in this order, before main runs.
Stopwatch showClock;
Stopwatch frameClock;
float showTime = static_cast<float>(showClock.elapsed());
float frameDelta = frameClock.lap();

}  // namespace app
