// Opponent drivers: power, speed limit, steering, backing out, unsticking,
// rescue when lost.
#include <cmath>

#include "race_fixture.h"

class Opponent : public RaceWorldTest {
  protected:
    void SetUp() override {
        RaceWorldTest::SetUp();
        session.checkpointCount = 2;
        session.checkpoints[0] = {1000, 0, 0, 0, 0};  // far ahead along +x
        session.checkpoints[1] = {0, 0, 1000, 0, 0};
    }
    Car& car() { return session.cars[1]; }
    void drive(const Vector3& p, const Vector3& v, int frames = 1) {
        for (int i = 0; i < frames; i++) {
            place(1, p, v);
            updateOpponentCar(car(), 1.0f);
        }
    }
};

// Normal's middle opponent drives on the player's rating scaled by 0.9.
static const float kPa = 0.5f * 0.9f;

TEST_F(Opponent, DrivesWithThePlayersRatingScaledByDifficultyAndPlace) {
    // Car 2 at Normal: the middle of the field.
    Car& middle = session.cars[2];
    place(2, Vector3(0, 0, 0), Vector3(5, 0, 0));
    updateOpponentCar(middle, 1.0f);
    EXPECT_NEAR(middle.driveForce, 140.0f * kPa, 1e-3f);
    place(2, Vector3(0, 0, 0), Vector3(25, 0, 0));
    updateOpponentCar(middle, 1.0f);
    EXPECT_NEAR(middle.driveForce, 60.0f * kPa, 1e-3f);
    EXPECT_EQ(middle.targetGear, 5);
    // Every difficulty spreads its three cars, quickest first, and each
    // difficulty's cars are quicker than the one below it.
    for (int d = kDifficultyEasy; d <= kDifficultyHard; d++) {
        EXPECT_GT(opponentPowerScale(d, 1), opponentPowerScale(d, 2)) << d;
        EXPECT_GT(opponentPowerScale(d, 2), opponentPowerScale(d, 3)) << d;
        if (d > kDifficultyEasy) {
            EXPECT_GT(opponentPowerScale(d, 2), opponentPowerScale(d - 1, 2)) << d;
        }
    }
    session.raceDifficulty = kDifficultyHard;
    drive(Vector3(0, 0, 0), Vector3(5, 0, 0));
    EXPECT_NEAR(car().driveForce, 140.0f * 0.5f * opponentPowerScale(kDifficultyHard, 1), 1e-3f);
}

TEST_F(Opponent, SharpTurnAheadDropsTheLimitToFourAndBrakes) {
    // Heading +x, the waypoint straight to the left (+pi/2 away).
    car().aiWaypoint = 1;
    session.checkpoints[1] = {0, 0, -1000, 0, 0};
    drive(Vector3(0, 0, 0), Vector3(10, 0, 0));
    const float brake = (0.5f * 1.5f + 0.5f) * 120.0f;
    EXPECT_NEAR(car().driveForce, -brake, 1e-3f);
    EXPECT_GT(car().steer, 0.0f);
    // Below the low limit it drives on.
    drive(Vector3(0, 0, 0), Vector3(3, 0, 0));
    EXPECT_NEAR(car().driveForce, 140.0f * 0.5f * opponentPowerScale(kDifficultyNormal, 1), 1e-3f);
    // Rolling backwards at the limit the brake pushes forwards.
    car().aiWaypoint = 0;
    session.checkpoints[0] = {1000, 0, -600, 0, 0};  // far off the direction of travel (-x)
    drive(Vector3(0, 0, 0), Vector3(-10, 0, 0));
    EXPECT_NEAR(car().driveForce, brake, 1e-3f);
}

