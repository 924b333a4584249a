// Collision primitives over plain world-space shapes: the narrow phase builds
// these records from bodies and geometries, so every test here can be checked
// on its own with hand-placed boxes, triangles and rays.
//
// Conventions: a contact normal is unit length and points from the second
// shape towards the first (the direction that pushes the first shape out); a
// contact depth is positive when the shapes overlap and slightly negative for
// points kept just outside the surface, so the solver can stop a closing
// speed before the shapes meet.
#pragma once

#include "physics/physics.h"

// An oriented box in world space: centre, unit axes (the rows of its rotation)
// and half extents along them.
struct CollisionBox {
    Vector3 center;
    Vector3 axis[3];
    float half[3];
};

struct ContactPoint {
    Vector3 position;  // on the surface of the second shape
    Vector3 normal;    // from the second shape towards the first
    float depth;       // overlap along the normal
    int feature;       // which vertex or clipped corner made it
    int material;      // the terrain triangle's material, where the narrow phase fills it in
};

// Contacts a single shape pair may report in one sub-step.
constexpr int kMaxPairContacts = 8;
// Points closer than this above a surface still count as contacts: the solver
// then only lets them close the gap, which stops fast bodies before they meet.
constexpr float kContactMargin = 0.02f;

// Box against box ------------------------------------------------------------

// Outcome of the separating-axis search between two boxes.
struct BoxBoxAxis {
    int axisIndex;      // 0..2 faces of A, 3..5 faces of B, 6..14 edge A(i) x B(j) as 6 + 3i + j
    float penetration;  // overlap along the axis
    Vector3 normal;     // unit, from B towards A
    // The best of the six face axes alone, for when the edges give no point.
    int faceIndex;
    float facePenetration;
    Vector3 faceNormal;
};

// Runs every candidate axis; false when one separates the boxes. With a
// margin, boxes up to that far apart still count, with a negative penetration.
bool findBoxBoxAxis(const CollisionBox& a, const CollisionBox& b, BoxBoxAxis* result, float margin = 0.0f);
// Contact points for an overlapping pair (0 when they are apart by more than
// the margin); at most max.
int collideBoxBox(const CollisionBox& a, const CollisionBox& b, ContactPoint* out, int max,
                  float margin = 0.0f);

// Box against one triangle -----------------------------------------------------

struct CollisionTriangle {
    Vector3 v[3];
    Vector3 normal;  // unit face normal in winding order, zero for a degenerate triangle
};

// True when the box and the triangle overlap (separating-axis test over the 13
// candidate axes), with the margin added to every overlap.
bool boxOverlapsTriangle(const CollisionBox& box, const CollisionTriangle& tri, float margin);
// Contacts of a box against a triangle of the static mesh, normals from the
// triangle towards the box; at most max.
int collideBoxTriangle(const CollisionBox& box, const CollisionTriangle& tri, ContactPoint* out, int max);

// Clips a convex polygon to the half-space dot(p, n) <= offset (n need not be
// unit); out needs room for count + 1 points. Returns the kept count.
int clipPolygon(const Vector3* in, int count, const Vector3& n, float offset, Vector3* out);
// The four corners of the box face whose outward normal points most against
// the direction, in winding order.
void incidentFace(const CollisionBox& box, const Vector3& direction, Vector3* corners);

// Keeps the max points of a same-normal set that span the largest area, the
// deepest first. Returns the kept count.
int reduceContacts(ContactPoint* points, int count, int max);

// Rays --------------------------------------------------------------------------

struct RayHit {
    float t;         // fraction of the ray vector, 0..1
    Vector3 normal;  // unit, turned towards the ray's origin
};

// Ray origin + t * rayVector against a box; the box-frame slab rules.
bool rayBox(const CollisionBox& box, const Vector3& origin, const Vector3& rayVector, RayHit* hit);
// Ray against a triangle, two-sided.
bool rayTriangle(const CollisionTriangle& tri, const Vector3& origin, const Vector3& rayVector, RayHit* hit);
