// Cars against cars: near-aligned chassis boxes, the eight-car pile, side
// swipes and head-ons at race speed, and a car pinned to a wall.
#include <gtest/gtest.h>

#include <cmath>

#include "physics/collide_state.h"
#include "test_collision_fixtures.h"

static const float kFrame = 0.028f;  // one race frame: four sub-steps

// Boxes --------------------------------------------------------------------------

struct NearAligned {
    Vector3 eulerA, eulerB;
    Vector3 offset;  // of A's centre from B's
};

// Two 6 x 1 x 2.6 chassis boxes nose to tail, each tilted a hundredth of a
// radian or so, overlapping along x: the pile's everyday case.
static const NearAligned kNearAligned[] = {
    {Vector3(0.0114f, -0.0076f, -0.0139f), Vector3(-0.0066f, -0.0062f, -0.0114f),
     Vector3(5.9432f, -0.0274f, 0.0431f)},
    {Vector3(-0.0147f, -0.0187f, -0.0028f), Vector3(-0.0077f, -0.0187f, -0.0028f),
     Vector3(5.7417f, -0.0251f, 0.2452f)},
    {Vector3(-0.0031f, 0.0180f, -0.0003f), Vector3(-0.0025f, 0.0178f, -0.0014f),
     Vector3(5.9949f, -0.0100f, 0.2783f)},
    {Vector3(0.0095f, -0.0038f, -0.0142f), Vector3(-0.0187f, -0.0036f, -0.0132f),
     Vector3(5.7318f, -0.0051f, -0.2037f)},
};

static CollisionBox chassisBox(const Vector3& centre, const Vector3& euler) {
    Matrix3 r = fromEulerXYZ(euler);
    CollisionBox b;
    b.center = centre;
    for (int k = 0; k < 3; k++) b.axis[k] = r[k];
    b.half[0] = 3.0f;
    b.half[1] = 0.5f;
    b.half[2] = 1.3f;
    return b;
}

TEST(PileupBoxes, NearlyAlignedChassisNoseToTailAlwaysTouch) {
    for (const NearAligned& c : kNearAligned) {
        CollisionBox a = chassisBox(c.offset, c.eulerA);
        CollisionBox b = chassisBox(Vector3(), c.eulerB);
        ContactPoint pts[kMaxPairContacts];
        int n = collideBoxBox(a, b, pts, 4, kContactMargin);
        ASSERT_GE(n, 3) << "offset x " << c.offset.x;
        float overlap = 6.0f - c.offset.x;
        for (int i = 0; i < n; i++) {
            EXPECT_GT(pts[i].normal.x, 0.999f);  // pushes A forward, off B's nose
            EXPECT_NEAR(pts[i].depth, overlap, 0.06f);
        }
    }
}

// Cars ---------------------------------------------------------------------------

// Springs and dampers on the four wheel rays, a side grip, and a drive that
// holds the car's own cruising speed (braking above it), as a driver would.
struct DrivenCar : ControllerListener {
    float cruise = 0.0f;
    void onControl(Controller* controller) override {
        RigidBody* body = getBody(controller);
        Transform t = getTransform(body);
        Vector3 forward = t.rotation[0];
        float speed = dot(getLinearVelocity(body), forward);
        Vector3 force, torque;
        int i = 0;
        resetSensorIteration(body);
        for (Sensor* s = nextSensor(body); s; s = nextSensor(body), i++) {
            float d = getHitDepth(s);
            if (d == 0.0f) continue;
            Vector3 n = getHitNormal(s);
            Vector3 dir = rotate(getDirection(s), t.rotation);
            Vector3 r = transformPoint(t, getOrigin(s)) - t.position;
            Vector3 v = velocityAtOffset(body, r);
            Vector3 f = dir * ((i >= 2 ? 1200.0f : 1000.0f) * d * dot(n, dir));
            f += dir * (-150.0f * dot(v, dir));
            Vector3 side = v;
            removeComponent(side, n);
            removeComponent(side, forward);
            float l = length(side);
            if (l > 0.0f) f += side * (-150.0f * std::fmin(std::sqrt(l), 1.0f) / l);
            if (i >= 2) f += forward * (40.0f * (cruise - speed));
            force += f;
            torque += cross(r, f);
        }
        setForce(controller, force);
        setTorque(controller, torque);
    }
};

