// The generator's sequence, and glyph requests that cannot be met. (The
// glyphs themselves are looked at through the show's outline font.)
#include "tests/support/test.h"

#include <SDL2/SDL.h>

#include "platform/outline_glyphs.h"
#include "platform/random.h"
#include "tests/support/scripted_platform.h"

namespace {

TEST(Random, ReproducesTheRuntimeSequenceFromStateOne) {
    for (const int value : {41, 18467, 6334, 26500, 19169, 15724})
        EXPECT_EQ(platform::rand(), value);
    platform::srand(39420);
    std::uint64_t state = 39420;
    for (int i = 0; i < 1000; ++i) {
        state = (state * 214013 + 2531011) % (std::uint64_t{1} << 32);
        ASSERT_EQ(platform::rand(), static_cast<int>((state >> 16) & 0x7FFF)) << i;
    }
}

TEST(OutlineGlyphs, BadArgumentsFailInOneLineAndClearTheMetrics) {
    platform::GlyphMetrics metrics[2];
    metrics[0].cellIncX = 5;
    testing::internal::CaptureStderr();
    // List base 0 names no lists: nothing may be written, GL not touched.
    EXPECT_FALSE(platform::buildOutlineGlyphs("Times New Roman", 0, 2, 0, 0, 0.2f, metrics));
    EXPECT_FALSE(platform::buildOutlineGlyphs("Times New Roman", 250, 7, 1, 0, 0.2f, nullptr));
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(metrics[0].cellIncX, 0);
    EXPECT_EQ(errors.find("streakshow: font Times New Roman: "), 0u);
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2) << errors;
}

std::vector<std::pair<std::uint32_t, platform::WPARAM>> messages;

TEST(SdlPlatform, EscapeAndQuitReachTheWindowProcedureAsWindowsMessages) {
    test_support::ScriptedPlatform system;  // its own pump set aside below
    ASSERT_TRUE(system.registerWindowClass("ZERK", [](platform::WindowHandle, std::uint32_t message,
                                                      platform::WPARAM wParam, platform::LPARAM) {
        messages.emplace_back(message, wParam);
        return platform::LRESULT{0};
    }));
    ASSERT_NE(system.createWindow("ZERK", "ZERK", platform::WindowStyle::overlapped, 64, 48),
              nullptr);
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    SDL_Event events[3] = {};
    events[0].type = events[1].type = SDL_KEYDOWN;
    events[0].key.keysym.sym = SDLK_ESCAPE;
    events[1].key.keysym.sym = SDLK_a;
    events[2].type = SDL_QUIT;
    for (SDL_Event& event : events) SDL_PushEvent(&event);
    system.SdlPlatform::pumpMessages();
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[0], std::make_pair(platform::WM_KEYDOWN, platform::VK_ESCAPE));
    EXPECT_NE(messages[1].second, platform::VK_ESCAPE);
    EXPECT_EQ(messages[2].first, platform::WM_CLOSE);
}

}  // namespace
