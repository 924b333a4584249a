// Shape tests over plain records: box against box, box against a triangle,
// rays against boxes and triangles, and the terrain tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "physics/collide_state.h"
#include "test_collision_fixtures.h"

static CollisionBox axisBox(const Vector3& centre, float hx, float hy, float hz) {
    CollisionBox b;
    b.center = centre;
    b.axis[0] = Vector3(1, 0, 0);
    b.axis[1] = Vector3(0, 1, 0);
    b.axis[2] = Vector3(0, 0, 1);
    b.half[0] = hx;
    b.half[1] = hy;
    b.half[2] = hz;
    return b;
}

static CollisionBox turnedBox(const Vector3& centre, const Vector3& half, const Vector3& euler) {
    Matrix3 r = fromEulerXYZ(euler);
    CollisionBox b;
    b.center = centre;
    for (int k = 0; k < 3; k++) {
        b.axis[k] = r[k];
        b.half[k] = half[k];
    }
    return b;
}

TEST(CollisionBoxBox, UnitBoxesPointNineApartTouchByATenth) {
    CollisionBox a = axisBox(Vector3(0.9f, 0, 0), 0.5f, 0.5f, 0.5f);
    CollisionBox b = axisBox(Vector3(0, 0, 0), 0.5f, 0.5f, 0.5f);
    BoxBoxAxis axis;
    ASSERT_TRUE(findBoxBoxAxis(a, b, &axis));
    EXPECT_NEAR(axis.penetration, 0.1f, 1e-6f);
    EXPECT_NEAR(axis.normal.x, 1.0f, 1e-6f);  // from b towards a
    EXPECT_NEAR(std::fabs(axis.normal.y) + std::fabs(axis.normal.z), 0.0f, 1e-6f);
    ContactPoint pts[kMaxPairContacts];
    int n = collideBoxBox(a, b, pts, 4);
    ASSERT_EQ(n, 4);  // the whole touching face
    for (int i = 0; i < n; i++) {
        EXPECT_NEAR(pts[i].depth, 0.1f, 1e-5f);
        EXPECT_NEAR(pts[i].position.x, 0.5f, 1e-5f);  // on b's face
        EXPECT_NEAR(std::fabs(pts[i].position.y), 0.5f, 1e-5f);
    }
    // 1.0 apart they do not touch.
    a.center = Vector3(1.0f, 0, 0);
    EXPECT_FALSE(findBoxBoxAxis(a, b, &axis));
    EXPECT_EQ(collideBoxBox(a, b, pts, 4), 0);
    // Unless the caller asks for points just apart.
    EXPECT_GT(collideBoxBox(a, b, pts, 4, 0.05f), 0);
    EXPECT_NEAR(pts[0].depth, 0.0f, 1e-5f);
}

TEST(CollisionBoxBox, FaceAxisWinsTiesOnlyWithItsPointOnTheFace) {
    // A small box deep in a big one's top face: the face of the big box is
    // the axis, the small box's lowest vertex the first point.
    CollisionBox big = axisBox(Vector3(0, 0, 0), 2.0f, 0.5f, 2.0f);
    CollisionBox small =
        turnedBox(Vector3(0.3f, 0.9f, -0.2f), Vector3(0.5f, 0.5f, 0.5f), Vector3(0.3f, 0.2f, 0.1f));
    BoxBoxAxis axis;
    ASSERT_TRUE(findBoxBoxAxis(small, big, &axis));
    EXPECT_EQ(axis.axisIndex, 4);  // B's y face
    EXPECT_NEAR(axis.normal.y, 1.0f, 1e-6f);
    // Independent: the lowest vertex of the small box.
    float lowest = 1e30f;
    for (int i = 0; i < 8; i++) {
        float y = small.center.y;
        for (int k = 0; k < 3; k++) y += ((i >> k) & 1 ? 0.5f : -0.5f) * small.axis[k].y;
        lowest = std::fmin(lowest, y);
    }
    EXPECT_NEAR(axis.penetration, 0.5f - lowest, 1e-5f);
    ContactPoint pts[kMaxPairContacts];
    int n = collideBoxBox(small, big, pts, 4);
    ASSERT_GE(n, 1);
    EXPECT_NEAR(pts[0].depth, 0.5f - lowest, 1e-5f);
    EXPECT_NEAR(pts[0].position.y, 0.5f, 1e-5f);
}

