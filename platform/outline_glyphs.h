// Extruded glyph outlines as GL display lists, in em units: what the show's
// original platform made with wglUseFontOutlinesA from a GDI font.
//
// The system finds the face by family name (`findFace`: fontconfig, where a
// family the system lacks gets its closest match, e.g. Liberation Serif for
// "Times New Roman"; in a browser the face shipped with the page), FreeType
// gives the unscaled outlines and the GLU tessellator fills the caps. Needs a
// current GL context (compatibility profile). On Windows GDI builds them
// instead (win32/outline_glyphs.cpp).
#pragma once

#include <string>

namespace platform {

// A glyph's metrics in em units, y up: black box size, its upper-left corner
// relative to the glyph origin, and the advance to the next glyph's origin.
struct GlyphMetrics {
    float blackBoxX = 0;
    float blackBoxY = 0;
    float originX = 0;
    float originY = 0;
    float cellIncX = 0;
    float cellIncY = 0;
};

// Builds glyph codes firstGlyph .. firstGlyph + count - 1 (code page 1252,
// codes up to 255) into lists listBase + 0 .. listBase + count - 1, which the
// caller has reserved. Each list draws the front cap at z = 0 facing +z, the
// back cap at z = -extrusion facing -z (none when extrusion is 0) and the
// side walls with outward normals, then translates by the advance. A glyph
// the face lacks gets a list that only advances, by the face's .notdef width.
//
// deviation is the largest distance in em units between a curve and the
// straight segments that replace it; 0 (or less) means one font design unit.
//
// Returns false, with one line on standard error, when the face cannot be
// found or read; the lists are then left alone and `metrics` zeroed. Glyphs
// that cannot be loaded or tessellated get lists that only advance, reported
// in one line, and the build still counts as done.
bool buildOutlineGlyphs(const char* faceName, int firstGlyph, int count, unsigned listBase,
                        float deviation, float extrusion, GlyphMetrics* metrics);

// The font file and face index for a family name, as each backend finds it
// (sdl/font_face.cpp, web/web_platform.cpp); false, with `reason`, when none.
bool findFace(const char* faceName, std::string& file, int& index, std::string& reason);

}  // namespace platform
