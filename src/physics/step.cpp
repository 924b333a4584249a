// The world step: sub-step phases, force application, integration, rest counter and controller visits.
#include <cmath>

#include "physics/physics_local.h"

// Every controller of the body: a countdown at 0 calls the listener and
// starts over from the period, otherwise it counts down. Either way the
// controller's force and torque join the body's applied ones, which act in
// the next sub-step.
static void visitControllers(RigidBody* body) {
    for (Controller* c = body->firstController; c; c = c->next) {
        if (c->countdown == 0) {
            if (c->listener) c->listener->onControl(c);
            c->countdown = c->period;
        } else {
            --c->countdown;
        }
        body->appliedForce += c->force;
        body->appliedTorque += c->torque;
    }
}

// End of a body's sub-step: the gravity force for the next sub-step (zero
// while asleep), the applied force and torque start over from the
// controllers.
static void refreshForces(PhysicsWorld* world, RigidBody* body) {
    if (body->gravityEnabled && body->sleepState == kBodyAwake)
        body->gravityForce = world->gravity * body->mass;
    else
        body->gravityForce.setZero();
    body->appliedForce.setZero();
    body->appliedTorque.setZero();
    visitControllers(body);
}

static bool anyNotNearZero(const Vector3& v) {
    return !isNearZero(v.x) || !isNearZero(v.y) || !isNearZero(v.z);
}

static void zeroMotion(RigidBody* body) {
    body->linearVelocity.setZero();
    body->angularVelocity.setZero();
    body->angularMomentum.setZero();
    body->orientationRate = Quaternion(0.0f, 0.0f, 0.0f, 0.0f);
}

// Returns whether the body stays asleep for this sub-step (and was handled).
static bool keepAsleep(PhysicsWorld* world, RigidBody* body) {
    if (anyNotNearZero(body->appliedForce) || anyNotNearZero(body->appliedTorque)) {
        wakeBody(body);
        return false;
    }
    float speed =
        dot(body->linearVelocity, body->linearVelocity) + dot(body->angularVelocity, body->angularVelocity);
    if (speed >= world->restSpeedSquared || classifyContacts(world, body) == kContactActive) {
        wakeBody(body);
        return false;
    }
    zeroMotion(body);
    refreshForces(world, body);
    return true;
}

// Forces to velocities, and the midpoint angular update: the angular velocity
// is taken at half a sub-step ahead, from the momentum and orientation there.
static void applyForces(PhysicsWorld* world, RigidBody* body, float dt, int slot) {
    body->subStepsSinceWake += 1;
    body->velocityChangeRing[slot].setZero();
    if (body->sleepState == kBodyDisabled) return;
    if (body->sleepState == kBodyAsleep && keepAsleep(world, body)) return;

    body->forceSum += body->gravityForce + body->appliedForce;
    Vector3 a = body->forceSum * body->inverseMass;
    Vector3 dv = a * dt;
    body->acceleration = a;
    body->velocityChangeRing[slot] = dv;
    body->linearVelocity += dv;

    const Vector3& torque = body->appliedTorque;
    float half = 0.5f * dt;
    Vector3 halfMomentum = body->angularMomentum + torque * half;
    Quaternion halfOrientation =
        normalisedQuaternion(quaternionAddScaled(body->orientation, body->orientationRate, half));
    Matrix3 halfInverseInertia = worldInverseInertia(toMatrix(halfOrientation), body->inverseInertia);
    body->angularVelocity = rotate(halfMomentum, halfInverseInertia);
    Quaternion omega(body->angularVelocity.x, body->angularVelocity.y, body->angularVelocity.z, 0.0f);
    Quaternion rate = omega * halfOrientation;
    body->orientationRate = Quaternion(rate.x * 0.5f, rate.y * 0.5f, rate.z * 0.5f, rate.w * 0.5f);
    body->angularMomentum += torque * dt;
}

static Vector3 ringMean(const Vector3* ring) {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    for (int i = 0; i < kVelocityRingSize; ++i) {
        x += ring[i].x;
        y += ring[i].y;
        z += ring[i].z;
    }
    const float scale = 1.0f / kVelocityRingSize;
    return Vector3(x * scale, y * scale, z * scale);
}

