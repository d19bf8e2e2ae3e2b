// Builders of the hidden scenes' geometry. They set positions and topology
// only; normals stay zero until Mesh::computeNormals.
#pragma once

#include "mesh/mesh.h"
#include "render/vector.h"

namespace mesh {

// An axis-aligned box centred on the origin: 8 shared corners (so its normals
// blend the faces at each corner) and 12 triangles, counter-clockwise seen
// from outside when the half sizes are positive.
Mesh makeBox(render::Vec3 halfSize);

// A regular polygon of `count` points on a circle of `radius`, starting at
// (radius, 0) and running counter-clockwise; edge i joins point i to i + 1,
// the last closing back to point 0.
Outline makePolygonOutline(float radius, int count);

// Sweeps `outline`, moved `ringRadius` along +x, round the Y axis in
// `segments` steps: pointCount x segments vertices and 2 x edgeCount x
// segments triangles, closed in both directions. Consecutive points are
// joined (the edge list is not read), so the outline should have as many
// edges as points; with fewer, the quads that do not fit are left out.
// Composes its matrices on the GL modelview stack: needs a current context
// with GL_MODELVIEW as the matrix mode, and leaves the matrices unchanged.
Mesh revolveOutline(float ringRadius, int segments, Outline outline);

}  // namespace mesh
