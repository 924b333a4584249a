// Collision speed on a city-like track mesh: building the terrain tree,
// casting the wheel rays, and a race-like frame of four cars on spring rays.
// When Bullet is installed the same frame is built with it and runs in this
// program beside ours, as a yardstick.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "physics/collide_state.h"
#include "physics/physics.h"

#ifdef KORVASK_HAVE_BULLET
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
// The cars drive along the streets at z = 0 + block pitch · k (street middles).
float laneZ(int car) {
    return kBlock * (1 + 2 * car);
}

// The same car model for both engines, from four ray results: springs,
// dampers, a side grip and a drive that holds cruising speed. Inputs and
// outputs in world space.
struct WheelInput {
    bool hit;
    float depth;
    Vector3 normal, direction, offset, pointVelocity;
};

void carForces(const WheelInput* wheels, const Vector3& forward, const Vector3& velocity, Vector3* force,
               Vector3* torque) {
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
        Vector3 drive = i >= 2 ? forward * (40.0f * (kCruise - dot(velocity, forward))) : Vector3();
        Vector3 sum = fs + fd + grip + drive;
        f += sum;
        m += cross(w.offset, sum);
    }
    *force = f;
    *torque = m;
}

// Ours -------------------------------------------------------------------------

struct OurCar : ControllerListener {
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
        carForces(wheels, t.rotation[0], getLinearVelocity(body), &f, &m);
        setForce(controller, f);
        setTorque(controller, m);
    }
};

struct OurRace {
    PhysicsWorld* world;
    RigidBody* cars[4];
    OurCar listener;

    OurRace() {
        WorldSizes sizes;
        sizes.rigidBodiesCount = 80;
        sizes.animatedBodiesCount = 1;
        sizes.rigidParticleCount = 0;
        sizes.overlapPairsCount = 3240;
        sizes.geometriesCount = 89;
        sizes.constraintsCount = 448;
        sizes.stackingCount = 200;
        Vector3 gravity(0, -8, 0);
        world = createWorld(sizes, nullptr, &gravity);
        setTerrainMesh(world, terrainOf(city()));
        for (int c = 0; c < 4; c++) {
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
            addController(body, &listener, 0);
            updateBounds(body);
            setInertia(body, boxInertia(Vector3(2.5f, 0.6f, 2.6f), 100.0f));
            setMass(body, 100.0f);
            cars[c] = body;
            place(c, 5.0f + 7.0f * c);
        }
    }
    ~OurRace() { destroyWorld(world); }
    void place(int c, float x) {
        setPosition(cars[c], Vector3(x, 0.85f, laneZ(c)));
        setRotation(cars[c], Matrix3());
        setLinearVelocity(cars[c], Vector3(kCruise, 0, 0));
        setAngularMomentum(cars[c], Vector3());
    }
    void frame() {
        step(world, 4 * kSubStep, 4, nullptr);
        for (int c = 0; c < 4; c++) {
            if (getPosition(cars[c]).x > kCity - 10.0f) place(c, 5.0f);
        }
    }
};

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
    OurRace race;
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
    OurRace race;
    for (int s = 0; s < 50; s++) race.frame();
    for (auto _ : state) race.frame();
    state.counters["carHeight"] = getPosition(race.cars[0]).y;
}
BENCHMARK(BM_RaceFrame_Korvask)->Unit(benchmark::kMicrosecond);

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

struct BulletRace {
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
    btCompoundShape chassis;
    btDefaultMotionState* motions[4] = {};
    btRigidBody* cars[4] = {};

    BulletRace() {
        world.setGravity(btVector3(0, -8, 0));
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
        world.addRigidBody(ground);
        btTransform t;
        t.setIdentity();
        t.setOrigin(btVector3(0, 0.3f, 0));
        chassis.addChildShape(t, &lower);
        t.setOrigin(btVector3(-0.6f, 1.1f, 0));
        chassis.addChildShape(t, &cabin);
        float inertia = 100.0f * 2.6f * 2.6f * 2.0f / 3.0f;
        for (int c = 0; c < 4; c++) {
            btTransform start;
            start.setIdentity();
            motions[c] = new btDefaultMotionState(start);
            btRigidBody::btRigidBodyConstructionInfo info(100.0f, motions[c], &chassis,
                                                          btVector3(inertia, inertia, inertia));
            cars[c] = new btRigidBody(info);
            cars[c]->setActivationState(DISABLE_DEACTIVATION);
            world.addRigidBody(cars[c]);
            place(c, 5.0f + 7.0f * c);
        }
    }
    ~BulletRace() {
        for (int c = 0; c < 4; c++) {
            world.removeRigidBody(cars[c]);
            delete cars[c];
            delete motions[c];
        }
        world.removeRigidBody(ground);
        delete ground;
        delete meshShape;
        delete meshArray;
    }
    void place(int c, float x) {
        btTransform t;
        t.setIdentity();
        t.setOrigin(btVector3(x, 0.85f, laneZ(c)));
        cars[c]->setWorldTransform(t);
        cars[c]->setLinearVelocity(btVector3(kCruise, 0, 0));
        cars[c]->setAngularVelocity(btVector3(0, 0, 0));
    }
    // Per sub-step: four rays per car, the forces, one fixed world step.
    void subStep() {
        for (int c = 0; c < 4; c++) {
            btRigidBody* body = cars[c];
            const btTransform& t = body->getWorldTransform();
            WheelInput wheels[4];
            Vector3 down = toOurs(t.getBasis() * btVector3(0, -1, 0));
            for (int w = 0; w < 4; w++) {
                btVector3 from = t * toBullet(kMounts[w]);
                btVector3 to = from + toBullet(down);
                NotMeRay ray(from, to, body);
                world.rayTest(from, to, ray);
                WheelInput& in = wheels[w];
                in.hit = ray.hasHit();
                in.depth = in.hit ? (1.0f - ray.m_closestHitFraction) : 0.0f;
                btVector3 n = ray.m_hitNormalWorld;
                if (in.hit && n.dot(to - from) > 0) n = -n;
                in.normal = toOurs(n);
                in.direction = down;
                btVector3 offset = from - t.getOrigin();
                in.offset = toOurs(offset);
                in.pointVelocity = toOurs(body->getVelocityInLocalPoint(offset));
            }
            Vector3 f, m;
            carForces(wheels, toOurs(t.getBasis().getColumn(0)), toOurs(body->getLinearVelocity()), &f, &m);
            body->applyCentralForce(toBullet(f));
            body->applyTorque(toBullet(m));
        }
        world.stepSimulation(kSubStep, 0);
    }
    void frame() {
        for (int s = 0; s < 4; s++) subStep();
        for (int c = 0; c < 4; c++) {
            if (cars[c]->getWorldTransform().getOrigin().x() > kCity - 10.0f) place(c, 5.0f);
        }
    }
};

}  // namespace

static void BM_RaceFrame_Bullet(benchmark::State& state) {
    BulletRace race;
    for (int s = 0; s < 50; s++) race.frame();
    for (auto _ : state) race.frame();
    state.counters["carHeight"] = race.cars[0]->getWorldTransform().getOrigin().y();
}
BENCHMARK(BM_RaceFrame_Bullet)->Unit(benchmark::kMicrosecond);

static void BM_TerrainTreeBuild_Bullet(benchmark::State& state) {
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
    for (auto _ : state) {
        btBvhTriangleMeshShape shape(&array, true);
        benchmark::DoNotOptimize(&shape);
    }
}
BENCHMARK(BM_TerrainTreeBuild_Bullet)->Unit(benchmark::kMillisecond);

#endif
