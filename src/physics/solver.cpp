// Contact solver: groups of bodies joined by contacts, their stacking order,
// and sequential impulses with accumulated clamping and warm starting.
//
// Why this scheme: each contact's impulse is solved in turn against the
// velocities the previous ones left, and the running total (not each
// correction) is clamped to push only and to stay inside the friction cone,
// so corrections can be taken back within the sub-step. Starting every point
// from the impulse it carried last sub-step makes a resting box hold its
// weight from the first iteration: no sinking and no jitter at a handful of
// iterations. Overlap is pushed out by a small, capped separating speed
// beyond a slop, so resting contacts do not feed energy back.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "physics/contacts.h"

static const char kStackingFullMessage[] = "Stacking Buffer full Error. Please contact techincal support\n";

static const int kIterations = 10;
// A sweep in which no impulse changes a contact's closing speed by more than
// this (units per second) ends the iterations early: nothing a player could
// see moves any more.
static const float kConvergedSpeed = 1e-4f;
// Overlap left alone, and the share of the rest removed per sub-step.
static const float kSlop = 0.005f;
static const float kBaumgarte = 0.2f;
static const float kMaxSeparatingSpeed = 3.0f;
// Closing speeds below this do not bounce: resting contacts stay at rest.
static const float kBounceSpeed = 0.5f;
// A sleeping body touched by an awake one wakes only when the awake one
// moves or the contact closes or overlaps this much.
static const float kWakeSpeedSquared = 0.05f;
static const float kWakeDepth = 0.05f;
static const float kWakeApproach = 0.1f;
// Steps between two examinations of the same group.
static const int kGroupExaminePeriod = 5;
// Friction this close to its cone means the contact slides.
static const float kSlidingShare = 0.999f;

static bool isAwakeDynamic(const RigidBody* body) {
    return body && isDynamic(body) && body->sleepState == kBodyAwake;
}

static int findRoot(int* parent, int i) {
    while (parent[i] != i) {
        parent[i] = parent[parent[i]];
        i = parent[i];
    }
    return i;
}

// Groups ---------------------------------------------------------------------

// Every dynamic body is in exactly one group, isolated ones in a group of
// their own; groups are listed in the order of their first body in the
// world's creation order, so a group keeps its place from step to step.
void buildContactGroups(PhysicsWorld* world) {
    CollisionState* cs = world->collision;
    int* parent = cs->parent;
    for (int i = 0; i < world->liveBodyCount; i++) {
        int s = world->liveBodies[i]->index;
        parent[s] = s;
        cs->bodyInfo[s].group = -1;
    }
    for (int i = 0; i < cs->contactCount; i++) {
        const Contact& c = cs->contacts[i];
        if (!c.bodyB || !isDynamic(c.bodyB) || !isDynamic(c.bodyA)) continue;
        int ra = findRoot(parent, c.bodyA->index), rb = findRoot(parent, c.bodyB->index);
        if (ra != rb) parent[ra < rb ? rb : ra] = ra < rb ? ra : rb;
    }
    cs->groupCount = 0;
    // First pass: group numbers and member counts.
    for (int i = 0; i < world->liveBodyCount; i++) {
        RigidBody* body = world->liveBodies[i];
        if (!isDynamic(body)) continue;
        int root = findRoot(parent, body->index);
        int& rootGroup = cs->bodyInfo[root].group;
        if (rootGroup < 0) {
            // Past the group pool the remaining bodies share the last group.
            if (cs->groupCount < cs->groupCapacity) {
                ContactGroup& g = cs->groups[cs->groupCount];
                g.bodyCount = 0;
                g.contactCount = 0;
                g.asleep = true;
                rootGroup = cs->groupCount++;
            } else {
                rootGroup = cs->groupCount - 1;
            }
        }
        int group = rootGroup;
        if (group < 0) continue;  // no group pool at all
        cs->bodyInfo[body->index].group = group;
        cs->groups[group].bodyCount++;
        if (body->sleepState == kBodyAwake) cs->groups[group].asleep = false;
    }
    int offset = 0;
    for (int g = 0; g < cs->groupCount; g++) {
        cs->groups[g].firstBody = offset;
        offset += cs->groups[g].bodyCount;
        cs->groups[g].bodyCount = 0;
    }
    for (int i = 0; i < world->liveBodyCount; i++) {
        RigidBody* body = world->liveBodies[i];
        if (!isDynamic(body)) continue;
        int group = cs->bodyInfo[body->index].group;
        if (group < 0) continue;
        ContactGroup& g = cs->groups[group];
        cs->groupBodies[g.firstBody + g.bodyCount++] = body;
    }
    // Contacts by the group of their dynamic body.
    for (int i = 0; i < cs->contactCount; i++) {
        int group = cs->bodyInfo[cs->contacts[i].bodyA->index].group;
        if (group >= 0) cs->groups[group].contactCount++;
    }
    offset = 0;
    for (int g = 0; g < cs->groupCount; g++) {
        cs->groups[g].firstContact = offset;
        offset += cs->groups[g].contactCount;
        cs->groups[g].contactCount = 0;
    }
    for (int i = 0; i < cs->contactCount; i++) {
        int group = cs->bodyInfo[cs->contacts[i].bodyA->index].group;
        if (group < 0) continue;
        ContactGroup& g = cs->groups[group];
        cs->groupContacts[g.firstContact + g.contactCount++] = i;
    }
}