TEST(CollisionBoxBox, CrossedEdgesGiveOneEdgeContact) {
    // Two long bars crossing like an X, one lying on the other's edge.
    CollisionBox lower = turnedBox(Vector3(0, 0, 0), Vector3(2.0f, 0.2f, 0.2f), Vector3(0.7853982f, 0, 0));
    CollisionBox upper = turnedBox(Vector3(0, 0.5f, 0), Vector3(0.2f, 0.2f, 2.0f), Vector3(0, 0, 0.7853982f));
    BoxBoxAxis axis;
    ASSERT_TRUE(findBoxBoxAxis(upper, lower, &axis));
    EXPECT_GE(axis.axisIndex, 6);
    // Each ridge reaches 0.2·√2 from its centre: overlap 2·0.2828 − 0.5.
    EXPECT_NEAR(axis.penetration, 2.0f * 0.2f * std::sqrt(2.0f) - 0.5f, 1e-5f);
    EXPECT_NEAR(axis.normal.y, 1.0f, 1e-5f);
    ContactPoint pts[kMaxPairContacts];
    ASSERT_EQ(collideBoxBox(upper, lower, pts, 4), 1);
    EXPECT_NEAR(pts[0].position.x, 0.0f, 1e-5f);
    EXPECT_NEAR(pts[0].position.z, 0.0f, 1e-5f);
    EXPECT_NEAR(pts[0].position.y, 0.2f * std::sqrt(2.0f), 1e-5f);
}

TEST(CollisionBoxTriangle, BoxFlatOnTwoTrianglesKeepsItsFourCorners) {
    // A square of two triangles, the box straddling their shared diagonal.
    CollisionTriangle t0, t1;
    t0.v[0] = Vector3(-5, 0, -5);
    t0.v[1] = Vector3(-5, 0, 5);
    t0.v[2] = Vector3(5, 0, 5);
    t1.v[0] = Vector3(-5, 0, -5);
    t1.v[1] = Vector3(5, 0, 5);
    t1.v[2] = Vector3(5, 0, -5);
    t0.normal = Vector3(0, 1, 0);
    t1.normal = Vector3(0, -1, 0);  // winding need not agree
    CollisionBox box = axisBox(Vector3(0.5f, 0.49f, 0.2f), 1.0f, 0.5f, 0.7f);
    ContactPoint all[16];
    int n = collideBoxTriangle(box, t0, all, 4);
    n += collideBoxTriangle(box, t1, all + n, 4);
    ASSERT_GE(n, 4);
    std::set<std::pair<int, int>> corners;
    for (int i = 0; i < n; i++) {
        EXPECT_NEAR(all[i].normal.y, 1.0f, 1e-6f);
        EXPECT_NEAR(all[i].depth, 0.01f, 1e-5f);
        EXPECT_NEAR(all[i].position.y, 0.0f, 1e-6f);
        float x = all[i].position.x, z = all[i].position.z;
        if (std::fabs(std::fabs(x - 0.5f) - 1.0f) < 1e-4f && std::fabs(std::fabs(z - 0.2f) - 0.7f) < 1e-4f)
            corners.insert({x > 0.5f, z > 0.2f});
    }
    EXPECT_EQ(corners.size(), 4u);
    // Lifted above the margin, nothing.
    box.center.y = 0.6f;
    EXPECT_EQ(collideBoxTriangle(box, t0, all, 4), 0);
}

TEST(CollisionBoxTriangle, ThinWallEndMetHeadOnPushesBackNotSideways) {
    // A vertical sheet in the plane z = 0 ending at x = 0.1; the box's face
    // at x = 0 has run 0.1 onto the sheet's end.
    CollisionTriangle t;
    t.v[0] = Vector3(0.1f, -1, 0);
    t.v[1] = Vector3(0.1f, 3, 0);
    t.v[2] = Vector3(-10, 3, 0);
    t.normal = Vector3(0, 0, 1);
    CollisionBox box = axisBox(Vector3(1.0f, 1.0f, 0.05f), 1.0f, 0.5f, 0.6f);
    ContactPoint pts[8];
    int n = collideBoxTriangle(box, t, pts, 4);
    ASSERT_GT(n, 0);
    for (int i = 0; i < n; i++) {
        EXPECT_NEAR(pts[i].normal.x, 1.0f, 1e-5f);
        EXPECT_NEAR(pts[i].depth, 0.1f, 1e-4f);
    }
}

