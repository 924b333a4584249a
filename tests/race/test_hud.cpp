// The race HUD: needle travel, drift text thresholds, the corner arrow's
// visibility and turn, the nitro fill and the lap shown before the start
// line, checked on frames drawn with the game's own HUD images.
#include <gtest/gtest.h>

#include <cmath>

#include "race_draw_fixture.h"
#include "race_fixture.h"

namespace {

TEST(HudRules, NeedleRestsAtOneThousandAndStopsAtItsEnd) {
    EXPECT_FLOAT_EQ(tachometerNeedleAngle(0.0f), 152.5f);
    EXPECT_FLOAT_EQ(tachometerNeedleAngle(1000.0f), 152.5f);
    EXPECT_FLOAT_EQ(tachometerNeedleAngle(2000.0f), 152.5f - 35.0f);
    EXPECT_NEAR(tachometerNeedleAngle(1000.0f + 243.0f / 0.035f), -90.5f, 1e-3f);
    EXPECT_FLOAT_EQ(tachometerNeedleAngle(20000.0f), -90.5f);
}

TEST(HudRules, DriftTextFadesInAndChangesColourAtTwentyFiveAndFifty) {
    int colour = -1;
    float alpha = -1.0f;
    EXPECT_FALSE(driftTextStyle(0.0f, &colour, &alpha));
    EXPECT_FALSE(driftTextStyle(0.05f, &colour, &alpha));
    ASSERT_TRUE(driftTextStyle(0.06f, &colour, &alpha));
    EXPECT_NEAR(alpha, 0.012f, 1e-6f);
    EXPECT_EQ(colour, 0);
    ASSERT_TRUE(driftTextStyle(2.5f, &colour, &alpha));
    EXPECT_FLOAT_EQ(alpha, 0.5f);
    ASSERT_TRUE(driftTextStyle(25.0f, &colour, &alpha));
    EXPECT_FLOAT_EQ(alpha, 1.0f);
    EXPECT_EQ(colour, 0);
    ASSERT_TRUE(driftTextStyle(25.5f, &colour, &alpha));
    EXPECT_EQ(colour, 2);
    ASSERT_TRUE(driftTextStyle(50.0f, &colour, &alpha));
    EXPECT_EQ(colour, 2);
    ASSERT_TRUE(driftTextStyle(50.5f, &colour, &alpha));
    EXPECT_EQ(colour, 1);
    EXPECT_TRUE(cornerArrowShown(44.9f));
    EXPECT_TRUE(cornerArrowShown(-44.9f));
    EXPECT_FALSE(cornerArrowShown(45.0f));
    EXPECT_FALSE(cornerArrowShown(-180.0f));
}

// A world with the four cars and a square course: the player heads along
// +x towards checkpoint 1, where the road turns.
class HudFrames : public RaceWorldTest {
  protected:
    void SetUp() override {
        if (!startRaceRenderer()) FAIL() << "no GL window or no generated base/";
        RaceWorldTest::SetUp();
        const float course[4][2] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
        for (int i = 0; i < 4; i++)
            session.checkpoints[i] = Checkpoint{course[i][0], 0.0f, course[i][1], 0.0f, 0};
        session.checkpointCount = 4;
        session.cars[0].nextCheckpoint = 1;
        session.cars[0].nitro = 100.0f;
        session.cars[0].rpm = 1000.0f;
        place(0, Vector3(50, 0, 0), Vector3(10, 0, 0));
        players[0].hudArrowAngle = 0.0f;
        session.markerPhase = 0.0f;
    }
    void TearDown() override {
        if (session.raceWorld != nullptr) RaceWorldTest::TearDown();
        stopRaceRenderer();
    }

    // One HUD over a black scene, as the race frame draws it.
    std::vector<uint8_t> hud() {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, screenTexture);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, 640, 480, 0);
        postProcessPass(3, 0);
        postProcessPass(3, 1);
        postProcessPass(2, 1);
        postProcessPass(2, 2);
        drawRaceHud();
        return readFrame();
    }

    // Whether the arrow was drawn: drawing it turns hudArrowAngle.
    bool arrowDrawn() {
        players[0].hudArrowAngle = 0.0f;
        hud();
        return players[0].hudArrowAngle != 0.0f;
    }
};

TEST_F(HudFrames, ArrowTurnsTowardsTheBendOnlyWhileRacingForwards) {
    ASSERT_TRUE(arrowDrawn());
    // The bend at checkpoint 1 turns from +x to +z, to the car's right:
    // the arrow turns the negative way, 1.5 degrees per unit of frame time.
    EXPECT_FLOAT_EQ(players[0].hudArrowAngle, -1.5f);
    session.countdownRunning = true;
    EXPECT_FALSE(arrowDrawn());
    session.countdownRunning = false;
    session.raceFinished = true;
    EXPECT_FALSE(arrowDrawn());
    session.raceFinished = false;
    place(0, Vector3(50, 0, 0), Vector3(-10, 0, 0));
    EXPECT_FALSE(arrowDrawn());
    // 44 degrees off the road still shows it, 46 does not.
    const float a44 = 44.0f / 57.296f, a46 = 46.0f / 57.296f;
    place(0, Vector3(50, 0, 0), Vector3(10 * std::cos(a44), 0, 10 * std::sin(a44)));
    EXPECT_TRUE(arrowDrawn());
    place(0, Vector3(50, 0, 0), Vector3(10 * std::cos(a46), 0, -10 * std::sin(a46)));
    EXPECT_FALSE(arrowDrawn());
}

