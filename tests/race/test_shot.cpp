// Rendered race frames: korvask-shot on two maps gives pictures that are not
// blank with the HUD where it belongs, and in a driven race the player's car
// is what fills the lower middle of the screen.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "frontend/frontend.h"
#include "race_draw_fixture.h"
#include "stored_png.h"

namespace {

struct RegionStats {
    double meanLuminance = 0;
    double spread = 0;  // standard deviation of the luminance
    int bright = 0;     // pixels with a channel above 180
};

RegionStats stats(const std::vector<uint8_t>& box) {
    RegionStats r;
    const size_t n = box.size() / 3;
    if (n == 0) return r;
    double sum = 0, sum2 = 0;
    for (size_t i = 0; i < n; i++) {
        const uint8_t* p = &box[i * 3];
        const double l = 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
        sum += l;
        sum2 += l * l;
        r.bright += p[0] > 180 || p[1] > 180 || p[2] > 180;
    }
    r.meanLuminance = sum / n;
    r.spread = std::sqrt(std::max(0.0, sum2 / n - r.meanLuminance * r.meanLuminance));
    return r;
}

class ShotTool : public ::testing::TestWithParam<int> {};

TEST_P(ShotTool, RaceFrameHasSceneAndHudWhereTheyBelong) {
    const std::string tool = std::string(KORVASK_BUILD_DIR) + "/korvask-shot";
    if (!generatedContentPresent() || std::fopen(tool.c_str(), "rb") == nullptr)
        FAIL() << "korvask-shot or base/ not built";
    const std::string out = "/tmp/korvask-test-shot-" + std::to_string(GetParam()) + ".png";
    std::remove(out.c_str());
    const std::string command = tool + " --race " + std::to_string(GetParam()) +
                                " --seconds 11 --draw-frames 4 --resolution 0 --out " + out + " > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(readStoredPng(out, &width, &height, &rgb));
    ASSERT_EQ(width, 640);
    ASSERT_EQ(height, 480);
    std::remove(out.c_str());

    // Not blank: a night scene, dark on the whole, but with detail.
    const RegionStats all = stats(rgb);
    EXPECT_GT(all.meanLuminance, 8.0);
    EXPECT_LT(all.meanLuminance, 160.0);
    EXPECT_GT(all.spread, 12.0);
    // The scene itself (between the top bar and the gauges) has detail too.
    const RegionStats scene = stats(overlayBox(rgb, 200, 220, 600, 460));
    EXPECT_GT(scene.spread, 5.0);
    // HUD: the tachometer's dial at the bottom right, the nitro gauge at the
    // bottom left and the top bar each bring bright lines of their own.
    EXPECT_GT(stats(overlayBox(rgb, 610, 10, 790, 190)).bright, 300);
    EXPECT_GT(stats(overlayBox(rgb, 0, 0, 60, 200)).bright, 100);
    EXPECT_GT(stats(overlayBox(rgb, 0, 530, 800, 600)).bright, 500);
}

INSTANTIATE_TEST_SUITE_P(TwoMaps, ShotTool, ::testing::Values(1, 7));

class DrivenRace : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!startRaceRenderer()) FAIL() << "no GL window or no generated base/";
        loadCarModels();
        initCarTable();
        options.soundEnabled = options.musicEnabled = false;
        game.gameState = Race;
        game.startupPending = false;
        players[0].playerCarModel = 2;
        players[0].playerCarPower = raceRun.carTable[2].power;
        srand(3);
        loadRace(4);
    }
    void TearDown() override {
        unloadRaceAndCars();
        game.gameState = MainMenu;
        raceRun.mapDepthPrepass = true;
        modelDisplayLists = true;
        effectsEnabled = true;
        stopRaceRenderer();
    }

    // Full throttle out of the grid, the camera swinging in behind; each
    // frame as the game runs it, without drawing.
    void driveOffTheGrid() {
        frameClock.frameFactor = 1.0f;
        input.keys[VK_UP] = true;
        for (int i = 0; i < 760; i++) {
            glLoadIdentity();
            updateChaseCamera(0);
            updateStandings();
            raceStep(frameClock.frameFactor);
            tickCountdown(frameClock.frameFactor);
        }
        input.keys[VK_UP] = false;
        saved = {players[0].cameraDirX,    players[0].cameraDirZ, players[0].orbitAngle,
                 players[0].hudArrowAngle, session.markerPhase,   skyDrift};
    }
    // The race scene of the moment reached; the camera and HUD state are put
    // back first, so every call draws the same frame.
    std::vector<uint8_t> drawMoment() {
        players[0].cameraDirX = saved[0], players[0].cameraDirZ = saved[1], players[0].orbitAngle = saved[2],
        players[0].hudArrowAngle = saved[3];
        session.markerPhase = saved[4], skyDrift = saved[5];
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        resizeScene(640, 480);
        glLoadIdentity();
        drawRaceScene();
        return readFrame();
    }
    std::vector<float> saved;
};

TEST_F(DrivenRace, PlayersCarFillsTheLowerMiddle) {
    driveOffTheGrid();
    EXPECT_FALSE(session.countdownRunning);
    EXPECT_GT(players[0].playerSpeed, 3.0f);

    // The same frame twice, the second without the player's car.
    const std::vector<uint8_t> with = drawMoment();
    const int model = session.cars[0].model;
    session.cars[0].model = -1;
    const std::vector<uint8_t> without = drawMoment();
    session.cars[0].model = model;

    long count = 0;
    double sumX = 0, sumY = 0;
    for (int row = 0; row < 480; row++) {
        for (int x = 0; x < 640; x++) {
            const size_t i = ((size_t)row * 640 + x) * 3;
            const int d = std::abs(with[i] - without[i]) + std::abs(with[i + 1] - without[i + 1]) +
                          std::abs(with[i + 2] - without[i + 2]);
            if (d < 24) continue;
            count++;
            sumX += x;
            sumY += row;
        }
    }
    ASSERT_GT(count, 640 * 480 / 50) << "the car covers too little of the screen";
    // Centre of the car's pixels: middle third across, lower half down.
    EXPECT_NEAR(sumX / count, 320.0, 640.0 / 6);
    EXPECT_GT(sumY / count, 480 * 0.55);
    EXPECT_LT(sumY / count, 480 * 0.95);
}

TEST_F(DrivenRace, MapDepthPrepassAndDisplayListsDrawTheSamePixels) {
    driveOffTheGrid();
    // The glow history and the particles move on with every frame drawn;
    // without them each path draws the very same moment.
    effectsEnabled = false;
    raceRun.mapDepthPrepass = false;
    modelDisplayLists = false;
    const std::vector<uint8_t> reference = drawMoment();
    raceRun.mapDepthPrepass = true;
    const std::vector<uint8_t> prepass = drawMoment();
    modelDisplayLists = true;
    const std::vector<uint8_t> both = drawMoment();
    EXPECT_TRUE(prepass == reference);
    EXPECT_TRUE(both == reference);
    long differing = 0;
    for (size_t i = 0; i < both.size(); i++) differing += both[i] != reference[i];
    EXPECT_EQ(differing, 0);
}

}  // namespace
