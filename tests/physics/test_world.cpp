// World creation, pools and their messages, materials, terrain copies, bodies, sensors and controllers.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "physics/physics_local.h"

namespace {

struct MessageLog {
    std::vector<std::string> messages;
};

void collect(const char* message, void* user) {
    static_cast<MessageLog*>(user)->messages.push_back(message);
}

// Counts blocks and bytes so the tests can see when and how much the world allocates.
class CountingAllocator : public PhysicsAllocator {
  public:
    int live = 0;
    int allocations = 0;
    int failAt = -1;  // the allocation (0-based) that fails
    void* allocate(size_t size) override {
        if (allocations++ == failAt) return nullptr;
        ++live;
        return std::malloc(size);
    }
    void free(void* block) override {
        --live;
        std::free(block);
    }
};

int countGeometries(const RigidBody* body) {
    int n = 0;
    for (const Geometry* g = body->firstGeometry; g; g = g->next) ++n;
    return n;
}

}  // namespace

// Bodies crowded into one spot overlap pairwise: the default pair pool must
// hold every pair of the default number of bodies.
TEST(PhysicsWorld, DefaultPairPoolHoldsEveryPairOfBodies) {
    WorldSizes s;
    EXPECT_GE(s.overlapPairsCount, s.rigidBodiesCount * (s.rigidBodiesCount - 1) / 2);
}

TEST(PhysicsWorld, CreateAndDestroyBalanceTheAllocator) {
    CountingAllocator allocator;
    Vector3 gravity(0.0f, -8.0f, 0.0f);
    PhysicsWorld* world = createWorld(WorldSizes(), &allocator, &gravity);
    ASSERT_NE(world, nullptr);
    EXPECT_GT(allocator.live, 0);
    EXPECT_FLOAT_EQ(world->gravityDirection.y, -1.0f);
    EXPECT_FLOAT_EQ(world->supportAcceleration, 2.4f);

    // Building and stepping take nothing more from the allocator.
    int afterCreate = allocator.allocations;
    for (int i = 0; i < 10; ++i) {
        RigidBody* body = createBody(world, 0);
        setBox(addGeometry(body), 1.0f, 2.0f, 3.0f);
        setRay(addSensor(body), Vector3(0, 0, 0), Vector3(0, -1, 0));
        addController(body, nullptr, 0);
        updateBounds(body);
        setPosition(body, Vector3((float)i * 5.0f, 10.0f, 0.0f));
    }
    for (int i = 0; i < 20; ++i) step(world, 0.112f, 4, nullptr);
    EXPECT_EQ(allocator.allocations, afterCreate);

    destroyWorld(world);
    EXPECT_EQ(allocator.live, 0);
    destroyWorld(nullptr);
}

TEST(PhysicsWorld, FailedAllocationFailsCreationWithoutLeaks) {
    CountingAllocator probe;
    destroyWorld(createWorld(WorldSizes(), &probe, nullptr));
    ASSERT_GT(probe.allocations, 2);
    for (int k = 0; k < probe.allocations; ++k) {
        CountingAllocator allocator;
        allocator.failAt = k;
        PhysicsWorld* world = createWorld(WorldSizes(), &allocator, nullptr);
        EXPECT_EQ(world, nullptr) << "allocation " << k;
        EXPECT_EQ(allocator.live, 0) << "allocation " << k;
    }
}