// A group with awake and sleeping members: the sleepers wake when something
// in the group moves or presses on them; otherwise they stand still for the
// awake ones like the terrain does.
static void wakeMixedGroup(PhysicsWorld* world, ContactGroup& g) {
    CollisionState* cs = world->collision;
    bool anySleeping = false, stirred = false;
    for (int i = 0; i < g.bodyCount; i++) {
        RigidBody* body = cs->groupBodies[g.firstBody + i];
        if (body->sleepState != kBodyAwake) {
            anySleeping = true;
            continue;
        }
        float speed = dot(body->linearVelocity, body->linearVelocity) +
                      dot(body->angularVelocity, body->angularVelocity);
        if (speed > kWakeSpeedSquared) stirred = true;
    }
    if (!anySleeping) return;
    for (int i = 0; i < g.contactCount && !stirred; i++) {
        const Contact& c = cs->contacts[cs->groupContacts[g.firstContact + i]];
        if (!c.bodyB) continue;
        const BodyContactInfo& info = cs->bodyInfo[c.bodyA->index];
        if (c.depth > kWakeDepth || info.maxApproach > kWakeApproach) stirred = true;
    }
    if (!stirred) return;
    for (int i = 0; i < g.bodyCount; i++) {
        RigidBody* body = cs->groupBodies[g.firstBody + i];
        if (body->sleepState == kBodyAsleep) wakeBody(body);
    }
}

// Stacking: bodies resting on the terrain (or on a body that stands still)
// come first, those on top of them next, and so on, found breadth first
// through the stacking buffer; contacts are then solved bottom up, so the
// weight of a stack reaches the ground within one sweep.
static void orderStack(PhysicsWorld* world, ContactGroup& g) {
    CollisionState* cs = world->collision;
    const int kUnreached = 1 << 20;
    for (int i = 0; i < g.bodyCount; i++)
        cs->bodyInfo[cs->groupBodies[g.firstBody + i]->index].stackLevel = kUnreached;
    int head = 0, tail = 0;
    bool overflow = false;
    auto push = [&](RigidBody* body, int level) {
        BodyContactInfo& info = cs->bodyInfo[body->index];
        if (info.stackLevel <= level) return;
        info.stackLevel = level;
        if (tail < cs->stackingCapacity)
            cs->stacking[tail++] = body->index;
        else
            overflow = true;
    };
    for (int i = 0; i < g.contactCount; i++) {
        const Contact& c = cs->contacts[cs->groupContacts[g.firstContact + i]];
        if (!isAwakeDynamic(c.bodyB) && isAwakeDynamic(c.bodyA)) push(c.bodyA, 0);
    }
    while (head < tail) {
        int slot = cs->stacking[head++];
        int level = cs->bodyInfo[slot].stackLevel;
        for (int i = 0; i < g.contactCount; i++) {
            const Contact& c = cs->contacts[cs->groupContacts[g.firstContact + i]];
            if (!c.bodyB) continue;
            if (c.bodyA->index == slot && isAwakeDynamic(c.bodyB))
                push(c.bodyB, level + 1);
            else if (c.bodyB->index == slot && isAwakeDynamic(c.bodyA))
                push(c.bodyA, level + 1);
        }
    }
    if (overflow) reportMessage(world, "%s", kStackingFullMessage);
    for (int i = 0; i < g.contactCount; i++) {
        Contact& c = cs->contacts[cs->groupContacts[g.firstContact + i]];
        int la = cs->bodyInfo[c.bodyA->index].stackLevel;
        int lb = c.bodyB ? cs->bodyInfo[c.bodyB->index].stackLevel : -1;
        if (c.bodyB && !isAwakeDynamic(c.bodyB)) lb = -1;
        c.stackLevel = 2 * (la < lb ? la : lb) + (c.bodyB && isAwakeDynamic(c.bodyB) ? 1 : 0);
    }
    int* list = cs->groupContacts + g.firstContact;
    const Contact* contacts = cs->contacts;
    std::stable_sort(list, list + g.contactCount,
                     [contacts](int x, int y) { return contacts[x].stackLevel < contacts[y].stackLevel; });
}

