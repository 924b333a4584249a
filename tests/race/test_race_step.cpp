// Race clocks, countdown timer, standings and the heading measure.
#include <cmath>

#include "race_fixture.h"

// Signed ground-plane angle from a to b by atan2, independent of the
// acos-based measure; positive towards -z (to the left of +x).
static float referenceHeading(const Vector3& a, const Vector3& b) {
    double r = atan2(-(double)b.z, (double)b.x) - atan2(-(double)a.z, (double)a.x);
    while (r > M_PI) r -= 2 * M_PI;
    while (r < -M_PI) r += 2 * M_PI;
    return (float)r;
}

TEST(HeadingAngle, MatchesAnIndependentMeasureAllRound) {
    for (int i = 0; i < 36; i++) {
        for (int j = 0; j < 36; j++) {
            float ai = (float)i * 0.17453292f + 0.01f, aj = (float)j * 0.17453292f + 0.02f;
            Vector3 a(cosf(ai), 0.0f, -sinf(ai));
            Vector3 b(2.0f * cosf(aj), 0.0f, -2.0f * sinf(aj));
            float expect = referenceHeading(a, b);
            float got = headingAngle(a, b);
            if (fabsf(fabsf(expect) - (float)M_PI) < 1e-3f) {
                EXPECT_NEAR(fabsf(got), (float)M_PI, 2e-3f);
            } else {
                EXPECT_NEAR(got, expect, 1e-4f) << i << " " << j;
            }
        }
    }
}

TEST(HeadingAngle, LeftIsPositiveAndBehindIsBeyondAQuarter) {
    EXPECT_NEAR(headingAngle(Vector3(1, 0, 0), Vector3(0, 0, -1)), 1.5707964f, 1e-5f);
    EXPECT_NEAR(headingAngle(Vector3(1, 0, 0), Vector3(0, 0, 1)), -1.5707964f, 1e-5f);
    EXPECT_GT(fabsf(headingAngle(Vector3(1, 0, 0), Vector3(-1, 0, 0.1f))), 1.570796f);
    EXPECT_LT(fabsf(headingAngle(Vector3(1, 0, 0), Vector3(1, 0, 0.9f))), 1.570796f);
}

TEST(HeadingAngle, WrapsAcrossMinusXToASmallAngle) {
    // Both directions point along -x, one a hair to each side: the raw
    // bearings differ by almost 2 pi, the heading by almost nothing.
    Vector3 a(-1.0f, 0.0f, 0.01f), b(-1.0f, 0.0f, -0.01f);
    EXPECT_NEAR(headingAngle(a, b), -0.02f, 1e-3f);
    EXPECT_NEAR(headingAngle(b, a), 0.02f, 1e-3f);
}

TEST(HeadingAngle, ZeroOrDegenerateInputsGiveZero) {
    EXPECT_EQ(headingAngle(Vector3(0, 0, 0), Vector3(1, 0, 0)), 0.0f);
    EXPECT_EQ(headingAngle(Vector3(1, 0, 0), Vector3(0, 0, 0)), 0.0f);
    // A vector shorter than 0.001 counts as zero length.
    EXPECT_EQ(headingAngle(Vector3(0.0005f, 0, 0), Vector3(0, 0, 1)), 0.0f);
    // Straight up has no ground bearing change from +x.
    EXPECT_NEAR(headingAngle(Vector3(1, 0, 0), Vector3(0, 1, 0)), 1.5707964f, 1e-5f);
}

TEST(RaceClock, HundredthsOvershootIsDroppedNotCarried) {
    RaceClock c{};
    for (int i = 0; i < 100; i++) advanceClock(c, 1.0f);
    EXPECT_EQ(c.seconds, 1);
    EXPECT_FLOAT_EQ(c.hundredths, 0.0f);

    RaceClock d{0, 59, 97.0f};
    advanceClock(d, 6.0f);  // 103: the three extra hundredths are lost
    EXPECT_EQ(d.minutes, 1);
    EXPECT_EQ(d.seconds, 0);
    EXPECT_FLOAT_EQ(d.hundredths, 0.0f);
    EXPECT_FLOAT_EQ(clockValue(RaceClock{2, 3, 4.5f}), 20304.5f);
}

TEST(RaceStep, ClocksStandDuringCountdownAndAfterFinish) {
    resetRaceGlobals();
    session.countdownRunning = true;
    for (int i = 0; i < 50; i++) raceStep(frameClock.frameFactor);
    EXPECT_EQ(clockValue(session.raceTime), 0.0f);
    session.countdownRunning = false;
    for (int i = 0; i < 150; i++) raceStep(frameClock.frameFactor);
    EXPECT_EQ(session.raceTime.seconds, 1);
    EXPECT_NEAR(session.raceTime.hundredths, 50.0f, 1e-3f);
    EXPECT_EQ(players[0].lapTime.seconds, 1);
    session.raceFinished = true;
    RaceClock frozen = session.raceTime;
    for (int i = 0; i < 50; i++) raceStep(frameClock.frameFactor);
    EXPECT_EQ(clockValue(session.raceTime), clockValue(frozen));
}

TEST(RaceStep, CountdownReleasesAtSixSecondsAndEndsAtTen) {
    resetRaceGlobals();
    session.countdownRunning = true;
    int releasedAt = -1;
    for (int frame = 1; frame <= 1200 && releasedAt < 0; frame++) {
        runCountdown(frameClock.frameFactor);
        if (!session.countdownRunning) releasedAt = frame;
    }
    EXPECT_GE(releasedAt, 600);
    EXPECT_LE(releasedAt, 602);

    // Long frames still count, up to 300 ms a frame: the countdown never
    // hangs on a slow machine, nor jumps after a stall.
    const float factors[][2] = {{9.5f, 0.095f}, {20.0f, 0.2f}, {30.0f, 0.3f}, {500.0f, 0.3f}};
    for (const auto& f : factors) {
        frameClock.frameFactor = f[0];
        session.raceTimer = 1.0f;
        runCountdown(frameClock.frameFactor);
        EXPECT_NEAR(session.raceTimer, 1.0f + f[1], 1e-5f) << "frameFactor " << f[0];
    }

    frameClock.frameFactor = 1.0f;
    session.raceTimer = 9.995f;
    runCountdown(frameClock.frameFactor);
    EXPECT_EQ(session.raceTimer, 0.0f);
}

TEST(Standings, SwapOrderCanReorderEqualCounts) {
    resetRaceGlobals();
    int passed[4] = {1, 1, 2, 0};
    for (int i = 0; i < 4; i++) session.cars[i].checkpointsPassed = passed[i];
    updateStandings();
    // Car 2 moves to the front by swapping with car 0, which pushes car 0
    // behind car 1 although both have passed one checkpoint.
    int order[4] = {2, 1, 0, 3};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(session.standings[i].car, order[i]) << i;
        EXPECT_EQ(session.standings[i].checkpointsPassed, passed[order[i]]);
    }

    int sorted[4] = {0, 5, 3, 5};
    for (int i = 0; i < 4; i++) session.cars[i].checkpointsPassed = sorted[i];
    updateStandings();
    for (int i = 0; i < 3; i++)
        EXPECT_GE(session.standings[i].checkpointsPassed, session.standings[i + 1].checkpointsPassed);
}
