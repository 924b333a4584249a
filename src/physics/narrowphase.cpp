// Narrow phase: contact points for the overlapping pairs and for bodies on
// the terrain mesh, and the sensor ray casts.
#include <cmath>

#include "physics/collide_state.h"
#include "physics/contacts.h"

// Normals this close count as one face when the terrain points of a box are
// thinned out.
static const float kSameNormal = 0.995f;
// A box keeps at most this many same-normal sets against the terrain.
static const int kTerrainNormalSets = 4;
// Two bodies are looked for no further apart than this.
static const float kMaxClosingMargin = 1.0f;

CollisionBox geometryBox(const Geometry* geometry) {
    CollisionBox box;
    box.center = geometry->world.position;
    box.center.w = 0.0f;
    for (int k = 0; k < 3; k++) {
        box.axis[k] = geometry->world.rotation.rows[k];
        box.axis[k].w = 0.0f;
        box.half[k] = geometry->halfExtents[k];
    }
    return box;
}

static void boxBounds(const CollisionBox& box, float margin, Vector3* lo, Vector3* hi) {
    for (int a = 0; a < 3; a++) {
        float r = box.half[0] * std::fabs(box.axis[0][a]) + box.half[1] * std::fabs(box.axis[1][a]) +
                  box.half[2] * std::fabs(box.axis[2][a]) + margin;
        (*lo)[a] = box.center[a] - r;
        (*hi)[a] = box.center[a] + r;
    }
}

static bool boxesOverlap(const Vector3& aLo, const Vector3& aHi, const Vector3& bLo, const Vector3& bHi) {
    return aLo.x <= bHi.x && aHi.x >= bLo.x && aLo.y <= bHi.y && aHi.y >= bLo.y && aLo.z <= bHi.z &&
           aHi.z >= bLo.z;
}

static bool awake(const RigidBody* body) {
    return body && body->sleepState == kBodyAwake;
}

// Two bodies of one connected group meet only when both asked for it.
static bool connectedAllows(const RigidBody* a, const RigidBody* b) {
    if (a->connectedGroup < 0 || a->connectedGroup != b->connectedGroup) return true;
    return a->collideConnected && b->collideConnected;
}

// How far apart two bodies may still be reported: what they can close in
// one sub-step, so fast cars meet before they overlap.
static float closingMargin(const PhysicsWorld* world, const RigidBody* a, const RigidBody* b) {
    Vector3 along = a->position - b->position;
    float len = std::sqrt(dot(along, along));
    if (!(len > 0.0f)) return kContactMargin;
    Vector3 dv = a->linearVelocity - b->linearVelocity;
    float closing = -dot(dv, along) / len;
    float margin = kContactMargin + std::fmax(closing, 0.0f) * world->subStepTime;
    return std::isfinite(margin) ? std::fmin(margin, kMaxClosingMargin) : kContactMargin;
}

// Points one body pair may gather over all its shape pairs before they are
// thinned; a car's two boxes against another's give at most 16.
static const int kBodyPairPoints = 32;
// What a body pair hands the solver: the four points of its main contact
// face that span the widest footprint. Two cars side by side touch with both
// boxes, and the join between chassis and cabin adds more; more than four
// points on one face hold no better than four and cost the solver each.
static const int kBodyPairKept = 4;

