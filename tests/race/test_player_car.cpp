// The player's car: gearbox, nitro, reverse, countdown hold, autopilot,
// steering, drift, checkpoints and laps.
#include <cmath>

#include "race/race_local.h"
#include "race_fixture.h"

using PlayerCar = RaceWorldTest;

static constexpr float kP = 0.5f * 1.15f;  // carPower 0.5 as the player drives it

TEST_F(PlayerCar, GearBandsAndTheirForces) {
    struct Band {
        float speed;
        float force;
        int gear;
    } bands[] = {
        {0.5f, 140 * kP, 1},  {9.0f, 140 * kP, 1},  {9.5f, 120 * kP, 2}, {12.9f, 120 * kP, 2},
        {13.0f, 100 * kP, 3}, {18.0f, 100 * kP, 3}, {18.5f, 80 * kP, 4}, {22.0f, 80 * kP, 4},
        {22.5f, 60 * kP, 5},  {40.0f, 60 * kP, 5},
    };
    input.keys[VK_UP] = true;
    for (const Band& b : bands) {
        place(0, Vector3(0, 0, 0), Vector3(b.speed, 0, 0));
        updatePlayerCar(session.cars[0], 1.0f);
        EXPECT_NEAR(session.cars[0].driveForce, b.force, 1e-3f) << b.speed;
        EXPECT_EQ(session.cars[0].targetGear, b.gear) << b.speed;
    }
    // First gear from the documented figure: 140 x carPower x 1.15.
    place(0, Vector3(0, 0, 0), Vector3(3, 0, 0));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_NEAR(session.cars[0].driveForce, 80.5f, 1e-3f);
}

TEST_F(PlayerCar, ExactlyZeroSpeedLeavesTheForceAndTheGearEngagesAFrameLater) {
    input.keys[VK_UP] = true;
    session.cars[0].driveForce = 7.0f;
    place(0, Vector3(0, 0, 0), Vector3(0, 0, 0));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_EQ(session.cars[0].driveForce, 7.0f);
    EXPECT_EQ(session.cars[0].gear, 0);

    place(0, Vector3(0, 0, 0), Vector3(10, 0, 0));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_EQ(session.cars[0].targetGear, 2);
    EXPECT_EQ(session.cars[0].gear, 0);  // engaged from last frame's choice
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_EQ(session.cars[0].gear, 2);
}

TEST_F(PlayerCar, NitroMultipliesEveryForwardGearAndDrains) {
    input.keys[VK_UP] = true;
    input.keys[VK_SPACE] = true;
    place(0, Vector3(0, 0, 0), Vector3(15, 0, 0));
    updatePlayerCar(session.cars[0], 2.0f);
    EXPECT_NEAR(session.cars[0].driveForce, 100 * kP * 1.5f, 1e-3f);
    EXPECT_NEAR(session.cars[0].nitro, 100.0f - 0.24f, 1e-4f);
    EXPECT_EQ(session.cars[0].flameLevel, 1.0f);
    EXPECT_EQ(session.cars[0].flameColour[0], 0.0f);
    EXPECT_EQ(session.cars[0].flameColour[1], 1.0f);

    // The last drop still burns this frame, then the tank reads empty.
    session.cars[0].nitro = 0.05f;
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_NEAR(session.cars[0].driveForce, 100 * kP * 1.5f, 1e-3f);
    EXPECT_EQ(session.cars[0].nitro, 0.0f);
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_NEAR(session.cars[0].driveForce, 100 * kP, 1e-3f);
    EXPECT_EQ(session.cars[0].flameColour[0], 1.0f);
}

