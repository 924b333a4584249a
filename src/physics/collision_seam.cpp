// Stand-ins for the collision half until broad phase, narrow phase and solver land.
#include "physics/physics_local.h"

bool createCollisionState(PhysicsWorld* world) {
    world->collision = nullptr;
    return true;
}

void destroyCollisionState(PhysicsWorld* world) { world->collision = nullptr; }

void buildTerrainTree(PhysicsWorld*) {}

void releaseTerrainTree(PhysicsWorld*) {}

void collideWorld(PhysicsWorld*) {}

void prepareContacts(PhysicsWorld*, float) {}

// Without contacts every awake body is a group of its own.
void solveContacts(PhysicsWorld* world, float dt) {
    for (int i = 0; i < world->liveBodyCount; ++i) {
        RigidBody* body = world->liveBodies[i];
        if (isDynamic(body) && body->sleepState == kBodyAwake)
            sleepGroupIfAtRest(&body, 1, dt);
    }
}

ContactClass classifyContacts(const PhysicsWorld*, const RigidBody*) { return kContactNone; }