TEST_F(HudFrames, ArrowIsSeenAtTheTopCentreAndClearFarAway) {
    const std::vector<uint8_t> shown = hud();
    session.countdownRunning = true;
    const std::vector<uint8_t> hidden = hud();
    session.countdownRunning = false;
    // Every difference lies in the arrow's square about (400, 545), apart
    // from the race clock under the lap counter, hidden in the countdown.
    long inside = 0, outside = 0;
    for (int row = 0; row < 480; row++) {
        for (int x = 0; x < 640; x++) {
            const size_t i = ((size_t)row * 640 + x) * 3;
            const int d = std::abs(shown[i] - hidden[i]) + std::abs(shown[i + 1] - hidden[i + 1]) +
                          std::abs(shown[i + 2] - hidden[i + 2]);
            if (d == 0) continue;
            const float ox = x * 800.0f / 640.0f, oy = (479 - row) * 600.0f / 480.0f;
            if (std::fabs(ox - 400) < 70 && std::fabs(oy - 545) < 70)
                inside++;
            else if (ox >= 96 && ox <= 252 && oy >= 500 && oy <= 546)
                continue;
            else
                outside++;
        }
    }
    EXPECT_GT(inside, 200);
    EXPECT_EQ(outside, 0);

    // Beyond a squared distance of 30000 the arrow has no alpha left.
    place(0, Vector3(-200, 0, 0), Vector3(10, 0, 0));
    const std::vector<uint8_t> far = hud();
    session.countdownRunning = true;
    EXPECT_EQ(overlayBox(far, 330, 475, 470, 600), overlayBox(hud(), 330, 475, 470, 600));
}

TEST_F(HudFrames, NitroFillGrowsUpwardsAndStopsAtFull) {
    session.countdownRunning = true;  // no arrow: it turns from frame to frame
    session.cars[0].nitro = 0.0f;
    const std::vector<uint8_t> empty = hud();
    session.cars[0].nitro = 100.0f;
    const std::vector<uint8_t> full = hud();
    session.cars[0].nitro = 250.0f;
    EXPECT_EQ(hud(), full);
    session.cars[0].nitro = 50.0f;
    const std::vector<uint8_t> half = hud();

    // The gauge spans (-12, 0) to (188, 200).
    EXPECT_NE(overlayBox(empty, -12, 0, 188, 200), overlayBox(full, -12, 0, 188, 200));
    EXPECT_EQ(overlayBox(half, -12, 0, 188, 95), overlayBox(full, -12, 0, 188, 95));
    EXPECT_EQ(overlayBox(half, -12, 105, 188, 200), overlayBox(empty, -12, 105, 188, 200));
    // Outside the gauge nothing depends on the tank.
    EXPECT_EQ(overlayBox(empty, 200, 0, 800, 600), overlayBox(full, 200, 0, 800, 600));
}

// A preset without glow leaves the scene's depths under the HUD: the nitro
// gauge is drawn over the nearest of them as over a cleared depth.
TEST_F(HudFrames, NitroGaugeIgnoresTheScenesDepths) {
    session.countdownRunning = true;
    const std::vector<uint8_t> cleared = hud();
    glClearColor(0, 0, 0, 1);
    glClearDepth(0.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearDepth(1.0);
    drawRaceHud();
    EXPECT_EQ(overlayBox(readFrame(), -12, 0, 188, 200), overlayBox(cleared, -12, 0, 188, 200));
}

TEST_F(HudFrames, NeedleAndLapShowTheirEdgeValues) {
    session.countdownRunning = true;  // no arrow: it turns from frame to frame
    session.cars[0].rpm = 400.0f;
    const std::vector<uint8_t> rest = hud();
    session.cars[0].rpm = 1000.0f;
    EXPECT_EQ(hud(), rest);
    session.cars[0].rpm = 9000.0f;
    const std::vector<uint8_t> stop = hud();
    EXPECT_NE(stop, rest);
    session.cars[0].rpm = 1000.0f + 243.0f / 0.035f + 1.0f;
    EXPECT_EQ(hud(), stop);
    session.cars[0].rpm = 1000.0f;

    // Lap 0 (before the start line) reads as lap 1; lap 2 changes only the
    // lap text at the top left.
    session.cars[0].lap = 0;
    const std::vector<uint8_t> lap0 = hud();
    session.cars[0].lap = 1;
    EXPECT_EQ(hud(), lap0);
    session.cars[0].lap = 2;
    const std::vector<uint8_t> lap2 = hud();
    EXPECT_NE(overlayBox(lap2, 100, 555, 300, 600), overlayBox(lap0, 100, 555, 300, 600));
    EXPECT_EQ(overlayBox(lap2, 320, 0, 800, 600), overlayBox(lap0, 320, 0, 800, 600));
}

TEST_F(HudFrames, DriftTextIsGreenAboveTwentyFiveAndRedAboveFifty) {
    session.countdownRunning = true;  // no arrow: it turns from frame to frame
    players[0].driftScore = 0.05f;
    const std::vector<uint8_t> none = hud();
    players[0].driftScore = 0.0f;
    EXPECT_EQ(hud(), none);
    auto dominant = [&](float score, int channel) {
        players[0].driftScore = score;
        const std::vector<uint8_t> box = overlayBox(hud(), 330, 380, 560, 420);
        players[0].driftScore = 0.0f;
        int count = 0;
        for (size_t i = 0; i + 2 < box.size(); i += 3) {
            const int others = channel == 0 ? box[i + 1] + box[i + 2] : box[i] + box[i + 2];
            count += box[i + channel] > 150 && others < 100;
        }
        return count;
    };
    EXPECT_GT(dominant(30.0f, 1), 50);
    EXPECT_EQ(dominant(30.0f, 0), 0);
    EXPECT_GT(dominant(60.0f, 0), 50);
    EXPECT_EQ(dominant(60.0f, 1), 0);
}

}  // namespace
