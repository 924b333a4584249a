// Whole scenes stepped through the world: resting, sliding, bouncing,
// stacking, riding on wheel rays and crashing.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/collide_state.h"
#include "test_collision_fixtures.h"

static const float kRaceSubStep = 0.007f;  // 0.028 a frame in four sub-steps

// Lowest point of a body's box geometries along y.
static float lowestPoint(const RigidBody* body) {
    float lowest = 1e30f;
    for (const Geometry* g = body->firstGeometry; g; g = g->next) {
        Transform t = compose(getTransform(body), g->local);
        for (int i = 0; i < 8; i++) {
            Vector3 local(i & 1 ? g->halfExtents.x : -g->halfExtents.x,
                          i & 2 ? g->halfExtents.y : -g->halfExtents.y,
                          i & 4 ? g->halfExtents.z : -g->halfExtents.z);
            lowest = std::fmin(lowest, transformPoint(t, local).y);
        }
    }
    return lowest;
}

TEST(Scenes, ChassisDroppedOnFlatMeshRestsAndSleeps) {
    PhysicsWorld* world = makeWorld();
    MeshBuilder mb;
    mb.ground(-20, -20, 20, 20, 0.0f, 4.0f);
    ASSERT_EQ(setTerrainMesh(world, mb.mesh()), 1);
    // A 6 x 1 x 2.6 box, its bottom 3 units above the ground.
    RigidBody* body = makeBox(world, Vector3(6.0f, 1.0f, 2.6f), 100.0f, Vector3(0.3f, 3.5f, -0.7f));
    float sleptAt = -1.0f;
    float restX = 0, restY = 0, restZ = 0;
    float worstPenetration = 0.0f;
    for (int s = 0; s < 357; s++) {  // 10 seconds of 4 x 0.007
        step(world, 4 * kRaceSubStep, 4, nullptr);
        Vector3 p = getPosition(body);
        ASSERT_TRUE(finiteVector(p));
        if (s > 100) worstPenetration = std::fmax(worstPenetration, -lowestPoint(body));
        if (sleptAt < 0 && !isAwake(body)) sleptAt = s * 4 * kRaceSubStep;
        if (s == 150) {
            restX = p.x;
            restY = p.y;
            restZ = p.z;
        }
    }
    Vector3 p = getPosition(body);
    EXPECT_LE(worstPenetration, 0.05f);
    EXPECT_NEAR(p.y, 0.5f, 0.05f);
    EXPECT_GE(sleptAt, 0.0f) << "never fell asleep";
    EXPECT_LT(sleptAt, 10.0f);
    // No drift once it rests.
    EXPECT_NEAR(p.x, restX, 1e-3f);
    EXPECT_NEAR(p.y, restY, 1e-3f);
    EXPECT_NEAR(p.z, restZ, 1e-3f);
    EXPECT_NEAR(p.x, 0.3f, 0.02f);
    EXPECT_NEAR(p.z, -0.7f, 0.02f);
    // Still upright.
    EXPECT_NEAR(getRotation(body)[1].y, 1.0f, 1e-3f);
    destroyWorld(world);
}

// A plane through the origin tilted by the angle about z, rising towards +x.
static void buildRamp(MeshBuilder& mb, float degrees) {
    float a = degrees * 3.14159265f / 180.0f;
    float c = std::cos(a), s = std::sin(a);
    for (int i = -10; i < 10; i++) {
        float u0 = i * 3.0f, u1 = (i + 1) * 3.0f;
        mb.quad(Vector3(u0 * c, u0 * s, -10), Vector3(u0 * c, u0 * s, 10), Vector3(u1 * c, u1 * s, 10),
                Vector3(u1 * c, u1 * s, -10), 7);
    }
}

static RigidBody* boxOnRamp(PhysicsWorld* world, float degrees, float lift) {
    float a = degrees * 3.14159265f / 180.0f;
    RigidBody* body = makeBox(world, Vector3(2.0f, 1.0f, 2.0f), 10.0f, Vector3(0, 0, 0));
    // Aligned with the ramp, resting on it (plus the lift along its normal).
    Matrix3 r(Vector3(std::cos(a), std::sin(a), 0), Vector3(-std::sin(a), std::cos(a), 0), Vector3(0, 0, 1));
    setRotation(body, r);
    setPosition(body, Vector3(-std::sin(a) * (0.5f + lift), std::cos(a) * (0.5f + lift), 0));
    return body;
}

