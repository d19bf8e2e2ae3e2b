// The show's geometry records: an indexed triangle Mesh with its smooth
// normals and immediate-mode drawing, and the 2D Outline that the ring
// builder sweeps.
//
// Both own their arrays (freed exactly once, by release or destruction) and
// copy deeply. A mesh without arrays, default-made or released, computes and
// draws as an empty mesh even though release keeps its counts.
#pragma once

#include <memory>

#include "render/vector.h"

namespace mesh {

struct MeshVertex {
    render::Vec3 position;
    render::Vec3 normal;
    render::Vec2 texCoord;
    render::Color4 color;
    int index;  // the vertex's own place in the array, carried by copies
};

struct MeshTriangle {
    int i0, i1, i2;  // winding order
    int reserved;    // unused; zero in fresh meshes, carried by copies
};

class Mesh {
  public:
    // Empty: no arrays, counts 0, not owning.
    Mesh();
    Mesh(int vertexCount, int triangleCount);
    Mesh(const Mesh& other);
    ~Mesh();
    Mesh& operator=(const Mesh& other);

    // Replaces the contents with a deep copy of `other`; copying a mesh that
    // holds no arrays gives an owning, empty mesh. Self-assignment is a no-op.
    Mesh& assign(const Mesh& other);
    // Replaces the contents with fresh arrays: vertices at the origin, zero
    // normal and texture coordinate, opaque white, index i; triangles zeroed.
    // Negative counts are taken as 0.
    void allocate(int vertexCount, int triangleCount);
    // Frees the arrays; a second call does nothing. The counts are kept.
    void release();

    // Gives every vertex the normalised sum of the unit normals of the
    // triangles that use it. A vertex no triangle uses, or only zero-area
    // ones, gets a zero normal.
    Mesh& computeNormals();
    // Sends the triangles in immediate mode, turned about Z, then Y, then X
    // (degrees) and moved to `position`, with each vertex's alpha scaled by
    // `alpha`. Needs GL_MODELVIEW current; leaves the modelview matrix as it
    // was and enables nothing. Triangles with an index out of range are skipped.
    void draw(render::Vec3 position, render::Vec3 rotation, float alpha) const;

    int vertexCount = 0;
    int triangleCount = 0;
    std::unique_ptr<MeshVertex[]> vertices;
    std::unique_ptr<MeshTriangle[]> triangles;
    bool ownsArrays = false;

  private:
    bool validTriangle(const MeshTriangle& triangle) const;
};

struct OutlinePoint {
    render::Vec2 position;
    render::Vec2 aux;  // zero when made, carried by copies, read by nothing
};

struct OutlineEdge {
    int from, to;
};

class Outline {
  public:
    // Points at (0, 0), edges zeroed. Negative counts are taken as 0.
    Outline(int pointCount, int edgeCount);
    Outline(const Outline& other);
    ~Outline();
    Outline& operator=(const Outline&) = delete;

    int pointCount = 0;
    int edgeCount = 0;
    std::unique_ptr<OutlinePoint[]> points;
    std::unique_ptr<OutlineEdge[]> edges;
    bool ownsArrays = false;
};

}  // namespace mesh
