// The world: creation of every pool from the sizes, materials, messages and the terrain copies.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "physics/physics_local.h"

namespace {

class MallocAllocator : public PhysicsAllocator {
  public:
    void* allocate(size_t size) override { return std::malloc(size); }
    void free(void* block) override { std::free(block); }
};

MallocAllocator builtInAllocator;

}  // namespace

void* worldAllocate(PhysicsWorld* world, size_t size) {
    return world->allocator->allocate(size);
}

void worldFree(PhysicsWorld* world, void* block) {
    if (block) world->allocator->free(block);
}

void reportMessage(PhysicsWorld* world, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(world->messageBuffer, sizeof(world->messageBuffer), format, args);
    va_end(args);
    if (world->messageSink && world->messageLevel >= 1)
        world->messageSink(world->messageBuffer, world->messageUser);
}

void setMessageSink(PhysicsWorld* world, PhysicsMessageSink sink, void* user) {
    if (!world) return;
    world->messageSink = sink;
    world->messageUser = user;
}

void setMessageLevel(PhysicsWorld* world, int level) {
    if (world) world->messageLevel = level;
}

// Carves out an array of count records, each default-constructed.
template <typename T>
static T* allocatePool(PhysicsWorld* world, int count, bool* ok) {
    if (count <= 0) return nullptr;
    void* block = worldAllocate(world, sizeof(T) * static_cast<size_t>(count));
    if (!block) {
        *ok = false;
        return nullptr;
    }
    T* records = static_cast<T*>(block);
    for (int i = 0; i < count; ++i) new (&records[i]) T();
    return records;
}

// Links records [0, count) into a free list in slot order, so the pools hand
// out slots 0, 1, 2, ... and a body's index is its slot.
template <typename T>
static T* linkFreeList(T* records, int count) {
    for (int i = 0; i < count; ++i) {
        records[i].index = i;
        records[i].next = i + 1 < count ? &records[i + 1] : nullptr;
    }
    return count > 0 ? records : nullptr;
}

static RigidBody* linkBodies(RigidBody* bodies, int first, int count, PhysicsWorld* world) {
    for (int i = first; i < first + count; ++i) {
        bodies[i].world = world;
        bodies[i].index = i;
        bodies[i].inUse = false;
        bodies[i].nextFree = i + 1 < first + count ? &bodies[i + 1] : nullptr;
    }
    return count > 0 ? &bodies[first] : nullptr;
}

static void resetGeometry(Geometry* g) {
    g->body = nullptr;
    g->next = nullptr;
    g->kind = kGeometryBox;
    g->material = 0;
    g->halfExtents = Vector3(0.5f, 0.5f, 0.5f);
    g->local = Transform::identity();
    g->world = Transform::identity();
}

