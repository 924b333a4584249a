// Box against box by separating axes, with a clipped face manifold so a box
// resting on another keeps its whole footprint in contact.
#include <cmath>

#include "physics/collide.h"

// A face axis only replaces the best one when it is clearly shallower; equal
// ones win only when the contact lies on the face, and edges must be strictly
// shallower. This keeps resting boxes on their faces.
static const float kStartPenetration = 100000.0f;
static const float kFaceAxisMargin = 0.0001f;
static const float kFaceAxisTie = 1e-6f;
static const float kOnFaceSlack = 1.001f;
// Clipped corners closer than 5 cm count as one point.
static const float kSamePointSquared = 0.05f * 0.05f;
// An edge axis must be clearly shallower than the best face axis to win. Two
// boxes that are nearly aligned (cars side by side or nose to tail, each
// tilted a hair on its springs) have cross axes that are a face normal up to
// the tilt, and one of them comes out a few thousandths shallower than the
// face itself; its edges then meet nowhere inside their segments, the pair
// got no contact at all and the boxes sank into each other until another
// axis (the roof) pushed one car on top of the other.
static const float kEdgeAxisShare = 0.95f;
static const float kEdgeAxisMargin = 0.01f;

static Vector3 boxVertex(const CollisionBox& box, int index) {
    Vector3 p = box.center;
    for (int k = 0; k < 3; k++) {
        float s = (index >> k) & 1 ? box.half[k] : -box.half[k];
        p = p + box.axis[k] * s;
    }
    return p;
}

// The vertex of the box lying furthest against the direction.
static int deepestVertex(const CollisionBox& box, const Vector3& direction) {
    int index = 0;
    for (int k = 0; k < 3; k++) {
        if (dot(box.axis[k], direction) < 0.0f) index |= 1 << k;
    }
    return index;
}

// Whether a point lies on the face of box whose normal is axis k, within the
// face's slack on the two other axes.
static bool pointOnFace(const CollisionBox& box, int k, const Vector3& p) {
    Vector3 d = p - box.center;
    for (int m = 0; m < 3; m++) {
        if (m == k) continue;
        if (std::fabs(dot(d, box.axis[m])) > box.half[m] * kOnFaceSlack) return false;
    }
    return true;
}

