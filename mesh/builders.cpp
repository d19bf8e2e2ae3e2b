#include "mesh/builders.h"

#include <cmath>

namespace mesh {

Mesh makeBox(render::Vec3 halfSize) {
    const float hx = halfSize.x, hy = halfSize.y, hz = halfSize.z;
    Mesh box(8, 12);
    // Top face (y = +hy) then bottom face, each going round in the same x, z order.
    const render::Vec3 corners[8] = {{-hx, hy, -hz}, {hx, hy, -hz},   {hx, hy, hz},
                                     {-hx, hy, hz},  {-hx, -hy, -hz}, {hx, -hy, -hz},
                                     {hx, -hy, hz},  {-hx, -hy, hz}};
    for (int i = 0; i < 8; ++i) box.vertices[i].position = corners[i];
    const int faces[12][3] = {
        {0, 2, 1}, {0, 3, 2},  // +y
        {3, 6, 2}, {3, 7, 6},  // +z
        {4, 5, 7}, {5, 6, 7},  // -y
        {0, 1, 4}, {1, 5, 4},  // -z
        {1, 2, 5}, {2, 6, 5},  // +x
        {3, 0, 4}, {7, 3, 4},  // -x
    };
    for (int t = 0; t < 12; ++t) {
        box.triangles[t].i0 = faces[t][0];
        box.triangles[t].i1 = faces[t][1];
        box.triangles[t].i2 = faces[t][2];
    }
    return box;
}

Outline makePolygonOutline(float radius, int count) {
    Outline outline(count, count);
    if (outline.pointCount == 0) return outline;
    const float step = static_cast<float>(static_cast<double>(6.2831855f) / count);
    for (int i = 0; i < outline.pointCount; ++i) {
        const float angle = static_cast<float>(i * static_cast<double>(step));
        outline.points[i].position.set(static_cast<float>(radius * std::cos(double{angle})),
                                       static_cast<float>(radius * std::sin(double{angle})));
        outline.edges[i] = {i, (i + 1) % count};
    }
    return outline;
}

Mesh revolveOutline(float ringRadius, int segments, Outline outline) {
    const int n = outline.pointCount;
    const int s = segments > 0 ? segments : 0;
    Mesh ring(n * s, 2 * outline.edgeCount * s);
    if (s == 0) return ring;

    const float step = static_cast<float>(360.0 / s);
    for (int i = 0; i < s; ++i) {
        const float angle = static_cast<float>(i * static_cast<double>(step));
        render::Matrix4 m;
        m.setIdentity().rotate(0, angle, 0).translate(ringRadius, 0, 0);
        for (int j = 0; j < n; ++j) {
            const render::Vec2& p = outline.points[j].position;
            render::Vec3 position(p.x, p.y, 0);
            ring.vertices[i * n + j].position = position.transform(m);
        }
    }

    // Two triangles per quad between ring i, point j and ring i + 1, point
    // j + 1, wrapping both ways. The count came from edgeCount, so stop when
    // the array is full rather than write past it.
    int t = 0;
    for (int i = 0; i < s; ++i) {
        const int next = (i + 1) % s;
        for (int j = 0; j < n && t + 1 < ring.triangleCount; ++j) {
            const int jNext = (j + 1) % n;
            const int a = i * n + j;
            const int b = next * n + j;
            const int c = next * n + jNext;
            const int d = i * n + jNext;
            ring.triangles[t].i0 = a;
            ring.triangles[t].i1 = b;
            ring.triangles[t].i2 = c;
            ring.triangles[t + 1].i0 = c;
            ring.triangles[t + 1].i1 = d;
            ring.triangles[t + 1].i2 = a;
            t += 2;
        }
    }
    return ring;
}

}  // namespace mesh
