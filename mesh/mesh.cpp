#include "mesh/mesh.h"

#include <GL/gl.h>

#include <algorithm>
#include <initializer_list>

namespace mesh {

Mesh::Mesh() = default;

Mesh::Mesh(int vertexCount, int triangleCount) {
    allocate(vertexCount, triangleCount);
}

Mesh::Mesh(const Mesh& other) {
    assign(other);
}

Mesh::~Mesh() = default;

Mesh& Mesh::operator=(const Mesh& other) {
    return assign(other);
}

Mesh& Mesh::assign(const Mesh& other) {
    if (&other == this) return *this;
    const bool hasArrays = other.vertices && other.triangles;
    allocate(hasArrays ? other.vertexCount : 0, hasArrays ? other.triangleCount : 0);
    std::copy_n(other.vertices.get(), vertexCount, vertices.get());
    std::copy_n(other.triangles.get(), triangleCount, triangles.get());
    return *this;
}

void Mesh::allocate(int newVertexCount, int newTriangleCount) {
    newVertexCount = std::max(newVertexCount, 0);
    newTriangleCount = std::max(newTriangleCount, 0);
    auto newVertices = std::make_unique<MeshVertex[]>(newVertexCount);
    for (int i = 0; i < newVertexCount; ++i) {
        newVertices[i].color = {1, 1, 1, 1};
        newVertices[i].index = i;
    }
    // Value-initialised: the reserved word and unset indices read as zero.
    vertices = std::move(newVertices);
    triangles = std::make_unique<MeshTriangle[]>(newTriangleCount);
    vertexCount = newVertexCount;
    triangleCount = newTriangleCount;
    ownsArrays = true;
}

void Mesh::release() {
    vertices.reset();
    triangles.reset();
    ownsArrays = false;
}

bool Mesh::validTriangle(const MeshTriangle& triangle) const {
    const auto inRange = [this](int i) { return i >= 0 && i < vertexCount; };
    return inRange(triangle.i0) && inRange(triangle.i1) && inRange(triangle.i2);
}

Mesh& Mesh::computeNormals() {
    if (!vertices || !triangles) return *this;
    for (int i = 0; i < vertexCount; ++i) vertices[i].normal = {};
    for (int t = 0; t < triangleCount; ++t) {
        const MeshTriangle& triangle = triangles[t];
        if (!validTriangle(triangle)) continue;
        const render::Vec3& p0 = vertices[triangle.i0].position;
        const render::Vec3 e1 = p0.subtract(vertices[triangle.i1].position);
        const render::Vec3 e2 = p0.subtract(vertices[triangle.i2].position);
        render::Vec3 face = e1.cross(e2);
        face.normalize();
        vertices[triangle.i0].normal.add(face);
        vertices[triangle.i1].normal.add(face);
        vertices[triangle.i2].normal.add(face);
    }
    for (int i = 0; i < vertexCount; ++i) vertices[i].normal.normalize();
    return *this;
}

void Mesh::draw(render::Vec3 position, render::Vec3 rotation, float alpha) const {
    glPushMatrix();
    glTranslatef(position.x, position.y, position.z);
    glRotatef(rotation.x, 1, 0, 0);
    glRotatef(rotation.y, 0, 1, 0);
    glRotatef(rotation.z, 0, 0, 1);
    glBegin(GL_TRIANGLES);
    const int count = vertices && triangles ? triangleCount : 0;
    for (int t = 0; t < count; ++t) {
        const MeshTriangle& triangle = triangles[t];
        if (!validTriangle(triangle)) continue;
        for (const int i : {triangle.i0, triangle.i1, triangle.i2}) {
            const MeshVertex& v = vertices[i];
            glTexCoord2f(v.texCoord.x, v.texCoord.y);
            glColor4f(v.color.r, v.color.g, v.color.b, v.color.a * alpha);
            glNormal3f(v.normal.x, v.normal.y, v.normal.z);
            glVertex3f(v.position.x, v.position.y, v.position.z);
        }
    }
    glEnd();
    glPopMatrix();
}

Outline::Outline(int pointCount, int edgeCount)
    : pointCount(std::max(pointCount, 0)),
      edgeCount(std::max(edgeCount, 0)),
      points(std::make_unique<OutlinePoint[]>(this->pointCount)),
      edges(std::make_unique<OutlineEdge[]>(this->edgeCount)),
      ownsArrays(true) {}

Outline::Outline(const Outline& other) : Outline(other.pointCount, other.edgeCount) {
    std::copy_n(other.points.get(), pointCount, points.get());
    std::copy_n(other.edges.get(), edgeCount, edges.get());
}

Outline::~Outline() = default;

}  // namespace mesh
