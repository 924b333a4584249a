// The generated world read back the way the game reads it: every model and
// texture loads, the maps stay within their budgets, the collision meshes
// build the physics terrain, the starting grids stand on the road and the
// waypoints lie along drivable road.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "content/circuit.h"
#include "content/city.h"
#include "content/content.h"
#include "content/maps.h"
#include "content/waypoints.h"
#include "physics/physics.h"
#include "race/race.h"
#include "render/render.h"

namespace {

std::string worldRoot;  // holds base/

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}

std::unique_ptr<Model> loadModel(const std::string& relative) {
    std::unique_ptr<Model> model(new Model());
    EXPECT_TRUE(model->load((worldRoot + "/" + relative).c_str())) << relative;
    return model;
}

std::string mapFile(int map, const char* file) {
    return "base/maps/" + std::to_string(map) + "/" + file;
}

std::vector<Waypoint> waypointsOf(int map) {
    std::vector<Waypoint> points;
    EXPECT_TRUE(decodeWaypoints(readFile(worldRoot + "/" + mapFile(map, "points/level.ai")), &points));
    return points;
}

Vec3 vertexOf(const Model& m, int triangle, int corner) {
    const float* p = m.vertices[m.triangles[triangle].vertexIndices[corner]].position;
    return Vec3{p[0], p[1], p[2]};
}

// Moller-Trumbore: distance along dir (not normalised) to the triangle, or
// -1 when the ray (0 <= t <= maxT) misses it.
float rayTriangle(Vec3 origin, Vec3 dir, Vec3 a, Vec3 b, Vec3 c, float maxT) {
    Vec3 e1 = b - a, e2 = c - a;
    Vec3 p = cross(dir, e2);
    float det = dot(e1, p);
    if (std::fabs(det) < 1e-9f) return -1.0f;
    float inv = 1.0f / det;
    Vec3 s = origin - a;
    float u = dot(s, p) * inv;
    if (u < 0.0f || u > 1.0f) return -1.0f;
    Vec3 q = cross(s, e1);
    float v = dot(dir, q) * inv;
    if (v < 0.0f || u + v > 1.0f) return -1.0f;
    float t = dot(e2, q) * inv;
    return t >= 0.0f && t <= maxT ? t : -1.0f;
}

// Nearest hit of a ray against a whole model: t, and the hit triangle's
// normal's y.
struct Hit {
    float t;
    float normalY;
};

Hit castRay(const Model& m, Vec3 origin, Vec3 dir, float maxT) {
    Hit best{-1.0f, 0.0f};
    for (int i = 0; i < m.triangleCount; ++i) {
        Vec3 a = vertexOf(m, i, 0), b = vertexOf(m, i, 1), c = vertexOf(m, i, 2);
        float t = rayTriangle(origin, dir, a, b, c, maxT);
        if (t >= 0.0f && (best.t < 0.0f || t < best.t)) {
            best.t = t;
            best.normalY = std::fabs(normalize(cross(b - a, c - a)).y);
        }
    }
    return best;
}

// The build's own base/ when the build made one (the content target runs
// with every build), else a fresh one in a temporary folder.
class World : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        buildCity();
        std::string built = KORVASK_BUILD_DIR;
        if (exists(built + "/base/maps/20/points/level.ai") && exists(built + "/base/garage/light.ms3d")) {
            worldRoot = built;
            return;
        }
        worldRoot = temporaryFolder();
        ASSERT_FALSE(worldRoot.empty());
        temporary = worldRoot;
        ASSERT_TRUE(generateWorld(worldRoot + "/base"));
    }
    static void TearDownTestSuite() { removeFolder(temporary); }

    static std::string temporaryFolder() {
        char pattern[] = "/tmp/korvask-world-XXXXXX";
        char* dir = mkdtemp(pattern);
        return dir ? std::string(dir) : std::string();
    }
    static void removeFolder(std::string& path) {
        if (!path.empty()) std::system(("rm -rf '" + path + "'").c_str());
        path.clear();
    }
    static std::string temporary;
};
std::string World::temporary;