TEST(CollisionRays, BoxSlabsAndParallelMiss) {
    CollisionBox box = axisBox(Vector3(0, 0, 0), 0.5f, 0.5f, 0.5f);
    RayHit hit;
    // Straight down onto the top face.
    ASSERT_TRUE(rayBox(box, Vector3(0.1f, 1.0f, 0.2f), Vector3(0, -1, 0), &hit));
    EXPECT_NEAR(hit.t, 0.5f, 1e-6f);
    EXPECT_NEAR(hit.normal.y, 1.0f, 1e-6f);
    // Parallel to the x faces and outside the slab: a miss.
    EXPECT_FALSE(rayBox(box, Vector3(0.7f, 1.0f, 0.0f), Vector3(0, -2, 0), &hit));
    // Short of the face: no hit.
    EXPECT_FALSE(rayBox(box, Vector3(0, 1.6f, 0), Vector3(0, -1, 0), &hit));
    // From inside: nothing.
    EXPECT_FALSE(rayBox(box, Vector3(0, 0, 0), Vector3(0, -1, 0), &hit));
    // Sideways into the -x face of a turned box: the normal faces the origin.
    CollisionBox turned = turnedBox(Vector3(0, 0, 0), Vector3(0.5f, 0.5f, 0.5f), Vector3(0, 0.3f, 0));
    ASSERT_TRUE(rayBox(turned, Vector3(-3, 0, 0), Vector3(6, 0, 0), &hit));
    EXPECT_LT(hit.normal.x, -0.9f);
    EXPECT_NEAR(hit.t, (3.0f - 0.5f / std::cos(0.3f)) / 6.0f, 1e-5f);
}

TEST(CollisionRays, TriangleQuarterDeepAndParallel) {
    CollisionTriangle t;
    t.v[0] = Vector3(-1, 0, -1);
    t.v[1] = Vector3(1, 0, -1);
    t.v[2] = Vector3(0, 0, 1);
    t.normal = Vector3(0, -1, 0);  // facing down: the hit turns it up
    RayHit hit;
    ASSERT_TRUE(rayTriangle(t, Vector3(0, 0.75f, 0), Vector3(0, -1, 0), &hit));
    EXPECT_NEAR((1.0f - hit.t) * 1.0f, 0.25f, 1e-6f);
    EXPECT_NEAR(hit.normal.y, 1.0f, 1e-6f);
    EXPECT_FALSE(rayTriangle(t, Vector3(0, 0.1f, 0), Vector3(1, 0, 0), &hit));
    EXPECT_FALSE(rayTriangle(t, Vector3(0.9f, 0.5f, 0.9f), Vector3(0, -1, 0), &hit));  // outside an edge
}

// Sensors through the world -------------------------------------------------

struct DepthProbe : ControllerListener {
    float depth = -1.0f;
    Vector3 normal, point;
    void onControl(Controller* c) override {
        RigidBody* body = getBody(c);
        resetSensorIteration(body);
        Sensor* s = nextSensor(body);
        depth = getHitDepth(s);
        normal = getHitNormal(s);
        point = getHitPoint(s);
    }
};

static float probeDepth(PhysicsWorld* world, const Vector3& at, DepthProbe* probe) {
    Vector3 none;
    RigidBody* body = createBody(world, 0);
    setRay(addSensor(body), Vector3(), Vector3(0, -1, 0));
    addController(body, probe, 0);
    body->gravityEnabled = false;
    updateBounds(body);
    setPosition(body, at);
    step(world, 0.001f, 1, nullptr);
    return probe->depth;
}

TEST(CollisionRays, SensorAboveFlatTerrain) {
    Vector3 none;
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, &none);
    MeshBuilder mb;
    mb.ground(-10, -10, 10, 10, 0.0f, 2.0f);
    setTerrainMesh(world, mb.mesh());
    DepthProbe a, b, c;
    EXPECT_NEAR(probeDepth(world, Vector3(0.3f, 0.6f, 0.1f), &a), 0.4f, 1e-5f);
    EXPECT_NEAR(a.normal.y, 1.0f, 1e-6f);
    EXPECT_NEAR(a.point.y, 0.0f, 1e-6f);
    EXPECT_NEAR(a.point.x, 0.3f, 1e-6f);
    EXPECT_EQ(probeDepth(world, Vector3(1.3f, 1.5f, 0.1f), &b), 0.0f);
    EXPECT_NEAR(probeDepth(world, Vector3(-3.7f, 0.75f, 5.5f), &c), 0.25f, 1e-5f);
    destroyWorld(world);
}

