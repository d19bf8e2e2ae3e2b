// Start-up on a scripted platform: the question, the window, every failure
// path with its boxes, and what the program does after a failed start.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/display_window.h"
#include "app/show_main.h"
#include "tests/support/scripted_platform.h"

using test_support::ScriptedPlatform;

namespace {

const std::string kCaption = "you fail";
const std::string kExtensions =
    "some extensions needed by this prod not supported by your card. go buy a better computer";

std::vector<std::string> boxTexts(const ScriptedPlatform& platform) {
    std::vector<std::string> texts;
    for (const auto& [text, caption] : platform.boxes) texts.push_back(text);
    return texts;
}

}  // namespace

TEST(Startup, AsksTheQuestionByteForByteAndOpensTheWindowWhenAnsweredNo) {
    ScriptedPlatform platform;
    app::mainWindow.create();

    ASSERT_FALSE(platform.boxes.empty());
    EXPECT_EQ(platform.boxes[0].first, std::string(18, ' ') + "fullscreen?" + std::string(5, ' '));
    EXPECT_EQ(platform.boxes[0].second, std::string(32, ' ') + "' -");
    EXPECT_EQ(platform.boxes.size(), 1u) << "no failure box on a working platform";
    EXPECT_EQ(platform.events,
              (std::vector<std::string>{"ask", "class", "window", "context", "show"}))
        << "windowed: no mode change and the cursor stays";
    EXPECT_EQ(platform.windowStyle, platform::WindowStyle::overlapped);
    EXPECT_TRUE(app::mainWindow.running);
    EXPECT_EQ(app::mainWindow.width, 1024);
    EXPECT_EQ(app::mainWindow.height, 768);

    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 1024);
    EXPECT_EQ(viewport[3], 768);
}

TEST(Startup, YesChangesTheModeHidesTheCursorAndUsesAPopupWindow) {
    ScriptedPlatform platform;
    platform.answerYes = true;
    app::mainWindow.create();
    EXPECT_EQ(platform.events, (std::vector<std::string>{"ask", "class", "mode", "cursor", "window",
                                                         "context", "show"}));
    EXPECT_EQ(platform.windowStyle, platform::WindowStyle::popup);
    EXPECT_TRUE(app::mainWindow.running);
}

TEST(Startup, RefusedModeChangeShowsItsMessageAndStillRunsWindowed) {
    ScriptedPlatform platform;
    platform.answerYes = true;
    platform.failAt = ScriptedPlatform::Step::displayMode;
    app::mainWindow.create();

    ASSERT_EQ(platform.boxes.size(), 2u);
    EXPECT_EQ(platform.boxes[1].first,
              "can't change display settingsdgorij\xC3\xB6oiejh\xC3\xB6oj\xC3\xB6ose");
    EXPECT_EQ(platform.boxes[1].second, kCaption);
    EXPECT_EQ(platform.events, (std::vector<std::string>{"ask", "class", "mode", "notice", "cursor",
                                                         "window", "context", "show"}))
        << "the cursor is hidden after the message";
    EXPECT_EQ(platform.windowStyle, platform::WindowStyle::overlapped);
    EXPECT_TRUE(app::mainWindow.running) << "a later success sets running again";
}

TEST(Startup, EachFailureBeforeTheContextShowsItsBoxThenTheExtensionBox) {
    struct Case {
        ScriptedPlatform::Step step;
        const char* message;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {ScriptedPlatform::Step::registerClass,
         "some window init failzz",
         {"ask", "class", "notice", "notice"}},
        {ScriptedPlatform::Step::createWindow,
         "fail fail fail",
         {"ask", "class", "window", "notice", "notice"}},
        {ScriptedPlatform::Step::glContext,
         "r\xC3\xB6yh",
         {"ask", "class", "window", "context", "notice", "notice"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        ScriptedPlatform platform;
        platform.failAt = c.step;
        app::mainWindow = app::DisplayWindow{};
        app::mainWindow.create();
        EXPECT_FALSE(app::mainWindow.running);
        EXPECT_EQ(boxTexts(platform),
                  (std::vector<std::string>{platform.boxes[0].first, c.message, kExtensions}));
        EXPECT_EQ(platform.boxes[1].second, kCaption);
        EXPECT_EQ(platform.boxes[2].second, kCaption);
        EXPECT_EQ(platform.events, c.events);
    }
}

TEST(Startup, AFailedStartStillLoadsAndStartsTheMusicButDrawsNoFrame) {
    ScriptedPlatform platform;
    platform.failAt = ScriptedPlatform::Step::createWindow;
    EXPECT_EQ(app::WinMain(), 0);
    EXPECT_EQ(platform.swaps, 0);
    EXPECT_EQ(platform.pumps, 0);
    EXPECT_EQ(platform.countEvents("sound"), 1);
    EXPECT_EQ(platform.countEvents("open"), 1);
    EXPECT_EQ(platform.countEvents("play"), 1);
    EXPECT_EQ(platform.musicPath, "dorva/vindu-tarok.mp3");
}
