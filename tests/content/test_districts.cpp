// The city's districts: each generator makes the same output on every run
// and something of its own, every circuit runs through two districts or more,
// no two start lines look alike, and every map keeps its triangles and lamps
// per chunk within what a frame can draw.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "content/circuit.h"
#include "content/city.h"
#include "content/districts.h"
#include "content/maps.h"
#include "content/ms3d_writer.h"

namespace {

uint64_t fnv1a(const std::vector<uint8_t>& bytes) {
    uint64_t h = 1469598103934665603ull;
    for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

uint64_t districtHash(District district, int* triangles) {
    MeshBuilder mesh;
    drawDistrict(mesh, district);
    *triangles = mesh.triangleCount();
    Ms3dFile file;
    std::string error;
    EXPECT_TRUE(mesh.build(&file, &error)) << error;
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(encodeMs3d(file, &bytes, &error)) << error;
    return fnv1a(bytes);
}

// The map renderer's chunk side on the ground.
constexpr float kChunk = 48.0f;

}  // namespace

TEST(Districts, EachGeneratorMakesTheSameOutputEveryRun) {
    buildCity();
    uint64_t first[kDistrictCount];
    int triangles[kDistrictCount];
    for (int d = 0; d < kDistrictCount; ++d) first[d] = districtHash(static_cast<District>(d), &triangles[d]);
    buildCity();
    std::set<uint64_t> distinct;
    for (int d = 0; d < kDistrictCount; ++d) {
        int again = 0;
        EXPECT_EQ(districtHash(static_cast<District>(d), &again), first[d]) << kDistrictStyles[d].name;
        EXPECT_GT(triangles[d], 2000) << kDistrictStyles[d].name << " builds a quarter of the city";
        distinct.insert(first[d]);
        std::printf("%-10s %6d triangles in the whole city\n", kDistrictStyles[d].name, triangles[d]);
    }
    EXPECT_EQ(distinct.size(), static_cast<size_t>(kDistrictCount));
}

TEST(Districts, EveryDistrictHasItsOwnFacadesAndLamps) {
    buildCity();
    std::map<int, std::set<std::string>> facades;
    for (const CityBuilding& b : cityBuildings)
        facades[b.district].insert(kDistrictStyles[b.district].facadePrefix + std::to_string(b.facade));
    std::set<std::string> seen;
    for (int d = 0; d < kDistrictCount; ++d) {
        EXPECT_FALSE(facades[d].empty()) << kDistrictStyles[d].name;
        for (const std::string& f : facades[d]) EXPECT_TRUE(seen.insert(f).second) << f << " shared";
        for (int e = 0; e < d; ++e) {
            const float* a = kDistrictStyles[d].lampColour;
            const float* b = kDistrictStyles[e].lampColour;
            EXPECT_GT(std::fabs(a[0] - b[0]) + std::fabs(a[1] - b[1]) + std::fabs(a[2] - b[2]), 0.1f)
                << kDistrictStyles[d].name << " and " << kDistrictStyles[e].name << " light alike";
        }
    }
}

TEST(Districts, EveryCircuitCrossesTwoDistrictsOrMore) {
    buildCity();
    std::set<int> starts;
    for (int race = 1; race <= kRaceCount; ++race) {
        Circuit circuit = makeCircuit(race);
        std::set<int> crossed;
        for (const PathSample& s : circuit.path) crossed.insert(districtAt(s.position.x, s.position.z));
        EXPECT_GE(crossed.size(), 2u) << "race " << race;
        starts.insert(districtAt(circuit.path[0].position.x, circuit.path[0].position.z));
    }
    EXPECT_EQ(starts.size(), static_cast<size_t>(kDistrictCount)) << "a start in every district";
}

// What stands within 40 units of the start line, hashed: the fifteen starts
// differ even where grids are shared.
TEST(Districts, NoTwoStartLinesLookAlike) {
    buildCity();
    std::map<uint64_t, int> seen;
    for (int race = 1; race <= kRaceCount; ++race) {
        MeshBuilder mesh;
        buildMapVisual(race, mesh, nullptr);
        Ms3dFile file;
        std::string error;
        ASSERT_TRUE(mesh.build(&file, &error)) << error;
        const Vec3 grid = raceGridOrigin(race);
        std::vector<uint8_t> near;
        for (const Ms3dGroup& group : file.groups) {
            const std::string& material =
                group.material >= 0 ? file.materials[static_cast<size_t>(group.material)].name : "";
            for (uint16_t t : group.triangles) {
                const Ms3dTriangle& tri = file.triangles[t];
                const Ms3dVertex& v = file.vertices[tri.vertices[0]];
                if (std::fabs(v.position[0] - grid.x) > 40.0f || std::fabs(v.position[2] - grid.z) > 40.0f)
                    continue;
                near.insert(near.end(), material.begin(), material.end());
                const uint8_t* p = reinterpret_cast<const uint8_t*>(v.position);
                near.insert(near.end(), p, p + sizeof v.position);
            }
        }
        const uint64_t h = fnv1a(near);
        EXPECT_EQ(seen.count(h), 0u) << "race " << race << " starts like race " << seen[h];
        seen[h] = race;
    }
}

// Per 48 x 48 chunk of every map: the triangles a chunk draws and the lamps
// that stand in it.
TEST(Districts, TriangleAndLampBudgetsPerChunkHoldForEveryMap) {
    constexpr int kChunkTriangles = 800;
    constexpr int kChunkLamps = 10;
    buildCity();
    for (int race = 1; race <= kRaceCount; ++race) {
        MeshBuilder visual, lights;
        buildMapVisual(race, visual, nullptr);
        buildMapLights(race, lights);
        std::map<std::pair<int, int>, int> triangles, lamps;
        const std::vector<Vec3>& p = visual.positions();
        for (int i = 0; i < visual.triangleCount(); ++i) {
            int v[3];
            visual.triangleVertices(i, v);
            const float x = (p[v[0]].x + p[v[1]].x + p[v[2]].x) / 3.0f,
                        z = (p[v[0]].z + p[v[1]].z + p[v[2]].z) / 3.0f;
            ++triangles[{static_cast<int>(std::floor(x / kChunk)), static_cast<int>(std::floor(z / kChunk))}];
        }
        const std::vector<Vec3>& q = lights.positions();
        for (int i = 0; i < lights.triangleCount(); ++i) {
            int v[3];
            lights.triangleVertices(i, v);
            const float x = (q[v[0]].x + q[v[1]].x + q[v[2]].x) / 3.0f,
                        z = (q[v[0]].z + q[v[1]].z + q[v[2]].z) / 3.0f;
            ++lamps[{static_cast<int>(std::floor(x / kChunk)), static_cast<int>(std::floor(z / kChunk))}];
        }
        int most = 0, mostLamps = 0;
        for (const auto& c : triangles) most = std::max(most, c.second);
        for (const auto& c : lamps) mostLamps = std::max(mostLamps, c.second);
        EXPECT_LE(most, kChunkTriangles) << "race " << race;
        EXPECT_LE(mostLamps, kChunkLamps) << "race " << race;
        EXPECT_LE(visual.triangleCount(), kMaxVisualTriangles) << "race " << race;
        EXPECT_LE(lights.triangleCount(), kMaxLamps) << "race " << race;
        std::printf("race %2d: %5d triangles, busiest chunk %4d triangles, %2d lamps\n", race,
                    visual.triangleCount(), most, mostLamps);
    }
}
