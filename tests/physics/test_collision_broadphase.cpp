// Broad phase: pair bytes, the pair pool and its message, the group filter.
#include <gtest/gtest.h>

#include <cstdlib>

#include "physics/collide_state.h"
#include "test_collision_fixtures.h"

static const Broadphase& broadphaseOf(const PhysicsWorld* world) {
    return world->collision->broadphase;
}

TEST(CollisionBroadphase, PairByteCountsAxesAndRecordNeedsAllThree) {
    PhysicsWorld* world = makeWorld();
    // No gravity wanted here: hold the bodies by setting positions each step.
    RigidBody* a = makeBox(world, Vector3(1, 1, 1), 1.0f, Vector3(0, 0, 0));
    RigidBody* b = makeBox(world, Vector3(1, 1, 1), 1.0f, Vector3(0.2f, 5.0f, 0.3f));
    step(world, 0.001f, 1, nullptr);
    const Broadphase& bp = broadphaseOf(world);
    // Overlap on X and Z only: bits 1 and 4.
    EXPECT_EQ(pairByte(bp, a->index, b->index), 1 | 4);
    EXPECT_EQ(pairRecord(bp, a->index, b->index), -1);
    EXPECT_EQ(bp.activeCount, 0);
    // Lower b until the reaches overlap on Y too.
    setPosition(a, Vector3(0, 0, 0));
    setPosition(b, Vector3(0.2f, 1.2f, 0.3f));
    step(world, 0.001f, 1, nullptr);
    EXPECT_EQ(pairByte(bp, a->index, b->index), 7);
    int r = pairRecord(bp, a->index, b->index);
    ASSERT_GE(r, 0);
    EXPECT_TRUE(bp.pairs[r].inUse);
    EXPECT_EQ(bp.pairs[r].a, a->index);
    EXPECT_EQ(bp.pairs[r].b, b->index);
    EXPECT_EQ(bp.activeCount, 1);
    // Apart again: the record goes back to the pool.
    setPosition(b, Vector3(0.2f, 8.0f, 0.3f));
    step(world, 0.001f, 1, nullptr);
    EXPECT_EQ(pairByte(bp, a->index, b->index), 1 | 4);
    EXPECT_EQ(pairRecord(bp, a->index, b->index), -1);
    EXPECT_EQ(bp.activeCount, 0);
    // The byte of pair (a, b) with a < b < dimension sits at b(b-1)/2 + a.
    EXPECT_EQ(bp.triangleBytes[b->index * (b->index - 1) / 2 + a->index], 1 | 4);
    destroyWorld(world);
}

TEST(CollisionBroadphase, FourthOverlapOfAPoolOfThreeIsReportedAndDropped) {
    WorldSizes sizes;
    sizes.overlapPairsCount = 3;
    PhysicsWorld* world = makeWorld(sizes);
    MessageLog log;
    log.attach(world);
    // A centre box touching four boxes around it, which do not touch each other.
    RigidBody* centre = makeBox(world, Vector3(2, 2, 2), 1.0f, Vector3(0, 0, 0));
    Vector3 around[4] = {Vector3(2.5f, 0, 0), Vector3(-2.5f, 0, 0), Vector3(0, 0, 2.5f),
                         Vector3(0, 0, -2.5f)};
    RigidBody* others[4];
    for (int i = 0; i < 4; i++) others[i] = makeBox(world, Vector3(1, 1, 1), 1.0f, around[i]);
    step(world, 0.001f, 1, nullptr);
    const Broadphase& bp = broadphaseOf(world);
    int recorded = 0;
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(pairByte(bp, centre->index, others[i]->index), 7);
        if (pairRecord(bp, centre->index, others[i]->index) >= 0) recorded++;
    }
    EXPECT_EQ(recorded, 3);
    EXPECT_EQ(bp.activeCount, 3);
    EXPECT_EQ(log.text, "Overlap Pair buffer full. Increase buffer size.\n");
    // One pair parts: its record goes to the pair that waited.
    setPosition(others[0], Vector3(20, 0, 0));
    step(world, 0.001f, 1, nullptr);
    recorded = 0;
    for (int i = 1; i < 4; i++) recorded += pairRecord(bp, centre->index, others[i]->index) >= 0;
    EXPECT_EQ(recorded, 3);
    destroyWorld(world);
}