// Impulses -------------------------------------------------------------------

static void perpendicular(const Vector3& n, Vector3* t0, Vector3* t1) {
    Vector3 a = std::fabs(n.x) < 0.57f
                    ? Vector3(1.0f, 0.0f, 0.0f)
                    : (std::fabs(n.y) < 0.57f ? Vector3(0.0f, 1.0f, 0.0f) : Vector3(0.0f, 0.0f, 1.0f));
    Vector3 t = cross(n, a);
    float len = std::sqrt(dot(t, t));
    *t0 = t * (1.0f / len);
    *t1 = cross(n, *t0);
}

// The solver slot of a body this sub-step: its own when it is awake and
// dynamic, else the immovable slot 0.
static int solverSlot(CollisionState* cs, RigidBody* body) {
    if (!isAwakeDynamic(body)) return 0;
    BodyContactInfo& info = cs->bodyInfo[body->index];
    if (info.solverSlot > 0) return info.solverSlot;
    int slot = cs->solverBodyCount++;
    SolverBody& sb = cs->solverBodies[slot];
    sb.body = body;
    info.solverSlot = slot;
    return slot;
}

static Vector3 pointVelocity(const RigidBody* body, const Vector3& r) {
    if (!isAwakeDynamic(body)) return Vector3();
    return body->linearVelocity + cross(body->angularVelocity, r);
}

// Warm start: an impulse straight onto a body, before the forces of the
// sub-step are applied (the angular velocity is derived again from the
// momentum then).
static void applyImpulse(RigidBody* body, float inverseMass, const Vector3& impulse, const Vector3& momentum,
                         const Vector3& turn) {
    body->linearVelocity = body->linearVelocity + impulse * inverseMass;
    body->angularMomentum = body->angularMomentum + momentum;
    body->angularVelocity = body->angularVelocity + turn;
}

