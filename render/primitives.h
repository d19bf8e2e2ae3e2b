// Flat shapes in the plane z = 0, in immediate mode, in whatever 2D space
// the caller has set up. Both need a current GL context and the modelview
// matrix mode.
#pragma once

#include "image/texture.h"

namespace render {

// The used part of the texture, stretched over the rectangle: texture row 0
// (the picture's first row) along `top`, its last used row along `bottom`,
// s = 0 along `left`, s = uExtent along `right`. Nothing requires top > bottom.
// Modulated by the caller's current colour; leaves every GL attribute and the
// texture binding as it found them.
void drawTexturedQuad(image::Texture& texture, float top, float left, float bottom, float right);

// A disc of `segments` wedges, starting straight above the centre (y up) and
// going clockwise in steps of 6.28 / segments; the last wedge closes the disc.
// Each wedge winds counter-clockwise in a y-up space, so it survives back-face
// culling. Leaves the colour set.
void drawFilledCircle(float centreX, float centreY, float radius, int segments, float red,
                      float green, float blue, float alpha);

}  // namespace render
