// Contact bookkeeping between sub-steps and the contact classification the
// sleep tests ask for.
#include "physics/contacts.h"

#include <cmath>

static const char kContactsFullMessage[] = "Run out of Constraints. Increase 'constraintsCount'.\n";
// A point found again within this distance (in the body's own frame) is the
// same point as last sub-step and starts from its impulses.
static const float kMatchDistanceSquared = 0.05f * 0.05f;
// Beyond this overlap or closing speed a contact keeps its bodies awake.
static const float kActiveDepth = 0.1f;
static const float kActiveApproach = 1.0f;
// A contact whose normal is at least this much against gravity holds a body up.
static const float kSupportCosine = 0.5f;
// Below this |v|² + |ω|² a supported body counts as standing still.
static const float kStillSpeedSquared = 0.01f;

void beginContacts(PhysicsWorld* world, CollisionState* cs) {
    (void)world;
    Contact* t = cs->previous;
    cs->previous = cs->contacts;
    cs->previousCount = cs->contactCount;
    cs->contacts = t;
    cs->contactCount = 0;
    cs->reportedContactsFull = false;
    cs->matchBodyA = nullptr;
    cs->matchBodyB = nullptr;
    cs->matchFirst = 0;
    cs->matchEnd = 0;
}

static Vector3 toBodyFrame(const RigidBody* body, const Vector3& p) {
    Vector3 d = p - body->position;
    return Vector3(dot(d, body->rotation.rows[0]), dot(d, body->rotation.rows[1]),
                   dot(d, body->rotation.rows[2]));
}

static Contact* takeContact(PhysicsWorld* world, CollisionState* cs) {
    if (cs->contactCount >= cs->contactCapacity) {
        if (!cs->reportedContactsFull) reportMessage(world, "%s", kContactsFullMessage);
        cs->reportedContactsFull = true;
        return nullptr;
    }
    return &cs->contacts[cs->contactCount++];
}

// Last sub-step's contacts of one body pair lie side by side (a pair's
// points are added together), and pairs come in nearly the same order every
// sub-step: the search starts where the last pair's range ended.
static void previousPairRange(CollisionState* cs, const RigidBody* a, const RigidBody* b, int* first,
                              int* end) {
    if (cs->matchBodyA == a && cs->matchBodyB == b) {
        *first = cs->matchFirst;
        *end = cs->matchEnd;
        return;
    }
    int n = cs->previousCount;
    int start = cs->matchEnd < n ? cs->matchEnd : 0;
    int found = -1;
    for (int k = 0; k < n && found < 0; k++) {
        int i = start + k < n ? start + k : start + k - n;
        if (cs->previous[i].bodyA == a && cs->previous[i].bodyB == b) found = i;
    }
    if (found < 0) {
        *first = *end = 0;
    } else {
        // Back to the start of the run (the search may have wrapped into its middle), then to its end.
        while (found > 0 && cs->previous[found - 1].bodyA == a && cs->previous[found - 1].bodyB == b) found--;
        int last = found;
        while (last < n && cs->previous[last].bodyA == a && cs->previous[last].bodyB == b) last++;
        *first = found;
        *end = last;
    }
    cs->matchBodyA = a;
    cs->matchBodyB = b;
    cs->matchFirst = *first;
    cs->matchEnd = *end;
}