// Every material's texture exists and the game's DIB reader takes it.
void expectTexturesLoad(const Model& m, const std::string& what) {
    for (int i = 0; i < m.materialCount; ++i) {
        std::string file = m.materials[i].textureFile;
        if (file.empty()) continue;
        EXPECT_EQ(file.compare(0, 5, "base/"), 0) << what << ": " << file;
        std::vector<uint8_t> bytes = readFile(worldRoot + "/" + file);
        DibImage* image = nullptr;
        ASSERT_EQ(decodeDib(bytes.data(), bytes.size(), &image), DibOk) << what << ": " << file;
        EXPECT_GT(image->width, 0);
        freeDibImage(image);
    }
}

}  // namespace

TEST_F(World, EveryModelLoadsWithinItsBudget) {
    for (int map = 1; map <= kMapCount; ++map) {
        SCOPED_TRACE("map " + std::to_string(map));
        std::unique_ptr<Model> collision = loadModel(mapFile(map, "map.ms3d"));
        std::unique_ptr<Model> visual = loadModel(mapFile(map, "mapvisual.ms3d"));
        std::unique_ptr<Model> light = loadModel(mapFile(map, "light.ms3d"));
        EXPECT_GT(collision->triangleCount, 500);
        EXPECT_LE(collision->triangleCount, kMaxCollisionTriangles);
        EXPECT_GT(visual->triangleCount, 5000);
        EXPECT_LE(visual->triangleCount, kMaxVisualTriangles);
        EXPECT_GT(light->triangleCount, 20);
        EXPECT_LE(light->triangleCount, kMaxLamps);
        expectTexturesLoad(*visual, "mapvisual");
        // Every visual triangle is in exactly one group.
        int grouped = 0;
        for (int g = 0; g < visual->groupCount; ++g) grouped += visual->groups[g].triangleCount;
        EXPECT_EQ(grouped, visual->triangleCount);
    }
    for (int car = 1; car <= 12; ++car) {
        std::string dir = "base/cars/" + std::to_string(car) + "/";
        std::unique_ptr<Model> body = loadModel(dir + "car.ms3d");
        std::unique_ptr<Model> coarse = loadModel(dir + "car_low.ms3d");
        std::unique_ptr<Model> wheel = loadModel(dir + "wheel.ms3d");
        std::unique_ptr<Model> coarseWheel = loadModel(dir + "wheel_low.ms3d");
        EXPECT_GT(body->triangleCount, 100);
        EXPECT_GT(coarse->triangleCount, 100);
        EXPECT_LE(coarse->triangleCount, body->triangleCount / 3);
        EXPECT_GT(wheel->triangleCount, 60);
        EXPECT_GT(coarseWheel->triangleCount, 60);
        EXPECT_LE(coarseWheel->triangleCount, wheel->triangleCount / 2);
        expectTexturesLoad(*body, dir + "car.ms3d");
        expectTexturesLoad(*coarse, dir + "car_low.ms3d");
        expectTexturesLoad(*wheel, dir + "wheel.ms3d");
        expectTexturesLoad(*coarseWheel, dir + "wheel_low.ms3d");
    }
    std::unique_ptr<Model> garage = loadModel("base/garage/garage.ms3d");
    std::unique_ptr<Model> garageLight = loadModel("base/garage/light.ms3d");
    EXPECT_GT(garage->triangleCount, 50);
    EXPECT_GE(garageLight->triangleCount, 4);
    expectTexturesLoad(*garage, "garage");
}

// Each lamp is one triangle whose material glows in the lamp's colour, at a
// lamp's height over the ground.
TEST_F(World, LampsGlowAboveTheStreets) {
    for (int map = 1; map <= kRaceCount; ++map) {
        std::unique_ptr<Model> light = loadModel(mapFile(map, "light.ms3d"));
        light->buildFlatTriangles();
        ASSERT_EQ(light->flatTriangleCount, light->triangleCount);
        for (int i = 0; i < light->flatTriangleCount; ++i) {
            const FlatTriangle& t = light->flatTriangles[i];
            ASSERT_GE(t.materialIndex, 0);
            const float* e = light->materials[t.materialIndex].emissive;
            EXPECT_GT(e[0] + e[1] + e[2], 0.5f);
            float x = (t.corners[0].position[0] + t.corners[1].position[0] + t.corners[2].position[0]) / 3.0f;
            float y = (t.corners[0].position[1] + t.corners[1].position[1] + t.corners[2].position[1]) / 3.0f;
            float z = (t.corners[0].position[2] + t.corners[1].position[2] + t.corners[2].position[2]) / 3.0f;
            float above = y - groundHeight(x, z);
            EXPECT_GT(above, 3.0f) << "map " << map << " lamp " << i;
            EXPECT_LT(above, 12.0f) << "map " << map << " lamp " << i;
        }
    }
}

