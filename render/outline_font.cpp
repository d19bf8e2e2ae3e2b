#include "render/outline_font.h"

#include "platform/outline_glyphs.h"

namespace render {

namespace {
// Glyph codes 0 to 254: the original's call stopped one short of the 256
// lists it reserved, so the last list stays empty.
constexpr int kGlyphCount = 255;
}  // namespace

void OutlineFont::build(const char* faceName, float extrusion) {
    listBase = glGenLists(256);
    // No names reserved: building anyway would overwrite lists that belong
    // to nobody (or to someone else).
    if (listBase == 0) return;
    // The original also made a 12-unit GDI font and selected it into the
    // device context; the outlines come back in em units either way, and
    // here there is no device context to select into.
    platform::buildOutlineGlyphs(faceName, 0, kGlyphCount, listBase, 0.0f, extrusion, glyphMetrics);
}

}  // namespace render