void addContact(PhysicsWorld* world, CollisionState* cs, RigidBody* a, RigidBody* b, int keyA, int keyB,
                const ContactPoint& point, const Material& ma, const Material& mb) {
    Contact* c = takeContact(world, cs);
    if (!c) return;
    c->bodyA = a;
    c->bodyB = b;
    c->keyA = keyA;
    c->keyB = keyB;
    c->position = point.position;
    c->normal = point.normal;
    c->depth = point.depth;
    c->localA = toBodyFrame(a, point.position);
    c->friction = 0.5f * (ma.friction + mb.friction);
    c->restitution = 0.5f * (ma.restitution + mb.restitution);
    c->normalImpulse = 0.0f;
    c->tangentImpulse0 = 0.0f;
    c->tangentImpulse1 = 0.0f;
    c->tangent0 = Vector3();
    c->tangent1 = Vector3();
    c->carriedFriction = Vector3();
    c->stackLevel = 0;
    // Warm start from the nearest same-pair point of the last sub-step.
    float best = kMatchDistanceSquared;
    const Contact* match = nullptr;
    int first, end;
    previousPairRange(cs, a, b, &first, &end);
    for (int i = first; i < end; i++) {
        const Contact& p = cs->previous[i];
        if (p.keyA != keyA || p.keyB != keyB || p.bodyA != a || p.bodyB != b) continue;
        Vector3 d = p.localA - c->localA;
        float q = dot(d, d);
        if (q < best) {
            best = q;
            match = &p;
        }
    }
    if (match) {
        c->normalImpulse = match->normalImpulse;
        // The tangent frame may have turned: carry the friction impulse as a
        // world vector and let prepare project it on the new frame.
        c->carriedFriction =
            match->tangent0 * match->tangentImpulse0 + match->tangent1 * match->tangentImpulse1;
    }
}

void carryOverSleepingContacts(PhysicsWorld* world, CollisionState* cs) {
    for (int i = 0; i < cs->previousCount; i++) {
        const Contact& p = cs->previous[i];
        bool aSleeps = p.bodyA->sleepState != kBodyAwake;
        bool bSleeps = !p.bodyB || p.bodyB->sleepState != kBodyAwake;
        if (!aSleeps || !bSleeps) continue;
        Contact* c = takeContact(world, cs);
        if (!c) return;
        *c = p;
    }
}

void summariseBodyContacts(PhysicsWorld* world, CollisionState* cs) {
    for (int i = 0; i < world->liveBodyCount; i++) {
        BodyContactInfo& info = cs->bodyInfo[world->liveBodies[i]->index];
        info.count = 0;
        info.supports = 0;
        info.maxDepth = 0.0f;
        info.maxApproach = 0.0f;
        info.dynamicPartners = 0;
        info.sliding = false;
    }
    Vector3 up = world->gravityDirection * -1.0f;
    for (int i = 0; i < cs->contactCount; i++) {
        const Contact& c = cs->contacts[i];
        Vector3 va = velocityAtOffset(c.bodyA, c.position - c.bodyA->position);
        Vector3 vb = c.bodyB ? velocityAtOffset(c.bodyB, c.position - c.bodyB->position) : Vector3();
        float approach = -dot(va - vb, c.normal);
        for (int side = 0; side < 2; side++) {
            RigidBody* body = side == 0 ? c.bodyA : c.bodyB;
            if (!body) continue;
            BodyContactInfo& info = cs->bodyInfo[body->index];
            info.count++;
            float along = dot(c.normal, up) * (side == 0 ? 1.0f : -1.0f);
            if (along >= kSupportCosine) info.supports++;
            if (c.depth > info.maxDepth) info.maxDepth = c.depth;
            if (approach > info.maxApproach) info.maxApproach = approach;
            if (c.bodyB && isDynamic(side == 0 ? c.bodyB : c.bodyA)) info.dynamicPartners++;
        }
    }
}

// No contact leaves the rest counter without a verdict; a deep, closing or
// sliding contact keeps the body awake; a body standing still on the terrain
// may sleep at once, while one that still creeps (starting to tip or slide)
// or is held by other bodies waits longer, so a stack settles as a whole
// before its members drop out one by one.
ContactClass classifyContacts(const PhysicsWorld* world, const RigidBody* body) {
    const CollisionState* cs = world->collision;
    if (!cs || !body || body->index < 0 || body->index >= cs->bodyCapacity) return kContactNone;
    const BodyContactInfo& info = cs->bodyInfo[body->index];
    if (info.count == 0) return kContactNone;
    if (info.maxDepth > kActiveDepth || info.maxApproach > kActiveApproach || info.sliding)
        return kContactActive;
    float motion =
        dot(body->linearVelocity, body->linearVelocity) + dot(body->angularVelocity, body->angularVelocity);
    if (info.supports > 0 && info.dynamicPartners == 0 && motion < kStillSpeedSquared) return kContactResting;
    return kContactSettling;
}
