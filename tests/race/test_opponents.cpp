// Opponent drivers: power, speed limit, steering, backing out, unsticking.
#include <cmath>

#include "race_fixture.h"

class Opponent : public RaceWorldTest {
  protected:
    void SetUp() override {
        RaceWorldTest::SetUp();
        checkpointCount = 2;
        checkpoints[0] = {1000, 0, 0, 0, 0};  // far ahead along +x
        checkpoints[1] = {0, 0, 1000, 0, 0};
    }
    Car& car() { return cars[1]; }
    void drive(const Vector3& p, const Vector3& v, int frames = 1) {
        for (int i = 0; i < frames; i++) {
            place(1, p, v);
            updateOpponentCar(car(), 1.0f);
        }
    }
};

TEST_F(Opponent, DrivesWithThePlayersRatingRaisedByThirtyPercent) {
    drive(Vector3(0, 0, 0), Vector3(5, 0, 0));
    EXPECT_NEAR(car().driveForce, 140.0f * 0.65f, 1e-3f);  // 91 against the player's 80.5
    drive(Vector3(0, 0, 0), Vector3(25, 0, 0));
    EXPECT_NEAR(car().driveForce, 60.0f * 0.65f, 1e-3f);
    EXPECT_EQ(car().targetGear, 5);
}

TEST_F(Opponent, SharpTurnAheadDropsTheLimitToFourAndBrakes) {
    // Heading +x, the waypoint straight to the left (+pi/2 away).
    car().aiWaypoint = 1;
    checkpoints[1] = {0, 0, -1000, 0, 0};
    drive(Vector3(0, 0, 0), Vector3(10, 0, 0));
    const float brake = (0.5f * 1.5f + 0.5f) * 120.0f;
    EXPECT_NEAR(car().driveForce, -brake, 1e-3f);
    EXPECT_GT(car().steer, 0.0f);
    // Below the low limit it drives on.
    drive(Vector3(0, 0, 0), Vector3(3, 0, 0));
    EXPECT_NEAR(car().driveForce, 91.0f, 1e-3f);
    // Rolling backwards at the limit the brake pushes forwards.
    car().aiWaypoint = 0;
    checkpoints[0] = {1000, 0, -600, 0, 0};  // far off the direction of travel (-x)
    drive(Vector3(0, 0, 0), Vector3(-10, 0, 0));
    EXPECT_NEAR(car().driveForce, brake, 1e-3f);
}

TEST_F(Opponent, SteeringFollowsTheErrorWithADeadZone) {
    car().aiWaypoint = 0;
    checkpoints[0] = {1000, 0, 50, 0, 0};  // 0.05 to the right: inside the dead zone
    car().steer = 0.1f;
    drive(Vector3(0, 0, 0), Vector3(10, 0, 0));
    EXPECT_NEAR(car().steer, 0.08f, 1e-6f);
    car().steer = -0.01f;
    drive(Vector3(0, 0, 0), Vector3(10, 0, 0));
    EXPECT_NEAR(car().steer, 0.01f, 1e-6f);
    checkpoints[0] = {1000, 0, 300, 0, 0};  // 0.29 to the right
    car().steer = 0.0f;
    drive(Vector3(0, 0, 0), Vector3(10, 0, 0), 50);
    EXPECT_EQ(car().steer, -0.7f);
}

TEST_F(Opponent, DueWestSteersSlightlyNotAllTheWayRound) {
    car().aiWaypoint = 0;
    checkpoints[0] = {-1000, 0, -20, 0, 0};  // ahead along -x, a touch to the right
    drive(Vector3(0, 0, 0), Vector3(-10, 0, 0.1f));
    EXPECT_NEAR(car().driveForce, 120.0f * 0.65f, 1e-3f);  // no brake: the error is small
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
            EXPECT_NEAR(car().driveForce, -160.0f * 0.65f, 1e-3f);
        }
        if (startedAt > 0 && !car().reversing) endedAt = frame;
    }
    EXPECT_NEAR(startedAt, 301, 2);
    EXPECT_NEAR(endedAt - startedAt, 150, 2);
    EXPECT_EQ(unstickCount[1], 0);  // 0.5 is too fast to count as stopped
}

TEST_F(Opponent, NoBackingOutOrUnstickDuringCountdown) {
    countdownRunning = true;
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
        if (unstickCount[1] > 0) movedAt = frame;
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
    unstickCar(car(), frameFactor);
    EXPECT_EQ(getPosition(car().body).y, 0.0f);
    place(1, Vector3(0, 0, 0), Vector3(0.1f, 0, 0));
    frameFactor = 9.5f;
    unstickCar(car(), frameFactor);
    EXPECT_EQ(getPosition(car().body).y, 0.0f);
    frameFactor = 1.0f;
    car().driveForce = 50.0f;
    unstickCar(car(), frameFactor);
    EXPECT_EQ(getPosition(car().body).y, 2.0f);
    EXPECT_EQ(car().driveForce, 0.0f);
}

TEST_F(Opponent, RollsToAStopAfterTheFinishAndCountsLapsWithoutFinishing) {
    raceFinished = true;
    drive(Vector3(0, 0, 0), Vector3(10, 0, 0));
    EXPECT_EQ(car().driveForce, -1.0f);
    EXPECT_EQ(car().steer, 0.0f);
    raceFinished = false;
    checkpoints[0] = {0, 0, 0, 0, 0};
    checkpoints[1] = {50, 0, 0, 0, 0};
    for (int lap = 0; lap < 6; lap++) {
        drive(Vector3(0, 0, 0), Vector3(10, 0, 0));
        drive(Vector3(50, 0, 0), Vector3(10, 0, 0));
    }
    EXPECT_EQ(car().lap, 6);
    EXPECT_EQ(car().checkpointsPassed, 12);
    EXPECT_FALSE(raceFinished);
}
