// Internal records of the physics engine, shared by its own files only.
//
// Lifetime: everything here lives from createWorld to destroyWorld. Pools are
// fixed arrays carved out at creation with singly linked free lists; the only
// later allocations are the terrain copies and the terrain's search tree.
//
// The engine is split in two halves that meet at the collision interface
// declared at the end of this file: the core (world, bodies, integration, sleep) and
// the collision half (broad phase, terrain tree, narrow phase, contacts,
// solver), which owns everything behind PhysicsWorld::collision.
#pragma once

#include <cstdarg>

#include "physics/physics.h"

// Shape kind codes stored with every geometry.
enum GeometryKind {
    kGeometryBox = 3,
    kGeometrySphere = 4,   // known to the reach rule only; never created
    kGeometryCapsule = 5,  // known to the reach rule only; never created
    kGeometryTerrain = 6,
};

enum BodyKind {
    kBodyRigid = 0,
    kBodyParticle = 1,
    kBodyAnimated = 2,
};

// The third state is skipped like a sleeping body but nothing wakes it.
enum SleepState {
    kBodyAwake = 0,
    kBodyAsleep = 1,
    kBodyDisabled = 2,
};

// What a body's current contacts say about putting it to sleep (answered by
// the collision half through classifyContacts).
enum ContactClass {
    kContactNone = 0,      // no contacts: the rest counter leaves the body awake
    kContactResting = 1,   // steady support: sleep as soon as the rest counter passes 10
    kContactSettling = 2,  // sleep once the rest counter passes 100
    kContactActive = 3,    // stays awake; a sleeping body in this class wakes
};

constexpr int kMaterialCount = 256;
constexpr int kVelocityRingSize = 10;
constexpr int kMessageBufferSize = 256;
constexpr float kLinearSleepThreshold = 0.2f;
// Squared speeds (|v|² + |ω|²) at which a sleeping body wakes and beyond which
// the rest counter looks at the velocity history.
constexpr float kRestSpeedSquared = 1.0f;
// Sub-steps a body must have spent awake before the group test lets it sleep.
constexpr int kSleepTestSubSteps = 60;

struct Material {
    float friction;
    float restitution;
    float third;  // not read by the contact response
};

struct Geometry {
    RigidBody* body;  // owner; null for the world's terrain geometry
    Geometry* next;   // next geometry of the same body, or next free one
    int kind;         // GeometryKind
    int material;     // 0..255
    Vector3 halfExtents;
    Transform local;  // shape frame in the body frame
    Transform world;  // shape frame in the world, refreshed in the bounds phase of awake bodies
    int index;        // slot in the geometry pool
};

struct Sensor {
    RigidBody* body;
    Sensor* next;       // next sensor of the same body, or next free one
    Vector3 origin;     // body frame
    Vector3 ray;        // body frame; its length is the reach
    Vector3 direction;  // unit, or zero for a zero ray
    float length;
    // Results of the last cast; cleared after the body's controllers ran.
    float hitDepth;
    Vector3 hitNormal;  // frame of the geometry hit (world frame for the terrain)
    Vector3 hitPoint;   // world frame
    int hitMaterial;    // −1 when nothing was hit
    const Geometry* hitGeometry;
    int index;
};

struct Controller {
    RigidBody* body;
    Controller* next;
    ControllerListener* listener;
    int period;
    int countdown;
    Vector3 force;  // world space, added to the body's applied force at every visit
    Vector3 torque;
    int index;
};

struct RigidBody {
    PhysicsWorld* world;
    RigidBody* nextFree;
    int index;  // slot in the world's body array (rigid, then animated, then particles)
    int kind;   // BodyKind
    bool inUse;

    // Motion state. rotation is toMatrix(orientation) except right after
    // setRotation, which stores the caller's matrix unchanged.
    Vector3 position;
    Quaternion orientation;
    Matrix3 rotation;
    Vector3 linearVelocity;
    Vector3 angularMomentum;
    Vector3 angularVelocity;
    Quaternion orientationRate;  // q̇ = ½·ω⊗q

