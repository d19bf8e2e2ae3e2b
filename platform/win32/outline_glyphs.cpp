// Outline glyphs on Windows: the GDI font and wglUseFontOutlinesA, as the
// show was written, on the device context of the current GL context.
#include "platform/outline_glyphs.h"

#include <cstdio>
#include <vector>

#include "platform/report.h"
#include "platform/win32/win32.h"

namespace platform {

bool buildOutlineGlyphs(const char* faceName, int firstGlyph, int count, unsigned listBase,
                        float deviation, float extrusion, GlyphMetrics* metrics) {
    HDC deviceContext = wglGetCurrentDC();
    if (deviceContext == nullptr) {
        platform::report("font %s: no current GL context", faceName);
        return false;
    }
    // 12 units high, normal weight, ANSI characters, TrueType faces only,
    // antialiased; the font stays selected into the window's device context.
    HFONT font =
        CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_TT_ONLY_PRECIS,
                    CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, 0, faceName);
    SelectObject(deviceContext, font);
    std::vector<GLYPHMETRICSFLOAT> built(static_cast<std::size_t>(count));
    const bool done = wglUseFontOutlinesA(deviceContext, static_cast<DWORD>(firstGlyph),
                                          static_cast<DWORD>(count), listBase, deviation, extrusion,
                                          WGL_FONT_POLYGONS, built.data()) != FALSE;
    for (int i = 0; i < count; ++i) {
        const GLYPHMETRICSFLOAT& glyph = built[static_cast<std::size_t>(i)];
        metrics[i] = done ? GlyphMetrics{glyph.gmfBlackBoxX,       glyph.gmfBlackBoxY,
                                         glyph.gmfptGlyphOrigin.x, glyph.gmfptGlyphOrigin.y,
                                         glyph.gmfCellIncX,        glyph.gmfCellIncY}
                          : GlyphMetrics{};
    }
    if (!done) {
        platform::report("font %s: cannot build its outlines (error %lu)", faceName,
                         GetLastError());
    }
    return done;
}

}  // namespace platform
