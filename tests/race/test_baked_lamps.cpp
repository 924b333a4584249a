// The lamps' light baked into the ground (the map at Low) against the light
// program's own lamps (High): the road under a lamp is lit about as brightly
// either way, and the road between lamps stays dark either way. Each point
// is seen from a few units straight above it, the map alone, the fog and
// everything else as High has them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "map_draw_fixture.h"
#include "render/render_local.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

class BakedLamps : public MapDrawTest {
  protected:
    // The frame's middle pixel looking straight down at (x, ground, z).
    int brightestAt(float x, float ground, float z, bool baked) {
        const Vector3 eye(x, ground + 2.5f, z), at(x, ground, z);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        resizeScene(kWidth, kHeight);
        glLoadIdentity();
        gluLookAt(eye.x, eye.y, eye.z, at.x, at.y, at.z, 0.0, 0.0, 1.0);
        shadingEye = eye;
        shadingViewDir = Vector3(0.0f, 0.0f, 1.0f);
        useLightProgram();
        selectLights();
        glPushMatrix();
        glLoadIdentity();
        glGetFloatv(GL_MODELVIEW_MATRIX, modelMatrix.m);
        updateModelLights();
        glPopMatrix();
        glEnable(GL_FOG);
        drawChunkedModel(session.visualMapModel, sceneShading, true, baked);
        glUseProgramObjectARB(0);
        const std::vector<uint8_t> frame = readFrame(kWidth, kHeight);
        const size_t middle = (static_cast<size_t>(kHeight / 2) * kWidth + kWidth / 2) * 3;
        return std::max({frame[middle], frame[middle + 1], frame[middle + 2]});
    }

    // Horizontal distance from (x, z) to the nearest lamp.
    static float nearestLamp(float x, float z) {
        float nearest = 1e30f;
        for (int k = 0; k < lightSourceCount; k++) {
            const float dx = lightSources[k].position[0] - x, dz = lightSources[k].position[2] - z;
            nearest = std::min(nearest, std::sqrt(dx * dx + dz * dz));
        }
        return nearest;
    }
};

TEST_P(BakedLamps, PoolsUnderLampsAndDarkBetweenMatchTheLightProgram) {
    ASSERT_GT(lightSourceCount, 4);
    applyGraphicsPreset(GraphicsHigh);
    LampMapBake bake;
    bakeLampMap(*session.visualMapModel, lightSources, lightSourceCount, &bake);
    ASSERT_GT(bake.width, 0);
    // Copies: selectLights reorders lightSources by distance from each eye.
    std::vector<LightSource> lamps(lightSources, lightSources + lightSourceCount);
    int pools = 0;
    for (size_t k = 0; k < lamps.size() && pools < 4; k += 5) {
        const LightSource lamp = lamps[k];
        float ground = 0.0f;
        if (!bakedGroundAt(bake, lamp.position[0], lamp.position[2], &ground)) continue;
        // Street lamps stand several units over the road; neon signs hang
        // on walls.
        if (lamp.position[1] - ground < 4.0f) continue;
        // A unit beside the foot of the lamp's light, clear of its head.
        const float x = lamp.position[0] + 1.0f, z = lamp.position[2] + 1.0f;
        if (!bakedGroundAt(bake, x, z, &ground)) continue;
        const int high = brightestAt(x, ground, z, false);
        const int low = brightestAt(x, ground, z, true);
        // High evaluates the four lamps nearest its eye, the bake every
        // lamp (the others add nothing this close to one); the bake also
        // rounds to half steps and filters between texels a unit apart.
        EXPECT_NEAR(low, high, 4) << "under lamp " << k << " at " << x << ", " << z;

        // The darkest place of the road 15 to 20 units round the lamp.
        float best = 0.0f, bx = 0.0f, bz = 0.0f, bground = 0.0f;
        for (int a = 0; a < 16; a++)
            for (float r = 15.0f; r <= 20.0f; r += 2.5f) {
                const float px = lamp.position[0] + r * std::cos(0.3927f * a);
                const float pz = lamp.position[2] + r * std::sin(0.3927f * a);
                float h = 0.0f;
                if (!bakedGroundAt(bake, px, pz, &h) || std::fabs(h - ground) > 0.5f) continue;
                const float d = nearestLamp(px, pz);
                if (d > best) best = d, bx = px, bz = pz, bground = h;
            }
        if (best < 14.0f) continue;
        pools++;
        const int highDark = brightestAt(bx, bground, bz, false);
        const int lowDark = brightestAt(bx, bground, bz, true);
        EXPECT_NEAR(lowDark, highDark, 4) << "between lamps at " << bx << ", " << bz;
        // The pool stands out: the baked light under the lamp is a good
        // part of the lamp's own, and next to nothing between lamps.
        auto brightestBaked = [&bake](float px, float pz) {
            return std::max({bakedLightAt(bake, px, pz, 0), bakedLightAt(bake, px, pz, 1),
                             bakedLightAt(bake, px, pz, 2)});
        };
        const float lampBrightest = std::max({lamp.colour[0], lamp.colour[1], lamp.colour[2]});
        EXPECT_GT(brightestBaked(x, z), 0.5f * lampBrightest) << "lamp " << k;
        EXPECT_LT(brightestBaked(bx, bz), 0.02f) << "between lamps at " << bx << ", " << bz;
    }
    EXPECT_GE(pools, 2) << "lamps over the road of map " << GetParam();
}

INSTANTIATE_TEST_SUITE_P(Maps, BakedLamps, ::testing::Values(1, 7, 12));

}  // namespace