// Everything about one contact that stays fixed while the solver iterates:
// the friction frame, the arms, the effective masses and the target speed;
// then last sub-step's impulses are applied to start from.
static void prepareContact(CollisionState* cs, int index, float dt) {
    Contact& c = cs->contacts[index];
    ContactConstraint& k = cs->constraints[cs->constraintCount++];
    RigidBody* a = c.bodyA;
    RigidBody* b = c.bodyB;
    c.rA = c.position - a->position;
    c.rB = b ? c.position - b->position : Vector3();
    k.contact = index;
    k.bodyA = solverSlot(cs, a);
    k.bodyB = b ? solverSlot(cs, b) : 0;
    k.inverseMassA = k.bodyA ? a->inverseMass : 0.0f;
    k.inverseMassB = k.bodyB ? b->inverseMass : 0.0f;
    k.friction = c.friction;

    Vector3 v = pointVelocity(a, c.rA) - pointVelocity(b, c.rB);
    float vn = dot(v, c.normal);
    Vector3 vt = v + c.normal * -vn;
    float vt2 = dot(vt, vt);
    if (vt2 > 1e-6f) {
        c.tangent0 = vt * (1.0f / std::sqrt(vt2));
        c.tangent1 = cross(c.normal, c.tangent0);
    } else {
        perpendicular(c.normal, &c.tangent0, &c.tangent1);
    }
    k.direction[0] = c.normal;
    k.direction[1] = c.tangent0;
    k.direction[2] = c.tangent1;
    for (int row = 0; row < 3; row++) {
        const Vector3& d = k.direction[row];
        float inverse = k.inverseMassA + k.inverseMassB;
        if (k.bodyA) {
            k.armA[row] = cross(c.rA, d);
            k.turnA[row] = rotate(k.armA[row], a->worldInverseInertia);
            inverse += dot(k.armA[row], k.turnA[row]);
        } else {
            k.armA[row] = Vector3();
            k.turnA[row] = Vector3();
        }
        if (k.bodyB) {
            k.armB[row] = cross(c.rB, d);
            k.turnB[row] = rotate(k.armB[row], b->worldInverseInertia);
            inverse += dot(k.armB[row], k.turnB[row]);
        } else {
            k.armB[row] = Vector3();
            k.turnB[row] = Vector3();
        }
        k.mass[row] = inverse > 1e-12f ? 1.0f / inverse : 0.0f;
        k.speedPerImpulse[row] = inverse;
    }

    // Target separating speed. A closing contact that meets within this
    // sub-step bounces back with e times its speed, so the first impulse
    // carries the factor (1 + e); a point still apart may close only its gap;
    // an overlap beyond the slop is pushed out gently.
    float target;
    if (c.depth < 0.0f)
        target = c.depth / dt;
    else
        target = std::fmin(kBaumgarte * std::fmax(c.depth - kSlop, 0.0f) / dt, kMaxSeparatingSpeed);
    if (vn < -kBounceSpeed && -vn * dt >= -c.depth) target = std::fmax(target, -c.restitution * vn);
    k.bias = target;

    // Warm start: last sub-step's impulses, friction turned into the new frame.
    float t0 = dot(c.carriedFriction, c.tangent0);
    float t1 = dot(c.carriedFriction, c.tangent1);
    float limit = c.friction * c.normalImpulse;
    float len = std::sqrt(t0 * t0 + t1 * t1);
    if (len > limit && len > 0.0f) {
        t0 *= limit / len;
        t1 *= limit / len;
    }
    k.impulse[0] = c.normalImpulse;
    k.impulse[1] = t0;
    k.impulse[2] = t1;
    k.warmImpulse[0] = c.normalImpulse;
    k.warmImpulse[1] = t0;
    k.warmImpulse[2] = t1;
    if (c.normalImpulse == 0.0f && t0 == 0.0f && t1 == 0.0f) return;
    Vector3 p = c.normal * c.normalImpulse + (c.tangent0 * t0 + c.tangent1 * t1);
    if (k.bodyA) {
        Vector3 arm = k.armA[0] * c.normalImpulse + (k.armA[1] * t0 + k.armA[2] * t1);
        Vector3 turn = k.turnA[0] * c.normalImpulse + (k.turnA[1] * t0 + k.turnA[2] * t1);
        applyImpulse(a, k.inverseMassA, p, arm, turn);
    }
    if (k.bodyB) {
        Vector3 arm = k.armB[0] * c.normalImpulse + (k.armB[1] * t0 + k.armB[2] * t1);
        Vector3 turn = k.turnB[0] * c.normalImpulse + (k.turnB[1] * t0 + k.turnB[2] * t1);
        applyImpulse(b, k.inverseMassB, p * -1.0f, arm * -1.0f, turn * -1.0f);
    }
}

// The iterations work on whole vectors at once: a Vector3 is four floats,
// so one vector instruction does x, y and z (w rides along and is never
// summed). Under-aligned, since the records only promise float alignment.
typedef float Lanes __attribute__((vector_size(16), aligned(4)));

static inline Lanes lanes(const Vector3& v) {
    Lanes r;
    std::memcpy(&r, &v, sizeof r);
    return r;
}

static inline void storeLanes(Vector3& v, Lanes r) {
    std::memcpy(static_cast<void*>(&v), &r, sizeof r);
}

static inline float sum3(Lanes a) {
    return a[0] + a[1] + a[2];
}