TEST(Scenes, RampHoldsWithHighFrictionAndSlidesWithLow) {
    for (int pass = 0; pass < 2; pass++) {
        PhysicsWorld* world = makeWorld();
        float friction = pass == 0 ? 1.0f : 0.1f;
        setMaterial(world, 7, friction, 0.0f);
        setMaterial(world, 0, friction, 0.0f);
        MeshBuilder mb;
        buildRamp(mb, 20.0f);
        setTerrainMesh(world, mb.mesh());
        RigidBody* body = boxOnRamp(world, 20.0f, 0.01f);
        Vector3 start = getPosition(body);
        for (int s = 0; s < 143; s++) step(world, 4 * kRaceSubStep, 4, nullptr);  // 4 s
        Vector3 p = getPosition(body);
        float moved = length(p - start);
        if (pass == 0) {
            // tan 20° = 0.36 < 1.0: static friction holds it.
            EXPECT_LT(moved, 0.05f) << "friction 1.0 slid";
        } else {
            // Down the slope with a = g (sin 20° - 0.1 cos 20°) = 1.98: about 15.8 in 4 s.
            float expected = 0.5f * 8.0f * (std::sin(0.349066f) - 0.1f * std::cos(0.349066f)) * 16.0f;
            EXPECT_GT(moved, 0.8f * expected);
            EXPECT_LT(moved, 1.1f * expected);
            EXPECT_LT(p.x, start.x);
        }
        destroyWorld(world);
    }
}

TEST(Scenes, LowRestitutionBouncesLowAndNeverGainsEnergy) {
    PhysicsWorld* world = makeWorld();
    setMaterial(world, 7, 1.0f, 0.1f);
    setMaterial(world, 0, 1.0f, 0.1f);
    MeshBuilder mb;
    buildRamp(mb, 20.0f);
    setTerrainMesh(world, mb.mesh());
    RigidBody* body = boxOnRamp(world, 20.0f, 2.0f);
    float mass = 10.0f;
    auto energy = [&]() {
        Vector3 v = getLinearVelocity(body);
        Vector3 w = getAngularVelocity(body);
        Vector3 L = getAngularMomentum(body);
        return 0.5f * mass * dot(v, v) + 0.5f * dot(w, L) + mass * 8.0f * getPosition(body).y;
    };
    float e0 = energy();
    float worst = -1e30f;
    float impactSpeed = 0.0f, reboundSpeed = 0.0f;
    float normalSpeedPrev = 0.0f;
    Vector3 n(-std::sin(0.349066f), std::cos(0.349066f), 0.0f);
    for (int s = 0; s < 600; s++) {
        step(world, kRaceSubStep, 1, nullptr);
        float e = energy();
        worst = std::fmax(worst, e - e0);
        float vn = dot(getLinearVelocity(body), n);
        if (normalSpeedPrev < 0.0f && vn > 0.0f && impactSpeed == 0.0f) {
            impactSpeed = -normalSpeedPrev;
            reboundSpeed = vn;
        }
        normalSpeedPrev = vn;
    }
    // Falls 2 units along the normal: about sqrt(2 * 8 cos 20° * 2) = 5.5.
    EXPECT_GT(impactSpeed, 4.5f);
    EXPECT_GT(reboundSpeed, 0.0f);
    EXPECT_LT(reboundSpeed, 0.2f * impactSpeed);
    EXPECT_LE(worst, 0.01f * std::fabs(e0) + 1.0f) << "energy gained";
    destroyWorld(world);
}

TEST(Scenes, BoxOnBoxSettlesAndSleeps) {
    PhysicsWorld* world = makeWorld();
    MeshBuilder mb;
    mb.ground(-10, -10, 10, 10, 0.0f, 5.0f);
    setTerrainMesh(world, mb.mesh());
    RigidBody* lower = makeBox(world, Vector3(2, 1, 2), 10.0f, Vector3(0, 0.5f, 0));
    RigidBody* upper = makeBox(world, Vector3(1, 1, 1), 5.0f, Vector3(0.2f, 1.6f, 0.1f));
    bool bothAsleep = false;
    for (int s = 0; s < 357 && !bothAsleep; s++) {
        step(world, 4 * kRaceSubStep, 4, nullptr);
        bothAsleep = !isAwake(lower) && !isAwake(upper);
    }
    EXPECT_TRUE(bothAsleep);
    EXPECT_NEAR(getPosition(lower).y, 0.5f, 0.03f);
    EXPECT_NEAR(getPosition(upper).y, 1.5f, 0.05f);
    EXPECT_NEAR(getPosition(upper).x, 0.2f, 0.02f);
    destroyWorld(world);
}

