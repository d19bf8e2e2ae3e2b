#include "app/show_main.h"

#include <GL/gl.h>

#include <string>
#include <utility>
#include <vector>

#include "app/clocks.h"
#include "app/display_window.h"
#include "image/texture.h"
#include "platform/data_folder.h"
#include "platform/platform.h"
#include "render/gl_state.h"
#include "show/frame_composer.h"
#include "show/hidden_scenes.h"

namespace app {

render::OutlineFont outlineFont;

void initShow(show::FrameObserver* observer) {
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glDepthFunc(GL_LESS);
    render::setPerspective(45, 1.3333334f);
    glLoadIdentity();
    outlineFont.build("Times New Roman", 0.2f);
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_TEXTURE_2D);

    // The clocks ran while the user answered the question; restart them so
    // that the loading pass sees only its own time.
    showClock.lap();
    frameClock.lap();
    show::loadingPass = true;
    show::composeFrame(observer);
    show::loadingPass = false;

    platform::currentPlatform().playMusic();
    // Show time 0 is the start of the music.
    showClock.lap();
    frameClock.lap();
}

int WinMain(show::FrameObserver* observer) {
    platform::Platform& system = platform::currentPlatform();
    // The seven pictures are read and decoded beside the window's creation
    // and the font's; the loading pass uploads them in its own order.
    std::vector<std::string> pictures{platform::dataPath(show::kFacePath)};
    for (const char* path : show::kBackgroundPaths) pictures.push_back(platform::dataPath(path));
    const image::PicturePrefetch prefetch(std::move(pictures));
    mainWindow.create();
    system.startSoundSystem(1);
    system.openMusicStream(platform::dataPath(kMusicPath).c_str());
    initShow(observer);

    Stopwatch loopClock;
    loopClock.lap();
    if (!mainWindow.running) return 0;

    for (;;) {
        system.pumpEvents();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 1, 1);
        show::composeFrame(observer);
        mainWindow.swapBuffers();
        // A frame is always finished and presented before the show ends.
        if (loopClock.elapsed() > static_cast<double>(kShowLength)) {
            mainWindow.running = false;
            break;
        }
        if (!mainWindow.running) break;
    }
    return 0;
}

}  // namespace app