TEST_F(PlayerCar, BrakeOpposesMotionAndReverseArmsOnlyNearAStop) {
    input.keys[VK_DOWN] = true;
    place(0, Vector3(0, 0, 0), Vector3(4, 0, 0));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_NEAR(session.cars[0].driveForce, -200.0f, 1e-3f);
    place(0, Vector3(0, 0, 0), Vector3(-4, 0, 0));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_NEAR(session.cars[0].driveForce, 200.0f, 1e-3f);

    // Let go while still rolling faster than 1: not armed, Down brakes again.
    input.keys[VK_DOWN] = false;
    place(0, Vector3(0, 0, 0), Vector3(1.5f, 0, 0));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_FALSE(session.cars[0].reverseArmed);
    input.keys[VK_DOWN] = true;
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_NEAR(session.cars[0].driveForce, -100.0f * sqrtf(1.5f), 1e-3f);

    // Let go below speed 1: the next Down drives backwards in first gear.
    input.keys[VK_DOWN] = false;
    place(0, Vector3(0, 0, 0), Vector3(0.5f, 0, 0));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_TRUE(session.cars[0].reverseArmed);
    input.keys[VK_DOWN] = true;
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_EQ(session.cars[0].targetGear, -1);
    EXPECT_NEAR(session.cars[0].driveForce, -140 * kP, 1e-3f);
    // Beyond first gear's band the brake force stands, nudged by 0.1 f.
    place(0, Vector3(0, 0, 0), Vector3(-10, 0, 0));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_NEAR(session.cars[0].driveForce, 100.0f * sqrtf(10.0f) + 0.1f, 1e-3f);

    // Up disarms reverse.
    input.keys[VK_DOWN] = false;
    input.keys[VK_UP] = true;
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_FALSE(session.cars[0].reverseArmed);
    EXPECT_FALSE(session.cars[0].brakeHeld);
}

TEST_F(PlayerCar, CountdownHoldsTheCarStill) {
    session.countdownRunning = true;
    input.keys[VK_UP] = true;
    input.keys[VK_LEFT] = true;
    place(0, Vector3(0, 0, 0), Vector3(5, 1, 0));
    setAngularMomentum(session.cars[0].body, Vector3(0, 30, 0));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_EQ(session.cars[0].driveForce, 0.01f);
    EXPECT_EQ(session.cars[0].steer, 0.0f);
    EXPECT_EQ(length(getLinearVelocity(session.cars[0].body)), 0.0f);
    EXPECT_EQ(length(getAngularMomentum(session.cars[0].body)), 0.0f);
}

TEST_F(PlayerCar, AutopilotOverridesTheKeysAfterTheFinish) {
    session.raceFinished = true;
    input.keys[VK_UP] = true;
    input.keys[VK_RIGHT] = true;
    place(0, Vector3(0, 0, 0), Vector3(9, 0, 0));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_NEAR(session.cars[0].driveForce, -300.0f, 1e-3f);
    EXPECT_EQ(session.cars[0].steer, 0.7f);
    place(0, Vector3(0, 0, 0), Vector3(-4, 0, 0));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_NEAR(session.cars[0].driveForce, 2.0f, 1e-4f);
    place(0, Vector3(0, 0, 0), Vector3(-0.5f, 0, 0));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_EQ(session.cars[0].driveForce, 1.0f);
}

TEST_F(PlayerCar, SteeringRampsClampsAndRecentres) {
    input.keys[VK_LEFT] = true;
    for (int i = 0; i < 10; i++) updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_NEAR(session.cars[0].steer, 0.5f, 1e-5f);
    for (int i = 0; i < 10; i++) updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_EQ(session.cars[0].steer, 0.7f);
    input.keys[VK_LEFT] = false;
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_NEAR(session.cars[0].steer, 0.7f * (1 - 0.075f), 1e-5f);
    for (int i = 0; i < 200; i++) updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_EQ(session.cars[0].steer, 0.0f);
}

TEST_F(PlayerCar, DriftRefillsNitroAndScoreFallsToZeroAtLevelOne) {
    session.cars[0].nitro = 50.0f;
    session.cars[0].slipGrip = 0.35f;
    place(0, Vector3(0, 0, 0), Vector3(20, 0, 0));
    for (int i = 0; i < 150; i++) updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_NEAR(players[0].driftLevel, 1.5f, 1e-3f);
    EXPECT_GT(players[0].driftScore, 0.0f);
    EXPECT_GT(session.cars[0].nitro, 50.0f);
    session.cars[0].slipGrip = 1.0f;
    for (int i = 0; i < 30; i++) updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_LE(players[0].driftLevel, 1.0f);
    EXPECT_EQ(players[0].driftScore, 0.0f);
}

