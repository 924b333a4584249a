// Box against one triangle of the static terrain mesh.
//
// The mesh is a surface, not a solid, and its winding is whatever the map's
// modeller left, so a triangle pushes a box out along its own face normal,
// turned towards the box's centre. The box face that looks most against that
// normal is clipped to the triangle's prism: a box lying on a face keeps all
// four corners, and a box across several triangles gets the clipped corners
// on each, so it rests flat without rocking and slides over shared edges
// without catching on them. Only when a thin edge of the mesh cuts deep into a
// side of the box (the end of a wall met head-on) does the box face become the
// reference and the triangle the clipped polygon.
#include <cmath>

#include "physics/collide.h"

// Triangle overlap taken as a shared edge rather than a gap.
static const float kEdgeSlack = 1e-4f;
// The box face takes over only when the triangle's own normal would push the
// box this far and the box face needs at most half of it.
static const float kBoxFaceDepth = 0.1f;

static bool separatedOnAxis(const CollisionBox& box, const CollisionTriangle& tri, const Vector3& axis,
                            float margin) {
    float len2 = dot(axis, axis);
    if (isNearZero(len2)) return false;  // no axis to test
    float c = dot(box.center, axis);
    float r = box.half[0] * std::fabs(dot(box.axis[0], axis)) +
              box.half[1] * std::fabs(dot(box.axis[1], axis)) +
              box.half[2] * std::fabs(dot(box.axis[2], axis));
    float p0 = dot(tri.v[0], axis), p1 = dot(tri.v[1], axis), p2 = dot(tri.v[2], axis);
    float lo = std::fmin(p0, std::fmin(p1, p2));
    float hi = std::fmax(p0, std::fmax(p1, p2));
    float slack = margin * std::sqrt(len2);
    return lo > c + r + slack || hi < c - r - slack;
}

bool boxOverlapsTriangle(const CollisionBox& box, const CollisionTriangle& tri, float margin) {
    Vector3 edges[3] = {tri.v[1] - tri.v[0], tri.v[2] - tri.v[1], tri.v[0] - tri.v[2]};
    Vector3 normal = cross(edges[0], tri.v[2] - tri.v[0]);
    if (separatedOnAxis(box, tri, normal, margin)) return false;
    for (int k = 0; k < 3; k++) {
        if (separatedOnAxis(box, tri, box.axis[k], margin)) return false;
    }
    for (int k = 0; k < 3; k++) {
        for (int e = 0; e < 3; e++) {
            if (separatedOnAxis(box, tri, cross(box.axis[k], edges[e]), margin)) return false;
        }
    }
    return true;
}

// Overlap of box and triangle along a unit axis.
static float overlapOnAxis(const CollisionBox& box, const CollisionTriangle& tri, const Vector3& axis) {
    float c = dot(box.center, axis);
    float r = box.half[0] * std::fabs(dot(box.axis[0], axis)) +
              box.half[1] * std::fabs(dot(box.axis[1], axis)) +
              box.half[2] * std::fabs(dot(box.axis[2], axis));
    float p0 = dot(tri.v[0], axis), p1 = dot(tri.v[1], axis), p2 = dot(tri.v[2], axis);
    float lo = std::fmin(p0, std::fmin(p1, p2));
    float hi = std::fmax(p0, std::fmax(p1, p2));
    return std::fmin(c + r - lo, hi - (c - r));
}

