// Stepping: controller visits, force application, integration, rest counter, sleep and wake.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "physics/physics_local.h"

namespace {

// Counts calls and remembers at which sub-step (counted by a period-0
// controller visited before it) each one came.
struct RecordingListener : ControllerListener {
    int calls = 0;
    const int* clock = nullptr;
    std::vector<int> at;
    Vector3 force;
    void onControl(Controller* controller) override {
        ++calls;
        if (clock) at.push_back(*clock);
        setForce(controller, force);
    }
};

struct ClockListener : ControllerListener {
    int subSteps = 0;
    void onControl(Controller*) override { ++subSteps; }
};

PhysicsWorld* makeWorld(float gravityY) {
    Vector3 gravity(0.0f, gravityY, 0.0f);
    return createWorld(WorldSizes(), nullptr, &gravity);
}

}  // namespace

TEST(PhysicsStep, ControllerPeriodsZeroAndTwo) {
    PhysicsWorld* world = makeWorld(0.0f);
    RigidBody* body = createBody(world, 0);
    ClockListener clock;
    RecordingListener every, third;
    third.clock = &clock.subSteps;
    addController(body, &clock, 0);
    Controller* c0 = addController(body, &every, 0);
    Controller* c2 = addController(body, &third, 2);
    EXPECT_EQ(c2->countdown, 2);
    EXPECT_EQ(getBody(c0), body);
    EXPECT_EQ(getForce(c0).x, 0.0f);

    step(world, 0.112f, 4, nullptr);
    EXPECT_EQ(every.calls, 4);
    for (int i = 0; i < 2; ++i) step(world, 0.112f, 4, nullptr);
    EXPECT_EQ(every.calls, 12);
    EXPECT_EQ(clock.subSteps, 12);
    EXPECT_EQ(third.at, (std::vector<int>{3, 6, 9, 12}));
    EXPECT_EQ(getStepCount(world), 3);

    // A negative period behaves as 0 rather than never calling.
    RecordingListener negative;
    addController(body, &negative, -3);
    step(world, 0.112f, 4, nullptr);
    EXPECT_EQ(negative.calls, 4);
    destroyWorld(world);
}

TEST(PhysicsStep, ControllerForceActsFromTheNextSubStep) {
    PhysicsWorld* world = makeWorld(0.0f);
    RigidBody* body = createBody(world, 0);
    setMass(body, 2.0f);
    RecordingListener pusher;
    pusher.force = Vector3(4.0f, 0.0f, 0.0f);  // a = 2
    addController(body, &pusher, 0);
    const float dt = 0.028f;
    step(world, 4 * dt, 4, nullptr);
    // The first sub-step ran before any callback: three sub-steps of push.
    EXPECT_NEAR(getLinearVelocity(body).x, 3 * 2 * dt, 1e-6);
    // x += dt·v + ½·a·dt² with the updated v: Σk=1..3 (k·2dt·dt + dt²) = 15·dt².
    EXPECT_NEAR(getPosition(body).x, 15 * dt * dt, 1e-6);
    EXPECT_NEAR(body->acceleration.x, 2.0f, 1e-6);
    EXPECT_NEAR(body->velocityChangeRing[0].x, 2 * dt, 1e-7);

    // The stored force stays in effect without further calls.
    RigidBody* other = createBody(world, 0);
    Controller* held = addController(other, nullptr, 0);
    setForce(held, Vector3(0.0f, 0.0f, 1.0f));
    setTorque(held, Vector3(0.0f, 2.0f, 0.0f));
    EXPECT_EQ(getTorque(held).y, 2.0f);
    step(world, 4 * dt, 4, nullptr);
    EXPECT_NEAR(getLinearVelocity(other).z, 3 * dt, 1e-6);
    EXPECT_NEAR(getAngularMomentum(other).y, 3 * 2 * dt, 1e-6);
    destroyWorld(world);
}