class PlayerLaps : public RaceWorldTest {
  protected:
    void SetUp() override {
        RaceWorldTest::SetUp();
        session.checkpointCount = 3;
        session.checkpoints[0] = {0, 0, 0, 0, 0};
        session.checkpoints[1] = {100, 0, 0, 0, 0};
        session.checkpoints[2] = {100, 0, 100, 0, 0};
    }
    void visit(int point) {
        const Checkpoint& c = session.checkpoints[point];
        place(0, Vector3(c.x + 3.0f, c.y + 1.0f, c.z), Vector3(0, 0, 0));
        updateStandings();  // as the HUD does before every race step
        updatePlayerCar(session.cars[0], 1.0f);
        place(0, Vector3(500, 0, 500), Vector3(0, 0, 0));
    }
};

TEST_F(PlayerLaps, CheckpointsCountOnlyInOrder) {
    visit(1);
    EXPECT_EQ(session.cars[0].checkpointsPassed, 0);
    visit(0);
    EXPECT_EQ(session.cars[0].checkpointsPassed, 1);
    EXPECT_EQ(session.cars[0].lap, 1);
    EXPECT_EQ(session.cars[0].nextCheckpoint, 1);
    visit(2);
    EXPECT_EQ(session.cars[0].checkpointsPassed, 1);
    visit(1);
    visit(2);
    EXPECT_EQ(session.cars[0].checkpointsPassed, 3);
    EXPECT_EQ(session.cars[0].nextCheckpoint, 0);
    // 15 away is not close enough.
    place(0, Vector3(15.0f, 0, 0), Vector3(0, 0, 0));
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_EQ(session.cars[0].checkpointsPassed, 3);
}

TEST_F(PlayerLaps, LapsBestLapAndFinishAtTheFifthPass) {
    players[0].lapTime = RaceClock{0, 20, 0};  // the approach to the line: never a best lap
    visit(0);
    EXPECT_EQ(session.cars[0].lap, 1);
    EXPECT_EQ(clockValue(players[0].bestLapTime), 0.0f);
    EXPECT_EQ(clockValue(players[0].lapTime), 0.0f);

    float lapTimes[4] = {3000.0f, 3500.0f, 2900.0f, 2900.0f};  // 30 s, 35 s, 29 s, 29 s
    float bestAfter[4] = {3000.0f, 3000.0f, 2900.0f, 2900.0f};
    for (int lap = 0; lap < 4; lap++) {
        EXPECT_FALSE(session.raceFinished);
        visit(1);
        visit(2);
        players[0].lapTime = RaceClock{0, (int)(lapTimes[lap] / 100), 0};
        visit(0);
        EXPECT_EQ(clockValue(players[0].bestLapTime), bestAfter[lap]) << lap;
    }
    EXPECT_TRUE(session.raceFinished);
    EXPECT_EQ(session.cars[0].lap, 4);
    EXPECT_EQ(session.cars[0].checkpointsPassed, 13);
}

TEST_F(PlayerLaps, PlaceIsTakenOnlyAtACheckpoint) {
    session.cars[1].checkpointsPassed = 5;
    session.cars[2].checkpointsPassed = 0;
    session.cars[3].checkpointsPassed = 0;
    visit(0);
    EXPECT_EQ(players[0].playerPlace, 2);
    session.cars[2].checkpointsPassed = 9;
    session.cars[3].checkpointsPassed = 9;
    place(0, Vector3(500, 0, 500), Vector3(0, 0, 0));
    updateStandings();
    updatePlayerCar(session.cars[0], 1.0f);
    EXPECT_EQ(players[0].playerPlace, 2);
    visit(1);
    EXPECT_EQ(players[0].playerPlace, 4);
}

TEST(EmptyWaypointTable, NothingToReachAndNothingIndexed) {
    resetRaceGlobals();
    Car car;
    car.nextCheckpoint = 0;
    EXPECT_FALSE(checkpointReached(car, Vector3(0, 0, 0)));
    session.checkpointCount = 2;
    car.nextCheckpoint = 7;  // stale index from a longer circuit
    EXPECT_FALSE(checkpointReached(car, Vector3(0, 0, 0)));
}