static const Vector3 kMounts[4] = {Vector3(2.0f, 0, 1.25f), Vector3(2.0f, 0, -1.25f),
                                   Vector3(-2.0f, 0, 1.25f), Vector3(-2.0f, 0, -1.25f)};

static RigidBody* makeDrivenCar(PhysicsWorld* world, DrivenCar* driver, const Vector3& position, float yaw,
                                float speed) {
    RigidBody* body = makeChassis(world);
    for (int w = 0; w < 4; w++) setRay(addSensor(body), kMounts[w], Vector3(0, -1, 0));
    addController(body, driver, 0);
    finishChassis(body, position);
    Vector3 forward(std::cos(yaw), 0, -std::sin(yaw));
    setRotation(body, Matrix3(forward, Vector3(0, 1, 0), cross(forward, Vector3(0, 1, 0))));
    setLinearVelocity(body, forward * speed);
    driver->cruise = speed;
    return body;
}

// The pile's materials: friction 0.5 and no bounce on every surface.
// With a wall, a 2-thick block across the street at x = 30.
static PhysicsWorld* makeStreet(float length, bool wall = false) {
    PhysicsWorld* world = makeWorld();
    setMaterial(world, 0, 0.5f, 0.0f);
    MeshBuilder mb;
    mb.ground(-60.0f, -40.0f, length, 40.0f, 0.0f, 8.0f);
    if (wall) mb.block(Vector3(30.0f, 0.0f, -40.0f), Vector3(32.0f, 4.0f, 40.0f));
    setTerrainMesh(world, mb.mesh());
    return world;
}

// Deepest overlap among the contacts between two bodies (terrain excluded),
// and how many such contacts there are.
static float deepestCarContact(const PhysicsWorld* world, int* count = nullptr) {
    float deepest = 0.0f;
    int n = 0;
    const CollisionState* cs = world->collision;
    for (int i = 0; i < cs->contactCount; i++) {
        if (!cs->contacts[i].bodyB) continue;
        deepest = std::fmax(deepest, cs->contacts[i].depth);
        n++;
    }
    if (count) *count = n;
    return deepest;
}

TEST(Pileup, EightCarsInTwoColumnsStayUprightLevelAndInOrder) {
    // Two touching columns of four, nose to tail; the front pair wants 15,
    // the six behind want 25 and push. 2,000 frames is 56 s of shoving.
    const int kRows = 4, kFrames = 2000;
    PhysicsWorld* world = makeStreet(1500.0f);
    DrivenCar drivers[2 * kRows];
    RigidBody* cars[2 * kRows];
    for (int c = 0; c < 2 * kRows; c++) {
        int row = c / 2;
        cars[c] =
            makeDrivenCar(world, &drivers[c], Vector3(-6.0f * row, 0.85f, c % 2 ? 1.3f : -1.3f), 0.0f, 20.0f);
        drivers[c].cruise = row == 0 ? 15.0f : 25.0f;
    }
    float lowestUp = 1.0f, steepestPitch = 0.0f, highest = 0.0f, deepest = 0.0f, closestRows = 1e30f;
    for (int f = 0; f < kFrames; f++) {
        step(world, kFrame, 4, nullptr);
        for (int c = 0; c < 2 * kRows; c++) {
            Matrix3 r = getRotation(cars[c]);
            Vector3 p = getPosition(cars[c]);
            ASSERT_TRUE(finiteVector(p));
            lowestUp = std::fmin(lowestUp, r[1].y);
            steepestPitch = std::fmax(steepestPitch, std::fabs(r[0].y));
            highest = std::fmax(highest, p.y);
            if (c >= 2) closestRows = std::fmin(closestRows, getPosition(cars[c - 2]).x - p.x);
        }
        if (f > 10) deepest = std::fmax(deepest, deepestCarContact(world));
    }
    EXPECT_GT(lowestUp, 0.95f) << "a car tipped";
    EXPECT_LT(steepestPitch, 0.05f) << "a car pitched more than 3 degrees";
    EXPECT_LT(highest, 1.0f) << "a car rode up on another";
    EXPECT_LT(deepest, 0.05f);
    EXPECT_GT(closestRows, 5.9f) << "a car pushed into the one ahead";
    // The six pushers and two brakers settle at the speed where their
    // drives cancel: 2·(15 − v) + 6·(25 − v) = 0, v = 22.5.
    EXPECT_NEAR(getLinearVelocity(cars[0]).x, 22.5f, 0.5f);
    destroyWorld(world);
}

