// Rigid-body physics engine and the vector math the game shares with it.
//
// The engine owns one kind of object, the PhysicsWorld, created with fixed
// capacities (WorldSizes) and released as a whole with destroyWorld. Bodies,
// geometries, sensors and controllers come from the world's pools and live
// until the world is destroyed; nothing is freed individually and nothing is
// allocated after createWorld except the copies setTerrainMesh keeps.
//
// Invariants the game relies on:
// - all arithmetic is 32-bit float; the engine is built with -ffp-contract=off
//   so a run gives the same bits on every build;
// - matrices use the row-vector convention: row i of a Matrix3 is local axis i
//   in the parent frame, and a local direction v maps to v·M;
// - a body's quaternion and matrix are kept in step by the engine;
// - sensor results are meaningful only inside ControllerListener::onControl.
//
// The engine includes nothing of the game; the game reaches it only through
// the operations below. Everything runs on the caller's one thread.
#pragma once

#include <cstddef>

// ---------------------------------------------------------------------------
// Math
// ---------------------------------------------------------------------------

// A float counts as zero when |x| < 1e-6; a NaN counts as zero too, since it
// is not >= 1e-6 in magnitude.
inline bool isNearZero(float x) {
    return !(x >= 1e-6f || x <= -1e-6f);
}

// Three meaningful floats and a fourth, w, that only keeps every vector,
// matrix row and position the same width (arrays have a stride of 4 floats).
// No operation reads w as part of the value.
struct Vector3 {
    float x, y, z, w;