// The car's suspension: four downward rays with springs and dampers as the
// race's force routine has them (front 1000, rear 1200, damping 150).
struct SpringController : ControllerListener {
    Vector3 springTotal;
    bool anyHit = false;
    void onControl(Controller* controller) override {
        RigidBody* body = getBody(controller);
        Transform t = getTransform(body);
        Vector3 force, torque, springs;
        int i = 0;
        anyHit = false;
        resetSensorIteration(body);
        for (Sensor* s = nextSensor(body); s; s = nextSensor(body), i++) {
            float k = i >= 2 ? 1200.0f : 1000.0f;
            float d = getHitDepth(s);
            if (d == 0.0f) continue;
            anyHit = true;
            Vector3 n = getHitNormal(s);
            Vector3 dir = rotate(getDirection(s), t.rotation);
            Vector3 r = transformPoint(t, getOrigin(s)) - t.position;
            Vector3 fs = dir * (k * d * dot(n, dir));
            Vector3 fd = dir * (-150.0f * dot(velocityAtOffset(body, r), dir));
            force += fs + fd;
            springs += fs;
            torque += cross(r, fs) + cross(r, fd);
        }
        springTotal = springs;
        setForce(controller, force);
        setTorque(controller, torque);
    }
};

static const Vector3 kWheelMounts[4] = {Vector3(2.0f, 0, 1.25f), Vector3(2.0f, 0, -1.25f),
                                        Vector3(-2.0f, 0, 1.25f), Vector3(-2.0f, 0, -1.25f)};

static RigidBody* makeCar(PhysicsWorld* world, SpringController* controller, const Vector3& position) {
    RigidBody* body = makeChassis(world);
    for (int w = 0; w < 4; w++) setRay(addSensor(body), kWheelMounts[w], Vector3(0, -1, 0));
    addController(body, controller, 0);
    finishChassis(body, position);
    return body;
}

TEST(Scenes, CarOnFourSpringRaysCarriesItsWeightAndClearsAKerb) {
    PhysicsWorld* world = makeWorld();
    MeshBuilder mb;
    mb.ground(-30, -10, 60, 10, 0.0f, 5.0f);
    // A kerb 0.2 high and 1 wide across the road at x = 20.
    mb.block(Vector3(20.0f, 0.0f, -10.0f), Vector3(21.0f, 0.2f, 10.0f));
    setTerrainMesh(world, mb.mesh());
    SpringController controller;
    RigidBody* car = makeCar(world, &controller, Vector3(0, 0.9f, 0));
    for (int s = 0; s < 300; s++) step(world, 4 * kRaceSubStep, 4, nullptr);
    // Springs carry the weight: 100 x 8 = 800 upwards.
    EXPECT_NEAR(controller.springTotal.y, 800.0f, 4.0f);
    // Torque balance with the mounts 2 ahead and 2 behind: each front spring
    // and each rear spring carries 200, so the front sinks 0.2 and the rear
    // 200/1200; the body hangs 1 - 0.183 above the ground, nose down by
    // (0.2 - 0.1667)/4, and the springs lean with it.
    float y = getPosition(car).y;
    EXPECT_NEAR(y, 1.0f - 0.5f * (0.2f + 200.0f / 1200.0f), 0.01f);
    float pitch = std::asin(getRotation(car)[0].y);
    EXPECT_NEAR(pitch, -(0.2f - 200.0f / 1200.0f) / 4.0f, 0.002f);
    EXPECT_NEAR(controller.springTotal.x, 800.0f * std::sin(-pitch), 1.5f);
    EXPECT_GT(lowestPoint(car), 0.5f);

    // Drive over the kerb at 10 units per second.
    setLinearVelocity(car, Vector3(10.0f, 0, 0));
    float clearance = 1e30f;
    int terrainContacts = 0;
    for (int s = 0; s < 150; s++) {
        step(world, 4 * kRaceSubStep, 4, nullptr);
        clearance = std::fmin(
            clearance, lowestPoint(car) - (getPosition(car).x > 16 && getPosition(car).x < 25 ? 0.2f : 0.0f));
        terrainContacts += world->collision->contactCount;
        // Keep rolling: the test has no tyres, so hold the speed along x.
        Vector3 v = getLinearVelocity(car);
        setLinearVelocity(car, Vector3(10.0f, v.y, 0.0f));
    }
    EXPECT_GT(getPosition(car).x, 30.0f);
    EXPECT_GT(clearance, 0.1f);
    EXPECT_EQ(terrainContacts, 0) << "the box touched the ground or kerb";
    destroyWorld(world);
}

