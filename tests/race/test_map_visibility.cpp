// The map drawn through its visibility sets shows what the full draw shows:
// cameras where the chase camera rides on three courses, each frame read
// back with and without the sets and compared; and the solids file reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "map_draw_fixture.h"

namespace {

class MapVisibility : public MapDrawTest {};

TEST_P(MapVisibility, ChaseCamerasSeeWhatTheFullDrawSees) {
    ASSERT_GT(session.checkpointCount, 0);
    applyGraphicsPreset(GraphicsHigh);
    unsigned seed = 4321u + (unsigned)GetParam();
    auto uniform = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return (float)(seed >> 8) / 16777216.0f;
    };
    const int kShots = 12;
    int drawnFull = 0, drawnSets = 0;
    for (int shot = 0; shot < kShots; shot++) {
        // Over the road near the course at the chase camera's height,
        // looking any way along the ground.
        const Checkpoint& c =
            session.checkpoints[(int)(uniform() * session.checkpointCount) % session.checkpointCount];
        const Vector3 eye(c.x + (uniform() - 0.5f) * 16.0f, c.y + 1.5f + uniform() * 5.0f,
                          c.z + (uniform() - 0.5f) * 16.0f);
        const float yaw = uniform() * 6.2831853f;
        const Vector3 at(eye.x + 10.0f * std::cos(yaw), eye.y - 2.0f * uniform(),
                         eye.z + 10.0f * std::sin(yaw));
        const std::vector<uint8_t> full = drawMapWith(mapVisibilityEnabled, false, eye, at);
        drawnFull += mapChunkStats.drawn;
        const std::vector<uint8_t> culled = drawMapWith(mapVisibilityEnabled, true, eye, at);
        drawnSets += mapChunkStats.drawn;
        long differing = 0;
        for (size_t i = 0; i < full.size(); i++) differing += full[i] != culled[i];
        EXPECT_EQ(differing, 0) << "map " << GetParam() << ", camera " << shot;
    }
    // The sets leave out what whole blocks hide.
    EXPECT_LT(drawnSets, drawnFull) << "map " << GetParam();
    std::printf("map %d: %.1f chunks drawn a frame with the sets, %.1f without\n", GetParam(),
                (double)drawnSets / kShots, (double)drawnFull / kShots);
}

TEST_P(MapVisibility, AnEyeAboveTheRoofsDrawsEveryChunkInView) {
    const Checkpoint& c = session.checkpoints[0];
    const Vector3 eye(c.x, c.y + 60.0f, c.z), at(c.x + 10.0f, c.y + 50.0f, c.z);
    drawMapWith(mapVisibilityEnabled, false, eye, at);
    const int full = mapChunkStats.drawn;
    drawMapWith(mapVisibilityEnabled, true, eye, at);
    EXPECT_EQ(mapChunkStats.drawn, full);
}

// Three circuits through different districts.
INSTANTIATE_TEST_SUITE_P(ThreeMaps, MapVisibility, ::testing::Values(1, 7, 12));

std::string writeSolids(const char* text) {
    const std::string path = std::string(KORVASK_BUILD_DIR) + "/test_solids.txt";
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f != nullptr) {
        std::fputs(text, f);
        std::fclose(f);
    }
    return path;
}

TEST(MapSolids, ReadsEveryLineOrNone) {
    struct Case {
        const char* text;
        bool ok;
        size_t count;
    };
    const Case cases[] = {
        {"1 2 3 4 5\n-1.5 -2 0.5 7 30\n", true, 2},
        {"1 2 3 4 5", true, 1},  // no newline at the end
        {"", true, 0},
        {"1 2 3 4\n", false, 0},      // a number short
        {"1 2 3 4 5 6\n", false, 0},  // one too many
        {"1 2 3 4 5\n1 2 x 4 5\n", false, 0},
        {"3 2 1 4 5\n", false, 0},  // x0 past x1
        {"1 4 3 4 5\n", false, 0},  // no depth
        {"1 2 3 4 nan\n", false, 0},
        {"1 2 3 4 1e40\n", false, 0},     // not a float
        {"9e9 2 9.1e9 4 5\n", false, 0},  // beyond any map: no grid cell holds it
        {"-1e6 -1e6 1e6 1e6 5\n", true, 1},
    };
    for (const Case& c : cases) {
        std::vector<MapSolid> solids = {MapSolid{0, 0, 1, 1, 1}};
        EXPECT_EQ(loadMapSolids(writeSolids(c.text).c_str(), &solids), c.ok) << c.text;
        EXPECT_EQ(solids.size(), c.count) << c.text;
    }
    std::vector<MapSolid> solids = {MapSolid{0, 0, 1, 1, 1}};
    EXPECT_FALSE(loadMapSolids("base/maps/99/solids.txt", &solids));
    EXPECT_TRUE(solids.empty());
}

}  // namespace