TEST(CollisionRays, DeepestHitOverAllGeometries) {
    Vector3 none;
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, &none);
    MeshBuilder mb;
    mb.ground(-10, -10, 10, 10, 0.0f, 2.0f);
    setTerrainMesh(world, mb.mesh());
    // A box whose top is 0.3 above the ground under the ray.
    RigidBody* box = makeBox(world, Vector3(1, 0.3f, 1), 1.0f, Vector3(0, 0.15f, 0));
    box->gravityEnabled = false;
    DepthProbe probe;
    // The ray ends 0.4 below the ground: the terrain hit (0.4) beats the box (0.7)? No:
    // the box top is met first, reaching deeper beyond it.
    float d = probeDepth(world, Vector3(0.1f, 0.6f, 0.1f), &probe);
    EXPECT_NEAR(d, 0.7f, 1e-5f);
    EXPECT_NEAR(probe.normal.y, 1.0f, 1e-6f);  // the box's frame: its +y face
    EXPECT_NEAR(probe.point.y, 0.3f, 1e-5f);
    destroyWorld(world);
}

// Terrain tree ------------------------------------------------------------------

static TerrainTree& treeOf(PhysicsWorld* world) {
    return world->collision->terrain;
}

TEST(CollisionTerrainTree, NineTrianglesMakeOneLeafAndTenSplit) {
    Vector3 none;
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, &none);
    MeshBuilder nine;
    for (int i = 0; i < 9; i++)
        nine.triangle(Vector3(i * 2.0f, 0, 0), Vector3(i * 2.0f + 1, 0, 0), Vector3(i * 2.0f, 0, 1));
    setTerrainMesh(world, nine.mesh());
    ASSERT_EQ(treeOf(world).nodeCount, 1);
    EXPECT_EQ(treeOf(world).nodes[0].triangleCount, 9);
    for (int c = 0; c < 4; c++) EXPECT_EQ(treeOf(world).nodes[0].children[c], -1);

    // Ten small triangles, two or three in each quadrant around the origin.
    MeshBuilder ten;
    float qx[4] = {-5, 5, 5, -5}, qz[4] = {-5, -5, 5, 5};
    int perQuadrant[4] = {3, 2, 3, 2};
    for (int q = 0; q < 4; q++) {
        for (int k = 0; k < perQuadrant[q]; k++) {
            float x = qx[q] + k * 1.5f, z = qz[q];
            ten.triangle(Vector3(x, 0, z), Vector3(x + 1, 0, z), Vector3(x, 0, z + 1));
        }
    }
    setTerrainMesh(world, ten.mesh());
    const TerrainTree& tree = treeOf(world);
    const TerrainNode& root = tree.nodes[0];
    EXPECT_EQ(root.triangleCount, 0);
    // Mean of all corners.
    float mx = 0, mz = 0;
    for (const Vector3& v : ten.vertices) {
        mx += v.x;
        mz += v.z;
    }
    mx /= 30.0f;
    mz /= 30.0f;
    int expected[4] = {3, 2, 3, 2};
    for (int c = 0; c < 4; c++) {
        ASSERT_GE(root.children[c], 0);
        const TerrainNode& child = tree.nodes[root.children[c]];
        EXPECT_EQ(child.triangleCount, expected[c]) << "child " << c;
        EXPECT_EQ(child.depth, 1);
        EXPECT_FLOAT_EQ(c == 0 || c == 3 ? child.boundsMax.x : child.boundsMin.x, mx);
        EXPECT_FLOAT_EQ(c < 2 ? child.boundsMax.z : child.boundsMin.z, mz);
        EXPECT_FLOAT_EQ(child.boundsMin.y, root.boundsMin.y);
    }
    destroyWorld(world);
}

