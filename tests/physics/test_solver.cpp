// Contact solver: impulses against analytic cases, groups, sleeping groups,
// the stacking buffer and contact storage, and finite results under abuse.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "physics/collide_state.h"
#include "test_collision_fixtures.h"

static PhysicsWorld* flatWorld(const WorldSizes& sizes = WorldSizes()) {
    PhysicsWorld* world = makeWorld(sizes);
    static MeshBuilder mb;
    if (mb.triangles.empty()) mb.ground(-30, -30, 30, 30, 0.0f, 6.0f);
    setTerrainMesh(world, mb.mesh());
    return world;
}

TEST(Solver, RestingBoxHoldsItsWeightWithMeanMaterials) {
    PhysicsWorld* world = flatWorld();
    setMaterial(world, 0, 0.8f, 0.0f);
    setMaterial(world, 3, 0.2f, 0.6f);
    RigidBody* box = makeBox(world, Vector3(2, 1, 2), 10.0f, Vector3(0, 0.5f, 0));
    box->firstGeometry->material = 3;
    for (int s = 0; s < 40; s++) step(world, 0.028f, 4, nullptr);
    const CollisionState* cs = world->collision;
    ASSERT_GE(cs->contactCount, 4);
    float total = 0.0f;
    for (int i = 0; i < cs->contactCount; i++) {
        const Contact& c = cs->contacts[i];
        EXPECT_FLOAT_EQ(c.friction, 0.5f);     // (0.8 + 0.2) / 2
        EXPECT_FLOAT_EQ(c.restitution, 0.3f);  // (0 + 0.6) / 2
        total += c.normalImpulse;
    }
    // The contacts carry the weight: m g dt per sub-step (asleep, the box
    // keeps the impulses of its last solve).
    EXPECT_NEAR(total, 10.0f * 8.0f * 0.007f, 0.05f);
    EXPECT_NEAR(getPosition(box).y, 0.5f, 0.02f);
    destroyWorld(world);
}

TEST(Solver, RestitutionGivesTheBounceOfItsFactor) {
    // A box falling flat onto the ground at 6 units per second with e = 0.5
    // leaves at about 3; with e = 0 it stays.
    for (float e : {0.0f, 0.5f}) {
        Vector3 none;
        PhysicsWorld* world = createWorld(WorldSizes(), nullptr, &none);
        MeshBuilder mb;
        mb.ground(-10, -10, 10, 10, 0.0f, 5.0f);
        setTerrainMesh(world, mb.mesh());
        setMaterial(world, 0, 0.5f, e);
        RigidBody* box = makeBox(world, Vector3(1, 1, 1), 1.0f, Vector3(0, 0.55f, 0));
        setLinearVelocity(box, Vector3(0, -6.0f, 0));
        float top = -1e30f;
        for (int s = 0; s < 30; s++) {
            step(world, 0.007f, 1, nullptr);
            top = std::fmax(top, getLinearVelocity(box).y);
        }
        if (e == 0.0f) {
            EXPECT_LT(top, 0.3f);
        } else {
            EXPECT_NEAR(top, 3.0f, 0.3f);
        }
        destroyWorld(world);
    }
}

TEST(Solver, FrictionConeStopsASlidingBoxAtTheRightDistance) {
    // v0 = 4 on flat ground with mu = 0.5: stops after v0² / (2 mu g) = 2.
    PhysicsWorld* world = flatWorld();
    setMaterial(world, 0, 0.5f, 0.0f);
    RigidBody* box = makeBox(world, Vector3(1, 1, 1), 1.0f, Vector3(0, 0.5f, 0));
    for (int s = 0; s < 10; s++) step(world, 0.028f, 4, nullptr);
    float x0 = getPosition(box).x;
    setLinearVelocity(box, Vector3(4.0f, 0, 0));
    for (int s = 0; s < 100; s++) step(world, 0.028f, 4, nullptr);
    EXPECT_NEAR(getPosition(box).x - x0, 2.0f, 0.15f);
    EXPECT_NEAR(getLinearVelocity(box).x, 0.0f, 1e-3f);
    destroyWorld(world);
}