TEST(PhysicsWorld, MaterialsStartEqualAndSetMaterialChecksItsIndex) {
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, nullptr);
    for (int i = 0; i < kMaterialCount; ++i) {
        EXPECT_EQ(world->materials[i].friction, 0.5f);
        EXPECT_EQ(world->materials[i].restitution, 0.4f);
        EXPECT_EQ(world->materials[i].third, 1.0f);
    }
    EXPECT_FALSE(setMaterial(world, 256, 1.0f, 0.1f));
    EXPECT_FALSE(setMaterial(world, -1, 1.0f, 0.1f));
    EXPECT_EQ(world->materials[255].friction, 0.5f);
    EXPECT_EQ(world->materials[0].friction, 0.5f);
    EXPECT_TRUE(setMaterial(world, 7, 1.0f, 0.1f));
    EXPECT_EQ(world->materials[7].friction, 1.0f);
    EXPECT_EQ(world->materials[7].restitution, 0.1f);
    EXPECT_EQ(world->materials[7].third, 0.0f);
    EXPECT_EQ(world->materials[6].friction, 0.5f);
    EXPECT_TRUE(setMaterial(world, 255, 0.0f, 0.0f));
    destroyWorld(world);
}

TEST(PhysicsWorld, NinetiethGeometryOfEightyNineIsRefusedAndReported) {
    WorldSizes sizes;
    sizes.geometriesCount = 89;
    PhysicsWorld* world = createWorld(sizes, nullptr, nullptr);
    MessageLog log;
    setMessageSink(world, collect, &log);
    setMessageLevel(world, 1);
    RigidBody* a = createBody(world, 0);
    RigidBody* b = createBody(world, 0);
    std::vector<Geometry*> taken;
    for (int i = 0; i < 89; ++i) {
        Geometry* g = addGeometry(i % 2 ? a : b);
        ASSERT_NE(g, nullptr) << i;
        EXPECT_EQ(g->index, i);
        taken.push_back(g);
    }
    EXPECT_TRUE(log.messages.empty());
    Geometry* lastOfA = a->lastGeometry;
    EXPECT_EQ(addGeometry(a), nullptr);
    ASSERT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(log.messages[0], "Run out of Geometries. Increase 'geometriesCount'.\n");
    EXPECT_EQ(std::string(world->messageBuffer), log.messages[0]);
    EXPECT_EQ(countGeometries(a), 44);
    EXPECT_EQ(countGeometries(b), 45);
    EXPECT_EQ(a->lastGeometry, lastOfA);
    EXPECT_EQ(lastOfA->next, nullptr);
    // The other pools are untouched.
    EXPECT_NE(addSensor(a), nullptr);
    EXPECT_NE(addController(a, nullptr, 0), nullptr);
    EXPECT_NE(createBody(world, 0), nullptr);

    // Level 0 keeps the sink quiet; the result is still null.
    setMessageLevel(world, 0);
    EXPECT_EQ(addGeometry(b), nullptr);
    EXPECT_EQ(log.messages.size(), 1u);
    EXPECT_EQ(std::string(world->messageBuffer), "Run out of Geometries. Increase 'geometriesCount'.\n");
    destroyWorld(world);
}