static void collideBodies(PhysicsWorld* world, RigidBody* a, RigidBody* b) {
    CollisionState* cs = world->collision;
    float margin = closingMargin(world, a, b);
    ContactPoint points[kBodyPairPoints];
    const Geometry* shapes[kBodyPairPoints][2];
    int count = 0;
    for (const Geometry* ga = a->firstGeometry; ga; ga = ga->next) {
        if (ga->kind != kGeometryBox) continue;
        CollisionBox boxA = geometryBox(ga);
        Vector3 loA, hiA;
        boxBounds(boxA, margin, &loA, &hiA);
        for (const Geometry* gb = b->firstGeometry; gb; gb = gb->next) {
            if (gb->kind != kGeometryBox) continue;
            if (count + 4 > kBodyPairPoints) break;
            // The bodies' bounds meet, but of their boxes (a car's chassis
            // and cabin against another's) often only some do.
            CollisionBox boxB = geometryBox(gb);
            Vector3 loB, hiB;
            boxBounds(boxB, 0.0f, &loB, &hiB);
            if (!boxesOverlap(loA, hiA, loB, hiB)) continue;
            int n = collideBoxBox(boxA, boxB, points + count, 4, margin);
            for (int i = 0; i < n; i++) {
                shapes[count][0] = ga;
                shapes[count][1] = gb;
                // The slot the point came from, so its shapes are found again
                // after reduceContacts has moved it.
                points[count].material = count;
                count++;
            }
        }
    }
    if (count > kBodyPairKept) {
        // The main face: the points whose normal is the deepest point's.
        int deepest = 0;
        for (int i = 1; i < count; i++) {
            if (points[i].depth > points[deepest].depth) deepest = i;
        }
        Vector3 mainNormal = points[deepest].normal;
        ContactPoint main[kBodyPairPoints], others[kBodyPairPoints];
        int mainCount = 0, otherCount = 0;
        for (int i = 0; i < count; i++) {
            if (dot(points[i].normal, mainNormal) >= kSameNormal)
                main[mainCount++] = points[i];
            else
                others[otherCount++] = points[i];
        }
        mainCount = reduceContacts(main, mainCount, kBodyPairKept);
        // Room left over goes to the deepest points of the other faces.
        while (mainCount < kBodyPairKept && otherCount > 0) {
            int best = 0;
            for (int i = 1; i < otherCount; i++) {
                if (others[i].depth > others[best].depth) best = i;
            }
            main[mainCount++] = others[best];
            others[best] = others[--otherCount];
        }
        for (int i = 0; i < mainCount; i++) points[i] = main[i];
        count = mainCount;
    }
    for (int i = 0; i < count; i++) {
        const Geometry* ga = shapes[points[i].material][0];
        const Geometry* gb = shapes[points[i].material][1];
        addContact(world, cs, a, b, ga->index, gb->index, points[i], world->materials[ga->material],
                   world->materials[gb->material]);
    }
}

// Thins a box's points against the terrain to a few per face direction.
static int thinTerrainPoints(ContactPoint* points, int count) {
    if (count <= 4) return count;
    ContactPoint sets[kTerrainNormalSets][4 * kMaxPairContacts];
    int setCount[kTerrainNormalSets] = {0, 0, 0, 0};
    Vector3 setNormal[kTerrainNormalSets];
    int sets_used = 0;
    for (int i = 0; i < count; i++) {
        int s = 0;
        while (s < sets_used && dot(setNormal[s], points[i].normal) < kSameNormal) s++;
        if (s == sets_used) {
            if (sets_used == kTerrainNormalSets)
                s = 0;  // beyond the sets: join the first, still pushes out
            else
                setNormal[sets_used++] = points[i].normal;
        }
        if (setCount[s] < 4 * kMaxPairContacts) sets[s][setCount[s]++] = points[i];
    }
    int written = 0;
    for (int s = 0; s < sets_used; s++) {
        int n = reduceContacts(sets[s], setCount[s], 4);
        for (int i = 0; i < n; i++) points[written++] = sets[s][i];
    }
    return written;
}

static bool triangleNearBox(const TerrainTree& tree, int t, const Vector3& lo, const Vector3& hi) {
    const Vector3& a = tree.triangleMin[t];
    const Vector3& b = tree.triangleMax[t];
    return a.x <= hi.x && b.x >= lo.x && a.y <= hi.y && b.y >= lo.y && a.z <= hi.z && b.z >= lo.z;
}

static void growBox(Vector3* lo, Vector3* hi, const Vector3& a, const Vector3& b) {
    for (int k = 0; k < 3; k++) {
        (*lo)[k] = a[k] < (*lo)[k] ? a[k] : (*lo)[k];
        (*hi)[k] = b[k] > (*hi)[k] ? b[k] : (*hi)[k];
    }
}

static void rayBounds(const Vector3& origin, const Vector3& ray, Vector3* lo, Vector3* hi) {
    Vector3 end = origin + ray;
    for (int k = 0; k < 3; k++) {
        (*lo)[k] = origin[k] < end[k] ? origin[k] : end[k];
        (*hi)[k] = origin[k] < end[k] ? end[k] : origin[k];
    }
}