TEST(CollisionTerrainTree, SharedTrianglesAndTheAllInOneStop) {
    Vector3 none;
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, &none);
    // Twelve long slivers all crossing the mean: every quadrant would take
    // all of them, so the root stays one leaf.
    MeshBuilder slivers;
    for (int i = 0; i < 12; i++)
        slivers.triangle(Vector3(-10, 0, -10 + i * 0.01f), Vector3(10, 0, 10), Vector3(10, 0, 10.5f));
    setTerrainMesh(world, slivers.mesh());
    EXPECT_EQ(treeOf(world).nodeCount, 1);
    EXPECT_EQ(treeOf(world).nodes[0].triangleCount, 12);

    // A big ground plus one triangle across the middle: that triangle sits in
    // several children.
    MeshBuilder mixed;
    mixed.ground(-20, -20, 20, 20, 0.0f, 2.0f);
    mixed.triangle(Vector3(-3, 1, -3), Vector3(3, 1, -3), Vector3(0, 1, 3));
    int shared = (int)mixed.triangles.size() - 1;
    setTerrainMesh(world, mixed.mesh());
    const TerrainTree& tree = treeOf(world);
    int holders = 0;
    for (int i = 0; i < tree.nodeCount; i++) {
        const TerrainNode& n = tree.nodes[i];
        EXPECT_LE(n.depth, kTerrainMaxDepth);
        if (n.triangleCount > kTerrainLeafTriangles) {
            EXPECT_EQ(n.depth, kTerrainMaxDepth);
        }
        for (int k = 0; k < n.triangleCount; k++)
            holders += tree.leafTriangles[n.firstTriangle + k] == shared;
    }
    EXPECT_GE(holders, 2);
    destroyWorld(world);
}

// Every triangle whose box meets the query box is found, once, on a random mesh.
TEST(CollisionTerrainTree, QueryFindsExactlyTheTrianglesNearTheBox) {
    Vector3 none;
    PhysicsWorld* world = createWorld(WorldSizes(), nullptr, &none);
    std::srand(11);
    auto rnd = [](float lo, float hi) { return lo + (hi - lo) * (float)std::rand() / (float)RAND_MAX; };
    MeshBuilder mb;
    for (int i = 0; i < 3000; i++) {
        Vector3 c(rnd(-100, 100), rnd(-5, 5), rnd(-100, 100));
        float s = rnd(0.5f, 8.0f);
        mb.triangle(c, Vector3(c.x + rnd(-s, s), c.y + rnd(-1, 1), c.z + rnd(-s, s)),
                    Vector3(c.x + rnd(-s, s), c.y, c.z + rnd(-s, s)));
    }
    setTerrainMesh(world, mb.mesh());
    TerrainTree& tree = treeOf(world);
    std::vector<int> out(4096);
    for (int q = 0; q < 200; q++) {
        Vector3 lo(rnd(-110, 100), rnd(-6, 5), rnd(-110, 100));
        Vector3 hi(lo.x + rnd(0.1f, 10), lo.y + rnd(0.1f, 3), lo.z + rnd(0.1f, 10));
        int n = queryTerrainTriangles(tree, lo, hi, out.data(), (int)out.size());
        std::set<int> found(out.begin(), out.begin() + n);
        ASSERT_EQ((int)found.size(), n) << "a triangle came twice";
        CollisionBox box;
        box.center = (lo + hi) * 0.5f;
        box.axis[0] = Vector3(1, 0, 0);
        box.axis[1] = Vector3(0, 1, 0);
        box.axis[2] = Vector3(0, 0, 1);
        for (int a = 0; a < 3; a++) box.half[a] = 0.5f * (hi[a] - lo[a]);
        for (int t = 0; t < tree.triangleCount; t++) {
            bool boxesMeet = true;
            for (int a = 0; a < 3; a++)
                boxesMeet = boxesMeet && tree.triangleMin[t][a] <= hi[a] && tree.triangleMax[t][a] >= lo[a];
            // Found ones lie near the box; every one that cuts it is found.
            if (found.count(t)) {
                ASSERT_TRUE(boxesMeet) << "query " << q << " triangle " << t;
            } else {
                ASSERT_FALSE(boxOverlapsTriangle(box, tree.triangles[t], -1e-3f))
                    << "query " << q << " triangle " << t;
            }
        }
    }
    destroyWorld(world);
}