PhysicsWorld* createWorld(const WorldSizes& sizes, PhysicsAllocator* allocator, const Vector3* gravity) {
    if (!allocator) allocator = &builtInAllocator;
    void* block = allocator->allocate(sizeof(PhysicsWorld));
    if (!block) return nullptr;
    PhysicsWorld* world = new (block) PhysicsWorld();
    world->allocator = allocator;

    world->sizes = sizes;
    int* counts = &world->sizes.rigidBodiesCount;
    for (int i = 0; i < 12; ++i) {
        if (counts[i] < 0) counts[i] = 0;
    }

    world->gravity = Vector3(0.0f, 0.0f, 0.0f);
    if (gravity && std::isfinite(gravity->x) && std::isfinite(gravity->y) && std::isfinite(gravity->z))
        world->gravity = Vector3(gravity->x, gravity->y, gravity->z);
    world->gravityDirection = world->gravity;
    normalise(world->gravityDirection);
    world->supportAcceleration = 0.3f * length(world->gravity);
    world->restSpeedSquared = kRestSpeedSquared;

    for (int i = 0; i < kMaterialCount; ++i) world->materials[i] = Material{0.5f, 0.4f, 1.0f};

    bool ok = true;
    const WorldSizes& s = world->sizes;
    // Counts near INT_MAX would overflow the sum; such a world could never be
    // allocated anyway.
    long long bodyCount =
        static_cast<long long>(s.rigidBodiesCount) + s.animatedBodiesCount + s.rigidParticleCount;
    if (bodyCount > 0x3fffffff)
        ok = false;
    else
        world->bodyCapacity = static_cast<int>(bodyCount);
    if (ok) {
        world->bodies = allocatePool<RigidBody>(world, world->bodyCapacity, &ok);
        // An array of body pointers: the element is a pointer on purpose.
        // NOLINTNEXTLINE(bugprone-sizeof-expression)
        const size_t liveBytes = sizeof(world->liveBodies[0]) * static_cast<size_t>(world->bodyCapacity);
        world->liveBodies =
            world->bodyCapacity > 0 ? static_cast<RigidBody**>(worldAllocate(world, liveBytes)) : nullptr;
        if (world->bodyCapacity > 0 && !world->liveBodies) ok = false;
    }
    if (ok) {
        world->freeRigidBodies = linkBodies(world->bodies, 0, s.rigidBodiesCount, world);
        world->freeAnimatedBodies =
            linkBodies(world->bodies, s.rigidBodiesCount, s.animatedBodiesCount, world);
        world->freeParticles = linkBodies(world->bodies, s.rigidBodiesCount + s.animatedBodiesCount,
                                          s.rigidParticleCount, world);
    }
    if (ok) world->geometries = allocatePool<Geometry>(world, s.geometriesCount, &ok);
    if (ok) world->sensors = allocatePool<Sensor>(world, s.sensorsCount, &ok);
    if (ok) world->controllers = allocatePool<Controller>(world, s.constraintSetsCount, &ok);
    if (ok) {
        for (int i = 0; i < s.geometriesCount; ++i) resetGeometry(&world->geometries[i]);
        world->freeGeometries = linkFreeList(world->geometries, s.geometriesCount);
        world->freeSensors = linkFreeList(world->sensors, s.sensorsCount);
        world->freeControllers = linkFreeList(world->controllers, s.constraintSetsCount);
    }

    resetGeometry(&world->terrainGeometry);
    world->terrainGeometry.kind = kGeometryTerrain;
    world->terrainGeometry.index = -1;

    if (ok) ok = createCollisionState(world);
    if (!ok) {
        destroyWorld(world);
        return nullptr;
    }
    return world;
}

static void releaseTerrain(PhysicsWorld* world) {
    if (world->hasTerrain) releaseTerrainTree(world);
    worldFree(world, world->terrainVertices);
    worldFree(world, world->terrainTriangles);
    world->terrainVertices = nullptr;
    world->terrainTriangles = nullptr;
    world->terrainVertexCount = 0;
    world->terrainTriangleCount = 0;
    world->hasTerrain = false;
}

void destroyWorld(PhysicsWorld* world) {
    if (!world) return;
    releaseTerrain(world);
    destroyCollisionState(world);
    // Every record type here is trivially destructible, so the blocks simply go.
    worldFree(world, world->controllers);
    worldFree(world, world->sensors);
    worldFree(world, world->geometries);
    worldFree(world, world->liveBodies);
    worldFree(world, world->bodies);
    PhysicsAllocator* allocator = world->allocator;
    world->~PhysicsWorld();
    allocator->free(world);
}

bool setMaterial(PhysicsWorld* world, int index, float friction, float restitution) {
    if (!world || index < 0 || index >= kMaterialCount) return false;
    world->materials[index] = Material{friction, restitution, 0.0f};
    return true;
}