TEST(PhysicsWorld, EveryPoolReportsItsOwnMessage) {
    WorldSizes sizes;
    sizes.rigidBodiesCount = 1;
    sizes.rigidParticleCount = 1;
    sizes.sensorsCount = 1;
    sizes.constraintSetsCount = 1;
    sizes.geometriesCount = 0;
    PhysicsWorld* world = createWorld(sizes, nullptr, nullptr);
    MessageLog log;
    setMessageSink(world, collect, &log);
    setMessageLevel(world, 2);

    RigidBody* body = createBody(world, 0);
    RigidBody* particle = createBody(world, 1);
    ASSERT_NE(body, nullptr);
    ASSERT_NE(particle, nullptr);
    EXPECT_EQ(body->index, 0);
    EXPECT_EQ(particle->index, 1 + sizes.animatedBodiesCount);  // after the rigid and animated slots
    EXPECT_EQ(createBody(world, 0), nullptr);
    EXPECT_EQ(createBody(world, 1), nullptr);
    EXPECT_EQ(createBody(world, 2), nullptr);  // not a kind the world hands out
    EXPECT_NE(addSensor(body), nullptr);
    EXPECT_EQ(addSensor(body), nullptr);
    EXPECT_NE(addController(body, nullptr, 0), nullptr);
    EXPECT_EQ(addController(particle, nullptr, 0), nullptr);
    EXPECT_EQ(addGeometry(body), nullptr);

    const char* expected[] = {
        "Run out of RigidBodies. Increase 'rigidBodiesCount'.\n",
        "Run out of RigidBodies. Increase 'rigidParticleCount'.\n",
        "Run out of Sensors. Increase 'sensorsCount'.\n",
        "Run out of Controllers. Increase 'constraintSetsCount'.\n",
        "Run out of Geometries. Increase 'geometriesCount'.\n",
    };
    ASSERT_EQ(log.messages.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(log.messages[i], expected[i]);

    // A null from an exhausted pool is harmless to pass on.
    setBox(nullptr, 1.0f, 1.0f, 1.0f);
    setRay(nullptr, Vector3(), Vector3(0, -1, 0));
    setForce(nullptr, Vector3(1, 0, 0));
    setPosition(nullptr, Vector3());
    EXPECT_EQ(getHitDepth(nullptr), 0.0f);
    destroyWorld(world);
}

TEST(PhysicsWorld, NegativeSizesCountAsEmptyPools) {
    WorldSizes sizes;
    sizes.rigidBodiesCount = -5;
    PhysicsWorld* world = createWorld(sizes, nullptr, nullptr);
    ASSERT_NE(world, nullptr);
    EXPECT_EQ(createBody(world, 0), nullptr);
    EXPECT_NE(createBody(world, 1), nullptr);
    destroyWorld(world);
}

TEST(PhysicsWorld, TerrainMeshIsCopiedAndChecked) {
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, nullptr);
    std::vector<Vector3> vertices = {Vector3(0, 0, 0), Vector3(10, 0, 0), Vector3(10, 1, 10),
                                     Vector3(0, -2, 10)};
    std::vector<MeshTriangle> triangles(3);
    int faces[3][3] = {{0, 1, 2}, {0, 2, 3}, {0, 2, 9}};  // the last one names a vertex that is not there
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k) triangles[i].vertices[k] = faces[i][k];
    triangles[1].material = 300;

    TerrainMesh mesh;
    EXPECT_EQ(setTerrainMesh(world, mesh), 0);
    mesh.vertices = vertices.data();
    mesh.vertexCount = 4;
    mesh.triangles = triangles.data();
    mesh.triangleCount = 0;
    EXPECT_EQ(setTerrainMesh(world, mesh), 0);
    mesh.vertexCount = 0;
    mesh.triangleCount = 3;
    EXPECT_EQ(setTerrainMesh(world, mesh), 0);
    EXPECT_FALSE(world->hasTerrain);
    EXPECT_EQ(MeshTriangle().vertices[0], -1);

    mesh.vertexCount = 4;
    EXPECT_EQ(setTerrainMesh(world, mesh), 1);
    vertices[0] = Vector3(99, 99, 99);  // the caller's arrays no longer matter
    triangles[0].vertices[0] = 3;
    ASSERT_TRUE(world->hasTerrain);
    EXPECT_EQ(world->terrainVertexCount, 4);
    EXPECT_EQ(world->terrainTriangleCount, 2);
    EXPECT_EQ(world->terrainVertices[0].x, 0.0f);
    EXPECT_EQ(world->terrainTriangles[0].vertices[0], 0);
    EXPECT_EQ(world->terrainTriangles[1].material, 0);
    EXPECT_EQ(world->terrainMin.y, -2.0f);
    EXPECT_EQ(world->terrainMax.x, 10.0f);
    EXPECT_EQ(world->terrainGeometry.kind, kGeometryTerrain);

    // A second mesh replaces the first.
    MeshTriangle one;
    one.vertices[0] = 0;
    one.vertices[1] = 1;
    one.vertices[2] = 2;
    mesh.triangles = &one;
    mesh.triangleCount = 1;
    EXPECT_EQ(setTerrainMesh(world, mesh), 1);
    EXPECT_EQ(world->terrainTriangleCount, 1);
    EXPECT_EQ(world->terrainVertices[0].x, 99.0f);
    destroyWorld(world);
}

