// The collision half's records: broad phase, contacts of the sub-step,
// groups and the solver's buffers. Everything is carved out of the world's
// allocator in createCollisionState and sized from WorldSizes; nothing grows
// while stepping.
#pragma once

#include "physics/collide.h"
#include "physics/physics_local.h"
#include "physics/terrain_tree.h"

// Broad phase ------------------------------------------------------------------

struct OverlapPair {
    int a, b;  // object numbers, a < b
    int prev, next;
    bool inUse;
};

struct BroadphaseEndpoint {
    float value;
    int data;  // object number * 2 + 1 for a maximum, + 0 for a minimum
};

constexpr int kCollisionGroups = 64;
constexpr int kAxisMaskAll = 7;

struct Broadphase {
    int objectCount;     // numbers 0 .. objectCount−1 are body slots
    int tableDimension;  // rigid and animated slots; particles lie beyond
    int axisMask;
    // Per axis the sorted end points of the objects inserted so far.
    BroadphaseEndpoint* axes[3];
    int endpointCount;
    bool* inserted;
    unsigned char* groups;  // collision group number of each object, 0..63
    bool* particles;
    // One byte per pair, a bit per axis on which the intervals overlap: a
    // triangular table for pairs below the dimension, a rectangular one for
    // a particle against a rigid or animated slot.
    unsigned char* triangleBytes;
    unsigned char* rectangleBytes;
    int* triangleRecords;  // record of a full pair, −1 for none
    int* rectangleRecords;
    OverlapPair* pairs;
    int pairCapacity;
    int freePair;
    int firstActive;
    int activeCount;
    int droppedPairs;  // full pairs left without a record by an exhausted pool
    unsigned char filter[kCollisionGroups][kCollisionGroups];
};

// Contacts ----------------------------------------------------------------------

// One contact point as the solver holds it. bodyB null: the static terrain.
struct Contact {
    RigidBody* bodyA;
    RigidBody* bodyB;
    int keyA, keyB;    // geometry slots; keyB −1 for the terrain
    Vector3 position;  // world
    Vector3 normal;    // from B towards A
    Vector3 localA;    // position in A's body frame, to recognise the point next sub-step
    float depth;
    float friction, restitution;
    // What the solver leaves for the next sub-step (its working rows are the
    // ContactConstraints).
    Vector3 rA, rB;
    Vector3 tangent0, tangent1;
    Vector3 carriedFriction;  // last sub-step's friction impulse as a world vector
    float normalImpulse;      // accumulated, >= 0
    float tangentImpulse0, tangentImpulse1;
    int stackLevel;
};

// The solver's copy of a moving body's velocities while it iterates. Slot 0
// stands for everything that does not move (the terrain, sleeping and
// animated bodies): no mass to push, zero velocity.
struct SolverBody {
    Vector3 linearVelocity;
    Vector3 angularVelocity;
    Vector3 momentumChange;  // Σ r × p of this solve, added to the angular momentum after it
    RigidBody* body;         // null for slot 0
};

// One contact as the iterations see it, everything that does not change
// between iterations worked out once per sub-step. Row 0 is the normal, rows
// 1 and 2 the friction directions. arm = r × direction (angular impulse per
// unit impulse), turn = world inverse inertia · arm (the angular velocity it
// causes); B's are for the impulse B receives with the opposite sign.
struct ContactConstraint {
    int bodyA, bodyB;  // solver body slots
    float inverseMassA, inverseMassB;
    Vector3 direction[3];
    Vector3 armA[3], turnA[3];
    Vector3 armB[3], turnB[3];
    float mass[3];             // effective mass along each row
    float speedPerImpulse[3];  // its inverse: the speed one unit of impulse makes along the row
    float impulse[3];          // running totals
    float warmImpulse[3];      // the totals the iterations started from
    float bias;
    float friction;
    int contact;  // index in CollisionState::contacts
};

// Per-body figures of the last contact generation, for the sleep tests.
struct BodyContactInfo {
    int count;
    int supports;  // contacts whose normal holds the body up against gravity
    float maxDepth;
    float maxApproach;    // fastest closing speed at a contact
    int dynamicPartners;  // contacts with other dynamic bodies
    bool sliding;         // a contact's friction reached its cone in the last solve
    int group;            // group index this sub-step, −1 for none
    int stackLevel;
    int solverSlot;  // in CollisionState::solverBodies this sub-step, 0 when it does not move
};

struct ContactGroup {
    int firstBody;  // range in CollisionState::groupBodies
    int bodyCount;
    int firstContact;  // range in CollisionState::groupContacts
    int contactCount;
    bool asleep;
};

struct CollisionState {
    Broadphase broadphase;
    TerrainTree terrain;
    bool hasTree;

    // Contacts of this sub-step and of the previous one (for warm starting).
    Contact* contacts;
    int contactCount;
    Contact* previous;
    int previousCount;
    int contactCapacity;
    bool reportedContactsFull;
    // The range of previous contacts of the body pair last looked up.
    const RigidBody* matchBodyA;
    const RigidBody* matchBodyB;
    int matchFirst, matchEnd;

    // Scratch for one shape pair: raw points before reduction.
    ContactPoint* points;
    int pointCapacity;
    int* triangleScratch;
    int triangleScratchCapacity;

    BodyContactInfo* bodyInfo;  // indexed by body slot
    int bodyCapacity;

    // Groups: union-find parents by body slot, then the grouped lists.
    int* parent;
    ContactGroup* groups;
    int groupCount;
    int groupCapacity;
    RigidBody** groupBodies;
    int* groupContacts;
    int* stacking;  // the solver's stacking buffer (body slots in stack order)
    int stackingCapacity;

    // The solver's working set, rebuilt every sub-step: bodies (slot 0 the
    // immovable one) and constraints in solving order, group by group.
    SolverBody* solverBodies;  // bodyCapacity + 1
    int solverBodyCount;
    ContactConstraint* constraints;  // contactCapacity
    int constraintCount;
};

// Broad phase (broadphase.cpp)
bool createBroadphase(PhysicsWorld* world, Broadphase* bp);
void destroyBroadphase(PhysicsWorld* world, Broadphase* bp);
// Inserts the bodies not seen yet, re-sorts every axis and keeps the pair
// records in step with the pair bytes.
void updateBroadphase(PhysicsWorld* world, Broadphase* bp);
// The pair byte of two object numbers (0 for two particles or a bad number).
unsigned char pairByte(const Broadphase& bp, int a, int b);
int pairRecord(const Broadphase& bp, int a, int b);
void setCollisionGroup(PhysicsWorld* world, const RigidBody* body, int group);
void setCollisionFilter(PhysicsWorld* world, int groupA, int groupB, bool collide);

// Narrow phase (narrowphase.cpp). generateContacts also casts the sensors
// of awake bodies against the terrain (one tree query per body serves both);
// castSensorsOnBodies casts them against the other bodies' boxes, and
// castSensors does all casts on their own.
void generateContacts(PhysicsWorld* world);
void castSensorsOnBodies(PhysicsWorld* world);
void castSensors(PhysicsWorld* world);
CollisionBox geometryBox(const Geometry* geometry);

// Solver (solver.cpp)
void buildContactGroups(PhysicsWorld* world);
