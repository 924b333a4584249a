// The race map drawn by groups (each group's triangles of every chunk in
// view in one draw, as at Low) shows what the chunk-by-chunk draw shows:
// cameras at random places along every course, each frame read back both
// ways and compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "map_draw_fixture.h"

namespace {

class MapMerged : public MapDrawTest {};

TEST_P(MapMerged, RandomCamerasSeeWhatTheChunkDrawSees) {
    ASSERT_GT(session.checkpointCount, 0);
    applyGraphicsPreset(GraphicsLow);
    bakedLamps = true;
    unsigned seed = 2468u + (unsigned)GetParam();
    int chunkDraws = 0, mergedDraws = 0;
    for (int shot = 0; shot < 6; shot++) {
        Vector3 eye, at;
        courseCamera(&seed, shot, &eye, &at);
        const std::vector<uint8_t> chunked = drawMapWith(mapMergedDraw, false, eye, at);
        chunkDraws += mapChunkStats.draws;
        const int triangles = mapChunkStats.triangles;
        const std::vector<uint8_t> merged = drawMapWith(mapMergedDraw, true, eye, at);
        mergedDraws += mapChunkStats.draws;
        // The same chunks, less the triangles turned away.
        EXPECT_LE(mapChunkStats.triangles, triangles);
        EXPECT_GT(mapChunkStats.triangles, triangles / 3);
        // The same triangles in another order: where two surfaces meet at
        // the same depth (a kerb's top against the pavement, a sign on its
        // wall), a pixel of an edge may show the other one. Any chunk or
        // group left out shows hundreds.
        long differing = 0;
        for (size_t i = 0; i + 2 < chunked.size(); i += 3) {
            int most = 0;
            for (int k = 0; k < 3; k++) most = std::max(most, std::abs(chunked[i + k] - merged[i + k]));
            differing += most > 0;
        }
        EXPECT_LE(differing, 16) << "map " << GetParam() << ", camera " << shot;
        long lit = 0;
        for (uint8_t v : chunked) lit += v > 20;
        EXPECT_GT(lit, 1000) << "the camera sees the city";
    }
    // Far fewer draws: one per group in view instead of one per group in
    // each chunk.
    EXPECT_LT(mergedDraws * 3, chunkDraws) << "map " << GetParam();
}

// Maps 16 to 20 repeat the first five circuits.
INSTANTIATE_TEST_SUITE_P(EveryMap, MapMerged, ::testing::Range(1, kRecordCircuits + 1));

}  // namespace