// Counts the sub-steps a body has been slow, and puts it to sleep when its
// contacts say it is supported. Falling does not count as moving: the
// downward part of the mean velocity is ignored.
static void updateRestCounter(PhysicsWorld* world, RigidBody* body) {
    const Vector3& v = body->linearVelocity;
    const Vector3& w = body->angularVelocity;
    if (dot(v, v) >= world->restSpeedSquared || dot(w, w) >= world->restSpeedSquared) {
        Vector3 mean = ringMean(body->linearVelocityRing);
        float down = dot(mean, world->gravityDirection);
        if (down > 0.0f) mean -= world->gravityDirection * down;
        if (dot(mean, mean) > 2.0f) {
            body->restCounter = 0;
            return;
        }
        Vector3 spin = ringMean(body->angularVelocityRing);
        if (dot(spin, spin) > 1.0f) {
            body->restCounter = 0;
            return;
        }
    }
    body->restCounter += 1;
    if (body->restCounter <= 10) return;
    ContactClass contacts = classifyContacts(world, body);
    if (contacts == kContactResting || (contacts == kContactSettling && body->restCounter > 100))
        sleepBody(body);
}

static void integrate(RigidBody* body, float dt, int slot) {
    const Vector3& a = body->acceleration;
    body->position += body->linearVelocity * dt + ((a * 0.5f) * dt) * dt;

    body->angularVelocity = rotate(body->angularMomentum, body->worldInverseInertia);
    Quaternion omega(body->angularVelocity.x, body->angularVelocity.y, body->angularVelocity.z, 0.0f);
    Quaternion rate = omega * body->orientation;
    body->orientationRate = Quaternion(rate.x * 0.5f, rate.y * 0.5f, rate.z * 0.5f, rate.w * 0.5f);
    body->orientation =
        normalisedQuaternion(quaternionAddScaled(body->orientation, body->orientationRate, dt));
    body->rotation = toMatrix(body->orientation);
    body->worldInverseInertia = worldInverseInertia(body->rotation, body->inverseInertia);

    body->linearVelocityRing[slot] = body->linearVelocity;
    body->angularVelocityRing[slot] = body->angularVelocity;
}

static void subStep(PhysicsWorld* world, float dt) {
    const int slot = world->stepCount % kVelocityRingSize;
    RigidBody* const* bodies = world->liveBodies;

    // Phase 1: bounds of the awake bodies.
    for (int i = 0; i < world->liveBodyCount; ++i) {
        if (bodies[i]->sleepState == kBodyAwake) updateBodyBounds(bodies[i]);
    }

    // Phase 2: animated bodies would be moved here; the world hands out none.

    // Phase 3: broad phase, contacts and sensor casts. The force sums start
    // over once the collision phase is done.
    collideWorld(world);
    for (int i = 0; i < world->liveBodyCount; ++i) {
        if (bodies[i]->sleepState == kBodyAwake) bodies[i]->forceSum.setZero();
    }

    // Phase 4: forces into velocities, then the contact solver, which also
    // puts resting groups to sleep.
    prepareContacts(world, dt);
    for (int i = 0; i < world->liveBodyCount; ++i) {
        if (isDynamic(bodies[i])) applyForces(world, bodies[i], dt, slot);
    }
    solveContacts(world, dt);

    // Phase 5: each awake body passes its rest counter, moves, gets its
    // forces for the next sub-step from gravity and its controllers, and
    // forgets its sensor hits.
    for (int i = 0; i < world->liveBodyCount; ++i) {
        RigidBody* body = bodies[i];
        if (!isDynamic(body) || body->sleepState != kBodyAwake) continue;
        updateRestCounter(world, body);
        if (body->sleepState != kBodyAwake) continue;
        integrate(body, dt, slot);
        refreshForces(world, body);
        for (Sensor* s = body->firstSensor; s; s = s->next) clearSensorResult(s);
        if (world->statistics) world->statistics->bodiesIntegrated += 1;
    }
}

void step(PhysicsWorld* world, float total, int subSteps, StepStatistics* statistics) {
    if (statistics) *statistics = StepStatistics{0, 0, 0, 0};
    // A zero or negative span has nothing to integrate, and the rest tests
    // divide by the sub-step length.
    if (!world || subSteps <= 0 || !(total > 0.0f) || !std::isfinite(total)) return;
    float dt = total / static_cast<float>(subSteps);
    if (!(dt > 0.0f)) return;
    world->subStepTime = dt;
    world->statistics = statistics;
    for (int s = 0; s < subSteps; ++s) {
        subStep(world, dt);
        if (statistics) statistics->subSteps += 1;
    }
    world->statistics = nullptr;
    world->stepCount += 1;
}
