#include "platform/outline_glyphs.h"
#include "platform/report.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_BBOX_H
#include FT_OUTLINE_H
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <deque>
#include <string>
#include <vector>

namespace platform {
namespace {

// Code page 1252 where it differs from Latin-1. The five codes it leaves
// undefined map to the C1 controls, as Windows' own conversion does.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t cp1252ToUnicode(int code) {
    return code >= 0x80 && code <= 0x9F ? kCp1252High[code - 0x80] : static_cast<char32_t>(code);
}

// A curve becomes at most this many segments, however small the deviation.
constexpr int kMaxCurveSegments = 64;

using Point = std::array<GLdouble, 3>;  // GLU wants three doubles; z stays 0.

void report(const char* faceName, const std::string& reason) {
    platform::report("font %s: %s", faceName, reason.c_str());
}

// The outline of one glyph as closed polylines in em units, then its caps
// as counter-clockwise triangles (seen from +z).
struct GlyphShape {
    std::vector<std::vector<Point>> contours;
    std::vector<Point> capTriangles;
    std::deque<Point> combined;  // vertices the tessellator adds; must not move
    double scale = 1;            // em units per design unit
    double tolerance = 1;        // largest chord deviation, design units
    bool tessellationFailed = false;

    void addPoint(double x, double y) {
        Point p{x * scale, y * scale, 0};
        std::vector<Point>& contour = contours.back();
        if (contour.empty() || contour.back() != p) contour.push_back(p);
    }
};

// Segments for a curve whose second derivative is at most
// `maxSecondDerivative` long, so that no point of it strays more than
// `tolerance` from its chord: n uniform steps stray at most max|B''| / (8 n^2).
int curveSegments(double maxSecondDerivative, double tolerance) {
    const double n = std::ceil(std::sqrt(maxSecondDerivative / (8 * tolerance)));
    return static_cast<int>(std::clamp(n, 1.0, static_cast<double>(kMaxCurveSegments)));
}

struct Pen {
    GlyphShape* shape;
    FT_Vector last;
};

int moveTo(const FT_Vector* to, void* user) {
    Pen& pen = *static_cast<Pen*>(user);
    pen.shape->contours.emplace_back();
    pen.shape->addPoint(to->x, to->y);
    pen.last = *to;
    return 0;
}

int lineTo(const FT_Vector* to, void* user) {
    Pen& pen = *static_cast<Pen*>(user);
    pen.shape->addPoint(to->x, to->y);
    pen.last = *to;
    return 0;
}

int conicTo(const FT_Vector* control, const FT_Vector* to, void* user) {
    Pen& pen = *static_cast<Pen*>(user);
    const double x0 = pen.last.x, y0 = pen.last.y;
    const double x1 = control->x, y1 = control->y;
    const double x2 = to->x, y2 = to->y;
    // B'' = 2 (P0 - 2 P1 + P2), constant along the curve.
    const double bend = 2 * std::hypot(x0 - 2 * x1 + x2, y0 - 2 * y1 + y2);
    const int n = curveSegments(bend, pen.shape->tolerance);
    for (int i = 1; i < n; ++i) {
        const double t = static_cast<double>(i) / n, s = 1 - t;
        pen.shape->addPoint(s * s * x0 + 2 * s * t * x1 + t * t * x2,
                            s * s * y0 + 2 * s * t * y1 + t * t * y2);
    }
    pen.shape->addPoint(x2, y2);
    pen.last = *to;
    return 0;
}

int cubicTo(const FT_Vector* control1, const FT_Vector* control2, const FT_Vector* to, void* user) {
    Pen& pen = *static_cast<Pen*>(user);
    const double x0 = pen.last.x, y0 = pen.last.y;
    const double x1 = control1->x, y1 = control1->y;
    const double x2 = control2->x, y2 = control2->y;
    const double x3 = to->x, y3 = to->y;
    // B'' = 6 ((1 - t) (P0 - 2 P1 + P2) + t (P1 - 2 P2 + P3)): largest at an end.
    const double bend = 6 * std::max(std::hypot(x0 - 2 * x1 + x2, y0 - 2 * y1 + y2),
                                     std::hypot(x1 - 2 * x2 + x3, y1 - 2 * y2 + y3));
    const int n = curveSegments(bend, pen.shape->tolerance);
    for (int i = 1; i < n; ++i) {
        const double t = static_cast<double>(i) / n, s = 1 - t;
        const double a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
        pen.shape->addPoint(a * x0 + b * x1 + c * x2 + d * x3, a * y0 + b * y1 + c * y2 + d * y3);
    }
    pen.shape->addPoint(x3, y3);
    pen.last = *to;
    return 0;
}

// Tessellator callbacks. With an edge-flag callback registered the
// tessellator hands out independent triangles only.
void GLAPIENTRY tessBegin(GLenum, void*) {}
void GLAPIENTRY tessEdgeFlag(GLboolean, void*) {}
void GLAPIENTRY tessEnd(void*) {}

void GLAPIENTRY tessVertex(void* vertex, void* shape) {
    static_cast<GlyphShape*>(shape)->capTriangles.push_back(*static_cast<const Point*>(vertex));
}

void GLAPIENTRY tessCombine(GLdouble coords[3], void* [4], GLfloat[4], void** out, void* shape) {
    std::deque<Point>& combined = static_cast<GlyphShape*>(shape)->combined;
    combined.push_back(Point{coords[0], coords[1], 0});
    *out = &combined.back();
}

void GLAPIENTRY tessError(GLenum, void* shape) {
    static_cast<GlyphShape*>(shape)->tessellationFailed = true;
}

template <typename Function>
_GLUfuncptr callback(Function function) {
    return reinterpret_cast<_GLUfuncptr>(function);
}

// Reads the outline into `shape` and fills its caps; false when the
// tessellator gave up on it.
bool shapeGlyph(FT_Outline& outline, GLUtesselator* tess, GlyphShape& shape) {
    shape.contours.clear();
    shape.capTriangles.clear();
    shape.combined.clear();
    shape.tessellationFailed = false;

    Pen pen{&shape, {0, 0}};
    FT_Outline_Funcs funcs{};
    funcs.move_to = moveTo;
    funcs.line_to = lineTo;
    funcs.conic_to = conicTo;
    funcs.cubic_to = cubicTo;
    if (FT_Outline_Decompose(&outline, &funcs, &pen) != 0) return false;

    // Contours come back closed onto their first point; keep each point once
    // and drop what encloses nothing.
    for (std::vector<Point>& contour : shape.contours) {
        if (contour.size() > 1 && contour.front() == contour.back()) contour.pop_back();
        if (contour.size() < 3) contour.clear();
    }
    std::erase_if(shape.contours, [](const std::vector<Point>& c) { return c.empty(); });
    if (shape.contours.empty()) return true;

    gluTessProperty(tess, GLU_TESS_WINDING_RULE,
                    (outline.flags & FT_OUTLINE_EVEN_ODD_FILL) ? GLU_TESS_WINDING_ODD
                                                               : GLU_TESS_WINDING_NONZERO);
    gluTessBeginPolygon(tess, &shape);
    for (std::vector<Point>& contour : shape.contours) {
        gluTessBeginContour(tess);
        for (Point& p : contour) gluTessVertex(tess, p.data(), &p);
        gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
    if (shape.tessellationFailed || shape.capTriangles.size() % 3 != 0) return false;

    // The front cap must face +z whatever the tessellator's habit.
    for (std::size_t i = 0; i < shape.capTriangles.size(); i += 3) {
        const Point& a = shape.capTriangles[i];
        const Point& b = shape.capTriangles[i + 1];
        const Point& c = shape.capTriangles[i + 2];
        const double area = (b[0] - a[0]) * (c[1] - a[1]) - (c[0] - a[0]) * (b[1] - a[1]);
        if (area < 0) std::swap(shape.capTriangles[i + 1], shape.capTriangles[i + 2]);
    }
    return true;
}

// Compiles the glyph's list: caps, walls, then the advance. `fillOnRight`
// says on which side of its direction of travel a contour has the ink
// (TrueType's clockwise outer contours have it on the right).
void compileGlyph(GLuint list, const GlyphShape* shape, bool fillOnRight, float extrusion,
                  float advanceX, float advanceY) {
    glNewList(list, GL_COMPILE);
    if (shape != nullptr && !shape->capTriangles.empty()) {
        // One triangle list per glyph: Mesa's feedback and selection modes
        // drop or crash on lists that mix primitive types.
        const auto& tris = shape->capTriangles;
        const GLfloat back = -extrusion;
        glBegin(GL_TRIANGLES);
        glNormal3f(0, 0, 1);
        for (const Point& p : tris) glVertex3f(GLfloat(p[0]), GLfloat(p[1]), 0);
        if (extrusion != 0) {
            glNormal3f(0, 0, -1);
            for (std::size_t i = 0; i < tris.size(); i += 3) {
                for (std::size_t k : {i, i + 2, i + 1}) {
                    glVertex3f(GLfloat(tris[k][0]), GLfloat(tris[k][1]), back);
                }
            }
            // Walls: two triangles per edge with the edge's own normal, so
            // they stay flat under smooth shading too. The depth order per
            // edge makes each wall counter-clockwise seen from outside.
            const GLfloat firstZ = fillOnRight ? back : 0;
            const GLfloat secondZ = fillOnRight ? 0 : back;
            const double side = fillOnRight ? 1 : -1;
            for (const std::vector<Point>& contour : shape->contours) {
                const std::size_t n = contour.size();
                for (std::size_t i = 0; i < n; ++i) {
                    const Point& a = contour[i];
                    const Point& b = contour[(i + 1) % n];
                    const double dx = b[0] - a[0], dy = b[1] - a[1];
                    const double length = std::hypot(dx, dy);
                    glNormal3f(GLfloat(-dy * side / length), GLfloat(dx * side / length), 0);
                    const GLfloat ax = GLfloat(a[0]), ay = GLfloat(a[1]);
                    const GLfloat bx = GLfloat(b[0]), by = GLfloat(b[1]);
                    glVertex3f(ax, ay, firstZ);
                    glVertex3f(ax, ay, secondZ);
                    glVertex3f(bx, by, secondZ);
                    glVertex3f(ax, ay, firstZ);
                    glVertex3f(bx, by, secondZ);
                    glVertex3f(bx, by, firstZ);
                }
            }
        }
        glEnd();
    }
    glTranslatef(advanceX, advanceY, 0);
    glEndList();
}

// The charmap that glyph codes reach the glyphs through: Unicode after code
// page 1252, or for symbol fonts the code itself at U+F000 and up, where
// such fonts put their glyphs.
bool selectCharmap(FT_Face face, bool& symbol) {
    symbol = false;
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) == 0) return true;
    symbol = FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0;
    return symbol;
}