TEST_F(World, CollisionMeshesBuildThePhysicsTerrain) {
    for (int map = 1; map <= kMapCount; ++map) {
        std::unique_ptr<Model> m = loadModel(mapFile(map, "map.ms3d"));
        std::vector<Vector3> vertices;
        for (int i = 0; i < m->vertexCount; ++i)
            vertices.push_back(
                Vector3(m->vertices[i].position[0], m->vertices[i].position[1], m->vertices[i].position[2]));
        std::vector<MeshTriangle> triangles(static_cast<size_t>(m->triangleCount));
        for (int i = 0; i < m->triangleCount; ++i)
            for (int c = 0; c < 3; ++c) triangles[i].vertices[c] = m->triangles[i].vertexIndices[c];
        TerrainMesh mesh;
        mesh.vertices = vertices.data();
        mesh.vertexCount = static_cast<int>(vertices.size());
        mesh.triangles = triangles.data();
        mesh.triangleCount = static_cast<int>(triangles.size());
        Vector3 gravity(0, -8, 0);
        PhysicsWorld* world = createWorld(WorldSizes(), nullptr, &gravity);
        ASSERT_NE(world, nullptr);
        EXPECT_EQ(setTerrainMesh(world, mesh), 1) << "map " << map;
        destroyWorld(world);
    }
}

// The four cars of every race's grid, with the game's own bodies and wheel
// rays on the map's collision mesh: after two seconds every car rests on its
// springs where it was put, each wheel ray reaching about 0.18 into the road
// (four springs of 1000 and 1200 carrying 800).
TEST_F(World, StartingGridsStandOnTheRoad) {
    for (int race = 1; race <= kRaceCount; ++race) {
        SCOPED_TRACE("race " + std::to_string(race));
        session.collisionMapModel = loadModel(mapFile(race, "map.ms3d")).release();
        Vector3 gravity(0, -8, 0);
        WorldSizes sizes;
        PhysicsWorld* world = createWorld(sizes, nullptr, &gravity);
        ASSERT_NE(world, nullptr);
        buildMapMesh(world);
        Vec3 g = raceGridOrigin(race);
        for (int i = 0; i < kRaceCars; ++i) {
            session.cars[i] = Car();
            session.cars[i].index = i;
            createCarBody(session.cars[i], world, Vector3(g.x, g.y, g.z + 4.5f * i));
            ASSERT_NE(session.cars[i].body, nullptr);
        }
        for (int k = 0; k < 70; ++k) step(world, 0.028f, 4, nullptr);
        // The car forces keep 1 - depth of each wheel ray, held to 0.7..0.9:
        // 0.9 would mean a wheel in the air.
        for (int i = 0; i < kRaceCars; ++i)
            for (int w = 0; w < 4; ++w) {
                EXPECT_GT(session.cars[i].suspension[w], 0.72f) << "car " << i << " wheel " << w;
                EXPECT_LT(session.cars[i].suspension[w], 0.88f) << "car " << i << " wheel " << w;
            }
        for (int i = 0; i < kRaceCars; ++i) {
            Vector3 p = getPosition(session.cars[i].body);
            float road = groundHeight(p.x, p.z);
            EXPECT_NEAR(p.y - road, 0.82f, 0.15f) << "car " << i;
            EXPECT_NEAR(p.x, g.x, 0.5f) << "car " << i;
            EXPECT_LT(length(Vec3{getLinearVelocity(session.cars[i].body).x,
                                  getLinearVelocity(session.cars[i].body).y,
                                  getLinearVelocity(session.cars[i].body).z}),
                      0.5f);
        }
        destroyWorld(world);
        delete session.collisionMapModel;
        session.collisionMapModel = nullptr;
    }
}

