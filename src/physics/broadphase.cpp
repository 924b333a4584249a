// Incremental sweep and prune over the three axes. Every sub-step the end
// points of each axis are re-sorted in place by insertion sort; since bodies
// move little between sub-steps, few end points cross, and only the pairs
// whose overlap changes touch the pair bytes and the pair pool.
#include <cstring>

#include "physics/collide_state.h"

static const char kPairsFullMessage[] = "Overlap Pair buffer full. Increase buffer size.\n";

// Where the byte of a pair lives: the triangular table for two slots below
// the dimension, the rectangular one for a particle against a lower slot.
static int pairSlot(const Broadphase& bp, int a, int b, bool* rectangle) {
    if (a == b || a < 0 || b < 0 || a >= bp.objectCount || b >= bp.objectCount) return -1;
    if (a > b) {
        int t = a;
        a = b;
        b = t;
    }
    int d = bp.tableDimension;
    if (b < d) {
        *rectangle = false;
        return b * (b - 1) / 2 + a;
    }
    if (a >= d) return -1;  // two particles are never paired
    *rectangle = true;
    return (b - d) * d + a;
}

unsigned char pairByte(const Broadphase& bp, int a, int b) {
    bool rect = false;
    int slot = pairSlot(bp, a, b, &rect);
    if (slot < 0) return 0;
    return rect ? bp.rectangleBytes[slot] : bp.triangleBytes[slot];
}

int pairRecord(const Broadphase& bp, int a, int b) {
    bool rect = false;
    int slot = pairSlot(bp, a, b, &rect);
    if (slot < 0) return -1;
    return rect ? bp.rectangleRecords[slot] : bp.triangleRecords[slot];
}

bool createBroadphase(PhysicsWorld* world, Broadphase* bp) {
    std::memset(bp, 0, sizeof(*bp));
    const WorldSizes& s = world->sizes;
    int n = world->bodyCapacity;
    int d = s.rigidBodiesCount + s.animatedBodiesCount;
    if (d > n) d = n;
    int particles = n - d;
    bp->objectCount = n;
    bp->tableDimension = d;
    bp->axisMask = kAxisMaskAll;
    bp->pairCapacity = s.overlapPairsCount;
    bp->firstActive = -1;
    bp->freePair = -1;
    size_t triangle = static_cast<size_t>(d) * (d > 0 ? d - 1 : 0) / 2;
    size_t rectangle = static_cast<size_t>(particles) * d;
    for (int a = 0; a < 3; a++) {
        bp->axes[a] =
            static_cast<BroadphaseEndpoint*>(worldAllocate(world, sizeof(BroadphaseEndpoint) * (2 * n + 1)));
        if (!bp->axes[a]) return false;
    }
    bp->inserted = static_cast<bool*>(worldAllocate(world, n + 1));
    bp->groups = static_cast<unsigned char*>(worldAllocate(world, n + 1));
    bp->particles = static_cast<bool*>(worldAllocate(world, n + 1));
    bp->triangleBytes = static_cast<unsigned char*>(worldAllocate(world, triangle + 1));
    bp->rectangleBytes = static_cast<unsigned char*>(worldAllocate(world, rectangle + 1));
    bp->triangleRecords = static_cast<int*>(worldAllocate(world, sizeof(int) * (triangle + 1)));
    bp->rectangleRecords = static_cast<int*>(worldAllocate(world, sizeof(int) * (rectangle + 1)));
    bp->pairs = static_cast<OverlapPair*>(worldAllocate(world, sizeof(OverlapPair) * (bp->pairCapacity + 1)));
    if (!bp->inserted || !bp->groups || !bp->particles || !bp->triangleBytes || !bp->rectangleBytes ||
        !bp->triangleRecords || !bp->rectangleRecords || !bp->pairs)
        return false;
    std::memset(bp->inserted, 0, n + 1);
    std::memset(bp->groups, 0, n + 1);
    for (int i = 0; i <= n; i++)
        bp->particles[i] = i >= world->sizes.rigidBodiesCount + world->sizes.animatedBodiesCount;
    std::memset(bp->triangleBytes, 0, triangle + 1);
    std::memset(bp->rectangleBytes, 0, rectangle + 1);
    for (size_t i = 0; i <= triangle; i++) bp->triangleRecords[i] = -1;
    for (size_t i = 0; i <= rectangle; i++) bp->rectangleRecords[i] = -1;
    for (int i = bp->pairCapacity - 1; i >= 0; i--) {
        bp->pairs[i].inUse = false;
        bp->pairs[i].next = bp->freePair;
        bp->freePair = i;
    }
    // Every group collides with every group until told otherwise.
    std::memset(bp->filter, 1, sizeof(bp->filter));
    return true;
}

