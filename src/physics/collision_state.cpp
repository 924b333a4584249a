// The collision half's entry points for the core: its state's lifetime, the
// terrain tree, and the collision phase of the sub-step.
#include <cstring>

#include "physics/contacts.h"

// Triangles one query may hand back; a car box on a dense street mesh meets
// a few dozen.
static const int kTriangleScratch = 4096;

static void* allocateArray(PhysicsWorld* world, size_t element, int count) {
    return worldAllocate(world, element * static_cast<size_t>(count > 0 ? count : 1));
}

bool createCollisionState(PhysicsWorld* world) {
    world->collision = nullptr;
    CollisionState* cs = static_cast<CollisionState*>(worldAllocate(world, sizeof(CollisionState)));
    if (!cs) return false;
    std::memset(cs, 0, sizeof(*cs));
    world->collision = cs;
    const WorldSizes& s = world->sizes;
    if (!createBroadphase(world, &cs->broadphase)) return false;

    cs->contactCapacity = s.constraintsCount;
    cs->contacts = static_cast<Contact*>(allocateArray(world, sizeof(Contact), cs->contactCapacity));
    cs->previous = static_cast<Contact*>(allocateArray(world, sizeof(Contact), cs->contactCapacity));
    cs->pointCapacity = s.contactPointsCount;
    cs->points = static_cast<ContactPoint*>(allocateArray(world, sizeof(ContactPoint), cs->pointCapacity));
    cs->triangleScratchCapacity = kTriangleScratch;
    cs->triangleScratch = static_cast<int*>(allocateArray(world, sizeof(int), kTriangleScratch));
    cs->bodyCapacity = world->bodyCapacity;
    cs->bodyInfo =
        static_cast<BodyContactInfo*>(allocateArray(world, sizeof(BodyContactInfo), cs->bodyCapacity));
    cs->parent = static_cast<int*>(allocateArray(world, sizeof(int), cs->bodyCapacity));
    cs->groupCapacity = s.contactGroupsCount;
    cs->groups = static_cast<ContactGroup*>(allocateArray(world, sizeof(ContactGroup), cs->groupCapacity));
    // An array of body pointers: the element is a pointer on purpose.
    // NOLINTNEXTLINE(bugprone-sizeof-expression)
    const size_t bodyPointerBytes = sizeof(cs->groupBodies[0]);
    cs->groupBodies = static_cast<RigidBody**>(allocateArray(world, bodyPointerBytes, cs->bodyCapacity));
    cs->groupContacts = static_cast<int*>(allocateArray(world, sizeof(int), cs->contactCapacity));
    cs->stackingCapacity = s.stackingCount;
    cs->stacking = static_cast<int*>(allocateArray(world, sizeof(int), cs->stackingCapacity));
    cs->solverBodies =
        static_cast<SolverBody*>(allocateArray(world, sizeof(SolverBody), cs->bodyCapacity + 1));
    cs->constraints =
        static_cast<ContactConstraint*>(allocateArray(world, sizeof(ContactConstraint), cs->contactCapacity));
    if (!cs->contacts || !cs->previous || !cs->points || !cs->triangleScratch || !cs->bodyInfo ||
        !cs->parent || !cs->groups || !cs->groupBodies || !cs->groupContacts || !cs->stacking ||
        !cs->solverBodies || !cs->constraints)
        return false;
    std::memset(cs->bodyInfo, 0, sizeof(BodyContactInfo) * (cs->bodyCapacity > 0 ? cs->bodyCapacity : 1));
    return true;
}

void destroyCollisionState(PhysicsWorld* world) {
    CollisionState* cs = world->collision;
    if (!cs) return;
    if (cs->hasTree) releaseTree(world, &cs->terrain);
    destroyBroadphase(world, &cs->broadphase);
    worldFree(world, cs->contacts);
    worldFree(world, cs->previous);
    worldFree(world, cs->points);
    worldFree(world, cs->triangleScratch);
    worldFree(world, cs->bodyInfo);
    worldFree(world, cs->parent);
    worldFree(world, cs->groups);
    worldFree(world, cs->groupBodies);
    worldFree(world, cs->groupContacts);
    worldFree(world, cs->stacking);
    worldFree(world, cs->solverBodies);
    worldFree(world, cs->constraints);
    worldFree(world, cs);
    world->collision = nullptr;
}

void buildTerrainTree(PhysicsWorld* world) {
    CollisionState* cs = world->collision;
    if (!cs) return;
    if (cs->hasTree) releaseTree(world, &cs->terrain);
    cs->hasTree = buildTree(world, &cs->terrain) && cs->terrain.nodeCount > 0;
    // Contacts against the old mesh mean nothing for the new one.
    cs->contactCount = 0;
    cs->previousCount = 0;
}

void releaseTerrainTree(PhysicsWorld* world) {
    CollisionState* cs = world->collision;
    if (!cs || !cs->hasTree) return;
    releaseTree(world, &cs->terrain);
    cs->hasTree = false;
    cs->contactCount = 0;
    cs->previousCount = 0;
}

void collideWorld(PhysicsWorld* world) {
    CollisionState* cs = world->collision;
    if (!cs) return;
    updateBroadphase(world, &cs->broadphase);
    generateContacts(world);
    summariseBodyContacts(world, cs);
    castSensorsOnBodies(world);
    if (world->statistics) {
        world->statistics->overlapPairs = cs->broadphase.activeCount;
        world->statistics->contacts += cs->contactCount;
    }
}
