// Prints the metrics of a few glyphs of the show's outline font, built as
// the show builds it, on the platform of the build: GDI and
// wglUseFontOutlinesA on Windows, FreeType and the GLU tessellator
// elsewhere. The Wine check compares the two.
#include <cstdio>

#include "platform/native_platform.h"
#include "render/outline_font.h"

int main() {
    platform::NativePlatform system(platform::NativePlatform::Options{.offscreen = true});
    const platform::WindowDescription description{
        .title = "glyphs", .width = 64, .height = 64, .fullscreen = true};
    platform::WindowHandle window =
        system.prepareWindow(description) ? system.createWindow(description) : nullptr;
    if (window == nullptr || !system.createGlContext(window, description)) {
        std::fprintf(stderr, "glyph_metrics: no GL context\n");
        return 1;
    }
    render::OutlineFont font;
    font.build("Times New Roman", 0.2f);
    for (const unsigned char glyph : {'A', 'H', 'M', 'g', 'o', 'x', '1', '.'}) {
        const auto& m = font.glyphMetrics[glyph];
        std::printf("%c %.4f %.4f %.4f %.4f %.4f %.4f\n", glyph, m.blackBoxX, m.blackBoxY,
                    m.originX, m.originY, m.cellIncX, m.cellIncY);
    }
    return 0;
}