// Waypoint 0 is the start line: every grid car is within 15 of it at the
// start and stays so over its first few units forward.
TEST_F(World, EveryGridCarPassesWaypointZero) {
    for (int race = 1; race <= kRaceCount; ++race) {
        std::vector<Waypoint> points = waypointsOf(race);
        ASSERT_FALSE(points.empty());
        Vec3 g = raceGridOrigin(race);
        Vec3 w{static_cast<float>(points[0].x), static_cast<float>(points[0].y),
               static_cast<float>(points[0].z)};
        EXPECT_GT(w.x, g.x) << "race " << race;  // ahead, in the cars' +x
        for (int i = 0; i < 4; ++i)
            for (float ahead = 0.0f; ahead <= 8.0f; ahead += 1.0f) {
                Vec3 car{g.x + ahead, g.y - 0.08f, g.z + 4.5f * i};
                EXPECT_LT(length(car - w), 15.0f) << "race " << race << " car " << i << " ahead " << ahead;
            }
    }
}

// Consecutive waypoints are joined by road: straight down from every point of
// the segment lies an up-facing surface at road height, and no wall stands
// across the segment at a car's height. The heading change from one segment
// to the next stays under the 0.5 radians that slow the opponents down, and
// the lap is 800 to 2,000 long.
TEST_F(World, WaypointsFollowDrivableRoad) {
    for (int race = 1; race <= kRaceCount; ++race) {
        SCOPED_TRACE("race " + std::to_string(race));
        std::unique_ptr<Model> m = loadModel(mapFile(race, "map.ms3d"));
        std::vector<Waypoint> points = waypointsOf(race);
        ASSERT_GE(points.size(), 20u);
        ASSERT_LE(points.size(), static_cast<size_t>(kMaxWaypoints));
        float lap = 0.0f;
        size_t n = points.size();
        for (size_t i = 0; i < n; ++i) {
            const Waypoint& a = points[i];
            const Waypoint& b = points[(i + 1) % n];
            const Waypoint& c = points[(i + 2) % n];
            Vec3 pa{float(a.x), float(a.y), float(a.z)}, pb{float(b.x), float(b.y), float(b.z)};
            Vec3 pc{float(c.x), float(c.y), float(c.z)};
            Vec3 ab = pb - pa, bc = pc - pb;
            float len = std::sqrt(ab.x * ab.x + ab.z * ab.z);
            lap += len;
            EXPECT_GT(len, 4.0f) << "waypoint " << i;
            EXPECT_LT(len, 48.0f) << "waypoint " << i;
            float turn = std::acos(
                std::clamp(dot(normalize(Vec3{ab.x, 0, ab.z}), normalize(Vec3{bc.x, 0, bc.z})), -1.0f, 1.0f));
            EXPECT_LT(turn, 0.5f) << "waypoint " << i;
            for (float s = 0.0f; s < 1.0f; s += 2.0f / len) {
                Vec3 p = pa + ab * s;
                Hit down = castRay(*m, {p.x, p.y + 3.0f, p.z}, {0, -1, 0}, 10.0f);
                ASSERT_GE(down.t, 0.0f) << "no road under waypoint " << i << " + " << s;
                float surface = p.y + 3.0f - down.t;
                EXPECT_GT(down.normalY, 0.9f) << "waypoint " << i;
                EXPECT_NEAR(surface, groundHeight(p.x, p.z), 0.25f) << "waypoint " << i;
            }
            // Car height over the road along the segment.
            Vec3 from{pa.x, groundHeight(pa.x, pa.z) + 1.0f, pa.z},
                to{pb.x, groundHeight(pb.x, pb.z) + 1.0f, pb.z};
            EXPECT_LT(castRay(*m, from, to - from, 1.0f).t, 0.0f)
                << "a wall between waypoints " << i << " and next";
        }
        EXPECT_GT(lap, 800.0f);
        EXPECT_LT(lap, 2000.0f);
    }
}