TEST(PhysicsStep, FreeFallFromTheSecondSubStep) {
    PhysicsWorld* world = makeWorld(-8.0f);
    RigidBody* body = createBody(world, 0);
    setMass(body, 2.0f);
    setPosition(body, Vector3(0.0f, 100.0f, 0.0f));
    StepStatistics stats;
    const float total = 0.1f;
    const int n = 4;
    const double dt = total / n;
    double v = 0.0, y = 100.0;
    int subStep = 0;
    for (int s = 0; s < 8; ++s) {
        step(world, total, n, &stats);
        EXPECT_EQ(stats.subSteps, 4);
        EXPECT_EQ(stats.bodiesIntegrated, 4);
        for (int k = 0; k < n; ++k) {
            ++subStep;
            if (subStep >= 2) v -= 8.0 * dt;
            y += dt * v - (subStep >= 2 ? 0.5 * 8.0 * dt * dt : 0.0);
        }
        EXPECT_NEAR(getLinearVelocity(body).y, v, 2e-6 * subStep);
        EXPECT_NEAR(getPosition(body).y, y, 1e-5 * subStep);
        EXPECT_EQ(getLinearVelocity(body).x, 0.0f);
        // The ring slot of this step holds the last sub-step's values.
        EXPECT_NEAR(body->linearVelocityRing[s % kVelocityRingSize].y, v, 2e-6 * subStep);
        EXPECT_NEAR(body->velocityChangeRing[s % kVelocityRingSize].y, -8.0 * dt, 1e-6);
    }
    // Closed form after N sub-steps: v = −8·dt·(N − 1), y = y0 − 4·dt²·(N − 1)(N + 1).
    EXPECT_NEAR(getPosition(body).y, 100.0 - 4.0 * dt * dt * 31 * 33, 1e-4);
    EXPECT_EQ(body->gravityForce.y, -16.0f);
    EXPECT_TRUE(isAwake(body));
    // Falling is not motion for the rest counter: it counted every sub-step.
    EXPECT_EQ(body->restCounter, 32);
    destroyWorld(world);
}

TEST(PhysicsStep, TorqueFreeSpinKeepsItsRate) {
    PhysicsWorld* world = makeWorld(0.0f);
    RigidBody* body = createBody(world, 0);
    setInertia(body, Vector3(3.0f, 3.0f, 3.0f));
    setRotation(body, fromEulerXYZ(Vector3(0.3f, -0.5f, 0.2f)));
    Quaternion start = getOrientation(body);
    setAngularMomentum(body, Vector3(3.0f, 0.0f, 6.0f));  // ω = (1, 0, 2)
    const float dt = 0.01f;
    const int subSteps = 56;  // short of the 60 the sleep test wants
    for (int s = 0; s < subSteps / 4; ++s) step(world, 4 * dt, 4, nullptr);
    EXPECT_TRUE(isAwake(body));
    Vector3 w = getAngularVelocity(body), l = getAngularMomentum(body);
    EXPECT_NEAR(w.x, 1.0f, 1e-5);
    EXPECT_NEAR(w.z, 2.0f, 1e-5);
    EXPECT_NEAR(l.x, 3.0f, 0.0f);
    EXPECT_NEAR(l.z, 6.0f, 0.0f);

    // The turn since the start is |ω|·t about ω's axis.
    double rate = std::sqrt(5.0), angle = rate * subSteps * dt;
    double s = std::sin(angle / 2) / rate;
    Quaternion turn((float)(1.0 * s), 0.0f, (float)(2.0 * s), (float)std::cos(angle / 2));
    Quaternion expected = turn * start;
    Quaternion q = getOrientation(body);
    EXPECT_NEAR(q.x, expected.x, 1e-4);
    EXPECT_NEAR(q.y, expected.y, 1e-4);
    EXPECT_NEAR(q.z, expected.z, 1e-4);
    EXPECT_NEAR(q.w, expected.w, 1e-4);
    // Matrix and quaternion stay in step, and the matrix stays a rotation.
    Matrix3 r = getRotation(body), fromQ = toMatrix(q);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) EXPECT_EQ(r[i][j], fromQ[i][j]);
    EXPECT_NEAR(length(r[0]), 1.0f, 1e-6);
    destroyWorld(world);
}

TEST(PhysicsStep, AnisotropicBodyTurnsWithItsMomentum) {
    // With unequal inertia the angular velocity follows the body's rotation;
    // the momentum without torque stays fixed, and so does the kinetic energy
    // ½·L·ω up to the integrator's drift.
    PhysicsWorld* world = makeWorld(0.0f);
    RigidBody* body = createBody(world, 0);
    setInertia(body, Vector3(1.0f, 2.0f, 3.0f));
    setAngularMomentum(body, Vector3(0.3f, 1.0f, 0.2f));
    float energy = 0.5f * dot(getAngularMomentum(body), getAngularVelocity(body));
    for (int s = 0; s < 12; ++s) step(world, 0.02f, 4, nullptr);
    EXPECT_EQ(getAngularMomentum(body).y, 1.0f);
    EXPECT_NEAR(0.5f * dot(getAngularMomentum(body), getAngularVelocity(body)), energy, energy * 0.01f);
    destroyWorld(world);
}

