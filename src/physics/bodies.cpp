// Body state: mass and inertia, placement and motion setters with their wake rules, sleep and wake.
#include <cmath>

#include "physics/physics_local.h"

static bool finite3(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

static bool finiteMatrix(const Matrix3& m) {
    return finite3(m.rows[0]) && finite3(m.rows[1]) && finite3(m.rows[2]);
}

void wakeBody(RigidBody* body) {
    body->sleepState = kBodyAwake;
    body->subStepsSinceWake = 0;
    body->restCounter = 0;
    body->snapshotPosition = body->position;
    body->snapshotOrientation = body->orientation;
    body->snapshotLinearVelocity = body->linearVelocity;
    body->snapshotAngularVelocity = body->angularVelocity;
}

// The angular momentum goes too: left in place it would start the body
// spinning again from stale motion the moment it wakes.
void sleepBody(RigidBody* body) {
    body->sleepState = kBodyAsleep;
    body->linearVelocity.setZero();
    body->angularVelocity.setZero();
    body->angularMomentum.setZero();
    body->orientationRate = Quaternion(0.0f, 0.0f, 0.0f, 0.0f);
    body->gravityForce.setZero();
}

// ω = (world inverse inertia)·L and q̇ = ½·(ω ⊗ q), from the current state.
static void deriveAngularVelocity(RigidBody* body) {
    body->angularVelocity = rotate(body->angularMomentum, body->worldInverseInertia);
    Quaternion omega(body->angularVelocity.x, body->angularVelocity.y, body->angularVelocity.z, 0.0f);
    Quaternion rate = omega * body->orientation;
    body->orientationRate = Quaternion(rate.x * 0.5f, rate.y * 0.5f, rate.z * 0.5f, rate.w * 0.5f);
}

void setMass(RigidBody* body, float mass) {
    if (!body || !(mass > 0.0f) || !std::isfinite(mass) || !std::isfinite(1.0f / mass)) return;
    body->mass = mass;
    body->inverseMass = 1.0f / mass;
}

float getMass(const RigidBody* body) {
    return body ? body->mass : 0.0f;
}

// Cofactors over the determinant; false (and out untouched) when the
// determinant's magnitude is below 1e-17.
static bool invertThroughDeterminant(const Matrix3& m, Matrix3* out) {
    const Vector3& a = m.rows[0];
    const Vector3& b = m.rows[1];
    const Vector3& c = m.rows[2];
    Vector3 c0 = cross(b, c), c1 = cross(c, a), c2 = cross(a, b);
    float det = dot(a, c0);
    if (std::fabs(det) < 1e-17f) return false;
    float inv = 1.0f / det;
    // The inverse's column i is cofactor row i, so its rows gather component
    // i of each cofactor row.
    *out = transpose(Matrix3(c0 * inv, c1 * inv, c2 * inv));
    return true;
}

void setInertia(RigidBody* body, const Vector3& inertia) {
    if (!body || !finite3(inertia)) return;
    body->inertia = Vector3(inertia.x, inertia.y, inertia.z);
    Matrix3 tensor(Vector3(inertia.x, 0.0f, 0.0f), Vector3(0.0f, inertia.y, 0.0f),
                   Vector3(0.0f, 0.0f, inertia.z));
    Matrix3 inverse;
    if (invertThroughDeterminant(tensor, &inverse) && finiteMatrix(inverse)) body->inverseInertia = inverse;
    body->worldInverseInertia = worldInverseInertia(body->rotation, body->inverseInertia);
}

Vector3 getInertia(const RigidBody* body) {
    return body ? body->inertia : Vector3();
}

Vector3 boxInertia(const Vector3& size, float mass) {
    float s = size.x;
    if (size.y > s) s = size.y;
    if (size.z > s) s = size.z;
    float inertia = s * s * 2.0f * mass * 0.33333334f;
    return Vector3(inertia, inertia, inertia);
}

void setUserData(RigidBody* body, void* data) {
    if (body) body->userData = data;
}

void* getUserData(const RigidBody* body) {
    return body ? body->userData : nullptr;
}

void setCollideConnected(RigidBody* body, int flag) {
    if (body) body->collideConnected = flag;
}

Vector3 getPosition(const RigidBody* body) {
    return body ? body->position : Vector3();
}

void setPosition(RigidBody* body, const Vector3& position) {
    if (!body || !finite3(position)) return;
    body->position = Vector3(position.x, position.y, position.z);
    wakeBody(body);
}

Matrix3 getRotation(const RigidBody* body) {
    return body ? body->rotation : Matrix3();
}

void setRotation(RigidBody* body, const Matrix3& rotation) {
    if (!body || !finiteMatrix(rotation)) return;
    body->rotation = rotation;
    body->orientation = quaternionFromMatrix(rotation);
    body->worldInverseInertia = worldInverseInertia(body->rotation, body->inverseInertia);
    deriveAngularVelocity(body);
    wakeBody(body);
}

Quaternion getOrientation(const RigidBody* body) {
    return body ? body->orientation : Quaternion();
}

Transform getTransform(const RigidBody* body) {
    Transform t;
    if (!body) return t;
    t.rotation = body->rotation;
    for (int i = 0; i < 3; ++i) t.rotation.rows[i].w = 0.0f;
    t.position = Vector3(body->position.x, body->position.y, body->position.z);
    t.position.w = 1.0f;
    return t;
}

Vector3 getLinearVelocity(const RigidBody* body) {
    return body ? body->linearVelocity : Vector3();
}

void setLinearVelocity(RigidBody* body, const Vector3& velocity) {
    if (!body || !finite3(velocity)) return;
    body->linearVelocity = Vector3(velocity.x, velocity.y, velocity.z);
    wakeBody(body);
}

Vector3 getAngularMomentum(const RigidBody* body) {
    return body ? body->angularMomentum : Vector3();
}

void setAngularMomentum(RigidBody* body, const Vector3& momentum) {
    if (!body || !finite3(momentum)) return;
    body->angularMomentum = Vector3(momentum.x, momentum.y, momentum.z);
    deriveAngularVelocity(body);
    wakeBody(body);
}

Vector3 getAngularVelocity(const RigidBody* body) {
    return body ? body->angularVelocity : Vector3();
}

Vector3 velocityAtOffset(const RigidBody* body, const Vector3& offset) {
    if (!body || !isDynamic(body)) return Vector3();
    return body->linearVelocity + cross(body->angularVelocity, offset);
}

bool isAwake(const RigidBody* body) {
    return body && body->sleepState == kBodyAwake;
}

// The per-body half of the group test: r = 1/(60·dt) turns the change since
// the last wake into a rate over the 60 sub-steps the test looks back on.
bool passesSleepTest(const RigidBody* body, float dt) {
    if (body->subStepsSinceWake < kSleepTestSubSteps) return false;
    float r = 1.0f / (60.0f * dt);
    if (length(body->position - body->snapshotPosition) * r > body->linearSleepThreshold) return false;
    Vector3 dv = body->linearVelocity - body->snapshotLinearVelocity;
    if (length(dv) * r > 5.0f) return false;
    // q and −q are the same orientation, so the relative rotation uses |w|:
    // 2·acos(w) of a negative w would call a tiny turn nearly a full one.
    const Quaternion& s = body->snapshotOrientation;
    Quaternion relative = body->orientation * Quaternion(-s.x, -s.y, -s.z, s.w);
    float w = std::fabs(relative.w);
    float angle = 0.0f;
    if (length(Vector3(relative.x, relative.y, relative.z)) != 0.0f && !isNearZero(w - 1.0f))
        angle = 2.0f * std::acos(w > 1.0f ? 1.0f : w);
    if (angle * r > 10.0f) return false;
    if (length(body->angularVelocity - body->snapshotAngularVelocity) * r > 10.5f) return false;
    return true;
}

bool sleepGroupIfAtRest(RigidBody* const* members, int count, float dt) {
    if (count <= 0) return false;
    for (int i = 0; i < count; ++i) {
        if (isDynamic(members[i]) && !passesSleepTest(members[i], dt)) return false;
    }
    for (int i = 0; i < count; ++i) {
        if (isDynamic(members[i])) sleepBody(members[i]);
    }
    return true;
}