// Races that share a grid leave it by different routes.
TEST_F(World, SharedGridsLeadToDifferentCircuits) {
    const int groups[][3] = {{1, 5, 13}, {2, 8, 12}, {3, 9, 0}, {4, 10, 0}, {6, 14, 0}, {11, 15, 0}};
    for (const auto& group : groups) {
        for (int i = 0; i < 3; ++i)
            for (int j = i + 1; j < 3; ++j) {
                if (group[i] == 0 || group[j] == 0) continue;
                EXPECT_NE(readFile(worldRoot + "/" + mapFile(group[i], "points/level.ai")),
                          readFile(worldRoot + "/" + mapFile(group[j], "points/level.ai")))
                    << group[i] << " and " << group[j];
            }
    }
}

// The car bodies fit the physics boxes and leave room for their wheels; the
// exhaust pipes end where the game puts the flames; the coarse bodies too.
TEST_F(World, CarsFitTheirBoxesWheelsAndExhausts) {
    for (int n = 0; n < 24; ++n) {
        const int car = n % 12 + 1;
        const std::string file = n < 12 ? "car.ms3d" : "car_low.ms3d";
        const std::string wheelFile = n < 12 ? "wheel.ms3d" : "wheel_low.ms3d";
        SCOPED_TRACE("car " + std::to_string(car) + " " + file);
        std::unique_ptr<Model> body = loadModel("base/cars/" + std::to_string(car) + "/" + file);
        std::unique_ptr<Model> wheel = loadModel("base/cars/" + std::to_string(car) + "/" + wheelFile);
        float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
        for (int i = 0; i < body->vertexCount; ++i)
            for (int k = 0; k < 3; ++k) {
                lo[k] = std::min(lo[k], body->vertices[i].position[k]);
                hi[k] = std::max(hi[k], body->vertices[i].position[k]);
            }
        // Chassis 6 x 1 x 2.6 at 0.3 up, cabin to 1.4, drawn 0.15 higher.
        EXPECT_NEAR(hi[0] - lo[0], 6.1f, 0.3f);
        EXPECT_LE(hi[2], 1.36f);
        EXPECT_GE(lo[2], -1.36f);
        EXPECT_GT(hi[1], 0.6f);
        EXPECT_LT(hi[1], 1.4f);
        EXPECT_GT(lo[1], -0.75f);
        float radius = 0.0f, halfWidth = 0.0f;
        for (int i = 0; i < wheel->vertexCount; ++i) {
            const float* p = wheel->vertices[i].position;
            radius = std::max(radius, std::sqrt(p[0] * p[0] + p[1] * p[1]));
            halfWidth = std::max(halfWidth, std::fabs(p[2]));
        }
        EXPECT_NEAR(radius, 0.45f, 0.01f);
        EXPECT_LT(halfWidth, 0.3f);
        // Exhaust tips of the car's group (model number mod 4), 0.15 lower
        // in the model than in the body frame.
        static const float tips[4][3] = {{-2.94f, -0.31f, 0.59f},
                                         {-3.05f, -0.38f, 0.775f},
                                         {-3.125f, -0.33f, 0.72f},
                                         {-3.12f, -0.11f, 0.59f}};
        const float* tip = tips[(car - 1) % 4];
        for (float side : {-1.0f, 1.0f}) {
            float best = 1e9f;
            for (int i = 0; i < body->vertexCount; ++i) {
                const float* p = body->vertices[i].position;
                Vec3 d{p[0] - tip[0], p[1] - (tip[1] - 0.15f), p[2] - side * tip[2]};
                best = std::min(best, length(d));
            }
            EXPECT_LT(best, 0.12f) << "side " << side;
        }
        // No body vertex inside the space a wheel sweeps at its drawn place.
        const float front[3] = {3.96f, 3.54f, 3.66f}, rear[3] = {3.88f, 4.69f, 4.19f};
        int m = (car - 1) % 4;
        float fo = m == 0 || m == 2 ? front[0] : m == 1 ? front[1] : front[2];
        float ro = m == 0 || m == 2 ? rear[0] : m == 1 ? rear[1] : rear[2];
        for (float x : {fo / 1.67f * 0.77f, -ro / 1.67f * 0.77f})
            for (int i = 0; i < body->vertexCount; ++i) {
                const float* p = body->vertices[i].position;
                if (std::fabs(std::fabs(p[2]) - 1.0f) > 0.17f) continue;
                float d = std::sqrt((p[0] - x) * (p[0] - x) + (p[1] + 0.5f) * (p[1] + 0.5f));
                EXPECT_GT(d, 0.47f) << "vertex " << i << " in the wheel at x " << x;
            }
    }
}