static bool finiteVector(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// A triangle is kept only when its three indices name finite vertices, so the
// collision code can index the vertex array without checking again.
static bool usableTriangle(const TerrainMesh& mesh, const MeshTriangle& t) {
    for (int k = 0; k < 3; ++k) {
        int v = t.vertices[k];
        if (v < 0 || v >= mesh.vertexCount || !finiteVector(mesh.vertices[v])) return false;
    }
    return true;
}

int setTerrainMesh(PhysicsWorld* world, const TerrainMesh& mesh) {
    if (!world || !mesh.vertices || mesh.vertexCount <= 0 || !mesh.triangles || mesh.triangleCount <= 0)
        return 0;
    int kept = 0;
    for (int i = 0; i < mesh.triangleCount; ++i) kept += usableTriangle(mesh, mesh.triangles[i]) ? 1 : 0;
    if (kept == 0) return 0;

    Vector3* vertices =
        static_cast<Vector3*>(worldAllocate(world, sizeof(Vector3) * static_cast<size_t>(mesh.vertexCount)));
    MeshTriangle* triangles =
        static_cast<MeshTriangle*>(worldAllocate(world, sizeof(MeshTriangle) * static_cast<size_t>(kept)));
    if (!vertices || !triangles) {
        worldFree(world, vertices);
        worldFree(world, triangles);
        return 0;
    }
    releaseTerrain(world);

    Vector3 lo(INFINITY, INFINITY, INFINITY), hi(-INFINITY, -INFINITY, -INFINITY);
    for (int i = 0; i < mesh.vertexCount; ++i) vertices[i] = mesh.vertices[i];
    int n = 0;
    for (int i = 0; i < mesh.triangleCount; ++i) {
        const MeshTriangle& t = mesh.triangles[i];
        if (!usableTriangle(mesh, t)) continue;
        triangles[n] = t;
        if (t.material < 0 || t.material >= kMaterialCount) triangles[n].material = 0;
        for (int k = 0; k < 3; ++k) {
            const Vector3& v = vertices[t.vertices[k]];
            lo = Vector3(std::fmin(lo.x, v.x), std::fmin(lo.y, v.y), std::fmin(lo.z, v.z));
            hi = Vector3(std::fmax(hi.x, v.x), std::fmax(hi.y, v.y), std::fmax(hi.z, v.z));
        }
        ++n;
    }
    world->terrainVertices = vertices;
    world->terrainVertexCount = mesh.vertexCount;
    world->terrainTriangles = triangles;
    world->terrainTriangleCount = n;
    world->terrainMin = lo;
    world->terrainMax = hi;
    world->hasTerrain = true;
    buildTerrainTree(world);
    return 1;
}

RigidBody* createBody(PhysicsWorld* world, int kind) {
    if (!world) return nullptr;
    RigidBody** freeList;
    if (kind == kBodyRigid) {
        freeList = &world->freeRigidBodies;
        if (!*freeList) {
            reportMessage(world, "Run out of RigidBodies. Increase 'rigidBodiesCount'.\n");
            return nullptr;
        }
    } else if (kind == kBodyParticle) {
        freeList = &world->freeParticles;
        if (!*freeList) {
            reportMessage(world, "Run out of RigidBodies. Increase 'rigidParticleCount'.\n");
            return nullptr;
        }
    } else {
        return nullptr;
    }
    RigidBody* body = *freeList;
    *freeList = body->nextFree;
    int index = body->index;
    new (body) RigidBody();
    body->world = world;
    body->index = index;
    body->kind = kind;
    body->inUse = true;
    body->mass = 1.0f;
    body->inverseMass = 1.0f;
    body->inertia = Vector3(1.0f, 1.0f, 1.0f);
    body->gravityEnabled = true;
    body->linearSleepThreshold = kLinearSleepThreshold;
    body->connectedGroup = -1;
    body->broadphaseHandle = -1;
    wakeBody(body);
    world->liveBodies[world->liveBodyCount++] = body;
    return body;
}

int getStepCount(const PhysicsWorld* world) {
    return world ? world->stepCount : 0;
}

float getSubStepTime(const PhysicsWorld* world) {
    return world ? world->subStepTime : 0.0f;
}