// One tree query per body and sub-step, for its boxes and its rays together:
// the leaves a car touches are scanned once, not once per shape.
static int gatherTerrain(PhysicsWorld* world, RigidBody* body, bool boxes, bool rays) {
    CollisionState* cs = world->collision;
    Vector3 lo(1e30f, 1e30f, 1e30f), hi(-1e30f, -1e30f, -1e30f);
    bool any = false;
    if (boxes) {
        for (const Geometry* g = body->firstGeometry; g; g = g->next) {
            if (g->kind != kGeometryBox) continue;
            Vector3 a, b;
            boxBounds(geometryBox(g), kContactMargin, &a, &b);
            growBox(&lo, &hi, a, b);
            any = true;
        }
    }
    if (rays) {
        Transform frame = getTransform(body);
        for (const Sensor* s = body->firstSensor; s; s = s->next) {
            if (s->length == 0.0f) continue;
            Vector3 a, b;
            rayBounds(transformPoint(frame, s->origin), rotate(s->ray, frame.rotation), &a, &b);
            growBox(&lo, &hi, a, b);
            any = true;
        }
    }
    if (!any) return 0;
    return queryTerrainTriangles(cs->terrain, lo, hi, cs->triangleScratch, cs->triangleScratchCapacity);
}

static void collideTerrain(PhysicsWorld* world, RigidBody* body, const int* list, int found) {
    CollisionState* cs = world->collision;
    TerrainTree& tree = cs->terrain;
    for (const Geometry* g = body->firstGeometry; g; g = g->next) {
        if (g->kind != kGeometryBox) continue;
        CollisionBox box = geometryBox(g);
        Vector3 lo, hi;
        boxBounds(box, kContactMargin, &lo, &hi);
        int count = 0;
        int maxPoints = cs->pointCapacity < 4 * kMaxPairContacts ? cs->pointCapacity : 4 * kMaxPairContacts;
        for (int i = 0; i < found; i++) {
            int t = list[i];
            if (!triangleNearBox(tree, t, lo, hi)) continue;
            ContactPoint pts[kMaxPairContacts];
            int n = collideBoxTriangle(box, tree.triangles[t], pts, 4);
            for (int k = 0; k < n; k++) {
                if (count >= maxPoints) {
                    count = thinTerrainPoints(cs->points, count);
                    if (count >= maxPoints) break;
                }
                cs->points[count] = pts[k];
                cs->points[count].material = tree.materials[t];
                count++;
            }
        }
        count = thinTerrainPoints(cs->points, count);
        const Material& mg = world->materials[g->material];
        for (int i = 0; i < count; i++) {
            int material = cs->points[i].material;
            if (material < 0 || material >= kMaterialCount) material = 0;
            addContact(world, cs, body, nullptr, g->index, -1, cs->points[i], mg, world->materials[material]);
        }
    }
}

static void castAgainstTerrain(PhysicsWorld* world, RigidBody* caster, const int* list, int found);

void generateContacts(PhysicsWorld* world) {
    CollisionState* cs = world->collision;
    beginContacts(world, cs);
    Broadphase& bp = cs->broadphase;
    for (int r = bp.firstActive; r >= 0; r = bp.pairs[r].next) {
        RigidBody* a = &world->bodies[bp.pairs[r].a];
        RigidBody* b = &world->bodies[bp.pairs[r].b];
        if (!a->inUse || !b->inUse) continue;
        if (!isDynamic(a) && !isDynamic(b)) continue;
        if (!awake(a) && !awake(b)) continue;  // carried over from the last sub-step
        if (!connectedAllows(a, b)) continue;
        collideBodies(world, a, b);
    }
    if (cs->hasTree) {
        for (int i = 0; i < world->liveBodyCount; i++) {
            RigidBody* body = world->liveBodies[i];
            if (!awake(body)) continue;
            bool boxes = isDynamic(body) && body->firstGeometry;
            bool rays = body->firstSensor != nullptr;
            if (!boxes && !rays) continue;
            int found = gatherTerrain(world, body, boxes, rays);
            if (boxes) collideTerrain(world, body, cs->triangleScratch, found);
            if (rays) castAgainstTerrain(world, body, cs->triangleScratch, found);
        }
    }
    carryOverSleepingContacts(world, cs);
}

// Sensors -------------------------------------------------------------------------

// Keeps the hit when it reaches deeper than what the sensor holds.
static void offerHit(Sensor* s, float t, const Vector3& origin, const Vector3& rayVector,
                     const Vector3& normal, int material, const Geometry* geometry) {
    float depth = (1.0f - t) * s->length;
    if (!(depth > s->hitDepth)) return;
    s->hitDepth = depth;
    s->hitNormal = normal;
    s->hitPoint = origin + rayVector * t;
    s->hitMaterial = material;
    s->hitGeometry = geometry;
}