struct Crash {
    const char* name;
    Vector3 positionB;
    float yawB;
    float speedB;
    Vector3 swerveB;  // added to B's velocity at the start
};

// A at the origin drives +x at 25; B comes from beside or ahead.
static const Crash kCrashes[] = {
    {"side swipe", Vector3(0.0f, 0.8f, 3.4f), 0.0f, 25.0f, Vector3(0, 0, -6.0f)},
    {"side swipe from behind", Vector3(-4.0f, 0.8f, 3.0f), 0.1f, 32.0f, Vector3(0, 0, -4.0f)},
    {"head-on", Vector3(30.0f, 0.8f, 0.0f), 3.14159265f, 25.0f, Vector3()},
    {"offset head-on", Vector3(30.0f, 0.8f, 1.3f), 3.14159265f, 25.0f, Vector3()},
};

TEST(Pileup, CrashesAtRaceSpeedFlipNobody) {
    for (const Crash& crash : kCrashes) {
        PhysicsWorld* world = makeStreet(200.0f);
        DrivenCar da, db;
        RigidBody* a = makeDrivenCar(world, &da, Vector3(0.0f, 0.8f, 0.0f), 0.0f, 25.0f);
        RigidBody* b = makeDrivenCar(world, &db, crash.positionB, crash.yawB, crash.speedB);
        setLinearVelocity(b, getLinearVelocity(b) + crash.swerveB);
        float lowestUp = 1.0f, highest = 0.0f, deepest = 0.0f;
        bool touched = false;
        for (int f = 0; f < 150; f++) {  // 4.2 s
            step(world, kFrame, 4, nullptr);
            ASSERT_TRUE(finiteVector(getPosition(a)) && finiteVector(getPosition(b))) << crash.name;
            lowestUp = std::fmin(lowestUp, std::fmin(getRotation(a)[1].y, getRotation(b)[1].y));
            highest = std::fmax(highest, std::fmax(getPosition(a).y, getPosition(b).y));
            int n;
            deepest = std::fmax(deepest, deepestCarContact(world, &n));
            touched = touched || n > 0;
        }
        EXPECT_TRUE(touched) << crash.name;
        EXPECT_GT(lowestUp, 0.8f) << crash.name;
        EXPECT_LT(highest, 1.2f) << crash.name << ": a car climbed the other";
        EXPECT_LT(deepest, 0.3f) << crash.name;
        // Both end on their wheels.
        EXPECT_GT(getRotation(a)[1].y, 0.95f) << crash.name;
        EXPECT_GT(getRotation(b)[1].y, 0.95f) << crash.name;
        destroyWorld(world);
    }
}

TEST(Pileup, CarPushedIntoAWallForTenSecondsStaysPut) {
    PhysicsWorld* world = makeStreet(100.0f, true);
    DrivenCar front, back;
    RigidBody* a = makeDrivenCar(world, &front, Vector3(20.0f, 0.8f, 0.0f), 0.0f, 0.0f);
    RigidBody* b = makeDrivenCar(world, &back, Vector3(12.0f, 0.8f, 0.3f), 0.0f, 10.0f);
    front.cruise = 0.0f;  // brakes against the push
    back.cruise = 25.0f;  // keeps shoving
    float lowestUp = 1.0f, highest = 0.0f, furthestNose = -1e30f, closest = 1e30f, deepest = 0.0f;
    for (int f = 0; f < 357; f++) {  // ten seconds
        step(world, kFrame, 4, nullptr);
        lowestUp = std::fmin(lowestUp, std::fmin(getRotation(a)[1].y, getRotation(b)[1].y));
        highest = std::fmax(highest, std::fmax(getPosition(a).y, getPosition(b).y));
        furthestNose = std::fmax(furthestNose, getPosition(a).x + 3.0f);
        closest = std::fmin(closest, getPosition(a).x - getPosition(b).x);
        deepest = std::fmax(deepest, deepestCarContact(world));
    }
    EXPECT_GT(getPosition(a).x + 3.0f, 29.8f) << "never reached the wall";
    EXPECT_LT(furthestNose, 30.05f) << "pushed into the wall";
    EXPECT_GT(closest, 5.9f) << "pushed into the car ahead";
    EXPECT_LT(deepest, 0.05f);
    EXPECT_GT(lowestUp, 0.95f);
    EXPECT_LT(highest, 1.0f) << "a car rode up";
    destroyWorld(world);
}