    float mass;
    float inverseMass;
    Vector3 inertia;              // diagonal, body frame
    Matrix3 inverseInertia;       // body frame
    Matrix3 worldInverseInertia;  // for the current rotation; symmetric

    // Forces. gravityForce is m·g, recomputed at the end of every integrated
    // sub-step (zero while asleep); applied* collect the controllers'
    // contributions for the next sub-step.
    bool gravityEnabled;
    Vector3 gravityForce;
    Vector3 appliedForce;
    Vector3 appliedTorque;
    Vector3 forceSum;      // cleared after the collision phase of each sub-step
    Vector3 acceleration;  // F/m of the last force application

    // Sleep.
    int sleepState;  // SleepState
    float linearSleepThreshold;
    int subStepsSinceWake;
    int restCounter;
    Vector3 snapshotPosition;  // taken at the last wake
    Quaternion snapshotOrientation;
    Vector3 snapshotLinearVelocity;
    Vector3 snapshotAngularVelocity;
    // Rings indexed by the world's step count modulo 10: all sub-steps of one
    // step write the same slot, and the last one's value stays.
    Vector3 velocityChangeRing[kVelocityRingSize];
    Vector3 linearVelocityRing[kVelocityRingSize];
    Vector3 angularVelocityRing[kVelocityRingSize];

    // Bounds: the reach from the position that any geometry or sensor ray can
    // touch, and the world box derived from it in the bounds phase.
    float extent;
    Vector3 boundsMin;
    Vector3 boundsMax;

    void* userData;
    int collideConnected;
    int connectedGroup;    // −1: belongs to no connected group
    int broadphaseHandle;  // owned by the broad phase; −1 until it sees the body

    Geometry* firstGeometry;
    Geometry* lastGeometry;
    Sensor* firstSensor;
    Sensor* lastSensor;
    Sensor* sensorCursor;  // next sensor nextSensor returns
    Controller* firstController;
    Controller* lastController;
};

// The collision half's state (broad phase, pairs, contacts, solver buffers,
// terrain tree); defined and owned by the collision files.
struct CollisionState;

struct PhysicsWorld {
    WorldSizes sizes;  // as given, negative counts raised to 0
    PhysicsAllocator* allocator;

    Vector3 gravity;
    Vector3 gravityDirection;   // unit, or zero without gravity
    float supportAcceleration;  // 0.3·|gravity|, for the contact classification
    float restSpeedSquared;     // kRestSpeedSquared

    Material materials[kMaterialCount];

    // Bodies: one array of rigidBodiesCount + animatedBodiesCount +
    // rigidParticleCount slots, with a free list per kind. liveBodies lists
    // the bodies in creation order; every per-body loop walks it.
    RigidBody* bodies;
    int bodyCapacity;
    RigidBody* freeRigidBodies;
    RigidBody* freeAnimatedBodies;
    RigidBody* freeParticles;
    RigidBody** liveBodies;
    int liveBodyCount;

    Geometry* geometries;
    Geometry* freeGeometries;
    Sensor* sensors;
    Sensor* freeSensors;
    Controller* controllers;
    Controller* freeControllers;

    // The terrain: the world's own copies of the mesh (triangles with
    // out-of-range indices dropped, materials out of 0..255 set to 0), their
    // bounds, and the one triangle-mesh geometry that stands for them.
    Vector3* terrainVertices;
    int terrainVertexCount;
    MeshTriangle* terrainTriangles;
    int terrainTriangleCount;
    Vector3 terrainMin;
    Vector3 terrainMax;
    Geometry terrainGeometry;  // kind kGeometryTerrain, body null, identity transforms
    bool hasTerrain;

    CollisionState* collision;

    PhysicsMessageSink messageSink;
    void* messageUser;
    int messageLevel;
    char messageBuffer[kMessageBufferSize];

    int stepCount;               // completed step calls
    float subStepTime;           // dt of the sub-step in progress
    StepStatistics* statistics;  // the caller's record during step, else null
};