TEST_F(World, GarageFloorCarriesTheWheels) {
    std::unique_ptr<Model> garage = loadModel("base/garage/garage.ms3d");
    // A ray down through the car's place meets the floor (or turntable)
    // just under the wheels, drawn 0.48 below the body with radius 0.45.
    Hit hit = castRay(*garage, {1.8f, 0.0f, 1.0f}, {0, -1, 0}, 5.0f);
    ASSERT_GE(hit.t, 0.0f);
    EXPECT_NEAR(-hit.t, -0.93f, 0.03f);
    // The camera, 9.5 from the car, is inside the room in every direction.
    for (float a = 0.0f; a < 6.3f; a += 0.5f) {
        Vec3 eye{9.5f * std::sin(a), 0.5f, 9.5f * std::cos(a)};
        Hit wall = castRay(*garage, {0, 0.5f, 0}, eye * (1.0f / 9.5f), 9.5f);
        EXPECT_LT(wall.t, 0.0f) << "angle " << a;
    }
}

TEST_F(World, GenerationIsDeterministic) {
    MeshBuilder a, b;
    buildMapVisual(7, a, nullptr);
    buildMapVisual(7, b, nullptr);
    Ms3dFile fa, fb;
    std::string error;
    ASSERT_TRUE(a.build(&fa, &error));
    ASSERT_TRUE(b.build(&fb, &error));
    std::vector<uint8_t> ba, bb;
    ASSERT_TRUE(encodeMs3d(fa, &ba, &error));
    ASSERT_TRUE(encodeMs3d(fb, &bb, &error));
    EXPECT_EQ(ba, bb);
    // And the written file is the same bytes.
    EXPECT_EQ(ba, readFile(worldRoot + "/" + mapFile(7, "mapvisual.ms3d")));
}

TEST_F(World, SaveFilesAreWrittenOnlyWhereMissing) {
    std::string folder = temporaryFolder();
    ASSERT_FALSE(folder.empty());
    std::string base = folder + "/base";
    ASSERT_TRUE(generateSaveFiles(base));
    std::vector<uint8_t> settings = readFile(base + "/menu.inf");
    std::vector<uint8_t> careerFile = readFile(base + "/career.inf");
    ASSERT_EQ(settings.size(), 24u);
    ASSERT_EQ(careerFile.size(), 492u);
    auto at = [](const std::vector<uint8_t>& b, int i) {
        return static_cast<int32_t>(b[4 * i] | b[4 * i + 1] << 8 | b[4 * i + 2] << 16 |
                                    static_cast<uint32_t>(b[4 * i + 3]) << 24);
    };
    EXPECT_EQ(at(settings, 0), 1);
    EXPECT_EQ(at(settings, 1), 32);
    EXPECT_EQ(at(settings, 2), 24);
    EXPECT_EQ(at(settings, 3), 1);
    EXPECT_EQ(at(settings, 4), 1);
    EXPECT_EQ(at(settings, 5), 0);
    for (int i = 0; i < 18; ++i) EXPECT_EQ(at(careerFile, i), i < 8 ? 1 : 0);
    for (int i = 18; i < 120; ++i) EXPECT_EQ(at(careerFile, i), 0) << "integer " << i;
    EXPECT_EQ(at(careerFile, 120), 1);    // highest race unlocked
    EXPECT_EQ(at(careerFile, 121), 0);    // career points
    EXPECT_EQ(at(careerFile, 122), 250);  // tuning points
    // A player's career survives the next build.
    std::vector<uint8_t> played(careerFile);
    played[4 * 121] = 77;
    {
        std::ofstream out(base + "/career.inf", std::ios::binary);
        out.write(reinterpret_cast<const char*>(played.data()), static_cast<std::streamsize>(played.size()));
    }
    ASSERT_TRUE(generateSaveFiles(base));
    EXPECT_EQ(readFile(base + "/career.inf"), played);
    EXPECT_FALSE(exists(base + "/career.inf.new"));
    removeFolder(folder);
}
