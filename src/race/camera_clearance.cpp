// Keeps the chase camera's eye outside the player's car and on the car's
// side of the walls: the line from the car to the eye is tested against the
// map's collision triangles, and an eye behind a wall is pulled in along it,
// or lifted over the car where pulling in would put it inside the body.
#include <cmath>

#include "race/race.h"
#include "render/render.h"

// The eye never comes nearer the car's centre than this, horizontally (the
// chassis reaches 3 units fore and aft); it stays this far short of a wall;
// and where a wall leaves less room than kMinEyeDistance the eye rises this
// high over the car instead.
static constexpr float kMinEyeDistance = 4.0f;
static constexpr float kWallGap = 0.5f;
static constexpr float kLiftHeight = 4.5f;
// The line starts this high above the car's centre, over its roof.
static constexpr float kRayRise = 1.6f;

static float rayTriangle(const Vector3& o, const Vector3& d, const Vector3& a, const Vector3& b,
                         const Vector3& c) {
    const Vector3 e1 = b - a, e2 = c - a;
    const Vector3 h = cross(d, e2);
    const float det = dot(e1, h);
    if (std::fabs(det) < 1e-8f) return -1.0f;
    const float inv = 1.0f / det;
    const Vector3 s = o - a;
    const float u = dot(s, h) * inv;
    if (u < 0.0f || u > 1.0f) return -1.0f;
    const Vector3 q = cross(s, e1);
    const float v = dot(d, q) * inv;
    if (v < 0.0f || u + v > 1.0f) return -1.0f;
    return dot(e2, q) * inv;
}

float segmentHitFraction(const ModelVertex* vertices, int vertexCount, const ModelTriangle* triangles,
                         int triangleCount, const Vector3& from, const Vector3& to) {
    const Vector3 d = to - from;
    float best = 1.0f;
    const float lox = std::fmin(from.x, to.x), hix = std::fmax(from.x, to.x);
    const float loy = std::fmin(from.y, to.y), hiy = std::fmax(from.y, to.y);
    const float loz = std::fmin(from.z, to.z), hiz = std::fmax(from.z, to.z);
    for (int i = 0; i < triangleCount; i++) {
        const int32_t* idx = triangles[i].vertexIndices;
        if (idx[0] < 0 || idx[1] < 0 || idx[2] < 0 || idx[0] >= vertexCount || idx[1] >= vertexCount ||
            idx[2] >= vertexCount) {
            continue;
        }
        const float* pa = vertices[idx[0]].position;
        const float* pb = vertices[idx[1]].position;
        const float* pc = vertices[idx[2]].position;
        // Triangles wholly to one side of the segment's box are skipped.
        if (std::fmax(pa[0], std::fmax(pb[0], pc[0])) < lox ||
            std::fmin(pa[0], std::fmin(pb[0], pc[0])) > hix ||
            std::fmax(pa[2], std::fmax(pb[2], pc[2])) < loz ||
            std::fmin(pa[2], std::fmin(pb[2], pc[2])) > hiz ||
            std::fmax(pa[1], std::fmax(pb[1], pc[1])) < loy ||
            std::fmin(pa[1], std::fmin(pb[1], pc[1])) > hiy) {
            continue;
        }
        const float t = rayTriangle(from, d, Vector3(pa[0], pa[1], pa[2]), Vector3(pb[0], pb[1], pb[2]),
                                    Vector3(pc[0], pc[1], pc[2]));
        if (t >= 0.0f && t < best) best = t;
    }
    return best;
}

Vector3 placeChaseEye(const Vector3& car, const Vector3& wanted, float hitFraction) {
    const Vector3 from(car.x, car.y + kRayRise, car.z);
    Vector3 eye = wanted;
    if (hitFraction < 1.0f) {
        const Vector3 d = wanted - from;
        const float reach = length(d);
        const float keep = reach > 0.0f ? std::fmax(0.0f, hitFraction * reach - kWallGap) / reach : 0.0f;
        eye = from + d * keep;
    }
    const float hx = eye.x - car.x, hz = eye.z - car.z;
    const float h = std::sqrt(hx * hx + hz * hz);
    if (h < kMinEyeDistance) {
        // No room behind the car: look down on it from above its roof.
        const float rise = car.y + kLiftHeight;
        if (eye.y < rise) eye.y = rise;
    }
    return eye;
}

Vector3 clearChaseEye(const Vector3& car, const Vector3& wanted) {
    float hit = 1.0f;
    const Model* map = session.collisionMapModel;
    if (map != nullptr && map->triangles != nullptr && map->vertices != nullptr) {
        hit = segmentHitFraction(map->vertices, map->vertexCount, map->triangles, map->triangleCount,
                                 Vector3(car.x, car.y + kRayRise, car.z), wanted);
    }
    return placeChaseEye(car, wanted, hit);
}
