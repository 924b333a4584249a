// The race map drawn with its closed shapes' back faces culled shows what
// the full draw shows: cameras at random places along three courses, each
// frame read back with and without the culling and compared.
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "race_draw_fixture.h"

namespace {

class MapCulling : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(generatedContentPresent()) << "build the content first (base/ in the build folder)";
        ASSERT_TRUE(startRaceRenderer());
        loadCarModels();
        initCarTable();
        soundEnabled = musicEnabled = false;
        gameState = Race;
        startupPending = false;
        playerCarModel = 0;
        playerCarPower = carTable[0].power;
        srand(1);
        ASSERT_TRUE(loadRace(GetParam()));
    }
    void TearDown() override {
        if (raceWorld != nullptr) unloadRace();
        for (int i = 0; i < kCarModels; i++) {
            delete carBodyModels[i];
            delete carWheelModels[i];
            carBodyModels[i] = carWheelModels[i] = nullptr;
        }
        mapBackFaceCulling = true;
        gameState = MainMenu;
        stopRaceRenderer();
    }

    // The map alone, lit as the race lights it, from eye towards at.
    std::vector<uint8_t> drawMap(const Vector3& eye, const Vector3& at, bool cull) {
        mapBackFaceCulling = cull;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        resizeScene(640, 480);
        glLoadIdentity();
        gluLookAt(eye.x, eye.y, eye.z, at.x, at.y, at.z, 0.0, 1.0, 0.0);
        shadingEye = eye;
        shadingViewDir = at - eye;
        useLightProgram();
        selectLights();
        glPushMatrix();
        glLoadIdentity();
        glGetFloatv(GL_MODELVIEW_MATRIX, modelMatrix.m);
        updateModelLights();
        glPopMatrix();
        glEnable(GL_FOG);
        drawChunkedModel(visualMapModel, sceneShading, mapBackFaceCulling);
        glUseProgramObjectARB(0);
        return readFrame();
    }
};

TEST_P(MapCulling, RandomCamerasSeeWhatTheFullDrawSees) {
    ASSERT_GT(checkpointCount, 0);
    unsigned seed = 1234u + (unsigned)GetParam();
    auto uniform = [&seed]() {
        seed = seed * 1664525u + 1013904223u;
        return (float)(seed >> 8) / 16777216.0f;
    };
    for (int shot = 0; shot < 6; shot++) {
        // Somewhere near the course, at a car's height or above the roofs,
        // looking any way.
        const Checkpoint& c = checkpoints[(int)(uniform() * checkpointCount) % checkpointCount];
        const Vector3 eye(c.x + (uniform() - 0.5f) * 30.0f,
                          c.y + 1.5f + uniform() * (shot % 2 ? 40.0f : 4.0f),
                          c.z + (uniform() - 0.5f) * 30.0f);
        const float yaw = uniform() * 6.2831853f;
        const Vector3 at(eye.x + 10.0f * std::cos(yaw), eye.y - 3.0f * uniform(),
                         eye.z + 10.0f * std::sin(yaw));
        const std::vector<uint8_t> full = drawMap(eye, at, false);
        const std::vector<uint8_t> culled = drawMap(eye, at, true);
        // Culling removes only faces turned away, which closed shapes hide
        // behind their own fronts; where the fronts leave a crack narrower
        // than a pixel between them, a back face may have filled a pixel.
        long differing = 0;
        for (size_t i = 0; i + 2 < full.size(); i += 3) {
            int most = 0;
            for (int k = 0; k < 3; k++) most = std::max(most, std::abs(full[i + k] - culled[i + k]));
            differing += most > 1;
        }
        EXPECT_LE(differing, 640 * 480 / 1000) << "map " << GetParam() << ", camera " << shot;
        long lit = 0;
        for (uint8_t v : full) lit += v > 20;
        EXPECT_GT(lit, 1000) << "the camera sees the city";
    }
}

// Maps whose open pieces are all marked two-sided.
INSTANTIATE_TEST_SUITE_P(TwoMaps, MapCulling, ::testing::Values(1, 2));

}  // namespace
