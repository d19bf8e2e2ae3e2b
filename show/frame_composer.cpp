#include "show/frame_composer.h"

#include "app/clocks.h"

namespace show {

bool loadingPass = false;

void composeFrame() {
    app::showTime = static_cast<float>(app::showClock.elapsed());
    app::frameDelta = app::frameClock.lap();
}

}  // namespace show