// One sweep's work on one contact: the normal row, then both friction rows
// against the same velocities. Returns the largest change of speed along a
// row that one of its impulses made.
__attribute__((always_inline)) static inline float solveContact(ContactConstraint& k, SolverBody* bodies) {
    SolverBody& a = bodies[k.bodyA];
    SolverBody& b = bodies[k.bodyB];
    Lanes va = lanes(a.linearVelocity), wa = lanes(a.angularVelocity);
    Lanes vb = lanes(b.linearVelocity), wb = lanes(b.angularVelocity);

    // Normal: the running total may only push.
    Lanes n = lanes(k.direction[0]);
    float speed = sum3(n * (va - vb) + lanes(k.armA[0]) * wa - lanes(k.armB[0]) * wb);
    float lambda = k.mass[0] * (k.bias - speed);
    float total = std::max(k.impulse[0] + lambda, 0.0f);
    lambda = total - k.impulse[0];
    k.impulse[0] = total;
    va += n * (lambda * k.inverseMassA);
    wa += lanes(k.turnA[0]) * lambda;
    vb -= n * (lambda * k.inverseMassB);
    wb -= lanes(k.turnB[0]) * lambda;
    float largest = std::fabs(lambda) * k.speedPerImpulse[0];

    // Friction, unless the cone is a point (the race's own car materials):
    // both directions together, the total scaled back onto the cone of the
    // friction coefficient times the normal impulse.
    if (k.friction != 0.0f) {
        Lanes u = lanes(k.direction[1]), v = lanes(k.direction[2]);
        Lanes dv = va - vb;
        float s0 = sum3(u * dv + lanes(k.armA[1]) * wa - lanes(k.armB[1]) * wb);
        float s1 = sum3(v * dv + lanes(k.armA[2]) * wa - lanes(k.armB[2]) * wb);
        float t0 = k.impulse[1] - k.mass[1] * s0;
        float t1 = k.impulse[2] - k.mass[2] * s1;
        float limit = k.friction * total;
        float len2 = t0 * t0 + t1 * t1;
        if (len2 > limit * limit) {
            float len = std::sqrt(len2);
            float scale = len > 0.0f ? limit / len : 0.0f;
            t0 *= scale;
            t1 *= scale;
        }
        float d0 = t0 - k.impulse[1], d1 = t1 - k.impulse[2];
        k.impulse[1] = t0;
        k.impulse[2] = t1;
        Lanes p = u * d0 + v * d1;
        va += p * k.inverseMassA;
        wa += lanes(k.turnA[1]) * d0 + lanes(k.turnA[2]) * d1;
        vb -= p * k.inverseMassB;
        wb -= lanes(k.turnB[1]) * d0 + lanes(k.turnB[2]) * d1;
        largest = std::max(
            largest, std::max(std::fabs(d0) * k.speedPerImpulse[1], std::fabs(d1) * k.speedPerImpulse[2]));
    }
    storeLanes(a.linearVelocity, va);
    storeLanes(a.angularVelocity, wa);
    storeLanes(b.linearVelocity, vb);
    storeLanes(b.angularVelocity, wb);
    return largest;
}

static bool anyNotNearZero(const Vector3& v) {
    return !isNearZero(v.x) || !isNearZero(v.y) || !isNearZero(v.z);
}

