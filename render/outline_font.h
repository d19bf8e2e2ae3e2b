// The show's outline font: 256 display lists of extruded glyphs.
#pragma once

#include <GL/gl.h>

#include "platform/outline_glyphs.h"

namespace render {

// A glyph's metrics in em units: black box, origin and advance.
using GlyphMetricsFloat = platform::GlyphMetrics;

struct OutlineFont {
    // Reserves 256 lists and builds glyphs 0 to 254 (code page 1252) of the
    // face into lists listBase to listBase + 254; list listBase + 255 stays
    // empty. Builds on the current GL context. A face that cannot be found or
    // read leaves the lists empty; nothing is reported to the show.
    void build(const char* faceName, float extrusion);

    GLuint listBase = 0;
    GlyphMetricsFloat glyphMetrics[256] = {};
};

}  // namespace render