TEST(Scenes, HeadOnChassisSeparateWithoutInterpenetration) {
    PhysicsWorld* world = makeWorld();
    MeshBuilder mb;
    mb.ground(-40, -10, 40, 10, 0.0f, 5.0f);
    setTerrainMesh(world, mb.mesh());
    RigidBody* a = makeChassis(world);
    finishChassis(a, Vector3(-5.0f, 0.21f, 0));
    RigidBody* b = makeChassis(world);
    finishChassis(b, Vector3(5.0f, 0.21f, 0));
    setLinearVelocity(a, Vector3(15.0f, 0, 0));
    setLinearVelocity(b, Vector3(-15.0f, 0, 0));
    float worstGap = 1e30f;
    for (int s = 0; s < 200; s++) {
        step(world, 4 * kRaceSubStep, 4, nullptr);
        // Lower boxes are 6 long: centres closer than 6 overlap.
        float gap = getPosition(b).x - getPosition(a).x - 6.0f;
        worstGap = std::fmin(worstGap, gap);
        ASSERT_TRUE(finiteVector(getPosition(a)) && finiteVector(getPosition(b)));
    }
    EXPECT_GT(worstGap, -0.02f);
    EXPECT_LT(getLinearVelocity(a).x, 0.5f);
    EXPECT_GT(getLinearVelocity(b).x, -0.5f);
    // Momentum along x is conserved by the collision (the ground's friction
    // acts alike on both).
    EXPECT_NEAR(getLinearVelocity(a).x + getLinearVelocity(b).x, 0.0f, 0.5f);
    EXPECT_LT(getPosition(a).x, getPosition(b).x);
    destroyWorld(world);
}

TEST(Scenes, ChassisAtFiftyDoesNotPassThroughAMeshWall) {
    PhysicsWorld* world = makeWorld();
    MeshBuilder mb;
    mb.ground(-40, -10, 40, 10, 0.0f, 5.0f);
    // A single-sheet wall across the road at x = 10, facing -x.
    mb.quad(Vector3(10, 0, -10), Vector3(10, 5, -10), Vector3(10, 5, 10), Vector3(10, 0, 10));
    setTerrainMesh(world, mb.mesh());
    SpringController controller;
    RigidBody* car = makeCar(world, &controller, Vector3(0, 0.9f, 0));
    for (int s = 0; s < 50; s++) step(world, 4 * kRaceSubStep, 4, nullptr);
    setLinearVelocity(car, Vector3(50.0f, 0, 0));
    float furthest = -1e30f;
    for (int s = 0; s < 200; s++) {
        step(world, 4 * kRaceSubStep, 4, nullptr);
        Vector3 p = getPosition(car);
        ASSERT_TRUE(finiteVector(p));
        ASSERT_TRUE(finiteVector(getLinearVelocity(car)));
        ASSERT_TRUE(finiteVector(getAngularMomentum(car)));
        furthest = std::fmax(furthest, p.x);
    }
    // The nose (3 ahead of the centre) stops at the wall.
    EXPECT_LT(furthest + 3.0f, 10.1f);
    EXPECT_LT(getPosition(car).x, 7.5f);
    destroyWorld(world);
}

TEST(Scenes, ChassisGlancingABuildingCornerAtFiftyStaysOutside) {
    PhysicsWorld* world = makeWorld();
    MeshBuilder mb;
    mb.ground(-40, -40, 60, 40, 0.0f, 4.0f);
    // A closed building block whose corner at (20, 0) the car's path meets.
    mb.block(Vector3(20, 0, 0), Vector3(40, 10, 20));
    setTerrainMesh(world, mb.mesh());
    SpringController controllers[3];
    float angles[3] = {0.0f, 0.5f, 1.0f};
    for (int run = 0; run < 3; run++) {
        float angle = angles[run];
        RigidBody* car = makeCar(world, &controllers[run], Vector3(0, 0.9f, -2.0f));
        Matrix3 r(Vector3(std::cos(angle), 0, std::sin(angle)), Vector3(0, 1, 0),
                  Vector3(-std::sin(angle), 0, std::cos(angle)));
        setRotation(car, r);
        setPosition(car, Vector3(20.0f - 12.0f * std::cos(angle), 0.9f, 0.5f - 12.0f * std::sin(angle)));
        setLinearVelocity(car, Vector3(50.0f * std::cos(angle), 0, 50.0f * std::sin(angle)));
        for (int s = 0; s < 100; s++) {
            step(world, 4 * kRaceSubStep, 4, nullptr);
            Vector3 p = getPosition(car);
            ASSERT_TRUE(finiteVector(p) && finiteVector(getLinearVelocity(car)));
            // The centre never gets inside the block.
            bool inside = p.x > 20.5f && p.x < 39.5f && p.z > 0.5f && p.z < 19.5f && p.y < 10.0f;
            ASSERT_FALSE(inside) << "angle " << angle << " step " << s;
        }
        // Park it far away so the next run meets the block alone.
        setPosition(car, Vector3(-30.0f, 0.9f, -30.0f + 10.0f * angle));
        setLinearVelocity(car, Vector3());
    }
    destroyWorld(world);
}
