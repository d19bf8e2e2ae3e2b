#include <fontconfig/fontconfig.h>

#include "platform/outline_glyphs.h"

namespace platform {

// fontconfig always offers its closest match.
bool findFace(const char* faceName, std::string& file, int& index, std::string& reason) {
    if (!FcInit()) {
        reason = "fontconfig cannot start";
        return false;
    }
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) {
        reason = "out of memory";
        return false;
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(faceName));
    FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_OUTLINE, FcTrue);  // the original asked for TrueType only
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);

    FcChar8* path = nullptr;
    if (match == nullptr || FcPatternGetString(match, FC_FILE, 0, &path) != FcResultMatch) {
        if (match != nullptr) FcPatternDestroy(match);
        reason = "no face found";
        return false;
    }
    file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, &index) != FcResultMatch) index = 0;
    FcPatternDestroy(match);
    return true;
}

}  // namespace platform