TEST(PhysicsBody, FreshBodyDefaultsAndPlacement) {
    Vector3 gravity(0.0f, -8.0f, 0.0f);
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, &gravity);
    RigidBody* body = createBody(world, 0);
    EXPECT_EQ(getMass(body), 1.0f);
    EXPECT_EQ(body->inverseMass, 1.0f);
    EXPECT_EQ(body->collideConnected, 0);
    EXPECT_EQ(body->linearSleepThreshold, 0.2f);
    EXPECT_TRUE(body->gravityEnabled);
    EXPECT_TRUE(isAwake(body));
    EXPECT_EQ(getOrientation(body).w, 1.0f);

    int car = 0;
    setUserData(body, &car);
    EXPECT_EQ(getUserData(body), &car);
    setCollideConnected(body, 1);
    EXPECT_EQ(body->collideConnected, 1);

    setPosition(body, Vector3(1, 2, 3));
    Matrix3 r = fromEulerXYZ(Vector3(0.2f, 0.4f, 0.6f));
    setRotation(body, r);
    Transform t = getTransform(body);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(t.rotation[i].x, r[i].x);
        EXPECT_EQ(t.rotation[i].w, 0.0f);
    }
    EXPECT_EQ(t.position.z, 3.0f);
    EXPECT_EQ(t.position.w, 1.0f);

    // Non-finite input leaves the state alone.
    setPosition(body, Vector3(NAN, 0, 0));
    EXPECT_EQ(getPosition(body).x, 1.0f);
    setMass(body, 0.0f);
    setMass(body, -3.0f);
    EXPECT_EQ(getMass(body), 1.0f);
    setMass(body, 4.0f);
    EXPECT_EQ(body->inverseMass, 0.25f);
    destroyWorld(world);
}

TEST(PhysicsBody, SetRotationStoresTheMatrixAndDerivesTheQuaternion) {
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, nullptr);
    RigidBody* body = createBody(world, 0);
    const Quaternion samples[] = {
        Quaternion(0.1f, 0.2f, -0.1f, 0.9695360f),  // w largest
        Quaternion(0.9f, 0.3f, -0.2f, 0.2449490f),  // x largest
        Quaternion(-0.3f, 0.9f, 0.2f, 0.2449490f),  // y largest
        Quaternion(0.2f, -0.3f, 0.9f, 0.2449490f),  // z largest
    };
    for (const Quaternion& q : samples) {
        Matrix3 m = toMatrix(q);
        setRotation(body, m);
        Matrix3 stored = getRotation(body);
        for (int i = 0; i < 3; ++i)
            for (int j = 0; j < 3; ++j) EXPECT_EQ(stored[i][j], m[i][j]);
        Quaternion r = getOrientation(body);
        EXPECT_NEAR(r.x, q.x, 3e-6);
        EXPECT_NEAR(r.y, q.y, 3e-6);
        EXPECT_NEAR(r.z, q.z, 3e-6);
        EXPECT_NEAR(r.w, q.w, 3e-6);
    }
    destroyWorld(world);
}