    Vector3() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
    Vector3(float ax, float ay, float az) : x(ax), y(ay), z(az), w(0.0f) {}

    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    void setZero() {
        x = 0.0f;
        y = 0.0f;
        z = 0.0f;
    }
    Vector3& operator+=(const Vector3& b) {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    Vector3& operator-=(const Vector3& b) {
        x -= b.x;
        y -= b.y;
        z -= b.z;
        return *this;
    }
    Vector3& operator*=(float s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
};
static_assert(sizeof(Vector3) == 4 * sizeof(float), "Vector3 has a stride of four floats");

inline Vector3 operator+(const Vector3& a, const Vector3& b) {
    return Vector3(a.x + b.x, a.y + b.y, a.z + b.z);
}
inline Vector3 operator-(const Vector3& a, const Vector3& b) {
    return Vector3(a.x - b.x, a.y - b.y, a.z - b.z);
}
inline Vector3 operator-(const Vector3& a) {
    return Vector3(-a.x, -a.y, -a.z);
}
inline Vector3 operator*(const Vector3& a, float s) {
    return Vector3(a.x * s, a.y * s, a.z * s);
}
inline Vector3 operator*(float s, const Vector3& a) {
    return Vector3(a.x * s, a.y * s, a.z * s);
}

inline float dot(const Vector3& a, const Vector3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline Vector3 cross(const Vector3& a, const Vector3& b) {
    Vector3 r(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
    r.w = 0.0f;
    return r;
}

// 0 for any vector shorter than 0.001 (its squared length is near zero).
float length(const Vector3& a);
// In place; a vector of length 0 by the rule above becomes (0, 0, 0), never a
// unit vector, so callers must be ready for a zero result.
void normalise(Vector3& a);
// Signed ground-plane (x-z) angle from direction a to direction b, in -pi..pi,
// positive to the left of a (towards -z when a is +x). |result| < pi/2 means
// b points forwards of a; 0 when either has no length.
float headingAngle(const Vector3& a, const Vector3& b);

// The part of a along the unit direction b (b is not normalised here).
inline Vector3 project(const Vector3& a, const Vector3& b) {
    return b * dot(a, b);
}
// In place: a loses its part along the unit direction b. Returns a.
inline Vector3& removeComponent(Vector3& a, const Vector3& b) {
    a -= b * dot(a, b);
    return a;
}

// Rows are the images of the local axes in the parent frame. The default
// constructor gives the identity.
struct Matrix3 {
    Vector3 rows[3];

    Matrix3() : rows{Vector3(1.0f, 0.0f, 0.0f), Vector3(0.0f, 1.0f, 0.0f), Vector3(0.0f, 0.0f, 1.0f)} {}
    Matrix3(const Vector3& r0, const Vector3& r1, const Vector3& r2) { setRows(r0, r1, r2); }

    static Matrix3 identity() { return Matrix3(); }

    Vector3& operator[](int i) { return rows[i]; }
    const Vector3& operator[](int i) const { return rows[i]; }

    void setRows(const Vector3& r0, const Vector3& r1, const Vector3& r2) {
        rows[0] = r0;
        rows[1] = r1;
        rows[2] = r2;
    }
};
static_assert(sizeof(Matrix3) == 12 * sizeof(float), "Matrix3 is three Vector3 rows");

// v·M = v.x·row0 + v.y·row1 + v.z·row2: a local direction in the parent frame.
inline Vector3 rotate(const Vector3& v, const Matrix3& m) {
    return Vector3(v.x * m.rows[0].x + v.y * m.rows[1].x + v.z * m.rows[2].x,
                   v.x * m.rows[0].y + v.y * m.rows[1].y + v.z * m.rows[2].y,
                   v.x * m.rows[0].z + v.y * m.rows[1].z + v.z * m.rows[2].z);
}

// (A·B)[i][j] = Σk A[i][k]·B[k][j]: row i of A rotated by B. Rows' w = 0.
inline Matrix3 operator*(const Matrix3& a, const Matrix3& b) {
    return Matrix3(rotate(a.rows[0], b), rotate(a.rows[1], b), rotate(a.rows[2], b));
}

Matrix3 transpose(const Matrix3& m);

// Angles in radians (elements 0, 1, 2): a vector is turned about X first,
// then Y, then Z. Result Rx·(Ry·Rz).
Matrix3 fromEulerXYZ(const Vector3& angles);

// Rotation rows followed by the position (w = 1): exactly an OpenGL 4×4
// matrix in its column-major element order, so the renderer loads
// `&t.rotation.rows[0].x` directly. The default constructor gives the identity.
struct Transform {
    Matrix3 rotation;
    Vector3 position;

    Transform() : rotation(), position(0.0f, 0.0f, 0.0f) { position.w = 1.0f; }

    static Transform identity() { return Transform(); }

    const float* elements() const { return &rotation.rows[0].x; }
};
static_assert(sizeof(Transform) == 16 * sizeof(float), "Transform is sixteen floats");
static_assert(offsetof(Transform, position) == 12 * sizeof(float), "position is the fourth column");

// v·R + p.
inline Vector3 transformPoint(const Transform& t, const Vector3& v) {
    return rotate(v, t.rotation) + t.position;
}

// The transform that first applies b and then a: a child frame b given
// relative to a, expressed in a's parent frame. The w components of the
// result carry no meaning.
Transform compose(const Transform& a, const Transform& b);

// Scalar part last; orientations are unit length. The default constructor
// gives the identity (0, 0, 0, 1).
struct Quaternion {
    float x, y, z, w;

    Quaternion() : x(0.0f), y(0.0f), z(0.0f), w(1.0f) {}
    Quaternion(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}

    static Quaternion identity() { return Quaternion(); }
};
static_assert(sizeof(Quaternion) == 4 * sizeof(float), "Quaternion is four floats");

// Hamilton product a⊗b (a the left factor), computed with eight
// multiplications; equal to the plain formula up to rounding.
Quaternion operator*(const Quaternion& a, const Quaternion& b);

// Rotation rows in the row-vector convention (the transpose of the usual
// column-vector matrix).
Matrix3 toMatrix(const Quaternion& q);

// The renderer's 4×4 matrix in OpenGL element order; its other operations
// belong to the renderer.
struct Matrix4 {
    float m[16];

    Matrix4() : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}
};
static_assert(sizeof(Matrix4) == 16 * sizeof(float), "Matrix4 is sixteen floats");

// ---------------------------------------------------------------------------
// World
// ---------------------------------------------------------------------------

struct PhysicsWorld;
struct RigidBody;  // RigidParticle and AnimatedBody share this record
struct Geometry;
struct Sensor;
struct Controller;

// Capacities of a world's pools, fixed at creation. The field names are the
// ones the pool messages ask the caller to increase.
struct WorldSizes {
    int rigidBodiesCount;     // RigidBody pool
    int animatedBodiesCount;  // AnimatedBody pool
    int rigidParticleCount;   // RigidParticle pool
    int constraintSetsCount;  // Controller records (and joint sets)
    int overlapPairsCount;    // broad-phase overlap pairs: n·(n − 1)/2 among n objects
    int geometriesCount;      // Geometry pool
    int constraintsCount;     // contact constraints the solver may hold
    int contactGroupsCount;   // groups of bodies joined by contacts
    int contactPointsCount;   // contact points generated per sub-step
    int sensorsCount;         // Sensor pool
    int stackingCount;        // the solver's stacking buffer
    int reservedCount;        // unused; kept so the record has its twelve fields

    WorldSizes()
        : rigidBodiesCount(50),
          animatedBodiesCount(50),
          rigidParticleCount(50),
          constraintSetsCount(50),
          overlapPairsCount(1225),
          geometriesCount(50),
          constraintsCount(100),
          contactGroupsCount(100),
          contactPointsCount(2000),
          sensorsCount(100),
          stackingCount(200),
          reservedCount(-1) {}
};
static_assert(sizeof(WorldSizes) == 12 * sizeof(int), "WorldSizes is twelve 32-bit integers");

// Where the world takes its memory from; createWorld with a null allocator
// uses malloc and free. A caller's allocator must outlive the world.
class PhysicsAllocator {
  public:
    virtual ~PhysicsAllocator() {}
    virtual void* allocate(size_t size) = 0;
    virtual void free(void* block) = 0;
};

// Receives the world's messages (pool exhaustion and the like), already
// formatted and ending in a newline.
typedef void (*PhysicsMessageSink)(const char* message, void* user);

// One face of the terrain mesh: three vertex indices, the face's material
// and two words the game leaves at 0.
struct MeshTriangle {
    int vertices[3];
    int material;
    int flags;
    int reserved;

    MeshTriangle() : vertices{-1, -1, -1}, material(0), flags(0), reserved(0) {}
};
static_assert(sizeof(MeshTriangle) == 6 * 4, "MeshTriangle is six 32-bit words");

// The caller's terrain arrays; setTerrainMesh copies them.
struct TerrainMesh {
    const Vector3* vertices;
    int vertexCount;
    const MeshTriangle* triangles;
    int triangleCount;

    TerrainMesh() : vertices(nullptr), vertexCount(0), triangles(nullptr), triangleCount(0) {}
};

// Filled by step when the caller passes one.
struct StepStatistics {
    int subSteps;          // sub-steps run
    int bodiesIntegrated;  // awake bodies integrated, summed over the sub-steps
    int overlapPairs;      // broad-phase pairs in use after the last sub-step
    int contacts;          // contact points generated, summed over the sub-steps
};

// Called by the engine's controllers once every (period + 1) sub-steps.
class ControllerListener {
  public:
    virtual ~ControllerListener() {}
    virtual void onControl(Controller* controller) { (void)controller; }
};

// Pools are allocated here from the sizes (negative counts count as 0).
// gravity null means no gravity. Returns null when memory runs out.
PhysicsWorld* createWorld(const WorldSizes& sizes, PhysicsAllocator* allocator, const Vector3* gravity);
// Releases the world and everything in its pools; null is ignored.
void destroyWorld(PhysicsWorld* world);

// Messages reach the sink only while the level is at least 1 (it starts at 0).
void setMessageSink(PhysicsWorld* world, PhysicsMessageSink sink, void* user);
void setMessageLevel(PhysicsWorld* world, int level);

// Sets friction and restitution of material index (0..255) and the third
// coefficient to 0; false and no change for an index outside that range.
bool setMaterial(PhysicsWorld* world, int index, float friction, float restitution);

// Copies the mesh into the world (a second call replaces the first) and
// builds its search tree. Returns 1, or 0 with nothing changed for a null
// array or a count of 0 or less.
int setTerrainMesh(PhysicsWorld* world, const TerrainMesh& mesh);

// Advances by subSteps sub-steps of total/subSteps each. statistics may be null.
void step(PhysicsWorld* world, float total, int subSteps, StepStatistics* statistics);

// kind 0 = RigidBody, 1 = RigidParticle. Null when the pool is exhausted.
RigidBody* createBody(PhysicsWorld* world, int kind);

// The number of completed step calls.
int getStepCount(const PhysicsWorld* world);
// Length of the sub-step in progress (inside a step, what the controllers
// see) or of the last one, in seconds; 0 before the first step or without a
// world.
float getSubStepTime(const PhysicsWorld* world);

// ---------------------------------------------------------------------------
// Bodies
// ---------------------------------------------------------------------------

Geometry* addGeometry(RigidBody* body);
Sensor* addSensor(RigidBody* body);
// A negative period counts as 0 (called every sub-step).
Controller* addController(RigidBody* body, ControllerListener* listener, int period);

// m must be positive and finite; other values are ignored.
void setMass(RigidBody* body, float mass);
float getMass(const RigidBody* body);
// Diagonal body-frame inertia (Ix, Iy, Iz).
void setInertia(RigidBody* body, const Vector3& inertia);
Vector3 getInertia(const RigidBody* body);
// (I, I, I) with I = 2/3·mass·s², s the largest size component.
Vector3 boxInertia(const Vector3& size, float mass);

void setUserData(RigidBody* body, void* data);
void* getUserData(const RigidBody* body);
void setCollideConnected(RigidBody* body, int flag);
// Recomputes the body's reach from its geometries and sensor rays; call once
// after the shapes and sensors are set.
void updateBounds(RigidBody* body);

// Every setter below wakes the body and restarts its rest count. Non-finite
// inputs are ignored.
Vector3 getPosition(const RigidBody* body);
void setPosition(RigidBody* body, const Vector3& position);
Matrix3 getRotation(const RigidBody* body);
// Stores the matrix unchanged and derives the quaternion from it.
void setRotation(RigidBody* body, const Matrix3& rotation);
Quaternion getOrientation(const RigidBody* body);
Transform getTransform(const RigidBody* body);
Vector3 getLinearVelocity(const RigidBody* body);
void setLinearVelocity(RigidBody* body, const Vector3& velocity);
Vector3 getAngularMomentum(const RigidBody* body);
// Also derives the angular velocity and the orientation's rate of change.
void setAngularMomentum(RigidBody* body, const Vector3& momentum);
Vector3 getAngularVelocity(const RigidBody* body);
// v + ω × r for a world-space offset r from the body's position; zero for a
// body that is not dynamic.
Vector3 velocityAtOffset(const RigidBody* body, const Vector3& offset);
bool isAwake(const RigidBody* body);

// Walks the body's sensors in the order they were added; null at the end.
void resetSensorIteration(RigidBody* body);
Sensor* nextSensor(RigidBody* body);

// ---------------------------------------------------------------------------
// Geometries, sensors, controllers
// ---------------------------------------------------------------------------

// Full sizes; the shape becomes a box of half these extents.
void setBox(Geometry* geometry, float x, float y, float z);
void setBox(Geometry* geometry, const Vector3& size);
// Places the shape in the body frame.
void setLocalTransform(Geometry* geometry, const Transform& local);
RigidBody* getBody(const Geometry* geometry);

// Origin and ray vector in the body frame; the ray vector's length is the
// reach. A near-zero ray vector gives length 0 and direction (0, 0, 0).
void setRay(Sensor* sensor, const Vector3& origin, const Vector3& ray);
Vector3 getOrigin(const Sensor* sensor);
Vector3 getDirection(const Sensor* sensor);
float getLength(const Sensor* sensor);
// 0 when the ray met nothing; else how far the ray's end reaches beyond the
// surface, (1 − t)·length.
float getHitDepth(const Sensor* sensor);
// Facing the ray's origin, in the frame of the geometry hit (world frame for
// the terrain).
Vector3 getHitNormal(const Sensor* sensor);
// World coordinates.
Vector3 getHitPoint(const Sensor* sensor);
// Material of the surface hit, −1 when nothing was hit.
int getHitMaterial(const Sensor* sensor);

RigidBody* getBody(const Controller* controller);
// World space; replace the stored force and torque, which the engine adds to
// the body's applied force and torque after every visit.
void setForce(Controller* controller, const Vector3& force);
void setTorque(Controller* controller, const Vector3& torque);
Vector3 getForce(const Controller* controller);
Vector3 getTorque(const Controller* controller);
