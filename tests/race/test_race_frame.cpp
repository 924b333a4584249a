// The race's frame as the race describes it and render draws it: a picture
// for every car with its models and place, the cull sphere around it, and
// the night's haze held over the effects and taken back after the frame,
// except while paused.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "race_draw_fixture.h"
#include "state/state.h"

namespace {

class RaceFrameTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!startRaceRenderer()) FAIL() << "no GL window or no generated base/";
        loadCarModels();
        initCarTable();
        options.soundEnabled = options.musicEnabled = false;
        game.gameState = Race;
        game.startupPending = false;
        srand(3);
        loadRace(1);
    }
    void TearDown() override {
        unloadRaceAndCars();
        game.gameState = MainMenu;
        raceRun.carViewCulling = true;
        stopRaceRenderer();
    }
};

TEST_F(RaceFrameTest, EveryCarIsPosedWithItsModelsInsideItsCullSphere) {
    for (bool culling : {true, false}) {
        SCOPED_TRACE(culling ? "culling" : "no culling");
        raceRun.carViewCulling = culling;
        RaceFrame frame;
        poseRaceCars(&frame);
        ASSERT_EQ(frame.carCount, kRaceCars);
        for (int i = 0; i < kRaceCars; i++) {
            const RaceCarPicture& picture = frame.cars[i];
            const Car& car = session.cars[i];
            EXPECT_EQ(picture.body, raceRun.carBodyModels[car.model]);
            EXPECT_EQ(picture.wheel, raceRun.carWheelModels[car.model]);
            EXPECT_EQ(picture.cull, culling);
            const Vector3 p = getPosition(car.body);
            EXPECT_NEAR(picture.bodyMatrix[12], p.x, 1e-4f);
            EXPECT_NEAR(picture.bodyMatrix[13], p.y, 1e-4f);
            EXPECT_NEAR(picture.bodyMatrix[14], p.z, 1e-4f);
            EXPECT_EQ(picture.bodyMatrix[15], 1.0f);
            if (!culling) continue;
            // The sphere holds the car's origin with room for a car around it.
            const float d = std::sqrt((picture.boundsCentre[0] - p.x) * (picture.boundsCentre[0] - p.x) +
                                      (picture.boundsCentre[1] - p.y) * (picture.boundsCentre[1] - p.y) +
                                      (picture.boundsCentre[2] - p.z) * (picture.boundsCentre[2] - p.z));
            EXPECT_GT(picture.boundsRadius, d + 1.0f);
        }
    }
}

// What the effects and the HUD callbacks saw, in the order they ran.
std::vector<int> passes;
float hazeAtEffects[4];

void noteEffects() {
    passes.push_back(1);
    glGetFloatv(GL_FOG_COLOR, hazeAtEffects);
}
void noteHud() {
    passes.push_back(2);
}

struct HazeCase {
    bool paused;
    bool hazeOverEffects;
};

TEST_F(RaceFrameTest, NightHazeHoldsOverTheEffectsUnlessPausedAndIsTakenBack) {
    const HazeCase cases[] = {{false, true}, {true, false}};
    const float pauseFog[4] = {0.2f, 0.3f, 0.6f, 0.55f};
    const float haze[4] = {0.045f, 0.055f, 0.095f, 0.55f};
    for (const HazeCase& c : cases) {
        SCOPED_TRACE(c.paused ? "paused" : "racing");
        glFogfv(GL_FOG_COLOR, pauseFog);
        RaceFrame frame;
        frame.view = updateChaseCamera(0);
        frame.paused = c.paused;
        for (int k = 0; k < 4; k++) frame.haze[k] = haze[k];
        frame.fillLight[0] = frame.fillLight[1] = frame.fillLight[2] = 0.3f;
        frame.map = session.visualMapModel;
        poseRaceCars(&frame);
        frame.drawEffects = noteEffects;
        frame.drawHud = noteHud;
        passes.clear();
        clearFrame();
        drawRaceFrame(frame);
        EXPECT_EQ(passes, (std::vector<int>{1, 2}));
        float after[4];
        glGetFloatv(GL_FOG_COLOR, after);
        const float* during = c.hazeOverEffects ? haze : pauseFog;
        for (int k = 0; k < 4; k++) {
            EXPECT_NEAR(hazeAtEffects[k], during[k], 1e-3f);
            EXPECT_NEAR(after[k], pauseFog[k], 1e-3f);
        }
    }
}

