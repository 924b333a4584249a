// Collision speed on a city-like track mesh: building the terrain tree,
// casting the wheel rays, a race-like frame of four cars on spring rays,
// fleets of 4, 16 and 64 cars that never touch, and the eight-car pile-up.
// When Bullet is installed every scene is built with it too and runs in this
// program beside ours, as a yardstick. Run with
//   --benchmark_enable_random_interleaving=true --benchmark_repetitions=5
// so both engines share whatever else the machine is doing.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "physics/collide_state.h"
#include "physics/physics.h"

#ifdef KORVASK_HAVE_BULLET
#include <BulletCollision/NarrowPhaseCollision/btRaycastCallback.h>
#include <btBulletCollisionCommon.h>
#include <btBulletDynamicsCommon.h>
#endif

namespace {

// A city of square blocks: streets of ground tiles, a kerb ring around each
// block and a building with panelled walls on it. About 50,000 triangles.
struct CityMesh {
    std::vector<Vector3> vertices;
    std::vector<MeshTriangle> triangles;

    void quad(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d) {
        int base = (int)vertices.size();
        vertices.push_back(a);
        vertices.push_back(b);
        vertices.push_back(c);
        vertices.push_back(d);
        MeshTriangle t;
        t.vertices[0] = base;
        t.vertices[1] = base + 1;
        t.vertices[2] = base + 2;
        triangles.push_back(t);
        t.vertices[1] = base + 2;
        t.vertices[2] = base + 3;
        triangles.push_back(t);
    }
    // A vertical wall from (x0, z0) to (x1, z1), panels of about the cell size.
    void wall(float x0, float z0, float x1, float z1, float y0, float y1, float cell) {
        float len = std::sqrt((x1 - x0) * (x1 - x0) + (z1 - z0) * (z1 - z0));
        int nu = (int)std::ceil(len / cell), nv = (int)std::ceil((y1 - y0) / cell);
        for (int u = 0; u < nu; u++) {
            float a = (float)u / nu, b = (float)(u + 1) / nu;
            Vector3 pa(x0 + (x1 - x0) * a, 0, z0 + (z1 - z0) * a),
                pb(x0 + (x1 - x0) * b, 0, z0 + (z1 - z0) * b);
            for (int v = 0; v < nv; v++) {
                float ya = y0 + (y1 - y0) * v / nv, yb = y0 + (y1 - y0) * (v + 1) / nv;
                quad(Vector3(pa.x, ya, pa.z), Vector3(pa.x, yb, pa.z), Vector3(pb.x, yb, pb.z),
                     Vector3(pb.x, ya, pb.z));
            }
        }
    }
    void flat(float x0, float z0, float x1, float z1, float y, float cell) {
        for (float x = x0; x < x1 - 1e-3f; x += cell) {
            for (float z = z0; z < z1 - 1e-3f; z += cell) {
                float xe = std::fmin(x + cell, x1), ze = std::fmin(z + cell, z1);
                quad(Vector3(x, y, z), Vector3(x, y, ze), Vector3(xe, y, ze), Vector3(xe, y, z));
            }
        }
    }
};

const int kBlocks = 8;
const float kBlock = 40.0f;   // block pitch
const float kStreet = 12.0f;  // street width between kerbs
const float kCity = kBlocks * kBlock;

CityMesh buildCity() {
    CityMesh m;
    m.flat(0, 0, kCity, kCity, 0.0f, 3.2f);  // road surface everywhere
    for (int bx = 0; bx < kBlocks; bx++) {
        for (int bz = 0; bz < kBlocks; bz++) {
            float x0 = bx * kBlock + kStreet * 0.5f, x1 = (bx + 1) * kBlock - kStreet * 0.5f;
            float z0 = bz * kBlock + kStreet * 0.5f, z1 = (bz + 1) * kBlock - kStreet * 0.5f;
            // Kerb ring 0.2 high, then the pavement top.
            m.wall(x0, z0, x1, z0, 0.0f, 0.2f, 4.0f);
            m.wall(x1, z0, x1, z1, 0.0f, 0.2f, 4.0f);
            m.wall(x1, z1, x0, z1, 0.0f, 0.2f, 4.0f);
            m.wall(x0, z1, x0, z0, 0.0f, 0.2f, 4.0f);
            m.flat(x0, z0, x1, z1, 0.2f, 4.0f);
            // The building, 3 in from the kerb, walls of 3-unit panels.
            float b0 = x0 + 3, b1 = x1 - 3, c0 = z0 + 3, c1 = z1 - 3;
            m.wall(b0, c0, b1, c0, 0.2f, 15.0f, 3.0f);
            m.wall(b1, c0, b1, c1, 0.2f, 15.0f, 3.0f);
            m.wall(b1, c1, b0, c1, 0.2f, 15.0f, 3.0f);
            m.wall(b0, c1, b0, c0, 0.2f, 15.0f, 3.0f);
            m.quad(Vector3(b0, 15, c0), Vector3(b0, 15, c1), Vector3(b1, 15, c1), Vector3(b1, 15, c0));
        }
    }
    return m;
}

const CityMesh& city() {
    static CityMesh mesh = buildCity();
    return mesh;
}

TerrainMesh terrainOf(const CityMesh& m) {
    TerrainMesh t;
    t.vertices = m.vertices.data();
    t.vertexCount = (int)m.vertices.size();
    t.triangles = m.triangles.data();
    t.triangleCount = (int)m.triangles.size();
    return t;
}

const Vector3 kMounts[4] = {Vector3(2.0f, 0, 1.25f), Vector3(2.0f, 0, -1.25f), Vector3(-2.0f, 0, 1.25f),
                            Vector3(-2.0f, 0, -1.25f)};
const float kSubStep = 0.007f;
const float kCruise = 25.0f;
const float kCarMass = 100.0f;
const float kCarInertia = 100.0f * 2.6f * 2.6f * 2.0f / 3.0f;  // boxInertia of the cabin's size
const int kMaxCars = 64;

// Scenes ------------------------------------------------------------------------

// Where each car starts and the speed its driver holds. The same scene
// drives both engines.
struct CarStart {
    Vector3 position;
    float velocity;  // along +x at the start
    float cruise;
};

enum SceneKind {
    kSceneRace,   // four cars on four streets, put back at the start near the end
    kSceneFleet,  // n cars spread over the streets, far apart, wrapping round
    kScenePile,   // eight cars in two touching columns, the front pair slower
};

const int kPileRows = 4;
const int kPileResetFrames = 150;
const float kPileStreetZ = kBlock;

struct Scene {
    SceneKind kind;
    int cars;
    CarStart starts[kMaxCars];
};

Scene makeScene(SceneKind kind, int cars) {
    Scene s;
    s.kind = kind;
    s.cars = cars;
    for (int c = 0; c < cars; c++) {
        CarStart& st = s.starts[c];
        st.velocity = kCruise;
        st.cruise = kCruise;
        if (kind == kSceneRace) {
            // The cars drive along the street middles z = block pitch · (1 + 2c).
            st.position = Vector3(5.0f + 7.0f * c, 0.85f, kBlock * (1 + 2 * c));
        } else if (kind == kSceneFleet) {
            // Seven inner streets, ten slots of 30 along each.
            st.position = Vector3(10.0f + 30.0f * (float)(c / 7), 0.85f, kBlock * (1 + c % 7));
        } else {
            int row = c / 2;
            st.position = Vector3(60.0f - 6.0f * row, 0.85f, kPileStreetZ + (c % 2 ? 1.3f : -1.3f));
            st.velocity = 20.0f;
            st.cruise = row == 0 ? 15.0f : 25.0f;
        }
    }
    return s;
}

// A car that leaves the city is put back: race cars to the start, fleet cars
// 300 back (ten slots), so the spacing holds.
bool wrapCar(const Scene& s, Vector3* p) {
    if (p->x <= kCity - 10.0f || s.kind == kScenePile) return false;
    p->x = s.kind == kSceneRace ? 5.0f : p->x - 300.0f;
    return true;
}

// Counters every scene reports, over all cars at the end of the run (the
// lowest up.y over every frame), so a benchmark that goes wrong shows it.
struct Figures {
    float meanHeight = 0, minHeight = 1e30f, maxHeight = -1e30f, meanSpeed = 0, minUp = 1.0f;
    int contactPoints = 0, awakeBodies = 0;
    void car(const Vector3& p, const Vector3& v, int cars) {
        meanHeight += p.y / cars;
        minHeight = std::min(minHeight, p.y);
        maxHeight = std::max(maxHeight, p.y);
        meanSpeed += length(v) / cars;
    }
    void report(benchmark::State& state) const {
        state.counters["meanHeight"] = meanHeight;
        state.counters["minHeight"] = minHeight;
        state.counters["maxHeight"] = maxHeight;
        state.counters["meanSpeed"] = meanSpeed;
        state.counters["minUpY"] = minUp;
        state.counters["contactPoints"] = contactPoints;
        state.counters["awakeBodies"] = awakeBodies;
    }
};

// The same car model for both engines, from four ray results: springs,
// dampers, a side grip and a drive that holds the cruising speed (braking
// above it). Inputs and outputs in world space.
struct WheelInput {
    bool hit;
    float depth;
    Vector3 normal, direction, offset, pointVelocity;
};

void carForces(const WheelInput* wheels, const Vector3& forward, const Vector3& velocity, float cruise,
               Vector3* force, Vector3* torque) {
    Vector3 f, m;
    for (int i = 0; i < 4; i++) {
        const WheelInput& w = wheels[i];
        if (!w.hit) continue;
        float k = i >= 2 ? 1200.0f : 1000.0f;
        Vector3 fs = w.direction * (k * w.depth * dot(w.normal, w.direction));
        Vector3 fd = w.direction * (-150.0f * dot(w.pointVelocity, w.direction));
        Vector3 side = w.pointVelocity;
        removeComponent(side, w.normal);
        removeComponent(side, forward);
        float l = length(side);
        Vector3 grip = l > 0.0f ? side * (-150.0f * std::fmin(std::sqrt(l), 1.0f) / l) : Vector3();
        Vector3 drive = i >= 2 ? forward * (40.0f * (cruise - dot(velocity, forward))) : Vector3();
        Vector3 sum = fs + fd + grip + drive;
        f += sum;
        m += cross(w.offset, sum);
    }
    *force = f;
    *torque = m;
}

// Ours -------------------------------------------------------------------------

struct OurCar : ControllerListener {
    float cruise = kCruise;
    void onControl(Controller* controller) override {
        RigidBody* body = getBody(controller);
        Transform t = getTransform(body);
        WheelInput wheels[4];
        int i = 0;
        resetSensorIteration(body);
        for (Sensor* s = nextSensor(body); s && i < 4; s = nextSensor(body), i++) {
            WheelInput& w = wheels[i];
            w.depth = getHitDepth(s);
            w.hit = w.depth != 0.0f;
            w.normal = getHitNormal(s);
            w.direction = rotate(getDirection(s), t.rotation);
            w.offset = transformPoint(t, getOrigin(s)) - t.position;
            w.pointVelocity = velocityAtOffset(body, w.offset);
        }
        for (; i < 4; i++) wheels[i].hit = false;
        Vector3 f, m;
        carForces(wheels, t.rotation[0], getLinearVelocity(body), cruise, &f, &m);
        setForce(controller, f);
        setTorque(controller, m);
    }
};

struct OurRace {
    Scene scene;
    PhysicsWorld* world;
    RigidBody* cars[kMaxCars];
    OurCar listeners[kMaxCars];
    int frames = 0;
    float minUp = 1.0f;