TEST_F(Opponent, SteersTowardsAnAngleInProportionToTheError) {
    struct Case {
        float e, s, target;
    } cases[] = {
        {0.0f, 10.0f, 0.0f},        // straight ahead: straight wheels
        {0.1f, 4.0f, 0.12f},        // in proportion, positive to the left
        {-0.3f, 4.0f, -0.36f},      //
        {1.5f, 1.0f, 0.7f},         // never past the lock
        {1.5f, 25.0f, 0.165f},      // at speed no more than the tyres hold
        {-1.5f, 16.0f, -0.20625f},  //
    };
    for (const Case& c : cases)
        EXPECT_NEAR(opponentSteerTarget(c.e, c.s), c.target, 1e-4f) << c.e << " " << c.s;

    // The wheel moves there at 0.02 per unit of frame factor.
    car().aiWaypoint = 0;
    session.checkpoints[0] = {1000, 0, 300, 0, 0};  // 0.29 to the right
    car().steer = 0.0f;
    drive(Vector3(0, 0, 0), Vector3(10, 0, 0));
    EXPECT_NEAR(car().steer, -0.02f, 1e-6f);
    drive(Vector3(0, 0, 0), Vector3(10, 0, 0), 50);
    EXPECT_NEAR(car().steer, opponentSteerTarget(-0.2914568f, 10.0f), 1e-3f);
    EXPECT_LT(car().steer, -0.25f);
}

TEST_F(Opponent, DueWestSteersSlightlyNotAllTheWayRound) {
    car().aiWaypoint = 0;
    session.checkpoints[0] = {-1000, 0, -20, 0, 0};  // ahead along -x, a touch to the right
    drive(Vector3(0, 0, 0), Vector3(-10, 0, 0.1f));
    EXPECT_NEAR(car().driveForce, 120.0f * 0.5f * opponentPowerScale(kDifficultyNormal, 1),
                1e-3f);  // no brake: the error is small
    EXPECT_GE(car().steer, -0.02f);
    EXPECT_LE(car().steer, 0.02f);
}

TEST_F(Opponent, WaypointPassesInThreeDimensionsAndWraps) {
    car().aiWaypoint = 1;
    drive(Vector3(0, 16, 1000), Vector3(10, 0, 0));
    EXPECT_EQ(car().aiWaypoint, 1);  // the aim ignores height, the pass does not
    drive(Vector3(0, 10, 1000), Vector3(10, 0, 0));
    EXPECT_EQ(car().aiWaypoint, 0);
}

TEST_F(Opponent, BacksOutAfterThreeSecondsForOneAndAHalf) {
    int startedAt = -1, endedAt = -1;
    for (int frame = 1; frame <= 600 && endedAt < 0; frame++) {
        drive(Vector3(0, 0, 0), Vector3(0.5f, 0, 0));
        if (startedAt < 0 && car().reversing) {
            startedAt = frame;
            EXPECT_NEAR(car().driveForce, -160.0f * 0.5f * opponentPowerScale(kDifficultyNormal, 1), 1e-3f);
        }
        if (startedAt > 0 && !car().reversing) endedAt = frame;
    }
    EXPECT_NEAR(startedAt, 301, 2);
    EXPECT_NEAR(endedAt - startedAt, 150, 2);
    EXPECT_EQ(session.unstickCount[1], 0);  // 0.5 is too fast to count as stopped
}

TEST_F(Opponent, NoBackingOutOrUnstickDuringCountdown) {
    session.countdownRunning = true;
    drive(Vector3(0, 0, 0), Vector3(0, 0, 0), 600);
    EXPECT_FALSE(car().reversing);
    EXPECT_EQ(car().stuckTimer, 0.0f);
    EXPECT_EQ(car().driveForce, 0.01f);
}

TEST_F(Opponent, StoppedForFourAndAHalfSecondsIsPutBackUpright) {
    Matrix3 tipped = fromEulerXYZ(Vector3(2.5f, 0.3f, 0.0f));
    setRotation(car().body, tipped);
    int movedAt = -1;
    for (int frame = 1; frame <= 600 && movedAt < 0; frame++) {
        setLinearVelocity(car().body, Vector3(0, 0, 0));
        updateOpponentCar(car(), 1.0f);
        if (session.unstickCount[1] > 0) movedAt = frame;
    }
    EXPECT_NEAR(movedAt, 451, 2);
    EXPECT_NEAR(getPosition(car().body).y, 2.0f, 1e-4f);  // raised by 2 from y 0
    Matrix3 r = getRotation(car().body);
    for (int i = 0; i < 3; i++) {
        EXPECT_NEAR(r[i].x, car().startRotation[i].x, 1e-6f);
        EXPECT_NEAR(r[i].y, car().startRotation[i].y, 1e-6f);
        EXPECT_NEAR(r[i].z, car().startRotation[i].z, 1e-6f);
    }
    EXPECT_EQ(car().stuckTimer, 0.0f);
}