static void castRayAtBox(Sensor* s, const Vector3& origin, const Vector3& ray, const CollisionBox& box,
                         const Geometry* g) {
    RayHit hit;
    if (!rayBox(box, origin, ray, &hit)) return;
    // The normal in the frame of the box that was hit.
    Vector3 local(dot(hit.normal, box.axis[0]), dot(hit.normal, box.axis[1]), dot(hit.normal, box.axis[2]));
    offerHit(s, hit.t, origin, ray, local, g->material, g);
}

// Boxes of the target body kept with their world bounds while its rays are
// cast; a car has two.
static const int kCastBoxes = 4;

static void castAgainstBody(PhysicsWorld* world, RigidBody* caster, const RigidBody* target) {
    (void)world;
    CollisionBox boxes[kCastBoxes];
    Vector3 boxLo[kCastBoxes], boxHi[kCastBoxes];
    const Geometry* shapes[kCastBoxes];
    int boxCount = 0;
    bool cached = true;
    for (const Geometry* g = target->firstGeometry; g && cached; g = g->next) {
        if (g->kind != kGeometryBox) continue;
        if (boxCount == kCastBoxes) {
            cached = false;
            break;
        }
        boxes[boxCount] = geometryBox(g);
        boxBounds(boxes[boxCount], 0.0f, &boxLo[boxCount], &boxHi[boxCount]);
        shapes[boxCount++] = g;
    }
    Transform frame = getTransform(caster);
    for (Sensor* s = caster->firstSensor; s; s = s->next) {
        if (s->length == 0.0f) continue;
        Vector3 origin = transformPoint(frame, s->origin);
        Vector3 ray = rotate(s->ray, frame.rotation);
        if (!cached) {
            for (const Geometry* g = target->firstGeometry; g; g = g->next) {
                if (g->kind == kGeometryBox) castRayAtBox(s, origin, ray, geometryBox(g), g);
            }
            continue;
        }
        // A wheel ray beside another car passes its boxes by: their world
        // boxes tell without the slab tests.
        Vector3 rayLo, rayHi;
        rayBounds(origin, ray, &rayLo, &rayHi);
        for (int k = 0; k < boxCount; k++) {
            if (boxesOverlap(rayLo, rayHi, boxLo[k], boxHi[k]))
                castRayAtBox(s, origin, ray, boxes[k], shapes[k]);
        }
    }
}

static void castAgainstTerrain(PhysicsWorld* world, RigidBody* caster, const int* list, int found) {
    CollisionState* cs = world->collision;
    TerrainTree& tree = cs->terrain;
    Transform frame = getTransform(caster);
    for (Sensor* s = caster->firstSensor; s; s = s->next) {
        if (s->length == 0.0f) continue;
        Vector3 origin = transformPoint(frame, s->origin);
        Vector3 ray = rotate(s->ray, frame.rotation);
        Vector3 lo, hi;
        rayBounds(origin, ray, &lo, &hi);
        // Of the triangles the ray crosses, the nearest is the one the wheel
        // stands on, and the deepest hit.
        float bestT = 2.0f;
        RayHit best;
        int bestTriangle = -1;
        for (int i = 0; i < found; i++) {
            int t = list[i];
            if (!triangleNearBox(tree, t, lo, hi)) continue;
            RayHit hit;
            if (rayTriangle(tree.triangles[t], origin, ray, &hit) && hit.t < bestT) {
                bestT = hit.t;
                best = hit;
                bestTriangle = t;
            }
        }
        if (bestTriangle >= 0) {
            int material = tree.materials[bestTriangle];
            offerHit(s, best.t, origin, ray, best.normal, material, &world->terrainGeometry);
        }
    }
}

void castSensorsOnBodies(PhysicsWorld* world) {
    CollisionState* cs = world->collision;
    Broadphase& bp = cs->broadphase;
    for (int r = bp.firstActive; r >= 0; r = bp.pairs[r].next) {
        RigidBody* a = &world->bodies[bp.pairs[r].a];
        RigidBody* b = &world->bodies[bp.pairs[r].b];
        if (!a->inUse || !b->inUse) continue;
        if (awake(a) && a->firstSensor) castAgainstBody(world, a, b);
        if (awake(b) && b->firstSensor) castAgainstBody(world, b, a);
    }
}

void castSensors(PhysicsWorld* world) {
    CollisionState* cs = world->collision;
    castSensorsOnBodies(world);
    if (!cs->hasTree) return;
    for (int i = 0; i < world->liveBodyCount; i++) {
        RigidBody* body = world->liveBodies[i];
        if (!awake(body) || !body->firstSensor) continue;
        int found = gatherTerrain(world, body, false, true);
        castAgainstTerrain(world, body, cs->triangleScratch, found);
    }
}
