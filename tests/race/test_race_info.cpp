// Race information beside the HUD: the clock's m:ss.hh, the minimap's fit of
// every circuit into its square, the wrong-way timer and the opponents' lap
// and finish times.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <string>

#include "race_fixture.h"

namespace {

struct ClockCase {
    RaceClock clock;
    const char* text;
};

class ClockText : public ::testing::TestWithParam<ClockCase> {};

TEST_P(ClockText, ShowsMinutesSecondsAndHundredths) {
    char text[16];
    formatRaceTime(clockHundredths(GetParam().clock), text, sizeof text);
    EXPECT_STREQ(text, GetParam().text);
}

// Partial hundredths are cut: 59.995 s is still 0:59.99, never 1:00.00.
INSTANTIATE_TEST_SUITE_P(
    Clocks, ClockText,
    ::testing::Values(ClockCase{{0, 0, 0.0f}, "0:00.00"}, ClockCase{{0, 59, 99.0f}, "0:59.99"},
                      ClockCase{{0, 59, 99.5f}, "0:59.99"}, ClockCase{{1, 0, 0.0f}, "1:00.00"},
                      ClockCase{{2, 3, 4.9f}, "2:03.04"}, ClockCase{{12, 7, 50.0f}, "12:07.50"}));

// Every circuit fills the minimap's square without leaving it, keeps its
// shape, and is seen from above with x to the right and z down the screen.
class MinimapFitTest : public ::testing::TestWithParam<int> {};

constexpr float kLeft = 652.0f, kBottom = 344.0f, kSize = 140.0f, kMargin = 10.0f;

TEST_P(MinimapFitTest, CircuitFillsTheSquareAndKeepsItsShape) {
    resetRaceGlobals();
    readWaypoints(GetParam());
    if (checkpointCount == 0) FAIL() << "no waypoint file (is base/ generated?)";
    const MinimapFit fit = fitMinimap(checkpoints, checkpointCount, kLeft, kBottom, kSize);
    float minX = FLT_MAX, maxX = -FLT_MAX, minY = FLT_MAX, maxY = -FLT_MAX;
    float worldW = 0.0f, worldD = 0.0f;
    for (int i = 0; i < checkpointCount; i++) {
        float x, y;
        minimapPlace(fit, checkpoints[i].x, checkpoints[i].z, &x, &y);
        minX = std::fmin(minX, x), maxX = std::fmax(maxX, x);
        minY = std::fmin(minY, y), maxY = std::fmax(maxY, y);
        for (int j = 0; j < checkpointCount; j++) {
            worldW = std::fmax(worldW, checkpoints[j].x - checkpoints[i].x);
            worldD = std::fmax(worldD, checkpoints[j].z - checkpoints[i].z);
        }
        // North-up: further along x is further right, further along z lower.
        float x0, y0;
        minimapPlace(fit, checkpoints[0].x, checkpoints[0].z, &x0, &y0);
        EXPECT_EQ(x > x0 + 0.01f, checkpoints[i].x > checkpoints[0].x + 0.01f / fit.scale) << i;
        EXPECT_EQ(y<y0 - 0.01f, checkpoints[i].z> checkpoints[0].z + 0.01f / fit.scale) << i;
    }
    const float inner = kSize - 2.0f * kMargin;
    EXPECT_GE(minX, kLeft + kMargin - 0.01f);
    EXPECT_LE(maxX, kLeft + kSize - kMargin + 0.01f);
    EXPECT_GE(minY, kBottom + kMargin - 0.01f);
    EXPECT_LE(maxY, kBottom + kSize - kMargin + 0.01f);
    EXPECT_NEAR(std::fmax(maxX - minX, maxY - minY), inner, 0.01f);
    EXPECT_NEAR((maxX - minX) * worldD, (maxY - minY) * worldW, 0.01f * inner * std::fmax(worldW, worldD));
}

INSTANTIATE_TEST_SUITE_P(AllCircuits, MinimapFitTest, ::testing::Range(1, 21));

TEST(MinimapFitRules, OnePointSitsInTheMiddleAndStrayCarsStayOnTheRim) {
    const Checkpoint one[1] = {{40.0f, 0.0f, -25.0f, 0.0f, 0}};
    MinimapFit fit = fitMinimap(one, 1, kLeft, kBottom, kSize);
    float x, y;
    minimapPlace(fit, 40.0f, -25.0f, &x, &y);
    EXPECT_FLOAT_EQ(x, kLeft + 0.5f * kSize);
    EXPECT_FLOAT_EQ(y, kBottom + 0.5f * kSize);
    const Checkpoint two[2] = {{0.0f, 0.0f, 0.0f, 0.0f, 0}, {100.0f, 0.0f, 0.0f, 0.0f, 0}};
    fit = fitMinimap(two, 2, kLeft, kBottom, kSize);
    minimapPlace(fit, 1000.0f, -1000.0f, &x, &y);
    EXPECT_LE(x, kLeft + kSize);
    EXPECT_LE(y, kBottom + kSize);
    EXPECT_GT(x, kLeft + kSize - kMargin);
    EXPECT_GT(y, kBottom + kSize - kMargin);
}

// Frames of one step each, from a timer of 0, and where they leave it.
struct WrongWayCase {
    const char* name;
    Vector3 velocity;  // the car stands at the origin, the checkpoint at +x 100
    bool racing;
    int frames;
    float timer;
    bool shown;
};

class WrongWayTimer : public ::testing::TestWithParam<WrongWayCase> {};

TEST_P(WrongWayTimer, CountsOnlyWhileDrivingAwayAtSpeed) {
    const WrongWayCase& c = GetParam();
    float timer = 0.0f;
    for (int i = 0; i < c.frames; i++)
        timer = nextWrongWayTimer(timer, Vector3(0, 0, 0), c.velocity, Vector3(100, 0, 0), c.racing, 1.0f);
    EXPECT_NEAR(timer, c.timer, 1e-3f);
    EXPECT_EQ(wrongWayShown(timer), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WrongWayTimer,
    ::testing::Values(WrongWayCase{"AwayUnderTwoSeconds", Vector3(-6, 0, 0), true, 190, 1.9f, false},
                      WrongWayCase{"AwayOverTwoSeconds", Vector3(-6, 0, 0), true, 210, 2.1f, true},
                      WrongWayCase{"AwaySideways", Vector3(-1, 0, 8), true, 210, 2.1f, true},
                      WrongWayCase{"Towards", Vector3(6, 0, 0), true, 300, 0.0f, false},
                      WrongWayCase{"AcrossTheRoad", Vector3(0, 0, 6), true, 300, 0.0f, false},
                      WrongWayCase{"AwayTooSlowly", Vector3(-2.5f, 0, 0), true, 300, 0.0f, false},
                      WrongWayCase{"FallingIsNoSpeed", Vector3(-1, -9, 0), true, 300, 0.0f, false},
                      WrongWayCase{"NotRacing", Vector3(-6, 0, 0), false, 300, 0.0f, false}),
    [](const ::testing::TestParamInfo<WrongWayCase>& test) { return std::string(test.param.name); });

TEST(WrongWayTimerRules, TurningRoundClearsItAtOnce) {
    float timer = 0.0f;
    for (int i = 0; i < 300; i++)
        timer = nextWrongWayTimer(timer, Vector3(0, 0, 0), Vector3(-6, 0, 0), Vector3(100, 0, 0), true, 1.0f);
    ASSERT_TRUE(wrongWayShown(timer));
    timer = nextWrongWayTimer(timer, Vector3(0, 0, 0), Vector3(6, 0, 0), Vector3(100, 0, 0), true, 1.0f);
    EXPECT_FALSE(wrongWayShown(timer));
}

class RaceInfoTest : public RaceWorldTest {
  protected:
    void SetUp() override {
        RaceWorldTest::SetUp();
        resetRaceInfo();
        checkpoints[0] = Checkpoint{100.0f, 0.0f, 0.0f, 0.0f, 0};
        checkpoints[1] = Checkpoint{200.0f, 0.0f, 0.0f, 0.0f, 0};
        checkpointCount = 2;
        // The player backs away from checkpoint 0 at 6 units a second.
        setPosition(cars[0].body, Vector3(0, 0, 0));
        setLinearVelocity(cars[0].body, Vector3(-6, 0, 0));
    }
    void run(int frames) {
        for (int i = 0; i < frames; i++) updateRaceInfo(1.0f);
    }
};

TEST_F(RaceInfoTest, WarningStaysOffDuringTheCountdownAndAfterTheFinish) {
    countdownRunning = true;
    run(300);
    EXPECT_FALSE(wrongWayShown(wrongWayTimer));
    countdownRunning = false;
    run(210);
    EXPECT_TRUE(wrongWayShown(wrongWayTimer));
    raceFinished = true;
    run(1);
    EXPECT_FALSE(wrongWayShown(wrongWayTimer));
}

TEST_F(RaceInfoTest, OpponentLapsAreTimedFromItsFirstPassAndItFinishesAfterTheLastLap) {
    lapCount = 2;
    Car& rival = cars[1];
    const int passes[4][2] = {{1, 1500}, {2, 7500}, {3, 12600}, {4, 99000}};  // lap, race time (hundredths)
    for (const auto& pass : passes) {
        rival.lap = pass[0];
        raceTime = RaceClock{pass[1] / 6000, pass[1] / 100 % 60, (float)(pass[1] % 100)};
        if (pass[0] == 4) raceFinished = true;  // the player finished first: its clocks stopped
        run(1);
    }
    const CarRaceTimes& t = carRaceTimes[1];
    EXPECT_FLOAT_EQ(t.bestLap, 5100.0f);  // lap 2 (12600 - 7500), not the approach before lap 1
    EXPECT_TRUE(t.finished);
    EXPECT_FLOAT_EQ(t.finishTime, 12600.0f);
    EXPECT_FALSE(carRaceTimes[2].finished);
}

}  // namespace