TEST_F(Opponent, UnstickNeedsAStoppedCarAndAShortFrame) {
    place(1, Vector3(0, 0, 0), Vector3(0.3f, 0, 0));
    unstickCar(car(), frameClock.frameFactor);
    EXPECT_EQ(getPosition(car().body).y, 0.0f);
    place(1, Vector3(0, 0, 0), Vector3(0.1f, 0, 0));
    frameClock.frameFactor = 9.5f;
    unstickCar(car(), frameClock.frameFactor);
    EXPECT_EQ(getPosition(car().body).y, 0.0f);
    frameClock.frameFactor = 1.0f;
    car().driveForce = 50.0f;
    unstickCar(car(), frameClock.frameFactor);
    EXPECT_EQ(getPosition(car().body).y, 2.0f);
    EXPECT_EQ(car().driveForce, 0.0f);
}

TEST_F(Opponent, RollsToAStopAfterTheFinishAndCountsLapsWithoutFinishing) {
    session.raceFinished = true;
    drive(Vector3(0, 0, 0), Vector3(10, 0, 0));
    EXPECT_EQ(car().driveForce, -1.0f);
    EXPECT_EQ(car().steer, 0.0f);
    session.raceFinished = false;
    session.checkpoints[0] = {0, 0, 0, 0, 0};
    session.checkpoints[1] = {50, 0, 0, 0, 0};
    for (int lap = 0; lap < 6; lap++) {
        drive(Vector3(0, 0, 0), Vector3(10, 0, 0));
        drive(Vector3(50, 0, 0), Vector3(10, 0, 0));
    }
    EXPECT_EQ(car().lap, 6);
    EXPECT_EQ(car().checkpointsPassed, 12);
    EXPECT_FALSE(session.raceFinished);
}

TEST_F(Opponent, SlidingAlongABarrierWithoutGainingAWaypointIsPutBackOnItsLine) {
    // Waypoint 1 lies beyond a barrier: the car slides along it at 4 units a
    // second with full lock, too fast for the back-out and for unstickCar.
    session.checkpointCount = 3;
    session.checkpoints[0] = {0, 2, 0, 10, 1};
    session.checkpoints[1] = {0, 2, 100, 10, 1};
    session.checkpoints[2] = {100, 2, 100, 10, 1};
    car().aiWaypoint = 1;
    int rescuedAt = -1;
    for (int frame = 1; frame <= 1000 && rescuedAt < 0; frame++) {
        const Vector3 slide(-50.0f + 0.04f * (float)frame, 0.0f, 40.0f);
        drive(slide, Vector3(4.0f, 0.0f, 0.0f));
        if (session.lostCount[1] > 0) rescuedAt = frame;
    }
    EXPECT_NEAR(rescuedAt, 801, 2);  // after 8 s
    EXPECT_EQ(session.unstickCount[1], 0);
    EXPECT_FALSE(car().reversing);
    // On the waypoint it last gained, facing the one it drives to, at rest.
    const Vector3 p = getPosition(car().body);
    EXPECT_NEAR(p.x, 0.0f, 1e-4f);
    EXPECT_NEAR(p.z, 0.0f, 1e-4f);
    const Vector3 nose = getRotation(car().body).rows[0];
    EXPECT_NEAR(nose.z, 1.0f, 1e-5f);
    EXPECT_NEAR(length(getLinearVelocity(car().body)), 0.0f, 1e-6f);
    EXPECT_EQ(car().aiWaypoint, 1);
}

TEST_F(Opponent, ADriverGainingWaypointsOrHeldOnTheGridIsNeverRescued) {
    session.checkpointCount = 2;
    session.checkpoints[0] = {0, 0, 0, 10, 1};
    session.checkpoints[1] = {0, 0, 1000, 10, 1};
    car().aiWaypoint = 1;
    session.countdownRunning = true;
    drive(Vector3(-50, 0, 40), Vector3(4, 0, 0), 1000);
    EXPECT_EQ(session.lostCount[1], 0);
    session.countdownRunning = false;
    // Gaining a waypoint every 5 s keeps it going.
    for (int k = 0; k < 4; k++) {
        drive(Vector3(-50, 0, 40), Vector3(4, 0, 0), 500);
        drive(Vector3(0, 0, 1000), Vector3(4, 0, 0));
        car().aiWaypoint = 1;
    }
    EXPECT_EQ(session.lostCount[1], 0);
}