bool findBoxBoxAxis(const CollisionBox& a, const CollisionBox& b, BoxBoxAxis* result, float margin) {
    Vector3 d = a.center - b.center;
    float best = kStartPenetration;
    int bestIndex = -1;
    Vector3 bestNormal;

    // The cosines between the two boxes' axes, c[i][j] = A(i)·B(j): every
    // projected half size below is a sum of their magnitudes.
    float c[3][3], abs[3][3];
    for (int i = 0; i < 3; i++) {
        for (int j = 0; j < 3; j++) {
            c[i][j] = dot(a.axis[i], b.axis[j]);
            abs[i][j] = std::fabs(c[i][j]);
        }
    }
    // The centres' offset in A's frame, for the edge axes' distances.
    float da[3] = {dot(d, a.axis[0]), dot(d, a.axis[1]), dot(d, a.axis[2])};
    for (int index = 0; index < 6; index++) {
        Vector3 axis;
        float reach;  // both boxes' projected half sizes along the axis
        if (index < 3) {
            int i = index;
            axis = a.axis[i];
            reach = a.half[i] + b.half[0] * abs[i][0] + b.half[1] * abs[i][1] + b.half[2] * abs[i][2];
        } else {
            int j = index - 3;
            axis = b.axis[j];
            reach = a.half[0] * abs[0][j] + a.half[1] * abs[1][j] + a.half[2] * abs[2][j] + b.half[j];
        }
        float distance = dot(d, axis);
        float penetration = reach - std::fabs(distance);
        if (!(penetration > -margin)) return false;
        Vector3 normal = distance < 0.0f ? axis * -1.0f : axis;
        if (penetration + kFaceAxisMargin < best) {
            best = penetration;
            bestIndex = index;
            bestNormal = normal;
        } else if (std::fabs(penetration - best) <= kFaceAxisTie) {
            // The contact point for a face of A is B's vertex deepest towards A, and
            // the other way round; the tie goes to a face that really holds it.
            bool onFace;
            if (index < 3) {
                Vector3 v = boxVertex(b, deepestVertex(b, normal * -1.0f));
                onFace = pointOnFace(a, index, v);
            } else {
                Vector3 v = boxVertex(a, deepestVertex(a, normal));
                onFace = pointOnFace(b, index - 3, v);
            }
            if (onFace) {
                best = penetration;
                bestIndex = index;
                bestNormal = normal;
            }
        }
    }
    float bestFace = best;
    int bestFaceIndex = bestIndex;
    Vector3 bestFaceNormal = bestNormal;

    // Edge axes A(i) × B(j), everything from the cosines: |A(i) × B(j)|² is
    // the sum of the squares of B(j)'s other two components in A's frame,
    // A(k)·(A(i) × B(j)) is ±c[m][j] for the third axis m (and the same the
    // other way round for B), and d·(A(i) × B(j)) = d(i2)·c[i1][j] − d(i1)·c[i2][j].
    // The axis itself is built only for the one that wins.
    for (int index = 6; index < 15; index++) {
        int i = (index - 6) / 3, j = (index - 6) % 3;
        int i1 = (i + 1) % 3, i2 = (i + 2) % 3, j1 = (j + 1) % 3, j2 = (j + 2) % 3;
        float length2 = c[i1][j] * c[i1][j] + c[i2][j] * c[i2][j];
        if (isNearZero(length2)) continue;  // parallel edges span no axis
        float len = std::sqrt(length2);
        float reach = (a.half[i1] * abs[i2][j] + a.half[i2] * abs[i1][j] + b.half[j1] * abs[i][j2] +
                       b.half[j2] * abs[i][j1]) /
                      len;
        float distance = (da[i2] * c[i1][j] - da[i1] * c[i2][j]) / len;
        float penetration = reach - std::fabs(distance);
        if (!(penetration > -margin)) return false;
        if (penetration < best && penetration < kEdgeAxisShare * bestFace - kEdgeAxisMargin) {
            Vector3 axis = cross(a.axis[i], b.axis[j]) * (1.0f / len);
            best = penetration;
            bestIndex = index;
            bestNormal = distance < 0.0f ? axis * -1.0f : axis;
        }
    }
    if (bestIndex < 0) return false;
    result->axisIndex = bestIndex;
    result->penetration = best;
    result->normal = bestNormal;
    result->faceIndex = bestFaceIndex;
    result->facePenetration = bestFace;
    result->faceNormal = bestFaceNormal;
    return true;
}

// Polygon clipping ------------------------------------------------------------

// Keeps the part of the polygon with dot(p, n) <= offset (n need not be unit).
int clipPolygon(const Vector3* in, int count, const Vector3& n, float offset, Vector3* out) {
    int written = 0;
    if (count == 0) return 0;
    Vector3 prev = in[count - 1];
    float prevD = dot(prev, n) - offset;
    for (int i = 0; i < count; i++) {
        Vector3 cur = in[i];
        float curD = dot(cur, n) - offset;
        if ((prevD <= 0.0f) != (curD <= 0.0f)) {
            float t = prevD / (prevD - curD);
            out[written++] = prev + (cur - prev) * t;
        }
        if (curD <= 0.0f) out[written++] = cur;
        prev = cur;
        prevD = curD;
    }
    return written;
}

// The four corners of the box face whose outward normal points most against
// the direction, in winding order.
void incidentFace(const CollisionBox& box, const Vector3& direction, Vector3* corners) {
    int k = 0;
    float bestDot = 0.0f;
    for (int m = 0; m < 3; m++) {
        float dm = std::fabs(dot(box.axis[m], direction));
        if (dm > bestDot) {
            bestDot = dm;
            k = m;
        }
    }
    float side = dot(box.axis[k], direction) > 0.0f ? -1.0f : 1.0f;
    Vector3 center = box.center + box.axis[k] * (side * box.half[k]);
    int u = (k + 1) % 3, v = (k + 2) % 3;
    Vector3 du = box.axis[u] * box.half[u];
    Vector3 dv = box.axis[v] * box.half[v];
    corners[0] = center + du + dv;
    corners[1] = center + du - dv;
    corners[2] = center - du - dv;
    corners[3] = center - du + dv;
}

