// Ray casts of the wheel sensors against boxes and terrain triangles.
#include <cmath>

#include "physics/collide.h"

// Slab test in the box's frame, axis by axis in the order X, Y, Z; the first
// face the ray enters within its reach and strictly inside the face's other
// two extents is the hit. A ray starting inside the box meets nothing.
bool rayBox(const CollisionBox& box, const Vector3& origin, const Vector3& rayVector, RayHit* hit) {
    Vector3 rel = origin - box.center;
    float o[3], r[3];
    for (int k = 0; k < 3; k++) {
        o[k] = dot(rel, box.axis[k]);
        r[k] = dot(rayVector, box.axis[k]);
    }
    for (int k = 0; k < 3; k++) {
        float h = box.half[k];
        if (std::fabs(r[k]) < 1e-6f) {
            if (o[k] < -h || o[k] > h) return false;  // parallel and outside the slab
            continue;
        }
        float face;
        if (r[k] > 0.0f) {
            if (o[k] >= -h) continue;
            face = -h;
        } else {
            if (o[k] <= h) continue;
            face = h;
        }
        float t = (face - o[k]) / r[k];
        if (!(t >= 0.0f && t <= 1.0f)) continue;
        bool inside = true;
        for (int m = 0; m < 3 && inside; m++) {
            if (m == k) continue;
            float p = o[m] + t * r[m];
            inside = p > -box.half[m] && p < box.half[m];
        }
        if (!inside) continue;
        hit->t = t;
        hit->normal = r[k] > 0.0f ? box.axis[k] * -1.0f : box.axis[k];
        return true;
    }
    return false;
}

bool rayTriangle(const CollisionTriangle& tri, const Vector3& origin, const Vector3& rayVector, RayHit* hit) {
    const Vector3& n = tri.normal;
    float denom = dot(n, rayVector);
    if (isNearZero(denom)) return false;  // parallel to the plane (or a degenerate triangle)
    float t = dot(tri.v[0] - origin, n) / denom;
    if (!(t >= 0.0f && t <= 1.0f)) return false;
    Vector3 p = origin + rayVector * t;
    for (int e = 0; e < 3; e++) {
        const Vector3& a = tri.v[e];
        const Vector3& b = tri.v[(e + 1) % 3];
        if (dot(cross(b - a, p - a), n) < 0.0f) return false;
    }
    hit->t = t;
    hit->normal = denom > 0.0f ? n * -1.0f : n;
    return true;
}