// Which body and wheels each car is drawn with, race by race: a race
// loaded at Low loads the coarse models of the cars on its grid and draws
// them; Medium and High draw the full ones, whether or not an earlier race
// at Low left coarse ones loaded.
struct BodyCase {
    int preset;
    bool coarseDrawn;
    bool coarseLoaded;  // for the cars on the grid, after the race's load
};

TEST_F(RaceFrameTest, OnlyARaceAtLowDrawsTheCoarseCars) {
    const int settingWas = settingValue(Setting::Graphics);
    // Afresh: no coarse body left by the fixture's own race, whatever Auto chose.
    loadCarModels();
    const BodyCase cases[] = {{GraphicsHigh, false, false},
                              {GraphicsMedium, false, false},
                              {GraphicsLow, true, true},
                              {GraphicsHigh, false, true},
                              {GraphicsMedium, false, true}};
    for (const BodyCase& c : cases) {
        SCOPED_TRACE("preset " + std::to_string(c.preset));
        unloadRace();
        setSettingValue(Setting::Graphics, c.preset);
        srand(3);
        ASSERT_TRUE(loadRace(1));
        RaceFrame frame;
        poseRaceCars(&frame);
        ASSERT_EQ(frame.carCount, kRaceCars);
        for (int i = 0; i < kRaceCars; i++) {
            const int model = session.cars[i].model;
            Model* full = raceRun.carBodyModels[model];
            Model* coarse = raceRun.carCoarseBodyModels[model];
            Model* fullWheel = raceRun.carWheelModels[model];
            Model* coarseWheel = raceRun.carCoarseWheelModels[model];
            EXPECT_EQ(coarse != nullptr, c.coarseLoaded) << "car " << i;
            EXPECT_EQ(coarseWheel != nullptr, c.coarseLoaded) << "car " << i;
            EXPECT_EQ(frame.cars[i].body, c.coarseDrawn ? coarse : full) << "car " << i;
            EXPECT_EQ(frame.cars[i].wheel, c.coarseDrawn ? coarseWheel : fullWheel) << "car " << i;
            if (coarse == nullptr || coarseWheel == nullptr) continue;
            EXPECT_LE(coarse->triangleCount, full->triangleCount / 3);
            EXPECT_EQ(coarse->materialCount, full->materialCount);
            EXPECT_LE(coarseWheel->triangleCount, fullWheel->triangleCount / 2);
            EXPECT_EQ(coarseWheel->materialCount, fullWheel->materialCount);
        }
    }
    setSettingValue(Setting::Graphics, settingWas);
}

// The garage's car, preset by preset: the coarse models at Low, read at the
// car's first showing and for that car alone; the full ones at Medium and
// High, whether or not the coarse ones are loaded.
TEST_F(RaceFrameTest, GarageShowsTheCoarseCarOnlyAtLow) {
    loadCarModels();
    constexpr int kShown = 5;
    struct Case {
        int preset;
        bool coarse;
    };
    for (const Case& c : {Case{GraphicsHigh, false}, Case{GraphicsLow, true}, Case{GraphicsMedium, false},
                          Case{GraphicsLow, true}}) {
        SCOPED_TRACE("preset " + std::to_string(c.preset));
        applyGraphicsPreset(c.preset);
        Model* body = garageCarBody(kShown);
        Model* wheel = garageCarWheel(kShown);
        ASSERT_NE(body, nullptr);
        ASSERT_NE(wheel, nullptr);
        EXPECT_EQ(body, c.coarse ? raceRun.carCoarseBodyModels[kShown] : raceRun.carBodyModels[kShown]);
        EXPECT_EQ(wheel, c.coarse ? raceRun.carCoarseWheelModels[kShown] : raceRun.carWheelModels[kShown]);
        EXPECT_NE(body, c.coarse ? raceRun.carBodyModels[kShown] : nullptr);
    }
    for (int model = 0; model < kCarModels; model++)
        EXPECT_EQ(raceRun.carCoarseBodyModels[model] != nullptr, model == kShown) << "car " << model;
    applyGraphicsPreset(GraphicsHigh);
}

}  // namespace