struct FreeTypeFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~FreeTypeFace() {
        if (face != nullptr) FT_Done_Face(face);
        if (library != nullptr) FT_Done_FreeType(library);
    }
};

struct Tessellator {
    GLUtesselator* tess = gluNewTess();
    ~Tessellator() {
        if (tess != nullptr) gluDeleteTess(tess);
    }
};

}  // namespace

bool buildOutlineGlyphs(const char* faceName, int firstGlyph, int count, unsigned listBase,
                        float deviation, float extrusion, GlyphMetrics* metrics) {
    if (faceName == nullptr) faceName = "";
    if (metrics != nullptr) std::fill(metrics, metrics + std::clamp(count, 0, 256), GlyphMetrics{});
    if (firstGlyph < 0 || firstGlyph > 256 || count < 0 || count > 256 - firstGlyph ||
        listBase == 0 || !std::isfinite(extrusion)) {
        report(faceName, "invalid glyph range, list base or extrusion");
        return false;
    }

    std::string file;
    int index = 0;
    std::string reason;
    if (!findFace(faceName, file, index, reason)) {
        report(faceName, reason);
        return false;
    }
    FreeTypeFace ft;
    if (FT_Init_FreeType(&ft.library) != 0) {
        report(faceName, "FreeType cannot start");
        return false;
    }
    if (FT_New_Face(ft.library, file.c_str(), index, &ft.face) != 0) {
        report(faceName, "cannot read " + file);
        return false;
    }
    FT_Face face = ft.face;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        report(faceName, file + " has no outlines");
        return false;
    }
    bool symbol = false;
    if (!selectCharmap(face, symbol)) {
        report(faceName, file + " has no Unicode or symbol character map");
        return false;
    }
    Tessellator tessellator;
    GLUtesselator* tess = tessellator.tess;
    if (tess == nullptr) {
        report(faceName, "no GLU tessellator");
        return false;
    }
    gluTessCallback(tess, GLU_TESS_BEGIN_DATA, callback(tessBegin));
    gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, callback(tessEdgeFlag));
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, callback(tessVertex));
    gluTessCallback(tess, GLU_TESS_END_DATA, callback(tessEnd));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, callback(tessCombine));
    gluTessCallback(tess, GLU_TESS_ERROR_DATA, callback(tessError));
    gluTessNormal(tess, 0, 0, 1);

    const double unitsPerEm = face->units_per_EM;
    const auto toEm = [unitsPerEm](FT_Pos value) { return static_cast<float>(value / unitsPerEm); };
    const FT_Int32 loadFlags = FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP;

    // What a missing glyph advances by: the .notdef glyph's width.
    float missingAdvance = 0;
    if (FT_Load_Glyph(face, 0, loadFlags) == 0) {
        missingAdvance = toEm(face->glyph->metrics.horiAdvance);
    }

    GlyphShape shape;
    shape.scale = 1 / unitsPerEm;
    shape.tolerance = (deviation > 0 && std::isfinite(deviation)) ? deviation * unitsPerEm : 1.0;
    int unusable = 0;
    for (int i = 0; i < count; ++i) {
        const GLuint list = listBase + static_cast<GLuint>(i);
        GlyphMetrics glyph;
        glyph.cellIncX = missingAdvance;
        const int code = firstGlyph + i;
        const FT_UInt glyphIndex =
            FT_Get_Char_Index(face, symbol ? 0xF000 + code : cp1252ToUnicode(code));
        if (glyphIndex == 0) {
            compileGlyph(list, nullptr, false, extrusion, glyph.cellIncX, 0);
        } else if (FT_Load_Glyph(face, glyphIndex, loadFlags) != 0 ||
                   face->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
            ++unusable;
            compileGlyph(list, nullptr, false, extrusion, glyph.cellIncX, 0);
        } else {
            FT_GlyphSlot slot = face->glyph;
            FT_BBox box{};
            FT_Outline_Get_BBox(&slot->outline, &box);
            glyph.blackBoxX = toEm(box.xMax - box.xMin);
            glyph.blackBoxY = toEm(box.yMax - box.yMin);
            glyph.originX = toEm(box.xMin);
            glyph.originY = toEm(box.yMax);
            glyph.cellIncX = toEm(slot->metrics.horiAdvance);
            const bool shaped = shapeGlyph(slot->outline, tess, shape);
            if (!shaped) ++unusable;
            const bool fillOnRight =
                FT_Outline_Get_Orientation(&slot->outline) == FT_ORIENTATION_FILL_RIGHT;
            compileGlyph(list, shaped ? &shape : nullptr, fillOnRight, extrusion, glyph.cellIncX,
                         0);
        }
        if (metrics != nullptr) metrics[i] = glyph;
    }
    if (unusable > 0) {
        report(faceName, std::to_string(unusable) + " glyphs of " + file +
                             " could not be outlined; they only advance");
    }
    return true;
}

}  // namespace platform