// The triangle clipped to the box face k that looks along the outward m;
// contacts on the box face, normals along m (from the triangle to the box).
static int boxFaceContacts(const CollisionBox& box, int k, const CollisionTriangle& tri, ContactPoint* out,
                           int max) {
    Vector3 m = dot(tri.v[0] - box.center, box.axis[k]) + dot(tri.v[1] - box.center, box.axis[k]) +
                            dot(tri.v[2] - box.center, box.axis[k]) >
                        0.0f
                    ? box.axis[k]
                    : box.axis[k] * -1.0f;
    Vector3 poly[9], tmp[9];
    poly[0] = tri.v[0];
    poly[1] = tri.v[1];
    poly[2] = tri.v[2];
    int n = 3;
    for (int s = 0; s < 3 && n > 0; s++) {
        if (s == k) continue;
        float c = dot(box.center, box.axis[s]);
        n = clipPolygon(poly, n, box.axis[s], c + box.half[s], tmp);
        n = clipPolygon(tmp, n, box.axis[s] * -1.0f, -c + box.half[s], poly);
    }
    Vector3 faceCenter = box.center + m * box.half[k];
    ContactPoint points[9];
    int count = 0;
    for (int i = 0; i < n; i++) {
        float inside = -dot(poly[i] - faceCenter, m);  // how far the point is within the box
        if (inside <= -kContactMargin) continue;
        points[count].position = poly[i];
        points[count].normal = m * -1.0f;
        points[count].depth = inside;
        points[count].feature = 16 + i;
        count++;
    }
    count = reduceContacts(points, count, max < 4 ? max : 4);
    for (int i = 0; i < count; i++) out[i] = points[i];
    return count;
}

int collideBoxTriangle(const CollisionBox& box, const CollisionTriangle& tri, ContactPoint* out, int max) {
    if (max <= 0) return 0;
    if (dot(tri.normal, tri.normal) < 0.5f) return 0;  // degenerate: no face to push with
    if (!boxOverlapsTriangle(box, tri, kContactMargin)) return 0;

    Vector3 n = dot(box.center - tri.v[0], tri.normal) >= 0.0f ? tri.normal : tri.normal * -1.0f;

    // The box face looking most against n, clipped to the triangle's prism.
    Vector3 poly[12], tmp[12];
    incidentFace(box, n, poly);
    int count = 4;
    for (int e = 0; e < 3 && count > 0; e++) {
        const Vector3& a = tri.v[e];
        const Vector3& b = tri.v[(e + 1) % 3];
        // Outward side normal of edge a-b, in the triangle's plane.
        Vector3 side = cross(b - a, n);
        if (dot(side, tri.v[(e + 2) % 3] - a) > 0.0f) side = side * -1.0f;
        float len = std::sqrt(dot(side, side));
        if (!(len > 0.0f)) return 0;
        side = side * (1.0f / len);
        count = clipPolygon(poly, count, side, dot(a, side) + kEdgeSlack, tmp);
        for (int i = 0; i < count; i++) poly[i] = tmp[i];
    }

    ContactPoint points[12];
    int kept = 0;
    float deepest = -kContactMargin;
    for (int i = 0; i < count; i++) {
        float sep = dot(poly[i] - tri.v[0], n);
        if (sep >= kContactMargin) continue;
        points[kept].position = poly[i] + n * -sep;
        points[kept].normal = n;
        points[kept].depth = -sep;
        points[kept].feature = i;
        if (-sep > deepest) deepest = -sep;
        kept++;
    }

    // A thin edge of the mesh cutting deep into a side of the box: push along
    // the box face it entered instead of across the whole box.
    // Only a triangle that really cuts into the box counts: one merely near
    // a side (the next triangle of a flat road ahead of a sliding box) must
    // not push sideways.
    if ((deepest > kBoxFaceDepth || kept == 0) && boxOverlapsTriangle(box, tri, 0.0f)) {
        int bestFace = -1;
        float bestOverlap = kept == 0 ? 1e30f : deepest * 0.5f;
        for (int m = 0; m < 3; m++) {
            float o = overlapOnAxis(box, tri, box.axis[m]);
            if (o > 0.0f && o < bestOverlap) {
                bestOverlap = o;
                bestFace = m;
            }
        }
        if (bestFace >= 0) {
            int faceCount = boxFaceContacts(box, bestFace, tri, out, max);
            if (faceCount > 0) return faceCount;
        }
    }
    kept = reduceContacts(points, kept, max < 4 ? max : 4);
    for (int i = 0; i < kept; i++) out[i] = points[i];
    return kept;
}