static bool finiteVector(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// The collision phase's entry points --------------------------------------------

void prepareContacts(PhysicsWorld* world, float dt) {
    CollisionState* cs = world->collision;
    if (!cs) return;
    cs->constraintCount = 0;
    cs->solverBodyCount = 1;
    SolverBody& still = cs->solverBodies[0];
    still.linearVelocity = Vector3();
    still.angularVelocity = Vector3();
    still.momentumChange = Vector3();
    still.body = nullptr;
    if (!(dt > 0.0f)) return;
    buildContactGroups(world);
    for (int i = 0; i < world->liveBodyCount; i++) cs->bodyInfo[world->liveBodies[i]->index].solverSlot = 0;
    for (int g = 0; g < cs->groupCount; g++) {
        ContactGroup& group = cs->groups[g];
        if (group.asleep || group.contactCount == 0) continue;
        wakeMixedGroup(world, group);
        orderStack(world, group);
        for (int i = 0; i < group.contactCount; i++)
            prepareContact(cs, cs->groupContacts[group.firstContact + i], dt);
    }
}

void solveContacts(PhysicsWorld* world, float dt) {
    CollisionState* cs = world->collision;
    if (!cs) return;
    // The bodies' velocities now include the sub-step's forces: copy them
    // in, iterate over every group's constraints (groups share no moving
    // body, so one sweep over all of them solves each group in its order),
    // and hand the result back.
    SolverBody* bodies = cs->solverBodies;
    for (int i = 1; i < cs->solverBodyCount; i++) {
        SolverBody& sb = bodies[i];
        sb.linearVelocity = sb.body->linearVelocity;
        sb.angularVelocity = sb.body->angularVelocity;
        sb.momentumChange = Vector3();
    }
    ContactConstraint* constraints = cs->constraints;
    const int count = cs->constraintCount;
    for (int it = 0; it < kIterations; it++) {
        float largest = 0.0f;
        for (int i = 0; i < count; i++) largest = std::max(largest, solveContact(constraints[i], bodies));
        // Warm started, a steady pile settles in a few sweeps; the rest
        // would only move impulses by less than the body could notice.
        if (largest < kConvergedSpeed) break;
    }
    // The angular momentum takes the same impulses: what each row added over
    // all iterations is its final total less the total it started from.
    for (int i = 0; i < count; i++) {
        const ContactConstraint& k = constraints[i];
        for (int row = 0; row < 3; row++) {
            float added = k.impulse[row] - k.warmImpulse[row];
            bodies[k.bodyA].momentumChange = bodies[k.bodyA].momentumChange + k.armA[row] * added;
            bodies[k.bodyB].momentumChange = bodies[k.bodyB].momentumChange + k.armB[row] * -added;
        }
    }
    for (int i = 1; i < cs->solverBodyCount; i++) {
        SolverBody& sb = bodies[i];
        RigidBody* body = sb.body;
        body->linearVelocity = sb.linearVelocity;
        body->angularVelocity = sb.angularVelocity;
        body->angularMomentum = body->angularMomentum + sb.momentumChange;
        // Never hand on a non-finite state: a body that got one stops.
        if (!finiteVector(body->linearVelocity) || !finiteVector(body->angularMomentum) ||
            !finiteVector(body->angularVelocity)) {
            body->linearVelocity = Vector3();
            body->angularMomentum = Vector3();
            body->angularVelocity = Vector3();
        }
    }
    for (int i = 0; i < count; i++) {
        const ContactConstraint& k = constraints[i];
        Contact& c = cs->contacts[k.contact];
        c.normalImpulse = k.impulse[0];
        c.tangentImpulse0 = k.impulse[1];
        c.tangentImpulse1 = k.impulse[2];
        float t = std::sqrt(k.impulse[1] * k.impulse[1] + k.impulse[2] * k.impulse[2]);
        if (k.impulse[0] > 0.0f && t > 0.0f && t >= kSlidingShare * k.friction * k.impulse[0]) {
            cs->bodyInfo[c.bodyA->index].sliding = true;
            if (c.bodyB) cs->bodyInfo[c.bodyB->index].sliding = true;
        }
    }
    // Sleep: an awake group sleeps when all its members have been still long
    // enough. A sleeping group is passed over, but re-examined in its turn,
    // once every few steps: it wakes when one of its contacts became active.
    int turn = world->stepCount % kGroupExaminePeriod;
    for (int g = 0; g < cs->groupCount; g++) {
        ContactGroup& group = cs->groups[g];
        RigidBody** members = cs->groupBodies + group.firstBody;
        if (!group.asleep) {
            // A body its controllers push (a car hanging on its wheel-ray
            // springs) would be woken again at the next sub-step, a sub-step
            // without gravity: such a group stays awake.
            bool anyAwake = false, pushed = false;
            for (int i = 0; i < group.bodyCount; i++) {
                anyAwake = anyAwake || members[i]->sleepState == kBodyAwake;
                pushed = pushed || anyNotNearZero(members[i]->appliedForce) ||
                         anyNotNearZero(members[i]->appliedTorque);
            }
            if (anyAwake && !pushed) sleepGroupIfAtRest(members, group.bodyCount, dt);
            continue;
        }
        if (g % kGroupExaminePeriod != turn) continue;
        bool active = false;
        for (int i = 0; i < group.bodyCount; i++)
            active = active || classifyContacts(world, members[i]) == kContactActive;
        if (!active) continue;
        for (int i = 0; i < group.bodyCount; i++) {
            if (members[i]->sleepState == kBodyAsleep) wakeBody(members[i]);
        }
    }
}
