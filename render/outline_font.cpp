#include "render/outline_font.h"

namespace render {

void OutlineFont::build(const char*, float) { listBase = glGenLists(256); }

}  // namespace render