TEST(PhysicsBody, InertiaAndItsInverse) {
    Vector3 i = boxInertia(Vector3(6.0f, 1.0f, 2.6f), 100.0f);
    EXPECT_EQ(i.x, 2400.0f);
    EXPECT_EQ(i.y, 2400.0f);
    EXPECT_EQ(i.z, 2400.0f);
    Vector3 cabin = boxInertia(Vector3(2.5f, 0.6f, 2.6f), 100.0f);
    EXPECT_NEAR(cabin.x, 2.0 / 3 * 100 * 2.6 * 2.6, 1e-3);

    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, nullptr);
    RigidBody* body = createBody(world, 0);
    setInertia(body, Vector3(2.0f, 4.0f, 8.0f));
    EXPECT_EQ(getInertia(body).y, 4.0f);
    EXPECT_FLOAT_EQ(body->inverseInertia[0].x, 0.5f);
    EXPECT_FLOAT_EQ(body->inverseInertia[1].y, 0.25f);
    EXPECT_FLOAT_EQ(body->inverseInertia[2].z, 0.125f);
    EXPECT_EQ(body->inverseInertia[0].y, 0.0f);
    // A determinant below 1e-17 keeps the previous inverse.
    setInertia(body, Vector3(1e-6f, 1e-6f, 1e-6f));
    EXPECT_EQ(getInertia(body).x, 1e-6f);
    EXPECT_FLOAT_EQ(body->inverseInertia[0].x, 0.5f);
    setInertia(body, Vector3(0.0f, 1.0f, 1.0f));
    EXPECT_FLOAT_EQ(body->inverseInertia[2].z, 0.125f);
    destroyWorld(world);
}

TEST(PhysicsBody, AngularMomentumUsesTheWorldFrameInertia) {
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, nullptr);
    RigidBody* body = createBody(world, 0);
    setInertia(body, Vector3(1.0f, 2.0f, 4.0f));
    // A quarter turn about Y lays the body's z axis along world x, so a
    // momentum along world x meets the inertia 4.
    setRotation(body, fromEulerXYZ(Vector3(0.0f, 1.5707964f, 0.0f)));
    setAngularMomentum(body, Vector3(4.0f, 0.0f, 0.0f));
    Vector3 w = getAngularVelocity(body);
    EXPECT_NEAR(w.x, 1.0f, 1e-6);
    EXPECT_NEAR(w.y, 0.0f, 1e-6);
    EXPECT_NEAR(w.z, 0.0f, 1e-6);
    // World z lies along the body's −x: inertia 1.
    setAngularMomentum(body, Vector3(0.0f, 0.0f, 3.0f));
    EXPECT_NEAR(getAngularVelocity(body).z, 3.0f, 1e-6);
    // q̇ = ½·ω⊗q.
    Quaternion q = getOrientation(body);
    Quaternion expected = Quaternion(0, 0, 3, 0) * q;
    EXPECT_NEAR(body->orientationRate.y, 0.5f * expected.y, 1e-6);
    EXPECT_NEAR(body->orientationRate.w, 0.5f * expected.w, 1e-6);

    setLinearVelocity(body, Vector3(1, 0, 0));
    Vector3 u = velocityAtOffset(body, Vector3(0, 2, 0));  // v + ω × r = (1,0,0) + (0,0,3)×(0,2,0)
    EXPECT_NEAR(u.x, 1.0f - 6.0f, 1e-6);
    EXPECT_NEAR(u.y, 0.0f, 1e-6);
    destroyWorld(world);
}

TEST(PhysicsBody, SensorsRaysAndIteration) {
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, nullptr);
    RigidBody* body = createBody(world, 0);
    EXPECT_EQ(nextSensor(body), nullptr);
    Sensor* s[4];
    for (int i = 0; i < 4; ++i) {
        s[i] = addSensor(body);
        setRay(s[i], Vector3((float)i, -0.5f, 1.0f), Vector3(0.0f, -2.0f, 0.0f));
    }
    resetSensorIteration(body);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(nextSensor(body), s[i]);
    EXPECT_EQ(nextSensor(body), nullptr);
    resetSensorIteration(body);
    EXPECT_EQ(nextSensor(body), s[0]);

    EXPECT_EQ(getLength(s[1]), 2.0f);
    EXPECT_EQ(getDirection(s[1]).y, -1.0f);
    EXPECT_EQ(getOrigin(s[3]).x, 3.0f);
    EXPECT_EQ(getHitDepth(s[1]), 0.0f);
    EXPECT_EQ(getHitMaterial(s[1]), -1);

    setRay(s[2], Vector3(0, 0, 0), Vector3(0, 0, 0));
    EXPECT_EQ(getLength(s[2]), 0.0f);
    Vector3 d = getDirection(s[2]);
    EXPECT_EQ(d.x, 0.0f);
    EXPECT_EQ(d.y, 0.0f);
    EXPECT_EQ(d.z, 0.0f);
    setRay(s[2], Vector3(0, 0, 0), Vector3(0.0005f, 0, 0));  // near zero by the squared-length rule
    EXPECT_EQ(getLength(s[2]), 0.0f);
    EXPECT_EQ(getDirection(s[2]).x, 0.0f);
    destroyWorld(world);
}