TEST(PhysicsStep, ZeroOrBadStepDoesNothing) {
    PhysicsWorld* world = makeWorld(-8.0f);
    RigidBody* body = createBody(world, 0);
    RecordingListener listener;
    addController(body, &listener, 0);
    step(world, 0.0f, 4, nullptr);
    step(world, 0.1f, 0, nullptr);
    step(world, NAN, 4, nullptr);
    step(world, -0.1f, 4, nullptr);
    step(nullptr, 0.1f, 4, nullptr);
    EXPECT_EQ(listener.calls, 0);
    EXPECT_EQ(getStepCount(world), 0);
    destroyWorld(world);
}

TEST(PhysicsSleep, GroupTestAfterSixtySubSteps) {
    PhysicsWorld* world = makeWorld(0.0f);
    RigidBody* body = createBody(world, 0);
    const float dt = 0.028f;
    wakeBody(body);
    body->subStepsSinceWake = 59;
    EXPECT_FALSE(passesSleepTest(body, dt));
    body->subStepsSinceWake = 60;
    EXPECT_TRUE(passesSleepTest(body, dt));

    // 0.2 per unit time over the 60 sub-steps is the limit.
    body->position = Vector3(0.2f * 60 * dt * 0.99f, 0.0f, 0.0f);
    EXPECT_TRUE(passesSleepTest(body, dt));
    body->position = Vector3(0.0f, 0.0f, 0.2f * 60 * dt + 0.001f);
    EXPECT_FALSE(passesSleepTest(body, dt));
    body->position = Vector3();

    body->linearVelocity = Vector3(0.0f, 5.0f * 60 * dt * 1.01f, 0.0f);
    EXPECT_FALSE(passesSleepTest(body, dt));
    body->linearVelocity = Vector3(0.0f, 5.0f * 60 * dt * 0.99f, 0.0f);
    EXPECT_TRUE(passesSleepTest(body, dt));
    body->linearVelocity = Vector3();

    body->angularVelocity = Vector3(10.5f * 60 * dt * 1.01f, 0.0f, 0.0f);
    EXPECT_FALSE(passesSleepTest(body, dt));
    body->angularVelocity = Vector3();

    // The turn limit of 10 per unit time only bites below half a turn, so
    // it shows with short sub-steps: 10·60·dt·1.05 radians fails, 0.95 passes.
    const float shortDt = 0.002f;
    for (float factor : {1.05f, 0.95f}) {
        float angle = 10.0f * 60 * shortDt * factor;
        body->orientation = Quaternion(0.0f, std::sin(angle / 2), 0.0f, std::cos(angle / 2));
        EXPECT_EQ(passesSleepTest(body, shortDt), factor < 1.0f);
        // The same orientation written as −q is the same small turn.
        Quaternion& q = body->orientation;
        q = Quaternion(-q.x, -q.y, -q.z, -q.w);
        EXPECT_EQ(passesSleepTest(body, shortDt), factor < 1.0f);
    }
    destroyWorld(world);
}

TEST(PhysicsSleep, RestingBodySleepsAndSlowDriftIsTheLimit) {
    PhysicsWorld* world = makeWorld(0.0f);
    RigidBody* still = createBody(world, 0);
    RigidBody* slow = createBody(world, 0);
    RigidBody* fast = createBody(world, 0);
    setPosition(still, Vector3(0, 0, 0));
    setLinearVelocity(slow, Vector3(0.15f, 0.0f, 0.0f));
    // The test runs before the 60th sub-step integrates, so it sees 59 of them.
    setLinearVelocity(fast, Vector3(0.0f, 0.0f, 0.21f));
    for (int s = 0; s < 14; ++s) step(world, 0.112f, 4, nullptr);
    EXPECT_TRUE(isAwake(still));  // 56 sub-steps
    step(world, 0.112f, 4, nullptr);
    EXPECT_FALSE(isAwake(still));
    EXPECT_FALSE(isAwake(slow));
    EXPECT_EQ(getLinearVelocity(slow).x, 0.0f);
    EXPECT_TRUE(isAwake(fast));
    for (int s = 0; s < 10; ++s) step(world, 0.112f, 4, nullptr);
    EXPECT_TRUE(isAwake(fast));
    destroyWorld(world);
}