void destroyBroadphase(PhysicsWorld* world, Broadphase* bp) {
    for (int a = 0; a < 3; a++) worldFree(world, bp->axes[a]);
    worldFree(world, bp->inserted);
    worldFree(world, bp->groups);
    worldFree(world, bp->particles);
    worldFree(world, bp->triangleBytes);
    worldFree(world, bp->rectangleBytes);
    worldFree(world, bp->triangleRecords);
    worldFree(world, bp->rectangleRecords);
    worldFree(world, bp->pairs);
    std::memset(bp, 0, sizeof(*bp));
}

void setCollisionGroup(PhysicsWorld* world, const RigidBody* body, int group) {
    if (!world->collision || !body || group < 0 || group >= kCollisionGroups) return;
    if (body->index < 0 || body->index >= world->collision->broadphase.objectCount) return;
    world->collision->broadphase.groups[body->index] = static_cast<unsigned char>(group);
}

void setCollisionFilter(PhysicsWorld* world, int groupA, int groupB, bool collide) {
    if (!world->collision || groupA < 0 || groupB < 0 || groupA >= kCollisionGroups ||
        groupB >= kCollisionGroups)
        return;
    world->collision->broadphase.filter[groupA][groupB] = collide ? 1 : 0;
    world->collision->broadphase.filter[groupB][groupA] = collide ? 1 : 0;
}

// Pair records ------------------------------------------------------------------

static void linkPair(PhysicsWorld* world, Broadphase& bp, int a, int b, int* record) {
    if (!bp.filter[bp.groups[a]][bp.groups[b]]) return;
    if (bp.freePair < 0) {
        reportMessage(world, "%s", kPairsFullMessage);
        bp.droppedPairs++;
        return;
    }
    int r = bp.freePair;
    OverlapPair& p = bp.pairs[r];
    bp.freePair = p.next;
    p.a = a < b ? a : b;
    p.b = a < b ? b : a;
    p.inUse = true;
    p.prev = -1;
    p.next = bp.firstActive;
    if (bp.firstActive >= 0) bp.pairs[bp.firstActive].prev = r;
    bp.firstActive = r;
    bp.activeCount++;
    *record = r;
}

static void unlinkPair(Broadphase& bp, int* record) {
    int r = *record;
    *record = -1;
    OverlapPair& p = bp.pairs[r];
    if (p.prev >= 0)
        bp.pairs[p.prev].next = p.next;
    else
        bp.firstActive = p.next;
    if (p.next >= 0) bp.pairs[p.next].prev = p.prev;
    p.inUse = false;
    p.next = bp.freePair;
    bp.freePair = r;
    bp.activeCount--;
}

// Sets or clears the bit of one axis and keeps the record in step with a
// byte that becomes full or stops being full.
static void changeAxisBit(PhysicsWorld* world, Broadphase& bp, int a, int b, int axis, bool overlap) {
    bool rect = false;
    int slot = pairSlot(bp, a, b, &rect);
    if (slot < 0) return;
    unsigned char* byte = rect ? &bp.rectangleBytes[slot] : &bp.triangleBytes[slot];
    int* record = rect ? &bp.rectangleRecords[slot] : &bp.triangleRecords[slot];
    unsigned char bit = static_cast<unsigned char>(1 << axis);
    if ((bp.axisMask & bit) == 0) return;
    bool wasFull = *byte == bp.axisMask;
    *byte = overlap ? static_cast<unsigned char>(*byte | bit) : static_cast<unsigned char>(*byte & ~bit);
    bool full = *byte == bp.axisMask;
    if (full && !wasFull) {
        linkPair(world, bp, a, b, record);
    } else if (wasFull && !full) {
        if (*record >= 0)
            unlinkPair(bp, record);
        else if (bp.droppedPairs > 0 && bp.filter[bp.groups[a]][bp.groups[b]])
            bp.droppedPairs--;
    }
}

// Insertion -------------------------------------------------------------------

static float boundOf(const PhysicsWorld* world, int object, int axis, bool isMax) {
    const RigidBody* body = &world->bodies[object];
    return isMax ? body->boundsMax[axis] : body->boundsMin[axis];
}