    explicit OurRace(const Scene& s) : scene(s) {
        WorldSizes sizes;
        sizes.rigidBodiesCount = 80;
        sizes.animatedBodiesCount = 1;
        sizes.rigidParticleCount = 0;
        sizes.overlapPairsCount = 3240;
        sizes.geometriesCount = 2 * kMaxCars + 1;
        sizes.sensorsCount = 4 * kMaxCars;
        sizes.constraintSetsCount = kMaxCars;
        sizes.constraintsCount = 448;
        sizes.stackingCount = 200;
        Vector3 gravity(0, -8, 0);
        world = createWorld(sizes, nullptr, &gravity);
        // Friction 0.5 and no bounce on every surface, as the Bullet side has.
        if (s.kind == kScenePile) setMaterial(world, 0, 0.5f, 0.0f);
        setTerrainMesh(world, terrainOf(city()));
        for (int c = 0; c < s.cars; c++) {
            RigidBody* body = createBody(world, 0);
            setCollideConnected(body, 1);
            Geometry* lower = addGeometry(body);
            setBox(lower, 6.0f, 1.0f, 2.6f);
            Transform t;
            t.position = Vector3(0, 0.3f, 0);
            setLocalTransform(lower, t);
            Geometry* cabin = addGeometry(body);
            setBox(cabin, 2.5f, 0.6f, 2.6f);
            t.position = Vector3(-0.6f, 1.1f, 0);
            setLocalTransform(cabin, t);
            for (int w = 0; w < 4; w++) setRay(addSensor(body), kMounts[w], Vector3(0, -1, 0));
            listeners[c].cruise = s.starts[c].cruise;
            addController(body, &listeners[c], 0);
            updateBounds(body);
            setInertia(body, boxInertia(Vector3(2.5f, 0.6f, 2.6f), kCarMass));
            setMass(body, kCarMass);
            cars[c] = body;
            place(c, s.starts[c].position);
        }
    }
    ~OurRace() { destroyWorld(world); }
    void place(int c, const Vector3& p) {
        setPosition(cars[c], p);
        setRotation(cars[c], Matrix3());
        setLinearVelocity(cars[c], Vector3(scene.starts[c].velocity, 0, 0));
        setAngularMomentum(cars[c], Vector3());
    }
    void frame() {
        if (scene.kind == kScenePile && frames % kPileResetFrames == 0) {
            for (int c = 0; c < scene.cars; c++) place(c, scene.starts[c].position);
        }
        step(world, 4 * kSubStep, 4, nullptr);
        frames++;
        for (int c = 0; c < scene.cars; c++) {
            minUp = std::min(minUp, cars[c]->rotation.rows[1].y);
            Vector3 p = getPosition(cars[c]);
            if (wrapCar(scene, &p)) {
                setPosition(cars[c], p);
                setLinearVelocity(cars[c], Vector3(scene.starts[c].velocity, 0, 0));
            }
        }
    }
    Figures figures() const {
        Figures f;
        for (int c = 0; c < scene.cars; c++) {
            f.car(getPosition(cars[c]), getLinearVelocity(cars[c]), scene.cars);
            f.awakeBodies += isAwake(cars[c]);
        }
        f.minUp = minUp;
        f.contactPoints = world->collision->contactCount;
        return f;
    }
};

void runOurs(benchmark::State& state, SceneKind kind, int cars) {
    OurRace race(makeScene(kind, cars));
    for (int s = 0; s < 50; s++) race.frame();
    race.minUp = 1.0f;
    for (auto _ : state) race.frame();
    race.figures().report(state);
    state.counters["timePerCar"] =
        benchmark::Counter(cars, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

static void BM_TerrainTreeBuild(benchmark::State& state) {
    const CityMesh& m = city();
    Vector3 gravity(0, -8, 0);
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, &gravity);
    for (auto _ : state) {
        setTerrainMesh(world, terrainOf(m));
        benchmark::DoNotOptimize(world->collision->terrain.nodeCount);
    }
    state.counters["triangles"] = (double)m.triangles.size();
    state.counters["nodes"] = world->collision->terrain.nodeCount;
    state.counters["leafEntries"] = world->collision->terrain.leafTriangleCount;
    destroyWorld(world);
}
BENCHMARK(BM_TerrainTreeBuild)->Unit(benchmark::kMillisecond);

// The sixteen wheel rays of four cars, cast once (one sub-step's worth).
static void BM_SixteenWheelRays(benchmark::State& state) {
    OurRace race(makeScene(kSceneRace, 4));
    for (int s = 0; s < 20; s++) race.frame();
    int hits = 0;
    for (auto _ : state) {
        castSensors(race.world);
        for (int c = 0; c < 4; c++) {
            for (Sensor* s = race.cars[c]->firstSensor; s; s = s->next) {
                hits += s->hitDepth > 0.0f;
                s->hitDepth = 0.0f;
            }
        }
    }
    state.counters["hitsPerCast"] = (double)hits / (double)state.iterations();
}
BENCHMARK(BM_SixteenWheelRays)->Unit(benchmark::kMicrosecond);

static void BM_RaceFrame_Korvask(benchmark::State& state) {
    runOurs(state, kSceneRace, 4);
}
BENCHMARK(BM_RaceFrame_Korvask)->Unit(benchmark::kMicrosecond);

static void BM_CarsNoContact_Korvask(benchmark::State& state) {
    runOurs(state, kSceneFleet, (int)state.range(0));
}
BENCHMARK(BM_CarsNoContact_Korvask)->Arg(4)->Arg(16)->Arg(64)->Unit(benchmark::kMicrosecond);

static void BM_PileUp_Korvask(benchmark::State& state) {
    runOurs(state, kScenePile, 2 * kPileRows);
}
BENCHMARK(BM_PileUp_Korvask)->Unit(benchmark::kMicrosecond);

#ifdef KORVASK_HAVE_BULLET

namespace {

// Skips the casting car's own body, as our sensors do.
struct NotMeRay : btCollisionWorld::ClosestRayResultCallback {
    const btCollisionObject* me;
    NotMeRay(const btVector3& from, const btVector3& to, const btCollisionObject* self)
        : ClosestRayResultCallback(from, to), me(self) {}
    bool needsCollision(btBroadphaseProxy* proxy) const override {
        if (proxy->m_clientObject == me) return false;
        return ClosestRayResultCallback::needsCollision(proxy);
    }
};

Vector3 toOurs(const btVector3& v) {
    return Vector3(v.x(), v.y(), v.z());
}
btVector3 toBullet(const Vector3& v) {
    return btVector3(v.x, v.y, v.z);
}

// One wheel ray against the mesh's triangles; keeps the nearest hit.
struct WheelRayCallback : btTriangleRaycastCallback {
    btVector3 normal;
    bool hit = false;
    WheelRayCallback(const btVector3& from, const btVector3& to) : btTriangleRaycastCallback(from, to) {}
    btScalar reportHit(const btVector3& n, btScalar fraction, int, int) override {
        if (fraction < m_hitFraction) {
            normal = n;
            hit = true;
            return fraction;
        }
        return m_hitFraction;
    }
};

// The four rays of a car offered every triangle of one tree query.
struct FourRays : btTriangleCallback {
    WheelRayCallback* rays[4];
    void processTriangle(btVector3* triangle, int part, int index) override {
        for (int w = 0; w < 4; w++) rays[w]->processTriangle(triangle, part, index);
    }
};

// fusedRays: the hand-tuned variant, one processAllTriangles per car over the
// box around its four rays, as our engine gathers them; it tests the mesh
// only, which is all the rays meet in the scenes that use it.
struct BulletRace {
    Scene scene;
    bool fusedRays;
    btDefaultCollisionConfiguration config;
    btCollisionDispatcher dispatcher{&config};
    btDbvtBroadphase broadphase;
    btSequentialImpulseConstraintSolver solver;
    btDiscreteDynamicsWorld world{&dispatcher, &broadphase, &solver, &config};
    std::vector<int> indices;
    std::vector<btScalar> positions;
    btTriangleIndexVertexArray* meshArray = nullptr;
    btBvhTriangleMeshShape* meshShape = nullptr;
    btRigidBody* ground = nullptr;
    btBoxShape lower{btVector3(3.0f, 0.5f, 1.3f)};
    btBoxShape cabin{btVector3(1.25f, 0.3f, 1.3f)};
    btCompoundShape chassis{false};  // two children: no tree of its own
    btRigidBody* cars[kMaxCars] = {};
    int frames = 0;
    float minUp = 1.0f;

    BulletRace(const Scene& s, bool fused) : scene(s), fusedRays(fused) {
        world.setGravity(btVector3(0, -8, 0));
        // The city never moves: its bounds need no refresh each step.
        world.setForceUpdateAllAabbs(false);
        const CityMesh& m = city();
        for (const MeshTriangle& t : m.triangles)
            for (int k = 0; k < 3; k++) indices.push_back(t.vertices[k]);
        for (const Vector3& v : m.vertices) {
            positions.push_back(v.x);
            positions.push_back(v.y);
            positions.push_back(v.z);
        }
        meshArray =
            new btTriangleIndexVertexArray((int)m.triangles.size(), indices.data(), 3 * sizeof(int),
                                           (int)m.vertices.size(), positions.data(), 3 * sizeof(btScalar));
        meshShape = new btBvhTriangleMeshShape(meshArray, true);
        ground = new btRigidBody(0.0f, nullptr, meshShape);
        // Bullet multiplies the two bodies' coefficients: √0.5 on both sides
        // meets as our 0.5 (the mean of two 0.5s).
        const float friction = std::sqrt(0.5f);
        if (s.kind == kScenePile) {
            ground->setFriction(friction);
            ground->setRestitution(0.0f);
        }
        world.addRigidBody(ground);
        btTransform t;
        t.setIdentity();
        t.setOrigin(btVector3(0, 0.3f, 0));
        chassis.addChildShape(t, &lower);
        t.setOrigin(btVector3(-0.6f, 1.1f, 0));
        chassis.addChildShape(t, &cabin);
        for (int c = 0; c < s.cars; c++) {
            btRigidBody::btRigidBodyConstructionInfo info(kCarMass, nullptr, &chassis,
                                                          btVector3(kCarInertia, kCarInertia, kCarInertia));
            cars[c] = new btRigidBody(info);
            cars[c]->setActivationState(DISABLE_DEACTIVATION);
            if (s.kind == kScenePile) {
                cars[c]->setFriction(friction);
                cars[c]->setRestitution(0.0f);
            }
            world.addRigidBody(cars[c]);
            place(c, s.starts[c].position);
        }
    }
    ~BulletRace() {
        for (int c = 0; c < scene.cars; c++) {
            world.removeRigidBody(cars[c]);
            delete cars[c];
        }
        world.removeRigidBody(ground);
        delete ground;
        delete meshShape;
        delete meshArray;
    }
    void place(int c, const Vector3& p) {
        btTransform t;
        t.setIdentity();
        t.setOrigin(toBullet(p));
        cars[c]->setWorldTransform(t);
        cars[c]->setLinearVelocity(btVector3(scene.starts[c].velocity, 0, 0));
        cars[c]->setAngularVelocity(btVector3(0, 0, 0));
    }
    void castWorld(btRigidBody* body, const btTransform& t, const btVector3& down, WheelInput* wheels) {
        for (int w = 0; w < 4; w++) {
            btVector3 from = t * toBullet(kMounts[w]);
            btVector3 to = from + down;
            NotMeRay ray(from, to, body);
            world.rayTest(from, to, ray);
            WheelInput& in = wheels[w];
            in.hit = ray.hasHit();
            in.depth = in.hit ? (1.0f - ray.m_closestHitFraction) : 0.0f;
            btVector3 n = ray.m_hitNormalWorld;
            if (in.hit && n.dot(to - from) > 0) n = -n;
            in.normal = toOurs(n);
        }
    }
    void castFused(const btTransform& t, const btVector3& down, WheelInput* wheels) {
        btVector3 from[4];
        btVector3 lo(1e30f, 1e30f, 1e30f), hi(-1e30f, -1e30f, -1e30f);
        for (int w = 0; w < 4; w++) {
            from[w] = t * toBullet(kMounts[w]);
            lo.setMin(from[w]);
            lo.setMin(from[w] + down);
            hi.setMax(from[w]);
            hi.setMax(from[w] + down);
        }
        WheelRayCallback r0(from[0], from[0] + down), r1(from[1], from[1] + down),
            r2(from[2], from[2] + down), r3(from[3], from[3] + down);
        FourRays four;
        four.rays[0] = &r0;
        four.rays[1] = &r1;
        four.rays[2] = &r2;
        four.rays[3] = &r3;
        meshShape->processAllTriangles(&four, lo, hi);
        for (int w = 0; w < 4; w++) {
            WheelInput& in = wheels[w];
            in.hit = four.rays[w]->hit;
            in.depth = in.hit ? (1.0f - four.rays[w]->m_hitFraction) : 0.0f;
            btVector3 n = four.rays[w]->normal.normalized();
            if (in.hit && n.dot(down) > 0) n = -n;
            in.normal = toOurs(n);
        }
    }
    // Per sub-step: four rays per car, the forces, one fixed world step.
    void subStep() {
        for (int c = 0; c < scene.cars; c++) {
            btRigidBody* body = cars[c];
            const btTransform& t = body->getWorldTransform();
            WheelInput wheels[4];
            btVector3 down = t.getBasis() * btVector3(0, -1, 0);
            if (fusedRays)
                castFused(t, down, wheels);
            else
                castWorld(body, t, down, wheels);
            for (int w = 0; w < 4; w++) {
                WheelInput& in = wheels[w];
                in.direction = toOurs(down);
                btVector3 offset = t * toBullet(kMounts[w]) - t.getOrigin();
                in.offset = toOurs(offset);
                in.pointVelocity = toOurs(body->getVelocityInLocalPoint(offset));
            }
            Vector3 f, m;
            carForces(wheels, toOurs(t.getBasis().getColumn(0)), toOurs(body->getLinearVelocity()),
                      scene.starts[c].cruise, &f, &m);
            body->applyCentralForce(toBullet(f));
            body->applyTorque(toBullet(m));
        }
        world.stepSimulation(kSubStep, 0);
    }
    void frame() {
        if (scene.kind == kScenePile && frames % kPileResetFrames == 0) {
            for (int c = 0; c < scene.cars; c++) place(c, scene.starts[c].position);
        }
        for (int s = 0; s < 4; s++) subStep();
        frames++;
        for (int c = 0; c < scene.cars; c++) {
            const btTransform& t = cars[c]->getWorldTransform();
            minUp = std::min(minUp, (float)t.getBasis().getColumn(1).y());
            Vector3 p = toOurs(t.getOrigin());
            if (wrapCar(scene, &p)) {
                btTransform moved = t;
                moved.setOrigin(toBullet(p));
                cars[c]->setWorldTransform(moved);
                cars[c]->setLinearVelocity(btVector3(scene.starts[c].velocity, 0, 0));
            }
        }
    }
    Figures figures() {
        Figures f;
        for (int c = 0; c < scene.cars; c++) {
            f.car(toOurs(cars[c]->getWorldTransform().getOrigin()), toOurs(cars[c]->getLinearVelocity()),
                  scene.cars);
            f.awakeBodies += cars[c]->isActive();
        }
        f.minUp = minUp;
        for (int i = 0; i < dispatcher.getNumManifolds(); i++)
            f.contactPoints += dispatcher.getManifoldByIndexInternal(i)->getNumContacts();
        return f;
    }
};

void runBullet(benchmark::State& state, SceneKind kind, int cars, bool fused) {
    BulletRace race(makeScene(kind, cars), fused);
    for (int s = 0; s < 50; s++) race.frame();
    race.minUp = 1.0f;
    for (auto _ : state) race.frame();
    race.figures().report(state);
    state.counters["timePerCar"] =
        benchmark::Counter(cars, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

}  // namespace

static void BM_RaceFrame_Bullet(benchmark::State& state) {
    runBullet(state, kSceneRace, 4, false);
}
BENCHMARK(BM_RaceFrame_Bullet)->Unit(benchmark::kMicrosecond);

// Hand-tuned: the wheel rays gathered per car as ours are.
static void BM_RaceFrame_BulletFusedRays(benchmark::State& state) {
    runBullet(state, kSceneRace, 4, true);
}
BENCHMARK(BM_RaceFrame_BulletFusedRays)->Unit(benchmark::kMicrosecond);

static void BM_CarsNoContact_Bullet(benchmark::State& state) {
    runBullet(state, kSceneFleet, (int)state.range(0), false);
}
BENCHMARK(BM_CarsNoContact_Bullet)->Arg(4)->Arg(16)->Arg(64)->Unit(benchmark::kMicrosecond);

static void BM_PileUp_Bullet(benchmark::State& state) {
    runBullet(state, kScenePile, 2 * kPileRows, false);
}
BENCHMARK(BM_PileUp_Bullet)->Unit(benchmark::kMicrosecond);

// The mesh's tree, computing the mesh's bounds first or handed them.
static void terrainTreeBuildBullet(benchmark::State& state, bool premadeBounds) {
    const CityMesh& m = city();
    std::vector<int> indices;
    std::vector<btScalar> positions;
    for (const MeshTriangle& t : m.triangles)
        for (int k = 0; k < 3; k++) indices.push_back(t.vertices[k]);
    for (const Vector3& v : m.vertices) {
        positions.push_back(v.x);
        positions.push_back(v.y);
        positions.push_back(v.z);
    }
    btTriangleIndexVertexArray array((int)m.triangles.size(), indices.data(), 3 * sizeof(int),
                                     (int)m.vertices.size(), positions.data(), 3 * sizeof(btScalar));
    btVector3 lo(0, 0, 0), hi(kCity, 15.0f, kCity);
    for (auto _ : state) {
        if (premadeBounds) {
            btBvhTriangleMeshShape shape(&array, true, lo, hi, true);
            benchmark::DoNotOptimize(&shape);
        } else {
            btBvhTriangleMeshShape shape(&array, true);
            benchmark::DoNotOptimize(&shape);
        }
    }
}

static void BM_TerrainTreeBuild_Bullet(benchmark::State& state) {
    terrainTreeBuildBullet(state, false);
}
BENCHMARK(BM_TerrainTreeBuild_Bullet)->Unit(benchmark::kMillisecond);

static void BM_TerrainTreeBuild_BulletPremadeBounds(benchmark::State& state) {
    terrainTreeBuildBullet(state, true);
}
BENCHMARK(BM_TerrainTreeBuild_BulletPremadeBounds)->Unit(benchmark::kMillisecond);

#endif