TEST(PhysicsSleep, WakeRules) {
    PhysicsWorld* world = makeWorld(0.0f);
    RigidBody* body = createBody(world, 0);
    RecordingListener listener;
    addController(body, &listener, 0);
    Sensor* ray = addSensor(body);
    for (int s = 0; s < 15; ++s) step(world, 0.112f, 4, nullptr);
    ASSERT_FALSE(isAwake(body));

    // Asleep, the controller is still visited every sub-step, the body stays
    // where it is, and its sensor results are left alone.
    int calls = listener.calls;
    ray->hitDepth = 0.3f;
    step(world, 0.112f, 4, nullptr);
    EXPECT_EQ(listener.calls, calls + 4);
    EXPECT_FALSE(isAwake(body));
    EXPECT_EQ(getHitDepth(ray), 0.3f);

    // A non-zero controller force wakes it at the next sub-step.
    listener.force = Vector3(0.0f, 0.0f, 1.0f);
    step(world, 0.112f, 4, nullptr);
    EXPECT_TRUE(isAwake(body));
    EXPECT_GT(getLinearVelocity(body).z, 0.0f);
    EXPECT_EQ(getHitDepth(ray), 0.0f);

    // Motion handed to a sleeping body (as a contact would) wakes it when
    // |v|² + |ω|² reaches 1.
    listener.force = Vector3();
    setLinearVelocity(body, Vector3());
    for (int s = 0; s < 16; ++s) step(world, 0.112f, 4, nullptr);
    ASSERT_FALSE(isAwake(body));
    body->linearVelocity = Vector3(0.0f, 0.9f, 0.0f);
    step(world, 0.112f, 1, nullptr);
    EXPECT_FALSE(isAwake(body));
    EXPECT_EQ(getLinearVelocity(body).y, 0.0f);  // zeroed again
    body->linearVelocity = Vector3(0.0f, 1.0f, 0.0f);
    step(world, 0.112f, 1, nullptr);
    EXPECT_TRUE(isAwake(body));

    // Every waking setter restarts the count and retakes the snapshot.
    for (int s = 0; s < 3; ++s) step(world, 0.112f, 4, nullptr);
    EXPECT_GT(body->subStepsSinceWake, 0);
    setPosition(body, Vector3(5.0f, 0.0f, 0.0f));
    EXPECT_EQ(body->subStepsSinceWake, 0);
    EXPECT_EQ(body->snapshotPosition.x, 5.0f);
    sleepBody(body);
    setAngularMomentum(body, Vector3(0.0f, 0.5f, 0.0f));
    EXPECT_TRUE(isAwake(body));
    EXPECT_EQ(body->snapshotAngularVelocity.y, 0.5f);
    sleepBody(body);
    EXPECT_EQ(getAngularMomentum(body).y, 0.0f);
    setRotation(body, Matrix3());
    EXPECT_TRUE(isAwake(body));
    destroyWorld(world);
}

TEST(PhysicsSleep, GravityStopsWhileAsleepAndReturnsAfterWaking) {
    PhysicsWorld* world = makeWorld(-8.0f);
    RigidBody* body = createBody(world, 0);
    step(world, 0.1f, 4, nullptr);
    EXPECT_EQ(body->gravityForce.y, -8.0f);
    sleepBody(body);
    step(world, 0.1f, 4, nullptr);
    EXPECT_EQ(body->gravityForce.y, 0.0f);
    EXPECT_EQ(getLinearVelocity(body).y, 0.0f);
    setPosition(body, Vector3(0.0f, 10.0f, 0.0f));
    step(world, 0.1f, 4, nullptr);
    // The first sub-step after waking has no gravity force yet.
    EXPECT_NEAR(getLinearVelocity(body).y, -8.0f * 0.025f * 3, 1e-6);
    destroyWorld(world);
}

TEST(PhysicsSleep, RestCounterResetsOnSidewaysMotion) {
    PhysicsWorld* world = makeWorld(0.0f);
    RigidBody* body = createBody(world, 0);
    setLinearVelocity(body, Vector3(0.5f, 0.0f, 0.0f));  // slow: counts
    step(world, 0.1f, 4, nullptr);
    EXPECT_EQ(body->restCounter, 4);
    setLinearVelocity(body, Vector3(2.0f, 0.0f, 0.0f));
    // The ring's mean grows by 0.2 per step; past √2 the count starts over.
    for (int s = 0; s < 10; ++s) step(world, 0.1f, 4, nullptr);
    EXPECT_EQ(body->restCounter, 0);
    EXPECT_TRUE(isAwake(body));
    destroyWorld(world);
}
