// Race information beside the HUD: the clock's m:ss.hh, the minimap's fit of
// every circuit into its square, the wrong-way warning and the opponents' lap
// and finish times.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <string>

#include "race/race_local.h"
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
    if (session.checkpointCount == 0) FAIL() << "no waypoint file (is base/ generated?)";
    const MinimapFit fit = fitMinimap(session.checkpoints, session.checkpointCount, kLeft, kBottom, kSize);
    float minX = FLT_MAX, maxX = -FLT_MAX, minY = FLT_MAX, maxY = -FLT_MAX;
    float worldW = 0.0f, worldD = 0.0f;
    for (int i = 0; i < session.checkpointCount; i++) {
        float x, y;
        minimapPlace(fit, session.checkpoints[i].x, session.checkpoints[i].z, &x, &y);
        minX = std::fmin(minX, x), maxX = std::fmax(maxX, x);
        minY = std::fmin(minY, y), maxY = std::fmax(maxY, y);
        for (int j = 0; j < session.checkpointCount; j++) {
            worldW = std::fmax(worldW, session.checkpoints[j].x - session.checkpoints[i].x);
            worldD = std::fmax(worldD, session.checkpoints[j].z - session.checkpoints[i].z);
        }
        // North-up: further along x is further right, further along z lower.
        float x0, y0;
        minimapPlace(fit, session.checkpoints[0].x, session.checkpoints[0].z, &x0, &y0);
        EXPECT_EQ(x > x0 + 0.01f, session.checkpoints[i].x > session.checkpoints[0].x + 0.01f / fit.scale)
            << i;
        EXPECT_EQ(y<y0 - 0.01f, session.checkpoints[i].z> session.checkpoints[0].z + 0.01f / fit.scale) << i;
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

// A square loop of 200 a side, driven anticlockwise seen from above:
// checkpoints every 50 along the edges.
void squareLoop() {
    session.checkpointCount = 0;
    const float corners[4][2] = {{0, 0}, {200, 0}, {200, 200}, {0, 200}};
    for (int side = 0; side < 4; side++) {
        const float* a = corners[side];
        const float* b = corners[(side + 1) % 4];
        for (int k = 0; k < 4; k++) {
            const float t = (float)k / 4.0f;
            session.checkpoints[session.checkpointCount++] =
                Checkpoint{a[0] + (b[0] - a[0]) * t, 0.0f, a[1] + (b[1] - a[1]) * t, 0.0f, 0};
        }
    }
}

// A point of the square loop at distance d from the start, on a line `off`
// to the right of the road's middle (the inside of every bend), `off`
// shortening each side twice: the loop's 800 units map onto that line.
Vector3 onSquare(float d, float off = 0.0f) {
    d = std::fmod(std::fmod(d, 800.0f) + 800.0f, 800.0f);
    const float corners[5][2] = {
        {off, off}, {200 - off, off}, {200 - off, 200 - off}, {off, 200 - off}, {off, off}};
    const int side = (int)(d / 200.0f);
    const float t = (d - 200.0f * (float)side) / 200.0f;
    const float* a = corners[side];
    const float* b = corners[side + 1];
    return Vector3(a[0] + (b[0] - a[0]) * t, 0.0f, a[1] + (b[1] - a[1]) * t);
}

class RaceInfoTest : public RaceWorldTest {
  protected:
    void SetUp() override {
        RaceWorldTest::SetUp();
        squareLoop();
        for (int i = 0; i < kRaceCars; i++)
            setPosition(session.cars[i].body, onSquare(-5.0f, 2.0f * (float)i));
        resetRaceInfo();
    }
    void run(int frames) {
        for (int i = 0; i < frames; i++) updateRaceInfo(1.0f);
    }
    // The player's car moved from distance `from` to `to` along the loop in
    // steps of a race step at `speed` units a second, `off` to the right.
    void drive(float from, float to, float speed = 20.0f, float off = 0.0f) {
        const float step = (to > from ? 1.0f : -1.0f) * speed * 0.01f;
        const int steps = (int)std::fabs((to - from) / step);
        for (int k = 1; k <= steps; k++) {
            setPosition(session.cars[0].body, onSquare(from + step * (float)k, off));
            run(1);
            seenOn = seenOn || wrongWayShown(players[0].wrongWayTimer);
        }
    }
    bool seenOn = false;
};

struct WrongWayCase {
    const char* name;
    float from, to;  // distances along the loop
    float off;       // to the right of the road's middle
    bool shown;      // the warning came on
};

// Driving the circuit's way round never shows the warning, whatever line
// the car takes through the bends; driving against it does once it has gone
// 30 units that way.
const WrongWayCase kWrongWayCases[] = {
    {"forwards down the middle", 0.0f, 790.0f, 0.0f, false},
    {"forwards on the outside of the bends", 0.0f, 790.0f, -9.0f, false},
    {"forwards on the inside of the bends", 0.0f, 790.0f, 9.0f, false},
    {"backwards 25 units", 300.0f, 275.0f, 0.0f, false},
    {"backwards 35 units", 300.0f, 265.0f, 0.0f, true},
    {"backwards round a bend", 430.0f, 370.0f, 5.0f, true},
    {"backwards over the start line", 20.0f, -40.0f, 0.0f, true},
};

TEST_F(RaceInfoTest, WarningOnlyAfterThirtyUnitsAgainstTheCircuit) {
    for (const WrongWayCase& c : kWrongWayCases) {
        TearDown();
        SetUp();
        setPosition(session.cars[0].body, onSquare(c.from, c.off));
        resetRaceInfo();
        seenOn = false;
        drive(c.from, c.to, 20.0f, c.off);
        EXPECT_EQ(seenOn, c.shown) << c.name;
    }
}

TEST_F(RaceInfoTest, WarningComesOnWithinTwoSecondsOfTurningRoundAndGoesOffAfter) {
    drive(0.0f, 300.0f);
    ASSERT_FALSE(wrongWayShown(players[0].wrongWayTimer));
    // Turned round at 20 units a second: on within 2 s.
    int steps = 0;
    float d = 300.0f;
    while (!wrongWayShown(players[0].wrongWayTimer) && steps < 300) {
        d -= 0.2f;
        setPosition(session.cars[0].body, onSquare(d));
        run(1);
        steps++;
    }
    EXPECT_LE(steps, 200);
    EXPECT_GT(session.courseProgress[0].wrongWaySeconds, 0.0f);
    // Turned the right way again: off within 10 units.
    drive(d, d + 10.0f);
    EXPECT_FALSE(wrongWayShown(players[0].wrongWayTimer));
}

TEST_F(RaceInfoTest, WarningStaysOffDuringTheCountdownAndAfterTheFinish) {
    session.countdownRunning = true;
    drive(300.0f, 200.0f);
    EXPECT_FALSE(seenOn);
    session.countdownRunning = false;
    drive(200.0f, 160.0f);
    EXPECT_TRUE(wrongWayShown(players[0].wrongWayTimer));
    session.raceFinished = true;
    run(1);
    EXPECT_FALSE(wrongWayShown(players[0].wrongWayTimer));
}

TEST_F(RaceInfoTest, CheckpointsCountOnlyForACarDrivingTheLoopTheRightWayRound) {
    // Round the loop the right way: checkpoint 0 at the end closes lap 1.
    Car& car = session.cars[0];
    for (float d = -5.0f; d <= 805.0f; d += 0.2f) {
        setPosition(car.body, onSquare(d));
        run(1);
        if (checkpointReached(car, getPosition(car.body))) {
            if (car.nextCheckpoint == 0) car.lap++;
            car.checkpointsPassed++;
            car.nextCheckpoint = (car.nextCheckpoint + 1) % session.checkpointCount;
        }
    }
    EXPECT_EQ(car.lap, 2);
    EXPECT_EQ(car.checkpointsPassed, 17);
    // Then turned round before the next checkpoint and driven the loop
    // backwards to the start line and past it: nothing more counts.
    for (float d = 805.0f; d >= -40.0f; d -= 0.2f) {
        setPosition(car.body, onSquare(d));
        run(1);
        EXPECT_FALSE(checkpointReached(car, getPosition(car.body))) << "at " << d;
    }
}

struct ResetCase {
    const char* name;
    float at;          // where the car stands when put back, along the loop
    int next;          // its next checkpoint there
    float checkpoint;  // where it is put back: its last checkpoint
};

// Put back on the last checkpoint passed, the car goes on to the next one,
// which counts: a reset costs time, never the lap.
const ResetCase kResetCases[] = {
    {"in the middle of a lap", 270.0f, 6, 250.0f},
    {"before the start line", 770.0f, 0, 750.0f},
    {"just after the start line", 20.0f, 1, 0.0f},
};

TEST_F(RaceInfoTest, ACarPutBackOnTheLastCheckpointKeepsItsLap) {
    for (const ResetCase& c : kResetCases) {
        TearDown();
        SetUp();
        Car& car = session.cars[0];
        drive(-5.0f, c.at);
        car.lap = 1;
        car.nextCheckpoint = c.next;
        car.checkpointsPassed = c.next == 0 ? session.checkpointCount : c.next;
        run(1);
        placeCarAtCheckpoint(car, car.nextCheckpoint - 1);
        run(1);
        EXPECT_FALSE(wrongWayShown(players[0].wrongWayTimer)) << c.name;
        EXPECT_NEAR(std::fmod(session.courseProgress[0].along + 800.0f, 800.0f), c.checkpoint, 1.0f)
            << c.name;
        drive(c.checkpoint, c.checkpoint + 40.0f);
        EXPECT_TRUE(checkpointReached(car, getPosition(car.body))) << c.name;
    }
}

TEST_F(RaceInfoTest, OpponentLapsAreTimedFromItsFirstPassAndItFinishesAfterTheLastLap) {
    session.lapCount = 2;
    Car& rival = session.cars[1];
    const int passes[4][2] = {{1, 1500}, {2, 7500}, {3, 12600}, {4, 99000}};  // lap, race time (hundredths)
    for (const auto& pass : passes) {
        rival.lap = pass[0];
        session.raceTime = RaceClock{pass[1] / 6000, pass[1] / 100 % 60, (float)(pass[1] % 100)};
        if (pass[0] == 4) session.raceFinished = true;  // the player finished first: its clocks stopped
        run(1);
    }
    const CarRaceTimes& t = session.carRaceTimes[1];
    EXPECT_FLOAT_EQ(t.bestLap, 5100.0f);  // lap 2 (12600 - 7500), not the approach before lap 1
    EXPECT_TRUE(t.finished);
    EXPECT_FLOAT_EQ(t.finishTime, 12600.0f);
    EXPECT_FALSE(session.carRaceTimes[2].finished);
}

}  // namespace