TEST(Solver, SleepingStackIsPassedOverAndWokenByAFallingBox) {
    PhysicsWorld* world = flatWorld();
    RigidBody* lower = makeBox(world, Vector3(2, 1, 2), 10.0f, Vector3(0, 0.5f, 0));
    RigidBody* upper = makeBox(world, Vector3(1, 1, 1), 5.0f, Vector3(0, 1.5f, 0));
    for (int s = 0; s < 200 && (isAwake(lower) || isAwake(upper)); s++) step(world, 0.028f, 4, nullptr);
    ASSERT_FALSE(isAwake(lower));
    ASSERT_FALSE(isAwake(upper));
    // Asleep, the stack's contacts are kept as they were and the pair forms
    // one sleeping group.
    int contacts = world->collision->contactCount;
    step(world, 0.028f, 4, nullptr);
    EXPECT_EQ(world->collision->contactCount, contacts);
    EXPECT_EQ(world->collision->bodyInfo[lower->index].group, world->collision->bodyInfo[upper->index].group);
    EXPECT_TRUE(world->collision->groups[world->collision->bodyInfo[lower->index].group].asleep);
    Vector3 before = getPosition(upper);
    // A third box dropped onto the stack wakes it.
    RigidBody* falling = makeBox(world, Vector3(1, 1, 1), 5.0f, Vector3(0.1f, 3.5f, 0));
    bool woke = false;
    for (int s = 0; s < 40; s++) {
        step(world, 0.028f, 4, nullptr);
        woke = woke || isAwake(upper);
    }
    EXPECT_TRUE(woke);
    EXPECT_NEAR(getPosition(upper).y, before.y, 0.05f);
    EXPECT_NEAR(getPosition(falling).y, 2.5f, 0.08f);
    destroyWorld(world);
}

TEST(Solver, StackingBufferOverflowIsReportedAndTheStepGoesOn) {
    WorldSizes sizes;
    sizes.stackingCount = 2;
    PhysicsWorld* world = flatWorld(sizes);
    MessageLog log;
    log.attach(world);
    RigidBody* boxes[4];
    for (int i = 0; i < 4; i++)
        boxes[i] = makeBox(world, Vector3(1, 1, 1), 1.0f, Vector3(0, 0.5f + i * 1.0f, 0));
    for (int s = 0; s < 20; s++) step(world, 0.028f, 4, nullptr);
    EXPECT_NE(log.text.find("Stacking Buffer full Error. Please contact techincal support\n"),
              std::string::npos);
    // The stack still stands.
    for (int i = 0; i < 4; i++) EXPECT_NEAR(getPosition(boxes[i]).y, 0.5f + i, 0.1f);
    destroyWorld(world);
}

TEST(Solver, ContactStorageOverflowIsReportedAndWhatFitsIsSolved) {
    WorldSizes sizes;
    sizes.constraintsCount = 3;
    PhysicsWorld* world = flatWorld(sizes);
    MessageLog log;
    log.attach(world);
    RigidBody* box = makeBox(world, Vector3(1, 1, 1), 1.0f, Vector3(0, 0.5f, 0));
    for (int s = 0; s < 20; s++) step(world, 0.028f, 4, nullptr);
    EXPECT_NE(log.text.find("Run out of Constraints. Increase 'constraintsCount'.\n"), std::string::npos);
    EXPECT_EQ(world->collision->contactCount, 3);
    EXPECT_GT(getPosition(box).y, 0.3f);  // held up by three corners
    destroyWorld(world);
}

TEST(Solver, AbuseNeverGivesNonFiniteState) {
    PhysicsWorld* world = makeWorld();
    MeshBuilder mb;
    mb.ground(-20, -20, 20, 20, 0.0f, 4.0f);
    // Degenerate triangles: a point, a line, a sliver.
    mb.triangle(Vector3(1, 0.1f, 1), Vector3(1, 0.1f, 1), Vector3(1, 0.1f, 1));
    mb.triangle(Vector3(0, 0.2f, 0), Vector3(1, 0.2f, 0), Vector3(2, 0.2f, 0));
    mb.triangle(Vector3(0, 0.3f, 0), Vector3(5, 0.3f, 0), Vector3(5, 0.3f, 1e-6f));
    mb.block(Vector3(5, 0, -5), Vector3(6, 3, 5));
    setTerrainMesh(world, mb.mesh());
    std::srand(3);
    auto rnd = [](float lo, float hi) { return lo + (hi - lo) * (float)std::rand() / (float)RAND_MAX; };
    RigidBody* bodies[20];
    for (int i = 0; i < 20; i++) {
        bodies[i] = makeBox(world, Vector3(rnd(0.01f, 3), rnd(0.01f, 3), rnd(0.01f, 3)), rnd(0.1f, 100),
                            Vector3(rnd(-3, 3), rnd(0, 2), rnd(-3, 3)));  // piled into each other
        setLinearVelocity(bodies[i], Vector3(rnd(-200, 200), rnd(-200, 200), rnd(-200, 200)));
        setAngularMomentum(bodies[i], Vector3(rnd(-50, 50), rnd(-50, 50), rnd(-50, 50)));
    }
    // One body exactly on another, one with a zero-size box.
    setPosition(bodies[1], getPosition(bodies[0]));
    setBox(bodies[2]->firstGeometry, 0.0f, 0.0f, 0.0f);
    for (int s = 0; s < 300; s++) {
        step(world, 0.028f, 4, nullptr);
        for (int i = 0; i < 20; i++) {
            ASSERT_TRUE(finiteVector(getPosition(bodies[i]))) << "body " << i << " step " << s;
            ASSERT_TRUE(finiteVector(getLinearVelocity(bodies[i])));
            ASSERT_TRUE(finiteVector(getAngularMomentum(bodies[i])));
        }
    }
    destroyWorld(world);
}
