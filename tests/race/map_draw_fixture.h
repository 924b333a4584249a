// The race map drawn alone, as the race lights it, for the tests that compare
// a cheaper way of drawing it against the full draw: a race loaded on the
// course of the test's parameter, and the map switches put back afterwards.
#pragma once

#include <GL/glu.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "race_draw_fixture.h"

class MapDrawTest : public ::testing::TestWithParam<int> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(generatedContentPresent()) << "build the content first (base/ in the build folder)";
        ASSERT_TRUE(startRaceRenderer());
        loadCarModels();
        initCarTable();
        options.soundEnabled = options.musicEnabled = false;
        game.gameState = Race;
        game.startupPending = false;
        players[0].playerCarModel = 0;
        players[0].playerCarPower = raceRun.carTable[0].power;
        srand(1);
        ASSERT_TRUE(loadRace(GetParam()));
    }
    void TearDown() override {
        unloadRaceAndCars();
        mapBackFaceCulling = true;
        mapVisibilityEnabled = false;
        mapMergedDraw = true;
        game.gameState = MainMenu;
        stopRaceRenderer();
    }

    // The map lit by its baked lamps (as at Low) rather than by the frame's.
    bool bakedLamps = false;

    // A camera over the road near the course, at the chase camera's height
    // (even shots) or high above the street (odd ones), looking any way;
    // drawn from the test's own sequence of random numbers.
    void courseCamera(unsigned* seed, int shot, Vector3* eye, Vector3* at) const {
        auto uniform = [seed]() {
            *seed = *seed * 1664525u + 1013904223u;
            return (float)(*seed >> 8) / 16777216.0f;
        };
        const Checkpoint& c =
            session.checkpoints[(int)(uniform() * session.checkpointCount) % session.checkpointCount];
        const float across = (uniform() - 0.5f) * 16.0f, along = (uniform() - 0.5f) * 16.0f;
        const float rise = shot % 2 ? 16.0f + uniform() * 30.0f : 1.5f + uniform() * 5.0f;
        *eye = Vector3(c.x + across, c.y + rise, c.z + along);
        const float yaw = uniform() * 6.2831853f;
        *at = Vector3(eye->x + 10.0f * std::cos(yaw), eye->y - 3.0f * uniform(),
                      eye->z + 10.0f * std::sin(yaw));
    }

    // The map alone with the switches as they stand, from eye towards at.
    std::vector<uint8_t> drawMapAlone(const Vector3& eye, const Vector3& at) {
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
        drawChunkedModel(session.visualMapModel, sceneShading, mapBackFaceCulling, bakedLamps);
        glUseProgramObjectARB(0);
        return readFrame();
    }
    // The same with one of the map's switches set first.
    std::vector<uint8_t> drawMapWith(bool& mapSwitch, bool on, const Vector3& eye, const Vector3& at) {
        mapSwitch = on;
        return drawMapAlone(eye, at);
    }
};