// ---------------------------------------------------------------------------
// Core services the collision half may use
// ---------------------------------------------------------------------------

// Formats into the world's message buffer and hands it to the sink when one
// is set and the message level is at least 1.
void reportMessage(PhysicsWorld* world, const char* format, ...) __attribute__((format(printf, 2, 3)));

// From the world's allocator; null on failure. Only at creation (and for the
// terrain) by the rule of no allocation while stepping.
void* worldAllocate(PhysicsWorld* world, size_t size);
void worldFree(PhysicsWorld* world, void* block);

// Reach of one geometry from its body's reference point: box |half extents| +
// |local offset|; unknown kinds print an error and give 0.
float geometryExtent(const Geometry* geometry);
// Refreshes a body's world box and its geometries' world transforms.
void updateBodyBounds(RigidBody* body);

// Rigid bodies and particles move under forces; animated bodies do not.
// Inline: the contact loops ask it for every point.
inline bool isDynamic(const RigidBody* body) {
    return body->kind == kBodyRigid || body->kind == kBodyParticle;
}
// State awake, sub-step count and rest counter 0, snapshot retaken.
void wakeBody(RigidBody* body);
// State asleep, motion zeroed, gravity force zero.
void sleepBody(RigidBody* body);
// The per-body part of the group sleep test (dt the sub-step length).
bool passesSleepTest(const RigidBody* body, float dt);
// Puts a group of bodies joined by contacts or joints to sleep when every
// dynamic member passes the test; returns whether it did. An isolated body
// is a group of one.
bool sleepGroupIfAtRest(RigidBody* const* members, int count, float dt);

// World-space inverse inertia for a rotation (row-vector convention):
// Rᵀ·I⁻¹·R, which maps angular momentum to angular velocity.
Matrix3 worldInverseInertia(const Matrix3& rotation, const Matrix3& inverseInertia);
// a·s + b, component-wise on the quaternion.
Quaternion quaternionAddScaled(const Quaternion& a, const Quaternion& rate, float s);
Quaternion normalisedQuaternion(const Quaternion& q);
// Quaternion derived from a rotation matrix, largest component first.
Quaternion quaternionFromMatrix(const Matrix3& m);

// Clears depth, normal, point, material and geometry of one sensor.
void clearSensorResult(Sensor* sensor);

// ---------------------------------------------------------------------------
// The collision interface: the collision half's entry points for the core
// (state and phase in collision_state.cpp). The core calls them in this order.
// ---------------------------------------------------------------------------

// createWorld, after the core pools: allocate world->collision and every
// collision pool (overlap pairs, constraints, contact groups, contact points,
// stacking buffer) from world->sizes with worldAllocate. false fails the
// whole creation. destroyCollisionState releases it (also after a failed or
// partial create; world->collision may be null).
bool createCollisionState(PhysicsWorld* world);
void destroyCollisionState(PhysicsWorld* world);

// setTerrainMesh, after the copies in world->terrain* are in place (and
// before that, releaseTerrainTree for the mesh being replaced). The tree
// lives in the collision state.
void buildTerrainTree(PhysicsWorld* world);
void releaseTerrainTree(PhysicsWorld* world);

// Sub-step phase 3, after the bounds of awake bodies were updated: broad
// phase, contact generation and the sensor casts (each sensor keeps its
// deepest hit). Bodies created since the last call have broadphaseHandle −1.
void collideWorld(PhysicsWorld* world);

// Sub-step phase 4, before the core applies forces to velocities.
void prepareContacts(PhysicsWorld* world, float dt);

// Sub-step phase 4, after force application: solve contacts and joints, then
// run the group sleep test (sleepGroupIfAtRest) over the groups joined by
// contacts, isolated awake bodies being groups of one; groups whose members
// all sleep are passed over, and each group is re-examined once every 5 steps.
void solveContacts(PhysicsWorld* world, float dt);

// For the rest counter (sub-step phase 5) and for sleeping bodies (phase 4).
ContactClass classifyContacts(const PhysicsWorld* world, const RigidBody* body);
