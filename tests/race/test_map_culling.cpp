// The race map drawn with its closed shapes' back faces culled shows what
// the full draw shows: cameras at random places along every course, each
// frame read back with and without the culling and compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "map_draw_fixture.h"

namespace {

class MapCulling : public MapDrawTest {};

TEST_P(MapCulling, RandomCamerasSeeWhatTheFullDrawSees) {
    ASSERT_GT(session.checkpointCount, 0);
    unsigned seed = 1234u + (unsigned)GetParam();
    for (int shot = 0; shot < 6; shot++) {
        Vector3 eye, at;
        courseCamera(&seed, shot, &eye, &at);
        const std::vector<uint8_t> full = drawMapWith(mapBackFaceCulling, false, eye, at);
        const std::vector<uint8_t> culled = drawMapWith(mapBackFaceCulling, true, eye, at);
        // Culling removes only faces turned away, which closed shapes hide
        // behind their own fronts. Where two shapes meet along an edge
        // without sharing its corners, a pixel can fall between their
        // fronts: a back face fills it in the full draw. Any open piece left
        // unmarked shows hundreds of pixels (a fence alone, 1,400 on map 1).
        long differing = 0;
        for (size_t i = 0; i + 2 < full.size(); i += 3) {
            int most = 0;
            for (int k = 0; k < 3; k++) most = std::max(most, std::abs(full[i + k] - culled[i + k]));
            differing += most > 1;
        }
        EXPECT_LE(differing, 32) << "map " << GetParam() << ", camera " << shot;
        long lit = 0;
        for (uint8_t v : full) lit += v > 20;
        EXPECT_GT(lit, 1000) << "the camera sees the city";
    }
}

// Maps 16 to 20 repeat the first five circuits.
INSTANTIATE_TEST_SUITE_P(EveryMap, MapCulling, ::testing::Range(1, kRecordCircuits + 1));

}  // namespace