static void insertObject(PhysicsWorld* world, Broadphase& bp, int object) {
    const RigidBody* body = &world->bodies[object];
    int n = bp.endpointCount;
    for (int axis = 0; axis < 3; axis++) {
        BroadphaseEndpoint* list = bp.axes[axis];
        // Ends go at the tail and sink to their place; they cross nothing on
        // the way that the direct test below does not settle.
        list[n].value = body->boundsMin[axis];
        list[n].data = object * 2;
        list[n + 1].value = body->boundsMax[axis];
        list[n + 1].data = object * 2 + 1;
        for (int k = n; k < n + 2; k++) {
            BroadphaseEndpoint e = list[k];
            int j = k - 1;
            while (j >= 0 && (list[j].value > e.value ||
                              (list[j].value == e.value && (list[j].data & 1) > (e.data & 1)))) {
                list[j + 1] = list[j];
                j--;
            }
            list[j + 1] = e;
        }
    }
    bp.endpointCount = n + 2;
    bp.inserted[object] = true;
    // Test against every object already in, skipping two particles.
    for (int other = 0; other < bp.objectCount; other++) {
        if (other == object || !bp.inserted[other]) continue;
        if (bp.particles[object] && bp.particles[other]) continue;
        for (int axis = 0; axis < 3; axis++) {
            bool overlap = body->boundsMin[axis] <= boundOf(world, other, axis, true) &&
                           boundOf(world, other, axis, false) <= body->boundsMax[axis];
            if (overlap) changeAxisBit(world, bp, object, other, axis, true);
        }
    }
}

// Re-sort of one axis: each end point that moves left past another toggles
// the pair's bit (a minimum passing a maximum starts an overlap, a maximum
// passing a minimum ends one).
static void sortAxis(PhysicsWorld* world, Broadphase& bp, int axis) {
    BroadphaseEndpoint* list = bp.axes[axis];
    int n = bp.endpointCount;
    for (int i = 0; i < n; i++) list[i].value = boundOf(world, list[i].data >> 1, axis, list[i].data & 1);
    for (int k = 1; k < n; k++) {
        BroadphaseEndpoint e = list[k];
        int j = k - 1;
        while (j >= 0 &&
               (list[j].value > e.value || (list[j].value == e.value && (list[j].data & 1) > (e.data & 1)))) {
            const BroadphaseEndpoint& f = list[j];
            bool eMax = e.data & 1, fMax = f.data & 1;
            if (eMax != fMax) {
                int a = e.data >> 1, b = f.data >> 1;
                if (!(bp.particles[a] && bp.particles[b])) changeAxisBit(world, bp, a, b, axis, !eMax);
            }
            list[j + 1] = list[j];
            j--;
        }
        list[j + 1] = e;
    }
}

// A record freed while full pairs waited for one: hand records to them.
static void retryDroppedPairs(PhysicsWorld* world, Broadphase& bp) {
    for (int b = 1; b < bp.objectCount && bp.droppedPairs > 0 && bp.freePair >= 0; b++) {
        for (int a = 0; a < b && bp.droppedPairs > 0 && bp.freePair >= 0; a++) {
            bool rect = false;
            int slot = pairSlot(bp, a, b, &rect);
            if (slot < 0) continue;
            unsigned char byte = rect ? bp.rectangleBytes[slot] : bp.triangleBytes[slot];
            int* record = rect ? &bp.rectangleRecords[slot] : &bp.triangleRecords[slot];
            if (byte == bp.axisMask && *record < 0 && bp.filter[bp.groups[a]][bp.groups[b]]) {
                bp.droppedPairs--;
                linkPair(world, bp, a, b, record);
            }
        }
    }
}

void updateBroadphase(PhysicsWorld* world, Broadphase* bp) {
    for (int axis = 0; axis < 3; axis++) {
        if (bp->axisMask & (1 << axis)) sortAxis(world, *bp, axis);
    }
    for (int i = 0; i < world->liveBodyCount; i++) {
        RigidBody* body = world->liveBodies[i];
        if (body->broadphaseHandle >= 0) continue;
        if (body->index < 0 || body->index >= bp->objectCount) continue;
        body->broadphaseHandle = body->index;
        insertObject(world, *bp, body->index);
    }
    if (bp->droppedPairs > 0 && bp->freePair >= 0) retryDroppedPairs(world, *bp);
}