// Face contact: the other box's deepest vertex first, then
// the incident face clipped to the reference face's sides.
static int faceContacts(const CollisionBox& ref, int k, const CollisionBox& other, bool refIsA,
                        const BoxBoxAxis& axis, float margin, ContactPoint* out, int max) {
    // Outward normal of the reference face, towards the other box.
    Vector3 m = refIsA ? axis.normal * -1.0f : axis.normal;
    ContactPoint points[kMaxPairContacts + 1];
    int count = 0;

    // The deepest vertex holds only where it lies on the reference face: two
    // cars side by side, one a little ahead, have the other's far corner as
    // deepest, out in the air beyond the face, and a push there turns the car.
    // The clipped corners below cover the face; the vertex stays when nothing
    // else does.
    Vector3 deepest = boxVertex(other, deepestVertex(other, m));
    ContactPoint deepestPoint;
    deepestPoint.normal = axis.normal;
    deepestPoint.depth = axis.penetration;
    deepestPoint.position = refIsA ? deepest : deepest + m * axis.penetration;
    deepestPoint.feature = 0;
    deepestPoint.material = 0;
    if (pointOnFace(ref, k, deepest)) points[count++] = deepestPoint;

    Vector3 poly[8], tmp[8];
    incidentFace(other, m, poly);
    int n = 4;
    for (int s = 0; s < 3 && n > 0; s++) {
        if (s == k) continue;
        float c = dot(ref.center, ref.axis[s]);
        n = clipPolygon(poly, n, ref.axis[s], c + ref.half[s], tmp);
        n = clipPolygon(tmp, n, ref.axis[s] * -1.0f, -c + ref.half[s], poly);
    }
    Vector3 faceCenter = ref.center + m * ref.half[k];
    for (int i = 0; i < n && count < kMaxPairContacts; i++) {
        float sep = dot(poly[i] - faceCenter, m);
        if (sep >= margin) continue;
        // The deepest vertex again, or a corner next to one already kept:
        // boxes meeting along a line give a sliver of a face whose corners
        // come in pairs, and a second point a few centimetres from the first
        // holds nothing the first does not.
        bool again = false;
        for (int j = 0; j < count && !again; j++) {
            Vector3 d = (refIsA ? poly[i] : poly[i] + m * -sep) - points[j].position;
            again = dot(d, d) < kSamePointSquared;
        }
        if (again) continue;
        points[count].normal = axis.normal;
        points[count].depth = -sep;
        points[count].position = refIsA ? poly[i] : poly[i] + m * -sep;
        points[count].feature = 1 + i;
        count++;
    }
    if (count == 0) points[count++] = deepestPoint;
    count = reduceContacts(points, count, max < 4 ? max : 4);
    for (int i = 0; i < count; i++) out[i] = points[i];
    return count;
}

// Edge contact: closest points of the two edges picked by the axis; none
// unless both lie inside their segments.
static int edgeContact(const CollisionBox& a, const CollisionBox& b, const BoxBoxAxis& axis,
                       ContactPoint* out) {
    int i = (axis.axisIndex - 6) / 3, j = (axis.axisIndex - 6) % 3;
    const Vector3& n = axis.normal;
    // A's edge nearest B (against n), B's edge nearest A (along n).
    Vector3 pa = a.center, pb = b.center;
    for (int k = 0; k < 3; k++) {
        if (k != i) pa = pa + a.axis[k] * (dot(a.axis[k], n) > 0.0f ? -a.half[k] : a.half[k]);
        if (k != j) pb = pb + b.axis[k] * (dot(b.axis[k], n) > 0.0f ? b.half[k] : -b.half[k]);
    }
    pa = pa + a.axis[i] * -a.half[i];
    pb = pb + b.axis[j] * -b.half[j];
    float lenA = 2.0f * a.half[i], lenB = 2.0f * b.half[j];
    if (isNearZero(lenA) || isNearZero(lenB)) return 0;
    const Vector3& ua = a.axis[i];
    const Vector3& ub = b.axis[j];
    Vector3 w = pa - pb;
    float c = dot(ua, ub);
    float det = 1.0f - c * c;
    if (isNearZero(det)) return 0;
    float d = dot(ua, w), e = dot(ub, w);
    float s = (c * e - d) / det / lenA;
    float t = (e - c * d) / det / lenB;
    if (!(s >= 0.0f && s < 1.0f && t >= 0.0f && t < 1.0f)) return 0;
    out->position = pb + ub * (t * lenB);
    out->normal = n;
    out->depth = axis.penetration;
    out->feature = 0;
    return 1;
}