TEST(CollisionBroadphase, FilterKeepsGroupsApart) {
    PhysicsWorld* world = makeWorld();
    RigidBody* a = makeBox(world, Vector3(1, 1, 1), 1.0f, Vector3(0, 0, 0));
    RigidBody* b = makeBox(world, Vector3(1, 1, 1), 1.0f, Vector3(0.5f, 0, 0));
    // Every group collides with every group at creation.
    for (int g = 0; g < kCollisionGroups; g++) EXPECT_EQ(broadphaseOf(world).filter[g][63 - g], 1);
    setCollisionGroup(world, b, 5);
    setCollisionFilter(world, 0, 5, false);
    step(world, 0.001f, 1, nullptr);
    EXPECT_EQ(pairByte(broadphaseOf(world), a->index, b->index), 7);
    EXPECT_EQ(pairRecord(broadphaseOf(world), a->index, b->index), -1);
    EXPECT_EQ(world->collision->contactCount, 0);
    destroyWorld(world);
}

// Random boxes wandering about: after every sub-step the pair bytes and the
// records agree with a direct comparison of the bounds.
TEST(CollisionBroadphase, IncrementalSortMatchesDirectOverlapTests) {
    Vector3 none(0, 0, 0);
    WorldSizes sizes;
    PhysicsWorld* world = createWorld(sizes, nullptr, &none);
    std::srand(7);
    auto rnd = [](float lo, float hi) { return lo + (hi - lo) * (float)std::rand() / (float)RAND_MAX; };
    const int n = 30;
    RigidBody* bodies[n];
    for (int i = 0; i < n; i++) {
        bodies[i] = makeBox(world, Vector3(rnd(0.5f, 3), rnd(0.5f, 3), rnd(0.5f, 3)), 1.0f,
                            Vector3(rnd(-8, 8), rnd(-8, 8), rnd(-8, 8)));
        setLinearVelocity(bodies[i], Vector3(rnd(-20, 20), rnd(-20, 20), rnd(-20, 20)));
    }
    setCollisionFilter(world, 0, 0, false);  // no contacts: the boxes fly through each other
    const Broadphase& bp = broadphaseOf(world);
    for (int s = 0; s < 60; s++) {
        step(world, 0.01f, 1, nullptr);
        for (int i = 0; i < n; i++) {
            Vector3 p = getPosition(bodies[i]);
            if (std::fabs(p.x) > 10 || std::fabs(p.y) > 10 || std::fabs(p.z) > 10)
                setLinearVelocity(bodies[i], getLinearVelocity(bodies[i]) * -1.0f);
        }
        for (int i = 0; i < n; i++) {
            for (int j = i + 1; j < n; j++) {
                const RigidBody* a = bodies[i];
                const RigidBody* b = bodies[j];
                int bits = 0;
                for (int axis = 0; axis < 3; axis++) {
                    if (a->boundsMin[axis] <= b->boundsMax[axis] && b->boundsMin[axis] <= a->boundsMax[axis])
                        bits |= 1 << axis;
                }
                ASSERT_EQ(pairByte(bp, a->index, b->index), bits)
                    << "step " << s << " pair " << i << "," << j;
                // Filtered pairs hold no record.
                ASSERT_EQ(pairRecord(bp, a->index, b->index), -1);
            }
        }
    }
    destroyWorld(world);
}

TEST(CollisionBroadphase, CollideConnectedNeedsBothFlags) {
    PhysicsWorld* world = makeWorld();
    RigidBody* a = makeBox(world, Vector3(1, 1, 1), 1.0f, Vector3(0, 0, 0));
    RigidBody* b = makeBox(world, Vector3(1, 1, 1), 1.0f, Vector3(0.8f, 0, 0));
    a->connectedGroup = 3;
    b->connectedGroup = 3;
    setCollideConnected(a, 1);
    step(world, 0.001f, 1, nullptr);
    EXPECT_EQ(world->collision->contactCount, 0);
    setCollideConnected(b, 1);
    setPosition(a, Vector3(0, 0, 0));
    setPosition(b, Vector3(0.8f, 0, 0));
    step(world, 0.001f, 1, nullptr);
    EXPECT_GT(world->collision->contactCount, 0);
    // Bodies of no connected group always meet.
    a->connectedGroup = -1;
    b->connectedGroup = -1;
    setCollideConnected(a, 0);
    setCollideConnected(b, 0);
    setPosition(a, Vector3(0, 0, 0));
    setPosition(b, Vector3(0.8f, 0, 0));
    step(world, 0.001f, 1, nullptr);
    EXPECT_GT(world->collision->contactCount, 0);
    destroyWorld(world);
}