TEST(PhysicsBody, GeometriesAndBounds) {
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, nullptr);
    RigidBody* body = createBody(world, 0);
    Geometry* g = addGeometry(body);
    EXPECT_EQ(g->kind, kGeometryBox);
    EXPECT_EQ(g->halfExtents.x, 0.5f);
    EXPECT_EQ(g->material, 0);
    EXPECT_EQ(getBody(g), body);
    setBox(g, 6.0f, 1.0f, 2.6f);
    EXPECT_EQ(g->halfExtents.x, 3.0f);
    EXPECT_EQ(g->halfExtents.z, 1.3f);
    Transform local;
    local.position = Vector3(0.0f, 0.3f, 0.0f);
    setLocalTransform(g, local);
    EXPECT_EQ(g->local.position.w, 1.0f);

    float box = std::sqrt(3.0f * 3.0f + 0.5f * 0.5f + 1.3f * 1.3f) + 0.3f;
    EXPECT_NEAR(geometryExtent(g), box, 1e-6);
    updateBounds(body);
    EXPECT_NEAR(body->extent, box, 1e-6);

    // A long ray reaches farther than the box.
    setRay(addSensor(body), Vector3(2.0f, 0.0f, 1.0f), Vector3(0.0f, -4.0f, 0.0f));
    setPosition(body, Vector3(10.0f, 0.0f, 0.0f));
    updateBounds(body);
    EXPECT_NEAR(body->extent, std::sqrt(4.0f + 16.0f + 1.0f), 1e-6);
    EXPECT_NEAR(body->boundsMin.x, 10.0f - body->extent, 1e-5);
    EXPECT_NEAR(body->boundsMax.y, body->extent, 1e-5);
    // The geometry's world frame follows the body.
    EXPECT_NEAR(g->world.position.x, 10.0f, 1e-6);
    EXPECT_NEAR(g->world.position.y, 0.3f, 1e-6);

    Geometry odd = *g;
    odd.kind = 9;
    testing::internal::CaptureStderr();
    EXPECT_EQ(geometryExtent(&odd), 0.0f);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "TConvex::GetExtend - error: unrecongised primitive type\n");
    destroyWorld(world);
}

TEST(PhysicsBody, GeometryWorldFrameFollowsATurnedBody) {
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, nullptr);
    RigidBody* body = createBody(world, 0);
    Geometry* g = addGeometry(body);
    Transform local;
    local.position = Vector3(1.0f, 0.5f, 0.0f);
    local.rotation = fromEulerXYZ(Vector3(0.0f, 0.0f, 1.5707964f));
    setLocalTransform(g, local);
    setPosition(body, Vector3(10.0f, 0.0f, 0.0f));
    // A quarter turn about Y carries the body's +x to world −z.
    setRotation(body, fromEulerXYZ(Vector3(0.0f, 1.5707964f, 0.0f)));
    updateBounds(body);
    EXPECT_NEAR(g->world.position.x, 10.0f, 1e-6);
    EXPECT_NEAR(g->world.position.y, 0.5f, 1e-6);
    EXPECT_NEAR(g->world.position.z, -1.0f, 1e-6);
    // The shape's own x axis, turned to body +y first, stays world +y.
    EXPECT_NEAR(g->world.rotation[0].y, 1.0f, 1e-6);
    destroyWorld(world);
}