int collideBoxBox(const CollisionBox& a, const CollisionBox& b, ContactPoint* out, int max, float margin) {
    BoxBoxAxis axis;
    if (max <= 0 || !findBoxBoxAxis(a, b, &axis, margin)) return 0;
    float clipMargin = margin > kContactMargin ? margin : kContactMargin;
    if (axis.axisIndex >= 6) {
        int n = edgeContact(a, b, axis, out);
        if (n > 0) return n;
        // Edges whose closest points lie off their segments still overlap
        // somewhere: the best face axis gives the points instead of none.
        axis.axisIndex = axis.faceIndex;
        axis.penetration = axis.facePenetration;
        axis.normal = axis.faceNormal;
    }
    if (axis.axisIndex < 3) return faceContacts(a, axis.axisIndex, b, true, axis, clipMargin, out, max);
    return faceContacts(b, axis.axisIndex - 3, a, false, axis, clipMargin, out, max);
}

// Contact reduction -----------------------------------------------------------

static float triangleArea2(const Vector3& a, const Vector3& b, const Vector3& c) {
    Vector3 n = cross(b - a, c - a);
    return dot(n, n);
}

int reduceContacts(ContactPoint* points, int count, int max) {
    if (count <= max) return count;
    if (max <= 0) return 0;
    int chosen[4] = {-1, -1, -1, -1};
    int keep = max < 4 ? max : 4;
    // Deepest, then the point furthest from it, then the one spanning the widest
    // triangle, then the one widening the footprint most.
    int deepest = 0;
    for (int i = 1; i < count; i++) {
        if (points[i].depth > points[deepest].depth) deepest = i;
    }
    chosen[0] = deepest;
    if (keep > 1) {
        float best = -1.0f;
        for (int i = 0; i < count; i++) {
            Vector3 d = points[i].position - points[deepest].position;
            float q = dot(d, d);
            if (i != deepest && q > best) {
                best = q;
                chosen[1] = i;
            }
        }
    }
    if (keep > 2) {
        float best = -1.0f;
        for (int i = 0; i < count; i++) {
            if (i == chosen[0] || i == chosen[1]) continue;
            float q =
                triangleArea2(points[chosen[0]].position, points[chosen[1]].position, points[i].position);
            if (q > best) {
                best = q;
                chosen[2] = i;
            }
        }
    }
    if (keep > 3) {
        float best = -1.0f;
        for (int i = 0; i < count; i++) {
            if (i == chosen[0] || i == chosen[1] || i == chosen[2]) continue;
            const Vector3& p = points[i].position;
            float q = triangleArea2(points[chosen[0]].position, points[chosen[1]].position, p) +
                      triangleArea2(points[chosen[1]].position, points[chosen[2]].position, p) +
                      triangleArea2(points[chosen[2]].position, points[chosen[0]].position, p);
            if (q > best) {
                best = q;
                chosen[3] = i;
            }
        }
    }
    ContactPoint kept[4];
    int n = 0;
    for (int c = 0; c < keep; c++) {
        if (chosen[c] >= 0) kept[n++] = points[chosen[c]];
    }
    for (int i = 0; i < n; i++) points[i] = kept[i];
    return n;
}
